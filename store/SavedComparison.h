#pragma once

#include "store/SnapshotFile.h"

#include <string>

namespace quill {

// Two before-captures saved apart (two machines, or one machine on two days)
// compare as a before and an after side only where both recorded the same:
// a root or a directory that only one of them recorded would report all it
// holds as created or deleted, and digests of two kinds never match. Leaves
// in both captures only what both recorded, compared alike, and notes what
// was left out in after's notes, naming the captures beforeName and
// afterName. before's facts then name the directories compared.
void KeepWhatBothRecorded(TSavedCapture& before, TSavedCapture& after, const std::string& beforeName,
                          const std::string& afterName);

} // namespace quill
