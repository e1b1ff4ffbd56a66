#pragma once

#include "recording/CapturePlatform.h"
#include "recording/CaptureProgress.h"
#include "recording/CaptureSource.h"
#include "settings/Settings.h"
#include "store/RecordingInfo.h"
#include "store/SessionStore.h"
#include "store/SnapshotFile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quill {

// The bytes of a snapshot file and the name it is known by.
struct TSavedFile {
    std::string_view Bytes;
    std::string Name;
};

// Whether a before-capture starts the shell notifications and the directory
// watchers: not when only the before side is saved, since nothing would read
// what they journal.
enum class TLiveMonitors { Start, None };

// The platform's change filters of the directory watch that the settings
// ask for; 0 when they ask for none.
std::uint32_t DirectoryWatchMask(const TSettings& settings);

// One recording: owns the session store and the directory watchers, and runs
// the before- and after-capture that fill the store. Every setting is read
// when the step that needs it runs.
class TRecordingSession {
public:
    TRecordingSession(TSettings& settings, const TCapturePlatform& platform);
    TRecordingSession(const TRecordingSession&) = delete;
    TRecordingSession& operator=(const TRecordingSession&) = delete;
    ~TRecordingSession();

    // Neither capture raises: a step that fails ends its capture's steps and
    // is noted, and the closing steps still run. While a capture runs, the
    // window's messages come in through the progress display; a second
    // capture, NewSession and FreeSession do nothing until it ends.
    void CaptureBefore(TRecordingInfo& recording, TLiveMonitors monitors = TLiveMonitors::Start);
    void CaptureAfter(TRecordingInfo& recording, bool abort);

    // The before-capture, with what shaped it, as the bytes of a snapshot
    // file.
    std::string SaveBefore(const TRecordingInfo& recording) const;
    // Puts a saved before-capture in a new session, ready for the after-
    // capture, and returns what shaped it. Raises ESnapshotFile, leaving the
    // session as it was, when the bytes cannot be loaded.
    TCaptureFacts LoadBefore(TRecordingInfo& recording, std::string_view fileBytes, const std::string& fileName);
    // Continues a recording from a saved before-capture as if it had just
    // been taken: the store holds it, and the shell notifications and the
    // directory watchers start again with fresh journals, which are noted as
    // missing the events before. Raises ESnapshotFile, leaving the session
    // as it was, when the bytes cannot be loaded.
    void ResumeBefore(TRecordingInfo& recording, std::string_view fileBytes, const std::string& fileName);

    // Compares two saved before-captures, the second as the after side of
    // the first, where both recorded the same; what only one recorded is
    // noted. Returns what shaped the comparison: the first capture's start,
    // the common digest and the directories compared. Raises ESnapshotFile,
    // leaving the session as it was, when either cannot be loaded.
    TCaptureFacts CompareSaved(TRecordingInfo& recording, const TSavedFile& before, const TSavedFile& after);

    void NewSession();
    // Stops every directory watcher and releases the store.
    void FreeSession() noexcept;
    bool Capturing() const noexcept { return FCapturing; }

    TSessionStore& Store() noexcept { return FStore; }
    const TSessionStore& Store() const noexcept { return FStore; }
    std::size_t WatcherCount() const noexcept { return FWatchers.size(); }
    // Whether the platform can watch directories for changes at all.
    bool CanWatchDirectories() const { return FPlatform.Watching.Available(); }

    // The progress callbacks handed to the comparisons of saved captures.
    void ProgressStart(int minimum, int maximum, int step, int position, const std::string& caption);
    void ProgressStep();

private:
    void BeforeSteps(TRecordingInfo& recording, TLiveMonitors monitors, TCaptureNotes& notes);
    void AfterSteps(TRecordingInfo& recording, bool abort, TCaptureNotes& notes);
    void TakeProcessList(TProcessList& processes, TCaptureNotes& notes);
    void StartShellMonitor();
    void SnapshotRoots(const std::vector<TRegRoot>& roots, TCaptureSource& source, TCaptureProgress& progress);
    void ScanFiles(TFileList& files, const std::vector<std::string>& paths, THashKind hashKind, TCaptureSource& source,
                   TCaptureProgress& progress, TScanMatcher* matcher = nullptr);
    void ScanAndCompareFiles(const std::vector<std::string>& paths, THashKind hashKind, TCaptureSource& source,
                             TCaptureProgress& progress);
    // One watcher per path in its full form, but none for a path that an
    // earlier one takes in: that is noted unless the scan noted it.
    void StartWatchers(const std::vector<std::string>& paths, TCaptureNotes& notes);
    void StopWatchers() noexcept;
    void DiscardSession();
    void CompareFiles();
    void CompareRegistry(const std::vector<std::pair<TRegRoot, bool>>& roots, TCaptureSource& source,
                         TCaptureProgress& progress);
    void WaitFor(TCaptureSource& source, TCaptureProgress& progress);
    // Runs steps on the window's thread; a failure ends them, is noted, and
    // gives false.
    bool Attempt(TCaptureNotes& notes, const std::function<void()>& step);
    void CompareRootLists(TRegRoot root);
    void CheckWarnings(TCaptureNotes& notes);
    std::uint32_t WatchMask() const;
    void Begin();
    void End() noexcept;
    // Names the step that runs now, for the note of a failure.
    void Step(std::string name) { FStepName = std::move(name); }
    void NoteFailure(TCaptureNotes& notes, std::string_view reason);

    TSettings& FSettings;
    TCapturePlatform FPlatform;
    TSessionStore FStore;
    std::vector<std::unique_ptr<IDirectoryWatcher>> FWatchers;
    bool FCapturing = false;
    std::string FStepName;
    // The folders the before-capture scanned and watched.
    std::vector<std::string> FPaths;
};

} // namespace quill
