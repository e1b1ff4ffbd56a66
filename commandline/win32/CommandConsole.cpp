#include "commandline/win32/CommandConsole.h"

#include "common/win32/WinText.h"

namespace quill {
namespace {

bool Usable(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

HANDLE OpenConsole(const wchar_t* name) {
    return ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         0, nullptr);
}

// A program of the console subsystem has a console of its own, perhaps
// without standard handles to it; a program of the window subsystem borrows
// its parent's. Attaching fails with ERROR_ACCESS_DENIED when a console is
// there already.
bool HasConsole() {
    return ::AttachConsole(ATTACH_PARENT_PROCESS) || ::GetLastError() == ERROR_ACCESS_DENIED;
}

} // namespace

TWin32Console::TWin32Console() {
    FOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    FError = ::GetStdHandle(STD_ERROR_HANDLE);
    FInput = ::GetStdHandle(STD_INPUT_HANDLE);
    if (!Usable(FOutput) && HasConsole()) {
        FOwnedOutput.Reset(OpenConsole(L"CONOUT$"));
        FOwnedInput.Reset(OpenConsole(L"CONIN$"));
        FOutput = FOwnedOutput.Get();
        FError = FOwnedOutput.Get();
        FInput = FOwnedInput.Get();
    }
    if (!Usable(FError)) {
        FError = FOutput;
    }
    if (!Usable(FInput)) {
        FInput = nullptr;
    }
}

void TWin32Console::Write(HANDLE handle, const std::string& line) {
    if (!Usable(handle)) {
        return;
    }
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) {
        const std::wstring text = Wide(line + "\r\n");
        DWORD written = 0;
        ::WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = line + "\r\n";
    DWORD written = 0;
    ::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void TWin32Console::Print(const std::string& line) {
    Write(FOutput, line);
}

void TWin32Console::PrintError(const std::string& line) {
    Write(FError, line);
}

} // namespace quill
