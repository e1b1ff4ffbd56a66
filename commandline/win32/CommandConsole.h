#pragma once

#include "commandline/Console.h"
#include "common/win32/UniqueHandle.h"

#include <windows.h>

#include <string>

namespace quill {

// The console of whoever started the program. A program of the window
// subsystem has standard handles only when they were handed down (a pipe, a
// file, or Wine's terminal); otherwise it attaches to the parent's console.
// A program of the console subsystem writes to its own console when it was
// given no handles. Without either, lines go nowhere.
class TWin32Console : public IConsole {
public:
    TWin32Console();
    void Print(const std::string& line) override;
    void PrintError(const std::string& line) override;
    // Where Enter is read from; null when there is no input.
    HANDLE Input() const noexcept { return FInput; }
    // Where Print writes; null when lines go nowhere.
    HANDLE Output() const noexcept { return FOutput; }

private:
    static void Write(HANDLE handle, const std::string& line);

    TUniqueFile FOwnedOutput;
    TUniqueFile FOwnedInput;
    HANDLE FOutput = nullptr;
    HANDLE FError = nullptr;
    HANDLE FInput = nullptr;
};

} // namespace quill
