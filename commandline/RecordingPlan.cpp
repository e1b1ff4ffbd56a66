#include "commandline/RecordingPlan.h"

#include "recording/RecordingSession.h"

#include <utility>

namespace quill {
namespace {

std::string Joined(const std::vector<std::string>& items, const std::string& none) {
    if (items.empty()) {
        return none;
    }
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : ", ") + item;
    }
    return text;
}

} // namespace

void TakeFirstRunDefaults(TSettings& settings, IMessageBoxes& messages, TSettingsEnvironment environment) {
    if (!settings.ReadBool("FirstRun", true)) {
        return;
    }
    // The dialog's own first load builds the default directories and saves
    // every option; here it saves them into settings only.
    TSettingsDialogState state(settings, messages, nullptr, std::move(environment));
    state.LoadSettings();
}

TRecordingPlan PlanRecording(const TSettings& settings, bool liveMonitors) {
    TRecordingPlan plan;
    for (const TRegRoot root : kCaptureOrder) {
        if (settings.ReadBool(RootName(root), false)) {
            plan.Roots.emplace_back(RootName(root));
        }
    }
    const std::vector<std::string> paths = settings.ReadList("Paths");
    if (settings.ReadBool("FSScan", false)) {
        plan.Paths = paths;
        plan.HashKind = HashKindFromSetting(settings.ReadInteger("Hashing", 0));
    }
    plan.Watching = liveMonitors && !paths.empty() && DirectoryWatchMask(settings) != 0;
    return plan;
}

std::string RecordingPlanText(const TRecordingPlan& plan) {
    return "Recording " + Joined(plan.Roots, "no registry root") + "; scanning " + Joined(plan.Paths, "no directory") +
           "; digests: " + std::string(HashKindName(plan.Paths.empty() ? kHashNone : plan.HashKind)) +
           "; watching: " + (plan.Watching ? "on" : "off");
}

} // namespace quill
