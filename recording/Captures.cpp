#include "common/ScopeExit.h"
#include "monitor/ShellEventKinds.h"
#include "recording/RecordingSession.h"
#include "snapshot/Hashing.h"
#include "snapshot/TreeScan.h"
#include "store/SavedComparison.h"
#include "store/SnapshotFile.h"

#include <algorithm>
#include <exception>
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

constexpr char kFailed[] = "Failed, the rest of the capture skipped";
constexpr char kNotCompared[] = "Not compared";

// The system's messages end with a line break; the notes do not.
std::string Reason(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.remove_suffix(1);
    }
    return text.empty() ? std::string("unknown error") : std::string(text);
}

} // namespace

void TRecordingSession::NoteFailure(TCaptureNotes& notes, std::string_view reason) {
    notes.Add(kFailed, FStepName + " (" + Reason(reason) + ")");
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
    try {
        BeforeSteps(recording, monitors, FStore.BeforeNotes);
    } catch (const std::exception& error) {
        NoteFailure(FStore.BeforeNotes, error.what());
    } catch (...) {
        NoteFailure(FStore.BeforeNotes, {});
    }
    End();
}

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
    display.ShowAnimation(true);
    for (const TRegRoot root : kCaptureOrder) {
        if (!FSettings.ReadBool(RootName(root), false)) {
            continue;
        }
        Step("the registry snapshot of " + std::string(RootName(root)));
        TRootLists& lists = FStore.Root(root);
        SnapshotRoot([this](std::int64_t count) { ShowKeyCount(count); }, FPlatform.Registry, root, FPlatform.LocalTime,
                     lists.KeysBefore, lists.ValuesBefore, notes);
        lists.Recorded = true;
    }
    display.ShowCaption(false);
    display.ShowAnimation(false);
    const bool live = monitors == TLiveMonitors::Start;
    if (live) {
        StartShellMonitor();
    }
    FPaths = FSettings.ReadList("Paths", {}, &notes);
    if (FSettings.ReadBool("FSScan", false)) {
        display.ShowAnimation(true);
        Step("the file scan");
        recording.HashKind = HashKindFromSetting(FSettings.ReadInteger("Hashing", 0));
        ScanFiles(FStore.FilesBefore, FPaths, recording.HashKind, notes);
        FStore.FilesRecorded = true;
        display.ShowCaption(false);
        display.ShowAnimation(false);
    }
    if (live) {
        StartWatchers(FPaths, notes);
    }
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
    try {
        StartShellMonitor();
        StartWatchers(FPaths, FStore.AfterNotes);
    } catch (const std::exception& error) {
        NoteFailure(FStore.AfterNotes, error.what());
    } catch (...) {
        NoteFailure(FStore.AfterNotes, {});
    }
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

// Scans every path into the list, then hashes the list when a kind is set.
void TRecordingSession::ScanFiles(TFileList& files, const std::vector<std::string>& paths, THashKind hashKind,
                                  TCaptureNotes& notes) {
    ICaptureDisplay& display = FPlatform.Display;
    {
        TTreeScanner scanner(files, FPlatform.FileSystem, FPlatform.LocalTime, notes);
        scanner.OnDirectory = [this](std::int64_t count) { ShowDirectoryCount(count); };
        scanner.OnProcessMessages = [&display] { display.ProcessMessages(); };
        display.ShowCaption(true);
        for (const std::string& path : paths) {
            Step("the file scan of " + path);
            scanner.Scan(path, true);
        }
    }
    if (hashKind != kHashNone) {
        Step("the hashing of the scanned files");
        ProgressStart(0, static_cast<int>(files.Count()), 1, 0, "Hashing");
        THashing hashing(hashKind, files, FPlatform.FileSystem, notes);
        hashing.OnHashed = [this] { ProgressStep(); };
        hashing.HashAll();
        display.ShowBar(false);
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
    try {
        AfterSteps(recording, abort, FStore.AfterNotes);
    } catch (const std::exception& error) {
        NoteFailure(FStore.AfterNotes, error.what());
    } catch (...) {
        NoteFailure(FStore.AfterNotes, {});
    }
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
    if (FSettings.ReadBool("FSScan", false)) {
        if (FStore.FilesRecorded) {
            display.ShowAnimation(true);
            Step("the file scan");
            ScanFiles(FStore.FilesAfter, FSettings.ReadList("Paths", {}, &notes), recording.HashKind, notes);
            CompareFiles();
        } else {
            notes.Add(kNotCompared, "the file scan (was not recorded before the installation; switch the file scan "
                                    "on before a recording starts)");
        }
    } else if (FStore.FilesRecorded) {
        notes.Add(kNotCompared, "the file scan (switched off since the recording started)");
    }
    display.ShowAnimation(true);
    CompareRegistry(notes);
    display.ShowAnimation(false);
}

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

void TRecordingSession::CompareRegistry(TCaptureNotes& notes) {
    for (const TRegRoot root : kCaptureOrder) {
        const std::string name(RootName(root));
        TRootLists& lists = FStore.Root(root);
        const bool enabled = FSettings.ReadBool(name, false);
        if (enabled && !lists.Recorded) {
            notes.Add(kNotCompared, name + " (was not recorded before the installation; switch roots on before a "
                                           "recording starts)");
            continue;
        }
        if (!enabled) {
            if (lists.Recorded) {
                notes.Add(kNotCompared, name + " (switched off since the recording started)");
            }
            continue;
        }
        Step("the registry snapshot of " + name);
        SnapshotRoot([this](std::int64_t count) { ShowKeyCount(count); }, FPlatform.Registry, root, FPlatform.LocalTime,
                     lists.KeysAfter, lists.ValuesAfter, notes);
        CompareRootLists(root);
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
    try {
        if (FStore.FilesRecorded) {
            CompareFiles();
        }
        for (const TRegRoot root : kCaptureOrder) {
            if (FStore.Root(root).Recorded) {
                CompareRootLists(root);
            }
        }
    } catch (const std::exception& error) {
        NoteFailure(FStore.AfterNotes, error.what());
    } catch (...) {
        NoteFailure(FStore.AfterNotes, {});
    }
    End();
    CheckWarnings(FStore.AfterNotes);
    return std::move(first.Facts);
}

// Only roots matched on both sides can tell what changed; the others never
// warn.
void TRecordingSession::CheckWarnings(TCaptureNotes& notes) {
    Step("the registry warnings");
    try {
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
    } catch (const std::exception& error) {
        NoteFailure(notes, error.what());
    } catch (...) {
        NoteFailure(notes, {});
    }
}

} // namespace quill
