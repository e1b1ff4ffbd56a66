#include "common/win32/LongPath.h"

#include "common/win32/WinText.h"

#include <algorithm>

namespace quill {
namespace {

bool HasDotStep(std::wstring_view path) noexcept {
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(L'\\', start);
        if (end == std::wstring_view::npos) {
            end = path.size();
        }
        const std::wstring_view step = path.substr(start, end - start);
        if (step == L"." || step == L"..") {
            return true;
        }
        start = end + 1;
    }
    return false;
}

} // namespace

std::wstring WideLongPathForm(std::wstring wide) {
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    if (wide.starts_with(L"\\\\?\\") || wide.starts_with(L"\\\\.\\") || HasDotStep(wide)) {
        return wide;
    }
    if (wide.size() >= 3 && wide[1] == L':' && wide[2] == L'\\') {
        return L"\\\\?\\" + wide;
    }
    if (wide.size() > 2 && wide.starts_with(L"\\\\")) {
        return L"\\\\?\\UNC\\" + wide.substr(2);
    }
    return wide;
}

std::wstring WithoutLongPathPrefix(std::wstring_view path) {
    if (path.starts_with(L"\\\\?\\UNC\\")) {
        return L"\\\\" + std::wstring(path.substr(8));
    }
    return std::wstring(path.substr(path.starts_with(L"\\\\?\\") ? 4 : 0));
}

std::wstring LongPathForm(std::string_view path) {
    return WideLongPathForm(Wide(path));
}

} // namespace quill
