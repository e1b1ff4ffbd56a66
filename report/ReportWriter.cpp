#include "report/ReportWriter.h"

#include "report/DiskSection.h"
#include "report/FileSections.h"
#include "report/ProcessSection.h"
#include "report/RegistrySection.h"
#include "report/ReportName.h"
#include "report/ReportOutput.h"
#include "report/ShellSection.h"
#include "report/TemporaryReport.h"

#include <exception>

namespace quill {

namespace {

constexpr std::size_t kMaxNoteLines = 200;

void WriteDetailsRow(TReportOutput& out, std::string_view label) {
    out.Line("<tr>");
    out.Raw("<td width=\"25%\" bgcolor=\"#C0C0C0\"><b>").Raw(label).Line("</b></td>");
}

void WriteHead(TReportOutput& out, const IReportLocale& locale, TDateTime now) {
    out.Line("<html>");
    out.Line(R"(<meta http-equiv="Content-Language" content="en-us">)");
    out.Line(R"(<meta http-equiv="Content-Type" content="text/html; charset=utf-8">)");
    out.Line("<title>Quillborne Report</title>");
    out.Line("</head>");
    out.Line("<body>");
    out.Line(R"(<h1 align="center"><span style="font-weight: 400; text-decoration: underline">)");
    out.Line("Quillborne Report<br>");
    out.Text(LongDateTimeText(locale, now)).Line("</span></h1>");
}

} // namespace

TReportWriter::TReportWriter(TSessionStore& store, const TSettings& settings, const TReportPlatform& platform,
                             TFooterOptions footer, TApplyResultFilter applyResultFilter)
    : FStore(store), FSettings(settings), FPlatform(platform), FFooter(std::move(footer)),
      FApplyResultFilter(std::move(applyResultFilter)) {}

bool TReportWriter::Write(std::string& reportFile, const TRecordingInfo& recording, bool openAfterwards) {
    try {
        if (FApplyResultFilter) {
            FApplyResultFilter();
        }
        if (FSettings.ReadBool("ReportDateTime", false)) {
            reportFile = PrefixReportName(reportFile, FPlatform.Clock.Now());
        }
        TTemporaryReport temporary(FPlatform.Files, reportFile);
        TReportOutput out(temporary.File());
        WriteBody(out, recording, FPlatform.Clock.Now());
        out.Flush();
        temporary.PutInPlace(reportFile);
    } catch (const std::exception& error) {
        FPlatform.Boxes.Show(TMessageKind::Error,
                             "Unable to create the report: " + reportFile + "\n\r\n\rReason: " + error.what(),
                             TMessageButtons::Ok);
        return false;
    }
    if (openAfterwards) {
        FPlatform.Files.Open(reportFile);
    }
    return true;
}

void TReportWriter::WriteBody(TReportOutput& out, const TRecordingInfo& recording, TDateTime now) {
    WriteHead(out, FPlatform.Locale, now);
    WriteDetails(out, recording);
    WriteProcessSection(out, FStore.ProcessesBefore, FStore.ProcessesAfter);
    if (!FSettings.ReadBool("DiskUsage", false)) {
        WriteDiskSection(out, FPlatform.Locale, FStore.DiskFreeBefore, FStore.DiskFreeAfter);
    }
    WriteRegistry(out);
    WriteFiles(out);
    WriteShellSection(out, FPlatform.Locale, FStore.ShellEvents);
    WriteFooter(out);
}

void TReportWriter::WriteDetails(TReportOutput& out, const TRecordingInfo& recording) {
    out.Line(kHeadingStart);
    out.Line("Report Details</span></h2>");
    out.Line(kTableTag);
    WriteDetailsRow(out, "Scan started at");
    out.Raw("<td width=\"75%\">").Text(FPlatform.Locale.DateTimeText(recording.StartTime)).Line("</td>");
    out.Line("</tr>");
    WriteDetailsRow(out, "Scan stopped at");
    out.Raw("<td width=\"75%\">").Text(FPlatform.Locale.DateTimeText(recording.StopTime)).Line("</td>");
    out.Line("</tr>");
    const bool noProgram = recording.ProgramName.empty();
    WriteDetailsRow(out, "Program scanned");
    if (noProgram) {
        out.Line("<td width=\"75%\"><I>No program</I></td>");
    } else {
        out.Raw("<td width=\"75%\">").Text(recording.ProgramName).Line("</td>");
    }
    out.Line("</tr>");
    WriteDetailsRow(out, "Start reason");
    out.Line(recording.StartedAutomatically ? "<td width=\"75%\">Automatic</td>" : "<td width=\"75%\">Manual</td>");
    out.Line("</tr>");
    WriteDetailsRow(out, "Stop reason");
    if (noProgram) {
        out.Line("<td width=\"75%\">Stopped manually</td>");
    } else if (recording.StoppedManually) {
        out.Line("<td width=\"75%\">Stopped manually before program exited</td>");
    } else {
        out.Line("<td width=\"75%\">Stopped automatically on program exit</td>");
    }
    out.Line("</tr>");
    WriteNotes(out);
    out.Line("</table>");
}

// What the captures could not record, so that a partial report is not taken
// for a complete one.
void TReportWriter::WriteNotes(TReportOutput& out) {
    const std::vector<std::string> lines = FStore.NoteLines();
    if (lines.empty()) {
        return;
    }
    WriteDetailsRow(out, "Notes");
    out.Raw("<td width=\"75%\">");
    const std::size_t shown = std::min(lines.size(), kMaxNoteLines);
    for (std::size_t i = 0; i < shown; ++i) {
        if (i != 0) {
            out.Raw("<br>");
        }
        out.Text(lines[i]);
    }
    if (lines.size() > shown) {
        out.Raw("<br><I>").Number(static_cast<long long>(lines.size() - shown)).Raw(" more notes</I>");
    }
    out.Line("</td>");
    out.Line("</tr>");
}

void TReportWriter::WriteRegistry(TReportOutput& out) {
    out.Line(R"(<h2 align="left"><span style="font-weight: 400"><u>Registry Changes</u></span></h2>)");
    bool any = false;
    for (const TRegRoot root : kReportOrder) {
        const TRootLists& lists = FStore.Root(root);
        if (!lists.Compared) {
            continue;
        }
        const TRootChanges changes{lists.KeysBefore,         lists.KeysAfter,         lists.ValuesBefore,
                                   lists.ValuesAfter,        lists.ModifiedKeysAfter, lists.ModifiedValuesBefore,
                                   lists.ModifiedValuesAfter};
        WriteRootSection(out, FPlatform.Locale, RootName(root), changes);
        any = true;
    }
    if (!any) {
        out.Line(kNothingToShow);
    }
}

void TReportWriter::WriteFiles(TReportOutput& out) {
    if (const TFileWatchJournal* journal = FStore.FileWatch()) {
        WriteFileEventsSection(out, FPlatform.Locale, FPlatform.Files, journal->FileWatchEvents());
    }
    const TScanChanges scan{FStore.FilesBefore, FStore.FilesAfter, FStore.ModifiedFilesBefore,
                            FStore.ModifiedFilesAfter};
    WriteFileScanSection(out, FPlatform.Locale, FPlatform.Files, FStore.FilesCompared ? &scan : nullptr);
}

void TReportWriter::WriteFooter(TReportOutput& out) {
    out.Line("<br><br>");
    out.Line(kTableTag);
    out.Line("<tr>");
    out.Line("<td>");
    if (FFooter.MakerSite.empty()) {
        out.Line("<font size=\"2\">Report produced by Quillborne v2.0</font>&nbsp;");
    } else {
        out.Raw("<font size=\"2\">Report produced by <A href=\"").Text(FFooter.MakerSite);
        out.Line("\">Quillborne v2.0</A></font>&nbsp;");
    }
    out.Line("</td>");
    out.Line("<td align=\"center\">");
    if (FFooter.HasPaymentForm()) {
        out.Raw("<form action=\"").Text(FFooter.PaymentForm).Line("\" method=\"post\">");
        out.Raw("<input type=\"image\" src=\"").Text(FFooter.PaymentButton);
        out.Line("\" border=\"0\" name=\"submit\" alt=\"Support Quillborne with a payment - it is quick and safe\" "
                 "width=\"62\" height=\"31\">");
        out.Line(R"(<input type="hidden" name="cmd" value="_xclick">)");
        out.Raw("<input type=\"hidden\" name=\"business\" value=\"").Text(FFooter.PaymentRecipient).Line("\">");
        out.Line(R"(<input type="hidden" name="item_name" value="Tarnvale">)");
        out.Line(R"(<input type="hidden" name="amount" value="5.00">)");
        out.Line(R"(<input type="hidden" name="no_note" value="1">)");
        out.Line(R"(<input type="hidden" name="currency_code" value="USD">)");
        out.Line(R"(<input type="hidden" name="tax" value="0">)");
        out.Line("</form>");
    }
    out.Line("</td></tr></table>");
    out.Line("</body></html>");
}

} // namespace quill
