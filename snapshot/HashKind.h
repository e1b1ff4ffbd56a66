#pragma once

#include <cstdint>
#include <string_view>

namespace quill {

// The setting Hashing: which digest the scans get.
enum THashKind : std::uint8_t { kHashNone = 0, kHashMD5 = 1, kHashSHA1 = 2 };

// The kind a value of the setting stands for: 1 MD5, 2 SHA-1, anything else
// none. It takes the setting's integer whole, so that no value can wrap round
// to a digest on its way to the kind.
constexpr THashKind HashKindFromSetting(int value) noexcept {
    switch (value) {
    case kHashMD5:
        return kHashMD5;
    case kHashSHA1:
        return kHashSHA1;
    default:
        return kHashNone;
    }
}

// The digest's name as the user reads it: "none", "MD5", "SHA-1".
constexpr std::string_view HashKindName(THashKind kind) noexcept {
    switch (kind) {
    case kHashMD5:
        return "MD5";
    case kHashSHA1:
        return "SHA-1";
    case kHashNone:
        break;
    }
    return "none";
}

} // namespace quill
