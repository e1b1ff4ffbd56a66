#include "recording/RecordingSession.h"

#include "recording/tests/CaptureFakes.h"
#include "store/SnapshotFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace quill {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr std::string_view kSettingsKey = "Software\\Tarnvale\\Quillborne";
constexpr std::uint32_t kShellCreate = 0x2;
constexpr std::uint32_t kShellMkDir = 0x8;

// Holds the registry's worker in its walk until the window's thread opens it.
// A capture that never opens it fails its test rather than hanging it.
class TWalkGate {
public:
    void Wait() {
        std::unique_lock lock(FLock);
        ++FWaiting;
        FChanged.notify_all();
        FChanged.wait_for(lock, std::chrono::seconds(30), [this] { return FOpen; });
    }
    void Open() {
        {
            const std::lock_guard lock(FLock);
            FOpen = true;
        }
        FChanged.notify_all();
    }
    // Whether the worker waits at the gate now.
    bool Held() {
        const std::lock_guard lock(FLock);
        return FWaiting > 0 && !FOpen;
    }

private:
    std::mutex FLock;
    std::condition_variable FChanged;
    int FWaiting = 0;
    bool FOpen = false;
};

class RecordingSession : public ::testing::Test {
protected:
    test::TCaptureWorld FWorld;
    TSettings FSettings{FWorld.Registry};
    TRecordingSession FSession{FSettings, FWorld.Platform()};
    TRecordingInfo FRecording;
    int FToolChanges = 0;

    RecordingSession() {
        // Nothing at all unless a test switches it on.
        Set("DiskUsage", "Y");
        Set("NoProcList", "Y");
        FWorld.Files.AddDirectory("C:\\Data\\");
    }

    void Set(std::string_view name, std::string_view text) {
        FWorld.Registry.SetString(TRegRoot::CurrentUser, kSettingsKey, name, text);
    }

    void RecordUsersRoot() {
        Set("HKEY_USERS", "Y");
        FWorld.Registry.SetString(TRegRoot::Users, "S-1\\Software\\Tool", "Path", "C:\\Tool");
    }

    // As the registry does, the write moves the key's last-write time on.
    // Each change writes a path of its own.
    void ChangeToolPath() {
        FWorld.Registry.SetString(TRegRoot::Users, "S-1\\Software\\Tool", "Path",
                                  "D:\\Tool" + std::to_string(++FToolChanges));
        FWorld.Registry.Key(TRegRoot::Users, "S-1\\Software\\Tool").LastWrite += 10000000;
    }

    void ScanData(std::string_view hashing = "0") {
        Set("FSScan", "Y");
        Set("Paths", "C:\\Data");
        Set("Hashing", hashing);
    }

    void Record() {
        FSession.CaptureBefore(FRecording);
        FSession.CaptureAfter(FRecording, false);
    }

    std::vector<std::string> Notes() const { return FSession.Store().NoteLines(); }

    static std::vector<std::string> Items(const auto& list) {
        std::vector<std::string> texts;
        for (const auto& item : list) {
            if (item.Record != nullptr) {
                texts.push_back(item.Text);
            }
        }
        return texts;
    }

    // Every list of the store, by name, with its number of items.
    std::vector<std::pair<std::string, std::size_t>> NonEmptyLists() const {
        const TSessionStore& store = FSession.Store();
        std::vector<std::pair<std::string, std::size_t>> lists;
        const auto add = [&](std::string name, std::size_t count) {
            if (count != 0) {
                lists.emplace_back(std::move(name), count);
            }
        };
        for (const TRegRoot root : kAllRoots) {
            const TRootLists& r = store.Root(root);
            const std::string name(RootName(root));
            add(name + " keys before", r.KeysBefore.Count());
            add(name + " keys after", r.KeysAfter.Count());
            add(name + " values before", r.ValuesBefore.Count());
            add(name + " values after", r.ValuesAfter.Count());
            add(name + " modified keys", r.ModifiedKeysBefore.Count() + r.ModifiedKeysAfter.Count());
            add(name + " modified values", r.ModifiedValuesBefore.Count() + r.ModifiedValuesAfter.Count());
        }
        add("files before", store.FilesBefore.Count());
        add("files after", store.FilesAfter.Count());
        add("modified files", store.ModifiedFilesBefore.Count() + store.ModifiedFilesAfter.Count());
        add("shell events", store.ShellEvents.Count());
        add("watch events", store.FileWatch() != nullptr ? store.FileWatch()->FileWatchEvents().Count() : 0);
        add("processes before", store.ProcessesBefore.Count());
        add("processes after", store.ProcessesAfter.Count());
        return lists;
    }
};

TEST_F(RecordingSession, WithEverythingOffBothCapturesStampTheirTimesAndLeaveEveryListEmpty) {
    FWorld.Processes.Running = {{"a.exe", 1}};
    Record();
    EXPECT_EQ(FRecording.StartTime, 45001);
    EXPECT_EQ(FRecording.StopTime, 45002);
    EXPECT_THAT(NonEmptyLists(), IsEmpty());
    EXPECT_EQ(FWorld.Watching.Watches.size(), 0U);
    EXPECT_THAT(Notes(), IsEmpty());
}

TEST_F(RecordingSession, TheProcessListsAcceptTwoInstancesOfOneProgram) {
    Set("NoProcList", "N");
    FWorld.Processes.Running = {{"C:\\Apps\\tool.exe", 7}, {"tool.exe", 9}, {"shell.exe", 3}};
    Record();
    EXPECT_THAT(Items(FSession.Store().ProcessesBefore), ElementsAre("shell.exe", "tool.exe", "tool.exe"));
    EXPECT_THAT(Items(FSession.Store().ProcessesAfter), ElementsAre("shell.exe", "tool.exe", "tool.exe"));
}

TEST_F(RecordingSession, AProcessListThePlatformCannotGiveIsNoted) {
    Set("NoProcList", "N");
    FSession.CaptureBefore(FRecording);
    EXPECT_THAT(Notes(), ElementsAre("Before: Could not record: the process list (the system gave no process "
                                     "snapshot)"));
}

TEST_F(RecordingSession, WithoutAProcessListBeforeNoneIsTakenAfterWhateverTheSettingSaysThen) {
    FWorld.Processes.Running = {{"a.exe", 1}};
    FSession.CaptureBefore(FRecording);
    Set("NoProcList", "N");
    FSession.CaptureAfter(FRecording, false);
    EXPECT_EQ(FSession.Store().ProcessesBefore.Count(), 0U);
    EXPECT_EQ(FSession.Store().ProcessesAfter.Count(), 0U);
}

TEST_F(RecordingSession, DiskUsageOnLeavesBothTablesZeroAndOffMeasuresBoth) {
    for (const bool excluded : {true, false}) {
        SCOPED_TRACE(excluded);
        Set("DiskUsage", excluded ? "Y" : "N");
        FWorld.Drives.FreeBytes = 5000;
        FSession.CaptureBefore(FRecording);
        FWorld.Drives.FreeBytes = 4000;
        FSession.CaptureAfter(FRecording, false);
        EXPECT_EQ(FSession.Store().DiskFreeBefore[2], excluded ? 0 : 5000);
        EXPECT_EQ(FSession.Store().DiskFreeAfter[2], excluded ? 0 : 4000);
    }
}

TEST_F(RecordingSession, TheRootsAreSnapshottedMachineFirstInBothCaptures) {
    for (const TRegRoot root : kAllRoots) {
        Set(RootName(root), "Y");
    }
    Record();
    const std::vector<TRegRoot> order = {TRegRoot::LocalMachine, TRegRoot::CurrentUser, TRegRoot::ClassesRoot,
                                         TRegRoot::Users, TRegRoot::CurrentConfig};
    std::vector<TRegRoot> twice = order;
    twice.insert(twice.end(), order.begin(), order.end());
    EXPECT_EQ(FWorld.FaultyRegistry.SnapshotOrder, twice);
}

TEST_F(RecordingSession, ARecordingListsWhatChangedBetweenTheCaptures) {
    RecordUsersRoot();
    FWorld.Registry.SetString(TRegRoot::Users, "S-1\\Software\\Old", "Gone", "x");
    ScanData("2");
    FWorld.Files.AddFile("C:\\Data\\kept.txt", "same");
    FWorld.Files.AddFile("C:\\Data\\changed.txt", "before");
    FWorld.Files.AddFile("C:\\Data\\removed.txt", "bye");
    FSession.CaptureBefore(FRecording);
    ChangeToolPath();
    FWorld.Registry.DeleteKey(TRegRoot::Users, "S-1\\Software\\Old");
    FWorld.Registry.SetString(TRegRoot::Users, "S-1\\Software\\New", "Fresh", "y");
    FWorld.Files.AddFile("C:\\Data\\changed.txt", "after!");
    FWorld.Files.Find("C:\\Data\\")
        ->Children.erase(std::remove_if(FWorld.Files.Find("C:\\Data\\")->Children.begin(),
                                        FWorld.Files.Find("C:\\Data\\")->Children.end(),
                                        [](const auto& node) { return node->Name == "removed.txt"; }));
    FWorld.Files.AddFile("C:\\Data\\added.txt", "new");
    FSession.CaptureAfter(FRecording, false);

    const TSessionStore& store = FSession.Store();
    const TRootLists& users = store.Root(TRegRoot::Users);
    EXPECT_TRUE(users.Compared);
    EXPECT_THAT(Items(users.KeysBefore), ElementsAre("\\S-1\\Software\\Old\\"));
    EXPECT_THAT(Items(users.KeysAfter), ElementsAre("\\S-1\\Software\\New\\"));
    EXPECT_THAT(Items(users.ValuesBefore), ElementsAre("\\S-1\\Software\\Old\\"));
    EXPECT_THAT(Items(users.ValuesAfter), ElementsAre("\\S-1\\Software\\New\\"));
    EXPECT_THAT(Items(users.ModifiedValuesAfter), ElementsAre("\\S-1\\Software\\Tool\\"));
    EXPECT_TRUE(store.FilesCompared);
    EXPECT_THAT(Items(store.FilesBefore), ElementsAre("C:\\Data\\removed.txt"));
    EXPECT_THAT(Items(store.FilesAfter), ElementsAre("C:\\Data\\added.txt"));
    EXPECT_THAT(Items(store.ModifiedFilesAfter), ElementsAre("C:\\Data\\changed.txt"));
    EXPECT_EQ(FRecording.HashKind, kHashSHA1);
    EXPECT_NE(store.ModifiedFilesAfter.Record(0)->Hash, store.ModifiedFilesBefore.Record(0)->Hash);
    EXPECT_THAT(Notes(), IsEmpty());
}

TEST_F(RecordingSession, TheHashingBarOfTheAfterCaptureRunsToTheNumberOfAfterEntries) {
    ScanData("1");
    FWorld.Files.AddFile("C:\\Data\\a.txt", "a");
    FSession.CaptureBefore(FRecording);
    FWorld.Files.AddFile("C:\\Data\\b.txt", "b");
    FWorld.Files.AddFile("C:\\Data\\Sub\\c.txt", "c");
    FWorld.Display.Bars.clear();
    FSession.CaptureAfter(FRecording, false);
    // a.txt, b.txt, Sub\ and Sub\c.txt.
    ASSERT_EQ(FWorld.Display.Bars.size(), 1U);
    EXPECT_EQ(FWorld.Display.Bars[0].Minimum, 0);
    EXPECT_EQ(FWorld.Display.Bars[0].Maximum, 4);
    EXPECT_EQ(FWorld.Display.Bars[0].Position, 0);
    EXPECT_EQ(FWorld.Display.Bars[0].Steps, 4);
    EXPECT_THAT(FWorld.Display.Captions, Contains("Hashing"));
    EXPECT_THAT(FWorld.Display.Captions, Contains("Scanning for file changes..."));
}

// What the window shows each time it repaints during a capture.
struct TShownProgress {
    std::string Capture;
    std::string Caption;
    bool CaptionShown;
    bool AnimationShown;
};

TEST_F(RecordingSession, TheCountsAndTheFileComparisonAreShownWithTheAnimation) {
    struct TCase {
        const char* Capture;
        std::string_view Caption; // or its end
    };
    const TCase cases[] = {
        {"before", " keys..."},       {"before", " directories..."},
        {"after", " directories..."}, {"after", "Scanning for file changes..."},
        {"after", " keys..."},
    };
    RecordUsersRoot();
    for (int key = 0; key < 1000; ++key) {
        FWorld.Registry.SetString(TRegRoot::Users, "S-1\\Many\\" + std::to_string(key), "Name", "v");
    }
    ScanData();
    for (int directory = 0; directory < 10; ++directory) {
        FWorld.Files.AddDirectory("C:\\Data\\" + std::to_string(directory) + "\\");
    }
    std::vector<TShownProgress> shown;
    std::string capture = "before";
    FWorld.Display.OnProcessMessages = [&] {
        const test::TFakeDisplay& display = FWorld.Display;
        shown.push_back({capture, display.Caption, display.CaptionVisible, display.AnimationVisible});
    };
    FSession.CaptureBefore(FRecording);
    capture = "after";
    FSession.CaptureAfter(FRecording, false);
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Capture) + ":" + std::string(c.Caption));
        const auto moment = std::find_if(shown.begin(), shown.end(), [&](const TShownProgress& progress) {
            return progress.Capture == c.Capture && progress.Caption.ends_with(c.Caption);
        });
        ASSERT_NE(moment, shown.end());
        EXPECT_TRUE(moment->CaptionShown);
        EXPECT_TRUE(moment->AnimationShown);
    }
}

TEST_F(RecordingSession, TheHashKindIsReadAtTheBeforeCaptureOnly) {
    ScanData("2");
    FWorld.Files.AddFile("C:\\Data\\a.txt", "a");
    FSession.CaptureBefore(FRecording);
    Set("Hashing", "1");
    FSession.CaptureAfter(FRecording, false);
    EXPECT_EQ(FRecording.HashKind, kHashSHA1);
    // The file is unchanged: both sides were hashed alike.
    EXPECT_EQ(FSession.Store().ModifiedFilesAfter.Count(), 0U);
}

struct TWatchCase {
    const char* Name;
    const char* Paths;
    bool Available;
    bool FilesSwitch;
    std::size_t Watchers;
};

TEST_F(RecordingSession, DirectoryWatchersStartOnlyWithPathsAMaskAndThePlatformsSupport) {
    const TWatchCase cases[] = {
        {"two paths", "C:\\Data*C:\\Logs", true, true, 2},
        {"no paths", "", true, true, 0},
        {"a zero mask", "C:\\Data", true, false, 0},
        {"no platform support", "C:\\Data", false, true, 0},
    };
    const char* switches[] = {"FSDirs", "FSAttribs", "FSSize", "FSWrite", "FSAccess", "FSCreate", "FSSecurity"};
    for (const TWatchCase& c : cases) {
        SCOPED_TRACE(c.Name);
        FWorld.Watching.Watches.clear();
        FWorld.Watching.IsAvailable = c.Available;
        Set("FSWatch", "Y");
        Set("Paths", c.Paths);
        for (const char* name : switches) {
            Set(name, "N");
        }
        Set("FSFiles", c.FilesSwitch ? "Y" : "N");
        FSession.CaptureBefore(FRecording);
        EXPECT_EQ(FWorld.Watching.Watches.size(), c.Watchers);
        EXPECT_EQ(FWorld.Watching.Running(), c.Watchers);
        FSession.CaptureAfter(FRecording, false);
        EXPECT_EQ(FWorld.Watching.Running(), 0U);
    }
}

struct TWatchedPathsCase {
    const char* Paths;
    bool Scan;
    std::vector<std::string> Watched;
    std::vector<std::string> Notes;
};

TEST_F(RecordingSession, PathsAreWatchedInTheScansFormAndOnceAsTheScanTakesThem) {
    const TWatchedPathsCase cases[] = {
        {"C:/Data* C:\\Data\\..\\Data\\\\",
         false,
         {"C:\\Data\\"},
         {"Before: Skipped, already scanned: C:\\Data\\ (with C:\\Data\\)"}},
        {"C:\\Data*C:\\Data\\Sub",
         false,
         {"C:\\Data\\"},
         {"Before: Skipped, already scanned: C:\\Data\\Sub\\ (with C:\\Data\\)"}},
        {"C:\\Data\\Sub*C:\\Data", false, {"C:\\Data\\Sub\\", "C:\\Data\\"}, {}},
        {"C:\\Data*C:\\DataX", false, {"C:\\Data\\", "C:\\DataX\\"}, {}},
        // The scan has noted the path already.
        {"C:\\Data*C:/Data/", true, {"C:\\Data\\"}, {"Before: Skipped, already scanned: C:\\Data\\ (with C:\\Data\\)"}},
    };
    Set("FSWatch", "Y");
    Set("FSFiles", "Y");
    FWorld.Files.AddDirectory("C:\\Data\\Sub\\");
    FWorld.Files.AddDirectory("C:\\DataX\\");
    for (const TWatchedPathsCase& c : cases) {
        SCOPED_TRACE(c.Paths);
        FWorld.Watching.Watches.clear();
        Set("Paths", c.Paths);
        Set("FSScan", c.Scan ? "Y" : "N");
        FSession.CaptureBefore(FRecording);
        std::vector<std::string> watched;
        for (const auto& watch : FWorld.Watching.Watches) {
            watched.push_back(watch->Path);
        }
        EXPECT_EQ(watched, c.Watched);
        EXPECT_EQ(Notes(), c.Notes);
        FSession.FreeSession();
    }
}

TEST_F(RecordingSession, TheWatchMaskHasOneBitPerSwitchedOnChange) {
    Set("FSWatch", "Y");
    Set("Paths", "C:\\Data");
    for (const char* name : {"FSFiles", "FSDirs", "FSAttribs", "FSSize", "FSWrite", "FSAccess", "FSCreate"}) {
        Set(name, "N");
    }
    Set("FSSecurity", "Y");
    Set("FSSize", "Y");
    FSession.CaptureBefore(FRecording);
    ASSERT_EQ(FWorld.Watching.Watches.size(), 1U);
    EXPECT_EQ(FWorld.Watching.Watches[0]->Mask, 0x108U);
    EXPECT_EQ(FWorld.Watching.Journal, FSession.Store().FileWatch());
}

TEST_F(RecordingSession, OnlyTheSwitchedOnShellEventKindsAreJournalled) {
    Set("SHCNE_MKDIR", "Y");
    FSession.CaptureBefore(FRecording);
    EXPECT_TRUE(FWorld.Shell.Started);
    FWorld.Shell.Deliver(kShellMkDir, "C:\\New");
    FWorld.Shell.Deliver(kShellCreate, "C:\\New\\a.txt");
    FSession.CaptureAfter(FRecording, false);
    FWorld.Shell.Deliver(kShellMkDir, "C:\\Later");
    EXPECT_FALSE(FWorld.Shell.Started);
    const TShellEvents& events = FSession.Store().ShellEvents;
    ASSERT_EQ(events.Count(), 1U);
    EXPECT_EQ(events.Text(0), "C:\\New");
    EXPECT_EQ(events.Record(0)->Kind, kShellMkDir);
    EXPECT_EQ(FWorld.Shell.Notes, &FSession.Store().AfterNotes);
}

// A step that fails ends its capture's remaining steps, the closing steps
// run, and the note names the step and the reason.
struct TFailureCase {
    const char* Fault;
    bool After;
    const char* Note;
};

TEST_F(RecordingSession, AFailedStepIsNotedAndTheRestOfItsCaptureSkipped) {
    const TFailureCase cases[] = {
        {"drives", false, "Before: Failed, the rest of the capture skipped: the disk usage (drives refused)"},
        {"processes", false, "Before: Failed, the rest of the capture skipped: the process list (processes refused)"},
        {"registry HKEY_LOCAL_MACHINE", false,
         "Before: Failed, the rest of the capture skipped: the registry snapshot of HKEY_LOCAL_MACHINE (registry "
         "HKEY_LOCAL_MACHINE refused)"},
        {"registry HKEY_USERS", false,
         "Before: Failed, the rest of the capture skipped: the registry snapshot of HKEY_USERS (registry HKEY_USERS "
         "refused)"},
        {"shell", false, "Before: Failed, the rest of the capture skipped: the shell notifications (shell refused)"},
        {"listing", false,
         "Before: Failed, the rest of the capture skipped: the file scan of C:\\Data (listing refused)"},
        {"reading", false,
         "Before: Failed, the rest of the capture skipped: the hashing of the scanned files (reading refused)"},
        {"watch C:\\Data\\", false,
         "Before: Failed, the rest of the capture skipped: the directory watch of C:\\Data\\ (watch C:\\Data\\ "
         "refused)"},
        {"drives", true, "After: Failed, the rest of the capture skipped: the disk usage (drives refused)"},
        {"processes", true, "After: Failed, the rest of the capture skipped: the process list (processes refused)"},
        {"listing", true,
         "After: Failed, the rest of the capture skipped: the file scan of C:\\Data (listing refused)"},
        {"reading", true,
         "After: Failed, the rest of the capture skipped: the hashing of the scanned files (reading refused)"},
        {"registry HKEY_USERS", true,
         "After: Failed, the rest of the capture skipped: the registry snapshot of HKEY_USERS (registry HKEY_USERS "
         "refused)"},
        {"warnings file", true,
         "After: Failed, the rest of the capture skipped: the registry warnings (warnings file refused)"},
    };
    Set("DiskUsage", "N");
    Set("NoProcList", "N");
    Set("HKEY_LOCAL_MACHINE", "Y");
    FWorld.Registry.SetString(TRegRoot::LocalMachine, "Software\\Vendor", "Name", "v");
    RecordUsersRoot();
    ScanData("1");
    FWorld.Files.AddFile("C:\\Data\\a.txt", "a");
    Set("FSWatch", "Y");
    Set("FSFiles", "Y");
    Set("SHCNE_CREATE", "Y");
    FWorld.Processes.Running = {{"a.exe", 1}};
    for (const TFailureCase& c : cases) {
        SCOPED_TRACE(c.Fault);
        FWorld.Watching.Watches.clear();
        FWorld.Fault.Armed = c.After ? "" : c.Fault;
        FSession.CaptureBefore(FRecording);
        FWorld.Fault.Armed = c.After ? c.Fault : "";
        FSession.CaptureAfter(FRecording, false);
        FWorld.Fault.Armed.clear();
        // A failure before the snapshots leaves roots and files unrecorded:
        // the after-capture notes that it did not compare them.
        const std::vector<std::string> notes = Notes();
        ASSERT_FALSE(notes.empty());
        EXPECT_EQ(notes[0], c.Note);
        EXPECT_EQ(std::count_if(notes.begin(), notes.end(),
                                [](const std::string& line) { return line.find("Failed") != std::string::npos; }),
                  1);
        // The closing steps ran.
        EXPECT_FALSE(FWorld.Display.CaptionVisible);
        EXPECT_FALSE(FWorld.Display.BarVisible);
        EXPECT_FALSE(FWorld.Display.AnimationVisible);
        EXPECT_FALSE(FWorld.Display.AnimationRunning);
        EXPECT_FALSE(FWorld.Display.Busy);
        EXPECT_FALSE(FSession.Capturing());
        // Nothing after the failed step ran: the watchers come last.
        if (!c.After) {
            EXPECT_EQ(FWorld.Watching.Watches.size(), 0U);
        }
    }
}

TEST_F(RecordingSession, WhatWasCapturedBeforeAFailureStays) {
    Set("NoProcList", "N");
    FWorld.Processes.Running = {{"a.exe", 1}};
    RecordUsersRoot();
    FWorld.Fault.Armed = "registry HKEY_USERS";
    FSession.CaptureBefore(FRecording);
    EXPECT_EQ(FSession.Store().ProcessesBefore.Count(), 1U);
}

TEST_F(RecordingSession, ARootSwitchedOnBetweenTheCapturesIsNotComparedAndTheSkipIsNoted) {
    FSession.CaptureBefore(FRecording);
    RecordUsersRoot();
    FSession.CaptureAfter(FRecording, false);
    const TRootLists& users = FSession.Store().Root(TRegRoot::Users);
    EXPECT_EQ(users.KeysAfter.Count(), 0U);
    EXPECT_EQ(users.ValuesAfter.Count(), 0U);
    EXPECT_FALSE(users.Compared);
    EXPECT_EQ(FWorld.FaultyRegistry.SnapshotOrder.size(), 0U);
    EXPECT_THAT(Notes(), ElementsAre("After: Not compared: HKEY_USERS (was not recorded before the installation; "
                                     "switch roots on before a recording starts)"));
}

TEST_F(RecordingSession, TheFileScanSwitchedOnBetweenTheCapturesIsNotComparedAndTheSkipIsNoted) {
    FSession.CaptureBefore(FRecording);
    ScanData();
    FWorld.Files.AddFile("C:\\Data\\a.txt", "a");
    FSession.CaptureAfter(FRecording, false);
    EXPECT_EQ(FSession.Store().FilesAfter.Count(), 0U);
    EXPECT_FALSE(FSession.Store().FilesCompared);
    EXPECT_THAT(Notes(), ElementsAre("After: Not compared: the file scan (was not recorded before the installation; "
                                     "switch the file scan on before a recording starts)"));
}

TEST_F(RecordingSession, ARootOrTheFileScanSwitchedOffBetweenTheCapturesIsNotCompared) {
    RecordUsersRoot();
    ScanData();
    FWorld.Files.AddFile("C:\\Data\\a.txt", "a");
    FSession.CaptureBefore(FRecording);
    Set("HKEY_USERS", "N");
    Set("FSScan", "N");
    FSession.CaptureAfter(FRecording, false);
    EXPECT_FALSE(FSession.Store().Root(TRegRoot::Users).Compared);
    EXPECT_FALSE(FSession.Store().FilesCompared);
    EXPECT_EQ(FSession.Store().FilesAfter.Count(), 0U);
    EXPECT_THAT(Notes(), ElementsAre("After: Not compared: the file scan (switched off since the recording started)",
                                     "After: Not compared: HKEY_USERS (switched off since the recording started)"));
}

TEST_F(RecordingSession, OnlyComparedRootsWarn) {
    FWorld.Warnings.Text = "[HKEY_USERS\\S-1\\Software\\Tool\\]\n[HKEY_LOCAL_MACHINE\\Software\\Vendor\\]\n";
    FWorld.Registry.SetString(TRegRoot::LocalMachine, "Software\\Vendor", "Name", "v");
    RecordUsersRoot();
    FSession.CaptureBefore(FRecording);
    Set("HKEY_LOCAL_MACHINE", "Y");
    FWorld.Registry.DeleteKey(TRegRoot::Users, "S-1\\Software\\Tool");
    FWorld.Registry.DeleteKey(TRegRoot::LocalMachine, "Software\\Vendor");
    FSession.CaptureAfter(FRecording, false);
    EXPECT_THAT(FWorld.Warnings.Shown, ElementsAre("HKEY_USERS\\S-1\\Software\\Tool\\"));
}

TEST_F(RecordingSession, TheNotesOfBothCapturesAndTheWatchersAreKeptWithTheSessionAndFreedWithIt) {
    ScanData();
    FWorld.Files.Find("C:\\Data\\")->Denied = true;
    FSession.CaptureBefore(FRecording);
    FSession.Store().FileWatch()->AddNote("Lost", "C:\\Data\\ (buffer overflow)");
    FSession.CaptureAfter(FRecording, false);
    const std::vector<std::string> lines = Notes();
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_THAT(lines[0], HasSubstr("Before: Could not list: C:\\Data\\"));
    EXPECT_THAT(lines[1], HasSubstr("After: Could not list: C:\\Data\\"));
    EXPECT_EQ(lines[2], "After: Lost: C:\\Data\\ (buffer overflow)");
    FSession.FreeSession();
    EXPECT_THAT(Notes(), IsEmpty());
}

TEST_F(RecordingSession, FreeSessionStopsTheWatchersAndMayRunAnyNumberOfTimes) {
    FSession.FreeSession();
    FSession.FreeSession();
    EXPECT_FALSE(FSession.Store().Exists());
    Set("FSWatch", "Y");
    Set("FSFiles", "Y");
    Set("Paths", "C:\\Data");
    FSession.CaptureBefore(FRecording);
    EXPECT_TRUE(FSession.Store().Exists());
    EXPECT_EQ(FWorld.Watching.Running(), 1U);
    FSession.FreeSession();
    EXPECT_EQ(FWorld.Watching.Running(), 0U);
    EXPECT_FALSE(FSession.Store().Exists());
    FSession.FreeSession();
}

TEST_F(RecordingSession, TheAbortPathStopsTheMonitorsAndDiscardsEverything) {
    Set("NoProcList", "N");
    FWorld.Processes.Running = {{"a.exe", 1}};
    Set("SHCNE_MKDIR", "Y");
    Set("FSWatch", "Y");
    Set("FSFiles", "Y");
    Set("Paths", "C:\\Data");
    FSession.CaptureBefore(FRecording);
    FWorld.Shell.Deliver(kShellMkDir, "C:\\New");
    FSession.CaptureAfter(FRecording, true);
    EXPECT_FALSE(FWorld.Shell.Started);
    EXPECT_EQ(FWorld.Watching.Running(), 0U);
    EXPECT_THAT(NonEmptyLists(), IsEmpty());
    EXPECT_TRUE(FSession.Store().Exists());
}

// The window lets messages in at every progress callback: whatever they ask
// of the session there waits until the capture is over.
TEST_F(RecordingSession, NothingStartsFreesOrRenewsTheSessionWhileACaptureRuns) {
    RecordUsersRoot();
    ScanData("1");
    FWorld.Files.AddFile("C:\\Data\\a.txt", "a");
    int nested = 0;
    FWorld.Display.OnProcessMessages = [&] {
        ++nested;
        TRecordingInfo other;
        FSession.CaptureBefore(other);
        FSession.CaptureAfter(other, true);
        FSession.NewSession();
        FSession.FreeSession();
    };
    FSession.CaptureBefore(FRecording);
    EXPECT_GT(nested, 0);
    EXPECT_EQ(FSession.Store().Root(TRegRoot::Users).KeysBefore.Count(), 4U);
    ChangeToolPath();
    FSession.CaptureAfter(FRecording, false);
    EXPECT_EQ(FSession.Store().Root(TRegRoot::Users).ModifiedValuesAfter.Count(), 1U);
    EXPECT_EQ(FWorld.FaultyRegistry.SnapshotOrder.size(), 2U);
    EXPECT_TRUE(FSession.Store().FilesCompared);
    EXPECT_THAT(Items(FSession.Store().FilesAfter), IsEmpty());
}

// The window's thread serves its messages while the registry's worker walks:
// Stop, the end of the session and a new session asked for then wait, as they
// do for any capture, and the capture ends with everything recorded.
TEST_F(RecordingSession, WhatTheWindowAsksWhileTheSourcesRunWaitsForTheCapture) {
    struct TCase {
        const char* Asked;
        std::function<void(TRecordingSession&)> Ask;
    };
    const TCase cases[] = {
        {"Stop",
         [](TRecordingSession& session) {
             TRecordingInfo other;
             session.CaptureAfter(other, true);
         }},
        {"end of session", [](TRecordingSession& session) { session.FreeSession(); }},
        {"new session", [](TRecordingSession& session) { session.NewSession(); }},
    };
    RecordUsersRoot();
    ScanData("1");
    FWorld.Files.AddFile("C:\\Data\\a.txt", "a");
    // Runs the capture with the registry's worker held in its walk until the
    // window's thread has asked; true when it asked then.
    const auto askWhileHeld = [this](const TCase& c, const std::function<void()>& capture) {
        TWalkGate gate;
        bool asked = false;
        FWorld.Registry.OnEnumKey = [&gate](TMemoryRegistry::TNode& key, std::uint32_t) {
            if (key.Path == "\\S-1\\") {
                gate.Wait();
            }
        };
        FWorld.Display.OnProcessMessages = [&] {
            if (gate.Held()) {
                c.Ask(FSession);
                asked = true;
                gate.Open();
            }
        };
        capture();
        FWorld.Registry.OnEnumKey = nullptr;
        FWorld.Display.OnProcessMessages = nullptr;
        return asked;
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Asked);
        EXPECT_TRUE(askWhileHeld(c, [this] { FSession.CaptureBefore(FRecording); }));
        const TSessionStore& store = FSession.Store();
        EXPECT_EQ(store.Root(TRegRoot::Users).KeysBefore.Count(), 4U);
        EXPECT_EQ(store.FilesBefore.Count(), 1U);
        ChangeToolPath();
        EXPECT_TRUE(askWhileHeld(c, [this] { FSession.CaptureAfter(FRecording, false); }));
        EXPECT_FALSE(FSession.Capturing());
        EXPECT_EQ(store.Root(TRegRoot::Users).ModifiedValuesAfter.Count(), 1U);
        EXPECT_TRUE(store.FilesCompared);
        EXPECT_THAT(Notes(), IsEmpty());
    }
}

// A source whose step fails is noted and ends its own steps; the other source
// finishes.
TEST_F(RecordingSession, ASourceThatFailsLetsTheOtherFinish) {
    struct TCase {
        const char* Fault;
        bool After;
        bool RegistryFinished;
    };
    const TCase cases[] = {
        {"registry HKEY_USERS", false, false}, {"listing", false, true}, {"reading", false, true},
        {"registry HKEY_USERS", true, false},  {"listing", true, true},  {"reading", true, true},
    };
    RecordUsersRoot();
    ScanData("1");
    FWorld.Files.AddFile("C:\\Data\\a.txt", "a");
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Fault) + (c.After ? " after" : " before"));
        FWorld.Fault.Armed = c.After ? "" : c.Fault;
        FSession.CaptureBefore(FRecording);
        FWorld.Fault.Armed = c.After ? c.Fault : "";
        ChangeToolPath();
        const std::string created = "C:\\Data\\" + std::to_string(&c - cases) + ".txt";
        FWorld.Files.AddFile(created, "b");
        FSession.CaptureAfter(FRecording, false);
        FWorld.Fault.Armed.clear();
        const TSessionStore& store = FSession.Store();
        const TRootLists& users = store.Root(TRegRoot::Users);
        EXPECT_EQ(users.Compared, c.RegistryFinished);
        EXPECT_EQ(users.ModifiedValuesAfter.Count(), c.RegistryFinished ? 1U : 0U);
        EXPECT_EQ(store.FilesCompared, !c.RegistryFinished);
        if (store.FilesCompared) {
            EXPECT_THAT(Items(store.FilesAfter), ElementsAre(created));
        }
        const std::vector<std::string> notes = Notes();
        EXPECT_EQ(std::count_if(notes.begin(), notes.end(),
                                [](const std::string& line) { return line.find("Failed") != std::string::npos; }),
                  1);
    }
}

// The registry's notes come before the files', as when the registry was
// walked first, even when the files end first.
TEST_F(RecordingSession, TheSourcesNotesStandInTheOrderOfTheirSteps) {
    RecordUsersRoot();
    FWorld.Registry.DenyAccess(TRegRoot::Users, "S-1\\Secret");
    ScanData("1");
    Set("Paths", "C:\\Missing,C:\\Data");
    FWorld.Files.AddFile("C:\\Data\\a.txt", "a");
    TWalkGate gate;
    bool hashed = false;
    FWorld.Registry.OnEnumKey = [&](TMemoryRegistry::TNode& key, std::uint32_t) {
        if (key.Path == "\\S-1\\") {
            gate.Wait();
        }
    };
    FWorld.Display.OnProcessMessages = [&] {
        hashed = hashed || FWorld.Display.BarVisible;
        if (hashed && !FWorld.Display.BarVisible) {
            gate.Open();
        }
    };
    FSession.CaptureBefore(FRecording);
    const std::vector<std::string> notes = Notes();
    ASSERT_EQ(notes.size(), 2U);
    EXPECT_THAT(notes[0], HasSubstr("HKEY_USERS: keys left out with their subkeys, access denied"));
    EXPECT_THAT(notes[1], HasSubstr("C:\\Missing"));
}

constexpr char kResumeNote[] = "After: Not journalled: the shell and directory events before the restart (the "
                               "recording went on from its before-capture, saved when the session ended)";

// The session ends between the captures: the before-capture is saved, the
// program ends, and a new one continues from the saved capture.
TEST_F(RecordingSession, ARecordingContinuedFromItsSavedBeforeCaptureListsWhatChangedSince) {
    RecordUsersRoot();
    FWorld.Registry.SetString(TRegRoot::Users, "S-1\\Software\\Old", "Gone", "x");
    ScanData("2");
    Set("NoProcList", "N");
    // Each capture runs in a recorder of its own, which neither list shows.
    FWorld.Processes.Running = {{"a.exe", 1}, {"quillborne.exe", 5}};
    FWorld.Processes.Own = 5;
    Set("SHCNE_MKDIR", "Y");
    Set("FSWatch", "Y");
    Set("FSFiles", "Y");
    FWorld.Files.AddFile("C:\\Data\\kept.txt", "same");
    FWorld.Files.AddFile("C:\\Data\\changed.txt", "before");
    FSession.CaptureBefore(FRecording);
    const std::string saved = FSession.SaveBefore(FRecording);
    FSession.FreeSession();
    FWorld.Shell.Stop();

    TRecordingSession resumed(FSettings, FWorld.Platform());
    TRecordingInfo recording;
    resumed.ResumeBefore(recording, saved, "resume.qbcap");
    EXPECT_EQ(recording.StartTime, FRecording.StartTime);
    EXPECT_EQ(recording.HashKind, kHashSHA1);
    EXPECT_TRUE(FWorld.Shell.Started);
    ASSERT_EQ(FWorld.Watching.Running(), 1U);
    EXPECT_EQ(FWorld.Watching.Watches.back()->Path, "C:\\Data\\");
    EXPECT_EQ(FWorld.Watching.Journal, resumed.Store().FileWatch());

    ChangeToolPath();
    FWorld.Registry.DeleteKey(TRegRoot::Users, "S-1\\Software\\Old");
    FWorld.Files.AddFile("C:\\Data\\changed.txt", "after!");
    FWorld.Files.AddFile("C:\\Data\\added.txt", "new");
    FWorld.Shell.Deliver(kShellMkDir, "C:\\New");
    FWorld.Processes.Running = {{"a.exe", 1}, {"quillborne.exe", 6}};
    FWorld.Processes.Own = 6;
    resumed.CaptureAfter(recording, false);

    const TSessionStore& store = resumed.Store();
    const TRootLists& users = store.Root(TRegRoot::Users);
    EXPECT_TRUE(users.Compared);
    EXPECT_THAT(Items(users.KeysBefore), ElementsAre("\\S-1\\Software\\Old\\"));
    EXPECT_THAT(Items(users.KeysAfter), IsEmpty());
    EXPECT_THAT(Items(users.ModifiedValuesAfter), ElementsAre("\\S-1\\Software\\Tool\\"));
    EXPECT_TRUE(store.FilesCompared);
    EXPECT_THAT(Items(store.FilesBefore), IsEmpty());
    EXPECT_THAT(Items(store.FilesAfter), ElementsAre("C:\\Data\\added.txt"));
    EXPECT_THAT(Items(store.ModifiedFilesAfter), ElementsAre("C:\\Data\\changed.txt"));
    EXPECT_THAT(Items(store.ProcessesBefore), ElementsAre("a.exe"));
    EXPECT_THAT(Items(store.ProcessesAfter), ElementsAre("a.exe"));
    ASSERT_EQ(store.ShellEvents.Count(), 1U);
    EXPECT_THAT(resumed.Store().NoteLines(), ElementsAre(kResumeNote));
}

// The watchers of the continued recording watch what the before-capture
// scanned, whatever the setting says when the session ends.
TEST_F(RecordingSession, TheSavedCaptureKeepsThePathsOfItsBeforeCapture) {
    Set("FSWatch", "Y");
    Set("FSFiles", "Y");
    Set("Paths", "C:\\Data*C:\\Logs");
    FSession.CaptureBefore(FRecording);
    Set("Paths", "C:\\Other");
    const std::string saved = FSession.SaveBefore(FRecording);
    FSession.FreeSession();
    FWorld.Watching.Watches.clear();
    TRecordingSession resumed(FSettings, FWorld.Platform());
    resumed.ResumeBefore(FRecording, saved, "resume.qbcap");
    ASSERT_EQ(FWorld.Watching.Watches.size(), 2U);
    EXPECT_EQ(FWorld.Watching.Watches[0]->Path, "C:\\Data\\");
    EXPECT_EQ(FWorld.Watching.Watches[1]->Path, "C:\\Logs\\");
}

TEST_F(RecordingSession, ASavedCaptureThatCannotBeLoadedLeavesTheSessionAsItWas) {
    RecordUsersRoot();
    Set("FSWatch", "Y");
    Set("FSFiles", "Y");
    Set("Paths", "C:\\Data");
    FSession.CaptureBefore(FRecording);
    std::string saved = FSession.SaveBefore(FRecording);
    saved.resize(saved.size() - 1);
    const std::size_t keys = FSession.Store().Root(TRegRoot::Users).KeysBefore.Count();
    TRecordingInfo other;
    EXPECT_THROW(FSession.ResumeBefore(other, saved, "resume.qbcap"), ESnapshotFile);
    EXPECT_EQ(FSession.Store().Root(TRegRoot::Users).KeysBefore.Count(), keys);
    EXPECT_EQ(FWorld.Watching.Running(), 1U);
    EXPECT_THAT(Notes(), IsEmpty());
}

} // namespace
} // namespace quill
