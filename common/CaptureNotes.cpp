#include "common/CaptureNotes.h"

namespace quill {

void TCaptureNotes::Add(std::string_view kind, std::string example) {
    auto [found, added] = FIndex.try_emplace(std::string(kind), FKinds.size());
    if (added) {
        FKinds.push_back({std::string(kind), 0, {}});
    }
    TKind& entry = FKinds[found->second];
    ++entry.Count;
    ++FTotal;
    if (entry.Examples.size() < kMaxExamples) {
        entry.Examples.push_back(std::move(example));
    }
}

void TCaptureNotes::Clear() noexcept {
    FKinds.clear();
    FIndex.clear();
    FTotal = 0;
}

std::vector<std::string> TCaptureNotes::Lines() const {
    std::vector<std::string> lines;
    for (const TKind& kind : FKinds) {
        for (const std::string& example : kind.Examples) {
            lines.push_back(kind.Kind + ": " + example);
        }
        if (kind.Count > kind.Examples.size()) {
            lines.push_back(kind.Kind + ": " + std::to_string(kind.Count - kind.Examples.size()) + " more (" +
                            std::to_string(kind.Count) + " in all)");
        }
    }
    return lines;
}

} // namespace quill
