#include "settings/win32/Win32StartupShortcut.h"

#include "settings/win32/ShellLink.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <utility>

namespace quill {
namespace {

constexpr wchar_t kLinkName[] = L"Quillborne.lnk";

bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace

std::optional<std::wstring> KnownStartupFolder() {
    PWSTR path = nullptr;
    const HRESULT result = ::SHGetKnownFolderPath(FOLDERID_Startup, 0, nullptr, &path);
    std::optional<std::wstring> folder;
    if (SUCCEEDED(result) && path != nullptr) {
        folder = path;
    }
    ::CoTaskMemFree(path);
    return folder;
}

TWin32StartupShortcut::TWin32StartupShortcut(std::wstring target, TFolderSource folder)
    : FTarget(std::move(target)), FFolder(std::move(folder)) {}

std::optional<std::wstring> TWin32StartupShortcut::LinkFile() const {
    std::optional<std::wstring> folder = FFolder();
    if (!folder || folder->empty() || !IsDirectory(*folder)) {
        return std::nullopt;
    }
    if (folder->back() != L'\\') {
        *folder += L'\\';
    }
    return *folder + kLinkName;
}

bool TWin32StartupShortcut::Exists() {
    const std::optional<std::wstring> link = LinkFile();
    return link && IsFile(*link);
}

void TWin32StartupShortcut::Create() {
    if (const std::optional<std::wstring> link = LinkFile()) {
        CreateShortcut(FTarget, *link, L"Quillborne", L"-startup");
    }
}

void TWin32StartupShortcut::Remove() {
    if (const std::optional<std::wstring> link = LinkFile()) {
        ::DeleteFileW(link->c_str());
    }
}

} // namespace quill
