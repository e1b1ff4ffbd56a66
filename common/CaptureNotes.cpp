#include "common/CaptureNotes.h"

namespace quill {

TCaptureNotes::TKind& TCaptureNotes::Entry(std::string_view kind) {
    auto [found, added] = FIndex.try_emplace(std::string(kind), FKinds.size());
    if (added) {
        FKinds.push_back({std::string(kind), 0, {}});
    }
    return FKinds[found->second];
}

void TCaptureNotes::Add(std::string_view kind, std::string example) {
    TKind& entry = Entry(kind);
    ++entry.Count;
    ++FTotal;
    if (entry.Examples.size() < kMaxExamples) {
        entry.Examples.push_back(std::move(example));
    }
}

void TCaptureNotes::AddCounted(std::string_view kind, std::size_t count, std::vector<std::string> examples) {
    TKind& entry = Entry(kind);
    entry.Count += count;
    FTotal += count;
    for (std::string& example : examples) {
        if (entry.Examples.size() == kMaxExamples) {
            break;
        }
        entry.Examples.push_back(std::move(example));
    }
}

void TCaptureNotes::Append(const TCaptureNotes& other) {
    for (const TKind& kind : other.FKinds) {
        AddCounted(kind.Kind, kind.Count, kind.Examples);
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
