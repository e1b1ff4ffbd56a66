#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quill {

// The format the program writes; files of a higher one are refused, not
// guessed at.
inline constexpr std::uint32_t kSnapshotFormatVersion = 1;

// A snapshot file that cannot be loaded. The message names the file and what
// is wrong with it.
class ESnapshotFile : public std::runtime_error {
public:
    ESnapshotFile(const std::string& file, const std::string& problem)
        : std::runtime_error("the snapshot file \"" + file + "\" cannot be loaded: " + problem), FFile(file),
          FProblem(problem) {}
    const std::string& File() const noexcept { return FFile; }
    const std::string& Problem() const noexcept { return FProblem; }

private:
    std::string FFile;
    std::string FProblem;
};

// The bytes of a snapshot file around its content: a header (magic, format
// version, content size, CRC-32 of the content), then the content compressed
// with zlib.
std::string PackSnapshotContent(std::string_view content);

// The content of a snapshot file, checked against its header. Raises
// ESnapshotFile naming file when the bytes are truncated, damaged, not a
// snapshot file, or of a newer format.
std::string UnpackSnapshotContent(std::string_view bytes, const std::string& file);

} // namespace quill
