#include "monitor/Journal.h"

#include "common/TextCompare.h"

#include <algorithm>
#include <iterator>
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

bool TFileWatchJournal::TChangeLess::operator()(const TChange& a, const TChange& b) const noexcept {
    if (a.Action != b.Action) {
        return a.Action < b.Action;
    }
    return CompareText(a.Path, b.Path) < 0;
}

std::size_t TFileWatchJournal::BeginWatch(std::string directory, bool subtree) {
    const std::lock_guard lock(FFileWatchLock);
    FWatches.push_back(TWatch{std::move(directory), subtree});
    return FWatches.size() - 1;
}

// Copies that an ended watch was expected to report will never come.
void TFileWatchJournal::EndWatch(std::size_t watch) {
    const std::lock_guard lock(FFileWatchLock);
    if (watch >= FWatches.size()) {
        return;
    }
    FWatches[watch].Running = false;
    for (auto change = FExpected.begin(); change != FExpected.end();) {
        auto& occurrences = change->second;
        for (auto& waiting : occurrences) {
            std::erase(waiting, watch);
        }
        std::erase_if(occurrences, [](const auto& waiting) { return waiting.empty(); });
        change = occurrences.empty() ? FExpected.erase(change) : std::next(change);
    }
}

bool TFileWatchJournal::TakeExpectedCopy(const TChange& change, std::size_t watch) {
    const auto found = FExpected.find(change);
    if (found == FExpected.end()) {
        return false;
    }
    auto& occurrences = found->second;
    for (auto waiting = occurrences.begin(); waiting != occurrences.end(); ++waiting) {
        const auto at = std::find(waiting->begin(), waiting->end(), watch);
        if (at == waiting->end()) {
            continue;
        }
        waiting->erase(at);
        if (waiting->empty()) {
            occurrences.erase(waiting);
        }
        if (occurrences.empty()) {
            FExpected.erase(found);
        }
        return true;
    }
    return false;
}

void TFileWatchJournal::ExpectCopies(TChange change, std::size_t watch) {
    std::vector<std::size_t> others;
    for (std::size_t other = 0; other < FWatches.size(); ++other) {
        const TWatch& w = FWatches[other];
        if (other == watch || !w.Running) {
            continue;
        }
        const std::size_t matched = MatchTextPrefix(change.Path, w.Directory);
        if (matched != std::string_view::npos &&
            (w.Subtree || change.Path.find('\\', matched) >= change.Path.size() - 1)) {
            others.push_back(other);
        }
    }
    if (!others.empty()) {
        FExpected[std::move(change)].push_back(std::move(others));
    }
}

void TFileWatchJournal::AddFileWatchEvent(std::uint32_t action, std::string path, std::size_t watch) {
    auto event = std::make_unique<TFileWatchEvent>();
    event->Action = action;
    event->Time = FClock.Now();
    {
        const std::lock_guard lock(FFileWatchLock);
        if (watch != kNoWatch) {
            TChange change{action, path};
            if (TakeExpectedCopy(change, watch)) {
                return;
            }
            ExpectCopies(std::move(change), watch);
        }
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
