// The result filter over a session of 100,000 result records with 1,000
// entries in each ignore list, the matcher built afresh as every report
// builds it. Keys and paths are spread over a realistic depth, and a part of
// every kind matches an entry.

#include "filter/ResultFilter.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

using namespace quill;

constexpr int kEntries = 1000;

std::string KeyPath(int i) {
    return "\\Software\\Vendor" + std::to_string(i % 500) + "\\Product" + std::to_string(i % 37) + "\\Settings\\Key" +
           std::to_string(i) + "\\";
}

std::string FilePath(int i) {
    return "C:\\Program Files\\Vendor" + std::to_string(i % 500) + "\\Product" + std::to_string(i % 37) +
           "\\bin\\file" + std::to_string(i) + ".dll";
}

template <class TList, class TRecord> void Fill(TList& list, int from, int count, std::string (*text)(int)) {
    for (int i = from; i < from + count; ++i) {
        list.Append(text(i), std::make_unique<TRecord>());
    }
    list.SortAppended();
}

void FillValues(TValueList& list, int from, int count) {
    for (int i = from; i < from + count; ++i) {
        auto value = std::make_unique<TValueRecord>();
        value->Name = "Value" + std::to_string(i % 7);
        list.Append(KeyPath(i / 3), std::move(value));
    }
    list.SortAppended();
}

} // namespace

int main() {
    TKeyList keysBefore = NewKeyList(), keysAfter = NewKeyList();
    TKeyList modifiedKeysBefore = NewKeyList(), modifiedKeysAfter = NewKeyList();
    TValueList valuesBefore = NewValueList(), valuesAfter = NewValueList();
    TValueList modifiedValuesBefore = NewValueList(), modifiedValuesAfter = NewValueList();
    TFileList filesBefore(TListOrder::Sorted, TDuplicates::Refuse), filesAfter(TListOrder::Sorted, TDuplicates::Refuse);
    TFileList modifiedFilesBefore(TListOrder::Sorted, TDuplicates::Refuse),
        modifiedFilesAfter(TListOrder::Sorted, TDuplicates::Refuse);
    TFileWatchEvents watchEvents;
    TShellEvents shellEvents;

    // 100,000 records: 30,000 keys, 30,000 values, 30,000 files, 10,000 events.
    Fill<TKeyList, TKeyRecord>(keysBefore, 0, 10000, KeyPath);
    Fill<TKeyList, TKeyRecord>(keysAfter, 10000, 10000, KeyPath);
    Fill<TKeyList, TKeyRecord>(modifiedKeysBefore, 20000, 5000, KeyPath);
    Fill<TKeyList, TKeyRecord>(modifiedKeysAfter, 20000, 5000, KeyPath);
    FillValues(valuesBefore, 0, 10000);
    FillValues(valuesAfter, 30000, 10000);
    FillValues(modifiedValuesBefore, 60000, 5000);
    FillValues(modifiedValuesAfter, 60000, 5000);
    Fill<TFileList, TFileScan>(filesBefore, 0, 10000, FilePath);
    Fill<TFileList, TFileScan>(filesAfter, 10000, 10000, FilePath);
    Fill<TFileList, TFileScan>(modifiedFilesBefore, 20000, 5000, FilePath);
    Fill<TFileList, TFileScan>(modifiedFilesAfter, 20000, 5000, FilePath);
    for (int i = 0; i < 5000; ++i) {
        auto event = std::make_unique<TFileWatchEvent>();
        event->Action = 1 + static_cast<std::uint32_t>(i % 5);
        watchEvents.Append(FilePath(i * 7), std::move(event));
        AddShellEvent(shellEvents, 0, 0x00000002, 0x00000002, FilePath(i * 11), "");
    }

    TIgnoreMatcher::TLists ignore;
    for (int i = 0; i < kEntries; ++i) {
        ignore.Keys.push_back(i % 2 == 0 ? KeyPath(i * 13) : "\\Software\\Other" + std::to_string(i) + "\\");
        ignore.Values.push_back(KeyPath(i * 3) + "Value" + std::to_string(i % 7));
        ignore.Files.push_back(FilePath(i * 17));
        ignore.Directories.push_back(i % 2 == 0 ? "C:\\Program Files\\Vendor" + std::to_string(i % 500) + "\\Product" +
                                                      std::to_string(i % 3)
                                                : "C:\\Other\\Folder" + std::to_string(i));
    }
    TFilterSwitches switches;
    TResultLists lists;
    lists.Roots[static_cast<std::size_t>(TRegRoot::LocalMachine)] = {
        &keysBefore,   &keysAfter,   &modifiedKeysBefore,   &modifiedKeysAfter,
        &valuesBefore, &valuesAfter, &modifiedValuesBefore, &modifiedValuesAfter};
    lists.FilesBefore = &filesBefore;
    lists.FilesAfter = &filesAfter;
    lists.ModifiedFilesBefore = &modifiedFilesBefore;
    lists.ModifiedFilesAfter = &modifiedFilesAfter;
    lists.FileWatchEvents = &watchEvents;
    lists.ShellEvents = &shellEvents;

    double best = 1e9;
    std::size_t hidden = 0;
    for (int run = 0; run < 20; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const TIgnoreMatcher matcher(ignore);
        for (std::size_t s = 0; s < TFilterSwitches::kCount; ++s) {
            switches.SetChecked(s, true);
        }
        ApplyToResults(switches, matcher, lists);
        best =
            std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    for (const TKeyList* keys : {&keysBefore, &keysAfter, &modifiedKeysAfter}) {
        for (const auto& item : *keys) {
            hidden += item.Record->Included == 0 ? 1 : 0;
        }
    }
    for (const TFileList* files : {&filesBefore, &filesAfter, &modifiedFilesAfter}) {
        for (const auto& item : *files) {
            hidden += item.Record->Included == 0 ? 1 : 0;
        }
    }
    std::printf("filter: 100000 records, %d entries of each kind: best of 20 %.1f ms (%zu keys and files hidden)\n",
                kEntries, best, hidden);
    return 0;
}
