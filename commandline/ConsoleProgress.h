#pragma once

#include "commandline/Console.h"
#include "recording/CapturePlatform.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace quill {

// An interactive console, written to without ending the line.
class IConsoleLine {
public:
    virtual ~IConsoleLine() = default;
    virtual void Write(std::string_view text) = 0;
    // The characters a line holds before it wraps.
    virtual std::size_t Width() const = 0;
};

// One line of the console rewritten in place. A text shaped like the last
// (the same but for its numbers) is written at most once per interval, so
// that counting millions of keys is not slowed by the console; any other
// text is written at once, since no later one may come to replace it.
class TProgressLine {
public:
    using TClock = std::function<std::chrono::milliseconds()>;
    static constexpr std::chrono::milliseconds kInterval{100};

    // Without a console line nothing is shown.
    TProgressLine(IConsoleLine* line, TClock clock);

    void Show(const std::string& text);
    // Clears the line, so that what is printed next starts on an empty one.
    void Finish();

private:
    IConsoleLine* FLine;
    TClock FClock;
    std::string FShown;
    std::string FShape;
    std::size_t FShownWidth = 0;
    std::chrono::milliseconds FLastWrite{};
};

// The capture's caption and bar as the progress line: a count such as
// "12345 keys...", or a caption with the bar's position, "Hashing: 12 of
// 40", or both while two workers report, "12345 keys...  Hashing: 12 of
// 40". Hiding the caption or the bar ends the step and clears the line.
// Messages and the window's other duties go to window.
class TConsoleCaptureDisplay : public ICaptureDisplay {
public:
    TConsoleCaptureDisplay(ICaptureDisplay& window, TProgressLine& line) : FWindow(window), FLine(line) {}

    void ShowCaption(bool visible) override;
    void SetCaption(const std::string& text) override;
    void ShowBar(bool visible) override;
    void SetBar(int minimum, int maximum, int step, int position) override;
    void RewindBar() override;
    void StepBar() override;
    void ShowAnimation(bool visible) override { FWindow.ShowAnimation(visible); }
    void RunAnimation(bool running) override { FWindow.RunAnimation(running); }
    void ShowBusyCursor(bool busy) override { FWindow.ShowBusyCursor(busy); }
    void ProcessMessages() override { FWindow.ProcessMessages(); }
    void BringToFront() override { FWindow.BringToFront(); }

private:
    void Update();

    ICaptureDisplay& FWindow;
    TProgressLine& FLine;
    bool FCaptionVisible = false;
    std::string FCaption;
    bool FBarVisible = false;
    // The caption of the bar's step: the one set after the bar was shown.
    // Another worker's caption may stand beside it while the bar runs.
    std::string FBarCaption;
    bool FBarCaptionNext = false;
    int FMinimum = 0;
    int FMaximum = 0;
    int FStep = 1;
    int FPosition = 0;
};

// A console whose lines start where no progress is shown.
class TProgressConsole : public IConsole {
public:
    TProgressConsole(IConsole& console, TProgressLine& line) : FConsole(console), FLine(line) {}
    void Print(const std::string& text) override;
    void PrintError(const std::string& text) override;

private:
    IConsole& FConsole;
    TProgressLine& FLine;
};

} // namespace quill
