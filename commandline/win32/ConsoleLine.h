#pragma once

#include "commandline/ConsoleProgress.h"

#include <windows.h>

#include <memory>

namespace quill {

// The progress line on a console that someone watches; null when the output
// goes to a file, a pipe or nowhere, where a rewritten line would only
// clutter what is kept.
std::unique_ptr<IConsoleLine> InteractiveConsoleLine(HANDLE output);

} // namespace quill
