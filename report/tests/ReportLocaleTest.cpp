#include "report/ReportLocale.h"

#include "report/tests/FixedReportLocale.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

struct TNumberCase {
    long double Value;
    int Decimals;
    std::string Text;
};

class FormatNumberTest : public testing::TestWithParam<TNumberCase> {};

TEST_P(FormatNumberTest, GroupsThousandsAndRightAligns) {
    const TFixedReportLocale locale;
    EXPECT_EQ(FormatNumber(locale, GetParam().Value, GetParam().Decimals, 15), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(Numbers, FormatNumberTest,
                         testing::Values(TNumberCase{0, 0, "              0"}, TNumberCase{999, 0, "            999"},
                                         TNumberCase{1000, 0, "          1,000"},
                                         TNumberCase{-10485760, 0, "    -10,485,760"},
                                         TNumberCase{10, 2, "          10.00"},
                                         TNumberCase{0.125L, 2, "           0.13"},
                                         TNumberCase{9.995L, 2, "          10.00"},
                                         TNumberCase{9223372036854775807.0L, 0, "9,223,372,036,854,775,807"}));

TEST(LongDateTimeTextTest, NamesTheMonthWithoutLeadingZeroOnTheDay) {
    const TFixedReportLocale locale;
    TDateTime value = 0;
    ASSERT_TRUE(EncodeDateTime({2003, 11, 1, 9, 2, 5, 0}, value));
    EXPECT_EQ(LongDateTimeText(locale, value), "1 November 2003 09:02:05");
}

} // namespace
} // namespace quill
