#pragma once

#include <windows.h>

#include <string>

namespace quill {

// Asks, in a small window on top of all others and without an owner, whether
// the named process is to be recorded; true on Yes.
bool AskRecordProcess(HINSTANCE instance, const std::string& name);

} // namespace quill
