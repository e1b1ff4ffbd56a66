#pragma once

namespace quill {

// The shortcut in the user's start-up folder that starts the program, in the
// notification area only, at log-on.
class IStartupShortcut {
public:
    virtual ~IStartupShortcut() = default;
    virtual bool Exists() = 0;
    virtual void Create() = 0;
    virtual void Remove() = 0;
};

} // namespace quill
