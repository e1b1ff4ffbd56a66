#include "common/win32/Win32DriveInfo.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace quill {
namespace {

TEST(Win32DiskUsage, DriveCIsFixedAndMeasured) {
    TWin32DriveInfo drives;
    std::vector<TFixedDrive> list;
    GetFixedDrives(drives, list);
    bool hasC = false;
    for (const auto& drive : list) {
        hasC = hasC || (drive.Root == "C:\\" && drive.Index == 2);
    }
    EXPECT_TRUE(hasC);

    TDiskFreeTable table{};
    TCaptureNotes notes;
    MeasureDiskFree(drives, table, notes);
    ULARGE_INTEGER available;
    ULARGE_INTEGER total;
    ULARGE_INTEGER free;
    ASSERT_TRUE(::GetDiskFreeSpaceExW(L"C:\\", &available, &total, &free));
    EXPECT_GT(table[2], 0);
    // Another process may write meanwhile; the figure is the volume's free
    // space, not a quota's.
    EXPECT_NEAR(static_cast<double>(table[2]), static_cast<double>(free.QuadPart), 512.0 * 1024 * 1024);
    EXPECT_LE(static_cast<double>(table[2]), static_cast<double>(total.QuadPart));
    for (int n = 0; n < 26; ++n) {
        const wchar_t root[] = {static_cast<wchar_t>(L'A' + n), L':', L'\\', L'\0'};
        if (::GetDriveTypeW(root) != DRIVE_FIXED) {
            EXPECT_EQ(table[static_cast<std::size_t>(n)], 0) << char('A' + n);
        }
    }
}

} // namespace
} // namespace quill
