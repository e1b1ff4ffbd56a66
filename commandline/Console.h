#pragma once

#include "common/MessageBoxes.h"
#include "filter/RegWatch.h"

#include <string>

namespace quill {

// The console a recording from the command line writes to.
class IConsole {
public:
    virtual ~IConsole() = default;
    virtual void Print(const std::string& line) = 0;
    virtual void PrintError(const std::string& line) = 0;
};

// What the program would ask in a message box, printed instead: nobody is
// there to answer, so every question is declined.
class TConsoleMessageBoxes : public IMessageBoxes {
public:
    explicit TConsoleMessageBoxes(IConsole& console) : FConsole(console) {}
    TMessageAnswer Show(TMessageKind kind, const std::string& text, TMessageButtons buttons) override;

private:
    IConsole& FConsole;
};

// The registry warnings as console lines.
class TConsoleRegWarnings : public IRegWarningDisplay {
public:
    explicit TConsoleRegWarnings(IConsole& console) : FConsole(console) {}
    void ShowRegistryWarning(const std::string& name, const std::string& message) override;

private:
    IConsole& FConsole;
};

} // namespace quill
