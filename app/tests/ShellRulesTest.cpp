#include "app/HelpFile.h"
#include "app/StartupSwitch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quill {
namespace {

TEST(StartupSwitch, OnlyTheFirstArgumentCountsInAnyCase) {
    struct TCase {
        std::vector<std::string> Arguments;
        bool Startup;
    };
    const TCase cases[] = {
        {{}, false},
        {{"-startup"}, true},
        {{"-STARTUP"}, true},
        {{"-StartUp", "ignored"}, true},
        {{"other", "-startup"}, false},
        {{"startup"}, false},
        {{"-startup2"}, false},
        {{""}, false},
    };
    for (const TCase& c : cases) {
        std::string shown;
        for (const std::string& argument : c.Arguments) {
            shown += "[" + argument + "]";
        }
        EXPECT_EQ(HasStartupSwitch(c.Arguments), c.Startup) << shown;
    }
}

TEST(HelpFile, LiesBesideTheExecutableWithOneBackslash) {
    struct TCase {
        std::string Directory;
        std::string Path;
    };
    const TCase cases[] = {
        {"C:\\Program Files\\Quillborne\\", "C:\\Program Files\\Quillborne\\Quillborne.chm"},
        {"C:\\Program Files\\Quillborne", "C:\\Program Files\\Quillborne\\Quillborne.chm"},
        {"C:\\", "C:\\Quillborne.chm"},
        {"\\\\server\\share\\", "\\\\server\\share\\Quillborne.chm"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(HelpFilePath(c.Directory), c.Path) << c.Directory;
    }
}

TEST(HelpFile, OpensAtThePageOfWhereItIsCalledFrom) {
    const std::string file = "C:\\Q\\Quillborne.chm";
    EXPECT_EQ(HelpTopic(file, ""), file);
    EXPECT_EQ(HelpTopic(file, kHelpMainWindow), "C:\\Q\\Quillborne.chm::/wizard.html");
    EXPECT_EQ(HelpTopic(file, SettingsHelpPage(5)), "C:\\Q\\Quillborne.chm::/settings-report.html");
    EXPECT_EQ(SettingsHelpPage(0), "settings-shell-events.html");
    EXPECT_EQ(SettingsHelpPage(6), "settings-misc.html");
    EXPECT_EQ(SettingsHelpPage(-1), "settings.html");
    EXPECT_EQ(SettingsHelpPage(7), "settings.html");
    EXPECT_EQ(MissingHelpMessage(file), "The help file (C:\\Q\\Quillborne.chm) cannot be found!");
}

} // namespace
} // namespace quill
