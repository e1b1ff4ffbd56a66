// Registry snapshot and comparison of the whole of HKEY_CURRENT_USER, measured
// against the fewest bare registry calls that can read the same root. Builds a
// synthetic tree under HKCU\Software\QuillborneBench, six levels deep as a
// user's Software key is, reports the figures and removes the tree.

#include "bench/BenchFiles.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/Win32LocalTime.h"
#include "common/win32/Win32Registry.h"
#include "snapshot/EnumRegistry.h"

#include <windows.h>

#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace quill;

constexpr wchar_t kBenchKey[] = L"Software\\QuillborneBench";
// Below the bench key: the leaves stand six levels under the root, with names
// as long as installers give them.
constexpr wchar_t kInstallerKey[] = L"Software\\QuillborneBench\\Installer";
constexpr int kTop = 100;
constexpr int kMiddle = 10;
constexpr int kLeaves = 99;

// Three values per key, of every common type in turn.
void FillKey(HKEY key, int n) {
    SetString(key, L"Path", REG_SZ, L"C:\\Program Files\\Bench\\module" + std::to_wstring(n) + L".dll");
    const DWORD flags = static_cast<DWORD>(n);
    ::RegSetValueExW(key, L"Flags", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&flags), sizeof flags);
    switch (n % 4) {
    case 0: {
        BYTE bytes[16];
        for (int i = 0; i < 16; ++i) {
            bytes[i] = static_cast<BYTE>(n + i);
        }
        ::RegSetValueExW(key, L"Data", 0, REG_BINARY, bytes, sizeof bytes);
        break;
    }
    case 1:
        SetString(key, L"Home", REG_EXPAND_SZ, L"%ProgramFiles%\\Bench");
        break;
    case 2: {
        const wchar_t multi[] = L"one\0two\0";
        ::RegSetValueExW(key, L"List", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), sizeof multi);
        break;
    }
    default: {
        const ULONGLONG big = 0x100000000ULL * static_cast<ULONGLONG>(n);
        ::RegSetValueExW(key, L"Size", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&big), sizeof big);
        break;
    }
    }
}

std::wstring Padded(int n, int width) {
    std::wstring digits = std::to_wstring(n);
    return std::wstring(static_cast<std::size_t>(width) - digits.size(), L'0') + digits;
}

std::wstring TopName(int n) {
    return L"{8E5C1A2B-44D0-4F3B-9C6E-0000000000" + Padded(n, 2) + L"}";
}

std::wstring MiddleName(int n) {
    return L"Features" + Padded(n, 1);
}

std::wstring LeafName(int n) {
    return L"Component" + Padded(n, 2);
}

void Generate() {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kBenchKey);
    const TUniqueKey root(Create(HKEY_CURRENT_USER, kInstallerKey));
    int n = 0;
    for (int a = 0; a < kTop; ++a) {
        const TUniqueKey top(Create(root.Get(), TopName(a)));
        for (int b = 0; b < kMiddle; ++b) {
            const TUniqueKey middle(Create(top.Get(), MiddleName(b)));
            FillKey(middle.Get(), n++);
            for (int c = 0; c < kLeaves; ++c) {
                const TUniqueKey leaf(Create(middle.Get(), LeafName(c)));
                FillKey(leaf.Get(), n++);
            }
        }
    }
}

// About 1% of keys and values: a value modified in 1000 keys, 500 keys
// deleted with their values, 500 created with theirs.
void Change() {
    const TUniqueKey root(Create(HKEY_CURRENT_USER, kInstallerKey));
    for (int i = 0; i < 1000; ++i) {
        const std::wstring path =
            TopName(i % kTop) + L"\\" + MiddleName((i / kTop) % kMiddle) + L"\\" + LeafName((i * 7) % kLeaves);
        const TUniqueKey key(Create(root.Get(), path));
        SetString(key.Get(), L"Path", REG_SZ, L"C:\\Program Files\\Bench\\changed.dll");
    }
    for (int i = 0; i < 500; ++i) {
        const std::wstring parent = TopName(i % kTop) + L"\\" + MiddleName((i / kTop) % kMiddle);
        const std::wstring doomed = parent + L"\\" + LeafName(98 - (i / 50) % 5);
        ::RegDeleteTreeW(root.Get(), doomed.c_str());
        const TUniqueKey created(Create(root.Get(), parent + L"\\new" + std::to_wstring(i)));
        FillKey(created.Get(), i);
    }
}

struct TFloor {
    std::size_t Keys = 0;
    std::size_t Values = 0;
};

// The least a walk can do: open relative to the parent, one information query,
// one call per subkey name and one RegEnumValueW with its data per value.
void FloorWalk(HKEY key, TFloor& floor, std::vector<BYTE>& data, std::wstring& name) {
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
    ++floor.Keys;
    name.resize(std::max<std::size_t>(name.size(), std::max(maxSubKey, maxValueName) + 1));
    data.resize(std::max<std::size_t>(data.size(), maxData));
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        if (::RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size) == ERROR_SUCCESS) {
            ++floor.Values;
        }
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
            FloorWalk(child.Get(), floor, data, name);
        }
    }
}

double TimeFloor(TFloor& floor) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<BYTE> data;
    std::wstring name;
    floor = {};
    FloorWalk(HKEY_CURRENT_USER, floor, data, name);
    return Seconds(start);
}

struct TSnapshot {
    TKeyList Keys = NewKeyList();
    TValueList Values = NewValueList();
};

double TimeSnapshot(IRegistry& registry, TSnapshot& snapshot, TCaptureNotes& notes) {
    const TWin32LocalTime localTime;
    const auto start = std::chrono::steady_clock::now();
    SnapshotRoot({}, registry, TRegRoot::CurrentUser, localTime, snapshot.Keys, snapshot.Values, notes);
    return Seconds(start);
}

struct TMemory {
    double WorkingSet = 0; // MiB
    double Private = 0;    // MiB
};

TMemory Memory(bool peak) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    const double mebibyte = 1024.0 * 1024.0;
    return {static_cast<double>(peak ? counters.PeakWorkingSetSize : counters.WorkingSetSize) / mebibyte,
            static_cast<double>(peak ? counters.PeakPagefileUsage : counters.PagefileUsage) / mebibyte};
}

void Settle(const char* why) {
    // The wineserver writes a changed registry to disk every 30 s and stalls
    // registry calls meanwhile: let that happen before measuring.
    std::printf("waiting 35 s for the registry to be saved (%s)...\n", why);
    std::fflush(stdout);
    ::Sleep(35000);
}

} // namespace

int main() {
    std::printf("generating %d keys with 3 values each under HKCU\\%ls...\n", 2 + kTop + kTop * kMiddle * (1 + kLeaves),
                kInstallerKey);
    std::fflush(stdout);
    auto start = std::chrono::steady_clock::now();
    Generate();
    std::printf("generated in %.1f s\n", Seconds(start));
    Settle("after generating");

    TWin32Registry bench;
    TCaptureNotes notes;
    const TMemory baseline = Memory(false);

    // Alternate the two walks and keep the best of each, so that a stall of
    // the wineserver does not decide the ratio.
    TFloor floor;
    double floorTime = TimeFloor(floor);
    TSnapshot before;
    double snapshotTime = TimeSnapshot(bench, before, notes);
    floorTime = std::min(floorTime, TimeFloor(floor));
    {
        TSnapshot again;
        snapshotTime = std::min(snapshotTime, TimeSnapshot(bench, again, notes));
    }
    std::size_t pathBytes = 0;
    for (const auto& item : before.Keys) {
        pathBytes += item.Text.size();
    }
    std::printf("HKCU: %zu keys, %zu values (snapshot: %zu keys, %zu values; key paths %.1f bytes on average)\n",
                floor.Keys, floor.Values, before.Keys.Count(), before.Values.Count(),
                static_cast<double>(pathBytes) / static_cast<double>(before.Keys.Count()));
    std::printf("floor walk (bare calls):  %.3f s\n", floorTime);
    std::printf("SnapshotRoot:             %.3f s\n", snapshotTime);
    std::printf("ratio snapshot/floor:     %.3f\n", snapshotTime / floorTime);

    Change();
    Settle("after changing 1%");
    TSnapshot after;
    const double afterTime = TimeSnapshot(bench, after, notes);
    const TMemory peak = Memory(true);
    std::printf("second SnapshotRoot:      %.3f s\n", afterTime);
    std::printf("two snapshots held:       peak working set +%.1f MiB (target < 90), private +%.1f MiB; %.0f bytes "
                "per value\n",
                peak.WorkingSet - baseline.WorkingSet, peak.Private - baseline.Private,
                (peak.WorkingSet - baseline.WorkingSet) * 1024.0 * 1024.0 /
                    static_cast<double>(before.Values.Count() + after.Values.Count()));

    TKeyList modifiedKeysBefore;
    TKeyList modifiedKeysAfter;
    TValueList modifiedValuesBefore;
    TValueList modifiedValuesAfter;
    start = std::chrono::steady_clock::now();
    CompareRoot({}, {}, before.Keys, after.Keys, before.Values, after.Values, modifiedKeysBefore, modifiedKeysAfter,
                modifiedValuesBefore, modifiedValuesAfter);
    const double compareTime = Seconds(start);
    std::size_t deletedKeys = 0;
    std::size_t createdKeys = 0;
    std::size_t deletedValues = 0;
    std::size_t createdValues = 0;
    for (const auto& item : before.Keys) {
        deletedKeys += item.Record != nullptr;
    }
    for (const auto& item : after.Keys) {
        createdKeys += item.Record != nullptr;
    }
    for (const auto& item : before.Values) {
        deletedValues += item.Record != nullptr;
    }
    for (const auto& item : after.Values) {
        createdValues += item.Record != nullptr;
    }
    std::printf("CompareRoot:              %.1f ms (target < 70)\n", compareTime * 1000);
    std::printf("changes: keys %zu deleted, %zu created, %zu modified; values %zu deleted, %zu created, %zu "
                "modified\n",
                deletedKeys, createdKeys, modifiedKeysBefore.Count(), deletedValues, createdValues,
                modifiedValuesBefore.Count());
    for (const std::string& line : notes.Lines()) {
        std::printf("note: %s\n", line.c_str());
    }
    start = std::chrono::steady_clock::now();
    before = {};
    after = {};
    modifiedKeysBefore = TKeyList();
    modifiedKeysAfter = TKeyList();
    modifiedValuesBefore = TValueList();
    modifiedValuesAfter = TValueList();
    std::printf("freeing both snapshots:   %.1f ms\n", Seconds(start) * 1000);

    start = std::chrono::steady_clock::now();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kBenchKey);
    std::printf("bench key removed in %.1f s\n", Seconds(start));
    return 0;
}
