#pragma once

#include "session/SessionServices.h"
#include "session/SessionStore.h"

#include <ostream>

namespace quill {

// The .reg file (UTF-16LE with BOM, as regedit writes it) that takes the registry back to the before-capture; included
// records only.
void WriteUndoScript(std::ostream& out, const TSessionStore& store, const TRecordingInfo& recording);
// The created files and directories, deepest first, one per line, UTF-8, for the user to review.
void WriteCreatedFilesList(std::ostream& out, const TSessionStore& store);

} // namespace quill
