#include "report/ProcessSection.h"

#include "report/tests/ReportTestSupport.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

std::unique_ptr<TProcessRecord> Process(std::uint32_t id, std::uint32_t parent, std::uint32_t threads,
                                        std::int32_t priority) {
    auto record = std::make_unique<TProcessRecord>();
    record->ProcessID = id;
    record->ParentID = parent;
    record->Threads = threads;
    record->Priority = priority;
    return record;
}

class ProcessSectionTest : public testing::Test {
protected:
    std::string Section() {
        return Render([&](TReportOutput& out) { WriteProcessSection(out, FBefore, FAfter); });
    }
    TProcessList FBefore{TListOrder::Sorted, TDuplicates::Accept};
    TProcessList FAfter{TListOrder::Sorted, TDuplicates::Accept};
};

TEST_F(ProcessSectionTest, NoListsNoHeading) {
    EXPECT_EQ(Section(), "");
}

TEST_F(ProcessSectionTest, EndedChangedUnchangedAndNewInTheirColours) {
    FBefore.Add("svc.exe", Process(10, 1, 3, 8));
    FAfter.Add("SVC.EXE", Process(10, 1, 5, 8));
    FBefore.Add("svc.exe", Process(11, 1, 2, 8));
    FBefore.Add("idle.exe", Process(4, 0, 1, -2));
    FAfter.Add("idle.exe", Process(4, 0, 1, -2));
    FAfter.Add("setup<1>.exe", Process(99, 10, 1, 8));
    EXPECT_EQ(Section(),
              R"(<h2 align="left"><span style="font-weight: 400; text-decoration: underline">Processes</span></h2>
<table border="1" cellpadding="1" cellspacing="0" style="border-collapse: collapse" bordercolor="#C0C0C0" width="100%" bordercolorlight="#C0C0C0" bordercolordark="#C0C0C0">
<tr>
<td width="40%" bgcolor="#C0C0C0"><b>Program</b></td>
<td width="15%" align="right" bgcolor="#C0C0C0"><b>Process ID</b></td>
<td width="15%" align="right" bgcolor="#C0C0C0"><b>Parent ID</b></td>
<td width="15%" align="right" bgcolor="#C0C0C0"><b>Threads</b></td>
<td width="15%" align="right" bgcolor="#C0C0C0"><b>Priority</b></td>
</tr>
<tr>
<td width="40%">idle.exe</td>
<td width="15%" align="right">4</td>
<td width="15%" align="right">0</td>
<td width="15%" align="right">1</td>
<td width="15%" align="right">-2</td>
</tr>
<tr>
<td width="40%"><font color="#0000FF">svc.exe</font></td>
<td width="15%" align="right"><font color="#0000FF">10</font></td>
<td width="15%" align="right"><font color="#0000FF">1</font></td>
<td width="15%" align="right"><font color="#0000FF">3<br>5</font></td>
<td width="15%" align="right"><font color="#0000FF">8</font></td>
</tr>
<tr>
<td width="40%"><font color="#FF0000">svc.exe</font></td>
<td width="15%" align="right"><font color="#FF0000">11</font></td>
<td width="15%" align="right"><font color="#FF0000">1</font></td>
<td width="15%" align="right"><font color="#FF0000">2</font></td>
<td width="15%" align="right"><font color="#FF0000">8</font></td>
</tr>
<tr>
<td width="40%"><font color="#008080">setup&lt;1&gt;.exe</font></td>
<td width="15%" align="right"><font color="#008080">99</font></td>
<td width="15%" align="right"><font color="#008080">10</font></td>
<td width="15%" align="right"><font color="#008080">1</font></td>
<td width="15%" align="right"><font color="#008080">8</font></td>
</tr>
</table>
)");
}

TEST_F(ProcessSectionTest, WritingAgainGivesTheSameSection) {
    FBefore.Add("a.exe", Process(1, 0, 1, 8));
    FAfter.Add("a.exe", Process(1, 0, 1, 8));
    FAfter.Add("b.exe", Process(2, 0, 1, 8));
    EXPECT_EQ(Section(), Section());
}

} // namespace
} // namespace quill
