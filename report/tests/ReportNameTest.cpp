#include "report/ReportName.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

TDateTime At(int year, int month, int day, int hour, int minute, int second) {
    TDateTime value = 0;
    EXPECT_TRUE(EncodeDateTime({year, month, day, hour, minute, second, 0}, value));
    return value;
}

struct TNameCase {
    std::string Path;
    std::string Prefixed;
};

class ReportNameTest : public testing::TestWithParam<TNameCase> {};

TEST_P(ReportNameTest, CarriesOneDatePrefix) {
    EXPECT_EQ(PrefixReportName(GetParam().Path, At(2003, 11, 1, 12, 32, 50)), GetParam().Prefixed);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ReportNameTest,
    testing::Values(
        TNameCase{"C:\\Reports\\QuillborneReport.html", "C:\\Reports\\031101 123250 QuillborneReport.html"},
        TNameCase{"C:\\Reports\\\\QuillborneReport.html", "C:\\Reports\\\\031101 123250 QuillborneReport.html"},
        TNameCase{"C:\\Reports\\990101 000000 QuillborneReport.html",
                  "C:\\Reports\\031101 123250 QuillborneReport.html"},
        TNameCase{"C:\\990101 000000 Reports\\Report.html", "C:\\990101 000000 Reports\\031101 123250 Report.html"},
        TNameCase{"C:\\Reports\\99010 000000 Report.html", "C:\\Reports\\031101 123250 99010 000000 Report.html"},
        TNameCase{"Report.html", "031101 123250 Report.html"}));

TEST(ReportFolderTest, IsThePathUpToItsLastBackslash) {
    EXPECT_EQ(ReportFolder("C:\\Reports\\\\QuillborneReport.html"), "C:\\Reports\\\\");
    EXPECT_EQ(ReportFolder("Report.html"), "");
}

} // namespace
} // namespace quill
