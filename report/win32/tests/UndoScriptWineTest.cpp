#include "report/UndoScript.h"

#include "common/win32/UniqueHandle.h"
#include "common/win32/Win32LocalTime.h"
#include "common/win32/Win32Registry.h"
#include "common/win32/tests/ScratchKey.h"
#include "report/ValueBytes.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace quill {
namespace {

const std::string kScratch = std::string("\\") + test::kScratchPath + "\\";

void Set(const wchar_t* path, const wchar_t* name, DWORD type, const std::vector<BYTE>& data) {
    HKEY key = nullptr;
    const std::wstring full = std::wstring(test::kScratchKey) + (*path ? L"\\" : L"") + path;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, full.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(::RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
    ::RegCloseKey(key);
}

void DeleteValue(const wchar_t* path, const wchar_t* name) {
    const std::wstring full = std::wstring(test::kScratchKey) + L"\\" + path;
    EXPECT_EQ(::RegDeleteKeyValueW(HKEY_CURRENT_USER, full.c_str(), name), ERROR_SUCCESS);
}

std::vector<BYTE> Text(const std::wstring& text) {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return {bytes, bytes + (text.size() + 1) * sizeof(wchar_t)};
}

std::vector<BYTE> Counting(int count) {
    std::vector<BYTE> bytes;
    for (int i = 0; i < count; ++i) {
        bytes.push_back(static_cast<BYTE>(i * 7));
    }
    return bytes;
}

void Snapshot(TRootLists& lists, bool after) {
    TWin32Registry registry;
    TWin32LocalTime localTime;
    TCaptureNotes notes;
    SnapshotRoot({}, registry, TRegRoot::CurrentUser, localTime, after ? lists.KeysAfter : lists.KeysBefore,
                 after ? lists.ValuesAfter : lists.ValuesBefore, notes);
}

// Every key and value under the scratch key, with each value's type and
// exact bytes.
std::vector<std::string> ScratchState() {
    TRootLists lists;
    Snapshot(lists, false);
    std::vector<std::string> state;
    for (const auto& [path, key] : lists.KeysBefore) {
        if (path.View().starts_with(kScratch)) {
            state.push_back(std::string(path.View()));
        }
    }
    for (const auto& [path, value] : lists.ValuesBefore) {
        if (path.View().starts_with(kScratch)) {
            std::string line = std::string(path.View()) + "|" + std::string(value->Name.View()) + "|" +
                               std::to_string(value->RegType) + "|";
            for (const std::uint8_t byte : StoredBytes(*value)) {
                line += std::to_string(byte) + ",";
            }
            state.push_back(line);
        }
    }
    // regedit may give the values of a key another order.
    std::sort(state.begin(), state.end());
    return state;
}

// Only the scratch key's changes, as an ignore list would leave them: what
// else changed in the user's hive meanwhile is not the test's to undo.
template <class TRecord> void IncludeScratchOnly(TRecordList<TRecord>& list) {
    for (auto& [path, record] : list) {
        if (record) {
            record->Included = path.View().starts_with(kScratch) ? 1 : 0;
        }
    }
}

void RunRegedit(const std::filesystem::path& script) {
    std::wstring command = L"regedit.exe /s \"" + script.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(
        ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    const TUniqueHandleObject processHandle(process.hProcess);
    const TUniqueHandleObject threadHandle(process.hThread);
    ASSERT_EQ(::WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
}

// Records the scratch key around the change, as a recording would, and
// imports the undo script with regedit. Returns what the script could not
// undo.
std::vector<std::string> RecordAndUndo(const std::function<void()>& change) {
    const TWin32LocalTime clock;
    TSessionStore store(clock);
    store.NewSession();
    TRootLists& lists = store.Root(TRegRoot::CurrentUser);
    Snapshot(lists, false);
    change();
    Snapshot(lists, true);
    EXPECT_TRUE(CompareRoot({}, {}, lists.KeysBefore, lists.KeysAfter, lists.ValuesBefore, lists.ValuesAfter,
                            lists.ModifiedKeysBefore, lists.ModifiedKeysAfter, lists.ModifiedValuesBefore,
                            lists.ModifiedValuesAfter));
    lists.Recorded = lists.Compared = true;
    for (TKeyList* keys : {&lists.KeysBefore, &lists.KeysAfter, &lists.ModifiedKeysAfter}) {
        IncludeScratchOnly(*keys);
    }
    for (TValueList* values : {&lists.ValuesBefore, &lists.ValuesAfter, &lists.ModifiedValuesBefore}) {
        IncludeScratchOnly(*values);
    }

    const std::filesystem::path script = std::filesystem::temp_directory_path() / L"quill-undo-\x65E5.reg";
    std::vector<std::string> notUndone;
    {
        std::ofstream out(script, std::ios::binary);
        notUndone = WriteUndoScript(out, store, TRecordingInfo{});
    }
    RunRegedit(script);
    std::filesystem::remove(script);
    return notUndone;
}

bool KeyExists(const std::wstring& path) {
    HKEY key = nullptr;
    const std::wstring full = std::wstring(test::kScratchKey) + L"\\" + path;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, full.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(key);
    return true;
}

TEST(UndoScriptUnderWine, RegeditTakesTheScratchKeyBackToItsStateBeforeTheChanges) {
    test::TScratchKey scratch;
    Set(L"App", L"", REG_SZ, Text(L"default"));
    Set(L"App", L"Version", REG_SZ, Text(L"1.0"));
    Set(L"App", L"Flags", REG_DWORD, {1, 0, 0, 0});
    Set(L"App", L"Blob", REG_BINARY, Counting(100));
    Set(L"App", L"Path", REG_EXPAND_SZ, Text(L"%ProgramFiles%\\App"));
    Set(L"App", L"List", REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0});
    Set(L"App", L"Big", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
    Set(L"App", L"Zero inside", REG_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0});
    Set(L"App", L"say \"hi\" \\ [x]", REG_SZ, Text(L"C:\\\"quoted\"\\"));
    Set(L"App", L"\xD834\xDD1E", REG_SZ, Text(L"\x65E5\x672C"));
    Set(L"Doomed", L"Old", REG_SZ, Text(L"old"));
    Set(L"Doomed\\Child", L"", REG_DWORD, {9, 0, 0, 0});
    const std::vector<std::string> original = ScratchState();

    const std::vector<std::string> notUndone = RecordAndUndo([&] {
        Set(L"App", L"Version", REG_DWORD, {2, 0, 0, 0});
        DeleteValue(L"App", L"Flags");
        Set(L"App", L"Blob", REG_BINARY, Counting(3));
        DeleteValue(L"App", L"Zero inside");
        DeleteValue(L"App", L"say \"hi\" \\ [x]");
        Set(L"App", L"Added", REG_SZ, Text(L"new"));
        Set(L"Created\\Deep", L"x", REG_SZ, Text(L"y"));
        ASSERT_EQ(::RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(test::kScratchKey) + L"\\Doomed").c_str()),
                  ERROR_SUCCESS);
        ASSERT_NE(ScratchState(), original);
    });

    EXPECT_TRUE(notUndone.empty());
    EXPECT_EQ(ScratchState(), original);
}

TEST(UndoScriptUnderWine, AKeyNamedToDeleteTheSoftwareKeyLeavesTheSoftwareKeyAlone) {
    test::TScratchKey scratch;
    Set(L"Kept", L"", REG_SZ, Text(L"kept"));

    const std::vector<std::string> notUndone = RecordAndUndo([] {
        Set(L"x\n[-HKEY_CURRENT_USER\\Software", L"", REG_SZ, Text(L"installed"));
        Set(L"Plain", L"", REG_SZ, Text(L"installed"));
    });

    EXPECT_EQ(notUndone.size(), 2U);
    EXPECT_TRUE(KeyExists(L"Kept"));
    EXPECT_FALSE(KeyExists(L"Plain"));
    EXPECT_TRUE(KeyExists(L"x\n[-HKEY_CURRENT_USER\\Software"));
}

} // namespace
} // namespace quill
