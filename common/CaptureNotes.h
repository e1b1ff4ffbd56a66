#pragma once

#include <string>
#include <vector>

namespace quill {

// What a capture could not record completely (keys it could not open, values
// that changed while being read, paths listed twice), shown in the report's
// details so that a partial snapshot is never taken for a complete one.
class TCaptureNotes {
public:
    void Add(std::string note) { FLines.push_back(std::move(note)); }
    const std::vector<std::string>& Lines() const noexcept { return FLines; }
    bool Empty() const noexcept { return FLines.empty(); }
    void Clear() noexcept { FLines.clear(); }

private:
    std::vector<std::string> FLines;
};

} // namespace quill
