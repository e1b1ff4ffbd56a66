#pragma once

#include "snapshot/EnumRegistry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// The text of a string value; "" for a value of any other type.
std::string_view ValueText(const TValueRecord& value);

// The value's data as the registry stored it, rebuilt from the record: a
// string's text with its terminating zero (or without, when it was stored
// without one), a REG_DWORD's four bytes, the raw bytes of everything else.
// A string stored with anything after its first zero keeps its raw bytes
// in the record, and those are returned.
std::vector<std::uint8_t> StoredBytes(const TValueRecord& value);

// True when a string value's data is exactly its text and one terminating
// zero: the form a plain quoted text stands for.
bool IsPlainString(const TValueRecord& value);

// "REG_SZ" and so on; "" for a type the platform has no name for.
std::string_view RegTypeName(std::uint32_t type) noexcept;

// The strings of a REG_MULTI_SZ, or false when the bytes are no list of
// zero-terminated UTF-16 strings. The closing empty string, and any empty
// ones before it, end the list.
bool DecodeMultiString(const std::vector<std::uint8_t>& bytes, std::vector<std::string>& strings);

// The bytes of a REG_MULTI_SZ holding these strings: each with its zero,
// then the closing empty string.
std::vector<std::uint8_t> EncodeMultiString(const std::vector<std::string>& strings);

// The number of a REG_DWORD, REG_DWORD_BIG_ENDIAN (four bytes) or REG_QWORD
// (eight bytes); false for any other type or size.
bool DecodeNumber(std::uint32_t type, const std::vector<std::uint8_t>& bytes, std::uint64_t& number);

} // namespace quill
