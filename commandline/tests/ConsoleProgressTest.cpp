#include "commandline/ConsoleProgress.h"

#include "recording/tests/CaptureFakes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace quill {
namespace {

using ::testing::ElementsAreArray;
using namespace std::chrono_literals;

// What reaches the console, in order: the line's writes as they are, printed
// lines after "print:".
class TConsoleLog : public IConsoleLine, public IConsole {
public:
    void Write(std::string_view text) override { Log.emplace_back(text); }
    std::size_t Width() const override { return Columns; }
    void Print(const std::string& line) override { Log.push_back("print:" + line); }
    void PrintError(const std::string& line) override { Log.push_back("print:" + line); }
    std::vector<std::string> Log;
    std::size_t Columns = 80;
};

TEST(ProgressLine, RewritesOneLineAtMostTenTimesASecondPerStep) {
    // Each step: the time in milliseconds and the text shown; no text
    // finishes the line.
    const struct {
        const char* Name;
        std::size_t Columns;
        std::vector<std::pair<int, std::string>> Steps;
        std::vector<std::string> Written;
    } cases[] = {
        {"a count in the interval waits for the next one after it",
         80,
         {{0, "10 keys..."}, {50, "20 keys..."}, {99, "30 keys..."}, {100, "40 keys..."}},
         {"\r10 keys...", "\r40 keys..."}},
        {"a new step is written at once, blanking the rest of the longer text",
         80,
         {{0, "9000 directories..."}, {1, "Hashing: 0 of 9"}},
         {"\r9000 directories...", "\rHashing: 0 of 9    "}},
        {"finishing blanks the line once, and the next count shows at once",
         80,
         {{0, "5 keys..."}, {1, ""}, {2, ""}, {3, "6 keys..."}},
         {"\r5 keys...", "\r         \r", "\r6 keys..."}},
        {"a text wider than the console is cut before the last column",
         12,
         {{0, "1234567 directories..."}},
         {"\r1234567 dir"}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.Name);
        TConsoleLog console;
        console.Columns = row.Columns;
        std::chrono::milliseconds now{};
        TProgressLine line(&console, [&now] { return now; });
        for (const auto& [at, text] : row.Steps) {
            now = std::chrono::milliseconds(at);
            text.empty() ? line.Finish() : line.Show(text);
        }
        EXPECT_THAT(console.Log, ElementsAreArray(row.Written));
    }
}

TEST(ConsoleCaptureDisplay, ShowsTheCaptionAndTheBarOfEachStepAsTheLine) {
    const struct {
        const char* Name;
        std::function<void(ICaptureDisplay&)> Capture;
        std::vector<std::string> Written;
    } cases[] = {
        {"a registry snapshot's count, hidden with the caption",
         [](ICaptureDisplay& d) {
             d.ShowCaption(true);
             d.SetCaption("120 keys...");
             d.ShowCaption(false);
             d.ShowCaption(true);
         },
         {"\r120 keys...", "\r           \r"}},
        {"hashing, with the caption set before it shows, up to the end of the bar",
         [](ICaptureDisplay& d) {
             d.SetBar(0, 2, 1, 0);
             d.ShowBar(true);
             d.SetCaption("Hashing");
             d.ShowCaption(true);
             for (int i = 0; i < 3; ++i) {
                 d.StepBar();
             }
             d.ShowBar(false);
         },
         {"\rHashing: 0 of 2", "\rHashing: 1 of 2", "\rHashing: 2 of 2", "\r               \r"}},
        {"a comparison after a snapshot shows its own caption only",
         [](ICaptureDisplay& d) {
             d.ShowCaption(true);
             d.SetCaption("50 keys...");
             d.RewindBar();
             d.ShowBar(true);
             d.SetBar(0, 49, 10, 0);
             d.SetCaption("Keys:");
             d.StepBar();
         },
         {"\r50 keys...", "\rKeys: 0 of 49", "\rKeys: 10 of 49"}},
        {"another worker's count while the bar runs stands beside the bar's caption",
         [](ICaptureDisplay& d) {
             d.SetBar(0, 2, 1, 0);
             d.ShowBar(true);
             d.SetCaption("Hashing");
             d.ShowCaption(true);
             d.StepBar();
             d.SetCaption("1000 keys...");
             d.StepBar();
             d.ShowBar(false);
             d.SetCaption("2000 keys...");
         },
         {"\rHashing: 0 of 2", "\rHashing: 1 of 2", "\r1000 keys...  Hashing: 1 of 2",
          "\r1000 keys...  Hashing: 2 of 2", "\r" + std::string(29, ' ') + "\r", "\r2000 keys..."}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.Name);
        TConsoleLog console;
        std::chrono::milliseconds now{};
        // Each call a second after the last: no count waits.
        TProgressLine line(&console, [&now] { return now += 1s; });
        const test::TFault noFault;
        test::TFakeDisplay window(noFault);
        TConsoleCaptureDisplay display(window, line);
        row.Capture(display);
        EXPECT_THAT(console.Log, ElementsAreArray(row.Written));
    }
}

TEST(ProgressConsole, APrintedLineStartsOnACleanLine) {
    TConsoleLog console;
    TProgressLine line(&console, [] { return 0ms; });
    TProgressConsole lines(console, line);
    line.Show("7 keys...");
    lines.PrintError("The report could not be written.");
    EXPECT_THAT(console.Log,
                ElementsAreArray({"\r7 keys...", "\r         \r", "print:The report could not be written."}));
}

} // namespace
} // namespace quill
