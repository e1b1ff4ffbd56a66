#pragma once

#include "filter/IgnoreListEditor.h"

#include <optional>
#include <string>
#include <string_view>

namespace quill {

// The lists' files on disk. A file marked read-only is never replaced, as
// the user asked, whatever the file system would allow.
class TWin32IgnoreFiles : public IIgnoreFiles {
public:
    std::optional<std::string> Read(const std::string& path) override;
    void Write(const std::string& path, const std::string& bytes) override;
};

// The folder the lists live in: the program's own, with a trailing backslash.
std::string IgnoreListFolder();

// The process's environment variable of the name.
std::optional<std::string> LookupEnvironmentVariable(std::string_view name);

} // namespace quill
