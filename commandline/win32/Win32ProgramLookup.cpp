#include "commandline/win32/Win32ProgramLookup.h"

#include "common/win32/WinText.h"

#include <windows.h>

namespace quill {
namespace {

constexpr wchar_t kAppPathsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

std::string Variable(const wchar_t* name) {
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        return {};
    }
    std::wstring value(size, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return Narrow(value);
}

std::string CurrentFolder() {
    const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(size, L'\0');
    const DWORD length = size == 0 ? 0 : ::GetCurrentDirectoryW(size, folder.data());
    folder.resize(length < size ? length : 0);
    return Narrow(folder);
}

// The default value, a REG_EXPAND_SZ one expanded (RRF_RT_REG_SZ lets it
// through that way); empty when the key or the value is not there.
std::string DefaultValue(HKEY root, const std::wstring& path) {
    DWORD bytes = 0;
    if (::RegGetValueW(root, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS) {
        return {};
    }
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (::RegGetValueW(root, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value.data(), &bytes) != ERROR_SUCCESS) {
        return {};
    }
    value.resize(wcsnlen(value.c_str(), value.size()));
    return Narrow(value);
}

} // namespace

std::string TWin32ProgramLookup::FindFile(const std::string& folder, const std::string& fileName) {
    const std::wstring path = Wide(folder);
    const std::wstring name = Wide(fileName);
    const DWORD size = ::SearchPathW(path.c_str(), name.c_str(), nullptr, 0, nullptr, nullptr);
    if (size == 0) {
        return {};
    }
    std::wstring found(size, L'\0');
    const DWORD length = ::SearchPathW(path.c_str(), name.c_str(), nullptr, size, found.data(), nullptr);
    if (length == 0 || length >= size) {
        return {};
    }
    found.resize(length);
    // A folder of that name is no program.
    const DWORD attributes = ::GetFileAttributesW(found.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return {};
    }
    return Narrow(found);
}

std::string TWin32ProgramLookup::AppPath(const std::string& fileName) {
    const std::wstring key = kAppPathsKey + Wide(fileName);
    std::string path = DefaultValue(HKEY_CURRENT_USER, key);
    return path.empty() ? DefaultValue(HKEY_LOCAL_MACHINE, key) : path;
}

TProgramSearch CurrentProgramSearch() {
    return {CurrentFolder(), Variable(L"PATH"), Variable(L"PATHEXT")};
}

} // namespace quill
