// Writes the report of a made-up session to QuillborneReport.html in the
// working directory. By default every recorded text is hostile or far from
// plain ASCII (markup that would run script, entities, CJK, emoji, zeros and
// line breaks, a path over 260 characters): the page the browser test loads.
// With the argument "plain" it is an ordinary installation, as the
// documentation shows it.

#include "common/tests/FixedOffsetTime.h"
#include "common/tests/MemoryRegistry.h"
#include "report/ReportWriter.h"
#include "report/tests/DiskReportFiles.h"
#include "report/tests/FixedReportLocale.h"
#include "report/tests/ReportTestSupport.h"

#include <cstdio>
#include <string>

namespace {

using namespace quill;

// 1 November 2003 12:32:50.
constexpr TDateTime kNoonish = 37926.52280092593;

const std::string kScript = "<script>document.title='pwned'</script>";
const std::string kImage = "\"><img src=x onerror=\"document.title='pwned'\">";
const std::string kCjk = "\xE4\xB8\xAD\xE6\x96\x87\xE5\x90\x8D"; // three CJK ideographs
const std::string kEmoji = "\xF0\x9F\x98\x80";

class TPrintedBoxes : public IMessageBoxes {
public:
    TMessageAnswer Show(TMessageKind, const std::string& text, TMessageButtons) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        return TMessageAnswer::Ok;
    }
};

std::unique_ptr<TValueRecord> Value(const std::string& name, TDataType type, std::string text, std::int32_t size) {
    auto value = std::make_unique<TValueRecord>();
    SetText(value->Name, name);
    value->DataType = type;
    value->DataSize = size;
    if (type == dtString) {
        value->Data = TextData(text);
    }
    return value;
}

std::unique_ptr<TProcessRecord> Process(std::uint32_t id, std::uint32_t threads) {
    auto process = std::make_unique<TProcessRecord>();
    process->ProcessID = id;
    process->ParentID = 4;
    process->Threads = threads;
    process->Priority = 8;
    return process;
}

std::unique_ptr<TFileScan> File(std::int64_t size) {
    auto file = std::make_unique<TFileScan>();
    file->Size = size;
    file->Date = kNoonish;
    file->Attributes = 0x20;
    return file;
}

void FillRegistry(TRootLists& root) {
    root.Compared = true;
    const std::string modified = "\\Software\\" + kScript + "\\";
    root.ModifiedKeysBefore.Add(modified, std::make_unique<TKeyRecord>());
    auto key = std::make_unique<TKeyRecord>();
    key->LastWrite = kNoonish;
    root.ModifiedKeysAfter.Add(modified, std::move(key));
    root.ModifiedValuesBefore.Add(modified, Value(kImage, dtString, "&amp;", 12));
    root.ModifiedValuesAfter.Add(modified, Value(kImage, dtString, std::string("zero\0line\nbreak", 15), 32));
    root.ValuesBefore.Add(modified, Value(kCjk, dtString, kEmoji + " " + kCjk, 12));

    std::string created = "\\Software\\Long";
    while (created.size() < 300) {
        created += "\\Nested level " + std::to_string(created.size());
    }
    created += "\\";
    auto createdKey = std::make_unique<TKeyRecord>();
    createdKey->LastWrite = 0;
    root.KeysAfter.Add(created, std::move(createdKey));
    root.ValuesAfter.Add(created, Value("", dtBinary, "", 16));
}

void FillFiles(TSessionStore& store) {
    store.FilesCompared = true;
    store.ModifiedFilesBefore.Add("C:\\Temp\\" + kImage + ".dll", File(10));
    store.ModifiedFilesAfter.Add("C:\\Temp\\" + kImage + ".dll", File(12));
    store.FilesBefore.Add("C:\\Temp\\&amp; 100%.txt", File(3));
    store.FilesAfter.Add("C:\\Temp\\" + kCjk + " " + kEmoji + " #1?.txt", File(5));
    store.FilesAfter.Add("C:\\Temp\\" + kScript + "\\", File(0));
    TFileWatchJournal& journal = *store.FileWatch();
    journal.AddFileWatchEvent(1, "C:\\Temp\\" + kImage + ".txt");
    journal.AddFileWatchEvent(3, "C:\\Temp\\" + kCjk + ".txt");
    AddShellEvent(store.ShellEvents, kNoonish, 0x1, 0x1, "C:\\Temp\\'>" + kScript, "C:\\Temp\\&amp;");
}

// A small program's installation, for the documentation.
void FillPlain(TSessionStore& store) {
    store.ProcessesBefore.Add("explorer.exe", Process(1200, 31));
    store.ProcessesAfter.Add("explorer.exe", Process(1200, 34));
    store.ProcessesBefore.Add("setup.exe", Process(3310, 4));
    store.ProcessesAfter.Add("inkwell.exe", Process(4022, 6));
    store.DiskFreeBefore[2] = 52613349376;
    store.DiskFreeAfter[2] = 52577230848;
    TRootLists& machine = store.Root(TRegRoot::LocalMachine);
    machine.Compared = true;
    const std::string uninstall = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Inkwell Editor\\";
    auto key = std::make_unique<TKeyRecord>();
    key->LastWrite = kNoonish;
    machine.KeysAfter.Add(uninstall, std::move(key));
    machine.ValuesAfter.Add(uninstall, Value("DisplayName", dtString, "Inkwell Editor 3.2", 34));
    machine.ValuesAfter.Add(uninstall,
                            Value("UninstallString", dtString, "C:\\Program Files\\Inkwell Editor\\uninstall.exe", 90));
    const std::string run = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\";
    machine.ModifiedKeysBefore.Add(run, std::make_unique<TKeyRecord>());
    auto runKey = std::make_unique<TKeyRecord>();
    runKey->LastWrite = kNoonish;
    machine.ModifiedKeysAfter.Add(run, std::move(runKey));
    machine.ModifiedValuesBefore.Add(run, Value("Updater", dtString, "C:\\Old\\updater.exe", 40));
    machine.ModifiedValuesAfter.Add(run,
                                    Value("Updater", dtString, "C:\\Program Files\\Inkwell Editor\\updater.exe", 88));
    store.Root(TRegRoot::CurrentUser).Compared = true;
    store.FilesCompared = true;
    store.FilesAfter.Add("C:\\Program Files\\Inkwell Editor\\", File(0));
    store.FilesAfter.Add("C:\\Program Files\\Inkwell Editor\\inkwell.exe", File(4812288));
    store.FilesAfter.Add("C:\\Program Files\\Inkwell Editor\\uninstall.exe", File(262144));
    store.ModifiedFilesBefore.Add("C:\\Windows\\win.ini", File(478));
    store.ModifiedFilesAfter.Add("C:\\Windows\\win.ini", File(512));
    AddShellEvent(store.ShellEvents, kNoonish, 0x8, 0x8, "C:\\Program Files\\Inkwell Editor", "");
    AddShellEvent(store.ShellEvents, kNoonish, 0x2, 0x2, "C:\\Program Files\\Inkwell Editor\\inkwell.exe", "");
}

void FillHostile(TSessionStore& store) {
    store.BeforeNotes.Add("Could not open", "\\Software\\" + kImage + "\\ (access denied)");
    store.ProcessesBefore.Add(kScript + ".exe", Process(100, 3));
    store.ProcessesAfter.Add(kScript + ".exe", Process(100, 5));
    store.ProcessesAfter.Add(kImage + ".exe", Process(200, 1));
    store.DiskFreeBefore[2] = 20971520;
    store.DiskFreeAfter[2] = 10485760;
    FillRegistry(store.Root(TRegRoot::LocalMachine));
    FillFiles(store);
}

} // namespace

int main(int argc, char** argv) {
    const bool plain = argc > 1 && std::string(argv[1]) == "plain";
    const TFixedOffsetTime clock(0, kNoonish);
    TMemoryRegistry registry;
    const TSettings settings(registry);
    TSessionStore store(clock);
    store.NewSession();
    if (plain) {
        FillPlain(store);
    } else {
        FillHostile(store);
    }

    TDiskReportFiles files;
    const TFixedReportLocale locale;
    TPrintedBoxes boxes;
    TReportWriter writer(store, settings, {files, locale, clock, boxes}, {}, {});
    std::string path = "QuillborneReport.html";
    const std::string program = plain ? "C:\\Downloads\\inkwell-setup.exe" : "C:\\Setup\\" + kScript + ".exe";
    TRecordingInfo recording{program, kNoonish - 0.01, kNoonish, plain, false};
    if (!writer.Write(path, recording, false)) {
        return 1;
    }
    std::printf("%s\n", path.c_str());
    return 0;
}
