#pragma once

#include "common/DiskUsage.h"
#include "report/ReportLocale.h"
#include "report/ReportOutput.h"

namespace quill {

// "Disk Usage": each drive measured before, its free space before and after
// and the difference, then the totals.
void WriteDiskSection(TReportOutput& out, const IReportLocale& locale, const TDiskFreeTable& before,
                      const TDiskFreeTable& after);

} // namespace quill
