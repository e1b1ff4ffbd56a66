// Writes the report of a session of 10,000, 50,000 and 100,000 changes
// (registry values with their data, files, live events and shell events) to a
// real file, the filter step left out, and prints the time of each: the
// writer must stay linear and under a second for 100,000. The JSON result and
// the undo script of the same session are timed beside it.

#include "common/tests/FixedOffsetTime.h"
#include "common/tests/MemoryRegistry.h"
#include "report/JsonResult.h"
#include "report/ReportWriter.h"
#include "report/UndoScript.h"
#include "report/tests/DiskReportFiles.h"
#include "report/tests/FixedReportLocale.h"
#include "report/tests/ReportTestSupport.h"

#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>

namespace {

using namespace quill;

class TNoBoxes : public IMessageBoxes {
public:
    TMessageAnswer Show(TMessageKind, const std::string& text, TMessageButtons) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        return TMessageAnswer::Ok;
    }
};

std::string KeyPath(int i) {
    return "\\Software\\Vendor" + std::to_string(i % 500) + "\\Product" + std::to_string(i % 37) + "\\Key" +
           std::to_string(i) + "\\";
}

std::string FilePath(int i) {
    return "C:\\Program Files\\Vendor" + std::to_string(i % 500) + "\\bin\\file" + std::to_string(i) + ".dll";
}

std::unique_ptr<TValueRecord> StringValue(int i) {
    auto value = std::make_unique<TValueRecord>();
    SetText(value->Name, "Value" + std::to_string(i % 7));
    value->DataType = dtString;
    value->Data = TextData("C:\\Program Files\\Vendor\\" + std::to_string(i) + "\\setting & <data>");
    value->DataSize = 80;
    return value;
}

// Changes in the proportions of a real installation: 40% registry values
// under 10% keys, 30% files, 10% live and 10% shell events.
void Fill(TSessionStore& store, int changes) {
    TRootLists& root = store.Root(TRegRoot::LocalMachine);
    root.Compared = true;
    const int keys = changes / 10;
    for (int k = 0; k < keys; ++k) {
        auto key = std::make_unique<TKeyRecord>();
        key->LastWrite = 45000.5;
        const std::string path = KeyPath(k);
        if (k % 2 == 0) {
            root.ModifiedKeysBefore.Append(path, std::make_unique<TKeyRecord>());
            root.ModifiedKeysAfter.Append(path, std::move(key));
            for (int v = 0; v < 4; ++v) {
                root.ModifiedValuesBefore.Append(path, StringValue(k * 4 + v));
                root.ModifiedValuesAfter.Append(path, StringValue(k * 4 + v + 1));
            }
        } else {
            root.KeysAfter.Append(path, std::move(key));
            for (int v = 0; v < 4; ++v) {
                root.ValuesAfter.Append(path, StringValue(k * 4 + v));
            }
        }
    }
    root.KeysAfter.SortAppended();
    root.ValuesAfter.SortAppended();
    store.FilesCompared = true;
    for (int f = 0; f < changes * 3 / 10; ++f) {
        auto file = std::make_unique<TFileScan>();
        file->Size = f;
        file->Date = 45000.5;
        file->Attributes = 0x20;
        store.FilesAfter.Append(FilePath(f), std::move(file));
    }
    store.FilesAfter.SortAppended();
    for (int e = 0; e < changes / 10; ++e) {
        store.FileWatch()->AddFileWatchEvent(1 + static_cast<std::uint32_t>(e % 5), FilePath(e));
        AddShellEvent(store.ShellEvents, 45000.5, 0x2, 0x2, FilePath(e), "");
    }
}

template <class TWork> double Timed(TWork work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main() {
    const TFixedOffsetTime clock(0, 45000.5);
    const TFixedReportLocale locale;
    TMemoryRegistry registry;
    const TSettings settings(registry);
    TDiskReportFiles files;
    TNoBoxes boxes;
    for (const int changes : {10000, 50000, 100000}) {
        TSessionStore store(clock);
        store.NewSession();
        Fill(store, changes);
        TReportWriter writer(store, settings, {files, locale, clock, boxes}, {}, {});
        std::string path = "./QuillborneReport.html";
        const auto start = std::chrono::steady_clock::now();
        const bool written = writer.Write(path, {}, false);
        const auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::FILE* report = std::fopen(path.c_str(), "rb");
        long size = 0;
        if (report != nullptr) {
            std::fseek(report, 0, SEEK_END);
            size = std::ftell(report);
            std::fclose(report);
        }
        std::printf("%7d changes: %s in %.3f s, %.1f MB\n", changes, written ? "written" : "FAILED", elapsed,
                    static_cast<double>(size) / 1048576.0);
        std::remove(path.c_str());

        std::ostringstream json;
        const double jsonTime = Timed([&] { WriteJsonResult(json, store, {}); });
        std::ostringstream undo;
        const double undoTime = Timed([&] { WriteUndoScript(undo, store, {}); });
        std::printf("%7s JSON result in %.3f s, %.1f MB; undo script in %.3f s, %.1f MB\n", "", jsonTime,
                    static_cast<double>(json.str().size()) / 1048576.0, undoTime,
                    static_cast<double>(undo.str().size()) / 1048576.0);
    }
    return 0;
}
