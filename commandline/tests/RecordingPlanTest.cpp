#include "commandline/RecordingPlan.h"

#include "common/tests/FakeMessages.h"
#include "common/tests/MemoryRegistry.h"
#include "settings/SettingsOverlay.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace quill {
namespace {

constexpr std::string_view kSettingsKey = "Software\\Tarnvale\\Quillborne";

struct TPlanCase {
    const char* Name;
    std::vector<std::pair<std::string_view, std::string_view>> Stored;
    bool DirectoryWatching;
    std::string Expected;
};

const TPlanCase kPlanCases[] = {
    {"never stored: the first run's defaults",
     {},
     true,
     "Recording HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER; scanning C:\\, D:\\; digests: none; watching: on"},
    {"values stored by hand before the first run are kept",
     {{"Hashing", "2"}, {"Paths", "\"C:\\Program Files\"*E:\\"}, {"HKEY_CURRENT_USER", "N"}},
     true,
     "Recording HKEY_LOCAL_MACHINE; scanning C:\\Program Files, E:\\; digests: SHA-1; watching: on"},
    {"saved by the window with the scan off and a watch for no kind of change",
     {{"FirstRun", "N"}, {"Paths", "D:\\Data"}, {"Hashing", "1"}, {"FSWatch", "Y"}},
     true,
     "Recording no registry root; scanning no directory; digests: none; watching: off"},
    {"saved by the window",
     {{"FirstRun", "N"},
      {"HKEY_USERS", "Y"},
      {"HKEY_CLASSES_ROOT", "Y"},
      {"FSScan", "Y"},
      {"Paths", "D:\\Data"},
      {"Hashing", "1"},
      {"FSWatch", "Y"},
      {"FSSize", "Y"}},
     true,
     "Recording HKEY_CLASSES_ROOT, HKEY_USERS; scanning D:\\Data; digests: MD5; watching: on"},
};

TEST(RecordingPlan, SaysWhatTheStoredOptionsOrTheFirstRunsDefaultsRecord) {
    for (const TPlanCase& row : kPlanCases) {
        SCOPED_TRACE(row.Name);
        TMemoryRegistry stored;
        for (const auto& [name, text] : row.Stored) {
            stored.SetString(TRegRoot::CurrentUser, kSettingsKey, name, text);
        }
        TSettingsOverlay overlay(stored);
        TSettings settings(overlay);
        test::TFakeMessages messages;
        TakeFirstRunDefaults(settings, messages, {row.DirectoryWatching, "C:\\Program\\", [] {
                                                      return std::vector<std::string>{"C:\\", "D:\\"};
                                                  }});
        EXPECT_EQ(RecordingPlanText(PlanRecording(settings, row.DirectoryWatching)), row.Expected);
        EXPECT_TRUE(messages.Asked.empty());
        // The defaults are this run's only.
        const TMemoryRegistry::TNode* key = stored.FindKey(TRegRoot::CurrentUser, kSettingsKey);
        EXPECT_EQ(key == nullptr ? 0U : key->Values.size(), row.Stored.size());
    }
}

} // namespace
} // namespace quill
