#include "filter/win32/Win32IgnoreFiles.h"

#include "common/win32/Files.h"
#include "common/win32/WinText.h"

#include <windows.h>

#include <stdexcept>

namespace quill {
std::optional<std::string> TWin32IgnoreFiles::Read(const std::string& path) {
    std::optional<std::string> bytes;
    try {
        bytes = ReadWholeFile(Wide(path));
    } catch (const EFileError& error) {
        // The message around the reason names the file already.
        throw std::runtime_error(error.Reason());
    }
    if (!bytes) {
        return std::nullopt;
    }
    return DecodeFileText(*bytes);
}

void TWin32IgnoreFiles::Write(const std::string& path, const std::string& bytes) {
    try {
        WriteWholeFile(Wide(path), bytes);
    } catch (const EFileError& error) {
        // The message around the reason names the file already.
        throw std::runtime_error(error.Reason());
    }
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
