#pragma once

#include "common/ProcessList.h"

namespace quill {

// The tool-help process snapshot, wide-character entries.
class TWin32ProcessSnapshot : public IProcessSnapshot {
public:
    bool TakeSnapshot(std::vector<TProcessEntry>& entries) override;
    std::uint32_t OwnProcessID() const override;
};

} // namespace quill
