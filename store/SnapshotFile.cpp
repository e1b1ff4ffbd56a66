#include "store/SnapshotFile.h"

#include "common/ScopeExit.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>
#include <variant>

namespace quill {
namespace {

constexpr char kMagic[] = {'Q', 'U', 'I', 'L', 'L', 'C', 'A', 'P'};
// Magic, format version, content size, CRC-32 of the content.
constexpr std::size_t kHeaderSize = sizeof kMagic + 4 + 8 + 4;
// Deflate never packs more than this many bytes into one.
constexpr std::uint64_t kMaxInflation = 1032;
// zlib counts in unsigned int; larger buffers go through it piece by piece.
constexpr std::size_t kChunk = std::size_t{1} << 30;

enum TDataKind : std::uint8_t { dkNone = 0, dkText = 1, dkNumber = 2 };

class TWriter {
public:
    void U8(std::uint8_t value) { FOut.push_back(static_cast<char>(value)); }
    void U32(std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) {
            U8(static_cast<std::uint8_t>(value >> shift));
        }
    }
    void U64(std::uint64_t value) {
        for (int shift = 0; shift < 64; shift += 8) {
            U8(static_cast<std::uint8_t>(value >> shift));
        }
    }
    void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }
    void I64(std::int64_t value) { U64(static_cast<std::uint64_t>(value)); }
    void Real(double value) { U64(std::bit_cast<std::uint64_t>(value)); }
    void Count(std::size_t count) {
        if (count > std::numeric_limits<std::uint32_t>::max()) {
            throw std::length_error("a list of the capture is too long for a snapshot file");
        }
        U32(static_cast<std::uint32_t>(count));
    }
    void Text(std::string_view text) {
        Count(text.size());
        FOut.append(text);
    }
    void Bytes(const std::uint8_t* bytes, std::size_t size) { FOut.append(reinterpret_cast<const char*>(bytes), size); }
    std::string& Out() noexcept { return FOut; }

private:
    std::string FOut;
};

// Reads the content of a file whose checksum matched; a file made to match
// is still checked at every read.
class TReader {
public:
    TReader(std::string_view bytes, const std::string& file) : FBytes(bytes), FFile(file) {}

    [[noreturn]] void Damaged(const std::string& what) const {
        throw ESnapshotFile(FFile, "the file is damaged (" + what + ")");
    }

    std::uint8_t U8() { return static_cast<std::uint8_t>(Take(1)[0]); }
    std::uint32_t U32() {
        const std::string_view bytes = Take(4);
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) {
            value = (value << 8) | static_cast<std::uint8_t>(bytes[static_cast<std::size_t>(i)]);
        }
        return value;
    }
    std::uint64_t U64() {
        const std::uint64_t low = U32();
        return low | (std::uint64_t{U32()} << 32);
    }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    std::int64_t I64() { return static_cast<std::int64_t>(U64()); }
    double Real() { return std::bit_cast<double>(U64()); }
    bool Flag() {
        const std::uint8_t value = U8();
        if (value > 1) {
            Damaged("a yes-or-no field holds " + std::to_string(value));
        }
        return value == 1;
    }
    // A number of items, each of at least itemBytes: more than the rest of
    // the content can hold is damage, not a reason to reserve room.
    std::size_t Count(std::size_t itemBytes) {
        const std::size_t count = U32();
        if (count > Remaining() / itemBytes) {
            Damaged("a list claims " + std::to_string(count) + " items, more than the file holds");
        }
        return count;
    }
    std::string_view Text() { return Take(U32()); }
    const std::uint8_t* Bytes(std::size_t size) { return reinterpret_cast<const std::uint8_t*>(Take(size).data()); }
    std::size_t Remaining() const noexcept { return FBytes.size() - FAt; }

private:
    std::string_view Take(std::size_t size) {
        if (size > Remaining()) {
            Damaged("its content ends in the middle of an item");
        }
        const std::string_view bytes = FBytes.substr(FAt, size);
        FAt += size;
        return bytes;
    }

    std::string_view FBytes;
    const std::string& FFile;
    std::size_t FAt = 0;
};

void WriteFacts(TWriter& out, const TCaptureFacts& facts) {
    out.Real(facts.StartTime);
    out.U8(facts.HashKind);
    out.Count(facts.Paths.size());
    for (const std::string& path : facts.Paths) {
        out.Text(path);
    }
}

void WriteProcesses(TWriter& out, const TProcessList& processes) {
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

void WriteFiles(TWriter& out, bool recorded, const TFileList& files) {
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

void WriteValue(TWriter& out, const TValueRecord& record) {
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

void WriteRoot(TWriter& out, const TRootLists& lists) {
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

void WriteNotes(TWriter& out, const TCaptureNotes& notes) {
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

std::uint32_t Checksum(std::string_view bytes) {
    return static_cast<std::uint32_t>(
        crc32_z(crc32_z(0, nullptr, 0), reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
}

void Deflate(std::string_view content, std::string& out) {
    z_stream stream{};
    if (deflateInit(&stream, Z_BEST_SPEED) != Z_OK) {
        throw std::runtime_error("the compressor cannot start");
    }
    const TScopeExit end([&stream] { deflateEnd(&stream); });
    std::size_t consumed = 0;
    char buffer[1 << 16];
    int result = Z_OK;
    while (result != Z_STREAM_END) {
        if (stream.avail_in == 0 && consumed < content.size()) {
            const std::size_t piece = std::min(kChunk, content.size() - consumed);
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data() + consumed));
            stream.avail_in = static_cast<uInt>(piece);
            consumed += piece;
        }
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        result = deflate(&stream, consumed == content.size() ? Z_FINISH : Z_NO_FLUSH);
        if (result == Z_STREAM_ERROR) {
            throw std::runtime_error("the compressor failed");
        }
        out.append(buffer, sizeof buffer - stream.avail_out);
    }
}

std::string Inflate(std::string_view packed, std::size_t size, const std::string& file) {
    const auto damaged = [&file](const std::string& what) {
        return ESnapshotFile(file, "the file is damaged (" + what + ")");
    };
    std::string content(size, '\0');
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        throw std::runtime_error("the decompressor cannot start");
    }
    const TScopeExit end([&stream] { inflateEnd(&stream); });
    // zlib refuses a stream without an output buffer, even an empty one.
    stream.next_out = reinterpret_cast<Bytef*>(content.data());
    std::size_t fed = 0;
    std::size_t given = 0;
    for (;;) {
        if (stream.avail_in == 0 && fed < packed.size()) {
            const std::size_t piece = std::min(kChunk, packed.size() - fed);
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data() + fed));
            stream.avail_in = static_cast<uInt>(piece);
            fed += piece;
        }
        if (stream.avail_out == 0 && given < size) {
            const std::size_t piece = std::min(kChunk, size - given);
            stream.next_out = reinterpret_cast<Bytef*>(content.data() + given);
            stream.avail_out = static_cast<uInt>(piece);
            given += piece;
        }
        const int result = inflate(&stream, Z_NO_FLUSH);
        if (result == Z_STREAM_END) {
            break;
        }
        if (result == Z_MEM_ERROR) {
            throw std::bad_alloc();
        }
        if (result == Z_BUF_ERROR) {
            if (stream.avail_in == 0 && fed == packed.size()) {
                throw ESnapshotFile(file, "the file is truncated");
            }
            throw damaged("its content is longer than its header says");
        }
        if (result != Z_OK) {
            throw damaged("its compressed content is invalid");
        }
    }
    if (given - stream.avail_out != size) {
        throw damaged("its content is shorter than its header says");
    }
    if (stream.avail_in != 0 || fed != packed.size()) {
        throw damaged("bytes follow its content");
    }
    return content;
}

std::uint32_t HeaderU32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;) {
        value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    }
    return value;
}

// The content of the file, checked against its header.
std::string ReadContent(std::string_view bytes, const std::string& file) {
    const std::string_view magic(kMagic, sizeof kMagic);
    if (bytes.empty()) {
        throw ESnapshotFile(file, "the file is empty");
    }
    if (!magic.starts_with(bytes.substr(0, magic.size()))) {
        throw ESnapshotFile(file, "it is not a Quillborne snapshot file");
    }
    if (bytes.size() < kHeaderSize) {
        throw ESnapshotFile(file, "the file is truncated");
    }
    const std::uint32_t version = HeaderU32(bytes, 8);
    if (version > kSnapshotFormatVersion) {
        throw ESnapshotFile(file, "it was written by a newer version of Quillborne (file format " +
                                      std::to_string(version) + "; this version reads format " +
                                      std::to_string(kSnapshotFormatVersion) + " and older)");
    }
    if (version == 0) {
        throw ESnapshotFile(file, "the file is damaged (it names file format 0)");
    }
    const std::uint64_t size = HeaderU32(bytes, 12) | (std::uint64_t{HeaderU32(bytes, 16)} << 32);
    const std::string_view packed = bytes.substr(kHeaderSize);
    if (size / kMaxInflation > packed.size()) {
        throw ESnapshotFile(file, "the file is damaged (its header gives a size its content cannot have)");
    }
    std::string content = Inflate(packed, static_cast<std::size_t>(size), file);
    if (Checksum(content) != HeaderU32(bytes, 20)) {
        throw ESnapshotFile(file, "the file is damaged (its checksum does not match its content)");
    }
    return content;
}

TCaptureFacts ReadFacts(TReader& in) {
    TCaptureFacts facts;
    facts.StartTime = in.Real();
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
template <class TRecord> void FinishList(TReader& in, TRecordList<TRecord>& list) {
    const std::vector<std::string> twice = list.SortAppended();
    if (!twice.empty()) {
        in.Damaged("\"" + twice.front() + "\" is listed twice");
    }
}

void ReadProcesses(TReader& in, TProcessList& processes) {
    const std::size_t count = in.Count(21);
    processes.Reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const TText name = processes.Keep(in.Text());
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

void ReadFiles(TReader& in, TFileList& files) {
    const std::size_t count = in.Count(37);
    files.Reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const TText path = files.Keep(in.Text());
        TFileScan record;
        record.Size = in.I64();
        record.Hash = files.Keep(in.Text());
        record.Date = in.Real();
        record.LastWrite = in.U64();
        record.Attributes = in.U32();
        record.Included = in.U8();
        files.AppendKept(path, files.NewRecord(record));
    }
    FinishList(in, files);
}

TValueRecord ReadValue(TReader& in, TValueList& values) {
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
void ReadRoot(TReader& in, TSavedRoot& root) {
    root.Recorded = in.Flag();
    const std::size_t keyCount = in.Count(13);
    root.Keys.Reserve(keyCount);
    for (std::size_t i = 0; i < keyCount; ++i) {
        const TText path = root.Keys.Keep(in.Text());
        TKeyRecord record;
        record.LastWrite = in.Real();
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

void ReadNotes(TReader& in, TCaptureNotes& notes) {
    const std::size_t kinds = in.Count(16);
    for (std::size_t i = 0; i < kinds; ++i) {
        const std::string kind(in.Text());
        const std::uint64_t count = in.U64();
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

void TSavedCapture::MoveInto(TSessionStore& store) noexcept {
    for (const TRegRoot root : kAllRoots) {
        TSavedRoot& saved = Roots[static_cast<std::size_t>(root)];
        TRootLists& lists = store.Root(root);
        lists.KeysBefore = std::move(saved.Keys);
        lists.ValuesBefore = std::move(saved.Values);
        lists.Recorded = saved.Recorded;
    }
    store.FilesBefore = std::move(Files);
    store.FilesRecorded = FilesRecorded;
    store.ProcessesBefore = std::move(Processes);
    store.DiskFreeBefore = DiskFree;
    store.BeforeNotes = std::move(Notes);
}

std::string EncodeBeforeCapture(const TSessionStore& store, const TCaptureFacts& facts) {
    TWriter content;
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

    TWriter file;
    file.Out().append(kMagic, sizeof kMagic);
    file.U32(kSnapshotFormatVersion);
    file.U64(content.Out().size());
    file.U32(Checksum(content.Out()));
    Deflate(content.Out(), file.Out());
    return std::move(file.Out());
}

TSavedCapture DecodeCapture(std::string_view bytes, const std::string& fileName) {
    const std::string content = ReadContent(bytes, fileName);
    TReader in(content, fileName);
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
