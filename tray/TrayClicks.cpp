#include "tray/TrayClicks.h"

namespace quill {

bool TTrayClicks::LeftDown(bool hasDoubleClickHandler) noexcept {
    FStarted = true;
    return hasDoubleClickHandler;
}

bool TTrayClicks::LeftUp(bool clickTimerRunning) noexcept {
    const bool started = FStarted;
    FStarted = false;
    if (!started) {
        return false;
    }
    FReady = true;
    if (clickTimerRunning) {
        return false;
    }
    FReady = false;
    FDoubleClicked = false;
    return true;
}

void TTrayClicks::DoubleClick() noexcept {
    FReady = false;
    FDoubleClicked = true;
}

bool TTrayClicks::ClickTimeElapsed() noexcept {
    const bool click = !FDoubleClicked && FReady;
    FReady = false;
    FDoubleClicked = false;
    return click;
}

} // namespace quill
