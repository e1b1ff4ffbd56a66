#pragma once

#include "common/ProcessList.h"
#include "common/RecordList.h"
#include "report/ReportOutput.h"

namespace quill {

using TProcessList = TRecordList<TProcessRecord>;

// "Processes": every process that ran before, in red when it ended, in blue
// when its parent, threads or priority changed; then the new ones in teal.
// Nothing without process lists. Uses the records' Reported marks.
void WriteProcessSection(TReportOutput& out, TProcessList& before, TProcessList& after);

} // namespace quill
