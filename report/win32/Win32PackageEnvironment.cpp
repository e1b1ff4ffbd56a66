#include "report/win32/Win32PackageEnvironment.h"

#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"

#include <windows.h>

#include <knownfolders.h>
#include <sddl.h>
#include <shlobj.h>

#include <vector>

namespace quill {
namespace {

struct TKnownFolder {
    const KNOWNFOLDERID* Id;
    const char* WixId;
    bool PerUser;
};

const TKnownFolder kKnownFolders[] = {
    {&FOLDERID_ProgramFiles, "ProgramFiles64Folder", false},
    {&FOLDERID_ProgramFilesX86, "ProgramFilesFolder", false},
    {&FOLDERID_ProgramFilesCommon, "CommonFiles64Folder", false},
    {&FOLDERID_ProgramFilesCommonX86, "CommonFilesFolder", false},
    {&FOLDERID_ProgramData, "CommonAppDataFolder", false},
    {&FOLDERID_CommonPrograms, "ProgramMenuFolder", false},
    {&FOLDERID_CommonStartup, "StartupFolder", false},
    {&FOLDERID_PublicDesktop, "DesktopFolder", false},
    {&FOLDERID_Windows, "WindowsFolder", false},
    {&FOLDERID_System, "System64Folder", false},
    {&FOLDERID_SystemX86, "SystemFolder", false},
    {&FOLDERID_Fonts, "FontsFolder", false},
    {&FOLDERID_RoamingAppData, "AppDataFolder", true},
    {&FOLDERID_LocalAppData, "LocalAppDataFolder", true},
    {&FOLDERID_Programs, "ProgramMenuFolder", true},
    {&FOLDERID_Startup, "StartupFolder", true},
    {&FOLDERID_Desktop, "DesktopFolder", true},
};

std::string KnownFolderPath(const KNOWNFOLDERID& id) {
    PWSTR path = nullptr;
    std::string text;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path)) && path != nullptr) {
        text = Narrow(path);
    }
    ::CoTaskMemFree(path);
    if (!text.empty() && !text.ends_with('\\')) {
        text += '\\';
    }
    return text;
}

std::string UserSid() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return {};
    }
    const TUniqueHandleObject owned(token);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        return {};
    }
    PWSTR text = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
        return {};
    }
    std::string sid = Narrow(text);
    ::LocalFree(text);
    return sid;
}

} // namespace

TPackageEnvironment Win32PackageEnvironment() {
    TPackageEnvironment environment;
    for (const TKnownFolder& folder : kKnownFolders) {
        std::string path = KnownFolderPath(*folder.Id);
        if (!path.empty()) {
            environment.Folders.push_back({std::move(path), folder.WixId, folder.PerUser});
        }
    }
    environment.UserSid = UserSid();
    return environment;
}

} // namespace quill
