#include "report/DiskSection.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace quill {

namespace {

constexpr long double kMegabyte = 1048576.0L;
constexpr std::size_t kWidth = 15;

// Megabytes to four decimal places, as the figures have always been kept.
long double Megabytes(long double bytes) {
    return std::llround(bytes / kMegabyte * 10000.0L) / 10000.0L;
}

std::string FreeText(const IReportLocale& locale, std::int64_t bytes) {
    return FormatNumber(locale, static_cast<long double>(bytes), 0, kWidth) + " bytes (" +
           FormatNumber(locale, Megabytes(static_cast<long double>(bytes)), 2, kWidth) + " MB)";
}

std::string DifferenceText(const IReportLocale& locale, std::int64_t before, std::int64_t after) {
    const long double difference = static_cast<long double>(after) - static_cast<long double>(before);
    if (difference == 0) {
        return "None";
    }
    const std::string bytes = FormatNumber(locale, difference, 0, kWidth);
    const std::string megabytes = FormatNumber(locale, Megabytes(std::fabs(difference)), 2, kWidth);
    if (difference > 0) {
        return "<font color=\"#008080\">" + bytes + " bytes (" + megabytes + " MB)</font>";
    }
    return "<font color=\"#FF0000\">" + bytes + " bytes (-" + megabytes + " MB)</font>";
}

void WriteRow(TReportOutput& out, std::string_view cellStart, std::string_view cellEnd, std::string_view first,
              const std::string (&figures)[3]) {
    out.Line("<tr>");
    out.Line(first);
    for (const std::string& figure : figures) {
        out.Raw(cellStart).Raw(figure).Line(cellEnd);
    }
    out.Line("</tr>");
}

} // namespace

void WriteDiskSection(TReportOutput& out, const IReportLocale& locale, const TDiskFreeTable& before,
                      const TDiskFreeTable& after) {
    out.Raw(kHeadingStart).Line("Disk Usage</span></h2>");
    std::int64_t totalBefore = 0;
    std::int64_t totalAfter = 0;
    bool written = false;
    for (std::size_t drive = 0; drive < before.size(); ++drive) {
        if (before[drive] == 0) {
            continue;
        }
        out.BeginTable(TTableKind::DiskUsage);
        totalBefore += before[drive];
        totalAfter += after[drive];
        const std::string root = std::string(1, static_cast<char>('A' + drive)) + ":\\";
        std::string cell = "<td width=\"10%\"><A HREF=\"";
        cell += "file:///";
        cell += root[0];
        cell += ":/\">";
        cell += root;
        cell += "</A></td>";
        const std::string figures[3] = {FreeText(locale, before[drive]), FreeText(locale, after[drive]),
                                        DifferenceText(locale, before[drive], after[drive])};
        WriteRow(out, "<td width=\"30%\" align=\"right\">", "</td>", cell, figures);
        written = true;
    }
    if (!written) {
        out.Line("No disk usage was recorded, or it has been filtered out.");
        return;
    }
    const std::string totals[3] = {FreeText(locale, totalBefore), FreeText(locale, totalAfter),
                                   DifferenceText(locale, totalBefore, totalAfter)};
    WriteRow(out, "<td width=\"30%\" align=\"right\" bgcolor=\"#C0C0C0\"><B>", "</B></td>",
             "<td width=\"10%\" bgcolor=\"#C0C0C0\"><B>TOTAL</B></td>", totals);
    out.EndTable();
}

} // namespace quill
