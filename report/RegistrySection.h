#pragma once

#include "report/ReportLocale.h"
#include "report/ReportOutput.h"
#include "snapshot/EnumRegistry.h"

#include <string_view>

namespace quill {

// The order of the roots in the report, the JSON result and the undo script.
inline constexpr TRegRoot kReportOrder[] = {TRegRoot::LocalMachine, TRegRoot::CurrentUser, TRegRoot::Users,
                                            TRegRoot::ClassesRoot, TRegRoot::CurrentConfig};

// The eight lists of one compared root.
struct TRootChanges {
    const TKeyList& KeysBefore;
    const TKeyList& KeysAfter;
    const TValueList& ValuesBefore;
    const TValueList& ValuesAfter;
    const TKeyList& ModifiedKeysAfter;
    const TValueList& ModifiedValuesBefore;
    const TValueList& ModifiedValuesAfter;
};

// The root's heading, then each shown key with the table of its shown
// values: modified keys first, then deleted, then created.
void WriteRootSection(TReportOutput& out, const IReportLocale& locale, std::string_view rootName,
                      const TRootChanges& root);

} // namespace quill
