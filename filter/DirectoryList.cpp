#include "filter/DirectoryList.h"

#include "common/ListText.h"
#include "common/TextCompare.h"
#include "filter/IgnoreListEditor.h"

#include <algorithm>

namespace quill {
namespace {

std::string WithBackslash(std::string_view path) {
    std::string text(path);
    if (text.empty() || text.back() != '\\') {
        text += '\\';
    }
    return text;
}

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

bool Covers(std::string_view entry, std::string_view directory) {
    return StartsWithText(WithBackslash(directory), WithBackslash(entry));
}

TDirectoryList::TDirectoryList(std::string_view paths) {
    FEntries = ParseDelimitedList(paths);
    std::stable_sort(FEntries.begin(), FEntries.end(), TTextLess{});
    FEntries.erase(std::unique(FEntries.begin(), FEntries.end(),
                               [](const std::string& a, const std::string& b) { return SameText(a, b); }),
                   FEntries.end());
}

std::string TDirectoryList::StartDirectory(std::string_view fallback) const {
    return FEntries.empty() ? std::string(fallback) : FEntries.back();
}

bool TDirectoryList::Add(std::string_view directory, IMessageBoxes& messages) {
    const auto same = [directory](const std::string& entry) { return SameText(entry, directory); };
    if (std::any_of(FEntries.begin(), FEntries.end(), same)) {
        return false;
    }
    for (const std::string& entry : FEntries) {
        if (Covers(entry, directory)) {
            messages.Error("This directory is already covered by " + entry);
            return false;
        }
    }
    const std::string parent = WithBackslash(directory);
    const auto inside = [&parent](const std::string& entry) { return StartsWithText(entry, parent); };
    if (std::any_of(FEntries.begin(), FEntries.end(), inside)) {
        const std::string question = "This directory is a parent directory of one or more directories already in the "
                                     "list." +
                                     std::string(kMessageParagraph) +
                                     "Those directories will be removed from the list.";
        if (messages.Show(TMessageKind::Confirmation, question, TMessageButtons::YesCancel) != TMessageAnswer::Yes) {
            return false;
        }
        FEntries.erase(std::remove_if(FEntries.begin(), FEntries.end(), inside), FEntries.end());
    }
    FEntries.insert(std::upper_bound(FEntries.begin(), FEntries.end(), directory, TTextLess{}), std::string(directory));
    return true;
}

void TDirectoryList::Delete(std::vector<std::size_t> selected) {
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    for (auto index = selected.rbegin(); index != selected.rend(); ++index) {
        if (*index < FEntries.size()) {
            FEntries.erase(FEntries.begin() + static_cast<std::ptrdiff_t>(*index));
        }
    }
}

std::string TDirectoryList::Paths() const {
    std::vector<std::string> items;
    items.reserve(FEntries.size());
    for (const std::string& entry : FEntries) {
        items.emplace_back(Trimmed(entry));
    }
    return FormatDelimitedList(items);
}

} // namespace quill
