#include "settings/DefaultPaths.h"

namespace quill {

std::vector<std::string> DefaultScanPaths(IDriveInfo& drives,
                                          const std::function<bool(std::string_view root)>& mapsWholeHost) {
    std::vector<TFixedDrive> fixed;
    GetFixedDrives(drives, fixed);
    std::vector<std::string> paths;
    for (const TFixedDrive& drive : fixed) {
        if (!mapsWholeHost || !mapsWholeHost(drive.Root)) {
            paths.push_back(drive.Root);
        }
    }
    return paths;
}

} // namespace quill
