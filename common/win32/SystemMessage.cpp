#include "common/win32/SystemMessage.h"

#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"

#include <string_view>

namespace quill {
namespace {

struct TLocalMemoryTraits {
    using THandle = wchar_t*;
    static wchar_t* Invalid() noexcept { return nullptr; }
    static void Close(wchar_t* memory) noexcept { ::LocalFree(memory); }
};

} // namespace

std::string SystemMessage(unsigned long error) {
    TUniqueHandle<TLocalMemoryTraits> buffer;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                              FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                                          nullptr, error, 0, reinterpret_cast<wchar_t*>(buffer.Put()), 0, nullptr);
    std::wstring_view text(buffer.Get(), buffer ? length : 0);
    while (!text.empty() && (text.back() == L' ' || text.back() == L'\r' || text.back() == L'\n')) {
        text.remove_suffix(1);
    }
    return text.empty() ? "error " + std::to_string(error) : Narrow(text);
}

} // namespace quill
