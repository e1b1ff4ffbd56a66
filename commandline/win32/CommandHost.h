#pragma once

#include "commandline/CommandRecording.h"
#include "commandline/win32/CommandWindow.h"
#include "commandline/win32/ConsoleInterrupt.h"
#include "common/MessageBoxes.h"
#include "common/ProcessList.h"
#include "common/win32/UniqueHandle.h"
#include "filter/IgnoreListEditor.h"

#include <windows.h>

namespace quill {

// The platform's side of a recording from the command line: the launch, the
// waits (serving the hidden window's messages meanwhile), the filter.
class TWin32CommandHost : public ICommandHost {
public:
    TWin32CommandHost(TCommandWindow& window, IProcessSnapshot& processes, const TSettings& settings,
                      IMessageBoxes& boxes, IIgnoreFiles& ignoreFiles, HANDLE input,
                      const TConsoleInterrupt& interrupt);

    std::unique_ptr<IRunningProgram>
    StartProgram(const std::string& fileName, const std::vector<std::string>& arguments, TCaptureNotes& notes) override;
    TWaitEnd WaitForProgram(IRunningProgram& program, std::optional<int> timeoutSeconds) override;
    TWaitEnd WaitForEnter(std::optional<int> timeoutSeconds) override;
    bool InputEnded() override;
    bool Interrupted() override;
    void ApplyResultFilter(TSessionStore& store) override;
    std::string ReadFile(const std::string& path) override;
    void WriteFile(const std::string& path, std::string_view bytes) override;
    void MakeFolders(const std::string& folder) override;
    TPackageEnvironment PackageEnvironment() override;

private:
    TCommandWindow& FWindow;
    IProcessSnapshot& FProcesses;
    const TSettings& FSettings;
    IMessageBoxes& FBoxes;
    IIgnoreFiles& FIgnoreFiles;
    HANDLE FInput;
    const TConsoleInterrupt& FInterrupt;
};

} // namespace quill
