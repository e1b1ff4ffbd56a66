#include "report/ProcessSection.h"

#include <string_view>

namespace quill {

namespace {

constexpr std::string_view kEndFont = "</font>";

// The record of the same process (same name, same id) in the other list.
TProcessRecord* FindSame(const TProcessList& list, std::string_view name, std::uint32_t processId) {
    std::size_t i = 0;
    if (!list.Find(name, i)) {
        return nullptr;
    }
    for (; i < list.Count() && SameText(list.Text(i), name); ++i) {
        TProcessRecord* record = list.Record(i);
        if (record != nullptr && record->ProcessID == processId) {
            return record;
        }
    }
    return nullptr;
}

struct TColour {
    std::string_view Prefix;
    std::string_view Suffix;
};

void WriteNameCell(TReportOutput& out, TColour colour, std::string_view name) {
    out.Line("<tr>");
    out.Raw("<td width=\"40%\">").Raw(colour.Prefix).Text(name).Raw(colour.Suffix).Line("</td>");
}

void WriteNumberCell(TReportOutput& out, TColour colour, long long value) {
    out.Raw("<td width=\"15%\" align=\"right\">").Raw(colour.Prefix).Number(value).Raw(colour.Suffix).Line("</td>");
}

// One cell of a process that ran before: its value, and the new one below
// it where a changed process's value differs.
void WriteBeforeCell(TReportOutput& out, TColour colour, long long before, const TProcessRecord* changed,
                     long long after) {
    out.Raw("<td width=\"15%\" align=\"right\">").Raw(colour.Prefix).Number(before);
    if (changed != nullptr && before != after) {
        out.Raw("<br>").Number(after);
    }
    out.Raw(colour.Suffix).Line("</td>");
}

void WriteBeforeRow(TReportOutput& out, std::string_view name, const TProcessRecord& record,
                    const TProcessRecord* now) {
    const bool changed = now != nullptr && (now->ParentID != record.ParentID || now->Threads != record.Threads ||
                                            now->Priority != record.Priority);
    TColour colour;
    if (now == nullptr) {
        colour = {"<font color=\"#FF0000\">", kEndFont};
    } else if (changed) {
        colour = {"<font color=\"#0000FF\">", kEndFont};
    }
    const TProcessRecord* shown = changed ? now : nullptr;
    WriteNameCell(out, colour, name);
    WriteNumberCell(out, colour, record.ProcessID);
    WriteBeforeCell(out, colour, record.ParentID, shown, shown ? shown->ParentID : 0);
    WriteBeforeCell(out, colour, record.Threads, shown, shown ? shown->Threads : 0);
    WriteBeforeCell(out, colour, record.Priority, shown, shown ? shown->Priority : 0);
    out.Line("</tr>");
}

void WriteAfterRow(TReportOutput& out, std::string_view name, const TProcessRecord& record, bool isNew) {
    TColour colour;
    if (isNew) {
        colour = {"<font color=\"#008080\">", kEndFont};
    }
    WriteNameCell(out, colour, name);
    WriteNumberCell(out, colour, record.ProcessID);
    WriteNumberCell(out, colour, record.ParentID);
    WriteNumberCell(out, colour, record.Threads);
    WriteNumberCell(out, colour, record.Priority);
    out.Line("</tr>");
}

void ClearMarks(TProcessList& list) {
    for (std::size_t i = 0; i < list.Count(); ++i) {
        if (TProcessRecord* record = list.Record(i)) {
            record->Reported = 0;
        }
    }
}

} // namespace

void WriteProcessSection(TReportOutput& out, TProcessList& before, TProcessList& after) {
    if (before.Empty() && after.Empty()) {
        return;
    }
    ClearMarks(before);
    ClearMarks(after);
    out.Raw(kHeadingStart).Line("Processes</span></h2>");
    for (std::size_t i = 0; i < before.Count(); ++i) {
        TProcessRecord* record = before.Record(i);
        if (record == nullptr || record->Reported != 0) {
            continue;
        }
        out.BeginTable(TTableKind::Processes);
        const std::string_view name = before.Text(i);
        TProcessRecord* now = FindSame(after, name, record->ProcessID);
        if (now != nullptr) {
            now->Reported = 1;
        }
        record->Reported = 1;
        WriteBeforeRow(out, name, *record, now);
    }
    for (std::size_t i = 0; i < after.Count(); ++i) {
        TProcessRecord* record = after.Record(i);
        if (record == nullptr || record->Reported != 0) {
            continue;
        }
        out.BeginTable(TTableKind::Processes);
        const std::string_view name = after.Text(i);
        record->Reported = 1;
        WriteAfterRow(out, name, *record, FindSame(before, name, record->ProcessID) == nullptr);
    }
    out.EndTable();
}

} // namespace quill
