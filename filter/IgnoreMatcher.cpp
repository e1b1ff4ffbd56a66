#include "filter/IgnoreMatcher.h"

#include "filter/IgnoreList.h"

namespace quill {

void TIgnoreMatcher::TPrefixSet::Add(std::string prefix) {
    if (FLengths.size() <= prefix.size()) {
        FLengths.resize(prefix.size() + 1);
    }
    FLengths[prefix.size()] = true;
    FPrefixes.insert(std::move(prefix));
}

bool TIgnoreMatcher::TPrefixSet::Covers(std::string_view text) const {
    if (FPrefixes.empty()) {
        return false;
    }
    for (std::size_t at = text.find('\\'); at != std::string_view::npos; at = text.find('\\', at + 1)) {
        const std::size_t length = at + 1;
        if (length >= FLengths.size()) {
            return false;
        }
        if (FLengths[length] && FPrefixes.contains(text.substr(0, length))) {
            return true;
        }
    }
    return false;
}

TIgnoreMatcher::TIgnoreMatcher(const TLists& lists) {
    FPaths.insert(lists.Files.begin(), lists.Files.end());
    for (const std::string& directory : lists.Directories) {
        FPaths.insert(directory);
        FDirectoryPrefixes.Add(directory.ends_with('\\') ? directory : directory + '\\');
    }
    for (const std::string& key : lists.Keys) {
        if (std::optional<std::string> form = IgnoreEntryForm(TIgnoreKind::Keys, key)) {
            FKeys.Add(std::move(*form));
        }
    }
    for (const std::string& value : lists.Values) {
        if (std::optional<std::string> form = IgnoreEntryForm(TIgnoreKind::Values, value)) {
            FValues.insert(std::move(*form));
        }
    }
}

bool TIgnoreMatcher::IsPathIncluded(std::string_view path) const {
    return !FPaths.contains(path) && !FDirectoryPrefixes.Covers(path);
}

bool TIgnoreMatcher::IsKeyIncluded(std::string_view keyPath) const {
    return !FKeys.Covers(keyPath);
}

bool TIgnoreMatcher::IsValueIncluded(std::string_view keyPath, std::string_view name) const {
    if (FValues.empty()) {
        return true;
    }
    std::string text;
    text.reserve(keyPath.size() + name.size());
    text.append(keyPath).append(name);
    return !FValues.contains(std::string_view(text));
}

} // namespace quill
