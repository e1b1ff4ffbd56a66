#pragma once

namespace quill {

// Tells a single click on the notification-area icon from a double click.
// While a double-click handler exists, a single click counts only once the
// system's double-click time has passed without a second press; the caller
// runs the click timer and raises the events this answers.
class TTrayClicks {
public:
    // True when the click timer is to start.
    bool LeftDown(bool hasDoubleClickHandler) noexcept;
    // True when the click is to be raised now.
    bool LeftUp(bool clickTimerRunning) noexcept;
    void DoubleClick() noexcept;
    // The click timer ran out (the caller stops it); true when the click is
    // to be raised now.
    bool ClickTimeElapsed() noexcept;

private:
    bool FStarted = false;
    bool FReady = false;
    bool FDoubleClicked = false;
};

} // namespace quill
