#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quill {

// The checked entries of the four lists, hashed once so that each record is
// tested in a few lookups whatever the lists' length: a path is hashed once,
// its prefixes on the way, and looked up at each of its backslashes rather
// than compared with every entry.
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
    // Where the key and value entries stand in a root's key paths. Under
    // HKEY_USERS each user's hive is one level down ("\S-1-5-21-...\"), and
    // an entry written as under HKEY_CURRENT_USER ("\Software\...") is to
    // hide the same there, in every hive.
    enum class TKeyScope { Root, EachUserHive };

    // False for a key path equal to or below a keys entry.
    bool IsKeyIncluded(std::string_view keyPath, TKeyScope scope = TKeyScope::Root) const;
    // False for a value named by a values entry.
    bool IsValueIncluded(std::string_view keyPath, std::string_view name, TKeyScope scope = TKeyScope::Root) const;

private:
    // Texts found by their TextHash, compared with SameText.
    class THashedTexts {
    public:
        void Add(std::string text);
        // Whether a text equals first followed by second, which are not
        // joined: a record is matched without a copy of its name.
        bool Contains(std::uint64_t hash, std::string_view first, std::string_view second = {}) const;
        bool Empty() const noexcept { return FTexts.empty(); }

    private:
        struct TIdentity {
            std::size_t operator()(std::uint64_t hash) const noexcept { return static_cast<std::size_t>(hash); }
        };
        std::unordered_multimap<std::uint64_t, std::string, TIdentity> FTexts;
    };

    // Entries that each end with a backslash, with the lengths they come in,
    // counted in characters: an entry and a path it equals may differ in
    // their lengths in bytes.
    class TPrefixSet {
    public:
        void Add(std::string prefix);
        // Whether the text starts with one of the prefixes; hands back the
        // hash of the whole text, taken on the way.
        bool Covers(std::string_view text, std::uint64_t& hash) const;

    private:
        THashedTexts FPrefixes;
        std::vector<bool> FLengths;
    };

    bool KeyMatches(std::string_view keyPath) const;
    bool ValueMatches(std::string_view keyPath, std::string_view name) const;

    // Files and directories alike are hidden by an equal path.
    THashedTexts FPaths;
    TPrefixSet FDirectoryPrefixes;
    TPrefixSet FKeys;
    THashedTexts FValues;
};

} // namespace quill
