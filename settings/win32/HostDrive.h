#pragma once

#include <string_view>

namespace quill {

// Whether the drive root maps the whole file system of the host that runs
// the program through Wine (by default Z: maps "/"). Always false on Windows.
bool MapsWholeHost(std::string_view root);

} // namespace quill
