#pragma once

#include "commandline/CommandLine.h"
#include "commandline/Console.h"
#include "common/CaptureNotes.h"
#include "recording/RecordingSession.h"
#include "recording/RunningProgram.h"
#include "report/ReportWriter.h"
#include "settings/Settings.h"

#include <functional>
#include <memory>
#include <ostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// What a recording from the command line needs of the platform besides the
// captures.
class ICommandHost {
public:
    virtual ~ICommandHost() = default;
    // Starts the program as Run Program does, with the arguments; null when
    // it cannot be started. What cannot be followed is noted in notes.
    virtual std::unique_ptr<IRunningProgram>
    StartProgram(const std::string& fileName, const std::vector<std::string>& arguments, TCaptureNotes& notes) = 0;
    // True when the program and every process it started have ended; false
    // when the timeout ran out first.
    virtual bool WaitForProgram(IRunningProgram& program, std::optional<int> timeoutSeconds) = 0;
    // Returns when Enter is pressed on the console or the timeout runs out.
    virtual void WaitForEnter(std::optional<int> timeoutSeconds) = 0;
    // Sets every record's Included flag from the stored filter switches and
    // the ignore lists.
    virtual void ApplyResultFilter(TSessionStore& store) = 0;
    // The bytes of a file. Raises std::runtime_error, with the reason, when
    // it is missing or cannot be read.
    virtual std::string ReadFile(const std::string& path) = 0;
    // Writes the whole file in place of any before it. Raises
    // std::runtime_error with the reason.
    virtual void WriteFile(const std::string& path, std::string_view bytes) = 0;
};

struct TCommandPlatform {
    ICommandHost& Host;
    IConsole& Console;
    // Its message boxes print to the console.
    TReportPlatform Report;
};

// Beside the undo script: its name without ".reg", then ".files.txt".
std::string CreatedFilesListPath(const std::string& undoFile);

// The options of the command line as settings of this run only: settings
// is expected to keep its writes to itself.
void ApplyRecordOptions(const TRecordOptions& options, TSettings& settings);

// One recording from the command line: the before-capture, the program (or
// the wait for Enter), the after-capture, the report, and a summary on the
// console. The same captures, filter and report as the window's, without a
// window and without opening the report.
class TCommandRecording {
public:
    // executableDirectory is the report folder when the settings name none.
    // settings keeps its writes to itself: the after side of a split
    // recording takes the roots, directories and digest of its before side.
    TCommandRecording(TRecordingSession& session, TSettings& settings, const TCommandPlatform& platform,
                      std::string executableDirectory);

    TRecordExit Run(const TRecordOptions& options);

private:
    TRecordExit SaveBefore(const std::string& file);
    bool LoadBefore(const std::string& file);
    bool RunProgram(const TRecordOptions& options);
    void WaitForEnter(const TRecordOptions& options);
    bool WriteOutputs(const TRecordOptions& options, std::vector<std::string>& written);
    // One more output; false, with the reason on the console, when it could
    // not be written.
    bool WriteFile(const std::string& what, const std::string& path, std::vector<std::string>& written,
                   const std::function<void(std::ostream&)>& write);
    void Say(const std::string& line);

    TRecordingSession& FSession;
    TSettings& FSettings;
    TCommandPlatform FPlatform;
    std::string FExecutableDirectory;
    TRecordingInfo FRecording;
    bool FQuiet = false;
};

} // namespace quill
