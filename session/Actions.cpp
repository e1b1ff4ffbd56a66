#include "session/Actions.h"

namespace quill {

std::string_view ActionCaption(TAction action) noexcept {
    switch (action) {
    case TAction::Yes:
        return "&Yes";
    case TAction::Exit:
        return "Exit";
    case TAction::About:
        return "About";
    case TAction::ViewReport:
        return "View Report";
    case TAction::FreeReport:
        return "Free Report";
    case TAction::FilterResults:
        return "Filter Settings";
    case TAction::ReportSettings:
        return "Settings";
    case TAction::FilterDirs:
        return "Filter Directories";
    case TAction::FilterFiles:
        return "Filter Files";
    case TAction::FilterKeys:
        return "Filter Keys";
    case TAction::FilterValues:
        return "Filter Values";
    case TAction::Help:
        return "Help";
    case TAction::StartRecording:
        return "Start Recording";
    case TAction::StopRecording:
        return "Stop Recording";
    case TAction::RunProgram:
        return "Run Program";
    }
    return {};
}

TActionStates::TActionStates() {
    FEnabled.fill(true);
    // Nothing to view, free or stop before the first recording.
    Disable(TAction::ViewReport);
    Disable(TAction::FreeReport);
    Disable(TAction::StopRecording);
}

} // namespace quill
