#include "common/DiskUsage.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace quill {
namespace {

class TFakeDrives : public IDriveInfo {
public:
    std::uint32_t Mask = 0;
    std::map<std::string, TDriveType> Types;
    std::map<std::string, std::int64_t> Free; // absent: the query fails
    std::vector<std::string> FreeQueries;

    std::uint32_t LogicalDrives() override { return Mask; }
    TDriveType DriveType(std::string_view root) override {
        const auto it = Types.find(std::string(root));
        return it == Types.end() ? TDriveType::NoRootDirectory : it->second;
    }
    bool TotalFreeBytes(std::string_view root, std::int64_t& bytes) override {
        FreeQueries.emplace_back(root);
        const auto it = Free.find(std::string(root));
        if (it == Free.end()) {
            return false;
        }
        bytes = it->second;
        return true;
    }

    void Add(char letter, TDriveType type, std::int64_t free = -1) {
        const std::string root{letter, ':', '\\'};
        Mask |= 1u << (letter - 'A');
        Types[root] = type;
        if (free >= 0) {
            Free[root] = free;
        }
    }
};

TEST(DiskUsage, OnlyFixedDrivesInLetterOrder) {
    TFakeDrives drives;
    drives.Add('Z', TDriveType::Fixed);
    drives.Add('A', TDriveType::Removable);
    drives.Add('C', TDriveType::Fixed);
    drives.Add('D', TDriveType::Fixed);
    drives.Add('E', TDriveType::CdRom);
    drives.Add('F', TDriveType::Remote);
    drives.Add('G', TDriveType::RamDisk);
    drives.Add('H', TDriveType::Unknown);
    drives.Types["Q:\\"] = TDriveType::Fixed; // not in the mask: never asked
    std::vector<TFixedDrive> list{{"X:\\", 23}};
    GetFixedDrives(drives, list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].Root, "C:\\");
    EXPECT_EQ(list[0].Index, 2);
    EXPECT_EQ(list[1].Root, "D:\\");
    EXPECT_EQ(list[2].Root, "Z:\\");
    EXPECT_EQ(list[2].Index, 25);
}

TEST(DiskUsage, MeasuresTotalFreeBytesOfFixedDrivesOnly) {
    TFakeDrives drives;
    drives.Add('C', TDriveType::Fixed, 5'000'000'000'000);
    drives.Add('D', TDriveType::Fixed, 7);
    drives.Add('E', TDriveType::CdRom, 99);
    drives.Add('F', TDriveType::Removable, 99); // an empty card reader
    TDiskFreeTable table{};
    TCaptureNotes notes;
    MeasureDiskFree(drives, table, notes);
    TDiskFreeTable expected{};
    expected[2] = 5'000'000'000'000;
    expected[3] = 7;
    EXPECT_EQ(table, expected);
    EXPECT_EQ(drives.FreeQueries, (std::vector<std::string>{"C:\\", "D:\\"}));
    EXPECT_TRUE(notes.Empty());
}

TEST(DiskUsage, FailedQueryStoresZeroAndIsNoted) {
    TFakeDrives drives;
    drives.Add('C', TDriveType::Fixed, 100);
    drives.Add('D', TDriveType::Fixed);
    TDiskFreeTable table{};
    table[3] = 55;
    TCaptureNotes notes;
    MeasureDiskFree(drives, table, notes);
    EXPECT_EQ(table[2], 100);
    EXPECT_EQ(table[3], 0);
    EXPECT_EQ(notes.Lines(), std::vector<std::string>{"Could not measure the free space: D:\\"});
}

} // namespace
} // namespace quill
