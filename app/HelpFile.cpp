#include "app/HelpFile.h"

#include <array>

namespace quill {
namespace {

constexpr std::array<std::string_view, 7> kSettingsPages = {
    "settings-shell-events.html",  "settings-registry.html", "settings-file-watch.html", "settings-file-scan.html",
    "settings-process-watch.html", "settings-report.html",   "settings-misc.html",
};

} // namespace

std::string_view SettingsHelpPage(int pageIndex) noexcept {
    if (pageIndex < 0 || pageIndex >= static_cast<int>(kSettingsPages.size())) {
        return "settings.html";
    }
    return kSettingsPages[static_cast<std::size_t>(pageIndex)];
}

std::string HelpFilePath(std::string_view executableDirectory) {
    std::string path(executableDirectory);
    if (path.empty() || (path.back() != '\\' && path.back() != '/')) {
        path += '\\';
    }
    return path + "Quillborne.chm";
}

std::string HelpTopic(std::string_view helpFile, std::string_view page) {
    std::string topic(helpFile);
    if (!page.empty()) {
        topic.append("::/").append(page);
    }
    return topic;
}

std::string MissingHelpMessage(std::string_view helpFile) {
    return "The help file (" + std::string(helpFile) + ") cannot be found!";
}

} // namespace quill
