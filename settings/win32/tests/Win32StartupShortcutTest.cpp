#include "settings/win32/Win32StartupShortcut.h"

#include "common/TextCompare.h"
#include "common/win32/Files.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"
#include "common/win32/tests/TempDirectory.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <optional>
#include <string>

namespace quill {
namespace {

struct TLinkContents {
    std::wstring Target;
    std::wstring Arguments;
    std::wstring Description;
};

std::optional<TLinkContents> ReadLink(const std::wstring& linkFile) {
    TComPtr<IShellLinkW> link;
    TComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(link.Put()))) ||
        FAILED(link.Get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Put()))) ||
        FAILED(file.Get()->Load(linkFile.c_str(), STGM_READ))) {
        return std::nullopt;
    }
    wchar_t target[MAX_PATH] = {};
    wchar_t arguments[MAX_PATH] = {};
    wchar_t description[MAX_PATH] = {};
    link.Get()->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link.Get()->GetArguments(arguments, MAX_PATH);
    link.Get()->GetDescription(description, MAX_PATH);
    return TLinkContents{target, arguments, description};
}

bool FileExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class Win32StartupShortcut : public ::testing::Test {
protected:
    void SetUp() override {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        const std::optional<std::wstring> folder = KnownStartupFolder();
        ASSERT_TRUE(folder.has_value());
        FLink = *folder + L"\\Quillborne.lnk";
        ::DeleteFileW(FLink.c_str());
    }
    void TearDown() override {
        ::DeleteFileW(FLink.c_str());
        ::CoUninitialize();
    }

    std::wstring FLink;
};

TEST_F(Win32StartupShortcut, CreatesAndRemovesTheLinkInTheUsersStartupFolder) {
    TWin32StartupShortcut shortcut(ExecutablePath());
    EXPECT_FALSE(shortcut.Exists());
    shortcut.Remove();
    EXPECT_FALSE(shortcut.Exists());

    shortcut.Create();
    EXPECT_TRUE(FileExists(FLink));
    EXPECT_TRUE(shortcut.Exists());
    const std::optional<TLinkContents> contents = ReadLink(FLink);
    ASSERT_TRUE(contents.has_value());
    EXPECT_TRUE(SameText(Narrow(contents->Target), Narrow(ExecutablePath()))) << Narrow(contents->Target);
    EXPECT_EQ(contents->Arguments, L"-startup");
    EXPECT_EQ(contents->Description, L"Quillborne");

    // A second tick overwrites the link.
    shortcut.Create();
    EXPECT_TRUE(shortcut.Exists());

    shortcut.Remove();
    EXPECT_FALSE(FileExists(FLink));
    EXPECT_FALSE(shortcut.Exists());
}

// The platform keeps the "Shell Folders" key only as a copy for old programs;
// where it points elsewhere, the link still goes where the user's start-up
// folder really is.
TEST_F(Win32StartupShortcut, TheLegacyShellFoldersCopyIsNotConsulted) {
    constexpr wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    wchar_t saved[MAX_PATH] = {};
    DWORD size = sizeof(saved);
    const bool hadValue = ::RegGetValueW(HKEY_CURRENT_USER, kShellFolders, L"Startup", RRF_RT_REG_SZ, nullptr, saved,
                                         &size) == ERROR_SUCCESS;
    const test::TTempDirectory stale("QuillborneStaleStartup");
    const std::wstring stalePath = Wide(stale.Path());
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kShellFolders, L"Startup", REG_SZ, stalePath.c_str(),
                      static_cast<DWORD>((stalePath.size() + 1) * sizeof(wchar_t)));
    TWin32StartupShortcut shortcut(ExecutablePath());
    shortcut.Create();
    const bool inStale = FileExists(stalePath + L"Quillborne.lnk");
    const bool inStartup = FileExists(FLink);
    if (hadValue) {
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kShellFolders, L"Startup", REG_SZ, saved,
                          static_cast<DWORD>((wcslen(saved) + 1) * sizeof(wchar_t)));
    } else {
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kShellFolders, L"Startup");
    }
    EXPECT_TRUE(inStartup);
    EXPECT_FALSE(inStale);
}

TEST_F(Win32StartupShortcut, AMissingOrUnknownFolderHoldsNoLink) {
    const test::TTempDirectory temp("QuillborneStartupTest");
    const std::wstring missing = Wide(temp.Path()) + L"missing";
    const std::optional<std::wstring> folders[] = {missing, std::wstring(), std::nullopt};
    for (const std::optional<std::wstring>& folder : folders) {
        TWin32StartupShortcut shortcut(ExecutablePath(), [&folder] { return folder; });
        shortcut.Create();
        EXPECT_FALSE(shortcut.Exists()) << Narrow(folder.value_or(L"<none>"));
        shortcut.Remove();
    }
    EXPECT_FALSE(FileExists(missing));
    EXPECT_FALSE(FileExists(FLink));
}

} // namespace
} // namespace quill
