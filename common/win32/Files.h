#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace quill {

// The running program's own file, and its folder with a trailing backslash.
std::wstring ExecutablePath();
std::wstring ExecutableDirectory();

// Raised when a file cannot be read or written: what() names the file and
// gives the system's reason, Reason() is the system's text alone, for
// messages that name the file already.
class EFileError : public std::runtime_error {
public:
    EFileError(const std::string& what, std::string reason) : std::runtime_error(what), FReason(std::move(reason)) {}
    const std::string& Reason() const noexcept { return FReason; }

private:
    std::string FReason;
};

// The bytes of a whole file; nothing when the file does not exist. Raises
// EFileError when it exists but cannot be read: a file we cannot read is not a
// file that is missing.
std::optional<std::string> ReadWholeFile(const std::wstring& path);

// Writes the bytes to a new file of its own in the same folder and moves it
// over the file, so that a half-written file never takes its place and no
// other file of the folder is touched. A file marked read-only is never
// replaced, as its owner asked, whatever the file system would allow. Raises
// EFileError.
void WriteWholeFile(const std::wstring& path, std::string_view bytes);

} // namespace quill
