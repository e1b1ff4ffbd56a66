#pragma once

#include "report/InstallerSource.h"
#include "store/RecordingInfo.h"
#include "store/SessionStore.h"

#include <ostream>

namespace quill {

// Every result record of the session with its Included flag, and the recording's details, as UTF-8 JSON; with
// what went into the installer source when one was written ("package", null otherwise).
void WriteJsonResult(std::ostream& out, const TSessionStore& store, const TRecordingInfo& recording,
                     const TInstallerSource* package = nullptr);

} // namespace quill
