#include "snapshot/TreeScan.h"

#include "common/TextCompare.h"

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

bool StartsWithText(std::string_view text, std::string_view prefix) noexcept {
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
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
    std::string directory = NormaliseScanPath(path);
    if (directory.empty()) {
        return;
    }
    // Overlapping paths would record the same entries twice.
    for (const auto& scanned : FScanned) {
        const bool same = SameText(scanned.Path, directory);
        if ((same && (scanned.Recursive || !recursive)) ||
            (!same && scanned.Recursive && StartsWithText(directory, scanned.Path))) {
            FNotes.Add("Skipped, already scanned", directory + " (with " + scanned.Path + ")");
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
    for (const auto& text : FTarget.SortAppended()) {
        FNotes.Add("Skipped, the scan already holds this path", text);
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
        const TFsStatus status = FFileSystem.ListDirectory(directory, [&](const TDirEntry& entry) {
            const bool isDirectory = (entry.Attributes & kAttrDirectory) != 0;
            if ((isDirectory && IsDotName(entry.Name)) || (!isDirectory && (entry.Attributes & kAttrVolumeLabel))) {
                return;
            }
            auto record = std::make_unique<TFileScan>();
            record->Size = static_cast<std::int64_t>(entry.Size);
            record->Date = ScanDate(entry.LastWrite, FLocalTime);
            record->Attributes = entry.Attributes;
            std::string path = JoinPath(directory, entry.Name, isDirectory);
            if (isDirectory) {
                ++FDirectoryCount;
                // Junctions, symbolic links and mount points are recorded
                // but not entered: they lead back into the tree or out of it.
                if (recursive && (entry.Attributes & kAttrReparsePoint) == 0 && !Covered(path)) {
                    subdirectories.push_back(path);
                }
                FTarget.Append(std::move(path), std::move(record));
                if (OnDirectory && FDirectoryCount % 10 == 0) {
                    OnDirectory(FDirectoryCount);
                }
            } else {
                ++FFileCount;
                FTarget.Append(std::move(path), std::move(record));
                if (OnFile && FFileCount % 10 == 0) {
                    OnFile(FFileCount);
                }
            }
        });
        if (status != TFsStatus::Ok) {
            FNotes.Add("Could not list", directory + " (" + std::string(FsStatusText(status)) + ")");
        }
        for (auto it = subdirectories.rbegin(); it != subdirectories.rend(); ++it) {
            pending.push_back(std::move(*it));
        }
    }
}

bool ScanChanged(const TFileScan& before, const TFileScan& after) noexcept {
    return before.Size != after.Size || before.Date != after.Date || before.Attributes != after.Attributes ||
           (before.Hash != after.Hash && !before.Hash.empty() && !after.Hash.empty());
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
        auto before = filesBefore.Detach(i);
        auto after = filesAfter.Detach(j);
        if (!before || !after) {
            filesBefore[i].Record = std::move(before);
            filesAfter[j].Record = std::move(after);
            continue;
        }
        if (ScanChanged(*before, *after)) {
            modifiedBefore.Add(filesBefore.Text(i), std::move(before));
            modifiedAfter.Add(filesAfter.Text(j), std::move(after));
        }
    }
    return true;
}

} // namespace quill
