#include "common/win32/Files.h"

#include "common/win32/SystemMessage.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <iterator>
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

namespace {

// Errors name the file the caller asked for, never a temporary one of ours.
[[noreturn]] void RaiseFileError(const std::wstring& path, std::string_view what, DWORD error) {
    std::string reason = SystemMessage(error);
    const std::string text = Narrow(path) + " cannot be " + std::string(what) + " (" + reason + ")";
    throw EFileError(text, std::move(reason));
}

} // namespace

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
    const auto raise = [&path](std::string_view what, DWORD error) { RaiseFileError(path, what, error); };
    TUniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return std::nullopt;
        }
        raise("opened", error);
    }
    std::string bytes;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
            raise("read", ::GetLastError());
        }
        if (read == 0) {
            return bytes;
        }
        bytes.append(buffer.data(), read);
    }
}

namespace {

// An empty file of a name no other file of the folder has: a file the user
// keeps beside the target, whatever its name, is never written over.
TUniqueFile CreateFileBeside(const std::wstring& path, std::wstring& temporary) {
    static std::atomic<unsigned> next{0};
    const std::wstring folder = path.substr(0, path.find_last_of(L"\\/:") + 1);
    for (;;) {
        wchar_t name[32];
        std::swprintf(name, std::size(name), L"~qb%lx-%x.tmp", ::GetCurrentProcessId(), next++);
        temporary = folder + name;
        TUniqueFile file(
            ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file || (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS)) {
            return file;
        }
    }
}

// Writes and flushes the bytes; the system's error, or ERROR_SUCCESS.
DWORD WriteAndFlush(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const auto piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), DWORD{1} << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), piece, &written, nullptr)) {
            return ::GetLastError();
        }
        if (written == 0) {
            return ERROR_DISK_FULL;
        }
        bytes.remove_prefix(written);
    }
    return ::FlushFileBuffers(file) ? ERROR_SUCCESS : ::GetLastError();
}

} // namespace

void WriteWholeFile(const std::wstring& path, std::string_view bytes) {
    const auto raise = [&path](std::string_view what, DWORD error) { RaiseFileError(path, what, error); };
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        raise("replaced", ERROR_ACCESS_DENIED);
    }
    std::wstring temporary;
    DWORD error = ERROR_SUCCESS;
    {
        const TUniqueFile file = CreateFileBeside(path, temporary);
        if (!file) {
            raise("written", ::GetLastError());
        }
        error = WriteAndFlush(file.Get(), bytes);
    }
    // The temporary file is closed now, so that it can be removed.
    if (error != ERROR_SUCCESS) {
        ::DeleteFileW(temporary.c_str());
        raise("written", error);
    }
    if (!::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = ::GetLastError();
        ::DeleteFileW(temporary.c_str());
        raise("replaced", error);
    }
}

} // namespace quill
