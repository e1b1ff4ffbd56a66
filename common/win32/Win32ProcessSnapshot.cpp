#include "common/win32/Win32ProcessSnapshot.h"

#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"

#include <tlhelp32.h>

#include <cwchar>

namespace quill {

bool TWin32ProcessSnapshot::TakeSnapshot(std::vector<TProcessEntry>& entries) {
    entries.clear();
    const TUniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return false;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry)) {
        const std::size_t length = ::wcsnlen(entry.szExeFile, MAX_PATH);
        entries.push_back(TProcessEntry{Narrow(entry.szExeFile, length), entry.th32ProcessID, entry.th32ParentProcessID,
                                        entry.cntThreads, static_cast<std::int32_t>(entry.pcPriClassBase)});
    }
    return true;
}

std::uint32_t TWin32ProcessSnapshot::OwnProcessID() const {
    return ::GetCurrentProcessId();
}

} // namespace quill
