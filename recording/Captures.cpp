#include "common/ScopeExit.h"
#include "monitor/ShellEventKinds.h"
#include "recording/CaptureSource.h"
#include "recording/RecordingSession.h"
#include "snapshot/Hashing.h"
#include "snapshot/TreeScan.h"
#include "store/SavedComparison.h"
#include "store/SnapshotFile.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quill {
namespace {

// The directory-watch settings and the platform's change filters they stand
// for.
struct TWatchSetting {
    std::string_view Name;
    std::uint32_t Bit;
};

constexpr TWatchSetting kWatchSettings[] = {
    {"FSFiles", 0x001}, {"FSDirs", 0x002},   {"FSAttribs", 0x004}, {"FSSize", 0x008},
    {"FSWrite", 0x010}, {"FSAccess", 0x020}, {"FSCreate", 0x040},  {"FSSecurity", 0x100},
};

constexpr char kNotCompared[] = "Not compared";

// How long the window's thread waits for news from the capture's workers
// before it lets the window's messages in again.
constexpr std::chrono::milliseconds kShowInterval{40};

std::string KeyCount(std::int64_t count) {
    return std::to_string(count) + " keys...";
}

std::string DirectoryCount(std::int64_t count) {
    return std::to_string(count) + " directories...";
}

} // namespace

void TRecordingSession::NoteFailure(TCaptureNotes& notes, std::string_view reason) {
    quill::NoteFailure(notes, FStepName, reason);
}

// Shows the workers' progress and lets the window's messages in until the
// source has ended.
void TRecordingSession::WaitFor(TCaptureSource& source, TCaptureProgress& progress) {
    while (true) {
        progress.Show(FPlatform.Display);
        if (source.Ended()) {
            break;
        }
        progress.Wait(kShowInterval);
    }
    source.Join();
    progress.Show(FPlatform.Display);
}

// The first steps of either capture: the window shows that work runs.
void TRecordingSession::Begin() {
    FCapturing = true;
    ICaptureDisplay& display = FPlatform.Display;
    display.ShowCaption(true);
    display.ShowBar(false);
    display.ShowAnimation(false);
    display.RunAnimation(true);
    display.ShowBusyCursor(true);
}

// The closing steps of either capture, whatever its steps did.
void TRecordingSession::End() noexcept {
    ICaptureDisplay& display = FPlatform.Display;
    display.ShowBar(false);
    display.ShowCaption(false);
    display.ShowAnimation(false);
    display.RunAnimation(false);
    display.ShowBusyCursor(false);
}

void TRecordingSession::CaptureBefore(TRecordingInfo& recording, TLiveMonitors monitors) {
    if (FCapturing) {
        return;
    }
    const TScopeExit idle([this] { FCapturing = false; });
    Begin();
    recording.StartTime = FPlatform.LocalTime.Now();
    Attempt(FStore.BeforeNotes, [&] { BeforeSteps(recording, monitors, FStore.BeforeNotes); });
    End();
}

// The registry and the files are captured side by side, each source on a
// worker of its own; their notes join the capture's in the order the steps
// would have made them one after another. A source that fails lets the other
// finish, and the steps that follow both are skipped.
void TRecordingSession::BeforeSteps(TRecordingInfo& recording, TLiveMonitors monitors, TCaptureNotes& notes) {
    ICaptureDisplay& display = FPlatform.Display;
    Step("the new session");
    DiscardSession();
    if (!FSettings.ReadBool("DiskUsage", false)) {
        Step("the disk usage");
        MeasureDiskFree(FPlatform.Drives, FStore.DiskFreeBefore, notes);
    }
    if (!FSettings.ReadBool("NoProcList", false)) {
        Step("the process list");
        TakeProcessList(FStore.ProcessesBefore, notes);
    }
    std::vector<TRegRoot> roots;
    for (const TRegRoot root : kCaptureOrder) {
        if (FSettings.ReadBool(RootName(root), false)) {
            roots.push_back(root);
        }
    }
    TCaptureNotes pathNotes;
    FPaths = FSettings.ReadList("Paths", {}, &pathNotes);
    const bool scan = FSettings.ReadBool("FSScan", false);
    if (scan) {
        recording.HashKind = HashKindFromSetting(FSettings.ReadInteger("Hashing", 0));
    }
    display.ShowAnimation(true);
    TCaptureProgress progress;
    TCaptureSource registry(progress);
    TCaptureSource files(progress);
    registry.Start([this, &roots, &progress](TCaptureSource& source) { SnapshotRoots(roots, source, progress); });
    if (scan) {
        files.Start([this, &recording, &progress](TCaptureSource& source) {
            source.Step("the file scan");
            ScanFiles(FStore.FilesBefore, FPaths, recording.HashKind, source, progress);
            FStore.FilesRecorded = true;
        });
    }
    WaitFor(registry, progress);
    bool failed = registry.Failed();
    const bool live = monitors == TLiveMonitors::Start;
    TCaptureNotes shellNotes;
    if (live && !failed) {
        failed = !Attempt(shellNotes, [this] { StartShellMonitor(); });
    }
    WaitFor(files, progress);
    for (const TCaptureNotes* part : {&registry.Notes(), &shellNotes, &pathNotes, &files.Notes()}) {
        notes.Append(*part);
    }
    display.ShowCaption(false);
    display.ShowAnimation(false);
    if (live && !failed && !files.Failed()) {
        StartWatchers(FPaths, notes);
    }
}

// On the registry's worker.
void TRecordingSession::SnapshotRoots(const std::vector<TRegRoot>& roots, TCaptureSource& source,
                                      TCaptureProgress& progress) {
    for (const TRegRoot root : roots) {
        source.Step("the registry snapshot of " + std::string(RootName(root)));
        TRootLists& lists = FStore.Root(root);
        SnapshotRoot([&progress](std::int64_t count) { progress.Count(TProgressSource::Registry, KeyCount(count)); },
                     FPlatform.Registry, root, FPlatform.LocalTime, lists.KeysBefore, lists.ValuesBefore,
                     source.Notes());
        lists.Recorded = true;
    }
}

bool TRecordingSession::Attempt(TCaptureNotes& notes, const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (const std::exception& error) {
        NoteFailure(notes, error.what());
    } catch (...) {
        NoteFailure(notes, {});
    }
    return false;
}

std::string TRecordingSession::SaveBefore(const TRecordingInfo& recording) const {
    return EncodeBeforeCapture(FStore, TCaptureFacts{recording.StartTime, recording.HashKind, FPaths});
}

TCaptureFacts TRecordingSession::LoadBefore(TRecordingInfo& recording, std::string_view fileBytes,
                                            const std::string& fileName) {
    TSavedCapture capture = DecodeCapture(fileBytes, fileName);
    DiscardSession();
    capture.MoveInto(FStore);
    recording.StartTime = capture.Facts.StartTime;
    recording.HashKind = capture.Facts.HashKind;
    FPaths = capture.Facts.Paths;
    return std::move(capture.Facts);
}

void TRecordingSession::ResumeBefore(TRecordingInfo& recording, std::string_view fileBytes,
                                     const std::string& fileName) {
    if (FCapturing) {
        return;
    }
    const TScopeExit idle([this] { FCapturing = false; });
    FCapturing = true;
    LoadBefore(recording, fileBytes, fileName);
    FStore.AfterNotes.Add("Not journalled", "the shell and directory events before the restart (the recording "
                                            "went on from its before-capture, saved when the session ended)");
    Attempt(FStore.AfterNotes, [this] {
        StartShellMonitor();
        StartWatchers(FPaths, FStore.AfterNotes);
    });
}

// A running system always has processes: an empty list means the platform
// gave no snapshot.
void TRecordingSession::TakeProcessList(TProcessList& processes, TCaptureNotes& notes) {
    GetProcessList(FPlatform.Processes, processes);
    if (processes.Empty()) {
        notes.Add("Could not record", "the process list (the system gave no process snapshot)");
    }
}

void TRecordingSession::StartShellMonitor() {
    Step("the shell notifications");
    TShellEventDispatch& events = FPlatform.ShellMonitor.Events();
    for (const TShellEventKind& kind : ShellEventKinds()) {
        if (!FSettings.ReadBool(kind.Name, false)) {
            events.SetHandler(kind.Bit, nullptr);
            continue;
        }
        events.SetHandler(
            kind.Bit, [this, bit = kind.Bit](std::uint32_t code, const std::string& path1, const std::string& path2) {
                AddShellEvent(FStore.ShellEvents, FPlatform.LocalTime.Now(), bit, code, path1, path2);
            });
    }
    // The handlers run between the captures: what they miss counts with the
    // after-capture that ends them.
    FPlatform.ShellMonitor.Start(FStore.AfterNotes);
}

// On the files' worker: scans every path into the list, then hashes the list
// when a kind is set.
void TRecordingSession::ScanFiles(TFileList& files, const std::vector<std::string>& paths, THashKind hashKind,
                                  TCaptureSource& source, TCaptureProgress& progress, TScanMatcher* matcher) {
    {
        TTreeScanner scanner(files, FPlatform.FileSystem, FPlatform.LocalTime, source.Notes());
        scanner.Matcher = matcher;
        scanner.OnDirectory = [&progress](std::int64_t count) {
            progress.Count(TProgressSource::Files, DirectoryCount(count));
        };
        for (const std::string& path : paths) {
            source.Step("the file scan of " + path);
            scanner.Scan(path, true);
        }
    }
    if (hashKind != kHashNone) {
        source.Step("the hashing of the scanned files");
        progress.StartBar(TProgressSource::Files, static_cast<int>(files.Count()), "Hashing");
        THashing hashing(hashKind, files, FPlatform.FileSystem, source.Notes());
        hashing.OnHashed = [&progress] { progress.StepBar(TProgressSource::Files); };
        hashing.HashAll();
        progress.EndBar(TProgressSource::Files);
    }
}

std::uint32_t DirectoryWatchMask(const TSettings& settings) {
    if (!settings.ReadBool("FSWatch", false)) {
        return 0;
    }
    std::uint32_t mask = 0;
    for (const TWatchSetting& setting : kWatchSettings) {
        if (settings.ReadBool(setting.Name, false)) {
            mask |= setting.Bit;
        }
    }
    return mask;
}

std::uint32_t TRecordingSession::WatchMask() const {
    return FPlatform.Watching.Available() ? DirectoryWatchMask(FSettings) : 0;
}

void TRecordingSession::StartWatchers(const std::vector<std::string>& paths, TCaptureNotes& notes) {
    const std::uint32_t mask = WatchMask();
    if (mask == 0 || paths.empty()) {
        return;
    }
    FWatchers.reserve(paths.size());
    std::vector<std::string> watched;
    for (const std::string& path : paths) {
        // A path without a full form is watched as written: the watch tells
        // why it cannot start.
        std::string directory;
        FullScanPath(FPlatform.FileSystem, path, directory);
        if (directory.empty()) {
            continue;
        }
        const auto covering = std::find_if(watched.begin(), watched.end(),
                                           [&](const std::string& outer) { return TakesIn(outer, directory); });
        if (covering != watched.end()) {
            if (!FStore.FilesRecorded) {
                notes.Add(kAlreadyScanned, directory + " (with " + *covering + ")");
            }
            continue;
        }
        Step("the directory watch of " + directory);
        FWatchers.push_back(FPlatform.Watching.StartWatch(directory, mask, *FStore.FileWatch()));
        watched.push_back(std::move(directory));
    }
    FPlatform.Display.BringToFront();
}

void TRecordingSession::CaptureAfter(TRecordingInfo& recording, bool abort) {
    if (FCapturing) {
        return;
    }
    const TScopeExit idle([this] { FCapturing = false; });
    Begin();
    recording.StopTime = FPlatform.LocalTime.Now();
    Attempt(FStore.AfterNotes, [&] { AfterSteps(recording, abort, FStore.AfterNotes); });
    End();
    if (abort) {
        DiscardSession();
        return;
    }
    CheckWarnings(FStore.AfterNotes);
}

void TRecordingSession::AfterSteps(TRecordingInfo& recording, bool abort, TCaptureNotes& notes) {
    ICaptureDisplay& display = FPlatform.Display;
    Step("stopping the shell notifications");
    FPlatform.ShellMonitor.Stop();
    Step("stopping the directory watches");
    StopWatchers();
    if (abort) {
        return;
    }
    if (!FStore.Exists()) {
        Step("the after-capture");
        throw std::runtime_error("no recording was started before it");
    }
    if (!FSettings.ReadBool("DiskUsage", false)) {
        Step("the disk usage");
        MeasureDiskFree(FPlatform.Drives, FStore.DiskFreeAfter, notes);
    }
    if (!FStore.ProcessesBefore.Empty()) {
        Step("the process list");
        TakeProcessList(FStore.ProcessesAfter, notes);
    }
    TCaptureNotes fileNotes;
    std::vector<std::string> paths;
    const bool scan = FSettings.ReadBool("FSScan", false);
    if (scan && FStore.FilesRecorded) {
        paths = FSettings.ReadList("Paths", {}, &fileNotes);
    } else if (scan) {
        fileNotes.Add(kNotCompared, "the file scan (was not recorded before the installation; switch the file scan "
                                    "on before a recording starts)");
    } else if (FStore.FilesRecorded) {
        fileNotes.Add(kNotCompared, "the file scan (switched off since the recording started)");
    }
    std::vector<std::pair<TRegRoot, bool>> roots;
    for (const TRegRoot root : kCaptureOrder) {
        roots.emplace_back(root, FSettings.ReadBool(RootName(root), false));
    }
    display.ShowAnimation(true);
    TCaptureProgress progress;
    TCaptureSource files(progress);
    TCaptureSource registry(progress);
    if (scan && FStore.FilesRecorded) {
        files.Start([this, &paths, &recording, &progress](TCaptureSource& source) {
            ScanAndCompareFiles(paths, recording.HashKind, source, progress);
        });
    }
    registry.Start([this, &roots, &progress](TCaptureSource& source) { CompareRegistry(roots, source, progress); });
    WaitFor(files, progress);
    WaitFor(registry, progress);
    for (const TCaptureNotes* part : {&fileNotes, &files.Notes(), &registry.Notes()}) {
        notes.Append(*part);
    }
    display.ShowCaption(false);
    display.ShowAnimation(false);
}

// On the files' worker. Without digests each entry is matched as soon as it
// is listed, so that the after-scan holds only what changed; digests are
// only known once the whole scan is hashed.
void TRecordingSession::ScanAndCompareFiles(const std::vector<std::string>& paths, THashKind hashKind,
                                            TCaptureSource& source, TCaptureProgress& progress) {
    source.Step("the file scan");
    std::optional<TScanMatcher> matcher;
    if (hashKind == kHashNone) {
        matcher.emplace(FStore.FilesBefore, FStore.FilesAfter, FStore.ModifiedFilesBefore, FStore.ModifiedFilesAfter);
    }
    ScanFiles(FStore.FilesAfter, paths, hashKind, source, progress, matcher ? &*matcher : nullptr);
    source.Step("the file comparison");
    progress.Caption(TProgressSource::Files, "Scanning for file changes...");
    if (matcher) {
        matcher->Finish();
    } else {
        CompareScans(FStore.FilesBefore, FStore.FilesAfter, FStore.ModifiedFilesBefore, FStore.ModifiedFilesAfter);
    }
    FStore.FilesCompared = true;
}

// Used for two saved captures, on the window's thread.
void TRecordingSession::CompareFiles() {
    ICaptureDisplay& display = FPlatform.Display;
    display.SetCaption("Scanning for file changes...");
    display.ProcessMessages();
    Step("the file comparison");
    CompareScans(FStore.FilesBefore, FStore.FilesAfter, FStore.ModifiedFilesBefore, FStore.ModifiedFilesAfter);
    FStore.FilesCompared = true;
    display.SetCaption({});
    display.ShowAnimation(false);
}

// On the registry's worker: each root is walked again and matched with its
// before snapshot as it is read.
void TRecordingSession::CompareRegistry(const std::vector<std::pair<TRegRoot, bool>>& roots, TCaptureSource& source,
                                        TCaptureProgress& progress) {
    for (const auto& [root, enabled] : roots) {
        const std::string name(RootName(root));
        TRootLists& lists = FStore.Root(root);
        if (enabled && !lists.Recorded) {
            source.Notes().Add(kNotCompared, name + " (was not recorded before the installation; switch roots on "
                                                    "before a recording starts)");
            continue;
        }
        if (!enabled) {
            if (lists.Recorded) {
                source.Notes().Add(kNotCompared, name + " (switched off since the recording started)");
            }
            continue;
        }
        source.Step("the registry snapshot of " + name);
        SnapshotAndCompareRoot(
            [&progress](std::int64_t count) { progress.Count(TProgressSource::Registry, KeyCount(count)); },
            FPlatform.Registry, root, FPlatform.LocalTime, lists.KeysBefore, lists.KeysAfter, lists.ValuesBefore,
            lists.ValuesAfter, lists.ModifiedKeysBefore, lists.ModifiedKeysAfter, lists.ModifiedValuesBefore,
            lists.ModifiedValuesAfter, source.Notes());
        lists.Compared = true;
    }
}

void TRecordingSession::CompareRootLists(TRegRoot root) {
    ICaptureDisplay& display = FPlatform.Display;
    TRootLists& lists = FStore.Root(root);
    Step("the registry comparison of " + std::string(RootName(root)));
    display.RewindBar();
    display.ShowBar(true);
    CompareRoot([this](int minimum, int maximum, int step, int position,
                       const std::string& caption) { ProgressStart(minimum, maximum, step, position, caption); },
                [this] { ProgressStep(); }, lists.KeysBefore, lists.KeysAfter, lists.ValuesBefore, lists.ValuesAfter,
                lists.ModifiedKeysBefore, lists.ModifiedKeysAfter, lists.ModifiedValuesBefore,
                lists.ModifiedValuesAfter);
    lists.Compared = true;
    display.ShowBar(false);
}

TCaptureFacts TRecordingSession::CompareSaved(TRecordingInfo& recording, const TSavedFile& before,
                                              const TSavedFile& after) {
    TSavedCapture first = DecodeCapture(before.Bytes, before.Name);
    TSavedCapture second = DecodeCapture(after.Bytes, after.Name);
    if (FCapturing) {
        return {};
    }
    const TScopeExit idle([this] { FCapturing = false; });
    Begin();
    KeepWhatBothRecorded(first, second, before.Name, after.Name);
    DiscardSession();
    first.MoveInto(FStore);
    second.MoveInto(FStore, TStoreSide::After);
    recording.StartTime = first.Facts.StartTime;
    recording.StopTime = second.Facts.StartTime;
    recording.HashKind = first.Facts.HashKind;
    FPaths = first.Facts.Paths;
    Attempt(FStore.AfterNotes, [this] {
        if (FStore.FilesRecorded) {
            CompareFiles();
        }
        for (const TRegRoot root : kCaptureOrder) {
            if (FStore.Root(root).Recorded) {
                CompareRootLists(root);
            }
        }
    });
    End();
    CheckWarnings(FStore.AfterNotes);
    return std::move(first.Facts);
}

// Only roots matched on both sides can tell what changed; the others never
// warn.
void TRecordingSession::CheckWarnings(TCaptureNotes& notes) {
    Step("the registry warnings");
    Attempt(notes, [this, &notes] {
        const TIniFile warnings = FPlatform.WarningsSource.ReadWarnings();
        TRegistryChanges changes{};
        for (const TRegRoot root : kAllRoots) {
            const TRootLists& lists = FStore.Root(root);
            if (lists.Compared) {
                changes[static_cast<std::size_t>(root)] = {&lists.KeysBefore,         &lists.KeysAfter,
                                                           &lists.ModifiedKeysBefore, &lists.ValuesBefore,
                                                           &lists.ValuesAfter,        &lists.ModifiedValuesBefore};
            }
        }
        CheckRegistryWarnings(warnings, changes, FPlatform.WarningDisplay, notes);
    });
}

} // namespace quill
