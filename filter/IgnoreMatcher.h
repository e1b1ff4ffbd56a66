#pragma once

#include "common/TextCompare.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace quill {

// The checked entries of the four lists, hashed once so that each record is
// tested in a few lookups whatever the lists' length: a path is looked up at
// each of its backslashes rather than compared with every entry.
class TIgnoreMatcher {
public:
    struct TLists {
        std::vector<std::string> Files;
        std::vector<std::string> Directories;
        std::vector<std::string> Keys;
        std::vector<std::string> Values;
    };

    TIgnoreMatcher() = default;
    // Key and value entries written by hand are brought to the form the
    // editor gives them, so that "HKLM\Software\Example" hides what the user
    // meant and "\Software\Example" hides no sibling such as
    // "\Software\ExampleTwo\".
    explicit TIgnoreMatcher(const TLists& lists);

    // False for a path equal to a files or directories entry, or below a
    // directories entry; directory paths end with a backslash.
    bool IsPathIncluded(std::string_view path) const;
    // False for a key path equal to or below a keys entry.
    bool IsKeyIncluded(std::string_view keyPath) const;
    // False for a value named by a values entry.
    bool IsValueIncluded(std::string_view keyPath, std::string_view name) const;

private:
    struct THash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const noexcept {
            return static_cast<std::size_t>(TextHash(text));
        }
    };
    struct TEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const noexcept { return SameText(a, b); }
    };
    using TTextSet = std::unordered_set<std::string, THash, TEqual>;

    // Entries that each end with a backslash, with the lengths they come in.
    class TPrefixSet {
    public:
        void Add(std::string prefix);
        // Whether the text starts with one of the prefixes.
        bool Covers(std::string_view text) const;

    private:
        TTextSet FPrefixes;
        std::vector<bool> FLengths;
    };

    // Files and directories alike are hidden by an equal path.
    TTextSet FPaths;
    TPrefixSet FDirectoryPrefixes;
    TPrefixSet FKeys;
    TTextSet FValues;
};

} // namespace quill
