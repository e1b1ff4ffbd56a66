#include "common/win32/Win32LocalTime.h"

#include <windows.h>

namespace quill {
namespace {

bool SystemTimeToDateTime(const SYSTEMTIME& st, TDateTime& result) {
    return EncodeDateTime({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds}, result);
}

} // namespace

bool TWin32LocalTime::FileTimeToLocal(std::uint64_t utcFileTime, TDateTime& local) const {
    FILETIME utc;
    utc.dwLowDateTime = static_cast<DWORD>(utcFileTime);
    utc.dwHighDateTime = static_cast<DWORD>(utcFileTime >> 32);
    FILETIME localFileTime;
    SYSTEMTIME st;
    return ::FileTimeToLocalFileTime(&utc, &localFileTime) && ::FileTimeToSystemTime(&localFileTime, &st) &&
           SystemTimeToDateTime(st, local);
}

TDateTime TWin32LocalTime::Now() const {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    TDateTime now = 0;
    SystemTimeToDateTime(st, now);
    return now;
}

} // namespace quill
