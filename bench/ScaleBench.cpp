// Snapshots and comparisons of a registry and a file system held in memory, at
// a quarter, a half and the full size of a large machine: a million keys,
// three million values and half a million files, in the order of a
// recording. Prints the heap it takes beyond the test data (the most during
// the before-capture, the most during the whole recording, and what the
// results hold at its end) and the times, so that their growth can be set
// against n log n.

#include "bench/LiveHeap.h"
#include "common/tests/FixedOffsetTime.h"
#include "common/tests/MemoryRegistry.h"
#include "snapshot/EnumRegistry.h"
#include "snapshot/TreeScan.h"
#include "snapshot/tests/MemoryFileSystem.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace quill;

using TClock = std::chrono::steady_clock;

constexpr int kFullTop = 100;
constexpr int kMiddle = 100;
constexpr int kLeaves = 100;
constexpr int kFullFileTop = 200;
constexpr int kFileMiddle = 50;
constexpr int kFiles = 50;
constexpr std::uint64_t kTime = 133537680000000000;
constexpr std::uint64_t kLaterTime = kTime + 864000000000;

double Seconds(TClock::time_point since) {
    return std::chrono::duration<double>(TClock::now() - since).count();
}

double Mebibytes(long long bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

std::string Padded(int n, int width) {
    std::string digits = std::to_string(n);
    return std::string(static_cast<std::size_t>(width) - digits.size(), '0') + digits;
}

std::string KeyPath(int top, int middle, int leaf) {
    std::string path =
        "Software\\QuillborneScale\\Installer\\Product" + Padded(top, 3) + "\\Feature" + Padded(middle, 2);
    if (leaf >= 0) {
        path += "\\Component" + Padded(leaf, 2);
    }
    return path;
}

std::vector<std::uint8_t> Utf16(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    for (const char c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(0);
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

std::vector<std::uint8_t> Bytes(std::uint64_t number, std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(number >> (8 * (i % 8)));
    }
    return bytes;
}

// Three values per key, of every common type in turn.
void FillKey(TMemoryRegistry::TNode& key, int n) {
    key.LastWrite = kTime;
    key.Values.clear();
    key.Values.push_back({"Path", kRegSz, Utf16("C:\\Program Files\\Bench\\module" + std::to_string(n) + ".dll")});
    key.Values.push_back({"Flags", kRegDword, Bytes(static_cast<std::uint64_t>(n), 4)});
    switch (n % 4) {
    case 0:
        key.Values.push_back({"Data", kRegBinary, Bytes(static_cast<std::uint64_t>(n) * 977, 16)});
        break;
    case 1:
        key.Values.push_back({"Home", kRegExpandSz, Utf16("%ProgramFiles%\\Bench")});
        break;
    case 2:
        key.Values.push_back({"List", kRegMultiSz, Utf16("one")});
        break;
    default:
        key.Values.push_back({"Size", kRegQword, Bytes(static_cast<std::uint64_t>(n) << 32, 8)});
        break;
    }
}

void FillRegistry(TMemoryRegistry& registry, int tops) {
    int n = 0;
    for (int a = 0; a < tops; ++a) {
        for (int b = 0; b < kMiddle; ++b) {
            registry.Key(TRegRoot::CurrentUser, KeyPath(a, b, -1)).LastWrite = kTime;
            for (int c = 0; c < kLeaves; ++c) {
                FillKey(registry.Key(TRegRoot::CurrentUser, KeyPath(a, b, c)), n++);
            }
        }
    }
}

// About 1% of the keys: a value modified in half of them, a quarter deleted
// with their values, a quarter created with theirs.
void ChangeRegistry(TMemoryRegistry& registry, int tops) {
    const int changes = tops * kMiddle * kLeaves / 100;
    for (int i = 0; i < changes; ++i) {
        const int a = i % tops;
        const int b = (i / tops) % kMiddle;
        const std::string leaf = KeyPath(a, b, (i * 7) % kLeaves);
        switch (i % 4) {
        case 0:
        case 1: {
            TMemoryRegistry::TNode& key = registry.Key(TRegRoot::CurrentUser, leaf);
            key.Values[0].Data = Utf16("C:\\Program Files\\Bench\\changed.dll");
            key.LastWrite = kLaterTime;
            break;
        }
        case 2:
            registry.DeleteKey(TRegRoot::CurrentUser, leaf);
            break;
        default:
            FillKey(registry.Key(TRegRoot::CurrentUser, KeyPath(a, b, -1) + "\\New" + std::to_string(i)), i);
            break;
        }
    }
}

std::string FileDirectory(int top, int middle) {
    return "C:\\Users\\Bench\\AppData\\Local\\Vendor\\Product " + Padded(top, 3) + "\\Module " + Padded(middle, 2) +
           "\\";
}

void FillFiles(TMemoryFileSystem& files, int tops) {
    for (int a = 0; a < tops; ++a) {
        for (int b = 0; b < kFileMiddle; ++b) {
            const std::string directory = FileDirectory(a, b);
            for (int c = 0; c < kFiles; ++c) {
                files.AddFile(directory + "resource" + Padded(c, 2) + ".dat", "").Size =
                    static_cast<std::uint64_t>(1000 + a * b * c);
            }
        }
    }
}

// About 1% of the files: modified, and as many created.
void ChangeFiles(TMemoryFileSystem& files, int tops) {
    const int changes = tops * kFileMiddle * kFiles / 100;
    for (int i = 0; i < changes; ++i) {
        const std::string directory = FileDirectory(i % tops, (i / tops) % kFileMiddle);
        files.Find(directory + "resource" + Padded((i * 7) % kFiles, 2) + ".dat")->LastWrite = kLaterTime;
        files.AddFile(directory + "new" + std::to_string(i) + ".dat", "", kAttrArchive, kLaterTime);
    }
}

struct TTimes {
    double Snapshot = 0;
    // The second walk with its comparison.
    double SecondSnapshot = 0;
    double Scan = 0;
    double SecondScan = 0;
    double CompareScans = 0;
    double Free = 0;
};

struct TFigures {
    std::size_t Keys = 0;
    std::size_t Values = 0;
    std::size_t Files = 0;
    long long BeforePeak = 0;
    long long Peak = 0;
    long long Held = 0;
    TTimes Times;
};

struct TRegistrySide {
    TKeyList Keys = NewKeyList();
    TValueList Values = NewValueList();
};

// The lists of one recording, as the session holds them.
struct THeld {
    TRegistrySide Before;
    TRegistrySide After;
    TKeyList ModifiedKeysBefore;
    TKeyList ModifiedKeysAfter;
    TValueList ModifiedValuesBefore;
    TValueList ModifiedValuesAfter;
    TFileList FilesBefore{TListOrder::Sorted, TDuplicates::Refuse};
    TFileList FilesAfter{TListOrder::Sorted, TDuplicates::Refuse};
    TFileList ModifiedFilesBefore;
    TFileList ModifiedFilesAfter;
};

double Snapshot(TMemoryRegistry& registry, TRegistrySide& side, TCaptureNotes& notes) {
    const TFixedOffsetTime localTime(60);
    const auto start = TClock::now();
    SnapshotRoot({}, registry, TRegRoot::CurrentUser, localTime, side.Keys, side.Values, notes);
    return Seconds(start);
}

double Scan(TMemoryFileSystem& fileSystem, TFileList& files, TCaptureNotes& notes, TScanMatcher* matcher = nullptr) {
    const TFixedOffsetTime localTime(60);
    const auto start = TClock::now();
    TTreeScanner scanner(files, fileSystem, localTime, notes);
    scanner.Matcher = matcher;
    scanner.Scan("C:\\Users\\", true);
    return Seconds(start);
}

// One recording in the order the captures take their steps: the registry,
// then the files before; the files, compared, then the registry, compared,
// after. The heap figures leave out the test data and its changes.
TFigures Run(int tops, int fileTops) {
    TFigures figures;
    TCaptureNotes notes;
    TMemoryRegistry registry;
    FillRegistry(registry, tops);
    TMemoryFileSystem fileSystem;
    FillFiles(fileSystem, fileTops);
    auto held = std::make_unique<THeld>();
    const long long base = gLiveBytes;
    ResetHeapPeak();
    TTimes& t = figures.Times;
    t.Snapshot = Snapshot(registry, held->Before, notes);
    t.Scan = Scan(fileSystem, held->FilesBefore, notes);
    figures.Keys = held->Before.Keys.Count();
    figures.Values = held->Before.Values.Count();
    figures.Files = held->FilesBefore.Count();
    figures.BeforePeak = gPeakBytes - base;

    const long long unchanged = gLiveBytes;
    ChangeRegistry(registry, tops);
    ChangeFiles(fileSystem, fileTops);
    const long long changes = gLiveBytes - unchanged;
    ResetHeapPeak();

    // Without digests the after-scan is matched as it is listed, as the
    // after-capture does.
    TScanMatcher matcher(held->FilesBefore, held->FilesAfter, held->ModifiedFilesBefore, held->ModifiedFilesAfter);
    t.SecondScan = Scan(fileSystem, held->FilesAfter, notes, &matcher);
    auto start = TClock::now();
    matcher.Finish();
    t.CompareScans = Seconds(start);
    // The after side is matched with the before snapshot as it is walked, as
    // the after-capture does.
    start = TClock::now();
    const TFixedOffsetTime localTime(60);
    SnapshotAndCompareRoot({}, registry, TRegRoot::CurrentUser, localTime, held->Before.Keys, held->After.Keys,
                           held->Before.Values, held->After.Values, held->ModifiedKeysBefore, held->ModifiedKeysAfter,
                           held->ModifiedValuesBefore, held->ModifiedValuesAfter, notes);
    t.SecondSnapshot = Seconds(start);
    figures.Peak = std::max(figures.BeforePeak, gPeakBytes - base - changes);
    figures.Held = gLiveBytes - base - changes;

    start = TClock::now();
    held.reset();
    t.Free = Seconds(start);
    return figures;
}

} // namespace

int main() {
    std::printf("%8s %9s %9s %8s | %9s %9s %9s | %8s %8s %8s %8s %13s %8s\n", "keys", "values", "files", "", "before",
                "recording", "results", "snap", "scan", "scan2", "compare", "snap2+compare", "free");
    std::printf("%37s | %29s | %62s\n", "", "heap beyond the test data, MiB", "seconds");
    double firstPerItem = 0;
    for (const int parts : {1, 2, 4}) {
        const TFigures f = Run(kFullTop * parts / 4, kFullFileTop * parts / 4);
        const TTimes& t = f.Times;
        const double items = static_cast<double>(f.Keys + f.Values + f.Files);
        const double total = t.Snapshot + t.SecondSnapshot + t.Scan + t.SecondScan + t.CompareScans;
        const double perItem = total / (items * std::log2(items));
        if (firstPerItem == 0) {
            firstPerItem = perItem;
        }
        std::printf("%8zu %9zu %9zu %8s | %9.1f %9.1f %9.1f | %8.3f %8.3f %8.3f %8.3f %13.3f %8.3f\n", f.Keys, f.Values,
                    f.Files, "", Mebibytes(f.BeforePeak), Mebibytes(f.Peak), Mebibytes(f.Held), t.Snapshot, t.Scan,
                    t.SecondScan, t.CompareScans, t.SecondSnapshot, t.Free);
        std::printf("%37s   time / (n log n) against the quarter size: %.2f\n", "", perItem / firstPerItem);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident set of the process (test data included): %.0f MiB\n",
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}
