#pragma once

#include "common/Registry.h"

#include <windows.h>

namespace quill {

// The machine's registry through the wide Win32 calls.
class TWin32Registry : public IRegistry {
public:
    TRegStatus OpenKey(TRegRoot root, std::string_view path, TRegAccess access, std::unique_ptr<IRegKey>& key) override;
    TRegStatus CreateKey(TRegRoot root, std::string_view path, std::unique_ptr<IRegKey>& key) override;

    static HKEY RootHandle(TRegRoot root) noexcept;
};

TRegStatus RegStatusFromError(LONG error) noexcept;

} // namespace quill
