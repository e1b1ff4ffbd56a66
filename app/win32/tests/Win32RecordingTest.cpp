#include "app/win32/ResumeFile.h"
#include "commandline/win32/CommandWindow.h"
#include "common/win32/LongPath.h"
#include "common/win32/Win32DriveInfo.h"
#include "common/win32/Win32LocalTime.h"
#include "common/win32/Win32ProcessSnapshot.h"
#include "common/win32/Win32Registry.h"
#include "common/win32/tests/ScratchKey.h"
#include "common/win32/tests/TempDirectory.h"
#include "filter/win32/RegWarning.h"
#include "monitor/win32/SHChangeNotify.h"
#include "recording/RecordingSession.h"
#include "recording/win32/CaptureServices.h"
#include "snapshot/win32/Win32FileSystem.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <string>
#include <vector>

namespace quill {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::IsSupersetOf;
using TSet = std::set<std::string>;

constexpr char kScratch[] = "\\Software\\QuillborneTest\\";
constexpr char kData[] = "\\Software\\QuillborneTest\\Data\\";

// A path of more than 260 characters below the temp directory.
const std::string kLongDirectory = std::string(100, 'L') + "\\" + std::string(100, 'M') + "\\" + std::string(80, 'N');
// 日本語.txt
constexpr char kCjkName[] = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt";

class TNoBoxes : public IMessageBoxes {
public:
    TMessageAnswer Show(TMessageKind, const std::string& text, TMessageButtons) override {
        Shown.push_back(text);
        return TMessageAnswer::Ok;
    }
    std::vector<std::string> Shown;
};

// The path as the snapshot writes it, with a leading backslash.
HKEY Create(const std::string& path) {
    HKEY key = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, Wide(path.substr(1)).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr);
    return key;
}

void SetValue(const std::string& path, const wchar_t* name, DWORD type, const void* data, std::size_t size) {
    const TUniqueKey key(Create(path));
    ::RegSetValueExW(key.Get(), name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
}

void SetText(const std::string& path, const wchar_t* name, DWORD type, const std::wstring& text) {
    SetValue(path, name, type, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

void SetNumber(const std::string& path, const wchar_t* name, DWORD number) {
    SetValue(path, name, REG_DWORD, &number, sizeof number);
}

// A recording of the whole of HKEY_CURRENT_USER and a temp tree, with the
// platform's own registry, file system, watchers and shell component.
class Win32Recording : public ::testing::Test {
protected:
    test::TScratchKey FScratch;
    test::TTempDirectory FTemp{"QuillborneRecordingTest"};
    TWin32Registry FRegistry;
    TSettings FSettings{FRegistry, "\\Software\\QuillborneTest\\Settings"};
    TWin32FileSystem FFileSystem;
    TWin32LocalTime FLocalTime;
    TWin32DriveInfo FDrives;
    TWin32ProcessSnapshot FProcesses;
    // Silent, and lets the watchers' messages in as a capture runs.
    TCommandWindow FDisplay{::GetModuleHandleW(nullptr)};
    TNoBoxes FBoxes;
    HWND FWindow = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    TSHChangeNotify FShellComponent{FWindow, FDrives};
    TShellMonitor FShell{FShellComponent};
    TWin32DirectoryWatching FWatching{FWindow, FBoxes};
    TWin32WarningsSource FWarnings{Wide(FTemp.Path())};
    TWindowRegWarningDisplay FWarningDisplay{FWindow};
    TRecordingSession FSession{FSettings, Platform()};
    TRecordingInfo FRecording;

    ~Win32Recording() override {
        FSession.FreeSession();
        ::DestroyWindow(FWindow);
    }

    void Settings() {
        for (const char* on : {"HKEY_CURRENT_USER", "DiskUsage", "NoProcList", "FSScan", "FSWatch", "FSFiles"}) {
            FSettings.WriteBool(on, true);
        }
        FSettings.WriteString("Paths", FTemp.Path());
        FSettings.WriteInteger("Hashing", 2);
    }

    void RegistryBefore() {
        SetText(std::string(kData) + "Keep", L"Same", REG_SZ, L"same");
        SetNumber(std::string(kData) + "Gone\\Child", L"X", 1);
        const std::string values = std::string(kData) + "Values";
        SetText(values, L"Text", REG_SZ, L"old");
        SetText(values, L"Expand", REG_EXPAND_SZ, L"%TEMP%\\a");
        SetNumber(values, L"Number", 1);
        const BYTE blob[] = {1, 2, 3};
        SetValue(values, L"Blob", REG_BINARY, blob, sizeof blob);
        const wchar_t list[] = L"a\0b\0";
        SetValue(values, L"List", REG_MULTI_SZ, list, sizeof list);
        const ULONGLONG big = 5;
        SetValue(values, L"Big", REG_QWORD, &big, sizeof big);
        SetText(values, L"Doomed", REG_SZ, L"bye");
    }

    void RegistryChanges() {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, Wide(std::string(kData + 1) + "Gone").c_str());
        SetText(std::string(kData) + "New\\Deeper", L"Fresh", REG_SZ, L"new");
        const std::string values = std::string(kData) + "Values";
        SetText(values, L"Text", REG_SZ, L"new");
        SetText(values, L"Expand", REG_EXPAND_SZ, L"%TEMP%\\b");
        SetNumber(values, L"Number", 2);
        const BYTE blob[] = {1, 2, 4};
        SetValue(values, L"Blob", REG_BINARY, blob, sizeof blob);
        const wchar_t list[] = L"a\0c\0";
        SetValue(values, L"List", REG_MULTI_SZ, list, sizeof list);
        const ULONGLONG big = 6;
        SetValue(values, L"Big", REG_QWORD, &big, sizeof big);
        const TUniqueKey key(Create(values));
        ::RegDeleteValueW(key.Get(), L"Doomed");
        SetNumber(values, L"Added", 7);
    }

    // Every entry gets a last-write time long past, so that any change
    // between the captures moves it, whatever the time's resolution.
    void Age(const std::string& relative) const {
        const DWORD flags = relative.empty() || relative.back() == '\\' ? FILE_FLAG_BACKUP_SEMANTICS : 0;
        const TUniqueFile file(::CreateFileW(LongPathForm(FTemp.Path() + relative).c_str(), FILE_WRITE_ATTRIBUTES,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags,
                                             nullptr));
        const ULONGLONG ticks = 132223104000000000ULL; // 2020-01-01
        const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        ::SetFileTime(file.Get(), nullptr, nullptr, &time);
    }

    void FilesBefore() {
        ASSERT_TRUE(FTemp.MakeDirectory("Sub"));
        ASSERT_TRUE(FTemp.MakeDirectory(kLongDirectory));
        for (const auto& [name, content] : std::initializer_list<std::pair<std::string, std::string>>{
                 {"keep.txt", "keep"},
                 {"delete.txt", "delete"},
                 {"modify.txt", "aaaa"},
                 {"grow.txt", "a"},
                 {"Sub\\inner.txt", "inner"},
                 {kLongDirectory + "\\deep.txt", "deep"},
             }) {
            ASSERT_TRUE(FTemp.WriteFile(name, content));
            Age(name);
        }
        for (const std::string& directory :
             {std::string("Sub\\"), std::string(100, 'L') + "\\",
              std::string(100, 'L') + "\\" + std::string(100, 'M') + "\\", kLongDirectory + "\\"}) {
            Age(directory);
        }
    }

    void FileChanges() {
        ASSERT_TRUE(::DeleteFileW(LongPathForm(FTemp.Path() + "delete.txt").c_str()));
        ASSERT_TRUE(FTemp.WriteFile("modify.txt", "bbbb"));
        ASSERT_TRUE(FTemp.WriteFile("grow.txt", "aaa"));
        ASSERT_TRUE(FTemp.WriteFile(kLongDirectory + "\\deep.txt", "DEEP"));
        ASSERT_TRUE(FTemp.WriteFile("new.txt", "new"));
        ASSERT_TRUE(FTemp.WriteFile(kCjkName, "nihongo"));
        ASSERT_TRUE(FTemp.WriteFile(kLongDirectory + "\\long-new.txt", "long"));
    }

    TCapturePlatform Platform() {
        return TCapturePlatform{FRegistry, FFileSystem, FLocalTime, FDrives,   FProcesses,
                                FShell,    FWatching,   FDisplay,   FWarnings, FWarningDisplay};
    }

    // The watcher's thread journals on its own time: wait for the last change
    // in the watched directory itself. (Wine reports nothing from the
    // directory below the long path; the scans see it.)
    void WaitForTheLastChange(TRecordingSession& session) const {
        const std::string lastChange = FTemp.Path() + kCjkName;
        EXPECT_TRUE(session.Store().FileWatch()->WaitUntil(
            [&](const TFileWatchEvents& events) {
                return std::any_of(events.begin(), events.end(), [&](const auto& item) {
                    return SameText(item.Text, lastChange) && item.Record->Action == 1;
                });
            },
            10s));
    }

    // Exactly RegistryChanges and FileChanges, and the watcher's journal of
    // the file changes.
    void ExpectExactlyTheChanges(const TSessionStore& store) const {
        const TRootLists& user = store.Root(TRegRoot::CurrentUser);
        ASSERT_TRUE(user.Compared);
        TSet elsewhere;
        EXPECT_EQ(Below(Keys(user.KeysBefore), kData, &elsewhere), (TSet{"Gone\\", "Gone\\Child\\"}));
        EXPECT_EQ(Below(Keys(user.KeysAfter), kData, &elsewhere), (TSet{"New\\", "New\\Deeper\\"}));
        EXPECT_EQ(Below(Keys(user.ModifiedKeysAfter), kScratch, &elsewhere), (TSet{"Data\\", "Data\\Values\\"}));
        EXPECT_EQ(Below(Values(user.ValuesBefore), kData, &elsewhere), (TSet{"Gone\\Child\\|X", "Values\\|Doomed"}));
        EXPECT_EQ(Below(Values(user.ValuesAfter), kData, &elsewhere), (TSet{"New\\Deeper\\|Fresh", "Values\\|Added"}));
        EXPECT_EQ(Below(Values(user.ModifiedValuesAfter), kData, &elsewhere),
                  (TSet{"Values\\|Big", "Values\\|Blob", "Values\\|Expand", "Values\\|List", "Values\\|Number",
                        "Values\\|Text"}));
        EXPECT_EQ(user.ModifiedKeysBefore.Count(), user.ModifiedKeysAfter.Count());
        EXPECT_EQ(user.ModifiedValuesBefore.Count(), user.ModifiedValuesAfter.Count());
        // Nothing else in the user's hive changes while the test runs.
        EXPECT_THAT(elsewhere, IsEmpty());

        ASSERT_TRUE(store.FilesCompared);
        const std::string& root = FTemp.Path();
        EXPECT_EQ(Below(Keys(store.FilesBefore), root), (TSet{"delete.txt"}));
        EXPECT_EQ(Below(Keys(store.FilesAfter), root), (TSet{"new.txt", kCjkName, kLongDirectory + "\\long-new.txt"}));
        EXPECT_EQ(Below(Keys(store.ModifiedFilesAfter), root),
                  (TSet{"modify.txt", "grow.txt", kLongDirectory + "\\", kLongDirectory + "\\deep.txt"}));
        EXPECT_EQ(store.ModifiedFilesBefore.Count(), store.ModifiedFilesAfter.Count());

        TSet journalled;
        for (const auto& item : store.FileWatch()->FileWatchEvents()) {
            journalled.insert(std::to_string(item.Record->Action) + " " + item.Text);
        }
        EXPECT_THAT(journalled,
                    IsSupersetOf({"2 " + root + "delete.txt", "1 " + root + "new.txt", "1 " + root + kCjkName}));
    }

    // Items that still hold a record, as "key path" or "key path|value name".
    template <class TList> static TSet Keys(const TList& list) {
        TSet texts;
        for (const auto& item : list) {
            if (item.Record != nullptr) {
                texts.insert(item.Text);
            }
        }
        return texts;
    }
    static TSet Values(const TValueList& list) {
        TSet texts;
        for (const auto& item : list) {
            if (item.Record != nullptr) {
                texts.insert(item.Text + "|" + item.Record->Name);
            }
        }
        return texts;
    }
    // Splits the items into those below the prefix (with the prefix cut) and
    // the rest.
    static TSet Below(const TSet& texts, std::string_view prefix, TSet* others = nullptr) {
        TSet inside;
        for (const std::string& text : texts) {
            if (text.size() >= prefix.size() && SameText(std::string_view(text).substr(0, prefix.size()), prefix)) {
                inside.insert(text.substr(prefix.size()));
            } else if (others != nullptr) {
                others->insert(text);
            }
        }
        return inside;
    }
};

TEST_F(Win32Recording, ListsExactlyTheRegistryAndFileChangesMadeBetweenTheCaptures) {
    Settings();
    RegistryBefore();
    FilesBefore();
    FSession.CaptureBefore(FRecording);
    ASSERT_EQ(FSession.WatcherCount(), 1U) << ::testing::PrintToString(FSession.Store().NoteLines());
    RegistryChanges();
    FileChanges();
    WaitForTheLastChange(FSession);
    FSession.CaptureAfter(FRecording, false);
    ExpectExactlyTheChanges(FSession.Store());
    EXPECT_THAT(FSession.Store().NoteLines(), IsEmpty());
    EXPECT_THAT(FBoxes.Shown, IsEmpty());
    EXPECT_GT(FRecording.StopTime, FRecording.StartTime);
}

// The session ends between the captures: the before-capture is kept in a
// file, the program ends, and the next one continues from the file.
TEST_F(Win32Recording, ARecordingContinuedFromItsKeptBeforeCaptureListsExactlyTheChangesMadeSince) {
    test::TTempDirectory folder{"QuillborneResumeFolder"};
    TResumeFile resume(FRegistry, folder.Path(), std::string(test::kScratchPath) + "\\RunOnce", "quillborne.exe");
    Settings();
    RegistryBefore();
    FilesBefore();
    FSession.CaptureBefore(FRecording);
    resume.Save(FSession.SaveBefore(FRecording));
    FSession.FreeSession();
    FShell.Stop();

    TRecordingSession resumed{FSettings, Platform()};
    TRecordingInfo recording;
    resumed.ResumeBefore(recording, resume.Read().value(), resume.Path());
    ASSERT_EQ(resumed.WatcherCount(), 1U) << ::testing::PrintToString(resumed.Store().NoteLines());
    EXPECT_EQ(recording.StartTime, FRecording.StartTime);
    RegistryChanges();
    FileChanges();
    WaitForTheLastChange(resumed);
    resumed.CaptureAfter(recording, false);
    ExpectExactlyTheChanges(resumed.Store());
    EXPECT_THAT(resumed.Store().NoteLines(),
                ElementsAre("After: Not journalled: the shell and directory events before the restart (the "
                            "recording went on from its before-capture, saved when the session ended)"));
    EXPECT_THAT(FBoxes.Shown, IsEmpty());
}

} // namespace
} // namespace quill
