#include "app/win32/ResumeFile.h"

#include "common/win32/UniqueHandle.h"
#include "common/win32/Win32LocalTime.h"
#include "common/win32/Win32Registry.h"
#include "common/win32/WinText.h"
#include "common/win32/tests/ScratchKey.h"
#include "common/win32/tests/TempDirectory.h"
#include "snapshot/Hashing.h"
#include "snapshot/win32/Win32FileSystem.h"
#include "store/SnapshotFile.h"
#include "store/tests/CaptureDescription.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace quill {
namespace {

constexpr char kRunOnce[] = "Software\\QuillborneTest\\RunOnce";
// U+1F600, outside the basic plane.
constexpr wchar_t kNonBmp[] = L"\xD83D\xDE00";

void SetValue(const std::wstring& path, const std::wstring& name, DWORD type, const void* data, std::size_t size) {
    HKEY key = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    const TUniqueKey owned(key);
    ::RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
}

class ResumeFile : public ::testing::Test {
protected:
    test::TScratchKey FScratch;
    test::TTempDirectory FData{"QuillborneResumeData"};
    test::TTempDirectory FFolder{"QuillborneResumeFolder"};
    TWin32Registry FRegistry;
    TWin32LocalTime FLocalTime;
    TResumeFile FResume{FRegistry, FFolder.Path() + "Quillborne\\", kRunOnce, "C:\\Tools\\quillborne.exe"};
};

// The user's hive with values of every kind below the scratch key, and a
// hashed scan of a folder with a name outside the basic plane.
TEST_F(ResumeFile, ARealCaptureSavedToTheFileLoadsBackIdentical) {
    const std::wstring key = std::wstring(test::kScratchKey) + L"\\Data\\" + kNonBmp;
    const std::wstring text = std::wstring(L"a") + kNonBmp;
    SetValue(key, L"", REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    const BYTE blob[] = {0, 1, 0, 2};
    SetValue(key, std::wstring(L"Blob") + kNonBmp, REG_BINARY, blob, sizeof blob);
    const wchar_t list[] = L"a\0b\0";
    SetValue(key, L"List", REG_MULTI_SZ, list, sizeof list);
    const DWORD number = 0xFFFFFFFE;
    SetValue(key, L"Number", REG_DWORD, &number, sizeof number);
    SetValue(key, L"None", REG_NONE, nullptr, 0);
    ASSERT_TRUE(FData.WriteFile(Narrow(kNonBmp) + ".txt", "content"));

    TSessionStore store(FLocalTime);
    store.NewSession();
    TRootLists& user = store.Root(TRegRoot::CurrentUser);
    SnapshotRoot(nullptr, FRegistry, TRegRoot::CurrentUser, FLocalTime, user.KeysBefore, user.ValuesBefore,
                 store.BeforeNotes);
    user.Recorded = true;
    TWin32FileSystem files;
    {
        TTreeScanner scanner(store.FilesBefore, files, FLocalTime, store.BeforeNotes);
        scanner.Scan(FData.Path(), true);
    }
    THashing(kHashMD5, store.FilesBefore, files, store.BeforeNotes).HashAll();
    store.FilesRecorded = true;
    const TCaptureFacts facts{FLocalTime.Now(), kHashMD5, {FData.Path()}};
    ASSERT_GT(user.ValuesBefore.Count(), 5U);

    FResume.Save(EncodeBeforeCapture(store, facts));
    const std::optional<std::string> bytes = FResume.Read();
    ASSERT_TRUE(bytes.has_value());
    TSavedCapture capture = DecodeCapture(*bytes, FResume.Path());
    TSessionStore loaded(FLocalTime);
    loaded.NewSession();
    capture.MoveInto(loaded);
    EXPECT_EQ(test::Describe(loaded, capture.Facts), test::Describe(store, facts));

    FResume.Remove();
    EXPECT_FALSE(FResume.Read().has_value());
}

TEST_F(ResumeFile, ASecondSaveReplacesTheFirstAndLeavesNothingBeside) {
    FResume.Save("first");
    FResume.Save("second");
    EXPECT_EQ(FResume.Read(), std::optional<std::string>("second"));
    WIN32_FIND_DATAW found;
    const TUniqueFind search(::FindFirstFileW(Wide(FFolder.Path() + "Quillborne\\*").c_str(), &found));
    std::vector<std::wstring> files;
    for (bool more = bool(search); more; more = ::FindNextFileW(search.Get(), &found) != FALSE) {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            files.emplace_back(found.cFileName);
        }
    }
    EXPECT_EQ(files, std::vector<std::wstring>{L"Resume.qbcap"});
}

TEST_F(ResumeFile, TheNextLogOnStartsTheProgramOnceWithTheResumeSwitch) {
    FResume.ScheduleResume();
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    std::unique_ptr<IRegKey> key;
    ASSERT_EQ(FRegistry.OpenKey(TRegRoot::CurrentUser, kRunOnce, TRegAccess::Read, key), TRegStatus::Ok);
    ASSERT_EQ(key->QueryValue("Quillborne", type, data), TRegStatus::Ok);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(DecodeRegString(data), "\"C:\\Tools\\quillborne.exe\" -resume");
}

TEST_F(ResumeFile, AFileFromANewerVersionIsRefusedWithItsName) {
    std::string bytes = "QUILLCAP" + std::string(16, '\0');
    bytes[8] = 2;
    FResume.Save(bytes);
    try {
        DecodeCapture(*FResume.Read(), FResume.Path());
        ADD_FAILURE() << "loaded";
    } catch (const ESnapshotFile& error) {
        EXPECT_EQ(std::string(error.what()),
                  "the snapshot file \"" + FResume.Path() +
                      "\" cannot be loaded: it was written by a newer version of Quillborne (file format 2; this "
                      "version reads format 1 and older)");
    }
}

} // namespace
} // namespace quill
