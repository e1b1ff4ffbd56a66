#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quill {

// What a capture could not record completely (keys it could not open, values
// that changed while being read, directories it could not list), shown in the
// report's details so that a partial snapshot is never taken for a complete
// one. A system drive scanned without elevation denies thousands of items:
// each kind of note keeps its count and only its first examples.
class TCaptureNotes {
public:
    static constexpr std::size_t kMaxExamples = 100;

    struct TKind {
        std::string Kind; // what happened, e.g. "Could not list"
        std::size_t Count = 0;
        std::vector<std::string> Examples; // the first kMaxExamples, in order of occurrence
    };

    // Counts one occurrence of the kind; the example (a path, with the
    // system's reason where there is one) is kept while the kind has fewer
    // than kMaxExamples.
    void Add(std::string_view kind, std::string example);
    // Counts occurrences of the kind whose examples were kept elsewhere (a
    // saved capture): the examples join those held while there is room.
    void AddCounted(std::string_view kind, std::size_t count, std::vector<std::string> examples);

    // Adds every occurrence the other notes counted, as if they had been
    // added here after these.
    void Append(const TCaptureNotes& other);

    // Kinds in the order of their first occurrence.
    const std::vector<TKind>& Kinds() const noexcept { return FKinds; }
    // Occurrences of every kind together.
    std::size_t Total() const noexcept { return FTotal; }
    bool Empty() const noexcept { return FKinds.empty(); }
    void Clear() noexcept;

    // One line "kind: example" per kept example and, for a kind with more
    // occurrences than examples, "kind: N more (T in all)".
    std::vector<std::string> Lines() const;

private:
    TKind& Entry(std::string_view kind);

    std::vector<TKind> FKinds;
    std::unordered_map<std::string, std::size_t> FIndex;
    std::size_t FTotal = 0;
};

} // namespace quill
