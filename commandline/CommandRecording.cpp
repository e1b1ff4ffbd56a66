#include "commandline/CommandRecording.h"

#include "common/TextCompare.h"
#include "report/JsonResult.h"
#include "report/ReportName.h"
#include "report/TemporaryReport.h"
#include "report/UndoScript.h"
#include "store/RecordingSummary.h"

#include <sstream>
#include <utility>

namespace quill {

std::string CreatedFilesListPath(const std::string& undoFile) {
    const std::string_view extension = ".reg";
    std::string base = undoFile;
    if (base.size() > extension.size() &&
        SameText(std::string_view(base).substr(base.size() - extension.size()), extension)) {
        base.resize(base.size() - extension.size());
    }
    return base + ".files.txt";
}

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

TCommandRecording::TCommandRecording(TRecordingSession& session, TSettings& settings, const TCommandPlatform& platform,
                                     std::string executableDirectory)
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
    if (!options.SaveBeforeFile.empty()) {
        return SaveBefore(options.SaveBeforeFile);
    }
    if (!options.AfterFile.empty()) {
        if (!LoadBefore(options.AfterFile)) {
            return TRecordExit::NotLoaded;
        }
    } else {
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

TRecordExit TCommandRecording::SaveBefore(const std::string& file) {
    Say("Recording the registry and the files before the installation...");
    FSession.CaptureBefore(FRecording, TLiveMonitors::None);
    try {
        FPlatform.Host.WriteFile(file, FSession.SaveBefore(FRecording));
    } catch (const std::exception& error) {
        FPlatform.Console.PrintError(std::string("The before side could not be saved: ") + error.what());
        return TRecordExit::NotWritten;
    }
    Say("Before side: " + file);
    return FSession.Store().BeforeNotes.Empty() ? TRecordExit::NoChanges : TRecordExit::Incomplete;
}

// The after-capture compares what the before side recorded, as it recorded
// it, whatever the settings say now.
bool TCommandRecording::LoadBefore(const std::string& file) {
    Say("Loading the before side from " + file + "...");
    try {
        const TCaptureFacts facts = FSession.LoadBefore(FRecording, FPlatform.Host.ReadFile(file), file);
        const TSessionStore& store = FSession.Store();
        for (const TRegRoot root : kAllRoots) {
            FSettings.WriteBool(RootName(root), store.Root(root).Recorded);
        }
        FSettings.WriteBool("FSScan", store.FilesRecorded);
        FSettings.WriteList("Paths", facts.Paths);
        return true;
    } catch (const std::exception& error) {
        FPlatform.Console.PrintError(std::string("The before side could not be loaded: ") + error.what());
        return false;
    }
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
    bool complete = writer.Write(reportFile, FRecording, false);
    if (complete) {
        written.push_back("Report: " + reportFile);
    }
    if (!options.JsonFile.empty()) {
        complete &= WriteFile("JSON result", options.JsonFile, written,
                              [&](std::ostream& out) { WriteJsonResult(out, store, FRecording); });
    }
    if (!options.UndoFile.empty()) {
        std::vector<std::string> notUndone;
        if (WriteFile("Undo script", options.UndoFile, written,
                      [&](std::ostream& out) { notUndone = WriteUndoScript(out, store, FRecording); })) {
            for (const std::string& name : notUndone) {
                written.push_back("Cannot be undone with a registry script: " + name);
            }
        } else {
            complete = false;
        }
        complete &= WriteFile("Created files", CreatedFilesListPath(options.UndoFile), written,
                              [&](std::ostream& out) { WriteCreatedFilesList(out, store); });
    }
    return complete;
}

bool TCommandRecording::WriteFile(const std::string& what, const std::string& path, std::vector<std::string>& written,
                                  const std::function<void(std::ostream&)>& write) {
    try {
        std::ostringstream bytes;
        write(bytes);
        WriteWholeReportFile(FPlatform.Report.Files, path, bytes.str());
    } catch (const std::exception& error) {
        FPlatform.Console.PrintError(what + ": unable to write " + path + " (" + error.what() + ")");
        return false;
    }
    written.push_back(what + ": " + path);
    return true;
}

} // namespace quill
