#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

namespace quill {

// The indexes of the selected items of a multiple-selection list box, in
// ascending order.
std::vector<std::size_t> SelectedListItems(HWND list);

} // namespace quill
