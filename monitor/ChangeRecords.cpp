#include "monitor/ChangeRecords.h"

#include "common/Utf.h"

namespace quill {
namespace {

constexpr std::size_t kHeaderSize = 12;

std::uint32_t ReadUInt32(std::span<const std::byte> bytes, std::size_t at) noexcept {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::string ReadName(std::span<const std::byte> bytes, std::size_t at, std::size_t units) {
    std::u16string name(units, u'\0');
    for (std::size_t i = 0; i < units; ++i) {
        name[i] = static_cast<char16_t>(static_cast<unsigned>(bytes[at + 2 * i]) |
                                        static_cast<unsigned>(bytes[at + 2 * i + 1]) << 8);
    }
    return Utf16ToUtf8(name, TLoneSurrogates::Replace);
}

} // namespace

TDecodedRecords DecodeChangeRecords(std::span<const std::byte> bytes,
                                    const std::function<void(std::uint32_t action, std::string name)>& onRecord) {
    TDecodedRecords result;
    if (bytes.empty()) {
        result.End = TRecordsEnd::Overflow;
        return result;
    }
    std::size_t at = 0;
    for (;;) {
        if (bytes.size() - at < kHeaderSize) {
            break;
        }
        const std::uint32_t next = ReadUInt32(bytes, at);
        const std::uint32_t action = ReadUInt32(bytes, at + 4);
        const std::uint32_t length = ReadUInt32(bytes, at + 8);
        const std::size_t room = bytes.size() - at - kHeaderSize;
        if (length > room || (next != 0 && (next < kHeaderSize + length || next > bytes.size() - at))) {
            break;
        }
        onRecord(action, ReadName(bytes, at + kHeaderSize, length / 2));
        ++result.Count;
        if (next == 0) {
            return result;
        }
        at += next;
    }
    result.End = TRecordsEnd::Corrupt;
    result.CorruptAt = at;
    return result;
}

void JournalChangeRecords(TFileWatchJournal& journal, std::string_view directory, std::span<const std::byte> bytes,
                          std::size_t watch) {
    const TDecodedRecords decoded = DecodeChangeRecords(bytes, [&](std::uint32_t action, std::string name) {
        std::string path;
        path.reserve(directory.size() + name.size());
        path.append(directory).append(name);
        journal.AddFileWatchEvent(action, std::move(path), watch);
    });
    switch (decoded.End) {
    case TRecordsEnd::Complete:
        break;
    case TRecordsEnd::Overflow:
        journal.AddFileWatchEvent(0, std::string(directory), watch);
        journal.AddNote(kEventsLost, std::string(directory));
        break;
    case TRecordsEnd::Corrupt:
        journal.AddNote(kRecordsCut, std::string(directory) + " (a record at byte " +
                                         std::to_string(decoded.CorruptAt) + " runs past the " +
                                         std::to_string(bytes.size()) + " bytes returned)");
        break;
    }
}

} // namespace quill
