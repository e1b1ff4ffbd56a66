#include "recording/ProcessFamily.h"

namespace quill {

void TProcessFamily::Add(std::uint32_t processID, std::uint64_t created) {
    FCreated.emplace(processID, created);
}

std::vector<TProcessEntry> TProcessFamily::NewChildren(const std::vector<TProcessEntry>& snapshot) {
    std::vector<TProcessEntry> children;
    for (const TProcessEntry& entry : snapshot) {
        // Id 0 is the system's idle process, its own parent.
        if (entry.ProcessID != 0 && Contains(entry.ParentID) && !Contains(entry.ProcessID) &&
            FOffered.insert(entry.ProcessID).second) {
            children.push_back(entry);
        }
    }
    return children;
}

bool TProcessFamily::IsChild(const TProcessEntry& child, std::uint64_t created) const {
    const auto parent = FCreated.find(child.ParentID);
    return parent != FCreated.end() && created >= parent->second;
}

} // namespace quill
