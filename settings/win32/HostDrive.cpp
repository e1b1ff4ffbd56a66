#include "settings/win32/HostDrive.h"

#include "common/win32/WinText.h"

#include <windows.h>

#include <string_view>

namespace quill {

bool MapsWholeHost(std::string_view root) {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr || ::GetProcAddress(ntdll, "wine_get_version") == nullptr) {
        return false;
    }
    using TUnixFileName = char*(CDECL*)(LPCWSTR);
    const auto unixFileName = reinterpret_cast<TUnixFileName>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (unixFileName == nullptr) {
        return false;
    }
    char* name = unixFileName(Wide(root).c_str());
    if (name == nullptr) {
        return false;
    }
    const bool whole = std::string_view(name) == "/";
    ::HeapFree(::GetProcessHeap(), 0, name);
    return whole;
}

} // namespace quill
