#pragma once

#include <windows.h>

#include <string>

namespace quill {

// A one-line input box: the caption, a prompt above the field, and the
// value, which it shows first and replaces when the user presses OK. False
// when the user cancels.
bool InputQuery(HWND owner, const std::string& caption, const std::string& prompt, std::string& value);

} // namespace quill
