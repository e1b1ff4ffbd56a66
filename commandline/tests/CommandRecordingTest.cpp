#include "commandline/CommandRecording.h"

#include "filter/StoreFilter.h"
#include "recording/tests/CaptureFakes.h"
#include "report/tests/FixedReportLocale.h"
#include "report/tests/MemoryReportFiles.h"
#include "settings/SettingsOverlay.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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
    TFakeProgram(std::function<void()> run, bool ends) : FRun(std::move(run)), FEnds(ends) {}
    bool WaitForExit(const std::function<bool()>&) override {
        if (FRun) {
            FRun();
        }
        return FEnds;
    }

private:
    std::function<void()> FRun;
    bool FEnds;
};

class TFakeCommandHost : public ICommandHost {
public:
    explicit TFakeCommandHost(const TSettings& settings) : FSettings(settings) {}
    std::unique_ptr<IRunningProgram> StartProgram(const std::string& fileName,
                                                  const std::vector<std::string>& arguments, TCaptureNotes&) override {
        Started.push_back(fileName);
        StartedArguments = arguments;
        if (!Startable) {
            return nullptr;
        }
        return std::make_unique<TFakeProgram>(WhileRunning, ProgramEnds);
    }
    bool WaitForProgram(IRunningProgram& program, std::optional<int> timeoutSeconds) override {
        Timeout = timeoutSeconds;
        return program.WaitForExit([] { return true; });
    }
    void WaitForEnter(std::optional<int> timeoutSeconds) override {
        WaitedForEnter = true;
        Timeout = timeoutSeconds;
        if (WhileRunning) {
            WhileRunning();
        }
    }
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

    std::map<std::string, std::string> Files;
    bool Writable = true;
    bool Startable = true;
    bool ProgramEnds = true;
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
    EXPECT_EQ(Record({"-roots", "HKU", "-timeout", "5", "--", "C:\\setup.exe"}), TRecordExit::NoChanges);
    EXPECT_EQ(FHost.Timeout, 5);
    EXPECT_THAT(Report(), HasSubstr("Stopped manually before program exited"));
}

TEST_F(CommandRecording, AProgramThatCannotStartEndsWithoutAReport) {
    FHost.Startable = false;
    EXPECT_EQ(Record({"-roots", "HKU", "--", "C:\\missing.exe"}), TRecordExit::NotStarted);
    EXPECT_THAT(FConsole.Errors, ElementsAre("The program (C:\\missing.exe) could not be started."));
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
    EXPECT_THAT(FConsole.Errors, ElementsAre("The program (C:\\missing.exe) could not be started."));

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

} // namespace
} // namespace quill
