#include "common/win32/ListBox.h"

namespace quill {

std::vector<std::size_t> SelectedListItems(HWND list) {
    const LRESULT count = ::SendMessageW(list, LB_GETSELCOUNT, 0, 0);
    if (count <= 0) {
        return {};
    }
    std::vector<int> indexes(static_cast<std::size_t>(count));
    const LRESULT got =
        ::SendMessageW(list, LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(indexes.data()));
    std::vector<std::size_t> selected;
    for (LRESULT i = 0; i < got; ++i) {
        selected.push_back(static_cast<std::size_t>(indexes[static_cast<std::size_t>(i)]));
    }
    return selected;
}

} // namespace quill
