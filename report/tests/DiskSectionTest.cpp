#include "report/DiskSection.h"

#include "report/tests/FixedReportLocale.h"
#include "report/tests/ReportTestSupport.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

std::string Section(const TDiskFreeTable& before, const TDiskFreeTable& after) {
    const TFixedReportLocale locale;
    return Render([&](TReportOutput& out) { WriteDiskSection(out, locale, before, after); });
}

TEST(DiskSectionTest, FallRiseAndNoChangeWithTheirTotals) {
    TDiskFreeTable before{};
    TDiskFreeTable after{};
    before[2] = 20971520; // C: falls by 10 MB
    after[2] = 10485760;
    before[3] = 1048576; // D: rises by 1.5 MB
    after[3] = 2621440;
    before[4] = 5000; // E: unchanged
    after[4] = 5000;
    after[5] = 777; // F: first seen afterwards
    EXPECT_EQ(Section(before, after),
              R"(<h2 align="left"><span style="font-weight: 400; text-decoration: underline">Disk Usage</span></h2>
<table border="1" cellpadding="1" cellspacing="0" style="border-collapse: collapse" bordercolor="#C0C0C0" width="100%" bordercolorlight="#C0C0C0" bordercolordark="#C0C0C0">
<tr>
<td width="10%" bgcolor="#C0C0C0"><b>Drive</b></td>
<td width="30%" align="right" bgcolor="#C0C0C0"><b>Free Space Before</b></td>
<td width="30%" align="right" bgcolor="#C0C0C0"><b>Free Space After</b></td>
<td width="30%" align="right" bgcolor="#C0C0C0"><b>Difference</b></td>
</tr>
<tr>
<td width="10%"><A HREF="file:///C:/">C:\</A></td>
<td width="30%" align="right">     20,971,520 bytes (          20.00 MB)</td>
<td width="30%" align="right">     10,485,760 bytes (          10.00 MB)</td>
<td width="30%" align="right"><font color="#FF0000">    -10,485,760 bytes (-          10.00 MB)</font></td>
</tr>
<tr>
<td width="10%"><A HREF="file:///D:/">D:\</A></td>
<td width="30%" align="right">      1,048,576 bytes (           1.00 MB)</td>
<td width="30%" align="right">      2,621,440 bytes (           2.50 MB)</td>
<td width="30%" align="right"><font color="#008080">      1,572,864 bytes (           1.50 MB)</font></td>
</tr>
<tr>
<td width="10%"><A HREF="file:///E:/">E:\</A></td>
<td width="30%" align="right">          5,000 bytes (           0.00 MB)</td>
<td width="30%" align="right">          5,000 bytes (           0.00 MB)</td>
<td width="30%" align="right">None</td>
</tr>
<tr>
<td width="10%" bgcolor="#C0C0C0"><B>TOTAL</B></td>
<td width="30%" align="right" bgcolor="#C0C0C0"><B>     22,025,096 bytes (          21.00 MB)</B></td>
<td width="30%" align="right" bgcolor="#C0C0C0"><B>     13,112,200 bytes (          12.50 MB)</B></td>
<td width="30%" align="right" bgcolor="#C0C0C0"><B><font color="#FF0000">     -8,912,896 bytes (-           8.50 MB)</font></B></td>
</tr>
</table>
)");
}

TEST(DiskSectionTest, EqualTotalsShowNone) {
    TDiskFreeTable before{};
    TDiskFreeTable after{};
    before[2] = 100;
    after[2] = 50;
    before[3] = 100;
    after[3] = 150;
    const std::string section = Section(before, after);
    EXPECT_NE(section.find("<td width=\"30%\" align=\"right\" bgcolor=\"#C0C0C0\"><B>None</B></td>"),
              std::string::npos);
}

TEST(DiskSectionTest, NoDriveMeasuredSaysSo) {
    EXPECT_EQ(Section({}, {}), "<h2 align=\"left\"><span style=\"font-weight: 400; text-decoration: underline\">Disk "
                               "Usage</span></h2>\nNo disk usage was recorded, or it has been filtered out.\n");
}

} // namespace
} // namespace quill
