#pragma once

#include "common/DiskUsage.h"

namespace quill {

class TWin32DriveInfo : public IDriveInfo {
public:
    std::uint32_t LogicalDrives() override;
    TDriveType DriveType(std::string_view root) override;
    bool TotalFreeBytes(std::string_view root, std::int64_t& bytes) override;
};

} // namespace quill
