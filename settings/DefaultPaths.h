#pragma once

#include "common/DiskUsage.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// The directories scanned and watched until the user chooses others: the
// root of every fixed drive in letter order, except a drive that maps the
// whole file system of a host the program runs on through a compatibility
// layer, whose scan would walk that entire system.
std::vector<std::string> DefaultScanPaths(IDriveInfo& drives,
                                          const std::function<bool(std::string_view root)>& mapsWholeHost);

} // namespace quill
