// quillborne.com, the console program beside the window program: a console
// and a script wait for it and read its exit code, which they do not for a
// program of the window subsystem. The shell finds it before quillborne.exe
// when "quillborne" is typed without an extension.

#include "app/win32/ProgramArguments.h"
#include "commandline/CommandLine.h"
#include "commandline/win32/CommandConsole.h"
#include "commandline/win32/CommandEntry.h"
#include "common/TextCompare.h"
#include "common/win32/Files.h"
#include "common/win32/SystemMessage.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

constexpr wchar_t kWindowProgram[] = L"quillborne.exe";

// The ways a console user asks what a program takes.
bool AsksForHelp(const std::vector<std::string>& arguments) {
    return arguments.size() == 1 && (quill::SameText(arguments.front(), "-help") || arguments.front() == "/?");
}

// Everything but the recording belongs to the window: it gets the same
// arguments and is not waited for. It gets none of our standard handles (Wine
// hands them down even to a child that inherits nothing), so that whoever
// reads our output is not kept waiting until the window closes.
int StartWindowProgram(const std::vector<std::string>& arguments) {
    const std::wstring program = quill::ExecutableDirectory() + kWindowProgram;
    std::wstring line = L"\"" + program + L"\"";
    if (!arguments.empty()) {
        line += L" " + quill::Wide(quill::JoinCommandLine(arguments));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION created{};
    if (!::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &created)) {
        const DWORD error = ::GetLastError();
        quill::TWin32Console console;
        console.PrintError("The window program (" + quill::Narrow(program) +
                           ") could not be started: " + quill::SystemMessage(error));
        return static_cast<int>(quill::TRecordExit::NotStarted);
    }
    const quill::TUniqueHandleObject process(created.hProcess);
    const quill::TUniqueHandleObject thread(created.hThread);
    return 0;
}

} // namespace

int wmain(int, wchar_t*[]) {
    const std::vector<std::string> arguments = quill::ProgramArguments();
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (quill::FirstArgumentIs(arguments, quill::kRecordSwitch)) {
        return quill::RunRecordCommand(instance, {arguments.begin() + 1, arguments.end()});
    }
    if (quill::FirstArgumentIs(arguments, quill::kCompareSwitch)) {
        return quill::RunRecordCommand(instance, arguments);
    }
    if (AsksForHelp(arguments)) {
        return quill::RunRecordCommand(instance, {"-help"});
    }
    return StartWindowProgram(arguments);
}
