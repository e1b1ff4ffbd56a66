#include "report/ShellSection.h"

namespace quill {

namespace {

struct TEventText {
    std::uint32_t Kind;
    std::string_view Text;
};

constexpr TEventText kEventTexts[] = {
    {0x1, R"(<font color="#0000FF">Non-folder renamed</font>)"},
    {0x2, R"(<font color="#008080">Non-folder created</font>)"},
    {0x4, R"(<font color="#FF0000">Non-folder deleted</font>)"},
    {0x8, R"(<font color="#008080">Folder created</font>)"},
    {0x10, R"(<font color="#FF0000">Folder deleted</font>)"},
    {0x20, R"(<font color="#008080">Storage media inserted</font>)"},
    {0x40, R"(<font color="#FF0000">Storage media removed</font>)"},
    {0x80, R"(<font color="#FF0000">Drive removed</font>)"},
    {0x100, R"(<font color="#008080">Drive added</font>)"},
    {0x200, R"(<font color="#008080">Local folder shared</font>)"},
    {0x400, R"(<font color="#FF0000">Local folder no longer shared</font>)"},
    {0x800, R"(<font color="#0000FF">Attributes of item/folder changed</font>)"},
    {0x1000, R"(<font color="#0000FF">Folder contents changed</font>)"},
    {0x2000, R"(<font color="#0000FF">Non-folder item changed</font>)"},
    {0x4000, R"(<font color="#FF0000">Disconnected from a server</font>)"},
    {0x8000, R"(<font color="#0000FF">System image changed</font>)"},
    {0x10000, R"(<font color="#008080">Drive added (shell should create new window for drive)</font>)"},
    {0x20000, R"(<font color="#0000FF">Folder renamed</font>)"},
    {0x8000000, R"(<font color="#0000FF">File type association change</font>)"},
};

} // namespace

std::string_view ShellEventText(std::uint32_t kind) noexcept {
    for (const TEventText& text : kEventTexts) {
        if (text.Kind == kind) {
            return text.Text;
        }
    }
    return "<I>Unknown</I>";
}

void WriteShellSection(TReportOutput& out, const IReportLocale& locale, const TShellEvents& events) {
    if (events.Empty()) {
        return;
    }
    out.Line(kHeadingStart);
    out.Line("Shell Event Notifications</span></h2>");
    out.BeginTable(TTableKind::ShellEvents);
    bool written = false;
    for (std::size_t i = 0; i < events.Count(); ++i) {
        const TShellEvent* event = events.Record(i);
        if (event == nullptr || event->Included == 0) {
            continue;
        }
        out.Line("<tr>");
        out.Raw("<td width=\"61%\"><font size=\"2\">").Text(event->Path1);
        const std::string_view path2 = event->Path2;
        if (!path2.empty()) {
            out.Raw("<br>").Text(path2);
        }
        out.Line("</font></td>");
        out.Raw("<td width=\"24%\"><font size=\"2\">").Raw(ShellEventText(event->Kind)).Line("</font></td>");
        out.Raw("<td width=\"15%\">").Text(locale.TimeText(event->Time)).Line("</td>");
        out.Line("</tr>");
        written = true;
    }
    out.EndTable();
    if (!written) {
        out.Line(kNothingToShow);
    }
}

} // namespace quill
