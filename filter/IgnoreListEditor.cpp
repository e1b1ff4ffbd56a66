#include "filter/IgnoreListEditor.h"

#include "common/TextCompare.h"

#include <algorithm>
#include <exception>

namespace quill {
namespace {

std::string FileErrorText(std::string_view what, const std::string& fileName, std::string_view reason) {
    std::string text(what);
    text.append(fileName).append(kMessageParagraph).append("Reason: ").append(reason);
    return text;
}

constexpr std::string_view kReadError = "Unable to read the settings file: ";
// Said before the editor shows an empty list whose save would replace the
// file's text.
constexpr std::string_view kNoEntryRead =
    "The file holds text, but no entry could be read from it. Saving this list replaces that text.";

bool EntryLess(const TIgnoreEntry& a, const TIgnoreEntry& b) {
    return CompareText(a.Text, b.Text) < 0;
}

} // namespace

TIgnoreListEditor::TIgnoreListEditor(TIgnoreKind kind, std::string_view folder, IIgnoreFiles& files,
                                     IMessageBoxes& messages)
    : FKind(kind), FFileName(std::string(folder) + std::string(IgnoreKindInfo(kind).FileName)), FFiles(files),
      FMessages(messages) {
    LoadFromFile();
}

void TIgnoreListEditor::LoadFromFile() {
    FModified = false;
    FEntries.clear();
    try {
        const std::optional<std::string> text = FFiles.Read(FFileName);
        if (text) {
            FEntries = ParseIgnoreList(*text);
            std::stable_sort(FEntries.begin(), FEntries.end(), EntryLess);
            if (FEntries.empty() && HoldsForeignText(*text)) {
                FMessages.Error(FileErrorText(kReadError, FFileName, kNoEntryRead));
            }
        }
    } catch (const std::exception& error) {
        FMessages.Error(FileErrorText(kReadError, FFileName, error.what()));
    }
}

bool TIgnoreListEditor::SaveToFile() {
    try {
        FFiles.Write(FFileName, FormatIgnoreList(FEntries));
    } catch (const std::exception& error) {
        FMessages.Error(FileErrorText("Unable to save to the settings file: ", FFileName, error.what()));
        return false;
    }
    FModified = false;
    return true;
}

bool TIgnoreListEditor::Holds(std::string_view text) const {
    const auto at =
        std::lower_bound(FEntries.begin(), FEntries.end(), text,
                         [](const TIgnoreEntry& entry, std::string_view t) { return CompareText(entry.Text, t) < 0; });
    return at != FEntries.end() && SameText(at->Text, text);
}

std::optional<std::size_t> TIgnoreListEditor::Add(std::string_view typed) {
    const std::string_view trimmed = TrimText(typed);
    if (trimmed.empty() || Holds(trimmed)) {
        return std::nullopt;
    }
    std::optional<std::string> text = IgnoreEntryForm(FKind, trimmed);
    if (!text || Holds(*text)) {
        return std::nullopt;
    }
    TIgnoreEntry entry{std::move(*text), true};
    const auto index = static_cast<std::size_t>(std::upper_bound(FEntries.begin(), FEntries.end(), entry, EntryLess) -
                                                FEntries.begin());
    FEntries.insert(FEntries.begin() + static_cast<std::ptrdiff_t>(index), std::move(entry));
    FModified = true;
    return index;
}

void TIgnoreListEditor::SetChecked(std::size_t index, bool checked) {
    FEntries.at(index).Checked = checked;
    FModified = true;
}

void TIgnoreListEditor::CheckAll(bool checked) {
    for (TIgnoreEntry& entry : FEntries) {
        entry.Checked = checked;
    }
    FModified = FModified || !FEntries.empty();
}

void TIgnoreListEditor::Delete(std::vector<std::size_t> selected) {
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    for (auto index = selected.rbegin(); index != selected.rend(); ++index) {
        if (*index < FEntries.size()) {
            FEntries.erase(FEntries.begin() + static_cast<std::ptrdiff_t>(*index));
            FModified = true;
        }
    }
}

void TIgnoreListEditor::OkClick() {
    if (FModified) {
        SaveToFile();
    }
}

bool TIgnoreListEditor::CloseQuery() {
    return !FModified || FMessages.Confirm("Are you sure to want to lose then changes you made?");
}

std::vector<std::string> TIgnoreListEditor::CheckedTexts() const {
    std::vector<std::string> texts;
    for (const TIgnoreEntry& entry : FEntries) {
        if (entry.Checked) {
            texts.push_back(entry.Text);
        }
    }
    return texts;
}

std::vector<std::string> LoadIgnoreList(TIgnoreKind kind, std::string_view folder, IIgnoreFiles& files,
                                        IMessageBoxes& messages) {
    return TIgnoreListEditor(kind, folder, files, messages).CheckedTexts();
}

TIgnoreMatcher::TLists LoadIgnoreLists(std::string_view folder, IIgnoreFiles& files, IMessageBoxes& messages,
                                       const TLookupVariable& lookup) {
    TIgnoreMatcher::TLists lists;
    lists.Directories = LoadIgnoreList(TIgnoreKind::Directories, folder, files, messages);
    lists.Files = LoadIgnoreList(TIgnoreKind::Files, folder, files, messages);
    lists.Keys = LoadIgnoreList(TIgnoreKind::Keys, folder, files, messages);
    lists.Values = LoadIgnoreList(TIgnoreKind::Values, folder, files, messages);
    for (auto* paths : {&lists.Directories, &lists.Files}) {
        for (std::string& path : *paths) {
            path = ExpandVariables(path, lookup);
        }
    }
    return lists;
}

} // namespace quill
