#include "common/win32/ChooseDirectory.h"

#include "common/win32/WinText.h"

#include <shlobj.h>

namespace quill {
namespace {

struct TBrowseStart {
    std::wstring Title;
    std::wstring Start;
};

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) {
        const auto* start = reinterpret_cast<const TBrowseStart*>(data);
        ::SetWindowTextW(window, start->Title.c_str());
        if (!start->Start.empty()) {
            ::SendMessageW(window, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(start->Start.c_str()));
        }
    }
    return 0;
}

} // namespace

std::optional<std::string> BrowseForDirectory(HWND owner, const std::string& title, const std::string& start) {
    TBrowseStart browse{Wide(title), Wide(start)};
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = browse.Title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(&browse);
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&info);
    if (chosen == nullptr) {
        return std::nullopt;
    }
    wchar_t path[MAX_PATH] = {};
    const bool named = ::SHGetPathFromIDListW(chosen, path) != FALSE;
    ::CoTaskMemFree(chosen);
    if (!named || path[0] == L'\0') {
        return std::nullopt;
    }
    return Narrow(path);
}

bool DirectoryExists(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace quill
