#pragma once

#include <windows.h>

#include <string>

namespace quill {

// Opens the help file beside the executable at the page (the file's own
// first page when the page is empty), with the owner as the parent of the
// viewer and of the error box that says the file is missing.
void ShowHelp(HWND owner, const std::string& page);

} // namespace quill
