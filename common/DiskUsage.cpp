#include "common/DiskUsage.h"

namespace quill {

void GetFixedDrives(IDriveInfo& drives, std::vector<TFixedDrive>& list) {
    list.clear();
    const std::uint32_t mask = drives.LogicalDrives();
    for (int n = 0; n < 26; ++n) {
        if ((mask & (std::uint32_t{1} << n)) == 0) {
            continue;
        }
        std::string root{static_cast<char>('A' + n), ':', '\\'};
        if (drives.DriveType(root) == TDriveType::Fixed) {
            list.push_back(TFixedDrive{std::move(root), n});
        }
    }
}

void MeasureDiskFree(IDriveInfo& drives, TDiskFreeTable& table, TCaptureNotes& notes) {
    std::vector<TFixedDrive> list;
    GetFixedDrives(drives, list);
    for (const auto& drive : list) {
        std::int64_t bytes = 0;
        if (drives.TotalFreeBytes(drive.Root, bytes)) {
            table[static_cast<std::size_t>(drive.Index)] = bytes;
        } else {
            table[static_cast<std::size_t>(drive.Index)] = 0;
            notes.Add("Could not measure the free space", drive.Root);
        }
    }
}

} // namespace quill
