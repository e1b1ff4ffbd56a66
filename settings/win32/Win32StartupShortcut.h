#pragma once

#include "settings/StartupShortcut.h"

#include <functional>
#include <optional>
#include <string>

namespace quill {

// The user's start-up folder from the known-folder API; nothing when the
// platform has none for this user.
std::optional<std::wstring> KnownStartupFolder();

// "Quillborne.lnk" in the start-up folder, starting this program with the
// start-up switch. A folder that is missing or unknown holds no link: Exists
// answers false, Create makes none and Remove does nothing.
class TWin32StartupShortcut : public IStartupShortcut {
public:
    using TFolderSource = std::function<std::optional<std::wstring>()>;

    explicit TWin32StartupShortcut(std::wstring target, TFolderSource folder = KnownStartupFolder);

    bool Exists() override;
    // Raises std::runtime_error when the shell-link object cannot be made.
    void Create() override;
    void Remove() override;

private:
    // The link's full path when the folder exists.
    std::optional<std::wstring> LinkFile() const;

    std::wstring FTarget;
    TFolderSource FFolder;
};

} // namespace quill
