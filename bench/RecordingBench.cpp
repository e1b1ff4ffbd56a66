// A whole recording of the synthetic data the registry and file benchmarks
// build: the before-capture, then about 1% of keys, values and files changed,
// then the after-capture with its comparisons. The whole HKEY_CURRENT_USER
// root is captured with the bench keys inside it, as a user's recording
// would, so key paths have their real length. Each capture is set beside the
// sum of the floors of its parts: a bare registry walk of the root, a bare
// directory walk and a bare read-and-hash of every file. The registry and the
// files are captured side by side, so a capture should take little more than
// its slowest part.
#include "bench/BenchFiles.h"
#include "bench/LiveHeap.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/Win32DriveInfo.h"
#include "common/win32/Win32LocalTime.h"
#include "common/win32/Win32ProcessSnapshot.h"
#include "common/win32/Win32Registry.h"
#include "common/win32/WinText.h"
#include "filter/win32/RegWarning.h"
#include "monitor/win32/SHChangeNotify.h"
#include "recording/RecordingSession.h"
#include "recording/win32/CaptureServices.h"
#include "snapshot/win32/Win32FileSystem.h"

#include <windows.h>
#include <bcrypt.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace quill {
namespace {

using TClock = std::chrono::steady_clock;

constexpr wchar_t kBenchKey[] = L"Software\\QuillborneBench";
constexpr char kSettingsKey[] = "\\Software\\QuillborneBenchSettings";
constexpr int kTop = 100;
constexpr int kMiddle = 10;
constexpr int kLeaves = 99;
constexpr int kTopDirectories = 40;
constexpr int kSubDirectories = 49;
constexpr int kFilesPerDirectory = 25;
constexpr int kRounds = 3;

// ---- The registry data: 100,101 keys with three values each.

void FillKey(HKEY key, int n) {
    SetString(key, L"Path", REG_SZ, L"C:\\Program Files\\Bench\\module" + std::to_wstring(n) + L".dll");
    const DWORD flags = static_cast<DWORD>(n);
    ::RegSetValueExW(key, L"Flags", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&flags), sizeof flags);
    if (n % 2 == 0) {
        BYTE bytes[16];
        for (int i = 0; i < 16; ++i) {
            bytes[i] = static_cast<BYTE>(n + i);
        }
        ::RegSetValueExW(key, L"Data", 0, REG_BINARY, bytes, sizeof bytes);
    } else {
        SetString(key, L"Home", REG_EXPAND_SZ, L"%ProgramFiles%\\Bench");
    }
}

std::wstring Name(wchar_t letter, int n, int width) {
    std::wstring digits = std::to_wstring(n);
    return letter + std::wstring(static_cast<std::size_t>(width) - digits.size(), L'0') + digits;
}

void GenerateKeys() {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kBenchKey);
    const TUniqueKey root(Create(HKEY_CURRENT_USER, kBenchKey));
    int n = 0;
    for (int a = 0; a < kTop; ++a) {
        const TUniqueKey top(Create(root.Get(), Name(L'a', a, 2)));
        for (int b = 0; b < kMiddle; ++b) {
            const TUniqueKey middle(Create(top.Get(), Name(L'b', b, 1)));
            FillKey(middle.Get(), n++);
            for (int c = 0; c < kLeaves; ++c) {
                const TUniqueKey leaf(Create(middle.Get(), Name(L'c', c, 2)));
                FillKey(leaf.Get(), n++);
            }
        }
    }
}

// A value modified in 1000 keys, 500 keys deleted and 500 created; each
// round changes keys of its own.
void ChangeKeys(int round) {
    const TUniqueKey root(Create(HKEY_CURRENT_USER, kBenchKey));
    for (int i = 0; i < 1000; ++i) {
        const std::wstring path = Name(L'a', i % kTop, 2) + L"\\" + Name(L'b', (i / kTop) % kMiddle, 1) + L"\\" +
                                  Name(L'c', (i * 7) % kLeaves, 2);
        const TUniqueKey key(Create(root.Get(), path));
        SetString(key.Get(), L"Path", REG_SZ, L"C:\\Program Files\\Bench\\changed" + std::to_wstring(round) + L".dll");
    }
    for (int i = 0; i < 500; ++i) {
        const std::wstring parent = Name(L'a', i % kTop, 2) + L"\\" + Name(L'b', (i / kTop) % kMiddle, 1);
        const int leaf = 98 - (i / 50) % 5 - 5 * round;
        ::RegDeleteTreeW(root.Get(), (parent + L"\\" + Name(L'c', leaf, 2)).c_str());
        const TUniqueKey created(
            Create(root.Get(), parent + L"\\new" + std::to_wstring(round) + L"_" + std::to_wstring(i)));
        FillKey(created.Get(), i);
    }
}

// The least a walk of a root can do: one information query per key, one
// call per subkey name, one RegEnumValueW with its data per value.
void FloorWalk(HKEY key, std::size_t& keys, std::vector<BYTE>& data, std::wstring& name) {
    DWORD subKeys = 0;
    DWORD maxSubKey = 0;
    DWORD values = 0;
    DWORD maxValueName = 0;
    DWORD maxData = 0;
    FILETIME lastWrite{};
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values, &maxValueName,
                           &maxData, nullptr, &lastWrite) != ERROR_SUCCESS) {
        return;
    }
    ++keys;
    name.resize(std::max<std::size_t>(name.size(), std::max(maxSubKey, maxValueName) + 1));
    data.resize(std::max<std::size_t>(data.size(), maxData));
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        ::RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size);
    }
    std::vector<std::wstring> names;
    for (DWORD i = 0; i < subKeys; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        if (::RegEnumKeyExW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
            names.emplace_back(name.data(), length);
        }
    }
    for (const std::wstring& sub : names) {
        TUniqueKey child;
        if (::RegOpenKeyExW(key, sub.c_str(), 0, KEY_READ, child.Put()) == ERROR_SUCCESS) {
            FloorWalk(child.Get(), keys, data, name);
        }
    }
}

// ---- The file data: 50,000 files in 2,000 directories.

void WriteNoise(const std::wstring& path, DWORD size, DWORD offset, const std::vector<char>& noise) {
    const TUniqueFile file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD left = size;
    while (left != 0) {
        const DWORD piece = std::min<DWORD>(left, static_cast<DWORD>(noise.size()) - offset);
        DWORD written = 0;
        ::WriteFile(file.Get(), noise.data() + offset, piece, &written, nullptr);
        left -= piece;
        offset = 0;
    }
}

std::vector<char> Noise() {
    std::vector<char> noise(64 * 1024);
    unsigned state = 12345;
    for (char& c : noise) {
        state = state * 1103515245 + 12345;
        c = static_cast<char>(state >> 16);
    }
    return noise;
}

std::vector<std::wstring> Directories(const std::wstring& root) {
    std::vector<std::wstring> directories;
    for (int t = 0; t < kTopDirectories; ++t) {
        const std::wstring top = root + L"Top" + std::to_wstring(t) + L"\\";
        directories.push_back(top);
        for (int s = 0; s < kSubDirectories; ++s) {
            directories.push_back(top + L"Sub" + std::to_wstring(s) + L"\\");
        }
    }
    return directories;
}

void GenerateFiles(const std::wstring& root) {
    const std::vector<char> noise = Noise();
    ::CreateDirectoryW(root.c_str(), nullptr);
    unsigned fileNumber = 0;
    for (const std::wstring& directory : Directories(root)) {
        ::CreateDirectoryW(directory.c_str(), nullptr);
        for (int f = 0; f < kFilesPerDirectory; ++f, ++fileNumber) {
            // 0 to 20 KB, about 10 KB on average, and a few of 1.5 MiB.
            const DWORD size = fileNumber % 1000 == 0 ? 1536 * 1024 : (fileNumber * 7919u) % 20480u;
            WriteNoise(directory + L"file" + std::to_wstring(f) + L".dat", size, fileNumber % 4096, noise);
        }
    }
}

// 1% of the files: 250 rewritten, 125 deleted, 125 created; each round
// changes files of its own.
void ChangeFiles(const std::wstring& root, int round) {
    const std::vector<char> noise = Noise();
    const std::vector<std::wstring> directories = Directories(root);
    for (int i = 0; i < 250; ++i) {
        WriteNoise(directories[static_cast<std::size_t>(i * 8 + round)] + L"file3.dat",
                   4096 + static_cast<DWORD>(round), 7, noise);
    }
    for (int i = 0; i < 125; ++i) {
        const std::wstring& directory = directories[static_cast<std::size_t>(i * 16 + 1)];
        ::DeleteFileW((directory + L"file" + std::to_wstring(5 + round) + L".dat").c_str());
        WriteNoise(directory + L"new" + std::to_wstring(round) + L".dat", 2048, 11, noise);
    }
}

struct TFloors {
    double Registry = 0;
    double Walk = 0;
    double Hash = 0;
    std::size_t Keys = 0;
    std::size_t Files = 0;
    double Sum() const { return Registry + Walk + Hash; }
};

TFloors MeasureFloors(const std::wstring& root) {
    TFloors floors;
    auto start = TClock::now();
    {
        std::vector<BYTE> data;
        std::wstring name;
        FloorWalk(HKEY_CURRENT_USER, floors.Keys, data, name);
    }
    floors.Registry = Seconds(start);
    std::vector<std::wstring> files;
    long long entries = 0;
    start = TClock::now();
    BareWalk(root, &files, entries);
    floors.Walk = Seconds(start);
    floors.Hash = BareHash(files, BCRYPT_SHA1_ALGORITHM);
    floors.Files = files.size();
    return floors;
}

// The lesser of two measurements of each floor: a stall of the shared
// machine should not make the captures look better than they are.
TFloors Least(const TFloors& a, const TFloors& b) {
    TFloors least = a;
    least.Registry = std::min(a.Registry, b.Registry);
    least.Walk = std::min(a.Walk, b.Walk);
    least.Hash = std::min(a.Hash, b.Hash);
    return least;
}

double PeakMegabytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PeakPagefileUsage) / (1024.0 * 1024.0);
}

double LiveMegabytes() {
    return static_cast<double>(gLiveBytes.load()) / (1024.0 * 1024.0);
}

void Settle(const char* why) {
    // The wineserver writes a changed registry to disk every 30 s and stalls
    // registry calls meanwhile: let that happen before measuring.
    std::printf("waiting 35 s for the registry to be saved (%s)...\n", why);
    std::fflush(stdout);
    ::Sleep(35000);
}

void Report(const char* capture, double seconds, const TFloors& floors) {
    std::printf("%s: %.2f s; floors: registry walk %.2f s + directory walk %.2f s + SHA-1 of every file %.2f s = "
                "%.2f s; ratio %.3f (target <= 0.7: the sources run side by side)\n",
                capture, seconds, floors.Registry, floors.Walk, floors.Hash, floors.Sum(), seconds / floors.Sum());
}

// A display that keeps the thread's messages moving, shows nothing, and
// times the phases of a capture by the captions it is given.
class TQuietDisplay : public ICaptureDisplay {
public:
    void ShowCaption(bool) override {}
    void SetCaption(const std::string& text) override {
        // The counts change; the kind of work does not.
        const std::string phase = text.substr(std::min(text.find_first_not_of("0123456789 "), text.size()));
        if (FPhases.empty() || FPhases.back().first != phase) {
            FPhases.emplace_back(phase, Seconds(FStart));
        }
    }
    void ShowBar(bool) override {}
    void SetBar(int, int, int, int) override {}
    void RewindBar() override {}
    void StepBar() override {}
    void ShowAnimation(bool) override {}
    void RunAnimation(bool) override {}
    void ShowBusyCursor(bool) override {}
    void ProcessMessages() override {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::DispatchMessageW(&message);
        }
    }
    void BringToFront() override {}

    void StartTiming() {
        FPhases.clear();
        FStart = TClock::now();
    }
    // Each phase with its seconds, up to the end of the capture.
    std::string Phases() const {
        const double end = Seconds(FStart);
        std::string text;
        double at = 0;
        std::string name = "(start)";
        for (const auto& [phase, start] : FPhases) {
            text += "  " + name + " " + std::to_string(start - at).substr(0, 5) + " s";
            name = phase.empty() ? "(between)" : phase;
            at = start;
        }
        return text + "  " + name + " " + std::to_string(end - at).substr(0, 5) + " s";
    }

private:
    TClock::time_point FStart = TClock::now();
    std::vector<std::pair<std::string, double>> FPhases;
};

class TSilentBoxes : public IMessageBoxes {
public:
    TMessageAnswer Show(TMessageKind, const std::string& text, TMessageButtons) override {
        std::printf("message: %s\n", text.c_str());
        return TMessageAnswer::Ok;
    }
};

std::size_t Held(const auto& list) {
    return static_cast<std::size_t>(
        std::count_if(list.begin(), list.end(), [](const auto& item) { return item.Record != nullptr; }));
}

int Run() {
    const std::wstring root = BenchFolder(L"QuillborneRecordingBench");
    std::printf("generating %d keys with 3 values each under HKCU\\%ls and %d files in %ls...\n",
                1 + kTop + kTop * kMiddle * (1 + kLeaves), kBenchKey,
                kTopDirectories * (1 + kSubDirectories) * kFilesPerDirectory, root.c_str());
    std::fflush(stdout);
    auto start = TClock::now();
    GenerateKeys();
    RemoveTree(root);
    GenerateFiles(root);
    std::printf("generated in %.1f s\n", Seconds(start));

    TWin32Registry registry;
    TSettings settings(registry, kSettingsKey);
    for (const char* on : {"HKEY_CURRENT_USER", "DiskUsage", "NoProcList", "FSScan"}) {
        settings.WriteBool(on, true);
    }
    settings.WriteString("Paths", Narrow(root));
    settings.WriteInteger("Hashing", 2);
    Settle("after generating");

    TWin32FileSystem fileSystem;
    TWin32LocalTime localTime;
    TWin32DriveInfo drives;
    TWin32ProcessSnapshot processes;
    TQuietDisplay display;
    TSilentBoxes boxes;
    const HWND window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const std::unique_ptr<TSHChangeNotify> shellComponent = NewShellComponent(window, drives);
    TShellMonitor shell(*shellComponent);
    TWin32DirectoryWatching watching(window, boxes);
    TWin32WarningsSource warnings(root);
    TWindowRegWarningDisplay warningDisplay(window);
    TRecordingInfo recording;
    {
        TRecordingSession session(settings, TCapturePlatform{registry, fileSystem, localTime, drives, processes, shell,
                                                             watching, display, warnings, warningDisplay});
        // One pass of each floor first, so that every measurement finds the
        // caches warm.
        MeasureFloors(root);
        // Rounds of a whole recording, floors measured beside each capture;
        // the best of each figure counts, since the machine is shared.
        double before = 1e9;
        double after = 1e9;
        TFloors floorsBefore = MeasureFloors(root);
        TFloors floorsAfter = floorsBefore;
        std::printf("HKEY_CURRENT_USER: %zu keys; tree: %zu files\n", floorsBefore.Keys, floorsBefore.Files);
        double heldBefore = 0;
        double heldAfter = 0;
        for (int round = 0; round < kRounds; ++round) {
            display.StartTiming();
            start = TClock::now();
            session.CaptureBefore(recording);
            before = std::min(before, Seconds(start));
            std::printf("round %d before-capture %.2f s:%s\n", round + 1, Seconds(start), display.Phases().c_str());
            heldBefore = LiveMegabytes();
            floorsBefore = Least(floorsBefore, MeasureFloors(root));
            ChangeKeys(round);
            ChangeFiles(root, round);
            Settle("after changing 1%");
            floorsAfter = Least(floorsAfter, MeasureFloors(root));
            display.StartTiming();
            start = TClock::now();
            session.CaptureAfter(recording, false);
            after = std::min(after, Seconds(start));
            std::printf("round %d after-capture %.2f s:%s\n", round + 1, Seconds(start), display.Phases().c_str());
            heldAfter = LiveMegabytes();
            floorsAfter = Least(floorsAfter, MeasureFloors(root));
            std::fflush(stdout);
        }
        const TSessionStore& store = session.Store();
        const TRootLists& user = store.Root(TRegRoot::CurrentUser);
        std::printf("\nbest of %d rounds\n", kRounds);
        Report("before-capture", before, floorsBefore);
        Report("after-capture with comparisons", after, floorsAfter);
        std::printf("heap held by the store: %.1f MB after the before-capture, %.1f MB after the after-capture; "
                    "peak private memory %.1f MB\n",
                    heldBefore, heldAfter, PeakMegabytes());
        std::printf("last round: keys %zu deleted, %zu created, %zu modified; values %zu deleted, %zu created, %zu "
                    "modified; files %zu deleted, %zu created, %zu modified\n",
                    Held(user.KeysBefore), Held(user.KeysAfter), user.ModifiedKeysAfter.Count(),
                    Held(user.ValuesBefore), Held(user.ValuesAfter), user.ModifiedValuesAfter.Count(),
                    Held(store.FilesBefore), Held(store.FilesAfter), store.ModifiedFilesAfter.Count());
        for (const std::string& line : store.NoteLines()) {
            std::printf("note: %s\n", line.c_str());
        }
    }
    ::DestroyWindow(window);

    std::printf("removing the bench data...\n");
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kBenchKey);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, Wide(std::string(kSettingsKey + 1)).c_str());
    RemoveTree(root);
    return 0;
}

} // namespace
} // namespace quill

int main() {
    return quill::Run();
}
