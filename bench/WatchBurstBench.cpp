// A burst of 20,000 files created, written and deleted as fast as one thread
// can in a watched tree of 200 directories: what the watcher journals, what
// it counts as lost, its thread's processor time and the journal's memory.
#include "bench/LiveHeap.h"
#include "bench/BenchFiles.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/Win32LocalTime.h"
#include "common/win32/WinText.h"
#include "monitor/ChangeRecords.h"
#include "monitor/win32/FSWatch.h"

#include <windows.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace quill {
namespace {

constexpr int kTopDirectories = 10;
constexpr int kSubDirectories = 19; // below each top directory: 10 + 10 * 19 = 200
constexpr int kFiles = 20000;
// File names, directory names, size and last write: what a capture watches
// by default.
constexpr std::uint32_t kFilter = 0x001 | 0x002 | 0x008 | 0x010;

using TClock = std::chrono::steady_clock;

class TConsoleBoxes : public IMessageBoxes {
public:
    TMessageAnswer Show(TMessageKind, const std::string& text, TMessageButtons) override {
        std::printf("message: %s\n", text.c_str());
        return TMessageAnswer::Ok;
    }
};

// The last few events, where the one awaited turns up once the watcher has
// caught up.
bool TailHolds(const TFileWatchEvents& events, std::uint32_t action, const std::string& path) {
    const std::size_t from = events.Count() > 64 ? events.Count() - 64 : 0;
    for (std::size_t i = from; i < events.Count(); ++i) {
        if (events.Record(i)->Action == action && events.Text(i) == path) {
            return true;
        }
    }
    return false;
}

int Run() {
    const std::wstring root = BenchFolder(L"QuillborneWatchBench");
    RemoveTree(root);
    ::CreateDirectoryW(root.c_str(), nullptr);
    const std::string rootText = Narrow(root);
    std::printf("Burst in %s\n", rootText.c_str());

    std::vector<std::wstring> directories;
    for (int t = 0; t < kTopDirectories; ++t) {
        const std::wstring top = root + L"Top" + std::to_wstring(t) + L"\\";
        directories.push_back(top);
        for (int s = 0; s < kSubDirectories; ++s) {
            directories.push_back(top + L"Sub" + std::to_wstring(s) + L"\\");
        }
    }
    std::vector<std::wstring> files;
    files.reserve(kFiles);
    for (int f = 0; f < kFiles; ++f) {
        files.push_back(directories[static_cast<std::size_t>(f) % directories.size()] + L"f" + std::to_wstring(f) +
                        L".dat");
    }
    const std::string lastFile = Narrow(files.back());

    TWin32LocalTime clock;
    TConsoleBoxes boxes;
    TFileWatchJournal journal(clock);
    TfrmFSWatch watch(nullptr, true, rootText, kFilter, journal, boxes);
    watch.StartWatch();
    if (!watch.Watching()) {
        return 1;
    }
    const long long heapBefore = gLiveBytes;

    // Made while watching: Wine watches only the subdirectories it sees made.
    for (const std::wstring& directory : directories) {
        ::CreateDirectoryW(directory.c_str(), nullptr);
    }
    const std::string lastDirectory = Narrow(directories.back().substr(0, directories.back().size() - 1));
    journal.WaitUntil([&](const TFileWatchEvents& events) { return TailHolds(events, 1, lastDirectory); },
                      std::chrono::seconds(30));

    std::array<char, 100> content{};
    const auto burstStart = TClock::now();
    for (const std::wstring& path : files) {
        {
            const TUniqueFile file(
                ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
            DWORD written = 0;
            ::WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        }
        ::DeleteFileW(path.c_str());
    }
    const double burst = Seconds(burstStart);
    const bool caughtUp = journal.WaitUntil(
        [&](const TFileWatchEvents& events) { return TailHolds(events, 2, lastFile); }, std::chrono::seconds(120));
    const double settled = Seconds(burstStart);
    watch.StopWatch();
    const long long heapAfter = gLiveBytes;

    const TFileWatchEvents& events = journal.FileWatchEvents();
    std::array<std::size_t, 6> byAction{};
    long long pathBytes = 0;
    std::size_t added = 0;
    std::size_t removed = 0;
    for (const auto& item : events) {
        const std::uint32_t action = item.Record->Action;
        byAction[action < byAction.size() ? action : 0]++;
        // The list's arena holds each path after a length of one byte, or of
        // four from 128 bytes on.
        pathBytes += static_cast<long long>(item.Text.size() + (item.Text.size() < 128 ? 1 : 4));
        if (item.Text.ends_with(".dat")) {
            added += action == 1 ? 1 : 0;
            removed += action == 2 ? 1 : 0;
        }
    }
    std::size_t overflows = 0;
    for (const auto& kind : journal.Notes().Kinds()) {
        if (kind.Kind == kEventsLost) {
            overflows = kind.Count;
        }
    }
    const double cpu = static_cast<double>(watch.WorkerCpuTime()) / 1e7;
    const double count = static_cast<double>(events.Count());

    std::printf("\n%d files created, written and deleted in %zu directories in %.2f s (%.0f files/s)\n", kFiles,
                directories.size(), burst, kFiles / burst);
    std::printf("  watcher %s %.2f s after the burst began\n", caughtUp ? "caught up" : "had NOT caught up", settled);
    std::printf("  events journalled            %10zu (added %zu, removed %zu, modified %zu, renamed %zu, lost %zu)\n",
                events.Count(), byAction[1], byAction[2], byAction[3], byAction[4] + byAction[5], byAction[0]);
    std::printf("  overflows counted in notes   %10zu\n", overflows);
    std::printf("  files seen added / removed   %10zu / %zu of %d\n", added, removed, kFiles);
    std::printf("  lost without being counted   %10s\n",
                overflows == 0 ? std::to_string((kFiles - added) + (kFiles - removed)).c_str()
                               : "unknown (overflows were counted)");
    std::printf("  watcher thread CPU           %10.3f s = %.1f%% of the burst's wall time (target < 10%%)\n", cpu,
                100 * cpu / burst);
    std::printf("  heap per event               %10.1f bytes, of which path text %.1f; beyond the path %.1f bytes "
                "(target < 150)\n",
                static_cast<double>(heapAfter - heapBefore) / count, static_cast<double>(pathBytes) / count,
                static_cast<double>(heapAfter - heapBefore - pathBytes) / count);
    for (const std::string& line : journal.Notes().Lines()) {
        std::printf("  note: %s\n", line.c_str());
    }
    RemoveTree(root);
    return 0;
}

} // namespace
} // namespace quill

int wmain() {
    return quill::Run();
}
