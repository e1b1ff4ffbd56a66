#include "commandline/ConsoleProgress.h"

#include <algorithm>
#include <utility>

namespace quill {
namespace {

// The text with each run of digits as one '#'.
std::string Shape(std::string_view text) {
    std::string shape;
    for (const char c : text) {
        const bool digit = c >= '0' && c <= '9';
        if (!digit) {
            shape += c;
        } else if (shape.empty() || shape.back() != '#') {
            shape += '#';
        }
    }
    return shape;
}

} // namespace

TProgressLine::TProgressLine(IConsoleLine* line, TClock clock) : FLine(line), FClock(std::move(clock)) {}

void TProgressLine::Show(const std::string& text) {
    if (FLine == nullptr) {
        return;
    }
    const std::chrono::milliseconds now = FClock();
    std::string shape = Shape(text);
    if (FShownWidth != 0 && (text == FShown || (shape == FShape && now - FLastWrite < kInterval))) {
        return;
    }
    // The last column stays free: a line that fills it wraps, and the next
    // "\r" would return to the wrong line.
    const std::size_t width = FLine->Width() > 1 ? FLine->Width() - 1 : 0;
    const std::string shown = text.substr(0, width);
    std::string line = "\r" + shown;
    if (shown.size() < FShownWidth) {
        line.append(FShownWidth - shown.size(), ' ');
    }
    FLine->Write(line);
    FShown = text;
    FShape = std::move(shape);
    FShownWidth = std::max<std::size_t>(shown.size(), 1);
    FLastWrite = now;
}

void TProgressLine::Finish() {
    if (FLine == nullptr || FShownWidth == 0) {
        return;
    }
    FLine->Write("\r" + std::string(FShownWidth, ' ') + "\r");
    FShownWidth = 0;
    FShown.clear();
    FShape.clear();
}

void TConsoleCaptureDisplay::Update() {
    std::string caption = FCaptionVisible ? FCaption : std::string();
    if (FBarVisible) {
        std::string bar = FBarCaptionNext ? caption : FBarCaption;
        if (!bar.empty() && bar.back() == ':') {
            bar.pop_back();
        }
        bar += (bar.empty() ? "" : ": ") + std::to_string(FPosition - FMinimum) + " of " +
               std::to_string(FMaximum - FMinimum);
        caption = caption.empty() || FBarCaptionNext || caption == FBarCaption ? bar : caption + "  " + bar;
    }
    if (caption.empty()) {
        FLine.Finish();
    } else {
        FLine.Show(caption);
    }
}

// A hidden caption is forgotten: the next step sets its own before or after
// showing it.
void TConsoleCaptureDisplay::ShowCaption(bool visible) {
    FCaptionVisible = visible;
    if (visible) {
        Update();
    } else {
        FCaption.clear();
        FLine.Finish();
    }
}

void TConsoleCaptureDisplay::SetCaption(const std::string& text) {
    FCaption = text;
    if (FBarCaptionNext) {
        FBarCaption = text;
        FBarCaptionNext = false;
    }
    if (FCaptionVisible) {
        Update();
    }
}

// The bar is shown before its step sets the caption, which writes the line:
// the caption still set belongs to the step before.
void TConsoleCaptureDisplay::ShowBar(bool visible) {
    FBarVisible = visible;
    FBarCaptionNext = visible;
    if (!visible) {
        FLine.Finish();
    }
}

void TConsoleCaptureDisplay::SetBar(int minimum, int maximum, int step, int position) {
    FMinimum = minimum;
    FMaximum = std::max(minimum, maximum);
    FStep = step;
    FPosition = std::clamp(position, FMinimum, FMaximum);
}

void TConsoleCaptureDisplay::RewindBar() {
    FPosition = FMinimum;
}

void TConsoleCaptureDisplay::StepBar() {
    FPosition = std::clamp(FPosition + FStep, FMinimum, FMaximum);
    if (FBarVisible) {
        Update();
    }
}

void TProgressConsole::Print(const std::string& text) {
    FLine.Finish();
    FConsole.Print(text);
}

void TProgressConsole::PrintError(const std::string& text) {
    FLine.Finish();
    FConsole.PrintError(text);
}

} // namespace quill
