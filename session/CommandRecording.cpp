#include "session/CommandRecording.h"

#include "session/RecordingSummary.h"
#include "session/SessionController.h"

#include <utility>

namespace quill {

void ApplyRecordOptions(const TRecordOptions& options, TSettings& settings) {
    if (options.Paths) {
        settings.WriteList("Paths", *options.Paths);
        settings.WriteBool("FSScan", true);
    }
    if (options.Roots) {
        for (const TRegRoot root : kAllRoots) {
            settings.WriteBool(RootName(root), (*options.Roots)[static_cast<std::size_t>(root)]);
        }
    }
    if (options.Hash) {
        settings.WriteInteger("Hashing", *options.Hash);
    }
    if (options.NoWatch) {
        settings.WriteBool("FSWatch", false);
    }
    // A report named on the command line is written under that name.
    if (!options.ReportFile.empty()) {
        settings.WriteBool("ReportDateTime", false);
    }
}

TCommandRecording::TCommandRecording(TRecordingSession& session, const TSettings& settings,
                                     const TCommandPlatform& platform, std::string executableDirectory)
    : FSession(session), FSettings(settings), FPlatform(platform),
      FExecutableDirectory(std::move(executableDirectory)) {}

void TCommandRecording::Say(const std::string& line) {
    if (!FQuiet) {
        FPlatform.Console.Print(line);
    }
}

TRecordExit TCommandRecording::Run(const TRecordOptions& options) {
    FQuiet = options.Quiet;
    FRecording = {};
    Say("Recording the registry and the files before the installation...");
    FSession.CaptureBefore(FRecording);
    if (!options.Program.empty()) {
        if (!RunProgram(options)) {
            FSession.CaptureAfter(FRecording, true);
            return TRecordExit::NotStarted;
        }
    } else {
        WaitForEnter(options);
    }
    Say("Recording the registry and the files after the installation...");
    FSession.CaptureAfter(FRecording, false);
    Say("Writing the report...");
    std::vector<std::string> written;
    const bool complete = WriteOutputs(options, written);
    const TRecordingSummary summary = SummarizeRecording(FSession.Store());
    for (const std::string& line : SummaryLines(summary)) {
        Say(line);
    }
    for (const std::string& line : written) {
        Say(line);
    }
    if (!complete) {
        return TRecordExit::NotWritten;
    }
    if (summary.Notes != 0) {
        return TRecordExit::Incomplete;
    }
    return summary.HasChanges() ? TRecordExit::Changes : TRecordExit::NoChanges;
}

bool TCommandRecording::RunProgram(const TRecordOptions& options) {
    Say("Starting " + options.Program);
    const std::unique_ptr<IRunningProgram> program =
        FPlatform.Host.StartProgram(options.Program, options.Arguments, FSession.Store().BeforeNotes);
    if (program == nullptr) {
        FPlatform.Console.PrintError("The program (" + options.Program + ") could not be started.");
        return false;
    }
    FRecording.ProgramName = options.Program;
    Say("Waiting until the program and every process it started have ended...");
    if (FPlatform.Host.WaitForProgram(*program, options.TimeoutSeconds)) {
        FRecording.StoppedManually = false;
    } else {
        Say("The time ran out before the program ended.");
    }
    return true;
}

void TCommandRecording::WaitForEnter(const TRecordOptions& options) {
    if (options.TimeoutSeconds) {
        Say("Recording for " + std::to_string(*options.TimeoutSeconds) + " seconds; press Enter to stop sooner.");
    } else {
        Say("Recording; press Enter to stop.");
    }
    FPlatform.Host.WaitForEnter(options.TimeoutSeconds);
}

// Every output is attempted, whatever became of the others.
bool TCommandRecording::WriteOutputs(const TRecordOptions& options, std::vector<std::string>& written) {
    TSessionStore& store = FSession.Store();
    try {
        FPlatform.Host.ApplyResultFilter(store);
    } catch (const std::exception& error) {
        FPlatform.Console.PrintError(std::string("The result filter could not be applied: ") + error.what());
        return false;
    }
    std::string reportFile =
        options.ReportFile.empty() ? ComposeReportPath(FSettings, FExecutableDirectory) : options.ReportFile;
    TReportWriter writer(store, FSettings, FPlatform.Report, BuiltFooterOptions(), nullptr);
    const bool reported = writer.Write(reportFile, FRecording, false);
    if (reported) {
        written.push_back("Report: " + reportFile);
    }
    return reported;
}

} // namespace quill
