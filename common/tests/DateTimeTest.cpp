#include "common/DateTime.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

struct TDateCase {
    TCalendarTime Time;
    double Expected;
};

class EncodeDateTimeCases : public ::testing::TestWithParam<TDateCase> {};

TEST_P(EncodeDateTimeCases, EncodesAndDecodes) {
    const TDateCase& c = GetParam();
    TDateTime value = 0;
    ASSERT_TRUE(EncodeDateTime(c.Time, value));
    EXPECT_DOUBLE_EQ(value, c.Expected);
    const TCalendarTime back = DecodeDateTime(value);
    EXPECT_EQ(back.Year, c.Time.Year);
    EXPECT_EQ(back.Month, c.Time.Month);
    EXPECT_EQ(back.Day, c.Time.Day);
    EXPECT_EQ(back.Hour, c.Time.Hour);
    EXPECT_EQ(back.Minute, c.Time.Minute);
    EXPECT_EQ(back.Second, c.Time.Second);
    EXPECT_EQ(back.Millisecond, c.Time.Millisecond);
}

INSTANTIATE_TEST_SUITE_P(
    Table, EncodeDateTimeCases,
    ::testing::Values(TDateCase{{1899, 12, 30, 0, 0, 0, 0}, 0.0}, TDateCase{{1899, 12, 31, 0, 0, 0, 0}, 1.0},
                      TDateCase{{1900, 1, 1, 0, 0, 0, 0}, 2.0}, TDateCase{{1900, 3, 1, 0, 0, 0, 0}, 61.0},
                      TDateCase{{2000, 1, 1, 12, 0, 0, 0}, 36526.5}, TDateCase{{2024, 2, 29, 6, 0, 0, 0}, 45351.25},
                      TDateCase{{1899, 12, 29, 6, 0, 0, 0}, -1.25}));

TEST(EncodeDateTime, RefusesImpossibleDates) {
    TDateTime value = 0;
    EXPECT_FALSE(EncodeDateTime({2023, 2, 29, 0, 0, 0, 0}, value));
    EXPECT_FALSE(EncodeDateTime({2024, 13, 1, 0, 0, 0, 0}, value));
    EXPECT_FALSE(EncodeDateTime({0, 1, 1, 0, 0, 0, 0}, value));
    EXPECT_FALSE(EncodeDateTime({2024, 1, 1, 24, 0, 0, 0}, value));
}

TEST(FileTimeToDateTime, CountsFrom1601) {
    EXPECT_DOUBLE_EQ(FileTimeToDateTime(0), -109205.0);
    const std::uint64_t y2000 = (109205ULL + 36526ULL) * 864000000000ULL;
    EXPECT_DOUBLE_EQ(FileTimeToDateTime(y2000), 36526.0);
    // Half a day and a sub-millisecond remainder that is dropped.
    EXPECT_DOUBLE_EQ(FileTimeToDateTime(y2000 + 432000000000ULL + 9999), 36526.5);
}

} // namespace
} // namespace quill
