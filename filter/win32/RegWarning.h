#pragma once

#include "filter/RegWatch.h"

#include <windows.h>

#include <string>

namespace quill {

// The warning window: the name of a watched key or value and why it matters.
// It stays on top of other windows, so that it is seen after a recording
// even when the installed program has brought its own windows forward.
class TfrmRegWarning {
public:
    // Shows the window modally; returns when the user has dismissed it.
    // Raises std::runtime_error when the window cannot be created.
    static void ShowModal(HWND owner, const std::string& name, const std::string& message);

    // Smallest size of the window, in pixels.
    static constexpr int kMinWidth = 616;
    static constexpr int kMinHeight = 299;
};

// Shows each warning as a TfrmRegWarning owned by the given window.
class TWindowRegWarningDisplay : public IRegWarningDisplay {
public:
    explicit TWindowRegWarningDisplay(HWND owner) : FOwner(owner) {}
    void ShowRegistryWarning(const std::string& name, const std::string& message) override;

private:
    HWND FOwner;
};

// The warnings file in the given folder (the program's own, with its trailing
// backslash); a missing file lists no warnings. Raises std::runtime_error when
// the file exists but cannot be read.
TIniFile ReadWarningsFile(const std::wstring& directory);

} // namespace quill
