#include "recording/CaptureSource.h"

#include <exception>
#include <utility>

namespace quill {
namespace {

constexpr char kFailed[] = "Failed, the rest of the capture skipped";

// The system's messages end with a line break; the notes do not.
std::string Reason(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.remove_suffix(1);
    }
    return text.empty() ? std::string("unknown error") : std::string(text);
}

} // namespace

void NoteFailure(TCaptureNotes& notes, const std::string& step, std::string_view reason) {
    notes.Add(kFailed, step + " (" + Reason(reason) + ")");
}

TCaptureSource::~TCaptureSource() {
    Join();
}

void TCaptureSource::Start(std::function<void(TCaptureSource&)> steps) {
    FEnded.store(false, std::memory_order_release);
    try {
        FThread = std::thread([this, steps = std::move(steps)] { Run(steps); });
    } catch (...) {
        FEnded.store(true, std::memory_order_release);
        throw;
    }
}

void TCaptureSource::Run(const std::function<void(TCaptureSource&)>& steps) noexcept {
    try {
        steps(*this);
    } catch (const std::exception& error) {
        FFailed = true;
        NoteFailure(FNotes, FStepName, error.what());
    } catch (...) {
        FFailed = true;
        NoteFailure(FNotes, FStepName, {});
    }
    FEnded.store(true, std::memory_order_release);
    FProgress.Wake();
}

void TCaptureSource::Join() {
    if (FThread.joinable()) {
        FThread.join();
    }
}

} // namespace quill
