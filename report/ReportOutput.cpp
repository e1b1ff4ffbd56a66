#include "report/ReportOutput.h"

#include "report/HtmlText.h"

#include <charconv>

namespace quill {

namespace {

constexpr std::size_t kBlockSize = 1 << 20;

// The header cells of each table kind, in the order of TTableKind. Some of
// them leave a bold element open; readers' browsers have always shown them
// so.
constexpr std::string_view kHeaders[][5] = {
    {},
    {R"(<td width="70%" bgcolor="#C0C0C0"><b>Key name</b></td>)",
     R"(<td width="13%" bgcolor="#C0C0C0"><b>Type of change</b></td>)",
     R"(<td width="17%" bgcolor="#C0C0C0"><b>Time</b></td>)"},
    {R"(<td width="2%">&nbsp;</td>)", R"(<td width="18%" bgcolor="#C0C0C0"><b>Value name</b></td>)",
     R"(<td width="40%" bgcolor="#C0C0C0"><b>Old value</b></td>)",
     R"(<td width="40%" bgcolor="#C0C0C0"><b>New value</b></td>)"},
    {R"(<td width="61%" bgcolor="#C0C0C0"><b>Path 1<br>Path 2</b></td>)",
     R"(<td width="24%" bgcolor="#C0C0C0"><b>Event</b></td>)", R"(<td width="15%" bgcolor="#C0C0C0"><b>Time</b></td>)"},
    {R"(<td width="15%" bgcolor="#C0C0C0"><b>Action</td>)",
     R"(<td width="70%" bgcolor="#C0C0C0"><b>File/Directory</b></td>)",
     R"(<td width="15%" bgcolor="#C0C0C0"><b>Time</td>)"},
    {R"(<td width="15%" bgcolor="#C0C0C0"><b>What Changed</td>)",
     R"(<td width="45%" bgcolor="#C0C0C0"><b>File/Directory</td>)", R"(<td width="10%" bgcolor="#C0C0C0"><b>Size</td>)",
     R"(<td width="10%" bgcolor="#C0C0C0"><b>Attributes</td>)",
     R"(<td width="20%" bgcolor="#C0C0C0"><b>Date &amp; Time</td>)"},
    {R"(<td width="65%" bgcolor="#C0C0C0"><b>New File/Directory</td>)",
     R"(<td width="20%" bgcolor="#C0C0C0"><b>Date &amp; Time</td>)",
     R"(<td width="15%" bgcolor="#C0C0C0"><b>Size</td>)"},
    {R"(<td width="65%" bgcolor="#C0C0C0"><b>Deleted File/Directory</td>)",
     R"(<td width="20%" bgcolor="#C0C0C0"><b>Date &amp; Time</td>)",
     R"(<td width="15%" bgcolor="#C0C0C0"><b>Size</td>)"},
    {R"(<td width="40%" bgcolor="#C0C0C0"><b>Program</b></td>)",
     R"(<td width="15%" align="right" bgcolor="#C0C0C0"><b>Process ID</b></td>)",
     R"(<td width="15%" align="right" bgcolor="#C0C0C0"><b>Parent ID</b></td>)",
     R"(<td width="15%" align="right" bgcolor="#C0C0C0"><b>Threads</b></td>)",
     R"(<td width="15%" align="right" bgcolor="#C0C0C0"><b>Priority</b></td>)"},
    {R"(<td width="10%" bgcolor="#C0C0C0"><b>Drive</b></td>)",
     R"(<td width="30%" align="right" bgcolor="#C0C0C0"><b>Free Space Before</b></td>)",
     R"(<td width="30%" align="right" bgcolor="#C0C0C0"><b>Free Space After</b></td>)",
     R"(<td width="30%" align="right" bgcolor="#C0C0C0"><b>Difference</b></td>)"},
};

} // namespace

TReportOutput::TReportOutput(IReportFile& file) : FFile(file) {
    FBuffer.reserve(kBlockSize + kBlockSize / 4);
}

TReportOutput& TReportOutput::Text(std::string_view text) {
    AppendEscaped(FBuffer, text);
    return *this;
}

TReportOutput& TReportOutput::FileLink(std::string_view path) {
    AppendFileLink(FBuffer, path);
    return *this;
}

TReportOutput& TReportOutput::Number(long long value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    FBuffer.append(digits, end);
    return *this;
}

void TReportOutput::EndLine() {
    FBuffer += "\r\n";
    if (FBuffer.size() >= kBlockSize) {
        Flush();
    }
}

void TReportOutput::BeginTable(TTableKind kind) {
    if (kind == FTable) {
        return;
    }
    EndTable();
    Line(kTableTag);
    Line("<tr>");
    for (const std::string_view cell : kHeaders[static_cast<int>(kind)]) {
        if (!cell.empty()) {
            Line(cell);
        }
    }
    Line("</tr>");
    FTable = kind;
}

void TReportOutput::EndTable() {
    if (FTable != TTableKind::None) {
        Line("</table>");
        FTable = TTableKind::None;
    }
}

void TReportOutput::Flush() {
    if (!FBuffer.empty()) {
        FFile.Write(FBuffer);
        FBuffer.clear();
    }
}

} // namespace quill
