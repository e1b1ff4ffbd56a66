#pragma once

#include "common/win32/UniqueHandle.h"

#include <windows.h>

namespace quill {

// A JPEG picture kept as raw data among the program's resources, decoded
// into a bitmap of its own size. Raises std::runtime_error when the resource
// is missing or cannot be decoded.
TUniqueGdiObject LoadJpegResource(HINSTANCE instance, int id);

} // namespace quill
