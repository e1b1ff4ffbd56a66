#pragma once

#include "common/CaptureNotes.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// Drive types as the platform numbers them; only fixed drives are measured.
enum class TDriveType : std::uint32_t {
    Unknown = 0,
    NoRootDirectory = 1,
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
    RamDisk = 6
};

// The platform's drive letters, drive types and free space.
class IDriveInfo {
public:
    virtual ~IDriveInfo() = default;
    // Bit n set when drive letter A + n exists.
    virtual std::uint32_t LogicalDrives() = 0;
    virtual TDriveType DriveType(std::string_view root) = 0;
    // The volume's total free bytes, whatever quotas leave to the user.
    virtual bool TotalFreeBytes(std::string_view root, std::int64_t& bytes) = 0;
};

struct TFixedDrive {
    std::string Root; // "C:\"
    int Index = 0;    // 0 = A to 25 = Z
};

// Free bytes per drive letter, 0 where not measured.
using TDiskFreeTable = std::array<std::int64_t, 26>;

// Empties the list and fills it with the fixed drives in letter order.
void GetFixedDrives(IDriveInfo& drives, std::vector<TFixedDrive>& list);

// Stores the total free bytes of every fixed drive at its letter. A drive
// whose free space cannot be read keeps 0, which the report takes as not
// measured, and is noted.
void MeasureDiskFree(IDriveInfo& drives, TDiskFreeTable& table, TCaptureNotes& notes);

} // namespace quill
