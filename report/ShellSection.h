#pragma once

#include "monitor/Journal.h"
#include "report/ReportLocale.h"
#include "report/ReportOutput.h"

#include <cstdint>
#include <string_view>

namespace quill {

// "Shell Event Notifications": the shown events in order of arrival; nothing
// at all for an empty journal.
void WriteShellSection(TReportOutput& out, const IReportLocale& locale, const TShellEvents& events);

// The coloured description of a shell change-notification kind.
std::string_view ShellEventText(std::uint32_t kind) noexcept;

} // namespace quill
