#include "app/SessionController.h"
#include "recording/RecordingSession.h"

#include "app/tests/SessionFakes.h"
#include "recording/tests/CaptureFakes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace quill {
namespace {

using ::testing::Contains;
using ::testing::Not;

constexpr std::string_view kSettingsKey = "Software\\Tarnvale\\Quillborne";

// The wizard's calls reach a real recording session; the rest is recorded.
class TRecordingServices : public test::TFakeServices {
public:
    explicit TRecordingServices(TRecordingSession& session) : FSession(session) {}
    void CaptureBefore(TRecordingInfo& recording) override {
        TFakeServices::CaptureBefore(recording);
        FSession.CaptureBefore(recording);
    }
    void CaptureAfter(TRecordingInfo& recording, bool abort) override {
        TFakeServices::CaptureAfter(recording, abort);
        FSession.CaptureAfter(recording, abort);
    }
    void NewSession() override {
        TFakeServices::NewSession();
        FSession.NewSession();
    }
    void FreeSession() override {
        TFakeServices::FreeSession();
        FSession.FreeSession();
    }

private:
    TRecordingSession& FSession;
};

class RecordingWizard : public ::testing::Test {
protected:
    test::TCaptureWorld FWorld;
    TSettings FSettings{FWorld.Registry};
    TRecordingSession FSession{FSettings, FWorld.Platform()};
    TRecordingServices FServices{FSession};
    test::TFakeView FView;
    test::TFakeMessages FMessages;
    TSessionController FController{FSettings, FView, FServices, FMessages, "C:\\Tools\\"};

    RecordingWizard() {
        for (const auto& [name, text] : std::initializer_list<std::pair<std::string_view, std::string_view>>{
                 {"FirstRun", "N"},
                 {"Version", "Quillborne v2.0"},
                 {"NoProcList", "N"},
                 {"HKEY_USERS", "Y"},
                 {"FSScan", "Y"},
                 {"Paths", "C:\\Data"},
                 {"Hashing", "2"},
                 {"FSWatch", "Y"},
                 {"FSFiles", "Y"},
             }) {
            FWorld.Registry.SetString(TRegRoot::CurrentUser, kSettingsKey, name, text);
        }
        FWorld.Registry.SetString(TRegRoot::Users, "S-1\\Software\\Tool", "Path", "C:\\Tool");
        FWorld.Files.AddFile("C:\\Data\\a.txt", "a");
        FWorld.Files.AddFile("C:\\Data\\Sub\\b.txt", "b");
        FWorld.Processes.Running = {{"a.exe", 1}};
        FController.Create(false);
    }

    // Everything a user, the notification-area menu or the system can send
    // while the window processes messages.
    void SendEverything() {
        for (std::size_t i = 0; i < kActionCount; ++i) {
            FController.Execute(static_cast<TAction>(i));
        }
        FController.CloseQuery();
        FController.EndSession();
    }

    long Count(const std::string& call) const {
        return std::count(FServices.Calls.begin(), FServices.Calls.end(), call);
    }
};

TEST_F(RecordingWizard, CommandsSentDuringACaptureNeitherStartAnotherNorFreeNorCloseIt) {
    int delivered = 0;
    FWorld.Display.OnProcessMessages = [&] {
        ++delivered;
        SendEverything();
    };
    FController.Execute(TAction::StartRecording);
    EXPECT_GT(delivered, 0);
    EXPECT_EQ(FController.Step(), 5);
    EXPECT_EQ(Count("CaptureBefore"), 1);
    EXPECT_EQ(Count("CaptureAfter"), 0);
    EXPECT_EQ(Count("FreeSession"), 0);
    EXPECT_EQ(Count("NewSession"), 0);
    EXPECT_EQ(FView.CloseRequests, 0);
    EXPECT_EQ(FSession.Store().FilesBefore.Count(), 3U);
    EXPECT_EQ(FSession.Store().ProcessesBefore.Count(), 1U);
    EXPECT_EQ(FSession.WatcherCount(), 1U);

    FWorld.Display.OnProcessMessages = nullptr;
    FWorld.Files.AddFile("C:\\Data\\c.txt", "c");
    FWorld.Display.OnProcessMessages = [&] { SendEverything(); };
    FServices.Calls.clear();
    FController.Execute(TAction::StopRecording);
    EXPECT_EQ(FController.Step(), 1);
    EXPECT_EQ(Count("CaptureAfter"), 1);
    EXPECT_EQ(Count("CaptureBefore"), 0);
    EXPECT_THAT(FServices.Calls, Not(Contains("FreeSession")));
    EXPECT_THAT(FServices.Calls, Not(Contains("NewSession")));
    EXPECT_EQ(FView.CloseRequests, 0);
    EXPECT_TRUE(FSession.Store().FilesCompared);
    // Only the file created meanwhile is left after the comparison.
    EXPECT_EQ(FSession.Store().FilesAfter.Count(), 1U);
    EXPECT_EQ(FWorld.Watching.Running(), 0U);
}

TEST_F(RecordingWizard, TheEndOfTheUsersSessionFreesTheSessionOnlyOutsideACapture) {
    FController.Execute(TAction::StartRecording);
    FController.EndSession();
    EXPECT_EQ(Count("FreeSession"), 1);
    EXPECT_FALSE(FSession.Store().Exists());
    EXPECT_EQ(FWorld.Watching.Running(), 0U);
}

TEST_F(RecordingWizard, AnAbortedRecordingEndsAtStepOneWithAnEmptyStoreAndFreeReportEnabled) {
    FController.Execute(TAction::StartRecording);
    ASSERT_EQ(FController.Step(), 5);
    FController.AbortRecording();
    EXPECT_EQ(FController.Step(), 1);
    EXPECT_EQ(Count("CaptureAfter(abort)"), 1);
    EXPECT_EQ(std::count_if(FServices.Calls.begin(), FServices.Calls.end(),
                            [](const std::string& call) { return call.rfind("WriteReport", 0) == 0; }),
              0);
    EXPECT_TRUE(FView.Actions.Enabled(TAction::FreeReport));
    EXPECT_FALSE(FView.Actions.Enabled(TAction::ViewReport));
    const TSessionStore& store = FSession.Store();
    EXPECT_EQ(store.FilesBefore.Count(), 0U);
    EXPECT_EQ(store.ProcessesBefore.Count(), 0U);
    EXPECT_EQ(store.Root(TRegRoot::Users).KeysBefore.Count(), 0U);
    EXPECT_EQ(FWorld.Watching.Running(), 0U);
}

TEST_F(RecordingWizard, AbortDoesNothingOutsideARecording) {
    FController.AbortRecording();
    EXPECT_EQ(FController.Step(), 1);
    EXPECT_EQ(Count("CaptureAfter(abort)"), 0);
}

} // namespace
} // namespace quill
