#include "settings/SettingsDialogState.h"

#include "common/tests/FakeMessages.h"
#include "common/tests/MemoryRegistry.h"
#include "settings/DefaultPaths.h"
#include "settings/SettingsTable.h"

#include <gtest/gtest.h>

#include <map>

namespace quill {
namespace {

using test::TFakeMessages;

constexpr std::string_view kPath = "Software\\Tarnvale\\Quillborne";

class TFakeStartup : public IStartupShortcut {
public:
    bool Exists() override { return Present && !Broken; }
    void Create() override { Present = true; }
    void Remove() override { Present = false; }
    bool Present = false;
    // The shortcut cannot be made: the box shows what is there.
    bool Broken = false;
};

class TDriveTable : public IDriveInfo {
public:
    explicit TDriveTable(std::map<char, TDriveType> drives) : FDrives(std::move(drives)) {}
    std::uint32_t LogicalDrives() override {
        std::uint32_t mask = 0;
        for (const auto& [letter, type] : FDrives) {
            mask |= 1u << (letter - 'A');
        }
        return mask;
    }
    TDriveType DriveType(std::string_view root) override { return FDrives.at(root.front()); }
    bool TotalFreeBytes(std::string_view, std::int64_t&) override { return false; }

private:
    std::map<char, TDriveType> FDrives;
};

class SettingsDialog : public ::testing::Test {
protected:
    TMemoryRegistry FRegistry;
    TSettings FSettings{FRegistry};
    TFakeMessages FMessages;
    TFakeStartup FStartup;
    TSettingsEnvironment FEnvironment{true, "C:\\Program\\", [] { return std::vector<std::string>{"C:\\", "D:\\"}; }};

    void Store(std::string_view name, std::string_view text) {
        FRegistry.SetString(TRegRoot::CurrentUser, kPath, name, text);
    }
    // The stored text, or "<missing>".
    std::string Stored(std::string_view name) const {
        const TMemoryRegistry::TNode* key = FRegistry.FindKey(TRegRoot::CurrentUser, kPath);
        for (const TRegValue& value : key == nullptr ? std::vector<TRegValue>{} : key->Values) {
            if (value.Name == name) {
                return DecodeRegString(value.Data);
            }
        }
        return "<missing>";
    }
    std::vector<std::string> StoredNames() const {
        std::vector<std::string> names;
        const TMemoryRegistry::TNode* key = FRegistry.FindKey(TRegRoot::CurrentUser, kPath);
        for (const TRegValue& value : key == nullptr ? std::vector<TRegValue>{} : key->Values) {
            names.push_back(value.Name);
        }
        return names;
    }
    // A program that has run before, with the settings saved once.
    void Settled() {
        Store("FirstRun", "N");
        Store("Version", kApplicationTitle);
        Store("Paths", "C:\\");
    }
    TSettingsDialogState Loaded() {
        TSettingsDialogState state(FSettings, FMessages, &FStartup, FEnvironment);
        state.LoadSettings();
        return state;
    }
};

TEST_F(SettingsDialog, TheFirstLoadStoresEveryOptionWithItsDefault) {
    FEnvironment.ExecutableDirectory = "C:\\Tools\\Quill\\";
    const TSettingsDialogState state = Loaded();
    for (const TOptionInfo& option : SettingsOptions()) {
        std::string expected(option.Default);
        if (option.Name == "Paths") {
            expected = "C:\\*D:\\";
        } else if (option.Name == "ReportDir") {
            expected = "C:\\Tools\\Quill\\";
        } else if (option.Name == "Version") {
            expected = kApplicationTitle;
        } else if (option.Name == "FirstRun") {
            expected = "N";
        }
        EXPECT_EQ(Stored(option.Name), expected) << option.Name;
    }
    EXPECT_FALSE(state.CancelEnabled());
    EXPECT_TRUE(FMessages.Asked.empty());
}

TEST_F(SettingsDialog, WithoutDirectoryWatchingTheWatchBoxesAreClearAndOff) {
    FEnvironment.DirectoryWatching = false;
    Store("FSWatch", "Y");
    Store("FSFiles", "Y");
    TSettingsDialogState state = Loaded();
    for (std::size_t box = cbFSFiles; box <= cbFSWatch; ++box) {
        EXPECT_FALSE(state.Checked(static_cast<TSettingsBox>(box)))
            << SettingsBoxOption(static_cast<TSettingsBox>(box));
        EXPECT_FALSE(state.Enabled(static_cast<TSettingsBox>(box)));
    }
    EXPECT_EQ(Stored("FSWatch"), "N");
    EXPECT_EQ(Stored("FSSize"), "N");
    state.Bulk(TBulkCommand::IgnoreFileWatch);
    state.Bulk(TBulkCommand::RecordFileWatch);
    EXPECT_TRUE(state.Checked(cbFSScan));
    EXPECT_FALSE(state.Checked(cbFSWatch));
    EXPECT_FALSE(state.Checked(cbFSFiles));
}

TEST_F(SettingsDialog, SaveWritesInItsOrderAndEndsWithVersionAndFirstRun) {
    Store("Paths", "C:\\");
    Loaded();
    std::vector<std::string> expected{"Paths"};
    for (std::size_t box = 0; box <= cbFSScan; ++box) {
        expected.emplace_back(SettingsBoxOption(static_cast<TSettingsBox>(box)));
    }
    for (const char* name : {"Hashing", "WatchProcesses", "NoProcList", "Processes", "ReportDir", "ReportDateTime",
                             "SkipSteps", "DiskUsage", "Version", "FirstRun"}) {
        expected.emplace_back(name);
    }
    EXPECT_EQ(StoredNames(), expected);
}

struct TRootCase {
    const char* Name;
    std::vector<TSettingsBox> Click;
    std::vector<TSettingsBox> Checked;
    std::vector<TSettingsBox> Disabled;
};

class RootDependency : public SettingsDialog, public ::testing::WithParamInterface<TRootCase> {};

TEST_P(RootDependency, TheMachineAndUsersHivesClearAndDisableWhatTheyHold) {
    Settled();
    for (std::size_t box = cbLocalMachine; box <= cbCurrentConfig; ++box) {
        Store(SettingsBoxOption(static_cast<TSettingsBox>(box)), "N");
    }
    TSettingsDialogState state = Loaded();
    for (const TSettingsBox box : GetParam().Click) {
        state.Click(box, !state.Checked(box));
    }
    for (std::size_t i = cbLocalMachine; i <= cbCurrentConfig; ++i) {
        const auto box = static_cast<TSettingsBox>(i);
        const auto& c = GetParam();
        EXPECT_EQ(state.Checked(box), std::count(c.Checked.begin(), c.Checked.end(), box) == 1)
            << SettingsBoxOption(box);
        EXPECT_EQ(state.Enabled(box), std::count(c.Disabled.begin(), c.Disabled.end(), box) == 0)
            << SettingsBoxOption(box);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RootDependency,
    ::testing::Values(TRootCase{"MachineClearsClassesAndConfig",
                                {cbClassesRoot, cbCurrentConfig, cbLocalMachine},
                                {cbLocalMachine},
                                {cbClassesRoot, cbCurrentConfig}},
                      TRootCase{"UncheckingTheMachineEnablesButLeavesThemClear",
                                {cbClassesRoot, cbCurrentConfig, cbLocalMachine, cbLocalMachine},
                                {},
                                {}},
                      TRootCase{"UsersClearsCurrentUser", {cbCurrentUser, cbUsers}, {cbUsers}, {cbCurrentUser}},
                      TRootCase{"UncheckingUsersEnablesCurrentUserClear", {cbCurrentUser, cbUsers, cbUsers}, {}, {}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SettingsDialog, DependentControlsFollowTheirBoxes) {
    Settled();
    Store("FSScan", "N");
    Store("FSWatch", "N");
    Store("WatchProcesses", "N");
    TSettingsDialogState state = Loaded();
    EXPECT_FALSE(state.HashingEnabled());
    EXPECT_FALSE(state.ProgramsEnabled());
    EXPECT_FALSE(state.Enabled(cbFSFiles));
    EXPECT_TRUE(state.Enabled(cbFSWatch));
    state.Click(cbFSScan, true);
    state.Click(cbFSWatch, true);
    state.Click(cbWatchProcesses, true);
    EXPECT_TRUE(state.HashingEnabled());
    EXPECT_TRUE(state.ProgramsEnabled());
    for (std::size_t box = cbFSFiles; box <= cbFSAccess; ++box) {
        EXPECT_TRUE(state.Enabled(static_cast<TSettingsBox>(box)));
    }
}

TEST_F(SettingsDialog, BothWarningsShowExactlyWhileNoDirectoryIsStored) {
    Settled();
    TSettingsDialogState state = Loaded();
    EXPECT_FALSE(state.PathsWarning());
    state.PathsEdited("");
    EXPECT_TRUE(state.PathsWarning());
    EXPECT_FALSE(state.CancelEnabled());
    state.PathsEdited("\"C:\\Program Files\"");
    EXPECT_FALSE(state.PathsWarning());
    EXPECT_EQ(Stored("Paths"), "\"C:\\Program Files\"");
}

// A list written by a policy or by hand, as the registry editor stores one.
TEST_F(SettingsDialog, PathsStoredAsAMultiStringAreShownAndKeptByTheFirstRun) {
    std::vector<std::uint8_t> multi = EncodeRegString("C:\\Data");
    const std::vector<std::uint8_t> second = EncodeRegString("D:\\Program Files\\");
    multi.insert(multi.end(), second.begin(), second.end());
    multi.insert(multi.end(), {0, 0});
    FRegistry.SetValue(TRegRoot::CurrentUser, kPath, "Paths", kRegMultiSz, multi);
    const TSettingsDialogState state = Loaded();
    EXPECT_EQ(state.Paths(), "C:\\Data*\"D:\\Program Files\\\"");
    EXPECT_FALSE(state.PathsWarning());
}

struct TChangeCase {
    const char* Name;
    std::function<void(TSettingsDialogState&)> Act;
    bool MarksChange;
};

class WhatMarksAChange : public SettingsDialog, public ::testing::WithParamInterface<TChangeCase> {};

TEST_P(WhatMarksAChange, OnlyOptionsThatCancelCanTakeBack) {
    Settled();
    Store("WatchProcesses", "Y");
    TSettingsDialogState state = Loaded();
    ASSERT_FALSE(state.CancelEnabled());
    GetParam().Act(state);
    EXPECT_EQ(state.CancelEnabled(), GetParam().MarksChange);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WhatMarksAChange,
    ::testing::Values(TChangeCase{"ShellEvent", [](auto& s) { s.Click(cbFirstShellEvent, true); }, true},
                      TChangeCase{"Root", [](auto& s) { s.Click(cbUsers, true); }, true},
                      TChangeCase{"WatchBox", [](auto& s) { s.Click(cbFSAccess, true); }, true},
                      TChangeCase{"DatePrefix", [](auto& s) { s.Click(cbReportDateTime, true); }, true},
                      TChangeCase{"Hashing", [](auto& s) { s.HashingClick(0); }, true},
                      TChangeCase{"ReportDirEdit", [](auto& s) { s.ReportDirChange("D:\\"); }, true},
                      TChangeCase{"ReportDirChosen", [](auto& s) { s.ReportDirChosen("D:\\Reports"); }, true},
                      TChangeCase{"SkipSteps", [](auto& s) { s.Click(cbSkipSteps, true); }, false},
                      TChangeCase{"DiskUsage", [](auto& s) { s.Click(cbDiskUsage, true); }, false},
                      TChangeCase{"NoProcList", [](auto& s) { s.Click(cbNoProcList, true); }, false},
                      TChangeCase{"Startup", [](auto& s) { s.Click(cbStartup, true); }, false},
                      TChangeCase{"Paths", [](auto& s) { s.PathsEdited("D:\\"); }, false},
                      TChangeCase{"AddNothing", [](auto& s) { s.AddProgram(""); }, true},
                      TChangeCase{"AddListedInOtherCase", [](auto& s) { s.AddProgram("SETUP.EXE"); }, true},
                      TChangeCase{"DeleteButtonNothingSelected", [](auto& s) { s.DeletePrograms({}, false); }, true},
                      TChangeCase{"DeleteKeyNothingSelected", [](auto& s) { s.DeletePrograms({}, true); }, false},
                      TChangeCase{"DeleteKeySelected", [](auto& s) { s.DeletePrograms({0}, true); }, true},
                      TChangeCase{"RecordAllShellEvents", [](auto& s) { s.Bulk(TBulkCommand::RecordShellEvents); },
                                  true},
                      TChangeCase{"IgnoreRegistryWhenAlreadyIgnored",
                                  [](auto& s) {
                                      s.Bulk(TBulkCommand::IgnoreRegistry);
                                      s.SaveSettings();
                                      s.Bulk(TBulkCommand::IgnoreRegistry);
                                  },
                                  false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SettingsDialog, AddingANameInAnotherCaseAddsNothingAndNewNamesStaySorted) {
    Settled();
    Store("Processes", "setup.exe");
    TSettingsDialogState state = Loaded();
    state.AddProgram("SETUP.EXE");
    state.AddProgram("Install.exe");
    state.AddProgram("zap.exe");
    EXPECT_EQ(state.Programs(), (std::vector<std::string>{"Install.exe", "setup.exe", "zap.exe"}));
    state.DeletePrograms({2, 0}, false);
    EXPECT_EQ(state.Programs(), (std::vector<std::string>{"setup.exe"}));
}

TEST_F(SettingsDialog, AnEmptiedProgramListIsStoredEmptyAndShowsTheDefaultAgain) {
    Settled();
    TSettingsDialogState state = Loaded();
    state.DeletePrograms({0}, false);
    ASSERT_TRUE(state.CloseQuery(TCloseRequest::Keep));
    EXPECT_EQ(Stored("Processes"), "");
    EXPECT_EQ(Loaded().Programs(), (std::vector<std::string>{"setup.exe"}));
}

TEST_F(SettingsDialog, TheHashingNoteComesForDigestsChosenByTheUserNeverWhileLoading) {
    Store("Hashing", "2");
    TSettingsDialogState state = Loaded();
    EXPECT_EQ(state.Hashing(), 2);
    EXPECT_TRUE(FMessages.Asked.empty());
    state.UseDefaults();
    ASSERT_EQ(FMessages.Asked.size(), 1u); // the question of "Use defaults"
    state.HashingClick(0);
    EXPECT_EQ(FMessages.Asked.size(), 1u);
    state.HashingClick(1);
    ASSERT_EQ(FMessages.Asked.size(), 2u);
    EXPECT_EQ(FMessages.Asked[1].Kind, TMessageKind::Warning);
    EXPECT_EQ(FMessages.Asked[1].Text, "Note that file hashing can take a considerable amount of time, depending "
                                       "upon the number of files to be hashed.");
}

TEST_F(SettingsDialog, StartupBoxActsAtOnceAndShowsWhetherTheShortcutExists) {
    Settled();
    TSettingsDialogState state = Loaded();
    EXPECT_FALSE(state.Checked(cbStartup));
    state.Click(cbStartup, true);
    EXPECT_TRUE(FStartup.Present);
    EXPECT_TRUE(state.Checked(cbStartup));
    state.Click(cbStartup, false);
    EXPECT_FALSE(FStartup.Present);
    FStartup.Broken = true;
    state.Click(cbStartup, true);
    EXPECT_FALSE(state.Checked(cbStartup));

    TSettingsDialogState without(FSettings, FMessages, nullptr, FEnvironment);
    without.LoadSettings();
    without.Click(cbStartup, true);
    EXPECT_FALSE(without.Checked(cbStartup));
    EXPECT_FALSE(without.Enabled(cbStartup));
}

struct TCloseCase {
    const char* Name;
    bool Changed;
    TCloseRequest Request;
    TMessageAnswer Answer;
    bool Closes;
    bool Saves;
    bool Asks;
};

class ClosingTheDialog : public SettingsDialog, public ::testing::WithParamInterface<TCloseCase> {};

TEST_P(ClosingTheDialog, AsksOnlyBeforeLosingChanges) {
    Settled();
    Store("SHCNE_MKDIR", "N");
    const TCloseCase& c = GetParam();
    FMessages.Answers = {c.Answer};
    TSettingsDialogState state = Loaded();
    state.Click(cbSkipSteps, true);
    if (c.Changed) {
        state.Click(static_cast<TSettingsBox>(9), true);
        state.Click(cbStartup, true);
        state.PathsEdited("E:\\");
    }
    EXPECT_EQ(state.CloseQuery(c.Request), c.Closes);
    EXPECT_EQ(Stored("SkipSteps"), c.Saves ? "Y" : "<missing>");
    EXPECT_EQ(FMessages.Asked.size(), c.Asks ? 1u : 0u);
    if (c.Asks) {
        EXPECT_EQ(FMessages.Asked[0].Text, "Are you sure you want to lose the changes you made?");
        EXPECT_EQ(FMessages.Asked[0].Buttons, TMessageButtons::YesNo);
    }
    if (c.Changed) {
        // Neither the start-up shortcut nor the directories wait for a save.
        EXPECT_TRUE(FStartup.Present);
        EXPECT_EQ(Stored("Paths"), "E:\\");
        EXPECT_EQ(Stored("SHCNE_MKDIR"), c.Saves ? "Y" : "N");
        EXPECT_EQ(state.CancelEnabled(), !c.Saves);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClosingTheDialog,
    ::testing::Values(
        TCloseCase{"DiscardWithChangesYes", true, TCloseRequest::Discard, TMessageAnswer::Yes, true, false, true},
        TCloseCase{"DiscardWithChangesNo", true, TCloseRequest::Discard, TMessageAnswer::No, false, false, true},
        TCloseCase{"DiscardWithoutChangesSaves", false, TCloseRequest::Discard, TMessageAnswer::No, true, true, false},
        TCloseCase{"KeepWithChangesSaves", true, TCloseRequest::Keep, TMessageAnswer::No, true, true, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SettingsDialog, OkNeedsAnExistingReportDirectoryAndKeepsTheEdits) {
    Settled();
    TSettingsDialogState state = Loaded();
    state.ReportDirChange("Q:\\Nowhere\\");
    EXPECT_FALSE(state.OkClick(false));
    ASSERT_EQ(FMessages.Asked.size(), 1u);
    EXPECT_EQ(FMessages.Asked[0].Text, "The report directory does not exist!");
    EXPECT_EQ(FMessages.Asked[0].Kind, TMessageKind::Error);
    EXPECT_EQ(TSettingsDialogState::kReportDirPage, pgReport);
    EXPECT_EQ(state.ReportDir(), "Q:\\Nowhere\\");
    EXPECT_TRUE(state.CancelEnabled());
    EXPECT_EQ(Stored("ReportDir"), "<missing>");
    EXPECT_TRUE(state.OkClick(true));
    EXPECT_EQ(Stored("ReportDir"), "Q:\\Nowhere\\");
}

TEST_F(SettingsDialog, BulkCommandsSetTheirBoxes) {
    Settled();
    TSettingsDialogState state = Loaded();
    state.Bulk(TBulkCommand::RecordShellEvents);
    state.Bulk(TBulkCommand::RecordRegistry);
    state.Bulk(TBulkCommand::IgnoreFileWatch);
    for (std::size_t box = cbFirstShellEvent; box < cbLocalMachine; ++box) {
        EXPECT_TRUE(state.Checked(static_cast<TSettingsBox>(box)));
    }
    EXPECT_TRUE(state.Checked(cbLocalMachine));
    EXPECT_TRUE(state.Checked(cbUsers));
    EXPECT_FALSE(state.Checked(cbCurrentUser));
    for (std::size_t box = cbFSFiles; box <= cbFSScan; ++box) {
        EXPECT_FALSE(state.Checked(static_cast<TSettingsBox>(box)));
    }
    state.Bulk(TBulkCommand::IgnoreShellEvents);
    state.Bulk(TBulkCommand::IgnoreRegistry);
    state.Bulk(TBulkCommand::RecordFileWatch);
    for (std::size_t box = cbFirstShellEvent; box <= cbCurrentConfig; ++box) {
        EXPECT_FALSE(state.Checked(static_cast<TSettingsBox>(box)));
    }
    for (std::size_t box = cbFSFiles; box <= cbFSScan; ++box) {
        EXPECT_TRUE(state.Checked(static_cast<TSettingsBox>(box)));
    }
}

TEST_F(SettingsDialog, UseDefaultsDeletesEveryOptionAndStoresTheDefaultsAgain) {
    Settled();
    Store("SkipSteps", "Y");
    Store("Paths", "E:\\Only");
    Store("F_NewKey", "N");
    FMessages.Answers = {TMessageAnswer::No, TMessageAnswer::Yes};
    TSettingsDialogState state = Loaded();
    state.UseDefaults();
    EXPECT_TRUE(state.Checked(cbSkipSteps));
    EXPECT_EQ(Stored("SkipSteps"), "Y");
    state.UseDefaults();
    EXPECT_FALSE(state.Checked(cbSkipSteps));
    EXPECT_EQ(Stored("SkipSteps"), "N");
    EXPECT_EQ(Stored("Paths"), "C:\\*D:\\");
    EXPECT_EQ(Stored("F_NewKey"), "N");
    EXPECT_EQ(FMessages.Asked[0].Text,
              "Are you sure you want to lose your current settings and instead use the default settings?");
}

TEST(DefaultScanPaths, EveryFixedRootButADriveMappingTheWholeHost) {
    TDriveTable drives({{'A', TDriveType::Removable},
                        {'C', TDriveType::Fixed},
                        {'D', TDriveType::CdRom},
                        {'E', TDriveType::Fixed},
                        {'Z', TDriveType::Fixed}});
    EXPECT_EQ(DefaultScanPaths(drives, nullptr), (std::vector<std::string>{"C:\\", "E:\\", "Z:\\"}));
    EXPECT_EQ(DefaultScanPaths(drives, [](std::string_view root) { return root == "Z:\\"; }),
              (std::vector<std::string>{"C:\\", "E:\\"}));
}

} // namespace
} // namespace quill
