#pragma once

#include "report/ReportFiles.h"

#include <string>
#include <string_view>

namespace quill {

// The kinds of table the sections write, each with its own header row.
enum class TTableKind {
    None = 0,
    Keys = 1,
    Values = 2,
    ShellEvents = 3,
    FileEvents = 4,
    ModifiedFiles = 5,
    NewFiles = 6,
    DeletedFiles = 7,
    Processes = 8,
    DiskUsage = 9
};

inline constexpr std::string_view kTableTag =
    "<table border=\"1\" cellpadding=\"1\" cellspacing=\"0\" style=\"border-collapse: collapse\" "
    "bordercolor=\"#C0C0C0\" width=\"100%\" bordercolorlight=\"#C0C0C0\" bordercolordark=\"#C0C0C0\">";

inline constexpr std::string_view kHeadingStart =
    "<h2 align=\"left\"><span style=\"font-weight: 400; text-decoration: underline\">";

inline constexpr std::string_view kNothingToShow = "No changes were recorded, or they have all been filtered out.";

// The report's text as it is made: lines end with CR LF and collect in a
// buffer that goes to the file in large blocks. Keeps the kind of the table
// whose header row was written last.
class TReportOutput {
public:
    explicit TReportOutput(IReportFile& file);

    TReportOutput& Raw(std::string_view text) {
        FBuffer.append(text);
        return *this;
    }
    // Recorded text, escaped.
    TReportOutput& Text(std::string_view text);
    TReportOutput& FileLink(std::string_view path);
    TReportOutput& Number(long long value);
    void EndLine();
    void Line(std::string_view text) {
        Raw(text);
        EndLine();
    }

    // Starts a table of the kind unless one is open already; another open
    // table is closed first.
    void BeginTable(TTableKind kind);
    // Closes the open table, if any.
    void EndTable();

    // Writes what is buffered.
    void Flush();

private:
    IReportFile& FFile;
    std::string FBuffer;
    TTableKind FTable = TTableKind::None;
};

} // namespace quill
