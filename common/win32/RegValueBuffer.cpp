#include "common/win32/RegValueBuffer.h"

#include "common/win32/WinText.h"

#include <algorithm>

namespace quill {
namespace {

// Value names are at most 16383 code units long.
constexpr std::size_t kLongestName = 16383;
// Never empty: without a data buffer the request succeeds without the data.
constexpr std::size_t kLeastData = 64;

} // namespace

void TRegValueBuffer::Reserve(std::uint32_t maxNameLength, std::uint32_t maxDataSize) {
    FName.resize(std::max<std::size_t>(FName.size(), std::size_t{maxNameLength} + 1));
    FData.resize(std::max({FData.size(), std::size_t{maxDataSize}, kLeastData}));
}

void TRegValueBuffer::Grow(DWORD neededSize) {
    // The data answers with the size it needs; a name that did not fit says
    // nothing of its length, so the next request has room for any name.
    if (neededSize > FData.size()) {
        FData.resize(neededSize);
    } else {
        FName.resize(kLongestName + 1);
    }
}

void TRegValueBuffer::Take(DWORD nameLength, DWORD type, DWORD size, TRegValue& value) const {
    value.Name = Narrow(FName.data(), nameLength);
    value.Type = type;
    value.Data.assign(FData.begin(),
                      FData.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(size, FData.size())));
}

} // namespace quill
