#pragma once

#include "commandline/CommandLine.h"
#include "commandline/Console.h"
#include "common/CaptureNotes.h"
#include "recording/RecordingSession.h"
#include "recording/RunningProgram.h"
#include "report/InstallerSource.h"
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

// What ended a wait for the program or for Enter.
enum class TWaitEnd {
    Done, // the program and every process it started ended, or Enter was pressed
    TimeRanOut,
    InputEnded,  // the standard input ended without a line, and no timeout was given
    Interrupted, // Ctrl+C
};

// What a recording from the command line needs of the platform besides the
// captures.
class ICommandHost {
public:
    virtual ~ICommandHost() = default;
    // Starts the program as Run Program does, with the arguments; a name
    // without a folder is looked for as the shell does. Raises
    // std::runtime_error, with the reason, when it cannot be started. What
    // cannot be followed is noted in notes.
    virtual std::unique_ptr<IRunningProgram>
    StartProgram(const std::string& fileName, const std::vector<std::string>& arguments, TCaptureNotes& notes) = 0;
    // Until the program and every process it started have ended, the
    // timeout runs out or Ctrl+C is pressed.
    virtual TWaitEnd WaitForProgram(IRunningProgram& program, std::optional<int> timeoutSeconds) = 0;
    // Until Enter is pressed on the console, the timeout runs out or Ctrl+C
    // is pressed; without a timeout, also until the input ends.
    virtual TWaitEnd WaitForEnter(std::optional<int> timeoutSeconds) = 0;
    // True when the standard input is known to be at its end already (none,
    // a closed pipe, the null device), so that no Enter can come.
    virtual bool InputEnded() = 0;
    // True once Ctrl+C has been pressed.
    virtual bool Interrupted() = 0;
    // Sets every record's Included flag from the stored filter switches and
    // the ignore lists.
    virtual void ApplyResultFilter(TSessionStore& store) = 0;
    // The bytes of a file. Raises std::runtime_error, with the reason, when
    // it is missing or cannot be read.
    virtual std::string ReadFile(const std::string& path) = 0;
    // Writes the whole file in place of any before it. Raises
    // std::runtime_error with the reason.
    virtual void WriteFile(const std::string& path, std::string_view bytes) = 0;
    // Creates the folder and those above it that are missing. Raises
    // std::runtime_error with the reason.
    virtual void MakeFolders(const std::string& folder) = 0;
    // This machine's standard folders and the user's SID.
    virtual TPackageEnvironment PackageEnvironment() = 0;
};

struct TCommandPlatform {
    ICommandHost& Host;
    IConsole& Console;
    // Its message boxes print to the console.
    TReportPlatform Report;
};

// Beside the undo script: its name without ".reg", then ".files.txt".
std::string CreatedFilesListPath(const std::string& undoFile);

// False, with a message naming both options, when two of the files the
// options name (full paths) are the same file.
bool CheckDistinctFiles(const TRecordOptions& options, std::string& error);

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
    // What the loaded or compared captures recorded, as this run's settings,
    // for the report.
    void TakeCaptureSettings(const TCaptureFacts& facts);
    TRecordExit Compare(const std::string& before, const std::string& after, const TRecordOptions& options);
    // The outputs and the summary once the after side is in.
    TRecordExit Report(const TRecordOptions& options, bool timedOut);
    // The before-capture and the wait; an exit code when the recording ends
    // there, with the monitors stopped and nothing written.
    std::optional<TRecordExit> RecordBefore(const TRecordOptions& options, TWaitEnd& waited);
    std::optional<TRecordExit> RunProgram(const TRecordOptions& options, TWaitEnd& waited);
    TWaitEnd WaitForEnter(const TRecordOptions& options);
    TRecordExit NoInput();
    TRecordExit Interrupted();
    bool WriteOutputs(const TRecordOptions& options, std::vector<std::string>& written);
    // The installer source; false, with the reason on the console, when its
    // Package.wxs could not be written. What could not go into it is listed.
    bool WritePackage(const TRecordOptions& options, const std::string& reportFile,
                      std::optional<TInstallerSource>& package, std::vector<std::string>& written);
    // One more output; false, with the reason on the console, when it could
    // not be written.
    bool WriteFile(const std::string& what, const std::string& path, std::vector<std::string>& written,
                   const std::function<void(std::ostream&)>& write);
    void Say(const std::string& line);
    // What will be recorded; the digest of a loaded before side is its own.
    void SayPlan(bool liveMonitors, std::optional<THashKind> loadedDigest = {});

    TRecordingSession& FSession;
    TSettings& FSettings;
    TCommandPlatform FPlatform;
    std::string FExecutableDirectory;
    TRecordingInfo FRecording;
    bool FQuiet = false;
};

} // namespace quill
