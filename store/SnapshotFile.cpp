#include "store/SnapshotFile.h"

#include "store/SnapshotFields.h"

#include <string>
#include <variant>

namespace quill {
namespace {

enum TDataKind : std::uint8_t { dkNone = 0, dkText = 1, dkNumber = 2 };

// More than every file of 26 full NTFS volumes: no capture meets more, and
// the total of all notes stays far from wrapping.
constexpr std::uint64_t kMostOccurrences = std::uint64_t{1} << 40;

bool IsCalendarDate(TDateTime time) {
    TDateTime first = 0;
    TDateTime last = 0;
    EncodeDateTime({.Year = 1, .Month = 1, .Day = 1}, first);
    EncodeDateTime({.Year = 9999, .Month = 12, .Day = 31, .Hour = 23, .Minute = 59, .Second = 59, .Millisecond = 999},
                   last);
    return time >= first && time <= last;
}

void WriteFacts(TSnapshotWriter& out, const TCaptureFacts& facts) {
    out.Real(facts.StartTime);
    out.U8(facts.HashKind);
    out.Count(facts.Paths.size());
    for (const std::string& path : facts.Paths) {
        out.Text(path);
    }
}

void WriteProcesses(TSnapshotWriter& out, const TProcessList& processes) {
    out.Count(processes.Count());
    for (const auto& item : processes) {
        const TProcessRecord& record = *item.Record;
        out.Text(item.Text);
        out.U32(record.ProcessID);
        out.U32(record.ParentID);
        out.U32(record.Threads);
        out.I32(record.Priority);
        out.U8(record.Reported);
    }
}

void WriteFiles(TSnapshotWriter& out, bool recorded, const TFileList& files) {
    out.U8(recorded ? 1 : 0);
    out.Count(files.Count());
    for (const auto& item : files) {
        const TFileScan& record = *item.Record;
        out.Text(item.Text);
        out.I64(record.Size);
        out.Text(record.Hash);
        out.Real(record.Date);
        out.U64(record.LastWrite);
        out.U32(record.Attributes);
        out.U8(record.Included);
    }
}

void WriteValue(TSnapshotWriter& out, const TValueRecord& record) {
    out.Text(record.Name);
    out.U8(record.DataType);
    if (const TText* text = std::get_if<TText>(&record.Data)) {
        out.U8(dkText);
        out.Text(*text);
    } else if (const std::int32_t* number = std::get_if<std::int32_t>(&record.Data)) {
        out.U8(dkNumber);
        out.I32(*number);
    } else {
        out.U8(dkNone);
    }
    out.I32(record.DataSize);
    const bool buffered = record.Buffer != nullptr;
    out.U8(buffered ? 1 : 0);
    if (buffered) {
        out.Bytes(record.Buffer, static_cast<std::size_t>(record.DataSize));
    }
    out.U8(record.Included);
    out.U32(record.RegType);
}

void WriteRoot(TSnapshotWriter& out, const TRootLists& lists) {
    out.U8(lists.Recorded ? 1 : 0);
    out.Count(lists.KeysBefore.Count());
    for (const auto& item : lists.KeysBefore) {
        out.Text(item.Text);
        out.Real(item.Record->LastWrite);
        out.U8(item.Record->Included);
    }
    out.Count(lists.ValuesBefore.Count());
    for (const auto& item : lists.ValuesBefore) {
        out.Text(item.Text);
        WriteValue(out, *item.Record);
    }
}

void WriteNotes(TSnapshotWriter& out, const TCaptureNotes& notes) {
    out.Count(notes.Kinds().size());
    for (const TCaptureNotes::TKind& kind : notes.Kinds()) {
        out.Text(kind.Kind);
        out.U64(kind.Count);
        out.Count(kind.Examples.size());
        for (const std::string& example : kind.Examples) {
            out.Text(example);
        }
    }
}

TCaptureFacts ReadFacts(TSnapshotReader& in) {
    TCaptureFacts facts;
    facts.StartTime = in.Time();
    if (!IsCalendarDate(facts.StartTime)) {
        in.Damaged("its start time is not a date of the years 1 to 9999");
    }
    const std::uint8_t hashKind = in.U8();
    if (hashKind > kHashSHA1) {
        in.Damaged("unknown digest kind " + std::to_string(hashKind));
    }
    facts.HashKind = static_cast<THashKind>(hashKind);
    facts.Paths.resize(in.Count(4));
    for (std::string& path : facts.Paths) {
        path = in.Text();
    }
    return facts;
}

// Bulk-built: the file holds the items in list order, and sorting restores
// that order; a text a list refuses twice is damage, never dropped unseen.
template <class TRecord> void FinishList(TSnapshotReader& in, TRecordList<TRecord>& list) {
    const std::vector<std::string> twice = list.SortAppended();
    if (!twice.empty()) {
        in.Damaged("\"" + twice.front() + "\" is listed twice");
    }
}

void ReadProcesses(TSnapshotReader& in, TProcessList& processes) {
    const std::size_t count = in.Count(21);
    processes.Reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        // Files saved before every process was named may hold an empty name.
        const TText name = processes.Keep(ProcessName(in.Text()));
        TProcessRecord record;
        record.ProcessID = in.U32();
        record.ParentID = in.U32();
        record.Threads = in.U32();
        record.Priority = in.I32();
        record.Reported = in.U8();
        processes.AppendKept(name, processes.NewRecord(record));
    }
    FinishList(in, processes);
}

void ReadFiles(TSnapshotReader& in, TFileList& files) {
    const std::size_t count = in.Count(37);
    files.Reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const TText path = files.Keep(in.Text());
        TFileScan record;
        record.Size = in.I64();
        record.Hash = files.Keep(in.Text());
        record.Date = in.Time();
        record.LastWrite = in.U64();
        record.Attributes = in.U32();
        record.Included = in.U8();
        files.AppendKept(path, files.NewRecord(record));
    }
    FinishList(in, files);
}

TValueRecord ReadValue(TSnapshotReader& in, TValueList& values) {
    TValueRecord record;
    record.Name = values.Keep(in.Text());
    const std::uint8_t dataType = in.U8();
    if (dataType > dtBinary) {
        in.Damaged("unknown value data type " + std::to_string(dataType));
    }
    record.DataType = static_cast<TDataType>(dataType);
    switch (in.U8()) {
    case dkNone:
        break;
    case dkText:
        record.Data = values.Keep(in.Text());
        break;
    case dkNumber:
        record.Data = in.I32();
        break;
    default:
        in.Damaged("unknown kind of value data");
    }
    record.DataSize = in.I32();
    if (in.Flag()) {
        if (record.DataSize < 0) {
            in.Damaged("a value has a negative size");
        }
        const auto size = static_cast<std::size_t>(record.DataSize);
        record.Buffer = values.Arena().KeepBytes(in.Bytes(size), size);
    }
    record.Included = in.U8();
    record.RegType = in.U32();
    return record;
}

// The values of a key share its key path, as in a snapshot: both lists are
// in key-path order, so one walk finds each key.
void ReadRoot(TSnapshotReader& in, TSavedRoot& root) {
    root.Recorded = in.Flag();
    const std::size_t keyCount = in.Count(13);
    root.Keys.Reserve(keyCount);
    for (std::size_t i = 0; i < keyCount; ++i) {
        const TText path = root.Keys.Keep(in.Text());
        TKeyRecord record;
        record.LastWrite = in.Time();
        record.Included = in.U8();
        root.Keys.AppendKept(path, root.Keys.NewRecord(record));
    }
    FinishList(in, root.Keys);
    root.Values.Share(root.Keys);
    const std::size_t valueCount = in.Count(20);
    root.Values.Reserve(valueCount);
    std::size_t key = 0;
    TText keyPath;
    for (std::size_t i = 0; i < valueCount; ++i) {
        const std::string_view path = in.Text();
        if (!(keyPath == path)) {
            while (key < root.Keys.Count() && CompareText(root.Keys.Text(key), path) < 0) {
                ++key;
            }
            keyPath =
                key < root.Keys.Count() && root.Keys.Text(key) == path ? root.Keys.Text(key) : root.Values.Keep(path);
        }
        root.Values.AppendKept(keyPath, root.Values.NewRecord(ReadValue(in, root.Values)));
    }
    FinishList(in, root.Values);
}

void ReadNotes(TSnapshotReader& in, TCaptureNotes& notes) {
    const std::size_t kinds = in.Count(16);
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < kinds; ++i) {
        const std::string kind(in.Text());
        const std::uint64_t count = in.U64();
        if (count == 0) {
            in.Damaged("a note counts no occurrence");
        }
        if (count > kMostOccurrences - total) {
            in.Damaged("its notes count more than " + std::to_string(kMostOccurrences) + " occurrences");
        }
        total += count;
        const std::size_t exampleCount = in.Count(4);
        if (exampleCount > count || exampleCount > TCaptureNotes::kMaxExamples) {
            in.Damaged("a note keeps more examples than it counts");
        }
        std::vector<std::string> examples(exampleCount);
        for (std::string& example : examples) {
            example = in.Text();
        }
        notes.AddCounted(kind, static_cast<std::size_t>(count), std::move(examples));
    }
}

} // namespace

void TSavedCapture::MoveInto(TSessionStore& store, TStoreSide side) noexcept {
    const bool before = side == TStoreSide::Before;
    for (const TRegRoot root : kAllRoots) {
        TSavedRoot& saved = Roots[static_cast<std::size_t>(root)];
        TRootLists& lists = store.Root(root);
        (before ? lists.KeysBefore : lists.KeysAfter) = std::move(saved.Keys);
        (before ? lists.ValuesBefore : lists.ValuesAfter) = std::move(saved.Values);
        if (before) {
            lists.Recorded = saved.Recorded;
        }
    }
    (before ? store.FilesBefore : store.FilesAfter) = std::move(Files);
    (before ? store.ProcessesBefore : store.ProcessesAfter) = std::move(Processes);
    (before ? store.DiskFreeBefore : store.DiskFreeAfter) = DiskFree;
    (before ? store.BeforeNotes : store.AfterNotes) = std::move(Notes);
    if (before) {
        store.FilesRecorded = FilesRecorded;
    }
}

std::string EncodeBeforeCapture(const TSessionStore& store, const TCaptureFacts& facts) {
    TSnapshotWriter content;
    WriteFacts(content, facts);
    for (const std::int64_t bytes : store.DiskFreeBefore) {
        content.I64(bytes);
    }
    WriteProcesses(content, store.ProcessesBefore);
    WriteFiles(content, store.FilesRecorded, store.FilesBefore);
    for (const TRegRoot root : kAllRoots) {
        WriteRoot(content, store.Root(root));
    }
    WriteNotes(content, store.BeforeNotes);

    return PackSnapshotContent(content.Out());
}

TSavedCapture DecodeCapture(std::string_view bytes, const std::string& fileName) {
    const std::string content = UnpackSnapshotContent(bytes, fileName);
    TSnapshotReader in(content, fileName);
    TSavedCapture capture;
    capture.Facts = ReadFacts(in);
    for (std::int64_t& bytesFree : capture.DiskFree) {
        bytesFree = in.I64();
    }
    ReadProcesses(in, capture.Processes);
    capture.FilesRecorded = in.Flag();
    ReadFiles(in, capture.Files);
    for (TSavedRoot& root : capture.Roots) {
        ReadRoot(in, root);
    }
    ReadNotes(in, capture.Notes);
    if (in.Remaining() != 0) {
        in.Damaged("bytes follow its last list");
    }
    return capture;
}

} // namespace quill
