#pragma once

#include <windows.h>

namespace quill::test {

// HKCU\Software\QuillborneTest, removed before and after each test that uses
// it.
inline constexpr wchar_t kScratchKey[] = L"Software\\QuillborneTest";
inline constexpr char kScratchPath[] = "Software\\QuillborneTest";

class TScratchKey {
public:
    TScratchKey() { ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey); }
    ~TScratchKey() { ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey); }
    TScratchKey(const TScratchKey&) = delete;
    TScratchKey& operator=(const TScratchKey&) = delete;
};

} // namespace quill::test
