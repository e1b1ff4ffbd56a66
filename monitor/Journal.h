#pragma once

#include "common/CaptureNotes.h"
#include "common/DateTime.h"
#include "common/LocalTime.h"
#include "common/RecordList.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// A shell change notification as journalled while recording.
struct TShellEvent {
    TDateTime Time = 0;
    std::uint32_t Kind = 0;
    std::uint32_t Code = 0;
    std::string Path1;
    std::string Path2;
    std::uint8_t Included = 1;
};

// Arrival order; each item's text is the event's first path. Written and
// read on the user-interface thread only.
using TShellEvents = TRecordList<TShellEvent>;

void AddShellEvent(TShellEvents& events, TDateTime now, std::uint32_t kind, std::uint32_t code, std::string path1,
                   std::string path2);

// A directory change as journalled by a watcher's thread; the item's text is
// the full path of the changed item.
struct TFileWatchEvent {
    std::uint32_t Action = 0;
    TDateTime Time = 0;
    std::uint8_t Included = 1;
};

using TFileWatchEvents = TRecordList<TFileWatchEvent>;

// The directory-change journal that every watcher thread of a session
// appends to, with the one lock that serialises the appends (and the notes of
// what the watchers could not journal). Readers take no lock: they run only
// once every watcher has stopped and its thread has ended.
class TFileWatchJournal {
public:
    explicit TFileWatchJournal(const ILocalTime& clock) : FClock(clock) {}
    TFileWatchJournal(const TFileWatchJournal&) = delete;
    TFileWatchJournal& operator=(const TFileWatchJournal&) = delete;

    static constexpr std::size_t kNoWatch = static_cast<std::size_t>(-1);

    // Any thread. A watch of the directory (ending with a backslash), with
    // its subtree or not, from its start to its end: a change that two
    // running watches both report is journalled once, by whichever reports
    // it first.
    std::size_t BeginWatch(std::string directory, bool subtree);
    void EndWatch(std::size_t watch);

    // Any thread. The record is made and stamped before the lock is taken,
    // so that the lock covers the list append alone. A change reported by
    // the watch is dropped when another watch has journalled it already.
    void AddFileWatchEvent(std::uint32_t action, std::string path, std::size_t watch = kNoWatch);
    void AddNote(std::string_view kind, std::string example);

    // Any thread: the number of events so far, and waits until the events
    // reach a number or pass a test (false when the time ran out first). The
    // test runs under the lock, after each append.
    std::size_t Count() const;
    bool WaitForCount(std::size_t count, std::chrono::milliseconds timeout) const;
    bool WaitUntil(const std::function<bool(const TFileWatchEvents&)>& done, std::chrono::milliseconds timeout) const;

    // Only while no watcher runs.
    TFileWatchEvents& FileWatchEvents() noexcept { return FFileWatchEvents; }
    const TFileWatchEvents& FileWatchEvents() const noexcept { return FFileWatchEvents; }
    const TCaptureNotes& Notes() const noexcept { return FNotes; }

private:
    struct TWatch {
        std::string Directory;
        bool Subtree = true;
        bool Running = true;
    };
    struct TChange {
        std::uint32_t Action;
        std::string Path;
    };
    struct TChangeLess {
        bool operator()(const TChange& a, const TChange& b) const noexcept;
    };
    // Under the lock: whether the change is a copy that a watch was expected
    // to report, and if not, the other watches expected to report it too.
    bool TakeExpectedCopy(const TChange& change, std::size_t watch);
    void ExpectCopies(TChange change, std::size_t watch);

    const ILocalTime& FClock;
    mutable std::mutex FFileWatchLock;
    mutable std::condition_variable FAppended;
    TFileWatchEvents FFileWatchEvents;
    TCaptureNotes FNotes;
    std::vector<TWatch> FWatches;
    // For each change journalled where watches overlap, one list per
    // occurrence of the other watches whose copies are still to come.
    std::map<TChange, std::deque<std::vector<std::size_t>>, TChangeLess> FExpected;
};

} // namespace quill
