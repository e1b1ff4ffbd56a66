#pragma once

#include "common/CaptureNotes.h"
#include "common/TextCompare.h"
#include "snapshot/EnumRegistry.h"

#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// An ini file read as the platform's profile functions read it: "[name]"
// section headers, "name=value" lines, ";" comment lines, blanks around
// names and values trimmed, names compared without regard to case, a value
// in double quotes taken without them, the first occurrence of a key in a
// section wins. A section that appears again is listed once, and the keys of
// its later occurrences are not read: the profile functions look only at the
// first section of a name, and mixing in the later ones would show text the
// platform never shows.
class TIniFile {
public:
    static TIniFile Parse(std::string_view text);

    // In file order.
    const std::vector<std::string>& SectionNames() const noexcept { return FNames; }
    std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;

private:
    struct TEntry {
        std::string Key;
        std::string Value;
    };
    std::vector<std::string> FNames;
    // Parallel to FNames.
    std::vector<std::vector<TEntry>> FEntries;
    std::map<std::string, std::size_t, TTextLess> FIndex;
};

// The comparison results of one root that the warnings look at. A root that
// was not captured has no lists (all null) and never warns.
struct TRootChanges {
    const TKeyList* KeysBefore = nullptr;
    const TKeyList* KeysAfter = nullptr;
    const TKeyList* ModifiedKeysBefore = nullptr;
    const TValueList* ValuesBefore = nullptr;
    const TValueList* ValuesAfter = nullptr;
    const TValueList* ModifiedValuesBefore = nullptr;
};

// Indexed by TRegRoot.
using TRegistryChanges = std::array<TRootChanges, std::size(kAllRoots)>;

// Shows one warning and returns when the user has dismissed it.
class IRegWarningDisplay {
public:
    virtual ~IRegWarningDisplay() = default;
    virtual void ShowRegistryWarning(const std::string& name, const std::string& message) = 0;
};

inline constexpr std::string_view kWarningsFileName = "Quillborne.ini";
inline constexpr std::string_view kNoWarningMessage = "There is no message associated with this key/value";

// True when the key was created, deleted or modified (its last-write time).
bool IsKeyChanged(const TKeyList& keysBefore, const TKeyList& keysAfter, const TKeyList& modifiedKeysBefore,
                  std::string_view keyPath);

// valueText is the key path and the value name, split at its last backslash
// or colon. True when such a value was created, deleted or modified.
bool IsValueChanged(const TValueList& valuesBefore, const TValueList& valuesAfter,
                    const TValueList& modifiedValuesBefore, std::string_view valueText);

// One warning per section of the warnings file whose key or value changed,
// in the order of the file, each shown after the previous was dismissed. A
// warning that cannot be checked or shown is skipped with a note, and the
// others are still shown.
void CheckRegistryWarnings(const TIniFile& warnings, const TRegistryChanges& changes, IRegWarningDisplay& display,
                           TCaptureNotes& notes);

} // namespace quill
