#pragma once

#include "common/ProcessList.h"

#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace quill {

// The processes of a recorded program, so that a process one of them started
// outside its job (a child may ask to break away from it) is still found. A
// snapshot names a child's parent by id only, and an id is reused once its
// process has ended: every member keeps its creation time, and a child must
// not be older than its parent.
class TProcessFamily {
public:
    // A process of the program, created at `created` (the platform's file-time
    // units; 0 when unknown, which any child passes). The first time counts.
    void Add(std::uint32_t processID, std::uint64_t created);
    bool Contains(std::uint32_t processID) const { return FCreated.contains(processID); }

    // The snapshot's processes whose parent is a member and that are no
    // members themselves. Each is offered once, whether the caller follows it
    // or not.
    std::vector<TProcessEntry> NewChildren(const std::vector<TProcessEntry>& snapshot);

    // Whether the offered entry, created at `created`, is its member parent's
    // child rather than the child of an earlier process with the parent's id.
    // A child created in the same clock tick as its parent has its parent's
    // time.
    bool IsChild(const TProcessEntry& child, std::uint64_t created) const;

private:
    std::unordered_map<std::uint32_t, std::uint64_t> FCreated;
    std::unordered_set<std::uint32_t> FOffered;
};

} // namespace quill
