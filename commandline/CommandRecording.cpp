#include "commandline/CommandRecording.h"

#include "commandline/RecordingPlan.h"
#include "common/TextCompare.h"
#include "report/JsonResult.h"
#include "report/ReportName.h"
#include "report/TemporaryReport.h"
#include "report/UndoScript.h"
#include "store/RecordingSummary.h"

#include <cstdint>
#include <cstdio>
#include <optional>
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

namespace {

// Large codes are mostly the system's status codes, which read better in hex.
std::string ExitCodeText(std::uint32_t code) {
    if (code <= 0xFFFF) {
        return std::to_string(code);
    }
    char hex[16];
    std::snprintf(hex, sizeof(hex), "0x%08X", static_cast<unsigned>(code));
    return std::to_string(code) + " (" + hex + ")";
}

// Once the outputs are written: whether they all were, then how the program
// ended, then what the captures found.
TRecordExit RecordingExit(bool complete, bool timedOut, std::optional<std::uint32_t> programExit,
                          const TRecordingSummary& summary) {
    if (!complete) {
        return TRecordExit::NotWritten;
    }
    if (timedOut) {
        return TRecordExit::TimedOut;
    }
    if (programExit.value_or(0) != 0) {
        return TRecordExit::ProgramFailed;
    }
    if (summary.Notes != 0) {
        return TRecordExit::Incomplete;
    }
    return summary.HasChanges() ? TRecordExit::Changes : TRecordExit::NoChanges;
}

} // namespace

bool CheckDistinctFiles(const TRecordOptions& options, std::string& error) {
    std::vector<std::pair<std::string, std::string>> files{{"-report", options.ReportFile},
                                                           {"-json", options.JsonFile},
                                                           {"-undo", options.UndoFile},
                                                           {"-save-before", options.SaveBeforeFile},
                                                           {"-after", options.AfterFile}};
    // Two captures may well be compared with each other; nothing may be
    // written over one.
    for (const std::string& capture : options.CompareFiles) {
        files.emplace_back("-compare", capture);
    }
    if (!options.UndoFile.empty()) {
        files.emplace_back("-undo (its list of created files)", CreatedFilesListPath(options.UndoFile));
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        for (std::size_t j = i + 1; j < files.size(); ++j) {
            const bool bothRead = files[i].first == "-compare" && files[j].first == "-compare";
            if (!bothRead && !files[i].second.empty() && SameText(files[i].second, files[j].second)) {
                error = files[i].first + " and " + files[j].first + ": name the same file (" + files[i].second + ")";
                return false;
            }
        }
    }
    return true;
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

void TCommandRecording::SayPlan(bool liveMonitors, std::optional<THashKind> loadedDigest) {
    TRecordingPlan plan = PlanRecording(FSettings, liveMonitors);
    if (loadedDigest) {
        plan.HashKind = *loadedDigest;
    }
    Say(RecordingPlanText(plan));
}

TRecordExit TCommandRecording::Run(const TRecordOptions& options) {
    FQuiet = options.Quiet;
    FRecording = {};
    if (!options.SaveBeforeFile.empty()) {
        return SaveBefore(options.SaveBeforeFile);
    }
    if (!options.CompareFiles.empty()) {
        return Compare(options.CompareFiles[0], options.CompareFiles[1], options);
    }
    TWaitEnd waited = TWaitEnd::Done;
    if (!options.AfterFile.empty()) {
        if (!LoadBefore(options.AfterFile)) {
            return TRecordExit::NotLoaded;
        }
        SayPlan(false, FRecording.HashKind);
    } else if (const std::optional<TRecordExit> ended = RecordBefore(options, waited)) {
        return *ended;
    }
    Say("Recording the registry and the files after the installation...");
    FSession.CaptureAfter(FRecording, false);
    if (FPlatform.Host.Interrupted()) {
        return Interrupted();
    }
    return Report(options, !options.Program.empty() && waited == TWaitEnd::TimeRanOut);
}

TRecordExit TCommandRecording::Report(const TRecordOptions& options, bool timedOut) {
    Say("Writing the report...");
    std::vector<std::string> written;
    const bool complete = WriteOutputs(options, written);
    const TRecordingSummary summary = SummarizeRecording(FSession.Store());
    for (const std::string& line : SummaryLines(summary)) {
        Say(line);
    }
    if (FRecording.ProgramExitCode) {
        Say("Program exit code: " + ExitCodeText(*FRecording.ProgramExitCode));
    }
    for (const std::string& line : written) {
        Say(line);
    }
    return RecordingExit(complete, timedOut, FRecording.ProgramExitCode, summary);
}

TRecordExit TCommandRecording::SaveBefore(const std::string& file) {
    SayPlan(false);
    Say("Recording the registry and the files before the installation...");
    FSession.CaptureBefore(FRecording, TLiveMonitors::None);
    if (FPlatform.Host.Interrupted()) {
        return Interrupted();
    }
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
        TakeCaptureSettings(FSession.LoadBefore(FRecording, FPlatform.Host.ReadFile(file), file));
        return true;
    } catch (const std::exception& error) {
        FPlatform.Console.PrintError(std::string("The before side could not be loaded: ") + error.what());
        return false;
    }
}

void TCommandRecording::TakeCaptureSettings(const TCaptureFacts& facts) {
    const TSessionStore& store = FSession.Store();
    for (const TRegRoot root : kAllRoots) {
        FSettings.WriteBool(RootName(root), store.Root(root).Recorded);
    }
    FSettings.WriteBool("FSScan", store.FilesRecorded);
    FSettings.WriteList("Paths", facts.Paths);
}

// Nothing is recorded: the first capture is the before side, the second the
// after side, each as it was saved.
TRecordExit TCommandRecording::Compare(const std::string& before, const std::string& after,
                                       const TRecordOptions& options) {
    Say("Comparing " + before + " with " + after + "...");
    try {
        const std::string beforeBytes = FPlatform.Host.ReadFile(before);
        const std::string afterBytes = FPlatform.Host.ReadFile(after);
        TakeCaptureSettings(FSession.CompareSaved(FRecording, {beforeBytes, before}, {afterBytes, after}));
    } catch (const std::exception& error) {
        FPlatform.Console.PrintError(std::string("The saved captures could not be compared: ") + error.what());
        return TRecordExit::NotLoaded;
    }
    if (FPlatform.Host.Interrupted()) {
        return Interrupted();
    }
    return Report(options, false);
}

std::optional<TRecordExit> TCommandRecording::RecordBefore(const TRecordOptions& options, TWaitEnd& waited) {
    // Found before the capture, which can take minutes; an input that ends
    // only later is found by the wait.
    if (options.Program.empty() && !options.TimeoutSeconds && FPlatform.Host.InputEnded()) {
        return NoInput();
    }
    SayPlan(FSession.CanWatchDirectories());
    Say("Recording the registry and the files before the installation...");
    FSession.CaptureBefore(FRecording);
    std::optional<TRecordExit> ended;
    if (FPlatform.Host.Interrupted()) {
        waited = TWaitEnd::Interrupted;
    } else if (!options.Program.empty()) {
        ended = RunProgram(options, waited);
    } else {
        waited = WaitForEnter(options);
    }
    if (waited == TWaitEnd::InputEnded) {
        ended = NoInput();
    } else if (waited == TWaitEnd::Interrupted) {
        ended = Interrupted();
    }
    if (ended) {
        FSession.CaptureAfter(FRecording, true);
    }
    return ended;
}

std::optional<TRecordExit> TCommandRecording::RunProgram(const TRecordOptions& options, TWaitEnd& waited) {
    Say("Starting " + options.Program);
    std::unique_ptr<IRunningProgram> program;
    try {
        program = FPlatform.Host.StartProgram(options.Program, options.Arguments, FSession.Store().BeforeNotes);
    } catch (const std::exception& error) {
        FPlatform.Console.PrintError("The program (" + options.Program + ") could not be started. " + error.what());
        return TRecordExit::NotStarted;
    }
    FRecording.ProgramName = options.Program;
    Say("Waiting until the program and every process it started have ended...");
    waited = FPlatform.Host.WaitForProgram(*program, options.TimeoutSeconds);
    if (waited == TWaitEnd::Done) {
        FRecording.StoppedManually = false;
    } else if (waited == TWaitEnd::TimeRanOut) {
        Say("The time ran out before the program ended.");
    }
    FRecording.ProgramExitCode = program->ExitCode();
    return std::nullopt;
}

TWaitEnd TCommandRecording::WaitForEnter(const TRecordOptions& options) {
    if (options.TimeoutSeconds) {
        Say("Recording for " + std::to_string(*options.TimeoutSeconds) + " seconds; press Enter to stop sooner.");
    } else {
        Say("Recording; press Enter to stop.");
    }
    return FPlatform.Host.WaitForEnter(options.TimeoutSeconds);
}

TRecordExit TCommandRecording::NoInput() {
    FPlatform.Console.PrintError("The standard input is closed, so Enter cannot stop the recording: give a program "
                                 "after --, or -timeout SECONDS.");
    return TRecordExit::Usage;
}

TRecordExit TCommandRecording::Interrupted() {
    FPlatform.Console.PrintError("Stopped by Ctrl+C; nothing was written.");
    return TRecordExit::Interrupted;
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
    std::optional<TInstallerSource> package;
    if (!options.PackageFolder.empty()) {
        complete &= WritePackage(options, reportFile, package, written);
    }
    if (!options.JsonFile.empty()) {
        complete &= WriteFile("JSON result", options.JsonFile, written, [&](std::ostream& out) {
            WriteJsonResult(out, store, FRecording, package ? &*package : nullptr);
        });
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

namespace {

// The package's files through the host.
class THostPackageFiles : public IPackageFiles {
public:
    explicit THostPackageFiles(ICommandHost& host) : FHost(host) {}
    std::string Read(const std::string& path) override { return FHost.ReadFile(path); }
    void Write(const std::string& path, std::string_view bytes) override { FHost.WriteFile(path, bytes); }
    void MakeFolders(const std::string& folder) override { FHost.MakeFolders(folder); }

private:
    ICommandHost& FHost;
};

} // namespace

bool TCommandRecording::WritePackage(const TRecordOptions& options, const std::string& reportFile,
                                     std::optional<TInstallerSource>& package, std::vector<std::string>& written) {
    const std::string& folder = options.PackageFolder;
    TPackageEnvironment environment = FPlatform.Host.PackageEnvironment();
    environment.OwnFiles = {reportFile, options.JsonFile, options.UndoFile};
    if (!options.UndoFile.empty()) {
        environment.OwnFiles.push_back(CreatedFilesListPath(options.UndoFile));
    }
    const std::string wxs = folder + (folder.ends_with('\\') ? "" : "\\") + "Package.wxs";
    try {
        THostPackageFiles files(FPlatform.Host);
        package = WriteInstallerSource(FSession.Store(), FRecording, environment, folder, files);
    } catch (const std::exception& error) {
        FPlatform.Console.PrintError("Installer source: unable to write " + wxs + " (" + error.what() + ")");
        return false;
    }
    written.push_back("Installer source: " + wxs + " (" + PackagedCounts(*package) + "; " + package->ProductName + " " +
                      package->Version + ", " + (package->PerUser ? "per user" : "per machine") + ")");
    for (const std::string& line : package->NotPackaged) {
        written.push_back("Not packaged: " + line);
    }
    for (const std::string& line : package->NotExpressed) {
        written.push_back("Not in the package: " + line);
    }
    written.push_back("Build it in " + folder + " with " + InstallerBuildCommand(*package));
    return true;
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
