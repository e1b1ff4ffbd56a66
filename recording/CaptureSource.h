#pragma once

#include "common/CaptureNotes.h"
#include "recording/CaptureProgress.h"

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

namespace quill {

// The note of a step that failed and ended the steps after it.
void NoteFailure(TCaptureNotes& notes, const std::string& step, std::string_view reason);

// One source of a capture (the registry, the files) whose steps run on a
// thread of their own while the window's thread keeps the window going. It
// keeps its own notes, which the capture puts with its others in the order
// the steps would have made them one after another. A step that raises ends
// the source's steps and is noted; nothing it raises leaves its thread.
class TCaptureSource {
public:
    explicit TCaptureSource(TCaptureProgress& progress) : FProgress(progress) {}
    TCaptureSource(const TCaptureSource&) = delete;
    TCaptureSource& operator=(const TCaptureSource&) = delete;
    ~TCaptureSource();

    void Start(std::function<void(TCaptureSource&)> steps);
    // On the source's thread: names the step that runs now, for the note of
    // a failure.
    void Step(std::string name) { FStepName = std::move(name); }
    TCaptureNotes& Notes() noexcept { return FNotes; }

    // Whether the steps have ended, or never started.
    bool Ended() const noexcept { return FEnded.load(std::memory_order_acquire); }
    // Waits for the thread; only then may its notes and what it captured be
    // read.
    void Join();
    // After Join: whether a step failed.
    bool Failed() const noexcept { return FFailed; }

private:
    void Run(const std::function<void(TCaptureSource&)>& steps) noexcept;

    TCaptureProgress& FProgress;
    std::thread FThread;
    std::atomic<bool> FEnded{true};
    bool FFailed = false;
    std::string FStepName;
    TCaptureNotes FNotes;
};

} // namespace quill
