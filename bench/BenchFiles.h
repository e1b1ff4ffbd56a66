#pragma once

// What the Windows benchmarks share: timing, the registry keys they fill and
// the temporary trees they build and remove again.

#include "common/win32/UniqueHandle.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace quill {

inline double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Opens or creates a key for the bench data; a benchmark without its data
// measures nothing, so it stops.
inline HKEY Create(HKEY parent, const std::wstring& name) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        std::fprintf(stderr, "cannot create %ls\n", name.c_str());
        std::exit(1);
    }
    return key;
}

inline void SetString(HKEY key, const wchar_t* name, DWORD type, const std::wstring& text) {
    ::RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// A folder of the given name in the temporary folder, in its long form: the
// scanner records long names, and a short form would make paths differ.
inline std::wstring BenchFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    wchar_t full[MAX_PATH + 1];
    const DWORD fullLength = ::GetLongPathNameW(temp, full, MAX_PATH + 1);
    return (fullLength != 0 ? std::wstring(full, fullLength) : std::wstring(temp, length)) + name + L"\\";
}

inline void RemoveTree(const std::wstring& directory) {
    WIN32_FIND_DATAW data;
    {
        const TUniqueFind find(::FindFirstFileExW((directory + L"*").c_str(), FindExInfoBasic, &data,
                                                  FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (find) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..") {
                    continue;
                }
                if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                    RemoveTree(directory + name + L"\\");
                } else {
                    ::DeleteFileW((directory + name).c_str());
                }
            } while (::FindNextFileW(find.Get(), &data));
        }
    }
    ::RemoveDirectoryW(directory.c_str());
}

} // namespace quill
