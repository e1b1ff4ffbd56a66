#pragma once

#include <string>
#include <string_view>

namespace quill {

// Pages of the help file, by where the help is called from.
inline constexpr std::string_view kHelpMainWindow = "wizard.html";
inline constexpr std::string_view kHelpCommandLine = "command-line.html";

// The page that explains a page of the settings dialog, by its index (0 for
// "Shell Events" to 6 for "Misc."); the dialog's overview for any other.
std::string_view SettingsHelpPage(int pageIndex) noexcept;

// "Quillborne.chm" in the executable's folder, whether or not the folder
// ends with a backslash.
std::string HelpFilePath(std::string_view executableDirectory);

// What the help viewer opens to show one page of the file; the file itself
// when no page is named.
std::string HelpTopic(std::string_view helpFile, std::string_view page);

std::string MissingHelpMessage(std::string_view helpFile);

} // namespace quill
