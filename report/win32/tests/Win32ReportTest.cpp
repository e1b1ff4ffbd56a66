#include "common/tests/FixedOffsetTime.h"
#include "common/tests/MemoryRegistry.h"
#include "common/win32/WinText.h"
#include "common/win32/tests/TempDirectory.h"
#include "report/ReportWriter.h"
#include "report/win32/Win32ReportFiles.h"
#include "report/win32/Win32ReportLocale.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace quill {
namespace {

// 1 November 2003 12:32:50.
constexpr TDateTime kNoonish = 37926.52280092593;
const std::string kCjk = "\xE4\xB8\xAD\xE6\x96\x87\xE5\x90\x8D";

class TRecordedBoxes : public IMessageBoxes {
public:
    std::vector<std::string> Shown;
    TMessageAnswer Show(TMessageKind, const std::string& text, TMessageButtons) override {
        Shown.push_back(text);
        return TMessageAnswer::Ok;
    }
};

class Win32Report : public testing::Test {
protected:
    Win32Report() { FStore.NewSession(); }

    bool Write(std::string& path) {
        TReportWriter writer(FStore, FSettings, {FFiles, FLocale, FClock, FBoxes}, {}, {});
        return writer.Write(path, FRecording, false);
    }

    std::string Read(const std::string& path) const {
        std::ifstream file(std::filesystem::path(Wide(path)), std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    // The names in the folder, as UTF-8.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAW found;
        const TUniqueFind find(::FindFirstFileW(Wide(FTemp.Path() + "*").c_str(), &found));
        if (find) {
            do {
                const std::string name = Narrow(found.cFileName);
                if (name != "." && name != "..") {
                    names.push_back(name);
                }
            } while (::FindNextFileW(find.Get(), &found));
        }
        return names;
    }

    test::TTempDirectory FTemp{"QuillborneReportTest"};
    TMemoryRegistry FRegistry;
    TSettings FSettings{FRegistry};
    TFixedOffsetTime FClock{0, kNoonish};
    TSessionStore FStore{FClock};
    TWin32ReportFiles FFiles;
    TWin32ReportLocale FLocale;
    TRecordedBoxes FBoxes;
    TRecordingInfo FRecording{"C:\\Setup\\" + kCjk + ".exe", kNoonish - 0.01, kNoonish, true, false};
};

TEST_F(Win32Report, ReplacesAnEarlierReportAndLeavesNoTemporaryFile) {
    std::string path = FTemp.Path() + "QuillborneReport.html";
    ASSERT_TRUE(FTemp.WriteFile("QuillborneReport.html", "an earlier report, longer than nothing"));
    ASSERT_TRUE(Write(path));
    const std::string report = Read(path);
    EXPECT_EQ(report.rfind("<html>\r\n", 0), 0u);
    EXPECT_EQ(report.find("earlier"), std::string::npos);
    EXPECT_NE(report.find("C:\\Setup\\" + kCjk + ".exe"), std::string::npos);
    EXPECT_EQ(Names(), std::vector<std::string>{"QuillborneReport.html"});
    EXPECT_TRUE(FBoxes.Shown.empty());
}

TEST_F(Win32Report, AMissingFolderGivesTheSystemsReason) {
    std::string path = FTemp.Path() + "Missing\\QuillborneReport.html";
    EXPECT_FALSE(Write(path));
    ASSERT_EQ(FBoxes.Shown.size(), 1u);
    const std::string start = "Unable to create the report: " + path + "\n\r\n\rReason: ";
    EXPECT_EQ(FBoxes.Shown[0].substr(0, start.size()), start);
    EXPECT_GT(FBoxes.Shown[0].size(), start.size());
    EXPECT_TRUE(Names().empty());
}

TEST_F(Win32Report, AReportThatCannotBePutInPlaceLeavesTheEarlierOne) {
    std::string path = FTemp.Path() + "QuillborneReport.html";
    ASSERT_TRUE(FTemp.WriteFile("QuillborneReport.html", "earlier"));
    // An open handle that shares nothing keeps the file from being replaced.
    const TUniqueFile held(
        ::CreateFileW(Wide(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    EXPECT_FALSE(Write(path));
    EXPECT_EQ(FBoxes.Shown.size(), 1u);
    EXPECT_EQ(Names(), std::vector<std::string>{"QuillborneReport.html"});
}

TEST_F(Win32Report, OnlyExistingFilesAreFiles) {
    const std::string file = FTemp.Path() + kCjk + " #1.txt";
    ASSERT_TRUE(FTemp.WriteFile(kCjk + " #1.txt", "x"));
    EXPECT_TRUE(FFiles.IsFile(file));
    EXPECT_FALSE(FFiles.IsFile(FTemp.Path()));
    EXPECT_FALSE(FFiles.IsFile(FTemp.Path() + "gone.txt"));
}

TEST_F(Win32Report, TheUsersFormatsGiveTimesAndMonths) {
    const std::string time = FLocale.TimeText(kNoonish);
    EXPECT_NE(time.find("32"), std::string::npos) << time;
    EXPECT_NE(time.find("50"), std::string::npos) << time;
    EXPECT_NE(FLocale.DateTimeText(kNoonish).find("2003"), std::string::npos);
    EXPECT_FALSE(FLocale.MonthName(11).empty());
    EXPECT_FALSE(FLocale.ThousandSeparator().empty());
}

} // namespace
} // namespace quill
