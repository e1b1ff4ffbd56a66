#include "filter/win32/Win32IgnoreFiles.h"

#include "common/win32/Files.h"
#include "common/win32/SystemMessage.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"

#include <windows.h>

#include <stdexcept>

namespace quill {
namespace {

[[noreturn]] void RaiseError(DWORD error) {
    throw std::runtime_error(SystemMessage(error));
}

} // namespace

std::optional<std::string> TWin32IgnoreFiles::Read(const std::string& path) {
    std::optional<std::string> bytes = ReadWholeFile(Wide(path));
    if (!bytes) {
        return std::nullopt;
    }
    return DecodeFileText(*bytes);
}

void TWin32IgnoreFiles::Create(const std::string& path, const std::string& bytes) {
    TUniqueFile file(
        ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        RaiseError(::GetLastError());
    }
    DWORD written = 0;
    if (!::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        !::FlushFileBuffers(file.Get())) {
        RaiseError(::GetLastError());
    }
    if (written != bytes.size()) {
        RaiseError(ERROR_DISK_FULL);
    }
}

void TWin32IgnoreFiles::Replace(const std::string& from, const std::string& to) {
    const std::wstring target = Wide(to);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        RaiseError(ERROR_ACCESS_DENIED);
    }
    if (!::MoveFileExW(Wide(from).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        RaiseError(::GetLastError());
    }
}

void TWin32IgnoreFiles::Remove(const std::string& path) noexcept {
    ::DeleteFileW(Wide(path).c_str());
}

std::string IgnoreListFolder() {
    return Narrow(ExecutableDirectory());
}

std::optional<std::string> LookupEnvironmentVariable(std::string_view name) {
    if (name.empty()) {
        return std::nullopt;
    }
    const std::wstring wideName = Wide(name);
    std::wstring value(256, L'\0');
    for (;;) {
        ::SetLastError(ERROR_SUCCESS);
        const DWORD length =
            ::GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (length == 0) {
            if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
                return std::nullopt;
            }
            return std::string();
        }
        if (length < value.size()) {
            value.resize(length);
            return Narrow(value);
        }
        value.resize(length);
    }
}

} // namespace quill
