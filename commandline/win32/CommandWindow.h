#pragma once

#include "recording/CapturePlatform.h"
#include "recording/MessagePump.h"

#include <windows.h>

namespace quill {

// The window a recording from the command line gives the shell's
// notifications and the directory watchers to report to: message-only, so it
// is never shown and needs no display (under Wine, none may be there). The
// progress a capture would show is told on the console instead, step by step.
class TCommandWindow : public ICaptureDisplay, public IMessagePump {
public:
    explicit TCommandWindow(HINSTANCE instance);
    ~TCommandWindow() override;
    TCommandWindow(const TCommandWindow&) = delete;
    TCommandWindow& operator=(const TCommandWindow&) = delete;

    // Null when the window could not be made.
    HWND Handle() const noexcept { return FHandle; }

    void ProcessMessages() override;
    // A tick at the interval while the thread waits, so that a wait serving
    // messages looks at its clock; 0 stops it.
    void Tick(UINT milliseconds);

    void ShowCaption(bool) override {}
    void SetCaption(const std::string&) override {}
    void ShowBar(bool) override {}
    void SetBar(int, int, int, int) override {}
    void RewindBar() override {}
    void StepBar() override {}
    void ShowAnimation(bool) override {}
    void RunAnimation(bool) override {}
    void ShowBusyCursor(bool) override {}
    void BringToFront() override {}

private:
    HWND FHandle = nullptr;
};

} // namespace quill
