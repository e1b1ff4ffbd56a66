#pragma once

#include "recording/CapturePlatform.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace quill {

// Which worker of a capture reports: each has its own line of progress.
enum class TProgressSource : std::size_t { Registry, Files };

// Carries the progress of a capture's workers to the window's thread, which
// alone may touch the window: the workers' counts and steps go to the
// caption, the hashing to the bar. Workers report from their threads; the
// window's thread shows each report in the order its worker made it, at least
// once, and lets the window's messages in.
class TCaptureProgress {
public:
    // Any thread. A count ("12 keys...") shown late gives way to a later
    // count; any other caption is shown as it is.
    void Count(TProgressSource source, std::string text);
    void Caption(TProgressSource source, std::string text);
    void StartBar(TProgressSource source, int maximum, std::string caption);
    void StepBar(TProgressSource source);
    void EndBar(TProgressSource source);
    // Wakes the window's thread at once, as when a worker ends.
    void Wake();

    // The window's thread: shows what was reported since the last call, then
    // lets the window's messages in.
    void Show(ICaptureDisplay& display);
    // The window's thread: waits until woken or until the interval has
    // passed, whichever comes first.
    void Wait(std::chrono::milliseconds interval);

private:
    enum class TKind { Count, Caption, StartBar, StepBar, EndBar };
    struct TReport {
        TKind Kind;
        std::string Text;
        int Number = 0; // the bar's maximum, or the steps taken
    };

    void Add(TProgressSource source, TReport report);

    std::mutex FLock;
    std::condition_variable FWoken;
    bool FWake = false;
    std::array<std::vector<TReport>, 2> FPending;
    std::array<std::vector<TReport>, 2> FShowing;
};

} // namespace quill
