#pragma once

#include "app/Actions.h"
#include "recording/MessagePump.h"

#include <array>
#include <string>

namespace quill {

inline constexpr int kStepCount = 7;
inline constexpr int kStepSpacing = 48; // pixels between the rows of two steps
inline constexpr int kFirstLabelTop = 24;
inline constexpr int kFirstYesTop = 16;

// What the wizard shows: one label per step, the Yes button on the row of the
// current step and the Run Program button beside it.
struct TWizardState {
    std::array<bool, kStepCount> LabelEnabled{};
    int YesTop = kFirstYesTop;
    bool YesVisible = true;
    int RunProgramTop = kFirstYesTop;
    bool RunProgramVisible = false;
    std::string TrayHint;
    // What the system names when it asks to end the user's session while
    // this window would rather it did not; empty when nothing is at stake.
    std::string ShutdownBlockReason;
};

// The main window as the session controller sees it.
class IMainView : public IMessagePump {
public:
    // The actions are the controller's: the window greys out what they
    // disable and passes every command on.
    virtual void ShowState(const TWizardState& wizard, const TActionStates& actions) = 0;
    // While a capture runs: the progress caption and the hourglass cursor.
    virtual void ShowCaptureProgress(bool running) = 0;
    virtual void FocusYes() = 0;
    // The program is ending: loops that advance several steps stop.
    virtual bool Terminating() const = 0;
    virtual void SetWatchTimer(bool enabled) = 0;
    virtual void BringToFront() = 0;
    // Shows the window and takes the notification-area icon away.
    virtual void RestoreMainWindow() = 0;
    virtual bool Visible() const = 0;
    // Closes the window as its close box does, through the close query.
    virtual void CloseWindow() = 0;
};

} // namespace quill
