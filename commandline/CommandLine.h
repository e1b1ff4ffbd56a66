#pragma once

#include "common/Registry.h"
#include "snapshot/HashKind.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// The command line's first argument that records without the window.
inline constexpr std::string_view kRecordSwitch = "-record";
// The first argument that compares two saved before sides; it is one of the
// options of "-record" as well.
inline constexpr std::string_view kCompareSwitch = "-compare";

// How a recording from the command line ends, as its exit code. Where
// several apply, the first of Usage, NotLoaded, NotStarted, Interrupted,
// NotWritten, TimedOut, ProgramFailed, Incomplete, Changes counts: what a
// script must act on comes before how much was recorded.
enum class TRecordExit : int {
    NoChanges = 0,
    Changes = 1,
    Incomplete = 2,    // the capture notes say something was not recorded
    NotStarted = 3,    // the program could not be started
    Usage = 4,         // the command line was wrong, or another recording runs
    NotWritten = 5,    // the report, the JSON, the undo script or the saved before-capture could not be written
    NotLoaded = 6,     // the saved before-capture could not be loaded
    ProgramFailed = 7, // the program ended with an exit code other than 0
    TimedOut = 8,      // the timeout stopped the recording while the program still ran
    Interrupted = 9,   // Ctrl+C stopped the recording; nothing was written
};

// What "-record" was asked to do. An option that was not given is empty and
// falls back to the stored setting.
struct TRecordOptions {
    std::optional<std::vector<std::string>> Paths;
    // Indexed by TRegRoot: which roots to record.
    std::optional<std::array<bool, std::size(kAllRoots)>> Roots;
    std::optional<THashKind> Hash;
    std::string ReportFile; // empty: the report folder of the settings
    std::string JsonFile;   // empty: no JSON result
    std::string UndoFile;   // empty: no undo script
    // The recording split in two by hand: the before-capture saved to a
    // file, and the after-capture taken against such a file.
    std::string SaveBeforeFile;
    std::string AfterFile;
    // Two saved before sides to compare, the second as the after side of the
    // first, recording nothing; or none.
    std::vector<std::string> CompareFiles;
    // The folder to write the installer source to; empty: none.
    std::string PackageFolder;
    std::optional<int> TimeoutSeconds;
    bool NoWatch = false;
    bool Quiet = false;
    bool Help = false;
    std::string Program; // empty: record until Enter or the timeout
    std::vector<std::string> Arguments;
};

// Reads the arguments that follow "-record". False with a message that
// names the option at fault.
bool ParseRecordOptions(const std::vector<std::string>& arguments, TRecordOptions& options, std::string& error);

// What the file system says of a directory to scan.
enum class TDirectoryState { Directory, Missing, NotADirectory };

// A directory named to scan that is not there is a mistake on the command
// line, not something for the capture notes. False with a message that names
// the first such directory.
bool CheckScanDirectories(const TRecordOptions& options,
                          const std::function<TDirectoryState(const std::string& path)>& stateOf, std::string& error);

// The usage text of "-record", with the exit codes.
std::string RecordUsageText();

// The arguments as one command line that the platform's usual parsing splits
// back into the same arguments: quotes where an argument is empty or holds a
// blank or a quote, with the backslashes before a quote doubled.
std::string JoinCommandLine(const std::vector<std::string>& arguments);

} // namespace quill
