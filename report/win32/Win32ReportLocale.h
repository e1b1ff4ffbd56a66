#pragma once

#include "report/ReportLocale.h"

namespace quill {

// The current user's formats, as the control panel sets them.
class TWin32ReportLocale : public IReportLocale {
public:
    TWin32ReportLocale();
    std::string DateTimeText(TDateTime value) const override;
    std::string TimeText(TDateTime value) const override;
    std::string MonthName(int month) const override;
    std::string ThousandSeparator() const override { return FThousand; }
    std::string DecimalSeparator() const override { return FDecimal; }

private:
    std::string FThousand;
    std::string FDecimal;
};

} // namespace quill
