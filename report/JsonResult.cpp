#include "report/JsonResult.h"

#include "common/TextCompare.h"
#include "monitor/ShellEventKinds.h"
#include "report/FileSections.h"
#include "report/IsoTime.h"
#include "report/JsonStream.h"
#include "report/RegistrySection.h"
#include "report/ValueBytes.h"

#include <string_view>

namespace quill {

namespace {

constexpr int kFormat = 1;

TJson Time(TDateTime time) {
    std::string text = IsoLocalTime(time);
    return text.empty() ? TJson(nullptr) : TJson(std::move(text));
}

TJson UtcTime(std::uint64_t fileTime) {
    std::string text = IsoUtcTime(fileTime);
    return text.empty() ? TJson(nullptr) : TJson(std::move(text));
}

TJson Text(std::string_view text) {
    return text.empty() ? TJson(nullptr) : TJson(text);
}

std::string HexText(const std::vector<std::uint8_t>& bytes) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * bytes.size());
    for (const std::uint8_t byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 15];
    }
    return hex;
}

TJson ValueData(const TValueRecord& value) {
    TJson data;
    data["type"] = RegTypeName(value.RegType).empty() ? TJson(nullptr) : TJson(RegTypeName(value.RegType));
    data["typeNumber"] = value.RegType;
    data["size"] = value.DataSize;
    const std::vector<std::uint8_t> bytes = StoredBytes(value);
    if (value.DataType == dtString || value.DataType == dtExpandString) {
        data["text"] = ValueText(value);
        if (!IsPlainString(value)) {
            data["hex"] = HexText(bytes);
        }
        return data;
    }
    std::uint64_t number = 0;
    std::vector<std::string> strings;
    if (DecodeNumber(value.RegType, bytes, number)) {
        data["number"] = number;
    } else if (value.RegType == kRegMultiSz && DecodeMultiString(bytes, strings)) {
        data["strings"] = strings;
        // Empty strings at the end, or no closing empty string, are not
        // in the list.
        if (EncodeMultiString(strings) != bytes) {
            data["hex"] = HexText(bytes);
        }
    } else {
        data["hex"] = HexText(bytes);
    }
    return data;
}

TJson Change(std::string_view change, std::uint8_t included) {
    TJson record;
    record["change"] = change;
    record["included"] = included != 0;
    return record;
}

TJson KeyRecord(TRegRoot root, std::string_view path, std::string_view change, const TKeyRecord& key) {
    TJson record;
    record["root"] = RootName(root);
    record["path"] = path;
    record.update(Change(change, key.Included));
    return record;
}

TJson ValueRecord(TRegRoot root, std::string_view keyPath, std::string_view change, const TValueRecord& value) {
    TJson record;
    record["root"] = RootName(root);
    record["key"] = keyPath;
    record["name"] = value.Name.View();
    record.update(Change(change, value.Included));
    return record;
}

void WriteKeys(TJsonStream& json, TRegRoot root, const TRootLists& lists) {
    for (std::size_t i = 0; i < lists.ModifiedKeysAfter.Count(); ++i) {
        const TKeyRecord* after = lists.ModifiedKeysAfter.Record(i);
        const TKeyRecord* before = i < lists.ModifiedKeysBefore.Count() ? lists.ModifiedKeysBefore.Record(i) : nullptr;
        if (after == nullptr || before == nullptr) {
            continue;
        }
        TJson record = KeyRecord(root, lists.ModifiedKeysAfter.Text(i), "modified", *after);
        record["old"]["lastWrite"] = Time(before->LastWrite);
        record["new"]["lastWrite"] = Time(after->LastWrite);
        json.Item(record);
    }
    for (const auto& [path, key] : lists.KeysBefore) {
        if (key) {
            TJson record = KeyRecord(root, path, "deleted", *key);
            record["old"]["lastWrite"] = Time(key->LastWrite);
            json.Item(record);
        }
    }
    for (const auto& [path, key] : lists.KeysAfter) {
        if (key) {
            TJson record = KeyRecord(root, path, "created", *key);
            record["new"]["lastWrite"] = Time(key->LastWrite);
            json.Item(record);
        }
    }
}

void WriteValues(TJsonStream& json, TRegRoot root, const TRootLists& lists) {
    for (std::size_t i = 0; i < lists.ModifiedValuesBefore.Count(); ++i) {
        const TValueRecord* before = lists.ModifiedValuesBefore.Record(i);
        const TValueRecord* after =
            i < lists.ModifiedValuesAfter.Count() ? lists.ModifiedValuesAfter.Record(i) : nullptr;
        if (before == nullptr || after == nullptr) {
            continue;
        }
        TJson record = ValueRecord(root, lists.ModifiedValuesBefore.Text(i), "modified", *before);
        record["old"] = ValueData(*before);
        record["new"] = ValueData(*after);
        json.Item(record);
    }
    for (const auto& [path, value] : lists.ValuesBefore) {
        if (value) {
            TJson record = ValueRecord(root, path, "deleted", *value);
            record["old"] = ValueData(*value);
            json.Item(record);
        }
    }
    for (const auto& [path, value] : lists.ValuesAfter) {
        if (value) {
            TJson record = ValueRecord(root, path, "created", *value);
            record["new"] = ValueData(*value);
            json.Item(record);
        }
    }
}

void WriteRegistry(TJsonStream& json, const TSessionStore& store) {
    json.BeginObject("registry");
    json.BeginArray("roots");
    for (const TRegRoot root : kReportOrder) {
        const TRootLists& lists = store.Root(root);
        json.Item({{"root", RootName(root)}, {"recorded", lists.Recorded}, {"compared", lists.Compared}});
    }
    json.EndArray();
    json.BeginArray("keys");
    for (const TRegRoot root : kReportOrder) {
        if (store.Root(root).Compared) {
            WriteKeys(json, root, store.Root(root));
        }
    }
    json.EndArray();
    json.BeginArray("values");
    for (const TRegRoot root : kReportOrder) {
        if (store.Root(root).Compared) {
            WriteValues(json, root, store.Root(root));
        }
    }
    json.EndArray();
    json.EndObject();
}

TJson FileState(const TFileScan& file) {
    return {{"size", file.Size},
            {"date", Time(file.Date)},
            {"lastWriteUtc", UtcTime(file.LastWrite)},
            {"attributes", file.Attributes},
            {"attributeText", AttributeText(file.Attributes)},
            {"digest", Text(file.Hash.View())}};
}

TJson FileRecord(std::string_view path, std::string_view change, const TFileScan& file) {
    TJson record;
    record["path"] = path;
    record["directory"] = path.ends_with('\\');
    record.update(Change(change, file.Included));
    return record;
}

TJson WhatChanged(const TFileScan& before, const TFileScan& after) {
    TJson changed = TJson::array();
    if (before.Size != after.Size) {
        changed.push_back("size");
    }
    if (before.Hash.View() != after.Hash.View() && !before.Hash.View().empty() && !after.Hash.View().empty()) {
        changed.push_back("digest");
    }
    if (before.LastWrite != after.LastWrite) {
        changed.push_back("date");
    }
    if (before.Attributes != after.Attributes) {
        changed.push_back("attributes");
    }
    return changed;
}

std::string_view DigestName(THashKind kind) noexcept {
    switch (kind) {
    case kHashMD5:
        return "md5";
    case kHashSHA1:
        return "sha1";
    default:
        return "none";
    }
}

void WriteFileScan(TJsonStream& json, const TSessionStore& store, const TRecordingInfo& recording) {
    json.BeginObject("fileScan");
    json.Field("recorded", store.FilesRecorded);
    json.Field("compared", store.FilesCompared);
    json.Field("digest", DigestName(recording.HashKind));
    json.BeginArray("entries");
    if (store.FilesCompared) {
        for (std::size_t i = 0; i < store.ModifiedFilesBefore.Count(); ++i) {
            const TFileScan* before = store.ModifiedFilesBefore.Record(i);
            const TFileScan* after =
                i < store.ModifiedFilesAfter.Count() ? store.ModifiedFilesAfter.Record(i) : nullptr;
            if (before == nullptr || after == nullptr) {
                continue;
            }
            TJson record = FileRecord(store.ModifiedFilesBefore.Text(i), "modified", *before);
            record["changed"] = WhatChanged(*before, *after);
            record["old"] = FileState(*before);
            record["new"] = FileState(*after);
            json.Item(record);
        }
        for (const auto& [path, file] : store.FilesBefore) {
            if (file) {
                TJson record = FileRecord(path, "deleted", *file);
                record["old"] = FileState(*file);
                json.Item(record);
            }
        }
        for (const auto& [path, file] : store.FilesAfter) {
            if (file) {
                TJson record = FileRecord(path, "created", *file);
                record["new"] = FileState(*file);
                json.Item(record);
            }
        }
    }
    json.EndArray();
    json.EndObject();
}

std::string_view ActionName(std::uint32_t action) noexcept {
    constexpr std::string_view kNames[] = {"created", "deleted", "modified", "renamedFrom", "renamedTo"};
    return action >= 1 && action <= 5 ? kNames[action - 1] : "unknown";
}

// A watcher's record does not say whether it names a directory; a scan
// that saw one there does.
bool ScannedAsDirectory(const TSessionStore& store, std::string_view path) {
    if (path.ends_with('\\')) {
        return false;
    }
    std::string directory(path);
    directory += '\\';
    std::size_t index = 0;
    return store.FilesAfter.Find(directory, index) || store.FilesBefore.Find(directory, index);
}

void WriteFileEvents(TJsonStream& json, const TSessionStore& store) {
    json.BeginArray("fileEvents");
    if (const TFileWatchJournal* journal = store.FileWatch()) {
        for (const auto& [path, event] : journal->FileWatchEvents()) {
            if (event) {
                const bool directory = ScannedAsDirectory(store, path.View());
                json.Item({{"path", directory ? std::string(path.View()) + '\\' : std::string(path.View())},
                           {"action", event->Action},
                           {"change", ActionName(event->Action)},
                           {"time", Time(event->Time)},
                           {"included", event->Included != 0}});
            }
        }
    }
    json.EndArray();
}

void WriteShellEvents(TJsonStream& json, const TSessionStore& store) {
    json.BeginArray("shellEvents");
    for (const auto& [path, event] : store.ShellEvents) {
        if (event) {
            const TShellEventKind* kind = FindShellEventKind(event->Kind);
            json.Item({{"event", kind != nullptr ? TJson(kind->Name) : TJson(nullptr)},
                       {"kind", event->Kind},
                       {"path1", Text(event->Path1)},
                       {"path2", Text(event->Path2)},
                       {"time", Time(event->Time)},
                       {"included", event->Included != 0}});
        }
    }
    json.EndArray();
}

TJson ProcessState(const TProcessRecord& process) {
    return {{"processId", process.ProcessID},
            {"parentId", process.ParentID},
            {"threads", process.Threads},
            {"priority", process.Priority}};
}

// The process of the same name and id in the other list, found as the
// report pairs them: within the run of the name.
const TProcessRecord* Counterpart(const TProcessList& list, std::string_view name, std::uint32_t id) {
    std::size_t index = 0;
    if (!list.Find(name, index)) {
        return nullptr;
    }
    for (; index < list.Count() && SameText(list.Text(index), name); ++index) {
        const TProcessRecord* process = list.Record(index);
        if (process != nullptr && process->ProcessID == id) {
            return process;
        }
    }
    return nullptr;
}

void WriteProcesses(TJsonStream& json, const TSessionStore& store) {
    json.BeginArray("processes");
    for (const auto& [name, before] : store.ProcessesBefore) {
        if (!before) {
            continue;
        }
        const TProcessRecord* after = Counterpart(store.ProcessesAfter, name, before->ProcessID);
        std::string_view change = "ended";
        if (after != nullptr) {
            const bool changed = after->ParentID != before->ParentID || after->Threads != before->Threads ||
                                 after->Priority != before->Priority;
            change = changed ? "changed" : "unchanged";
        }
        TJson record{{"name", name.View()}};
        record.update(Change(change, 1));
        record["old"] = ProcessState(*before);
        if (after != nullptr) {
            record["new"] = ProcessState(*after);
        }
        json.Item(record);
    }
    for (const auto& [name, after] : store.ProcessesAfter) {
        if (after && Counterpart(store.ProcessesBefore, name, after->ProcessID) == nullptr) {
            TJson record{{"name", name.View()}};
            record.update(Change("started", 1));
            record["new"] = ProcessState(*after);
            json.Item(record);
        }
    }
    json.EndArray();
}

TJson FreeBytes(std::int64_t bytes) {
    return bytes != 0 ? TJson(bytes) : TJson(nullptr);
}

void WriteDiskUsage(TJsonStream& json, const TSessionStore& store) {
    json.BeginArray("diskUsage");
    for (std::size_t drive = 0; drive < store.DiskFreeBefore.size(); ++drive) {
        if (store.DiskFreeBefore[drive] == 0 && store.DiskFreeAfter[drive] == 0) {
            continue;
        }
        const std::string root{static_cast<char>('A' + drive), ':', '\\'};
        json.Item({{"drive", root},
                   {"freeBefore", FreeBytes(store.DiskFreeBefore[drive])},
                   {"freeAfter", FreeBytes(store.DiskFreeAfter[drive])},
                   {"included", true}});
    }
    json.EndArray();
}

void AddNotes(TJson& list, const TCaptureNotes& notes) {
    for (const TCaptureNotes::TKind& kind : notes.Kinds()) {
        list.push_back({{"kind", kind.Kind}, {"count", kind.Count}, {"examples", kind.Examples}});
    }
}

void WriteNotes(TJsonStream& json, const TSessionStore& store) {
    TJson before = TJson::array();
    TJson after = TJson::array();
    AddNotes(before, store.BeforeNotes);
    AddNotes(after, store.AfterNotes);
    if (const TFileWatchJournal* journal = store.FileWatch()) {
        AddNotes(after, journal->Notes());
    }
    json.Field("captureNotes", {{"total", store.NoteTotal()}, {"before", before}, {"after", after}});
}

TJson Recording(const TRecordingInfo& recording) {
    std::string_view stopReason = "manual";
    if (!recording.ProgramName.empty()) {
        stopReason = recording.StoppedManually ? "manualBeforeProgramExit" : "programExit";
    }
    return {{"program", Text(recording.ProgramName)},
            {"started", Time(recording.StartTime)},
            {"stopped", Time(recording.StopTime)},
            {"startReason", recording.StartedAutomatically ? "automatic" : "manual"},
            {"stopReason", stopReason},
            {"programExitCode", recording.ProgramExitCode ? TJson(*recording.ProgramExitCode) : TJson(nullptr)},
            {"digest", DigestName(recording.HashKind)}};
}

TJson Package(const TInstallerSource* package) {
    if (package == nullptr) {
        return nullptr;
    }
    return {{"product", package->ProductName},
            {"manufacturer", package->Manufacturer},
            {"version", package->Version},
            {"scope", package->PerUser ? "perUser" : "perMachine"},
            {"filesPackaged", package->FilesPackaged},
            {"foldersPackaged", package->FoldersPackaged},
            {"valuesPackaged", package->ValuesPackaged},
            {"keysPackaged", package->KeysPackaged},
            {"notPackaged", package->NotPackaged},
            {"notExpressed", package->NotExpressed}};
}

} // namespace

void WriteJsonResult(std::ostream& out, const TSessionStore& store, const TRecordingInfo& recording,
                     const TInstallerSource* package) {
    TJsonStream json(out);
    json.Begin();
    json.Field("format", kFormat);
    json.Field("generator", "Quillborne v2.0");
    json.Field("times", "local");
    json.Field("recording", Recording(recording));
    WriteNotes(json, store);
    WriteProcesses(json, store);
    WriteDiskUsage(json, store);
    WriteRegistry(json, store);
    WriteFileEvents(json, store);
    WriteFileScan(json, store, recording);
    WriteShellEvents(json, store);
    json.Field("package", Package(package));
    json.End();
}

} // namespace quill
