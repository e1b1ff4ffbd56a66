#pragma once

// What the Windows benchmarks share: timing, the registry keys they fill,
// the temporary trees they build and remove again, and the floors of walking
// and hashing those trees.

#include "common/win32/UniqueHandle.h"

#include <windows.h>
#include <bcrypt.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

// The floor of a scan: one FindFirstFileExW walk that keeps nothing.
inline void BareWalk(const std::wstring& directory, std::vector<std::wstring>* files, long long& entries) {
    WIN32_FIND_DATAW data;
    std::vector<std::wstring> subdirectories;
    {
        const TUniqueFind find(::FindFirstFileExW((directory + L"*").c_str(), FindExInfoBasic, &data,
                                                  FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (!find) {
            return;
        }
        do {
            const wchar_t* name = data.cFileName;
            if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) {
                continue;
            }
            ++entries;
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                subdirectories.push_back(directory + name + L"\\");
            } else if (files != nullptr) {
                files->push_back(directory + name);
            }
        } while (::FindNextFileW(find.Get(), &data));
    }
    for (const auto& sub : subdirectories) {
        BareWalk(sub, files, entries);
    }
}

// The floor of hashing: CNG over every file, read in 1 MiB blocks.
inline double BareHash(const std::vector<std::wstring>& files, const wchar_t* algorithm) {
    BCRYPT_ALG_HANDLE provider = nullptr;
    ::BCryptOpenAlgorithmProvider(&provider, algorithm, nullptr, 0);
    std::vector<unsigned char> buffer(1 << 20);
    unsigned char digest[32];
    DWORD length = 0;
    ULONG got = 0;
    ::BCryptGetProperty(provider, BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&length), sizeof length, &got, 0);
    const auto start = std::chrono::steady_clock::now();
    for (const auto& path : files) {
        const TUniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        BCRYPT_HASH_HANDLE hash = nullptr;
        ::BCryptCreateHash(provider, &hash, nullptr, 0, nullptr, 0, 0);
        DWORD read = 0;
        while (::ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) && read != 0) {
            ::BCryptHashData(hash, buffer.data(), read, 0);
        }
        ::BCryptFinishHash(hash, digest, length, 0);
        ::BCryptDestroyHash(hash);
    }
    const double seconds = Seconds(start);
    ::BCryptCloseAlgorithmProvider(provider, 0);
    return seconds;
}

} // namespace quill
