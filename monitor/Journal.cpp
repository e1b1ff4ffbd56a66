#include "monitor/Journal.h"

#include <memory>
#include <utility>

namespace quill {

void AddShellEvent(TShellEvents& events, TDateTime now, std::uint32_t kind, std::uint32_t code, std::string path1,
                   std::string path2) {
    auto event = std::make_unique<TShellEvent>();
    event->Time = now;
    event->Kind = kind;
    event->Code = code;
    event->Path2 = std::move(path2);
    std::string text = path1;
    event->Path1 = std::move(path1);
    events.Add(std::move(text), std::move(event));
}

void TFileWatchJournal::AddFileWatchEvent(std::uint32_t action, std::string path) {
    auto event = std::make_unique<TFileWatchEvent>();
    event->Action = action;
    event->Time = FClock.Now();
    {
        const std::lock_guard lock(FFileWatchLock);
        FFileWatchEvents.Add(std::move(path), std::move(event));
    }
    FAppended.notify_all();
}

void TFileWatchJournal::AddNote(std::string_view kind, std::string example) {
    const std::lock_guard lock(FFileWatchLock);
    FNotes.Add(kind, std::move(example));
}

std::size_t TFileWatchJournal::Count() const {
    const std::lock_guard lock(FFileWatchLock);
    return FFileWatchEvents.Count();
}

bool TFileWatchJournal::WaitForCount(std::size_t count, std::chrono::milliseconds timeout) const {
    return WaitUntil([count](const TFileWatchEvents& events) { return events.Count() >= count; }, timeout);
}

bool TFileWatchJournal::WaitUntil(const std::function<bool(const TFileWatchEvents&)>& done,
                                  std::chrono::milliseconds timeout) const {
    std::unique_lock lock(FFileWatchLock);
    return FAppended.wait_for(lock, timeout, [&] { return done(FFileWatchEvents); });
}

} // namespace quill
