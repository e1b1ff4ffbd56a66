#pragma once

#include "common/win32/LongPath.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace quill::test {

// A fresh directory below the user's temp folder, removed before and after
// the test. Paths are UTF-8 and end with a backslash.
class TTempDirectory {
public:
    explicit TTempDirectory(std::string_view name) {
        wchar_t temp[MAX_PATH + 1];
        const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
        // Scans record the long form of a path; the temp folder may be given
        // with short names.
        wchar_t longTemp[MAX_PATH + 1];
        const DWORD longLength = ::GetLongPathNameW(temp, longTemp, MAX_PATH + 1);
        if (longLength != 0 && longLength <= MAX_PATH) {
            FPath = Narrow(longTemp, longLength);
        } else {
            FPath = Narrow(temp, length);
        }
        if (FPath.empty() || FPath.back() != '\\') {
            FPath.push_back('\\');
        }
        FPath.append(name).append("-").append(std::to_string(::GetCurrentProcessId())).push_back('\\');
        RemoveTree(FPath);
        ::CreateDirectoryW(LongPathForm(FPath).c_str(), nullptr);
    }
    ~TTempDirectory() { RemoveTree(FPath); }
    TTempDirectory(const TTempDirectory&) = delete;
    TTempDirectory& operator=(const TTempDirectory&) = delete;

    const std::string& Path() const noexcept { return FPath; }

    // Creates the directory and its parents; the path may exceed 260
    // characters.
    bool MakeDirectory(std::string_view relative) const {
        std::string path = FPath;
        std::size_t start = 0;
        while (start < relative.size()) {
            std::size_t end = relative.find('\\', start);
            if (end == std::string_view::npos) {
                end = relative.size();
            }
            path.append(relative.substr(start, end - start)).push_back('\\');
            if (!::CreateDirectoryW(LongPathForm(path).c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
                return false;
            }
            start = end + 1;
        }
        return true;
    }

    bool WriteFile(std::string_view relative, std::string_view content) const {
        const TUniqueFile file(::CreateFileW(LongPathForm(FPath + std::string(relative)).c_str(), GENERIC_WRITE, 0,
                                             nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        return file && ::WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
               written == content.size();
    }

    static void RemoveTree(const std::string& directory) {
        WIN32_FIND_DATAW data;
        const std::wstring pattern = LongPathForm(directory) + L"*";
        const TUniqueFind find(::FindFirstFileW(pattern.c_str(), &data));
        if (find) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..") {
                    continue;
                }
                const std::string path = directory + Narrow(name);
                if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                    (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
                    RemoveTree(path + "\\");
                } else if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                    ::RemoveDirectoryW(LongPathForm(path).c_str());
                } else {
                    ::SetFileAttributesW(LongPathForm(path).c_str(), FILE_ATTRIBUTE_NORMAL);
                    ::DeleteFileW(LongPathForm(path).c_str());
                }
            } while (::FindNextFileW(find.Get(), &data));
        }
        ::RemoveDirectoryW(LongPathForm(directory).c_str());
    }

private:
    std::string FPath;
};

} // namespace quill::test
