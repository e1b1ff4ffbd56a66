#include "snapshot/ValueRecord.h"

#include <cstdint>

namespace quill {

namespace {

// True when the bytes are UTF-16 text followed by exactly one zero, the one
// form that the text alone gives back.
bool IsTextAndTerminator(const std::vector<std::uint8_t>& data) {
    if (data.size() < 2 || data.size() % 2 != 0) {
        return false;
    }
    for (std::size_t i = 0; i + 2 < data.size(); i += 2) {
        if (data[i] == 0 && data[i + 1] == 0) {
            return false;
        }
    }
    return data[data.size() - 2] == 0 && data.back() == 0;
}

} // namespace

TValueRecord MakeValueRecord(const TRegValue& value, TArena& arena, TTextCache& texts) {
    TValueRecord record;
    record.Name = texts.Keep(value.Name);
    record.DataSize = static_cast<std::int32_t>(value.Data.size());
    record.RegType = value.Type;
    const auto copyBytes = [&] { record.Buffer = arena.KeepBytes(value.Data.data(), value.Data.size()); };
    switch (value.Type) {
    case kRegSz:
    case kRegExpandSz:
        record.DataType = value.Type == kRegSz ? dtString : dtExpandString;
        record.Data = texts.Keep(DecodeRegString(value.Data));
        // Anything past the first zero, or a missing terminator, is kept as
        // raw bytes too, so that the value can be written back exactly.
        if (!value.Data.empty() && !IsTextAndTerminator(value.Data)) {
            copyBytes();
        }
        break;
    case kRegDword:
        // A REG_DWORD is four bytes by convention only; other sizes are kept
        // as they are rather than guessed at.
        if (value.Data.size() == 4) {
            record.DataType = dtInteger;
            record.Data = static_cast<std::int32_t>(value.Data[0] | (value.Data[1] << 8) | (value.Data[2] << 16) |
                                                    (static_cast<std::uint32_t>(value.Data[3]) << 24));
        } else {
            record.DataType = dtUnknown;
            copyBytes();
        }
        break;
    case kRegBinary:
        record.DataType = dtBinary;
        copyBytes();
        break;
    default:
        record.DataType = dtUnknown;
        copyBytes();
        break;
    }
    return record;
}

TValueRecord MakeValueRecord(const TRegValue& value, TArena& arena) {
    TTextCache texts(arena, 0);
    return MakeValueRecord(value, arena, texts);
}

} // namespace quill
