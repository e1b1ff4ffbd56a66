#include "common/win32/Win32DriveInfo.h"

#include "common/win32/WinText.h"

#include <windows.h>

namespace quill {

std::uint32_t TWin32DriveInfo::LogicalDrives() {
    return ::GetLogicalDrives();
}

TDriveType TWin32DriveInfo::DriveType(std::string_view root) {
    const UINT type = ::GetDriveTypeW(Wide(root).c_str());
    return type <= DRIVE_RAMDISK ? static_cast<TDriveType>(type) : TDriveType::Unknown;
}

bool TWin32DriveInfo::TotalFreeBytes(std::string_view root, std::int64_t& bytes) {
    ULARGE_INTEGER available;
    ULARGE_INTEGER total;
    ULARGE_INTEGER free;
    if (!::GetDiskFreeSpaceExW(Wide(root).c_str(), &available, &total, &free)) {
        return false;
    }
    bytes = static_cast<std::int64_t>(free.QuadPart);
    return true;
}

} // namespace quill
