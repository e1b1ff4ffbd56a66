#include "report/ShellSection.h"

#include "report/tests/FixedReportLocale.h"
#include "report/tests/ReportTestSupport.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

// 1 November 2003 12:32:50.
constexpr TDateTime kNoonish = 37926.52280092593;

std::unique_ptr<TShellEvent> Event(std::uint32_t kind, std::string path1, std::string path2, bool included = true) {
    auto event = std::make_unique<TShellEvent>();
    event->Time = kNoonish;
    event->Kind = kind;
    event->Path1 = std::move(path1);
    event->Path2 = std::move(path2);
    event->Included = included ? 1 : 0;
    return event;
}

std::string Section(const TShellEvents& events) {
    const TFixedReportLocale locale;
    return Render([&](TReportOutput& out) { WriteShellSection(out, locale, events); });
}

constexpr const char* kStart = R"(<h2 align="left"><span style="font-weight: 400; text-decoration: underline">
Shell Event Notifications</span></h2>
<table border="1" cellpadding="1" cellspacing="0" style="border-collapse: collapse" bordercolor="#C0C0C0" width="100%" bordercolorlight="#C0C0C0" bordercolordark="#C0C0C0">
<tr>
<td width="61%" bgcolor="#C0C0C0"><b>Path 1<br>Path 2</b></td>
<td width="24%" bgcolor="#C0C0C0"><b>Event</b></td>
<td width="15%" bgcolor="#C0C0C0"><b>Time</b></td>
</tr>
)";

TEST(ShellSectionTest, EmptyJournalWritesNothing) {
    EXPECT_EQ(Section(TShellEvents()), "");
}

TEST(ShellSectionTest, RenameShowsBothPathsAndUnknownKindsShowInItalics) {
    TShellEvents events;
    events.Add("C:\\a<b>", Event(0x1, "C:\\a<b>", "C:\\c&d"));
    events.Add("C:\\x", Event(0x40000000, "C:\\x", ""));
    EXPECT_EQ(Section(events), std::string(kStart) + R"(<tr>
<td width="61%"><font size="2">C:\a&lt;b&gt;<br>C:\c&amp;d</font></td>
<td width="24%"><font size="2"><font color="#0000FF">Non-folder renamed</font></font></td>
<td width="15%">12:32:50</td>
</tr>
<tr>
<td width="61%"><font size="2">C:\x</font></td>
<td width="24%"><font size="2"><I>Unknown</I></font></td>
<td width="15%">12:32:50</td>
</tr>
</table>
)");
}

TEST(ShellSectionTest, AllFilteredOutGivesHeaderOnlyTableAndTheLine) {
    TShellEvents events;
    events.Add("C:\\x", Event(0x8, "C:\\x", "", false));
    EXPECT_EQ(Section(events),
              std::string(kStart) + "</table>\nNo changes were recorded, or they have all been filtered out.\n");
}

} // namespace
} // namespace quill
