#pragma once

#include "store/RecordingInfo.h"
#include "store/SessionStore.h"

#include <ostream>

namespace quill {

// Every result record of the session with its Included flag, and the recording's details, as UTF-8 JSON.
void WriteJsonResult(std::ostream& out, const TSessionStore& store, const TRecordingInfo& recording);

} // namespace quill
