#pragma once

#include "monitor/Journal.h"
#include "report/ReportFiles.h"
#include "report/ReportLocale.h"
#include "report/ReportOutput.h"
#include "snapshot/TreeScan.h"

#include <cstdint>
#include <string>

namespace quill {

// The four lists of a compared file scan.
struct TScanChanges {
    const TFileList& FilesBefore;
    const TFileList& FilesAfter;
    const TFileList& ModifiedFilesBefore;
    const TFileList& ModifiedFilesAfter;
};

// "File System Changes": the watchers' events in order of arrival; nothing
// at all for an empty journal.
void WriteFileEventsSection(TReportOutput& out, const IReportLocale& locale, IReportFiles& files,
                            const TFileWatchEvents& events);

// "File Scan Changes": modified, then deleted, then new files and
// directories; without a compared scan, the heading and the line saying
// there is nothing to show.
void WriteFileScanSection(TReportOutput& out, const IReportLocale& locale, IReportFiles& files,
                          const TScanChanges* scan);

// "Size,Hash,Date,Attributes" as far as each changed, the last comma made a
// blank.
std::string WhatChangedText(const TFileScan& before, const TFileScan& after);

// The letters of the low eight attribute bits: "R", "H", "S", "V", then "D"
// or "F", then "A", "Y".
std::string AttributeText(std::uint32_t attributes);

} // namespace quill
