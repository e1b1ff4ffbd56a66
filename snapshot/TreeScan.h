#pragma once

#include "common/CaptureNotes.h"
#include "common/DateTime.h"
#include "common/LocalTime.h"
#include "common/Progress.h"
#include "common/RecordList.h"
#include "snapshot/FileSystem.h"
#include "snapshot/MatchedPairs.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// One directory or file of a scan. A directory's path in the list ends with a
// backslash; a file's does not. Lives in the arena of its scan's list, with
// its texts.
struct TFileScan {
    std::int64_t Size = 0; // as listed; directories normally 0
    TText Hash;            // upper-case hexadecimal digest; "" when not hashed
    TDateTime Date = 0;    // last write, local time, 2-second resolution
    // Last write as FILETIME ticks in UTC, 2-second resolution: what the
    // comparison looks at, so that a change of daylight-saving time between
    // two scans changes no file.
    std::uint64_t LastWrite = 0;
    std::uint32_t Attributes = 0;
    std::uint8_t Included = 1;
};

// Sorted by full path, case-insensitive, refusing duplicates.
using TFileList = TRecordList<TFileScan>;

// The last-write time as a scan records it: in local time, cut to the
// 2-second resolution of packed file dates; kUnknownDateTime when the time
// cannot be converted.
TDateTime ScanDate(std::uint64_t utcFileTime, const ILocalTime& localTime);

// Matches the entries of an after-scan with the before-scan as soon as they
// are listed, as CompareScans matches two whole scans: an entry found
// unchanged leaves the before list at once and is never recorded, so that
// only one scan and the changes are held. Entries are compared as listed,
// without digests.
class TScanMatcher {
public:
    TScanMatcher(TFileList& before, TFileList& after, TFileList& modifiedBefore, TFileList& modifiedAfter);

    // Whether the entry was found in the before-scan, and so is not to be
    // recorded as created. An entry listed again goes to twice.
    bool Match(const std::string& path, const TFileScan& record, std::vector<std::string>& twice);
    // After the last scan: leaves the four lists as CompareScans does.
    void Finish();

private:
    TFileList& FBefore;
    TFileList& FAfter;
    TFileList& FModifiedBefore;
    TFileList& FModifiedAfter;
    std::vector<bool> FSeen;
    TMatchedPairs<TFileScan> FModified;
};

// Records every directory and file below the scanned paths into one sorted
// file list, records and paths in the list's arena. The list is filled in
// bulk and sorted at the end of each Scan, so it is ready for lookups between
// scans.
class TTreeScanner {
public:
    TTreeScanner(TFileList& target, IFileSystem& fileSystem, const ILocalTime& localTime, TCaptureNotes& notes);

    TShowCount OnDirectory; // every 10 directories, with the count
    TShowCount OnFile;      // every 10 files, with the count
    // Lets the window process pending messages, at the start of every
    // directory.
    std::function<void()> OnProcessMessages;
    // When set, what it matches is not recorded in the target list.
    TScanMatcher* Matcher = nullptr;

    // Trims the path, brings it to the file system's full form ending with
    // exactly one backslash and records everything below it; the directory
    // itself gets no record. Of names in one directory that differ only in
    // case (case-sensitive directories), the ordinally first is recorded and
    // the others are skipped with their contents.
    void Scan(std::string_view path, bool recursive);

    std::int32_t DirectoryCount() const noexcept { return FDirectoryCount; }
    std::int32_t FileCount() const noexcept { return FFileCount; }

private:
    struct TScannedPath {
        std::string Path;
        bool Recursive;
    };

    // An entry of the directory being listed.
    struct TListed {
        std::string Path;
        TFileScan Record;
        bool IsDirectory;
        bool Skipped;
    };

    void ScanDirectory(const std::string& directory, bool recursive);
    void ListDirectory(const std::string& directory);
    bool MayHoldCaseTwins(std::size_t nameStart);
    void SkipCaseTwins(std::size_t nameStart);
    bool Covered(std::string_view directory) const;
    void SortTarget();
    void Record(TListed& listed);

    TFileList& FTarget;
    IFileSystem& FFileSystem;
    const ILocalTime& FLocalTime;
    TCaptureNotes& FNotes;
    std::int32_t FDirectoryCount = 0;
    std::int32_t FFileCount = 0;
    std::vector<TScannedPath> FScanned;
    // Reused from directory to directory.
    std::vector<TListed> FListed;
    std::vector<std::uint64_t> FHashes;
    std::vector<std::size_t> FOrder;
    // Paths the matcher met a second time in this scan.
    std::vector<std::string> FTwice;
};

// Normalises a scan path: blanks and control characters trimmed, ending in
// exactly one backslash (a drive root such as C:\ stays as it is). "" when
// nothing is left.
std::string NormaliseScanPath(std::string_view path);

// The form in which a path is scanned and watched: normalised as above, then
// brought to the file system's full form. directory is "" when nothing is
// left of the path, and the normalised path when the full form fails.
TFsResult FullScanPath(IFileSystem& fileSystem, std::string_view path, std::string& directory);

// Whether a scan or watch of covering with its subtree takes in directory
// (the same directory or one below it); both in the form above.
bool TakesIn(std::string_view covering, std::string_view directory) noexcept;

// The note of a path that an earlier one of the list takes in.
inline constexpr std::string_view kAlreadyScanned = "Skipped, already scanned";

// Matches the before-scan against the after-scan. Records of entries found on
// both sides are taken out of the scan lists; changed pairs move to the two
// result lists at the same index (which then share the scans' arenas),
// unchanged ones are released. What still
// holds its record afterwards was deleted (before) or created (after).
bool CompareScans(TFileList& filesBefore, TFileList& filesAfter, TFileList& modifiedBefore, TFileList& modifiedAfter);

// Moves what the four lists of a matched scan still hold, the changes, into an
// arena of their own, letting both scans' blocks go.
void KeepOnlyScanChanges(TFileList& filesBefore, TFileList& filesAfter, TFileList& modifiedBefore,
                         TFileList& modifiedAfter);

// The four tests of a changed entry: size, last-write time (in UTC),
// attributes, and digests when both sides have one.
bool ScanChanged(const TFileScan& before, const TFileScan& after) noexcept;

} // namespace quill
