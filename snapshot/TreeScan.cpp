#include "snapshot/TreeScan.h"

#include "common/TextCompare.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace quill {
namespace {

constexpr std::uint64_t kTwoSeconds = 20000000;

bool IsTrimmed(char c) noexcept {
    return static_cast<unsigned char>(c) <= ' ' || c == '\x7f';
}

bool IsDotName(std::string_view name) noexcept {
    return name == "." || name == "..";
}

// Without its trailing backslash the last step of a path gets the platform's
// treatment of trailing dots and blanks. A drive root keeps it: "C:" alone
// names the drive's current directory.
std::string_view AsLastStep(std::string_view directory) noexcept {
    if (directory.size() > 1 && directory[directory.size() - 2] != ':') {
        directory.remove_suffix(1);
    }
    return directory;
}

std::string JoinPath(const std::string& directory, std::string_view name, bool asDirectory) {
    std::string path;
    path.reserve(directory.size() + name.size() + (asDirectory ? 1 : 0));
    path.append(directory).append(name);
    if (asDirectory) {
        path.push_back('\\');
    }
    return path;
}

} // namespace

TDateTime ScanDate(std::uint64_t utcFileTime, const ILocalTime& localTime) {
    // Time-zone offsets are whole minutes, so cutting before the conversion
    // gives the same 2-second step as cutting after it.
    TDateTime date = kUnknownDateTime;
    if (!localTime.FileTimeToLocal(utcFileTime - utcFileTime % kTwoSeconds, date)) {
        return kUnknownDateTime;
    }
    return date;
}

std::string NormaliseScanPath(std::string_view path) {
    while (!path.empty() && IsTrimmed(path.front())) {
        path.remove_prefix(1);
    }
    while (!path.empty() && IsTrimmed(path.back())) {
        path.remove_suffix(1);
    }
    if (path.empty()) {
        return {};
    }
    while (path.size() > 1 && path.back() == '\\') {
        path.remove_suffix(1);
    }
    std::string result(path);
    if (result.back() != '\\') {
        result.push_back('\\');
    }
    return result;
}

TFsResult FullScanPath(IFileSystem& fileSystem, std::string_view path, std::string& directory) {
    directory = NormaliseScanPath(path);
    if (directory.empty()) {
        return {};
    }
    std::string full;
    TFsResult result = fileSystem.FullPath(AsLastStep(directory), full);
    if (result.Ok()) {
        directory = NormaliseScanPath(full);
    }
    return result;
}

bool TakesIn(std::string_view covering, std::string_view directory) noexcept {
    return StartsWithText(directory, covering);
}

TTreeScanner::TTreeScanner(TFileList& target, IFileSystem& fileSystem, const ILocalTime& localTime,
                           TCaptureNotes& notes)
    : FTarget(target), FFileSystem(fileSystem), FLocalTime(localTime), FNotes(notes) {}

bool TTreeScanner::Covered(std::string_view directory) const {
    for (const auto& scanned : FScanned) {
        if (scanned.Recursive && SameText(scanned.Path, directory)) {
            return true;
        }
    }
    return false;
}

void TTreeScanner::Scan(std::string_view path, bool recursive) {
    std::string directory;
    const TFsResult result = FullScanPath(FFileSystem, path, directory);
    if (directory.empty()) {
        return;
    }
    if (!result.Ok()) {
        FNotes.Add("Could not list", directory + " (" + std::string(result.Reason()) + ")");
        return;
    }
    // Overlapping paths would record the same entries twice.
    for (const auto& scanned : FScanned) {
        if ((scanned.Recursive && TakesIn(scanned.Path, directory)) ||
            (!recursive && SameText(scanned.Path, directory))) {
            FNotes.Add(kAlreadyScanned, directory + " (with " + scanned.Path + ")");
            return;
        }
    }
    try {
        ScanDirectory(directory, recursive);
    } catch (...) {
        // What was recorded stays usable for lookups.
        SortTarget();
        throw;
    }
    SortTarget();
    FScanned.push_back(TScannedPath{std::move(directory), recursive});
}

void TTreeScanner::SortTarget() {
    std::vector<std::string> twice = FTarget.SortAppended();
    twice.insert(twice.end(), std::make_move_iterator(FTwice.begin()), std::make_move_iterator(FTwice.end()));
    FTwice.clear();
    std::stable_sort(twice.begin(), twice.end(), TTextLess());
    for (std::string& text : twice) {
        FNotes.Add("Skipped, the scan already holds this path", std::move(text));
    }
}

void TTreeScanner::Record(TListed& listed) {
    if (Matcher != nullptr && Matcher->Match(listed.Path, listed.Record, FTwice)) {
        return;
    }
    FTarget.AppendKept(FTarget.Keep(listed.Path), FTarget.NewRecord(listed.Record));
}

TScanMatcher::TScanMatcher(TFileList& before, TFileList& after, TFileList& modifiedBefore, TFileList& modifiedAfter)
    : FBefore(before), FAfter(after), FModifiedBefore(modifiedBefore), FModifiedAfter(modifiedAfter),
      FSeen(before.Count(), false) {}

bool TScanMatcher::Match(const std::string& path, const TFileScan& record, std::vector<std::string>& twice) {
    std::size_t index = 0;
    if (!FBefore.Find(path, index) || FBefore.Record(index) == nullptr) {
        return false;
    }
    if (FSeen[index]) {
        twice.push_back(path);
        return true;
    }
    FSeen[index] = true;
    if (ScanChanged(*FBefore.Record(index), record)) {
        FModified.Add(index, FAfter.Keep(path), FAfter.NewRecord(record));
    } else {
        FBefore.Detach(index);
    }
    return true;
}

void TScanMatcher::Finish() {
    FModified.MoveTo(FBefore, FModifiedBefore, FModifiedAfter, FAfter);
    KeepOnlyScanChanges(FBefore, FAfter, FModifiedBefore, FModifiedAfter);
}

void TTreeScanner::ListDirectory(const std::string& directory) {
    FListed.clear();
    const TFsResult result = FFileSystem.ListDirectory(directory, [&](const TDirEntry& entry) {
        const bool isDirectory = (entry.Attributes & kAttrDirectory) != 0;
        if ((isDirectory && IsDotName(entry.Name)) || (!isDirectory && (entry.Attributes & kAttrVolumeLabel))) {
            return;
        }
        TFileScan record;
        record.Size = static_cast<std::int64_t>(entry.Size);
        record.LastWrite = entry.LastWrite - entry.LastWrite % kTwoSeconds;
        record.Date = ScanDate(entry.LastWrite, FLocalTime);
        record.Attributes = entry.Attributes;
        FListed.push_back(TListed{JoinPath(directory, entry.Name, isDirectory), record, isDirectory, false});
    });
    if (!result.Ok()) {
        FNotes.Add("Could not list", directory + " (" + std::string(result.Reason()) + ")");
    }
}

bool TTreeScanner::MayHoldCaseTwins(std::size_t nameStart) {
    // Names equal but for case hash alike: sorting the hashes spares the
    // common directory, which holds no twins, a sort of its names.
    FHashes.clear();
    for (const auto& listed : FListed) {
        FHashes.push_back(TextHash(std::string_view(listed.Path).substr(nameStart)));
    }
    std::sort(FHashes.begin(), FHashes.end());
    return std::adjacent_find(FHashes.begin(), FHashes.end()) != FHashes.end();
}

void TTreeScanner::SkipCaseTwins(std::size_t nameStart) {
    if (FListed.size() < 2 || !MayHoldCaseTwins(nameStart)) {
        return;
    }
    const auto name = [&](std::size_t i) { return std::string_view(FListed[i].Path).substr(nameStart); };
    FOrder.resize(FListed.size());
    for (std::size_t i = 0; i < FOrder.size(); ++i) {
        FOrder[i] = i;
    }
    // Equal names follow each other, the ordinally first spelling first,
    // whatever order the listing gave them in.
    std::sort(FOrder.begin(), FOrder.end(), [&](std::size_t a, std::size_t b) {
        const int order = CompareText(name(a), name(b));
        return order != 0 ? order < 0 : name(a) < name(b);
    });
    std::size_t kept = FOrder[0];
    for (std::size_t i = 1; i < FOrder.size(); ++i) {
        const std::size_t twin = FOrder[i];
        if (!SameText(name(kept), name(twin))) {
            kept = twin;
            continue;
        }
        FNotes.Add("Skipped, name differs only in case", FListed[twin].Path + " (beside " + FListed[kept].Path + ")");
        FListed[twin].Skipped = true;
    }
}

void TTreeScanner::ScanDirectory(const std::string& root, bool recursive) {
    // Depth first, subdirectories in listing order, without recursion: paths
    // may nest thousands of levels deep.
    std::vector<std::string> pending{root};
    std::vector<std::string> subdirectories;
    while (!pending.empty()) {
        const std::string directory = std::move(pending.back());
        pending.pop_back();
        if (OnProcessMessages) {
            OnProcessMessages();
        }
        subdirectories.clear();
        ListDirectory(directory);
        SkipCaseTwins(directory.size());
        for (auto& listed : FListed) {
            if (listed.Skipped) {
                continue;
            }
            if (listed.IsDirectory) {
                ++FDirectoryCount;
                // Junctions, symbolic links and mount points are recorded
                // but not entered: they lead back into the tree or out of it.
                if (recursive && (listed.Record.Attributes & kAttrReparsePoint) == 0 && !Covered(listed.Path)) {
                    subdirectories.push_back(listed.Path);
                }
                Record(listed);
                if (OnDirectory && FDirectoryCount % 10 == 0) {
                    OnDirectory(FDirectoryCount);
                }
            } else {
                ++FFileCount;
                Record(listed);
                if (OnFile && FFileCount % 10 == 0) {
                    OnFile(FFileCount);
                }
            }
        }
        for (auto it = subdirectories.rbegin(); it != subdirectories.rend(); ++it) {
            pending.push_back(std::move(*it));
        }
    }
}

bool ScanChanged(const TFileScan& before, const TFileScan& after) noexcept {
    return before.Size != after.Size || before.LastWrite != after.LastWrite || before.Attributes != after.Attributes ||
           (before.Hash != after.Hash && !before.Hash.empty() && !after.Hash.empty());
}

// The changes kept in an arena of their own let both scans' blocks go before
// the registry is snapshotted again.
void KeepOnlyScanChanges(TFileList& filesBefore, TFileList& filesAfter, TFileList& modifiedBefore,
                         TFileList& modifiedAfter) {
    const auto results = std::make_shared<TArena>();
    const auto keep = [](const TFileScan& file, TArena& arena) {
        TFileScan copy = file;
        copy.Hash = arena.Keep(file.Hash);
        return copy;
    };
    for (TFileList* files : {&filesBefore, &filesAfter, &modifiedBefore, &modifiedAfter}) {
        files->MoveTo(results, keep);
    }
}

bool CompareScans(TFileList& filesBefore, TFileList& filesAfter, TFileList& modifiedBefore, TFileList& modifiedAfter) {
    // Both lists are sorted by the same comparison, so one walk through both
    // finds every pair that a lookup per entry would find.
    const std::size_t afterCount = filesAfter.Count();
    std::size_t j = 0;
    for (std::size_t i = 0; i < filesBefore.Count(); ++i) {
        int order = 1;
        while (j < afterCount && (order = CompareText(filesAfter.Text(j), filesBefore.Text(i))) < 0) {
            ++j;
        }
        if (j == afterCount) {
            break;
        }
        if (order != 0) {
            continue;
        }
        if (filesBefore.Record(i) == nullptr || filesAfter.Record(j) == nullptr) {
            continue;
        }
        if (ScanChanged(*filesBefore.Record(i), *filesAfter.Record(j))) {
            modifiedBefore.Take(filesBefore, i);
            modifiedAfter.Take(filesAfter, j);
        } else {
            filesBefore.Detach(i);
            filesAfter.Detach(j);
        }
    }
    KeepOnlyScanChanges(filesBefore, filesAfter, modifiedBefore, modifiedAfter);
    return true;
}

} // namespace quill
