// Scans, hashes and compares a generated tree of about 50,000 files in 2,000
// directories and sets each figure beside its floor: a bare directory walk
// and a bare read-and-hash of every file.
#include "bench/LiveHeap.h"
#include "bench/BenchFiles.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/Win32LocalTime.h"
#include "common/win32/WinText.h"
#include "snapshot/Hashing.h"
#include "snapshot/TreeScan.h"
#include "snapshot/win32/Win32FileSystem.h"

#include <windows.h>
#include <bcrypt.h>
#include <malloc.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

namespace quill {
namespace {

constexpr int kTopDirectories = 40;
constexpr int kSubDirectories = 49; // below each top directory: 40 + 40 * 49 = 2,000
constexpr int kFilesPerDirectory = 25;

using TClock = std::chrono::steady_clock;

// Returns the bytes written.
unsigned long long Generate(const std::wstring& root) {
    std::vector<char> noise(64 * 1024);
    unsigned state = 12345;
    for (char& c : noise) {
        state = state * 1103515245 + 12345;
        c = static_cast<char>(state >> 16);
    }
    unsigned long long total = 0;
    unsigned fileNumber = 0;
    ::CreateDirectoryW(root.c_str(), nullptr);
    const auto fill = [&](const std::wstring& directory) {
        ::CreateDirectoryW(directory.c_str(), nullptr);
        for (int f = 0; f < kFilesPerDirectory; ++f, ++fileNumber) {
            // 0 to 20 KB, about 10 KB on average, and a few of 1 MiB and more.
            DWORD size = (fileNumber * 7919u) % 20480u;
            if (fileNumber % 1000 == 0) {
                size = 1536 * 1024;
            }
            const std::wstring path = directory + L"file" + std::to_wstring(f) + L".dat";
            const TUniqueFile file(
                ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
            DWORD left = size;
            DWORD offset = fileNumber % 4096;
            while (left != 0) {
                const DWORD piece = std::min<DWORD>(left, static_cast<DWORD>(noise.size()) - offset);
                DWORD written = 0;
                ::WriteFile(file.Get(), noise.data() + offset, piece, &written, nullptr);
                left -= piece;
                offset = 0;
            }
            total += size;
        }
    };
    for (int t = 0; t < kTopDirectories; ++t) {
        const std::wstring top = root + L"Top" + std::to_wstring(t) + L"\\";
        fill(top);
        for (int s = 0; s < kSubDirectories; ++s) {
            fill(top + L"Sub" + std::to_wstring(s) + L"\\");
        }
    }
    return total;
}

struct TScanRun {
    TFileList Files{TListOrder::Sorted, TDuplicates::Refuse};
    double Seconds = 0;
    long long HeapBytes = 0;
};

TScanRun Scan(const std::string& root) {
    TWin32FileSystem fileSystem;
    TWin32LocalTime localTime;
    TCaptureNotes notes;
    TScanRun run;
    const long long heapBefore = gLiveBytes;
    const auto start = TClock::now();
    {
        TTreeScanner scanner(run.Files, fileSystem, localTime, notes);
        scanner.Scan(root, true);
    }
    run.Seconds = Seconds(start);
    run.HeapBytes = gLiveBytes - heapBefore;
    return run;
}

double HashAll(TFileList& files, THashKind kind) {
    TWin32FileSystem fileSystem;
    TCaptureNotes notes;
    THashing hashing(kind, files, fileSystem, notes);
    const auto start = TClock::now();
    hashing.HashAll();
    const double seconds = Seconds(start);
    if (!notes.Empty()) {
        std::printf("  hashing notes: %zu, first: %s\n", notes.Lines().size(), notes.Lines().front().c_str());
    }
    return seconds;
}

double PeakMegabytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

// QUILL_BENCH_KEEP=1 keeps the tree between runs and stops after the scan.
int Run() {
    const std::wstring root = BenchFolder(L"QuillborneFileScanBench");
    const std::string rootText = Narrow(root);
    if (!std::getenv("QUILL_BENCH_KEEP")) {
        RemoveTree(root);
    }
    std::printf("Generating the tree in %s ...\n", rootText.c_str());
    auto start = TClock::now();
    const unsigned long long bytes =
        std::getenv("QUILL_BENCH_KEEP") && ::GetFileAttributesW(root.c_str()) != INVALID_FILE_ATTRIBUTES
            ? 590000000ull
            : Generate(root);
    std::printf("  %d directories, %d files, %.0f MB, generated in %.1f s\n", kTopDirectories * (1 + kSubDirectories),
                kTopDirectories * (1 + kSubDirectories) * kFilesPerDirectory, static_cast<double>(bytes) / 1e6,
                Seconds(start));

    // Walk floor and scan: best of three each, after one walk to warm the
    // caches.
    std::vector<std::wstring> files;
    long long entries = 0;
    BareWalk(root, &files, entries);
    // Alternated, best of five each: the machine is shared.
    double walk = 1e9;
    double scan = 1e9;
    TScanRun before;
    TScanRun after;
    for (int i = 0; i < 5; ++i) {
        long long counted = 0;
        start = TClock::now();
        BareWalk(root, nullptr, counted);
        walk = std::min(walk, Seconds(start));
        TScanRun run = Scan(rootText);
        scan = std::min(scan, run.Seconds);
        if (i == 0) {
            before = std::move(run);
        } else if (i == 1) {
            after = std::move(run);
        }
    }
    {
        TWin32LocalTime localTime;
        TDateTime sink = 0;
        start = TClock::now();
        for (std::uint64_t i = 0; i < before.Files.Count(); ++i) {
            TDateTime d = 0;
            localTime.FileTimeToLocal(133537680000000000 + i * 20000000, d);
            sink += d;
        }
        std::printf("  parts of a scan: local-time conversion of every date %.1f ms%s\n", Seconds(start) * 1000,
                    sink > 0 ? "" : " (failed)");
        start = TClock::now();
        TFileList copy(TListOrder::Sorted, TDuplicates::Refuse);
        for (const auto& item : before.Files) {
            copy.Append(item.Text, nullptr);
        }
        std::reverse(&copy[0], &copy[0] + copy.Count());
        const auto mid = TClock::now();
        copy.SortAppended();
        std::printf("  parts of a scan: sorting the list %.1f ms\n",
                    std::chrono::duration<double>(TClock::now() - mid).count() * 1000);
    }
    std::size_t pathBytes = 0;
    for (const auto& item : before.Files) {
        pathBytes += item.Text.size() + 1;
    }
    const double recordCount = static_cast<double>(before.Files.Count());
    std::printf("\nScan of %zu entries (bare walk saw %lld)\n", before.Files.Count(), entries);
    std::printf("  bare FindFirstFileExW walk   %8.1f ms\n", walk * 1000);
    std::printf("  TTreeScanner::Scan           %8.1f ms   ratio %.2f (target <= 1.2)\n", scan * 1000, scan / walk);
    std::printf("  heap per record              %8.1f bytes, of which path text %.1f; beyond the path %.1f bytes "
                "(target < 80)\n",
                before.HeapBytes / recordCount, pathBytes / recordCount,
                (static_cast<double>(before.HeapBytes) - static_cast<double>(pathBytes)) / recordCount);

    if (std::getenv("QUILL_BENCH_KEEP")) {
        return 0;
    }
    // Hashing: one bare pass first, to have the content in the cache.
    BareHash(files, BCRYPT_MD5_ALGORITHM);
    const double bareMD5 = BareHash(files, BCRYPT_MD5_ALGORITHM);
    const double md5 = HashAll(before.Files, kHashMD5);
    const double bareSHA1 = BareHash(files, BCRYPT_SHA1_ALGORITHM);
    const double sha1 = HashAll(after.Files, kHashSHA1);
    std::printf("\nHashing %zu files, %.0f MB\n", files.size(), static_cast<double>(bytes) / 1e6);
    std::printf("  bare CNG MD5, 1 MiB reads    %8.1f ms\n", bareMD5 * 1000);
    std::printf("  THashing::HashAll MD5        %8.1f ms   ratio %.2f (target <= 1.1)\n", md5 * 1000, md5 / bareMD5);
    std::printf("  bare CNG SHA-1, 1 MiB reads  %8.1f ms\n", bareSHA1 * 1000);
    std::printf("  THashing::HashAll SHA-1      %8.1f ms   ratio %.2f (target <= 1.1)\n", sha1 * 1000, sha1 / bareSHA1);

    // Both scans hashed alike, so that the comparison sees equal digests.
    HashAll(before.Files, kHashSHA1);
    TFileList modifiedBefore;
    TFileList modifiedAfter;
    const std::size_t compared = before.Files.Count();
    start = TClock::now();
    CompareScans(before.Files, after.Files, modifiedBefore, modifiedAfter);
    const double compare = Seconds(start);
    std::printf("\nCompareScans of %zu against %zu entries: %.1f ms (target < 100), %zu modified\n", compared,
                after.Files.Count(), compare * 1000, modifiedBefore.Count());

    std::printf("\nPeak working set %.0f MB\n", PeakMegabytes());
    if (!std::getenv("QUILL_BENCH_KEEP")) {
        std::printf("Removing the tree ...\n");
        RemoveTree(root);
    }
    return 0;
}

} // namespace
} // namespace quill

int main() {
    return quill::Run();
}
