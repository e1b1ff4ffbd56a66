#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quill {

// A file operation of the report failed; the message is the system's reason.
class EReportFile : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file being written. Write raises EReportFile when not every byte could
// be written.
class IReportFile {
public:
    virtual ~IReportFile() = default;
    virtual void Write(std::string_view bytes) = 0;
    // Closes the file, raising EReportFile when what was buffered could not
    // be written.
    virtual void Close() = 0;
};

// What the report needs of the file system and the shell. Paths are UTF-8.
class IReportFiles {
public:
    virtual ~IReportFiles() = default;
    // A new, empty file of a name nobody else uses, in the folder (which ends
    // with a backslash); its path is returned in path. Raises EReportFile.
    virtual std::unique_ptr<IReportFile> CreateTemporary(const std::string& folder, std::string& path) = 0;
    // Moves the complete file over the target, replacing any file there.
    // Raises EReportFile.
    virtual void Replace(const std::string& from, const std::string& target) = 0;
    virtual void Remove(const std::string& path) noexcept = 0;
    // An existing file, not a directory.
    virtual bool IsFile(const std::string& path) = 0;
    // Asks the shell to open the file or address with its default handler;
    // the answer is not waited for.
    virtual void Open(const std::string& target) noexcept = 0;
};

} // namespace quill
