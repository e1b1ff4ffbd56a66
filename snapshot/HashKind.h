#pragma once

#include <cstdint>

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

} // namespace quill
