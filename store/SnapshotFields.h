#pragma once

#include "common/DateTime.h"
#include "store/SnapshotFrame.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quill {

// The fields of a snapshot file's content and header: little-endian
// numbers, counted texts and raw bytes.
class TSnapshotWriter {
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
class TSnapshotReader {
public:
    TSnapshotReader(std::string_view bytes, const std::string& file) : FBytes(bytes), FFile(file) {}

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
    // A capture never records a time that is not a number, and turning one
    // into a date is undefined.
    TDateTime Time() {
        const double value = Real();
        if (!std::isfinite(value)) {
            Damaged("a time is not a number");
        }
        return value;
    }
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

} // namespace quill
