#pragma once

#include "common/MessageBoxes.h"
#include "filter/IgnoreList.h"
#include "filter/IgnoreMatcher.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// Where a list's file is read from and written to.
class IIgnoreFiles {
public:
    virtual ~IIgnoreFiles() = default;
    // The file's text as UTF-8, or nothing when it does not exist. Raises
    // std::runtime_error when it exists but cannot be read.
    virtual std::optional<std::string> Read(const std::string& path) = 0;
    // Puts a file of the bytes in the path's place in one step, touching no
    // other file of the folder, so that a save that fails leaves the previous
    // file as it was. Raises std::runtime_error with the system's reason.
    virtual void Write(const std::string& path, const std::string& bytes) = 0;
};

// The list one editor works on, kept sorted without regard to case as the
// window's list shows it, with the record of changes not yet saved. Reading
// and saving errors are shown to the user, never raised.
class TIgnoreListEditor {
public:
    // Reads the kind's file in the folder (which ends with a backslash).
    TIgnoreListEditor(TIgnoreKind kind, std::string_view folder, IIgnoreFiles& files, IMessageBoxes& messages);

    TIgnoreKind Kind() const noexcept { return FKind; }
    const std::string& FileName() const noexcept { return FFileName; }
    const std::vector<TIgnoreEntry>& Entries() const noexcept { return FEntries; }
    bool Modified() const noexcept { return FModified; }

    // Clears the record of changes and reads the file again.
    void LoadFromFile();
    // Writes the file; only a successful save clears the record of changes.
    bool SaveToFile();

    // The add step: brings the typed text to the kind's form and adds it,
    // checked, unless it is empty, too short or already listed (without
    // regard to case). The index of the new entry, or nothing.
    std::optional<std::size_t> Add(std::string_view typed);

    void SetChecked(std::size_t index, bool checked);
    void CheckAll(bool checked);
    // Removes the entries at the indexes, in any order.
    void Delete(std::vector<std::size_t> selected);

    // OK: saves when something changed. Whether the dialog may close then
    // follows from CloseQuery.
    void OkClick();
    // True when the dialog may close: nothing is unsaved, or the user agrees
    // to lose it.
    bool CloseQuery();

    std::vector<std::string> CheckedTexts() const;

private:
    bool Holds(std::string_view text) const;

    TIgnoreKind FKind;
    std::string FFileName;
    IIgnoreFiles& FFiles;
    IMessageBoxes& FMessages;
    std::vector<TIgnoreEntry> FEntries;
    bool FModified = false;
};

// The texts of the checked entries of the kind's list in the folder, in the
// list's order. A read error is shown; what was read before it stays.
std::vector<std::string> LoadIgnoreList(TIgnoreKind kind, std::string_view folder, IIgnoreFiles& files,
                                        IMessageBoxes& messages);

// The checked entries of all four lists in the folder, as the result filter
// applies them: variables in file and directory entries expanded.
TIgnoreMatcher::TLists LoadIgnoreLists(std::string_view folder, IIgnoreFiles& files, IMessageBoxes& messages,
                                       const TLookupVariable& lookup);

// Blank line between two sentences of a message, in the characters the
// program's messages have always used.
inline constexpr std::string_view kMessageParagraph = "\n\r\n\r";

} // namespace quill
