#include "store/SavedComparison.h"

#include "common/TextCompare.h"
#include "snapshot/TreeScan.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace quill {
namespace {

constexpr char kNotCompared[] = "Not compared";

void ForgetRoot(TSavedRoot& root) {
    root.Recorded = false;
    root.Keys = NewKeyList();
    root.Values = NewValueList();
}

void KeepCommonRoots(TSavedCapture& before, TSavedCapture& after, const std::string& beforeName,
                     const std::string& afterName) {
    for (const TRegRoot root : kAllRoots) {
        TSavedRoot& first = before.Roots[static_cast<std::size_t>(root)];
        TSavedRoot& second = after.Roots[static_cast<std::size_t>(root)];
        if (first.Recorded == second.Recorded) {
            continue;
        }
        after.Notes.Add(kNotCompared, std::string(RootName(root)) + " (recorded only in " +
                                          (first.Recorded ? beforeName : afterName) + ")");
        ForgetRoot(first);
        ForgetRoot(second);
    }
}

std::vector<std::string> ScanPaths(const std::vector<std::string>& paths) {
    std::vector<std::string> normalised;
    for (const std::string& path : paths) {
        if (std::string scanPath = NormaliseScanPath(path); !scanPath.empty()) {
            normalised.push_back(std::move(scanPath));
        }
    }
    return normalised;
}

bool Covered(const std::vector<std::string>& scanPaths, std::string_view path) {
    return std::any_of(scanPaths.begin(), scanPaths.end(),
                       [path](const std::string& scanned) { return TakesIn(scanned, path); });
}

// The file list keeps its order: what is left needs no sorting for the
// comparison's merge walk.
void KeepCovered(TFileList& files, const std::vector<std::string>& otherPaths) {
    TFileList kept = PrepareSortedList<TFileScan>(TDuplicates::Refuse);
    kept.Share(files);
    for (std::size_t i = 0; i < files.Count(); ++i) {
        if (Covered(otherPaths, files.Text(i).View())) {
            kept.AppendKept(files.Text(i), files.Detach(i));
        }
    }
    kept.SortAppended();
    files = std::move(kept);
}

// The directories of one capture that the other scanned only in part, or not
// at all, are noted; both keep only what the other scanned too.
void KeepCommonDirectories(TSavedCapture& before, TSavedCapture& after, const std::string& beforeName,
                           const std::string& afterName) {
    const std::vector<std::string> first = ScanPaths(before.Facts.Paths);
    const std::vector<std::string> second = ScanPaths(after.Facts.Paths);
    std::vector<std::string> compared;
    const auto sort = [&](const std::vector<std::string>& paths, const std::vector<std::string>& other,
                          const std::string& name) {
        for (const std::string& path : paths) {
            if (!Covered(other, path)) {
                after.Notes.Add(kNotCompared, "the files in " + path + " that only " + name + " scanned");
            } else if (std::none_of(compared.begin(), compared.end(),
                                    [&](const std::string& kept) { return SameText(kept, path); })) {
                compared.push_back(path);
            }
        }
    };
    sort(first, second, beforeName);
    sort(second, first, afterName);
    KeepCovered(before.Files, second);
    KeepCovered(after.Files, first);
    before.Facts.Paths = std::move(compared);
}

void ForgetDigests(TFileList& files) {
    for (std::size_t i = 0; i < files.Count(); ++i) {
        files.Record(i)->Hash = TText();
    }
}

void KeepCommonFiles(TSavedCapture& before, TSavedCapture& after, const std::string& beforeName,
                     const std::string& afterName) {
    if (before.FilesRecorded != after.FilesRecorded) {
        after.Notes.Add(kNotCompared,
                        "the file scan (recorded only in " + (before.FilesRecorded ? beforeName : afterName) + ")");
        for (TSavedCapture* capture : {&before, &after}) {
            capture->FilesRecorded = false;
            capture->Files = PrepareSortedList<TFileScan>(TDuplicates::Refuse);
            capture->Facts.Paths.clear();
        }
    }
    if (!before.FilesRecorded) {
        before.Facts.Paths.clear();
        before.Facts.HashKind = after.Facts.HashKind = kHashNone;
        return;
    }
    KeepCommonDirectories(before, after, beforeName, afterName);
    if (before.Facts.HashKind != after.Facts.HashKind) {
        after.Notes.Add(kNotCompared, "the file digests (" + beforeName + " has " +
                                          std::string(HashKindName(before.Facts.HashKind)) + ", " + afterName +
                                          " has " + std::string(HashKindName(after.Facts.HashKind)) +
                                          "; the files were compared without them)");
        ForgetDigests(before.Files);
        ForgetDigests(after.Files);
        before.Facts.HashKind = after.Facts.HashKind = kHashNone;
    }
}

// One list without the other would report every process as started or
// ended.
void KeepCommonProcesses(TSavedCapture& before, TSavedCapture& after, const std::string& beforeName,
                         const std::string& afterName) {
    if (before.Processes.Empty() == after.Processes.Empty()) {
        return;
    }
    after.Notes.Add(kNotCompared,
                    "the process list (recorded only in " + (after.Processes.Empty() ? beforeName : afterName) + ")");
    before.Processes = PrepareSortedList<TProcessRecord>(TDuplicates::Accept);
    after.Processes = PrepareSortedList<TProcessRecord>(TDuplicates::Accept);
}

void KeepCommonDrives(TSavedCapture& before, TSavedCapture& after, const std::string& beforeName,
                      const std::string& afterName) {
    for (std::size_t drive = 0; drive < before.DiskFree.size(); ++drive) {
        std::int64_t& first = before.DiskFree[drive];
        std::int64_t& second = after.DiskFree[drive];
        if ((first == 0) == (second == 0)) {
            continue;
        }
        after.Notes.Add(kNotCompared, "the free space of " + std::string(1, static_cast<char>('A' + drive)) +
                                          ":\\ (measured only in " + (first != 0 ? beforeName : afterName) + ")");
        first = second = 0;
    }
}

} // namespace

void KeepWhatBothRecorded(TSavedCapture& before, TSavedCapture& after, const std::string& beforeName,
                          const std::string& afterName) {
    KeepCommonRoots(before, after, beforeName, afterName);
    KeepCommonFiles(before, after, beforeName, afterName);
    KeepCommonProcesses(before, after, beforeName, afterName);
    KeepCommonDrives(before, after, beforeName, afterName);
}

} // namespace quill
