#pragma once

#include "store/RecordingInfo.h"
#include "store/SessionStore.h"

#include <ostream>
#include <string>
#include <vector>

namespace quill {

// The .reg file (UTF-16LE with BOM, as regedit writes it) that takes the registry back to the before-capture; included
// records only. Returns the keys and values it had to leave out because a line break in a name cannot be written in
// such a script ("HKEY_CURRENT_USER\Key" or "HKEY_CURRENT_USER\Key: \"name\"", line breaks shown as U+240D and
// U+240A); the script lists them in its comments.
std::vector<std::string> WriteUndoScript(std::ostream& out, const TSessionStore& store,
                                         const TRecordingInfo& recording);
// The created files and directories, deepest first, one per line, UTF-8, for the user to review.
void WriteCreatedFilesList(std::ostream& out, const TSessionStore& store);

// The line that sets one value back as the record has it: "name" (or @ for
// the default value), then its exact type and data in regedit's notation;
// long hex data goes on over further lines (CR LF within, none at the end).
std::string UndoValueLine(const TValueRecord& value);

} // namespace quill
