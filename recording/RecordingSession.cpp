#include "recording/RecordingSession.h"

#include <string>

namespace quill {

TRecordingSession::TRecordingSession(TSettings& settings, const TCapturePlatform& platform)
    : FSettings(settings), FPlatform(platform), FStore(platform.LocalTime) {}

// The shell's handlers write into this store: none may outlive it.
TRecordingSession::~TRecordingSession() {
    FPlatform.ShellMonitor.Stop();
    FPlatform.ShellMonitor.Events().ClearHandlers();
    StopWatchers();
}

void TRecordingSession::NewSession() {
    if (FCapturing) {
        return;
    }
    DiscardSession();
}

void TRecordingSession::FreeSession() noexcept {
    if (FCapturing) {
        return;
    }
    StopWatchers();
    FStore.FreeSession();
}

// The watchers write into the store's journal: they stop before it goes.
void TRecordingSession::DiscardSession() {
    StopWatchers();
    FPaths.clear();
    FStore.NewSession();
}

void TRecordingSession::StopWatchers() noexcept {
    for (auto& watcher : FWatchers) {
        watcher->StopWatch();
    }
    FWatchers.clear();
}

void TRecordingSession::ProgressStart(int minimum, int maximum, int step, int position, const std::string& caption) {
    ICaptureDisplay& display = FPlatform.Display;
    display.SetBar(minimum, maximum, step, position);
    display.ShowBar(true);
    display.ProcessMessages();
    display.SetCaption(caption);
    display.ShowCaption(true);
    display.ProcessMessages();
}

void TRecordingSession::ProgressStep() {
    FPlatform.Display.StepBar();
    FPlatform.Display.ProcessMessages();
}

} // namespace quill
