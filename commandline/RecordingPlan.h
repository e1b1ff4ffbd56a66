#pragma once

#include "common/MessageBoxes.h"
#include "settings/Settings.h"
#include "settings/SettingsDialogState.h"
#include "snapshot/HashKind.h"

#include <string>
#include <vector>

namespace quill {

// A machine where the window never ran has no stored options, and each would
// read as off: no root, no scan, no watch. Such a recording takes the options
// the window's first run stores instead, into settings, which is expected to
// keep its writes to itself.
void TakeFirstRunDefaults(TSettings& settings, IMessageBoxes& messages, TSettingsEnvironment environment);

// What a recording records, as the settings and the options have it.
struct TRecordingPlan {
    std::vector<std::string> Roots; // in the order they are recorded
    std::vector<std::string> Paths; // scanned; empty without the file scan
    THashKind HashKind = kHashNone;
    bool Watching = false;
};

// liveMonitors: whether this run watches at all (not when one side of a
// split recording is taken) and the platform can.
TRecordingPlan PlanRecording(const TSettings& settings, bool liveMonitors);

// One line, such as "Recording HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER;
// scanning C:\; digests: none; watching: on".
std::string RecordingPlanText(const TRecordingPlan& plan);

} // namespace quill
