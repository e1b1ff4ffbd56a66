#pragma once

#include "snapshot/FileSystem.h"

#include <string>
#include <string_view>

namespace quill {

// A full path in the form that reaches past 260 characters and names that end
// in a dot or a blank: "\\?\C:\..." or "\\?\UNC\server\share\...". Relative
// paths and paths with "." or ".." steps stay as they are, since that form
// takes every character literally.
std::wstring LongPathForm(std::string_view path);

// A failed call's error code as a status, with the system's message for it.
TFsResult FsErrorResult(unsigned long error);

// Directory listings and file reads of the machine's file systems.
class TWin32FileSystem : public IFileSystem {
public:
    TFsResult ListDirectory(std::string_view directory, const TEntryVisitor& visit) override;
    TFsResult OpenRead(std::string_view path, std::unique_ptr<IFileReader>& reader) override;
    TFsResult FullPath(std::string_view path, std::string& full) override;

private:
    std::string FName; // reused for every entry's name
};

} // namespace quill
