#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace quill {

// File attribute bits as the platform numbers them.
enum TFileAttribute : std::uint32_t {
    kAttrReadOnly = 0x1,
    kAttrHidden = 0x2,
    kAttrSystem = 0x4,
    kAttrVolumeLabel = 0x8,
    kAttrDirectory = 0x10,
    kAttrArchive = 0x20,
    kAttrNormal = 0x80,
    kAttrReparsePoint = 0x400,
};

// Keeps "not found" apart from "access denied": a directory that cannot be
// read is not a directory whose contents are gone.
enum class TFsStatus { Ok, NotFound, AccessDenied, InUse, Failed };

std::string_view FsStatusText(TFsStatus status) noexcept;

// The outcome of a file-system operation. A failure carries the platform's
// own words for it where the platform has some, for the capture notes.
struct TFsResult {
    TFsResult(TFsStatus status = TFsStatus::Ok, std::string message = {})
        : Status(status), Message(std::move(message)) {}

    bool Ok() const noexcept { return Status == TFsStatus::Ok; }
    // The platform's message, else the short text of the status.
    std::string_view Reason() const noexcept { return Message.empty() ? FsStatusText(Status) : Message; }

    TFsStatus Status;
    std::string Message;
};

// One entry of a directory listing; the name is valid during the call that
// hands the entry over.
struct TDirEntry {
    std::string_view Name;
    std::uint32_t Attributes = 0;
    std::uint64_t Size = 0;
    std::uint64_t LastWrite = 0; // FILETIME ticks, UTC
};

class IFileReader {
public:
    virtual ~IFileReader() = default;
    // Reads up to size bytes; read = 0 at the end of the file.
    virtual TFsResult Read(std::uint8_t* buffer, std::size_t size, std::size_t& read) = 0;
};

// The file-system operations of scanning and hashing. Paths are in the form
// FullPath gives; a directory path ends with a backslash. Long paths are
// accepted in their ordinary form: the implementation decides how to reach
// them.
class IFileSystem {
public:
    virtual ~IFileSystem() = default;
    using TEntryVisitor = std::function<void(const TDirEntry& entry)>;

    // Hands every entry of the directory except "." and ".." to the visitor,
    // in the platform's order. Ok also for an empty directory.
    virtual TFsResult ListDirectory(std::string_view directory, const TEntryVisitor& visit) = 0;
    // Opens a file for reading while other programs may read, write or delete
    // it.
    virtual TFsResult OpenRead(std::string_view path, std::unique_ptr<IFileReader>& reader) = 0;
    // The one spelling of a path that every other spelling of the same place
    // comes to: absolute, backslashes only, no "." or ".." steps, no dots or
    // blanks at the end of the last step, and short (8.3) names replaced by
    // the long ones where the path exists. A trailing backslash is kept.
    virtual TFsResult FullPath(std::string_view path, std::string& full) = 0;
};

} // namespace quill
