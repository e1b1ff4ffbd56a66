#include "commandline/ProgramSearch.h"

#include <vector>

namespace quill {
namespace {

constexpr std::string_view kDefaultExtensions = ".COM;.EXE;.BAT;.CMD";

// Blanks around an item and double quotes around a folder with blanks are
// not part of it.
std::string Unquoted(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = text.substr(1, text.size() - 2);
    }
    return std::string(text);
}

std::vector<std::string> SplitList(std::string_view text) {
    std::vector<std::string> items;
    while (!text.empty()) {
        const std::size_t semicolon = text.find(';');
        std::string item = Unquoted(text.substr(0, semicolon));
        if (!item.empty()) {
            items.push_back(std::move(item));
        }
        text.remove_prefix(semicolon == std::string_view::npos ? text.size() : semicolon + 1);
    }
    return items;
}

bool HasExtension(std::string_view name) {
    return name.find('.') != std::string_view::npos;
}

std::vector<std::string> FileNames(const std::string& name, const TProgramSearch& search) {
    if (HasExtension(name)) {
        return {name};
    }
    std::vector<std::string> names;
    for (const std::string& extension :
         SplitList(search.Extensions.empty() ? kDefaultExtensions : std::string_view(search.Extensions))) {
        names.push_back(name + extension);
    }
    return names;
}

} // namespace

bool NamesFolder(std::string_view name) {
    return name.find_first_of("\\/:") != std::string_view::npos;
}

std::string FindProgram(const std::string& name, const TProgramSearch& search, IProgramLookup& lookup) {
    std::vector<std::string> folders{search.CurrentFolder};
    for (std::string& folder : SplitList(search.PathVariable)) {
        folders.push_back(std::move(folder));
    }
    const std::vector<std::string> names = FileNames(name, search);
    for (const std::string& folder : folders) {
        for (const std::string& fileName : names) {
            std::string found = lookup.FindFile(folder, fileName);
            if (!found.empty()) {
                return found;
            }
        }
    }
    return Unquoted(lookup.AppPath(HasExtension(name) ? name : name + ".exe"));
}

} // namespace quill
