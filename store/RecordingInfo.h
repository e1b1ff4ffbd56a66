#pragma once

#include "common/DateTime.h"
#include "snapshot/HashKind.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quill {

// The facts of the recording in progress or just ended, which the report
// and the command line read as the main window does.
struct TRecordingInfo {
    std::string ProgramName; // the launched or watched program; empty when none
    TDateTime StartTime = 0; // the before-capture began, local time
    TDateTime StopTime = 0;  // the after-capture began, local time
    bool StoppedManually = true;
    bool StartedAutomatically = false;
    // Read at the before-capture with HashKindFromSetting; both scans are
    // hashed with it.
    THashKind HashKind = kHashNone;
    // The launched program's own exit code, when it ended and it is known.
    std::optional<std::uint32_t> ProgramExitCode = std::nullopt;
};

} // namespace quill
