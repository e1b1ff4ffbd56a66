#include "commandline/Console.h"

namespace quill {
namespace {

// A message box's text with its line breaks (LF CR LF CR between
// sentences) as one line.
std::string OneLine(const std::string& text) {
    std::string line;
    for (const char c : text) {
        if (c == '\r') {
            continue;
        }
        if (c == '\n') {
            if (!line.empty() && line.back() != ' ') {
                line += ' ';
            }
            continue;
        }
        line += c;
    }
    return line;
}

} // namespace

TMessageAnswer TConsoleMessageBoxes::Show(TMessageKind kind, const std::string& text, TMessageButtons buttons) {
    if (kind == TMessageKind::Error || kind == TMessageKind::Warning) {
        FConsole.PrintError(OneLine(text));
    } else {
        FConsole.Print(OneLine(text));
    }
    switch (buttons) {
    case TMessageButtons::Ok:
        return TMessageAnswer::Ok;
    case TMessageButtons::OkCancel:
    case TMessageButtons::YesCancel:
        return TMessageAnswer::Cancel;
    case TMessageButtons::YesNo:
        return TMessageAnswer::No;
    }
    return TMessageAnswer::Cancel;
}

void TConsoleRegWarnings::ShowRegistryWarning(const std::string& name, const std::string& message) {
    FConsole.Print("Warning: " + name + ": " + OneLine(message));
}

} // namespace quill
