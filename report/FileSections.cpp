#include "report/FileSections.h"

namespace quill {

namespace {

constexpr std::string_view kBlue = "#0000FF";
constexpr std::string_view kRed = "#FF0000";
constexpr std::string_view kTeal = "#008080";

std::string_view ActionText(std::uint32_t action) noexcept {
    switch (action) {
    case 1:
        return "<font color=\"#008080\">Created</font>";
    case 2:
        return "<font color=\"#FF0000\">Deleted</font>";
    case 3:
        return "<font color=\"#0000FF\">Modified</font>";
    case 4:
        return "<font color=\"#0000FF\">Renamed from</font>";
    case 5:
        return "<font color=\"#0000FF\">Renamed to</font>";
    default:
        return "<I>Unknown</I>";
    }
}

// A link only to a file that exists as the report is written: a directory's
// address would open a folder listing, a gone file's nothing.
void WriteEventPathCell(TReportOutput& out, IReportFiles& files, std::string_view path) {
    if (files.IsFile(std::string(path))) {
        out.Raw("<td width=\"70%\"><font size=\"2\"><a href=\"").FileLink(path).Raw("\">").Text(path);
        out.Line("</a></font></td>");
    } else {
        out.Raw("<td width=\"70%\"><font size=\"2\">").Text(path).Line("</font></td>");
    }
}

void WriteScanPathCell(TReportOutput& out, IReportFiles& files, std::string_view colour, std::string_view width,
                       std::string_view path) {
    out.Raw("<td width=\"").Raw(width).Raw("%\"><font color=\"").Raw(colour).Raw("\" size=\"2\">");
    if (files.IsFile(std::string(path))) {
        out.Raw("<a href=\"").FileLink(path).Raw("\">").Text(path).Line("</a></font></td>");
    } else {
        out.Text(path).Line("</font></td>");
    }
}

void WriteModifiedRow(TReportOutput& out, const IReportLocale& locale, IReportFiles& files, std::string_view path,
                      const TFileScan& before, const TFileScan& after) {
    out.BeginTable(TTableKind::ModifiedFiles);
    out.Line("<tr>");
    out.Raw("<td width=\"15%\"><font size=\"2\" color=\"#0000FF\">").Raw(WhatChangedText(before, after));
    out.Line("</font></td>");
    WriteScanPathCell(out, files, kBlue, "45", path);
    out.Raw("<td width=\"10%\"><font color=\"#0000FF\" size=\"2\">").Number(before.Size).Raw("<br>");
    out.Number(after.Size).Line("</font></td>");
    out.Raw("<td width=\"10%\"><font color=\"#0000FF\" size=\"2\">").Raw(AttributeText(before.Attributes));
    out.Raw("<br>").Raw(AttributeText(after.Attributes)).Line("</font></td>");
    out.Raw("<td width=\"20%\"><font color=\"#0000FF\" size=\"2\">").Text(locale.DateTimeText(before.Date));
    out.Raw("<br>").Text(locale.DateTimeText(after.Date)).Line("</font></td>");
    out.Line("</tr>");
}

// Deleted (kind 7, red) or new (kind 6, teal) items: what still holds its
// record after the comparison.
bool WriteUnmatched(TReportOutput& out, const IReportLocale& locale, IReportFiles& files, const TFileList& list,
                    TTableKind kind, std::string_view colour) {
    bool written = false;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const TFileScan* file = list.Record(i);
        if (file == nullptr || file->Included == 0) {
            continue;
        }
        out.BeginTable(kind);
        out.Line("<tr>");
        WriteScanPathCell(out, files, colour, "65", list.Text(i));
        out.Raw("<td width=\"20%\"><font color=\"").Raw(colour).Raw("\">").Text(locale.DateTimeText(file->Date));
        out.Line("</font></td>");
        out.Raw("<td width=\"15%\"><font color=\"").Raw(colour).Raw("\">").Number(file->Size).Line("</font></td>");
        out.Line("</tr>");
        written = true;
    }
    out.EndTable();
    return written;
}

bool WriteScanRows(TReportOutput& out, const IReportLocale& locale, IReportFiles& files, const TScanChanges& scan) {
    bool written = false;
    for (std::size_t i = 0; i < scan.ModifiedFilesBefore.Count(); ++i) {
        const TFileScan* before = scan.ModifiedFilesBefore.Record(i);
        const TFileScan* after = i < scan.ModifiedFilesAfter.Count() ? scan.ModifiedFilesAfter.Record(i) : nullptr;
        if (before == nullptr || after == nullptr || before->Included == 0) {
            continue;
        }
        WriteModifiedRow(out, locale, files, scan.ModifiedFilesBefore.Text(i), *before, *after);
        written = true;
    }
    out.EndTable();
    written |= WriteUnmatched(out, locale, files, scan.FilesBefore, TTableKind::DeletedFiles, kRed);
    written |= WriteUnmatched(out, locale, files, scan.FilesAfter, TTableKind::NewFiles, kTeal);
    return written;
}

} // namespace

void WriteFileEventsSection(TReportOutput& out, const IReportLocale& locale, IReportFiles& files,
                            const TFileWatchEvents& events) {
    if (events.Empty()) {
        return;
    }
    out.Line(kHeadingStart);
    out.Line("File System Changes</span></h2>");
    out.BeginTable(TTableKind::FileEvents);
    bool written = false;
    for (std::size_t i = 0; i < events.Count(); ++i) {
        const TFileWatchEvent* event = events.Record(i);
        if (event == nullptr || event->Included == 0) {
            continue;
        }
        out.Line("<tr>");
        out.Raw("<td width=\"15%\">").Raw(ActionText(event->Action)).Line("</td>");
        WriteEventPathCell(out, files, events.Text(i));
        out.Raw("<td width=\"15%\">").Text(locale.TimeText(event->Time)).Line("</td>");
        out.Line("</tr>");
        written = true;
    }
    out.EndTable();
    if (!written) {
        out.Line(kNothingToShow);
    }
}

void WriteFileScanSection(TReportOutput& out, const IReportLocale& locale, IReportFiles& files,
                          const TScanChanges* scan) {
    out.Line(kHeadingStart);
    out.Line("File Scan Changes</span></h2>");
    if (scan == nullptr || !WriteScanRows(out, locale, files, *scan)) {
        out.Line(kNothingToShow);
    }
}

std::string WhatChangedText(const TFileScan& before, const TFileScan& after) {
    std::string text;
    if (before.Size != after.Size) {
        text += "Size,";
    }
    const std::string_view oldHash = before.Hash;
    const std::string_view newHash = after.Hash;
    if (!oldHash.empty() && !newHash.empty() && oldHash != newHash) {
        text += "Hash,";
    }
    if (before.Date != after.Date) {
        text += "Date,";
    }
    if (before.Attributes != after.Attributes) {
        text += "Attributes,";
    }
    if (!text.empty()) {
        text.back() = ' ';
    }
    return text;
}

std::string AttributeText(std::uint32_t attributes) {
    std::string text;
    if ((attributes & 0x01) != 0) {
        text += 'R';
    }
    if ((attributes & 0x02) != 0) {
        text += 'H';
    }
    if ((attributes & 0x04) != 0) {
        text += 'S';
    }
    if ((attributes & 0x08) != 0) {
        text += 'V';
    }
    text += (attributes & 0x10) != 0 ? 'D' : 'F';
    if ((attributes & 0x20) != 0) {
        text += 'A';
    }
    if ((attributes & 0x40) != 0) {
        text += 'Y';
    }
    return text;
}

} // namespace quill
