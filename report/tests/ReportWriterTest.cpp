#include "report/ReportWriter.h"

#include "common/tests/FixedOffsetTime.h"
#include "common/tests/MemoryRegistry.h"
#include "report/tests/FixedReportLocale.h"
#include "report/tests/MemoryReportFiles.h"
#include "report/tests/ReportTestSupport.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

// 1 November 2003 12:32:50.
constexpr TDateTime kNoonish = 37926.52280092593;
const std::string kReport = "C:\\Reports\\QuillborneReport.html";

class TRecordedBoxes : public IMessageBoxes {
public:
    struct TShown {
        TMessageKind Kind;
        std::string Text;
    };
    std::vector<TShown> Shown;
    TMessageAnswer Show(TMessageKind kind, const std::string& text, TMessageButtons) override {
        Shown.push_back({kind, text});
        return TMessageAnswer::Ok;
    }
};

class ReportWriterTest : public testing::Test {
protected:
    ReportWriterTest() { FStore.NewSession(); }

    bool Write(std::string& path, bool open = true) {
        TReportWriter writer(FStore, FSettings, {FFiles, FLocale, FClock, FBoxes}, FFooter, FApplyFilter);
        return writer.Write(path, FRecording, open);
    }
    std::string WriteAndRead() {
        std::string path = kReport;
        EXPECT_TRUE(Write(path));
        return Lines(FFiles.Files.at(path));
    }

    TMemoryRegistry FRegistry;
    TSettings FSettings{FRegistry};
    TFixedOffsetTime FClock{0, kNoonish};
    TSessionStore FStore{FClock};
    TMemoryReportFiles FFiles;
    TFixedReportLocale FLocale;
    TRecordedBoxes FBoxes;
    TFooterOptions FFooter;
    TReportWriter::TApplyResultFilter FApplyFilter;
    TRecordingInfo FRecording{"", kNoonish - 0.01, kNoonish, true, false};
};

constexpr const char* kTableTag =
    R"(<table border="1" cellpadding="1" cellspacing="0" style="border-collapse: collapse" bordercolor="#C0C0C0" width="100%" bordercolorlight="#C0C0C0" bordercolordark="#C0C0C0">)";

TEST_F(ReportWriterTest, ReportOfAnEmptySessionWholeAndInUtf8) {
    std::string path = kReport;
    ASSERT_TRUE(Write(path));
    const std::string raw = FFiles.Files.at(path);
    EXPECT_EQ(raw.substr(0, 8), "<html>\r\n");
    EXPECT_EQ(Lines(raw), std::string(R"(<html>
<meta http-equiv="Content-Language" content="en-us">
<meta http-equiv="Content-Type" content="text/html; charset=utf-8">
<title>Quillborne Report</title>
</head>
<body>
<h1 align="center"><span style="font-weight: 400; text-decoration: underline">
Quillborne Report<br>
1 November 2003 12:32:50</span></h1>
<h2 align="left"><span style="font-weight: 400; text-decoration: underline">
Report Details</span></h2>
)") + kTableTag + R"(
<tr>
<td width="25%" bgcolor="#C0C0C0"><b>Scan started at</b></td>
<td width="75%">01/11/2003 12:18:26</td>
</tr>
<tr>
<td width="25%" bgcolor="#C0C0C0"><b>Scan stopped at</b></td>
<td width="75%">01/11/2003 12:32:50</td>
</tr>
<tr>
<td width="25%" bgcolor="#C0C0C0"><b>Program scanned</b></td>
<td width="75%"><I>No program</I></td>
</tr>
<tr>
<td width="25%" bgcolor="#C0C0C0"><b>Start reason</b></td>
<td width="75%">Manual</td>
</tr>
<tr>
<td width="25%" bgcolor="#C0C0C0"><b>Stop reason</b></td>
<td width="75%">Stopped manually</td>
</tr>
</table>
<h2 align="left"><span style="font-weight: 400; text-decoration: underline">Disk Usage</span></h2>
No disk usage was recorded, or it has been filtered out.
<h2 align="left"><span style="font-weight: 400"><u>Registry Changes</u></span></h2>
No changes were recorded, or they have all been filtered out.
<h2 align="left"><span style="font-weight: 400; text-decoration: underline">
File Scan Changes</span></h2>
No changes were recorded, or they have all been filtered out.
<br><br>
)" + kTableTag + R"(
<tr>
<td>
<font size="2">Report produced by Quillborne v2.0</font>&nbsp;
</td>
<td align="center">
</td></tr></table>
</body></html>
)");
    EXPECT_EQ(FFiles.Opened, std::vector<std::string>{kReport});
    EXPECT_EQ(FFiles.Files.size(), 1u);
}

struct TDetailsCase {
    std::string Program;
    bool StartedAutomatically;
    bool StoppedManually;
    std::string Rows;
};

class ReportDetailsTest : public ReportWriterTest, public testing::WithParamInterface<TDetailsCase> {};

TEST_P(ReportDetailsTest, ProgramAndReasons) {
    FRecording.ProgramName = GetParam().Program;
    FRecording.StartedAutomatically = GetParam().StartedAutomatically;
    FRecording.StoppedManually = GetParam().StoppedManually;
    EXPECT_NE(WriteAndRead().find(GetParam().Rows), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Recordings, ReportDetailsTest,
    testing::Values(TDetailsCase{"", true, false,
                                 "<td width=\"75%\"><I>No program</I></td>\n</tr>\n<tr>\n"
                                 "<td width=\"25%\" bgcolor=\"#C0C0C0\"><b>Start reason</b></td>\n"
                                 "<td width=\"75%\">Automatic</td>\n</tr>\n<tr>\n"
                                 "<td width=\"25%\" bgcolor=\"#C0C0C0\"><b>Stop reason</b></td>\n"
                                 "<td width=\"75%\">Stopped manually</td>\n"},
                    TDetailsCase{"C:\\Setup\\<x>&y.exe", false, true,
                                 "<td width=\"75%\">C:\\Setup\\&lt;x&gt;&amp;y.exe</td>\n</tr>\n<tr>\n"
                                 "<td width=\"25%\" bgcolor=\"#C0C0C0\"><b>Start reason</b></td>\n"
                                 "<td width=\"75%\">Manual</td>\n</tr>\n<tr>\n"
                                 "<td width=\"25%\" bgcolor=\"#C0C0C0\"><b>Stop reason</b></td>\n"
                                 "<td width=\"75%\">Stopped manually before program exited</td>\n"},
                    TDetailsCase{"setup.exe", false, false,
                                 "<td width=\"75%\">Stopped automatically on program exit</td>\n</tr>\n</table>\n"}));

TEST_F(ReportWriterTest, CaptureNotesAddANotesRowEscaped) {
    FStore.BeforeNotes.Add("Could not open", "\\Software\\<Secret>\\ (access denied)");
    FStore.AfterNotes.Add("Not compared", "HKEY_USERS (the after-capture failed)");
    EXPECT_NE(WriteAndRead().find("<tr>\n<td width=\"25%\" bgcolor=\"#C0C0C0\"><b>Notes</b></td>\n"
                                  "<td width=\"75%\">Before: Could not open: \\Software\\&lt;Secret&gt;\\ (access "
                                  "denied)<br>After: Not compared: HKEY_USERS (the after-capture failed)</td>\n"
                                  "</tr>\n</table>\n"),
              std::string::npos);
}

TEST_F(ReportWriterTest, ACompleteCaptureAddsNoNotesRow) {
    EXPECT_EQ(WriteAndRead().find("<b>Notes</b>"), std::string::npos);
}

TEST_F(ReportWriterTest, NotesBeyondTwoHundredAreCounted) {
    for (int kind = 0; kind < 3; ++kind) {
        for (int i = 0; i < 100; ++i) {
            FStore.BeforeNotes.Add("Kind " + std::to_string(kind), "\\Key" + std::to_string(i) + "\\");
        }
    }
    const std::string report = WriteAndRead();
    EXPECT_NE(report.find("Before: Kind 1: \\Key99\\<br><I>100 more notes</I></td>"), std::string::npos);
    EXPECT_EQ(report.find("Kind 2:"), std::string::npos);
}

TEST_F(ReportWriterTest, DatePrefixIsAddedOnceHoweverOftenTheReportIsWritten) {
    FSettings.WriteBool("ReportDateTime", true);
    std::string path = kReport;
    ASSERT_TRUE(Write(path));
    EXPECT_EQ(path, "C:\\Reports\\031101 123250 QuillborneReport.html");
    ASSERT_TRUE(Write(path));
    EXPECT_EQ(path, "C:\\Reports\\031101 123250 QuillborneReport.html");
    EXPECT_EQ(FFiles.Files.count(path), 1u);
    EXPECT_EQ(FFiles.Files.size(), 1u);
}

TEST_F(ReportWriterTest, AnEarlierReportIsReplacedNotAppendedTo) {
    FFiles.Files[kReport] = "an earlier report";
    const std::string report = WriteAndRead();
    EXPECT_EQ(report.rfind("<html>\n", 0), 0u);
    EXPECT_EQ(report.find("an earlier report"), std::string::npos);
}

TEST_F(ReportWriterTest, AMissingFolderIsReportedAndNothingIsOpened) {
    std::string path = "C:\\Nowhere\\QuillborneReport.html";
    EXPECT_FALSE(Write(path));
    ASSERT_EQ(FBoxes.Shown.size(), 1u);
    EXPECT_EQ(FBoxes.Shown[0].Kind, TMessageKind::Error);
    EXPECT_EQ(FBoxes.Shown[0].Text, "Unable to create the report: C:\\Nowhere\\QuillborneReport.html\n\r\n\r"
                                    "Reason: The system cannot find the path specified.");
    EXPECT_TRUE(FFiles.Opened.empty());
}

TEST_F(ReportWriterTest, AFullDiskLeavesTheEarlierReportWholeAndNoTemporaryFile) {
    FFiles.Files[kReport] = "the earlier report";
    for (int i = 0; i < 20000; ++i) {
        FStore.ShellEvents.Add("C:\\f" + std::to_string(i), std::make_unique<TShellEvent>());
    }
    FFiles.SpaceLeft = 1 << 20;
    std::string path = kReport;
    EXPECT_FALSE(Write(path));
    EXPECT_EQ(FFiles.Files, (std::map<std::string, std::string>{{kReport, "the earlier report"}}));
    ASSERT_EQ(FBoxes.Shown.size(), 1u);
    EXPECT_EQ(FBoxes.Shown[0].Text,
              "Unable to create the report: " + kReport + "\n\r\n\rReason: There is not enough space on the disk.");
    EXPECT_TRUE(FFiles.Opened.empty());
}

TEST_F(ReportWriterTest, NotOpenedWhenNotAsked) {
    std::string path = kReport;
    ASSERT_TRUE(Write(path, false));
    EXPECT_TRUE(FFiles.Opened.empty());
}

TEST_F(ReportWriterTest, TheResultFilterRunsBeforeAnythingIsWritten) {
    auto event = std::make_unique<TShellEvent>();
    event->Kind = 0x8;
    event->Path1 = "C:\\Hidden";
    FStore.ShellEvents.Add("C:\\Hidden", std::move(event));
    FApplyFilter = [this] { FStore.ShellEvents.Record(0)->Included = 0; };
    const std::string report = WriteAndRead();
    EXPECT_EQ(report.find("C:\\Hidden"), std::string::npos);
    EXPECT_NE(report.find("Shell Event Notifications"), std::string::npos);
}

TEST_F(ReportWriterTest, DiskUsageOffLeavesTheSectionOut) {
    FSettings.WriteBool("DiskUsage", true);
    EXPECT_EQ(WriteAndRead().find("Disk Usage"), std::string::npos);
}

TEST_F(ReportWriterTest, RootsInTheirOrderOnlyWhereCompared) {
    FStore.Root(TRegRoot::CurrentUser).Compared = true;
    FStore.Root(TRegRoot::LocalMachine).Compared = true;
    FStore.Root(TRegRoot::Users).Recorded = true;
    const std::string report = WriteAndRead();
    EXPECT_LT(report.find("<h3>HKEY_LOCAL_MACHINE</h3>"), report.find("<h3>HKEY_CURRENT_USER</h3>"));
    EXPECT_EQ(report.find("<h3>HKEY_USERS</h3>"), std::string::npos);
}

TEST_F(ReportWriterTest, FooterWithEveryAddressSet) {
    FFooter = {"https://maker.example/?a=1&b=2", "https://pay.example/form", "https://pay.example/button.gif",
               "owner@maker.example"};
    const std::string report = WriteAndRead();
    EXPECT_NE(report.find("<td>\n<font size=\"2\">Report produced by <A "
                          "href=\"https://maker.example/?a=1&amp;b=2\">Quillborne v2.0</A></font>&nbsp;\n</td>\n"
                          "<td align=\"center\">\n<form action=\"https://pay.example/form\" method=\"post\">\n"
                          "<input type=\"image\" src=\"https://pay.example/button.gif\" border=\"0\" "
                          "name=\"submit\" alt=\""),
              std::string::npos);
    EXPECT_NE(report.find("\" width=\"62\" height=\"31\">\n"
                          "<input type=\"hidden\" name=\"cmd\" value=\"_xclick\">\n"
                          "<input type=\"hidden\" name=\"business\" value=\"owner@maker.example\">\n"
                          "<input type=\"hidden\" name=\"item_name\" value=\"Tarnvale\">\n"
                          "<input type=\"hidden\" name=\"amount\" value=\"5.00\">\n"
                          "<input type=\"hidden\" name=\"no_note\" value=\"1\">\n"
                          "<input type=\"hidden\" name=\"currency_code\" value=\"USD\">\n"
                          "<input type=\"hidden\" name=\"tax\" value=\"0\">\n</form>\n</td></tr></table>\n"),
              std::string::npos);
}

TEST_F(ReportWriterTest, FooterWithoutAPartOfTheFormLeavesTheFormOut) {
    FFooter = {"https://maker.example/", "https://pay.example/form", "", "owner@maker.example"};
    const std::string report = WriteAndRead();
    EXPECT_EQ(report.find("<form"), std::string::npos);
    EXPECT_NE(report.find("<A href=\"https://maker.example/\">Quillborne v2.0</A>"), std::string::npos);
}

TEST(DonationPageTest, OnlyAFormWithEveryAddressIsOffered) {
    EXPECT_EQ(DonationPage({"https://maker.example/", "https://pay.example/form", "https://pay.example/b.gif",
                            "owner@maker.example"}),
              "https://pay.example/form");
    EXPECT_EQ(DonationPage({"https://maker.example/", "", "", ""}), "");
    EXPECT_EQ(DonationPage({}), "");
}

} // namespace
} // namespace quill
