#include "recording/CaptureProgress.h"

#include <utility>

namespace quill {

void TCaptureProgress::Count(TProgressSource source, std::string text) {
    Add(source, {TKind::Count, std::move(text)});
}

void TCaptureProgress::Caption(TProgressSource source, std::string text) {
    Add(source, {TKind::Caption, std::move(text)});
}

void TCaptureProgress::StartBar(TProgressSource source, int maximum, std::string caption) {
    Add(source, {TKind::StartBar, std::move(caption), maximum});
}

void TCaptureProgress::StepBar(TProgressSource source) {
    Add(source, {TKind::StepBar, {}, 1});
}

void TCaptureProgress::EndBar(TProgressSource source) {
    Add(source, {TKind::EndBar, {}});
}

// A count reported again before it was shown replaces the earlier one, and
// steps add up: what waits for the window stays small however fast a worker
// runs.
void TCaptureProgress::Add(TProgressSource source, TReport report) {
    const std::lock_guard lock(FLock);
    std::vector<TReport>& pending = FPending[static_cast<std::size_t>(source)];
    if (!pending.empty() && pending.back().Kind == report.Kind && report.Kind == TKind::Count) {
        pending.back().Text = std::move(report.Text);
    } else if (!pending.empty() && pending.back().Kind == report.Kind && report.Kind == TKind::StepBar) {
        ++pending.back().Number;
    } else {
        pending.push_back(std::move(report));
    }
}

void TCaptureProgress::Wake() {
    {
        const std::lock_guard lock(FLock);
        FWake = true;
    }
    FWoken.notify_all();
}

void TCaptureProgress::Wait(std::chrono::milliseconds interval) {
    std::unique_lock lock(FLock);
    FWoken.wait_for(lock, interval, [this] { return FWake; });
    FWake = false;
}

void TCaptureProgress::Show(ICaptureDisplay& display) {
    {
        const std::lock_guard lock(FLock);
        std::swap(FShowing, FPending);
    }
    // Shown outside the lock: the window's messages may take their time, and
    // the workers must not wait for them.
    for (std::vector<TReport>& reports : FShowing) {
        for (const TReport& report : reports) {
            switch (report.Kind) {
            case TKind::Count:
            case TKind::Caption:
                display.SetCaption(report.Text);
                display.ShowCaption(true);
                break;
            case TKind::StartBar:
                display.SetBar(0, report.Number, 1, 0);
                display.ShowBar(true);
                display.SetCaption(report.Text);
                display.ShowCaption(true);
                break;
            case TKind::StepBar:
                for (int step = 0; step < report.Number; ++step) {
                    display.StepBar();
                }
                break;
            case TKind::EndBar:
                display.ShowBar(false);
                break;
            }
            display.ProcessMessages();
        }
        reports.clear();
    }
    display.ProcessMessages();
}

} // namespace quill
