#include "app/Actions.h"

namespace quill {

TActionStates::TActionStates() {
    FEnabled.fill(true);
    // Nothing to view, free or stop before the first recording.
    Disable(TAction::ViewReport);
    Disable(TAction::FreeReport);
    Disable(TAction::SaveInstallerSource);
    Disable(TAction::StopRecording);
}

} // namespace quill
