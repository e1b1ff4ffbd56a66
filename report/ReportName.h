#pragma once

#include "common/DateTime.h"
#include "settings/Settings.h"

#include <string>
#include <string_view>

namespace quill {

inline constexpr std::string_view kReportFileName = "QuillborneReport.html";

// The report's path: QuillborneReport.html in the folder of the setting
// ReportDir, by default the program's own.
std::string ComposeReportPath(const TSettings& settings, const std::string& executableDirectory);

// The report's path with "yymmdd hhnnss " before its file name. A prefix of
// that form already there, from an earlier writing of the same report, is
// replaced rather than kept, so that a name carries one prefix however often
// the report is written again.
std::string PrefixReportName(std::string_view path, TDateTime now);

// The folder part of the path, up to and including its last backslash.
std::string_view ReportFolder(std::string_view path) noexcept;

} // namespace quill
