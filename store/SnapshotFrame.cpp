#include "store/SnapshotFrame.h"

#include "common/ScopeExit.h"
#include "store/SnapshotFields.h"

#include <zlib.h>

#include <algorithm>
#include <new>

namespace quill {
namespace {

constexpr char kMagic[] = {'Q', 'U', 'I', 'L', 'L', 'C', 'A', 'P'};
// Magic, format version, content size, CRC-32 of the content.
constexpr std::size_t kHeaderSize = sizeof kMagic + 4 + 8 + 4;
// Deflate never packs more than this many bytes into one.
constexpr std::uint64_t kMaxInflation = 1032;
// zlib counts in unsigned int; larger buffers go through it piece by piece.
constexpr std::size_t kChunk = std::size_t{1} << 30;

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

// The next size of the content buffer: doubled, so that filling it costs
// no more than twice what the stream really holds, whatever its header says.
std::size_t Grown(std::size_t current, std::size_t size) {
    constexpr std::size_t kFirst = std::size_t{1} << 16;
    return std::min(size, std::max(kFirst, current * 2));
}

std::string Inflate(std::string_view packed, std::size_t size, const std::string& file) {
    const auto damaged = [&file](const std::string& what) {
        return ESnapshotFile(file, "the file is damaged (" + what + ")");
    };
    std::string content(Grown(0, size), '\0');
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
        if (stream.avail_out == 0 && given == content.size() && given < size) {
            content.resize(Grown(given, size));
        }
        if (stream.avail_out == 0 && given < content.size()) {
            const std::size_t piece = std::min(kChunk, content.size() - given);
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

} // namespace

std::string UnpackSnapshotContent(std::string_view bytes, const std::string& file) {
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

std::string PackSnapshotContent(std::string_view content) {
    TSnapshotWriter file;
    file.Out().append(kMagic, sizeof kMagic);
    file.U32(kSnapshotFormatVersion);
    file.U64(content.size());
    file.U32(Checksum(content));
    Deflate(content, file.Out());
    return std::move(file.Out());
}

} // namespace quill
