#pragma once

#include "snapshot/TreeScan.h"
#include "store/RecordingInfo.h"
#include "store/SessionStore.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// A standard folder of the machine the recording was taken on, as its full
// path ending with a backslash, and the WiX directory that stands for it on
// any machine ("ProgramFiles64Folder", "AppDataFolder"...).
struct TStandardFolder {
    std::string Path;
    std::string WixId;
    bool PerUser = false; // in the user's profile
};

// What the package needs to know of the machine besides the recording.
struct TPackageEnvironment {
    // In any order: a path goes to the longest folder that holds it.
    std::vector<TStandardFolder> Folders;
    // The recording user's hive under HKEY_USERS ("S-1-5-21-..."): it is
    // packaged as HKEY_CURRENT_USER, every other user's hive is not.
    std::string UserSid;
    // The files this run writes (report, JSON, undo script): never packaged.
    std::vector<std::string> OwnFiles;
};

// What became of a file the package is to carry.
struct TCopyResult {
    enum class TOutcome { Copied, Changed, Failed } Outcome = TOutcome::Copied;
    std::string Reason; // the system's message when it failed
};

// Copies the file at path to source, a path below the package folder with
// forward slashes ("files/ProgramFiles64Folder/App/app.exe"); scan is what
// the recording saw of it.
using TCopyFile = std::function<TCopyResult(const std::string& path, const std::string& source, const TFileScan& scan)>;

// The installer source of a recording: the WiX text, and what went into it
// and what did not, each with its reason.
struct TInstallerSource {
    std::string Wxs;
    std::string ProductName;
    std::string Manufacturer;
    std::string Version;
    bool PerUser = false;
    std::size_t FilesPackaged = 0;
    std::size_t FoldersPackaged = 0;
    std::size_t ValuesPackaged = 0;
    std::size_t KeysPackaged = 0;
    // "path (reason)", for the summary and the JSON.
    std::vector<std::string> NotPackaged;
    // Deletions and changes an installation cannot make, as lines.
    std::vector<std::string> NotExpressed;
    // Names or values that wixl cannot carry (text outside ASCII, multi-
    // string, expandable or binary values): only the WiX Toolset builds it.
    bool NeedsWixToolset = false;
};

// The WiX Toolset v3 source that installs on another machine what the
// recording saw created or changed and the result filter includes: files
// (copied by copy, in the order of their paths) in the standard folders they
// lie in, and registry values with their types. What it cannot carry is
// listed, never dropped silently.
TInstallerSource ComposeInstallerSource(const TSessionStore& store, const TRecordingInfo& recording,
                                        const TPackageEnvironment& environment, const TCopyFile& copy);

// The files a package is written with.
class IPackageFiles {
public:
    virtual ~IPackageFiles() = default;
    // Each raises std::runtime_error with the reason.
    virtual std::string Read(const std::string& path) = 0;
    virtual void Write(const std::string& path, std::string_view bytes) = 0;
    // Creates the folder and those above it that are missing.
    virtual void MakeFolders(const std::string& folder) = 0;
};

// Writes folder\Package.wxs and, below folder\files, the files it installs,
// as they are now: with the recording's digests, a file that no longer
// matches is left out as changed since the recording. Raises
// std::runtime_error when the folder or Package.wxs cannot be written.
TInstallerSource WriteInstallerSource(const TSessionStore& store, const TRecordingInfo& recording,
                                      const TPackageEnvironment& environment, const std::string& folder,
                                      IPackageFiles& files);

// "1 file, 0 empty folders, 2 registry values and 1 new key".
std::string PackagedCounts(const TInstallerSource& source);

// What the window says once the source is written: where, what went into
// it, how many things did not (the first few named), and how to build it.
std::string InstallerSourceSummary(const TInstallerSource& source, const std::string& folder);

// The command that builds the source: with wixl where it can carry every
// name and value, and the WiX Toolset's always.
std::string InstallerBuildCommand(const TInstallerSource& source);

// A GUID that depends on name alone (a name-based UUID, version 5, in our
// own namespace), in braces and upper case: a component keeps its GUID in
// every package of one recording. The name is compared ignoring case.
std::string NameBasedGuid(std::string_view name);

} // namespace quill
