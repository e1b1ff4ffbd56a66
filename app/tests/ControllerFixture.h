#pragma once

#include "app/SessionController.h"
#include "app/tests/SessionFakes.h"
#include "common/tests/MemoryRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

namespace quill::test {

// The controller over a window, services and message boxes that record what
// it asks of them, with the settings in memory.
inline constexpr std::string_view kKey = "Software\\Tarnvale\\Quillborne";

class SessionController : public ::testing::Test {
protected:
    TMemoryRegistry FRegistry;
    TSettings FSettings{FRegistry};
    test::TFakeView FView;
    test::TFakeServices FServices;
    test::TFakeMessages FMessages;
    TSessionController FController{FSettings, FView, FServices, FMessages, "C:\\Tools\\"};

    void Store(std::string_view name, std::string_view text) {
        FRegistry.SetString(TRegRoot::CurrentUser, kKey, name, text);
    }

    // A program that has run before, so no first-showing message comes.
    void Settled() {
        Store("FirstRun", "N");
        Store("Version", "Quillborne v2.0");
    }

    int EnabledLabel() const {
        const auto& labels = FView.Wizard.LabelEnabled;
        if (std::count(labels.begin(), labels.end(), true) != 1) {
            return 0;
        }
        return static_cast<int>(std::find(labels.begin(), labels.end(), true) - labels.begin()) + 1;
    }

    // The controller's step, the label the window shows and the row of Yes
    // must always agree.
    void ExpectStep(int step) {
        EXPECT_EQ(FController.Step(), step);
        EXPECT_EQ(EnabledLabel(), step);
        EXPECT_EQ(FView.Wizard.YesTop, 16 + 48 * (step - 1));
        EXPECT_EQ(FView.Wizard.RunProgramTop, FView.Wizard.YesTop);
        EXPECT_EQ(FView.Wizard.TrayHint, StepCaption(step));
        EXPECT_EQ(FView.Wizard.RunProgramVisible, step <= 2);
        EXPECT_EQ(FView.Actions.Enabled(TAction::RunProgram), step <= 2);
        EXPECT_TRUE(FView.Wizard.YesVisible);
    }

    long Count(const std::string& call) const {
        return std::count(FServices.Calls.begin(), FServices.Calls.end(), call);
    }
};

} // namespace quill::test
