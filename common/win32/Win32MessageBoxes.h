#pragma once

#include "common/MessageBoxes.h"

#include <windows.h>

namespace quill {

// Modal message boxes owned by the main window and captioned with the
// application title.
class TWin32MessageBoxes : public IMessageBoxes {
public:
    explicit TWin32MessageBoxes(std::string title) : FTitle(std::move(title)) {}
    void SetOwner(HWND owner) noexcept { FOwner = owner; }
    TMessageAnswer Show(TMessageKind kind, const std::string& text, TMessageButtons buttons) override;

private:
    std::string FTitle;
    HWND FOwner = nullptr;
};

} // namespace quill
