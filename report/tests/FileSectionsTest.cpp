#include "report/FileSections.h"

#include "report/tests/FixedReportLocale.h"
#include "report/tests/MemoryReportFiles.h"
#include "report/tests/ReportTestSupport.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

// 1 November 2003 12:32:50.
constexpr TDateTime kNoonish = 37926.52280092593;

std::unique_ptr<TFileScan> File(std::int64_t size, std::uint32_t attributes = 0x20, bool included = true) {
    auto file = std::make_unique<TFileScan>();
    file->Size = size;
    file->Date = kNoonish;
    file->Attributes = attributes;
    file->Included = included ? 1 : 0;
    return file;
}

std::unique_ptr<TFileWatchEvent> Event(std::uint32_t action, bool included = true) {
    auto event = std::make_unique<TFileWatchEvent>();
    event->Action = action;
    event->Time = kNoonish;
    event->Included = included ? 1 : 0;
    return event;
}

class FileSectionsTest : public testing::Test {
protected:
    std::string Events() {
        return Render([&](TReportOutput& out) { WriteFileEventsSection(out, FLocale, FFiles, FEvents); });
    }
    std::string Scan(bool compared = true) {
        const TScanChanges scan{FBefore, FAfter, FModifiedBefore, FModifiedAfter};
        return Render(
            [&](TReportOutput& out) { WriteFileScanSection(out, FLocale, FFiles, compared ? &scan : nullptr); });
    }

    TFixedReportLocale FLocale;
    TMemoryReportFiles FFiles;
    TFileWatchEvents FEvents;
    TFileList FBefore{TListOrder::Sorted, TDuplicates::Refuse};
    TFileList FAfter{TListOrder::Sorted, TDuplicates::Refuse};
    TFileList FModifiedBefore;
    TFileList FModifiedAfter;
};

constexpr const char* kTableTag =
    R"(<table border="1" cellpadding="1" cellspacing="0" style="border-collapse: collapse" bordercolor="#C0C0C0" width="100%" bordercolorlight="#C0C0C0" bordercolordark="#C0C0C0">)";

TEST_F(FileSectionsTest, AnEmptyJournalWritesNothing) {
    EXPECT_EQ(Events(), "");
}

TEST_F(FileSectionsTest, AJournalAllFilteredOutShowsHeaderOnlyTableAndTheLine) {
    FEvents.Add("C:\\a.txt", Event(1, false));
    EXPECT_EQ(Events(), std::string(R"(<h2 align="left"><span style="font-weight: 400; text-decoration: underline">
File System Changes</span></h2>
)") + kTableTag + R"(
<tr>
<td width="15%" bgcolor="#C0C0C0"><b>Action</td>
<td width="70%" bgcolor="#C0C0C0"><b>File/Directory</b></td>
<td width="15%" bgcolor="#C0C0C0"><b>Time</td>
</tr>
</table>
No changes were recorded, or they have all been filtered out.
)");
}

TEST_F(FileSectionsTest, EventsLinkOnlyToFilesThatExistNow) {
    FFiles.ExistingFiles.insert("C:\\Here\\a b#1.txt");
    FEvents.Add("C:\\Here\\a b#1.txt", Event(3));
    FEvents.Add("C:\\Gone\\<b>.txt", Event(9));
    const std::string section = Events();
    EXPECT_NE(section.find("<tr>\n<td width=\"15%\"><font color=\"#0000FF\">Modified</font></td>\n"
                           "<td width=\"70%\"><font size=\"2\"><a href=\"file:///C:/Here/a%20b%231.txt\">"
                           "C:\\Here\\a b#1.txt</a></font></td>\n<td width=\"15%\">12:32:50</td>\n</tr>\n"),
              std::string::npos);
    EXPECT_NE(section.find("<td width=\"15%\"><I>Unknown</I></td>\n"
                           "<td width=\"70%\"><font size=\"2\">C:\\Gone\\&lt;b&gt;.txt</font></td>\n"),
              std::string::npos);
}

TEST_F(FileSectionsTest, ScanNotComparedKeepsTheHeadingAndTheLine) {
    EXPECT_EQ(Scan(false), R"(<h2 align="left"><span style="font-weight: 400; text-decoration: underline">
File Scan Changes</span></h2>
No changes were recorded, or they have all been filtered out.
)");
}

TEST_F(FileSectionsTest, ModifiedDeletedAndNewFilesEachInTheirTable) {
    FModifiedBefore.Add("C:\\App\\m.dll", File(10, 0x20));
    FModifiedAfter.Add("C:\\App\\m.dll", File(12, 0x21));
    FFiles.ExistingFiles.insert("C:\\App\\m.dll");
    FBefore.Add("C:\\App\\old.txt", File(5));
    FBefore.Add("C:\\App\\same.txt", nullptr);
    FAfter.Add("C:\\App\\new\\", File(0, 0x10));
    EXPECT_EQ(Scan(), std::string(R"(<h2 align="left"><span style="font-weight: 400; text-decoration: underline">
File Scan Changes</span></h2>
)") + kTableTag + R"(
<tr>
<td width="15%" bgcolor="#C0C0C0"><b>What Changed</td>
<td width="45%" bgcolor="#C0C0C0"><b>File/Directory</td>
<td width="10%" bgcolor="#C0C0C0"><b>Size</td>
<td width="10%" bgcolor="#C0C0C0"><b>Attributes</td>
<td width="20%" bgcolor="#C0C0C0"><b>Date &amp; Time</td>
</tr>
<tr>
<td width="15%"><font size="2" color="#0000FF">Size,Attributes </font></td>
<td width="45%"><font color="#0000FF" size="2"><a href="file:///C:/App/m.dll">C:\App\m.dll</a></font></td>
<td width="10%"><font color="#0000FF" size="2">10<br>12</font></td>
<td width="10%"><font color="#0000FF" size="2">FA<br>RFA</font></td>
<td width="20%"><font color="#0000FF" size="2">01/11/2003 12:32:50<br>01/11/2003 12:32:50</font></td>
</tr>
</table>
)" + kTableTag + R"(
<tr>
<td width="65%" bgcolor="#C0C0C0"><b>Deleted File/Directory</td>
<td width="20%" bgcolor="#C0C0C0"><b>Date &amp; Time</td>
<td width="15%" bgcolor="#C0C0C0"><b>Size</td>
</tr>
<tr>
<td width="65%"><font color="#FF0000" size="2">C:\App\old.txt</font></td>
<td width="20%"><font color="#FF0000">01/11/2003 12:32:50</font></td>
<td width="15%"><font color="#FF0000">5</font></td>
</tr>
</table>
)" + kTableTag + R"(
<tr>
<td width="65%" bgcolor="#C0C0C0"><b>New File/Directory</td>
<td width="20%" bgcolor="#C0C0C0"><b>Date &amp; Time</td>
<td width="15%" bgcolor="#C0C0C0"><b>Size</td>
</tr>
<tr>
<td width="65%"><font color="#008080" size="2">C:\App\new\</font></td>
<td width="20%"><font color="#008080">01/11/2003 12:32:50</font></td>
<td width="15%"><font color="#008080">0</font></td>
</tr>
</table>
)");
}

TEST_F(FileSectionsTest, AllFilteredOutSaysSo) {
    FBefore.Add("C:\\a", File(1, 0x20, false));
    EXPECT_EQ(Scan(), R"(<h2 align="left"><span style="font-weight: 400; text-decoration: underline">
File Scan Changes</span></h2>
No changes were recorded, or they have all been filtered out.
)");
}

struct TChangeCase {
    TFileScan Before;
    TFileScan After;
    std::string Text;
};

class WhatChangedTest : public testing::TestWithParam<TChangeCase> {};

TEST_P(WhatChangedTest, NamesEachChangeAndEndsInABlank) {
    EXPECT_EQ(WhatChangedText(GetParam().Before, GetParam().After), GetParam().Text);
}

TFileScan Scanned(std::int64_t size, const char* hash, TDateTime date, std::uint32_t attributes) {
    TFileScan file;
    file.Size = size;
    SetText(file.Hash, hash);
    file.Date = date;
    file.Attributes = attributes;
    return file;
}

INSTANTIATE_TEST_SUITE_P(Changes, WhatChangedTest,
                         testing::Values(TChangeCase{Scanned(1, "AA", 1, 0), Scanned(2, "AA", 2, 0), "Size,Date "},
                                         TChangeCase{Scanned(1, "AA", 1, 0), Scanned(1, "BB", 1, 0), "Hash "},
                                         TChangeCase{Scanned(1, "", 1, 0), Scanned(1, "BB", 1, 0), ""},
                                         TChangeCase{Scanned(1, "AA", 1, 0), Scanned(3, "BB", 2, 1),
                                                     "Size,Hash,Date,Attributes "}));

TEST(AttributeTextTest, LettersOfTheLowEightBits) {
    EXPECT_EQ(AttributeText(0x20), "FA");
    EXPECT_EQ(AttributeText(0x13), "RHD");
    EXPECT_EQ(AttributeText(0x7F), "RHSVDAY");
    EXPECT_EQ(AttributeText(0x80 | 0x100), "F");
}

} // namespace
} // namespace quill
