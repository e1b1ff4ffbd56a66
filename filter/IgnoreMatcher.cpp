#include "filter/IgnoreMatcher.h"

#include "common/Registry.h"
#include "common/TextCompare.h"
#include "filter/IgnoreList.h"

namespace quill {

void TIgnoreMatcher::THashedTexts::Add(std::string text) {
    const std::uint64_t hash = TextHash(text);
    if (!Contains(hash, text)) {
        FTexts.emplace(hash, std::move(text));
    }
}

bool TIgnoreMatcher::THashedTexts::Contains(std::uint64_t hash, std::string_view first, std::string_view second) const {
    const auto [begin, end] = FTexts.equal_range(hash);
    for (auto entry = begin; entry != end; ++entry) {
        const std::size_t matched = MatchTextPrefix(entry->second, first);
        if (matched != std::string_view::npos && SameText(std::string_view(entry->second).substr(matched), second)) {
            return true;
        }
    }
    return false;
}

void TIgnoreMatcher::TPrefixSet::Add(std::string prefix) {
    TTextHasher hasher;
    hasher.Append(prefix);
    const std::size_t length = hasher.Characters();
    if (FLengths.size() <= length) {
        FLengths.resize(length + 1);
    }
    FLengths[length] = true;
    FPrefixes.Add(std::move(prefix));
}

bool TIgnoreMatcher::TPrefixSet::Covers(std::string_view text, std::uint64_t& hash) const {
    TTextHasher hasher;
    std::size_t hashed = 0;
    for (std::size_t at = text.find('\\'); at != std::string_view::npos; at = text.find('\\', at + 1)) {
        const std::size_t length = at + 1;
        hasher.Append(text.substr(hashed, length - hashed));
        hashed = length;
        const std::size_t characters = hasher.Characters();
        if (characters < FLengths.size() && FLengths[characters] &&
            FPrefixes.Contains(hasher.Hash(), text.substr(0, length))) {
            return true;
        }
    }
    hasher.Append(text.substr(hashed));
    hash = hasher.Hash();
    return false;
}

TIgnoreMatcher::TIgnoreMatcher(const TLists& lists) {
    for (const std::string& file : lists.Files) {
        FPaths.Add(file);
    }
    for (const std::string& directory : lists.Directories) {
        FPaths.Add(directory);
        FDirectoryPrefixes.Add(directory.ends_with('\\') ? directory : directory + '\\');
    }
    for (const std::string& key : lists.Keys) {
        if (std::optional<std::string> form = IgnoreEntryForm(TIgnoreKind::Keys, key)) {
            FKeys.Add(std::move(*form));
        }
    }
    for (const std::string& value : lists.Values) {
        if (std::optional<std::string> form = IgnoreEntryForm(TIgnoreKind::Values, value)) {
            FValues.Add(std::move(*form));
        }
    }
}

bool TIgnoreMatcher::IsPathIncluded(std::string_view path) const {
    std::uint64_t hash = 0;
    return !FDirectoryPrefixes.Covers(path, hash) && !FPaths.Contains(hash, path);
}

namespace {

// The key path below the user's hive it lies in, "\S-1-5-21-...\Software\"
// giving "\Software\"; empty for the hive itself.
std::string_view BelowUserHive(std::string_view keyPath) {
    const std::string_view below = SplitUserHive(keyPath).Below;
    return below.size() <= 1 ? std::string_view() : below;
}

} // namespace

bool TIgnoreMatcher::KeyMatches(std::string_view keyPath) const {
    std::uint64_t hash = 0;
    return FKeys.Covers(keyPath, hash);
}

bool TIgnoreMatcher::ValueMatches(std::string_view keyPath, std::string_view name) const {
    TTextHasher hasher;
    hasher.Append(keyPath);
    hasher.Append(name);
    return FValues.Contains(hasher.Hash(), keyPath, name);
}

bool TIgnoreMatcher::IsKeyIncluded(std::string_view keyPath, TKeyScope scope) const {
    if (KeyMatches(keyPath)) {
        return false;
    }
    const std::string_view below = scope == TKeyScope::EachUserHive ? BelowUserHive(keyPath) : std::string_view();
    return below.empty() || !KeyMatches(below);
}

bool TIgnoreMatcher::IsValueIncluded(std::string_view keyPath, std::string_view name, TKeyScope scope) const {
    if (FValues.Empty() || ValueMatches(keyPath, name)) {
        return FValues.Empty();
    }
    const std::string_view below = scope == TKeyScope::EachUserHive ? BelowUserHive(keyPath) : std::string_view();
    return below.empty() || !ValueMatches(below, name);
}

} // namespace quill
