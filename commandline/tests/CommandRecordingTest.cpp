#include "commandline/CommandRecording.h"

#include "filter/StoreFilter.h"
#include "recording/tests/CaptureFakes.h"
#include "report/tests/FixedReportLocale.h"
#include "report/tests/MemoryReportFiles.h"
#include "settings/SettingsOverlay.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <algorithm>
#include <functional>
#include <optional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace quill {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Key;
using ::testing::Not;

constexpr std::string_view kSettingsKey = "Software\\Tarnvale\\Quillborne";
constexpr std::string_view kReport = "C:\\Reports\\QuillborneReport.html";

class TRecordedConsole : public IConsole {
public:
    void Print(const std::string& line) override { Lines.push_back(line); }
    void PrintError(const std::string& line) override { Errors.push_back(line); }
    std::vector<std::string> Lines;
    std::vector<std::string> Errors;
};

// A program that does what the test asks while it runs.
class TFakeProgram : public IRunningProgram {
public:
    TFakeProgram(std::function<void()> run, bool ends, std::optional<std::uint32_t> exitCode)
        : FRun(std::move(run)), FEnds(ends), FExitCode(exitCode) {}
    bool WaitForExit(const std::function<bool()>&) override {
        if (FRun) {
            FRun();
        }
        return FEnds;
    }
    std::optional<std::uint32_t> ExitCode() const override { return FExitCode; }

private:
    std::function<void()> FRun;
    bool FEnds;
    std::optional<std::uint32_t> FExitCode;
};

class TFakeCommandHost : public ICommandHost {
public:
    explicit TFakeCommandHost(const TSettings& settings) : FSettings(settings) {}
    std::unique_ptr<IRunningProgram> StartProgram(const std::string& fileName,
                                                  const std::vector<std::string>& arguments, TCaptureNotes&) override {
        Started.push_back(fileName);
        StartedArguments = arguments;
        if (!Startable) {
            throw std::runtime_error("File not found.");
        }
        return std::make_unique<TFakeProgram>(WhileRunning, ProgramEnds, ProgramExitCode);
    }
    TWaitEnd WaitForProgram(IRunningProgram& program, std::optional<int> timeoutSeconds) override {
        Timeout = timeoutSeconds;
        const bool ended = program.WaitForExit([] { return true; });
        return Pressed ? TWaitEnd::Interrupted : ended ? TWaitEnd::Done : TWaitEnd::TimeRanOut;
    }
    TWaitEnd WaitForEnter(std::optional<int> timeoutSeconds) override {
        WaitedForEnter = true;
        Timeout = timeoutSeconds;
        if (WhileRunning) {
            WhileRunning();
        }
        if (Pressed) {
            return TWaitEnd::Interrupted;
        }
        return InputCloses && !timeoutSeconds ? TWaitEnd::InputEnded : TWaitEnd::Done;
    }
    bool InputEnded() override { return InputClosed; }
    bool Interrupted() override { return Pressed; }
    void ApplyResultFilter(TSessionStore& store) override { quill::ApplyResultFilter(FSettings, true, {}, store); }
    std::string ReadFile(const std::string& path) override {
        const auto file = Files.find(path);
        if (file == Files.end()) {
            throw std::runtime_error(path + " is not there");
        }
        return file->second;
    }
    void WriteFile(const std::string& path, std::string_view bytes) override {
        if (!Writable) {
            throw std::runtime_error(path + " cannot be written");
        }
        Files[path] = std::string(bytes);
    }
    void MakeFolders(const std::string& folder) override { Folders.push_back(folder); }
    TPackageEnvironment PackageEnvironment() override {
        return {{{"C:\\Program Files\\", "ProgramFiles64Folder"}, {"C:\\Data\\", "CommonAppDataFolder"}}, "S-1", {}};
    }

    std::map<std::string, std::string> Files;
    std::vector<std::string> Folders;
    bool Writable = true;
    bool Startable = true;
    bool ProgramEnds = true;
    std::optional<std::uint32_t> ProgramExitCode = 0;
    bool InputClosed = false; // before the recording starts
    bool InputCloses = false; // while it waits
    bool Pressed = false;     // Ctrl+C
    std::function<void()> WhileRunning;
    std::vector<std::string> Started;
    std::vector<std::string> StartedArguments;
    std::optional<int> Timeout;
    bool WaitedForEnter = false;

private:
    const TSettings& FSettings;
};

class CommandRecording : public ::testing::Test {
protected:
    test::TCaptureWorld FWorld;
    TSettings FStoredSettings{FWorld.Registry};
    TSettingsOverlay FOverlay{FWorld.Registry};
    TSettings FSettings{FOverlay};
    TRecordingSession FSession{FSettings, FWorld.Platform()};
    TRecordedConsole FConsole;
    TConsoleMessageBoxes FBoxes{FConsole};
    TMemoryReportFiles FFiles;
    TFixedReportLocale FLocale;
    TFakeCommandHost FHost{FSettings};

    CommandRecording() {
        FStoredSettings.WriteBool("DiskUsage", true);
        FStoredSettings.WriteBool("NoProcList", true);
        FStoredSettings.WriteString("ReportDir", "C:\\Reports\\");
        FWorld.Registry.SetString(TRegRoot::Users, "S-1\\Software\\Tool", "Path", "C:\\Tool");
    }

    TRecordExit Record(std::vector<std::string> arguments) {
        TRecordOptions options;
        std::string error;
        EXPECT_TRUE(ParseRecordOptions(arguments, options, error)) << error;
        ApplyRecordOptions(options, FSettings);
        TCommandRecording recording(FSession, FSettings, {FHost, FConsole, {FFiles, FLocale, FWorld.Clock, FBoxes}},
                                    "C:\\Program\\");
        return recording.Run(options);
    }

    void InstallTool() { FWorld.Registry.SetString(TRegRoot::Users, "S-1\\Software\\Tool\\Options", "Mode", "full"); }

    std::string Report() const {
        return FFiles.Files.count(std::string(kReport)) ? FFiles.Files.at(std::string(kReport)) : "";
    }
};

TEST_F(CommandRecording, ARecordedProgramThatChangesTheRegistryEndsWithChanges) {
    FHost.WhileRunning = [this] { InstallTool(); };
    EXPECT_EQ(Record({"-roots", "HKU", "--", "C:\\setup.exe", "/S"}), TRecordExit::Changes);

    EXPECT_THAT(FHost.Started, ElementsAre("C:\\setup.exe"));
    EXPECT_THAT(FHost.StartedArguments, ElementsAre("/S"));
    EXPECT_THAT(Report(), HasSubstr("C:\\setup.exe"));
    EXPECT_THAT(Report(), HasSubstr("Stopped automatically on program exit"));
    EXPECT_THAT(Report(), HasSubstr("Options"));
    EXPECT_THAT(FFiles.Opened, IsEmpty());
    EXPECT_THAT(FConsole.Lines, Contains("Registry keys: 1 created, 0 deleted, 0 modified"));
    EXPECT_THAT(FConsole.Lines, Contains("Registry values: 1 created, 0 deleted, 0 modified"));
    EXPECT_THAT(FConsole.Lines, Contains("Capture notes: 0"));
    EXPECT_THAT(FConsole.Lines, Contains("Report: " + std::string(kReport)));
    EXPECT_THAT(FConsole.Errors, IsEmpty());
}

TEST_F(CommandRecording, TheOptionsNeverReachTheStoredSettings) {
    Record({"-roots", "HKU", "-paths", "C:\\Data", "-hash", "md5", "-no-watch", "-report", "C:\\Reports\\r.html"});
    EXPECT_FALSE(FStoredSettings.ReadBool("HKEY_USERS"));
    EXPECT_EQ(FStoredSettings.ReadString("Paths"), "");
    EXPECT_FALSE(FStoredSettings.ReadBool("FSScan"));
    EXPECT_EQ(FStoredSettings.ReadInteger("Hashing", 0), 0);
    EXPECT_TRUE(FStoredSettings.ReadBool("FSWatch", true));
    EXPECT_TRUE(FStoredSettings.ReadBool("ReportDateTime", true));
}

TEST_F(CommandRecording, OptionsOverrideTheStoredSettingsForTheRun) {
    FStoredSettings.WriteBool("HKEY_LOCAL_MACHINE", true);
    FStoredSettings.WriteBool("FSWatch", true);
    FStoredSettings.WriteBool("ReportDateTime", true);
    FWorld.Files.AddDirectory("C:\\Data\\");
    Record({"-roots", "HKU", "-paths", "C:\\Data", "-hash", "sha1", "-no-watch", "-report", "C:\\Reports\\r.html"});
    EXPECT_TRUE(FSettings.ReadBool("HKEY_USERS"));
    EXPECT_FALSE(FSettings.ReadBool("HKEY_LOCAL_MACHINE", true));
    EXPECT_TRUE(FSettings.ReadBool("FSScan"));
    EXPECT_EQ(FSettings.ReadList("Paths"), std::vector<std::string>{"C:\\Data"});
    EXPECT_EQ(FSettings.ReadInteger("Hashing", 0), 2);
    EXPECT_TRUE(FWorld.Watching.Watches.empty());
    EXPECT_EQ(FFiles.Files.count("C:\\Reports\\r.html"), 1U);
    EXPECT_TRUE(FSession.Store().FilesCompared);
}

TEST_F(CommandRecording, WithoutAProgramItWaitsForEnterOrTheTimeout) {
    EXPECT_EQ(Record({"-roots", "HKU", "-timeout", "1"}), TRecordExit::NoChanges);
    EXPECT_TRUE(FHost.WaitedForEnter);
    EXPECT_EQ(FHost.Timeout, 1);
    EXPECT_THAT(Report(), HasSubstr("No program"));
    EXPECT_THAT(FConsole.Lines, Contains("Registry keys: 0 created, 0 deleted, 0 modified"));
}

TEST_F(CommandRecording, AProgramStillRunningWhenTheTimeRunsOutIsStoppedManually) {
    FHost.ProgramEnds = false;
    EXPECT_EQ(Record({"-roots", "HKU", "-timeout", "5", "--", "C:\\setup.exe"}), TRecordExit::TimedOut);
    EXPECT_EQ(FHost.Timeout, 5);
    EXPECT_THAT(Report(), HasSubstr("Stopped manually before program exited"));
}

TEST_F(CommandRecording, AProgramThatCannotStartEndsWithoutAReport) {
    FHost.Startable = false;
    EXPECT_EQ(Record({"-roots", "HKU", "--", "C:\\missing.exe"}), TRecordExit::NotStarted);
    EXPECT_THAT(FConsole.Errors, ElementsAre("The program (C:\\missing.exe) could not be started. File not found."));
    EXPECT_THAT(FFiles.Files, IsEmpty());
    EXPECT_EQ(FSession.Store().Root(TRegRoot::Users).KeysBefore.Count(), 0U);
}

TEST_F(CommandRecording, WhatWasNotCapturedOutweighsTheChanges) {
    FWorld.Registry.DenyAccess(TRegRoot::Users, "S-1\\Software");
    FHost.WhileRunning = [this] { FWorld.Registry.SetString(TRegRoot::Users, "S-2", "New", "1"); };
    EXPECT_EQ(Record({"-roots", "HKU", "--", "C:\\setup.exe"}), TRecordExit::Incomplete);
    EXPECT_THAT(FConsole.Lines, Not(Contains("Capture notes: 0")));
}

TEST_F(CommandRecording, EventsTheWatchersLostMakeTheRecordingIncomplete) {
    FHost.WhileRunning = [this] {
        InstallTool();
        FSession.Store().FileWatch()->AddNote("Events were lost while watching", "C:\\Program Files\\");
    };
    EXPECT_EQ(Record({"-roots", "HKU", "--", "C:\\setup.exe"}), TRecordExit::Incomplete);
    EXPECT_THAT(FConsole.Lines, Contains("Capture notes: 1"));
}

TEST_F(CommandRecording, TheSummaryListsWhatTheUndoScriptCannotUndo) {
    FHost.WhileRunning = [this] {
        FWorld.Registry.SetString(TRegRoot::Users, "S-1\\Software\\x\n[-HKEY_USERS\\S-1\\Software", "v", "1");
    };
    EXPECT_EQ(Record({"-roots", "HKU", "-undo", "C:\\Reports\\undo.reg", "--", "C:\\setup.exe"}), TRecordExit::Changes);
    EXPECT_THAT(
        FConsole.Lines,
        Contains("Cannot be undone with a registry script: HKEY_USERS\\S-1\\Software\\x\xE2\x90\x8A[-HKEY_USERS"));
}

TEST_F(CommandRecording, AReportThatCannotBeWrittenIsAnErrorWhateverWasRecorded) {
    FHost.WhileRunning = [this] { InstallTool(); };
    EXPECT_EQ(Record({"-roots", "HKU", "-report", "D:\\Missing\\r.html", "--", "C:\\setup.exe"}),
              TRecordExit::NotWritten);
    ASSERT_EQ(FConsole.Errors.size(), 1U);
    EXPECT_THAT(FConsole.Errors[0], HasSubstr("Unable to create the report: D:\\Missing\\r.html"));
    EXPECT_THAT(FConsole.Lines, Not(Contains(HasSubstr("Report: "))));
}

TEST_F(CommandRecording, QuietKeepsOnlyTheErrors) {
    FHost.Startable = false;
    Record({"-quiet", "-roots", "HKU", "--", "C:\\missing.exe"});
    EXPECT_THAT(FConsole.Lines, IsEmpty());
    EXPECT_THAT(FConsole.Errors, ElementsAre("The program (C:\\missing.exe) could not be started. File not found."));

    FConsole.Errors.clear();
    FHost.Startable = true;
    FHost.WhileRunning = [this] { InstallTool(); };
    EXPECT_EQ(Record({"-quiet", "-roots", "HKU", "--", "C:\\setup.exe"}), TRecordExit::Changes);
    EXPECT_THAT(FConsole.Lines, IsEmpty());
    EXPECT_THAT(FConsole.Errors, IsEmpty());
}

TEST_F(CommandRecording, TheFilterDecidesWhatCountsAsAChange) {
    FStoredSettings.WriteBool("F_NewKey", false);
    FStoredSettings.WriteBool("F_NewValue", false);
    FHost.WhileRunning = [this] { InstallTool(); };
    EXPECT_EQ(Record({"-roots", "HKU", "--", "C:\\setup.exe"}), TRecordExit::NoChanges);
}

TEST_F(CommandRecording, TheJsonAndTheUndoScriptAreWrittenBesideTheReport) {
    FHost.WhileRunning = [this] { InstallTool(); };
    EXPECT_EQ(Record({"-roots", "HKU", "-json", "C:\\Reports\\r.json", "-undo", "C:\\Reports\\undo.REG", "--",
                      "C:\\setup.exe"}),
              TRecordExit::Changes);
    EXPECT_EQ(FFiles.Files.count("C:\\Reports\\r.json"), 1U);
    EXPECT_EQ(FFiles.Files.count("C:\\Reports\\undo.REG"), 1U);
    EXPECT_EQ(FFiles.Files.count("C:\\Reports\\undo.files.txt"), 1U);
    EXPECT_THAT(FConsole.Lines, Contains("JSON result: C:\\Reports\\r.json"));
    EXPECT_THAT(FConsole.Lines, Contains("Undo script: C:\\Reports\\undo.REG"));
    EXPECT_THAT(FConsole.Lines, Contains("Created files: C:\\Reports\\undo.files.txt"));
}

TEST_F(CommandRecording, AJsonThatCannotBeWrittenEndsWithCode5AndLeavesNothingBehind) {
    EXPECT_EQ(Record({"-roots", "HKU", "-json", "D:\\Missing\\r.json", "-timeout", "0"}), TRecordExit::NotWritten);
    ASSERT_EQ(FConsole.Errors.size(), 1U);
    EXPECT_THAT(FConsole.Errors[0], HasSubstr("JSON result: unable to write D:\\Missing\\r.json"));
    EXPECT_EQ(FFiles.Files.count(std::string(kReport)), 1U);
}

// How the program ended, Ctrl+C and the standard input against what the
// captures found and what could be written: the first that applies is the
// exit code.
// What happens around one recording besides its options.
enum TExitCondition : unsigned {
    kNoProgram = 1,        // it waits for Enter or the timeout
    kStillRuns = 2,        // the program, or a process it started, outlasts the wait
    kNothingInstalled = 4, // nothing changes while it waits
    kDenied = 8,           // a key cannot be read: a capture note
    kPressed = 16,         // Ctrl+C: during the wait, or from the start where nothing is installed
    kInputClosed = 32,     // before the recording
    kInputCloses = 64,     // during the wait
};

struct TExitCase {
    const char* Name;
    std::vector<std::string> Options; // before "-roots HKU"; a report in a missing folder cannot be written
    std::optional<std::uint32_t> ProgramExit;
    unsigned Conditions;
    TRecordExit Expected;
    bool Written;
};

const TExitCase kExitCases[] = {
    {"the program succeeded", {}, 0, 0, TRecordExit::Changes, true},
    {"the program failed", {}, 1603, 0, TRecordExit::ProgramFailed, true},
    {"a failed program outranks notes", {}, 1603, kDenied, TRecordExit::ProgramFailed, true},
    {"an unwritten report outranks a failed program",
     {"-report", "D:\\Missing\\r.html"},
     1603,
     0,
     TRecordExit::NotWritten,
     false},
    {"the time ran out while the program ran",
     {"-timeout", "5"},
     std::nullopt,
     kStillRuns,
     TRecordExit::TimedOut,
     true},
    {"the time ran out after the program failed, its children still running",
     {"-timeout", "5"},
     1,
     kStillRuns | kDenied,
     TRecordExit::TimedOut,
     true},
    {"an unwritten report outranks the timeout",
     {"-timeout", "5", "-report", "D:\\Missing\\r.html"},
     std::nullopt,
     kStillRuns,
     TRecordExit::NotWritten,
     false},
    {"the timeout ends a recording without a program",
     {"-timeout", "5"},
     std::nullopt,
     kNoProgram | kNothingInstalled,
     TRecordExit::NoChanges,
     true},
    {"Ctrl+C while the program runs", {}, 1603, kDenied | kPressed, TRecordExit::Interrupted, false},
    {"Ctrl+C while waiting for Enter", {}, std::nullopt, kNoProgram | kPressed, TRecordExit::Interrupted, false},
    {"Ctrl+C while saving the before side",
     {"-save-before", "C:\\before.qbcap"},
     std::nullopt,
     kNoProgram | kNothingInstalled | kPressed,
     TRecordExit::Interrupted,
     false},
    {"an input closed from the start",
     {},
     std::nullopt,
     kNoProgram | kNothingInstalled | kInputClosed,
     TRecordExit::Usage,
     false},
    {"an input that closes while waiting", {}, std::nullopt, kNoProgram | kInputCloses, TRecordExit::Usage, false},
    {"a closed input with a timeout",
     {"-timeout", "5"},
     std::nullopt,
     kNoProgram | kNothingInstalled | kInputClosed | kInputCloses,
     TRecordExit::NoChanges,
     true},
};

TEST_F(CommandRecording, TheExitCodeIsTheFirstThatApplies) {
    for (const TExitCase& row : kExitCases) {
        SCOPED_TRACE(row.Name);
        FSession.FreeSession();
        FFiles.Files.clear();
        FHost.Files.clear();
        FWorld.Registry.DeleteKey(TRegRoot::Users, "S-1\\Software\\Tool\\Options");
        FWorld.Registry.DenyAccess(TRegRoot::Users, "S-1\\Software", (row.Conditions & kDenied) != 0);
        FHost.ProgramExitCode = row.ProgramExit;
        FHost.ProgramEnds = (row.Conditions & kStillRuns) == 0;
        FHost.InputClosed = (row.Conditions & kInputClosed) != 0;
        FHost.InputCloses = (row.Conditions & kInputCloses) != 0;
        FHost.Pressed = false;
        const bool installs = (row.Conditions & kNothingInstalled) == 0;
        const bool pressed = (row.Conditions & kPressed) != 0;
        FHost.WhileRunning = [this, installs, pressed] {
            if (installs) {
                InstallTool();
            }
            FHost.Pressed = pressed;
        };
        if (pressed && !installs) {
            FHost.Pressed = true;
        }
        std::vector<std::string> arguments = row.Options;
        arguments.insert(arguments.end(), {"-roots", "HKU"});
        if ((row.Conditions & kNoProgram) == 0) {
            arguments.insert(arguments.end(), {"--", "C:\\setup.exe"});
        }
        EXPECT_EQ(Record(arguments), row.Expected);
        EXPECT_EQ(!FFiles.Files.empty() || !FHost.Files.empty(), row.Written);
    }
}

TEST_F(CommandRecording, TheProgramsExitCodeIsInTheSummaryAndTheJson) {
    FHost.ProgramExitCode = 0xC0000005;
    EXPECT_EQ(Record({"-roots", "HKU", "-json", "C:\\Reports\\r.json", "--", "C:\\setup.exe"}),
              TRecordExit::ProgramFailed);
    EXPECT_THAT(FConsole.Lines, Contains("Program exit code: 3221225477 (0xC0000005)"));
    EXPECT_THAT(FFiles.Files.at("C:\\Reports\\r.json"), HasSubstr("\"programExitCode\":3221225477"));
}

struct TSameFileCase {
    TRecordOptions Options;
    const char* Error; // empty: the files differ
};

TEST(DistinctFiles, TwoOptionsNamingOneFileAreAUsageError) {
    const auto options = [](std::string report, std::string json, std::string undo, std::string saveBefore) {
        TRecordOptions o;
        o.ReportFile = std::move(report);
        o.JsonFile = std::move(json);
        o.UndoFile = std::move(undo);
        o.SaveBeforeFile = std::move(saveBefore);
        return o;
    };
    const TSameFileCase cases[] = {
        {options("C:\\r\\a.html", "C:\\r\\a.json", "C:\\r\\a.reg", ""), ""},
        {options("", "", "", ""), ""},
        {options("C:\\r\\a.html", "C:\\R\\A.HTML", "", ""), "-report and -json: name the same file (C:\\r\\a.html)"},
        {options("", "C:\\r\\u.reg", "C:\\r\\u.reg", ""), "-json and -undo: name the same file (C:\\r\\u.reg)"},
        {options("", "C:\\r\\u.files.txt", "C:\\r\\u.reg", ""),
         "-json and -undo (its list of created files): name the same file (C:\\r\\u.files.txt)"},
        {options("C:\\r\\b.qbcap", "", "", "C:\\r\\b.qbcap"),
         "-report and -save-before: name the same file (C:\\r\\b.qbcap)"},
    };
    for (const TSameFileCase& row : cases) {
        std::string error;
        EXPECT_EQ(CheckDistinctFiles(row.Options, error), std::string(row.Error).empty()) << row.Error;
        EXPECT_EQ(error, row.Error);
    }
    // A capture may be compared with itself, but not written over.
    TRecordOptions compare;
    compare.CompareFiles = {"C:\\r\\a.qbcap", "C:\\R\\A.qbcap"};
    std::string error;
    EXPECT_TRUE(CheckDistinctFiles(compare, error)) << error;
    compare.JsonFile = "C:\\r\\A.QBCAP";
    EXPECT_FALSE(CheckDistinctFiles(compare, error));
    EXPECT_EQ(error, "-json and -compare: name the same file (C:\\r\\A.QBCAP)");
}

TEST(CreatedFilesList, TakesTheUndoScriptsNameWithoutItsExtension) {
    EXPECT_EQ(CreatedFilesListPath("C:\\undo.reg"), "C:\\undo.files.txt");
    EXPECT_EQ(CreatedFilesListPath("C:\\undo.REG"), "C:\\undo.files.txt");
    EXPECT_EQ(CreatedFilesListPath("C:\\undo"), "C:\\undo.files.txt");
    EXPECT_EQ(CreatedFilesListPath(".reg"), ".reg.files.txt");
}

// A recording split in two commands: what happens between them is what the
// report lists.
TEST_F(CommandRecording, TheAfterSideOfASplitRecordingListsWhatChangedSinceTheSavedBeforeSide) {
    EXPECT_EQ(Record({"-roots", "HKU", "-save-before", "C:\\before.qbcap"}), TRecordExit::NoChanges);
    EXPECT_THAT(FHost.Files, Contains(Key("C:\\before.qbcap")));
    EXPECT_THAT(FConsole.Lines, Contains("Before side: C:\\before.qbcap"));
    EXPECT_THAT(FFiles.Files, IsEmpty());
    EXPECT_FALSE(FHost.WaitedForEnter);

    InstallTool();
    FSession.FreeSession();
    // The roots of the saved side count, not the ones given now.
    EXPECT_EQ(Record({"-roots", "none", "-after", "C:\\before.qbcap"}), TRecordExit::Changes);
    EXPECT_FALSE(FHost.WaitedForEnter);
    EXPECT_THAT(FConsole.Lines, Contains("Registry keys: 1 created, 0 deleted, 0 modified"));
    EXPECT_THAT(Report(), HasSubstr("Options"));
}

// Nothing would read what they journal; a monitor that cannot start (no
// display, no shell) leaves no failure in the saved side.
TEST_F(CommandRecording, SavingTheBeforeSideStartsNoMonitors) {
    FWorld.Files.AddDirectory("C:\\Data\\");
    for (const char* on : {"FSWatch", "FSFiles", "SHCNE_CREATE"}) {
        FStoredSettings.WriteBool(on, true);
    }
    for (const char* fault : {"shell", "watch C:\\Data\\"}) {
        SCOPED_TRACE(fault);
        FWorld.Fault.Armed = fault;
        EXPECT_EQ(Record({"-paths", "C:\\Data", "-save-before", "C:\\before.qbcap"}), TRecordExit::NoChanges);
        EXPECT_FALSE(FWorld.Shell.Started);
        EXPECT_THAT(FWorld.Watching.Watches, IsEmpty());
    }
}

TEST_F(CommandRecording, ABeforeSideThatCannotBeSavedOrLoadedSaysWhy) {
    FHost.Writable = false;
    EXPECT_EQ(Record({"-save-before", "C:\\before.qbcap"}), TRecordExit::NotWritten);
    EXPECT_THAT(FConsole.Errors, ElementsAre("The before side could not be saved: C:\\before.qbcap cannot be written"));
    FConsole.Errors.clear();
    EXPECT_EQ(Record({"-after", "C:\\missing.qbcap"}), TRecordExit::NotLoaded);
    EXPECT_THAT(FConsole.Errors, ElementsAre("The before side could not be loaded: C:\\missing.qbcap is not there"));
    FConsole.Errors.clear();
    FHost.Files["C:\\foreign.qbcap"] = "MZ";
    EXPECT_EQ(Record({"-after", "C:\\foreign.qbcap"}), TRecordExit::NotLoaded);
    EXPECT_THAT(FConsole.Errors, ElementsAre("The before side could not be loaded: the snapshot file "
                                             "\"C:\\foreign.qbcap\" cannot be loaded: it is not a Quillborne "
                                             "snapshot file"));
    EXPECT_THAT(FFiles.Files, IsEmpty());
}

// A split recording watches nothing, and its after side takes the digest of
// the before side it loads, not the one given now.
TEST_F(CommandRecording, ASplitRecordingSaysWhatEachSideRecords) {
    FWorld.Files.AddDirectory("C:\\Data\\");
    FStoredSettings.WriteBool("FSWatch", true);
    FStoredSettings.WriteBool("FSFiles", true);
    Record({"-roots", "HKU", "-paths", "C:\\Data", "-hash", "md5", "-save-before", "C:\\before.qbcap"});
    FSession.FreeSession();
    Record({"-roots", "none", "-hash", "none", "-after", "C:\\before.qbcap"});
    EXPECT_EQ(std::count(FConsole.Lines.begin(), FConsole.Lines.end(),
                         "Recording HKEY_USERS; scanning C:\\Data; digests: MD5; watching: off"),
              2);
}

// Two before sides saved apart compare as the after side of the first would
// have recorded the second.
TEST_F(CommandRecording, TwoSavedBeforeSidesCompareAsTheAfterSideOfTheFirstWould) {
    FWorld.Files.AddDirectory("C:\\Data\\");
    const std::vector<std::string> shape{"-roots", "HKU", "-paths", "C:\\Data", "-hash", "md5"};
    const auto save = [&](const std::string& file, std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), {"-save-before", file});
        EXPECT_EQ(Record(arguments), TRecordExit::NoChanges);
        FSession.FreeSession();
    };
    save("C:\\a.qbcap", shape);
    InstallTool();
    FWorld.Files.AddFile("C:\\Data\\tool.ini", "mode=full");
    save("C:\\b.qbcap", shape);
    EXPECT_EQ(Record({"-after", "C:\\a.qbcap", "-json", "C:\\Reports\\after.json"}), TRecordExit::Changes);
    FSession.FreeSession();
    FConsole.Lines.clear();
    EXPECT_EQ(Record({"-compare", "C:\\a.qbcap", "C:\\b.qbcap", "-json", "C:\\Reports\\compare.json"}),
              TRecordExit::Changes);
    EXPECT_THAT(FConsole.Lines, Contains("Registry keys: 1 created, 0 deleted, 0 modified"));
    EXPECT_THAT(FConsole.Lines, Contains("Comparing C:\\a.qbcap with C:\\b.qbcap..."));
    const nlohmann::json after = nlohmann::json::parse(FFiles.Files.at("C:\\Reports\\after.json"));
    const nlohmann::json compared = nlohmann::json::parse(FFiles.Files.at("C:\\Reports\\compare.json"));
    EXPECT_EQ(compared["registry"], after["registry"]);
    EXPECT_EQ(compared["fileScan"], after["fileScan"]);
    EXPECT_NE(compared["fileScan"].dump().find("tool.ini"), std::string::npos);

    // What only one side recorded is left out and noted.
    FSession.FreeSession();
    save("C:\\c.qbcap", {"-roots", "HKU,HKLM", "-paths", "C:\\Data", "-hash", "sha1"});
    EXPECT_EQ(Record({"-compare", "C:\\a.qbcap", "C:\\c.qbcap"}), TRecordExit::Incomplete);
    EXPECT_THAT(Report(), HasSubstr("HKEY_LOCAL_MACHINE (recorded only in C:\\c.qbcap)"));
    EXPECT_THAT(Report(), HasSubstr("the file digests (C:\\a.qbcap has MD5, C:\\c.qbcap has SHA-1"));
}

// The package carries the files as they are when it is written: one that
// changed since the recording, or cannot be read, is named and left out.
TEST_F(CommandRecording, APackageCarriesWhatTheRecordingSawCreatedAndNamesWhatItCouldNot) {
    FWorld.Files.AddDirectory("C:\\Data\\");
    FHost.WhileRunning = [this] {
        InstallTool();
        FWorld.Files.AddFile("C:\\Data\\tool.ini", "mode=full");
        FWorld.Files.AddFile("C:\\Data\\changed.ini", "before");
        FWorld.Files.AddFile("C:\\Data\\locked.ini", "x");
    };
    FHost.Files["C:\\Data\\tool.ini"] = "mode=full";
    FHost.Files["C:\\Data\\changed.ini"] = "after";
    EXPECT_EQ(Record({"-roots", "HKU", "-paths", "C:\\Data", "-hash", "md5", "-package", "C:\\Pkg", "-json",
                      "C:\\Reports\\r.json", "--", "C:\\setup.exe"}),
              TRecordExit::Changes);
    EXPECT_EQ(FHost.Files.at("C:\\Pkg\\files\\CommonAppDataFolder\\tool.ini"), "mode=full");
    EXPECT_THAT(FHost.Files, Not(Contains(Key("C:\\Pkg\\files\\CommonAppDataFolder\\changed.ini"))));
    const std::string& wxs = FHost.Files.at("C:\\Pkg\\Package.wxs");
    EXPECT_THAT(wxs, HasSubstr(R"(<RegistryKey Root="HKCU" Key="Software\Tool\Options">)"));
    EXPECT_THAT(wxs, HasSubstr(R"(Source="files/CommonAppDataFolder/tool.ini")"));
    EXPECT_THAT(FConsole.Lines, Contains("Installer source: C:\\Pkg\\Package.wxs (1 file, 0 empty folders, 1 registry "
                                         "value and 1 new key; setup 1.0.0, per machine)"));
    EXPECT_THAT(FConsole.Lines, Contains("Not packaged: C:\\Data\\changed.ini (changed since the recording)"));
    EXPECT_THAT(FConsole.Lines, Contains(HasSubstr("Not packaged: C:\\Data\\locked.ini (could not be copied: ")));
    const nlohmann::json json = nlohmann::json::parse(FFiles.Files.at("C:\\Reports\\r.json"));
    EXPECT_EQ(json["package"]["filesPackaged"], 1);
    EXPECT_EQ(json["package"]["valuesPackaged"], 1);
    EXPECT_EQ(json["package"]["notPackaged"].size(), 2u);
}

TEST_F(CommandRecording, CapturesThatCannotBeComparedSayWhyAndWriteNothing) {
    FHost.Files["C:\\foreign.qbcap"] = "MZ";
    Record({"-save-before", "C:\\a.qbcap"});
    FSession.FreeSession();
    for (const char* second : {"C:\\missing.qbcap", "C:\\foreign.qbcap"}) {
        FConsole.Errors.clear();
        EXPECT_EQ(Record({"-compare", "C:\\a.qbcap", second}), TRecordExit::NotLoaded);
        ASSERT_EQ(FConsole.Errors.size(), 1u);
        EXPECT_THAT(FConsole.Errors[0], HasSubstr(second));
    }
    EXPECT_THAT(FFiles.Files, IsEmpty());
}

} // namespace
} // namespace quill
