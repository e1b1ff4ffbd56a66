#include "common/win32/Files.h"

#include "common/win32/SystemMessage.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace quill {

std::wstring ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            throw std::runtime_error("the program's own path cannot be read");
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring ExecutableDirectory() {
    const std::wstring path = ExecutablePath();
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
    TUniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return std::nullopt;
        }
        throw std::runtime_error(Narrow(path) + " cannot be opened (error " + std::to_string(error) + ")");
    }
    std::string bytes;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
            throw std::runtime_error(Narrow(path) + " cannot be read (error " + std::to_string(::GetLastError()) + ")");
        }
        if (read == 0) {
            return bytes;
        }
        bytes.append(buffer.data(), read);
    }
}

void WriteWholeFile(const std::wstring& path, std::string_view bytes) {
    const std::wstring temporary = path + L".new";
    const auto raise = [](const std::wstring& file, std::string_view what, DWORD error) {
        throw std::runtime_error(Narrow(file) + " cannot be " + std::string(what) + " (" + SystemMessage(error) + ")");
    };
    {
        const TUniqueFile file(
            ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            raise(temporary, "made", ::GetLastError());
        }
        while (!bytes.empty()) {
            const auto piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), DWORD{1} << 30));
            DWORD written = 0;
            if (!::WriteFile(file.Get(), bytes.data(), piece, &written, nullptr) || written == 0) {
                const DWORD error = ::GetLastError();
                ::DeleteFileW(temporary.c_str());
                raise(temporary, "written", error);
            }
            bytes.remove_prefix(written);
        }
    }
    if (!::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(temporary.c_str());
        raise(path, "replaced", error);
    }
}

} // namespace quill
