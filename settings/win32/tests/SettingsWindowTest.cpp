#include "settings/win32/SettingsForm.h"

#include "common/tests/FakeMessages.h"
#include "common/win32/Files.h"
#include "common/win32/Win32DriveInfo.h"
#include "common/win32/Win32Registry.h"
#include "common/win32/WinText.h"
#include "common/win32/tests/ScratchKey.h"
#include "common/win32/tests/WindowDriver.h"
#include "settings/DefaultPaths.h"
#include "settings/SettingsTable.h"
#include "settings/win32/HostDrive.h"
#include "settings/win32/SettingsFormIds.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace quill {
namespace {

using test::Command;
using test::TDialogDriver;
using test::TFakeMessages;

class SettingsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (::GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0 && ::GetSystemMetrics(SM_CXSCREEN) == 0) {
            GTEST_SKIP() << "no display";
        }
    }

    test::TScratchKey FScratch;
    TWin32Registry FRegistry;
    TSettings FSettings{FRegistry, std::string("\\") + test::kScratchPath};
    TFakeMessages FMessages;
    TWin32DriveInfo FDrives;
    std::string FExecutableDirectory = Narrow(ExecutableDirectory());

    INT_PTR Show(std::deque<TDialogDriver::TStep> steps, TSettingsDialogActions actions = {}) {
        TDialogDriver driver(L"Quillborne Settings", std::move(steps));
        TfrmSettings form(FSettings, FMessages, nullptr,
                          {true, FExecutableDirectory, [this] { return DefaultScanPaths(FDrives, MapsWholeHost); }},
                          std::move(actions));
        const INT_PTR result = form.ShowModal(nullptr);
        EXPECT_TRUE(driver.Done());
        return result;
    }
    static TDialogDriver::TStep Toggle(TSettingsBox box) {
        return [box](HWND dialog) {
            const int id = IDC_SET_FIRSTBOX + box;
            ::CheckDlgButton(dialog, id, ::IsDlgButtonChecked(dialog, id) ? BST_UNCHECKED : BST_CHECKED);
            Command(dialog, id);
        };
    }
    static TDialogDriver::TStep Press(int id) {
        return [id](HWND dialog) { Command(dialog, id); };
    }
    static bool Shown(HWND dialog, int id) { return ::IsWindowVisible(::GetDlgItem(dialog, id)) != FALSE; }
    // As a click on the page's tab.
    static void ShowPage(HWND dialog, TSettingsPage page) {
        const HWND tabs = ::GetDlgItem(dialog, IDC_SET_PAGECONTROL);
        ::SendMessageW(tabs, TCM_SETCURSEL, page, 0);
        NMHDR header{tabs, IDC_SET_PAGECONTROL, static_cast<UINT>(TCN_SELCHANGE)};
        ::SendMessageW(dialog, WM_NOTIFY, IDC_SET_PAGECONTROL, reinterpret_cast<LPARAM>(&header));
    }
};

TEST_F(SettingsWindow, TheFirstRunStoresEveryOptionWithItsDefault) {
    RECT frame{};
    EXPECT_EQ(Show({[&frame](HWND dialog) { ::GetWindowRect(dialog, &frame); }, Press(IDOK)}), IDOK);
    EXPECT_EQ(frame.right - frame.left, TfrmSettings::kWidth);
    EXPECT_EQ(frame.bottom - frame.top, TfrmSettings::kHeight);
    for (const TOptionInfo& option : SettingsOptions()) {
        std::string expected(option.Default);
        if (option.Name == "Paths") {
            // Wine's drive that maps the host's root is left out.
            expected = "C:\\";
        } else if (option.Name == "ReportDir") {
            expected = FExecutableDirectory;
        } else if (option.Name == "Version") {
            expected = kApplicationTitle;
        } else if (option.Name == "FirstRun") {
            expected = "N";
        }
        EXPECT_EQ(FSettings.ReadString(option.Name, "<missing>"), expected) << option.Name;
    }
    EXPECT_TRUE(FMessages.Asked.empty());
}

// Every option stored the other way from its default, then shown and saved
// again unchanged.
TEST_F(SettingsWindow, LoadsAndSavesEveryOption) {
    FSettings.WriteBool("FirstRun", false);
    FSettings.WriteString("Paths", "C:\\windows");
    for (std::size_t box = 0; box < cbStartup; ++box) {
        const TOptionInfo* option = FindOption(SettingsBoxOption(static_cast<TSettingsBox>(box)));
        FSettings.WriteBool(option->Name, option->Default != "Y");
    }
    // The machine's hive clears the classes and the configuration, the
    // users' hives the current user's.
    FSettings.WriteBool("HKEY_LOCAL_MACHINE", false);
    FSettings.WriteBool("HKEY_USERS", false);
    FSettings.WriteInteger("Hashing", 2);
    FSettings.WriteString("Processes", "b.exe*A.exe");
    FSettings.WriteString("ReportDir", "C:\\windows\\");
    std::vector<bool> shown;
    std::wstring reportDir;
    int programs = 0;
    EXPECT_EQ(Show({[&](HWND dialog) {
                        for (std::size_t box = 0; box < cbStartup; ++box) {
                            shown.push_back(::IsDlgButtonChecked(dialog, IDC_SET_FIRSTBOX + static_cast<int>(box)) ==
                                            BST_CHECKED);
                        }
                        shown.push_back(::IsDlgButtonChecked(dialog, IDC_SET_HASHSHA1) == BST_CHECKED);
                        wchar_t text[MAX_PATH] = {};
                        ::GetDlgItemTextW(dialog, IDC_SET_EREPORTDIR, text, MAX_PATH);
                        reportDir = text;
                        programs =
                            static_cast<int>(::SendDlgItemMessageW(dialog, IDC_SET_LBPROCESSES, LB_GETCOUNT, 0, 0));
                    },
                    Press(IDOK)}),
              IDOK);
    ASSERT_EQ(shown.size(), static_cast<std::size_t>(cbStartup) + 1);
    for (std::size_t box = 0; box < cbStartup; ++box) {
        const TOptionInfo* option = FindOption(SettingsBoxOption(static_cast<TSettingsBox>(box)));
        const bool stored = box == cbLocalMachine || box == cbUsers ? false : option->Default != "Y";
        EXPECT_EQ(shown[box], stored) << option->Name;
        EXPECT_EQ(FSettings.ReadString(option->Name), stored ? "Y" : "N") << option->Name;
    }
    EXPECT_TRUE(shown.back());
    EXPECT_EQ(reportDir, L"C:\\windows\\");
    EXPECT_EQ(programs, 2);
    EXPECT_EQ(FSettings.ReadString("Hashing"), "2");
    EXPECT_EQ(FSettings.ReadString("Processes"), "A.exe*b.exe");
    EXPECT_EQ(FSettings.ReadString("ReportDir"), "C:\\windows\\");
    EXPECT_EQ(FSettings.ReadString("Paths"), "C:\\windows");
    EXPECT_TRUE(FMessages.Asked.empty());
}

TEST_F(SettingsWindow, AMissingReportDirectoryKeepsTheDialogOnItsPage) {
    FSettings.WriteBool("FirstRun", false);
    FSettings.WriteString("Paths", "C:\\");
    bool fieldShown = false;
    bool cancelEnabled = false;
    FMessages.Answers = {TMessageAnswer::Ok, TMessageAnswer::Yes};
    EXPECT_EQ(
        Show({[](HWND dialog) { ::SetDlgItemTextW(dialog, IDC_SET_EREPORTDIR, L"C:\\no\\such\\folder"); }, Press(IDOK),
              [&](HWND dialog) {
                  fieldShown = Shown(dialog, IDC_SET_EREPORTDIR);
                  cancelEnabled = ::IsWindowEnabled(::GetDlgItem(dialog, IDCANCEL)) != FALSE;
              },
              Press(IDCANCEL)}),
        IDCANCEL);
    EXPECT_TRUE(fieldShown);
    EXPECT_TRUE(cancelEnabled);
    ASSERT_EQ(FMessages.Asked.size(), 2u);
    EXPECT_EQ(FMessages.Asked[0].Text, "The report directory does not exist!");
    EXPECT_EQ(FMessages.Asked[1].Text, "Are you sure you want to lose the changes you made?");
    EXPECT_EQ(FSettings.ReadString("ReportDir", "<missing>"), "<missing>");
}

TEST_F(SettingsWindow, TheBoxesShowTheirRulesAndThePathsButtonStoresAtOnce) {
    FSettings.WriteBool("FirstRun", false);
    FSettings.WriteString("Paths", "C:\\");
    FSettings.WriteBool("HKEY_LOCAL_MACHINE", false);
    bool classesEnabled = true;
    std::vector<bool> warnings;
    TSettingsDialogActions actions;
    actions.EditPaths = [](HWND, std::string& paths) {
        paths.clear();
        return true;
    };
    const auto warningsOn = [&warnings](TSettingsPage page) {
        return [&warnings, page](HWND dialog) {
            ShowPage(dialog, page);
            warnings.push_back(Shown(dialog, IDC_SET_LWATCHWARNING));
            warnings.push_back(Shown(dialog, IDC_SET_LSCANWARNING));
        };
    };
    EXPECT_EQ(Show({Toggle(cbClassesRoot), Toggle(cbLocalMachine),
                    [&classesEnabled](HWND dialog) {
                        classesEnabled = ::IsWindowEnabled(::GetDlgItem(dialog, IDC_SET_FIRSTBOX + cbClassesRoot));
                    },
                    warningsOn(pgFileWatch), Press(IDC_SET_BWATCHPATHS), warningsOn(pgFileWatch),
                    warningsOn(pgFileScan), Press(IDOK)},
                   std::move(actions)),
              IDOK);
    EXPECT_FALSE(classesEnabled);
    EXPECT_EQ(warnings, (std::vector<bool>{false, false, true, false, false, true}));
    EXPECT_EQ(FSettings.ReadString("HKEY_CLASSES_ROOT"), "N");
    EXPECT_EQ(FSettings.ReadString("HKEY_LOCAL_MACHINE"), "Y");
    EXPECT_EQ(FSettings.ReadString("Paths", "<empty>"), "<empty>");
}

// Types the name into the input box once it shows, and presses OK.
class TInputBoxAnswer {
public:
    explicit TInputBoxAnswer(std::wstring name) {
        Answer() = std::move(name);
        FTimer = ::SetTimer(nullptr, 0, 50, Tick);
    }
    ~TInputBoxAnswer() { ::KillTimer(nullptr, FTimer); }
    TInputBoxAnswer(const TInputBoxAnswer&) = delete;
    TInputBoxAnswer& operator=(const TInputBoxAnswer&) = delete;

private:
    static std::wstring& Answer() {
        static std::wstring answer;
        return answer;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        const HWND box = ::FindWindowW(L"#32770", L"Process filename (no path)");
        if (box != nullptr && ::IsWindowVisible(box)) {
            ::SetDlgItemTextW(box, IDC_INPUT_EDIT, Answer().c_str());
            Command(box, IDOK);
        }
    }
    UINT_PTR FTimer = 0;
};

TEST_F(SettingsWindow, ProgramsAreAddedThroughTheInputBoxOnceWhateverTheirCase) {
    FSettings.WriteBool("FirstRun", false);
    FSettings.WriteString("Paths", "C:\\");
    FSettings.WriteBool("WatchProcesses", true);
    FSettings.WriteString("Processes", "setup.exe");
    const auto add = [](const wchar_t* name) {
        return [name](HWND dialog) {
            TInputBoxAnswer answer(name);
            Command(dialog, IDC_SET_BADD);
        };
    };
    int listed = 0;
    EXPECT_EQ(Show({add(L"SETUP.EXE"), add(L"Install.exe"),
                    [&listed](HWND dialog) {
                        listed =
                            static_cast<int>(::SendDlgItemMessageW(dialog, IDC_SET_LBPROCESSES, LB_GETCOUNT, 0, 0));
                    },
                    [](HWND dialog) {
                        ::CheckRadioButton(dialog, IDC_SET_HASHNONE, IDC_SET_HASHSHA1, IDC_SET_HASHMD5);
                        Command(dialog, IDC_SET_HASHMD5);
                    },
                    Press(IDOK)}),
              IDOK);
    EXPECT_EQ(listed, 2);
    EXPECT_EQ(FSettings.ReadString("Processes"), "Install.exe*setup.exe");
    EXPECT_EQ(FSettings.ReadString("Hashing"), "1");
    ASSERT_EQ(FMessages.Asked.size(), 1u);
    EXPECT_EQ(FMessages.Asked[0].Kind, TMessageKind::Warning);
}

TEST(HostDrive, UnderWineOnlyTheDriveOfTheHostRootMapsItWhole) {
    EXPECT_FALSE(MapsWholeHost("C:\\"));
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (::GetProcAddress(ntdll, "wine_get_version") == nullptr) {
        GTEST_SKIP() << "not under Wine";
    }
    EXPECT_TRUE(MapsWholeHost("Z:\\"));
}

} // namespace
} // namespace quill
