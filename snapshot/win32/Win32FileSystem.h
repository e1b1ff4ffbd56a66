#pragma once

#include "snapshot/FileSystem.h"

#include <string>
#include <string_view>

namespace quill {

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
