#pragma once

namespace quill {

class IStartupShortcut {
public:
    virtual ~IStartupShortcut() = default;
    virtual bool Exists() = 0;
    virtual void Create() = 0;
    virtual void Remove() = 0;
};

} // namespace quill
