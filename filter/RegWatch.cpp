#include "filter/RegWatch.h"

#include "common/TextCompare.h"

#include <exception>

namespace quill {
namespace {

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

template <class TRecord> bool HoldsRecordAt(const TRecordList<TRecord>& list, std::string_view text) {
    std::size_t index = 0;
    return list.Find(text, index) && list.Record(index) != nullptr;
}

bool HoldsValue(const TValueList& list, std::string_view keyPath, std::string_view name) {
    std::size_t index = 0;
    if (!list.Find(keyPath, index)) {
        return false;
    }
    for (; index < list.Count() && SameText(list.Text(index), keyPath); ++index) {
        const TValueRecord* record = list.Record(index);
        if (record != nullptr && SameText(record->Name, name)) {
            return true;
        }
    }
    return false;
}

// The root a section names, tested in this order, and the rest of the name.
bool SplitRoot(std::string_view section, TRegRoot& root, std::string_view& path) {
    constexpr TRegRoot order[] = {TRegRoot::ClassesRoot, TRegRoot::CurrentUser, TRegRoot::LocalMachine, TRegRoot::Users,
                                  TRegRoot::CurrentConfig};
    for (const TRegRoot candidate : order) {
        const std::string_view name = RootName(candidate);
        if (StartsWithText(section, name)) {
            root = candidate;
            path = section.substr(name.size());
            return true;
        }
    }
    return false;
}

bool IsSectionChanged(const TRootChanges& lists, std::string_view path) {
    if (path.back() == '\\') {
        return lists.KeysBefore != nullptr &&
               IsKeyChanged(*lists.KeysBefore, *lists.KeysAfter, *lists.ModifiedKeysBefore, path);
    }
    return lists.ValuesBefore != nullptr &&
           IsValueChanged(*lists.ValuesBefore, *lists.ValuesAfter, *lists.ModifiedValuesBefore, path);
}

} // namespace

TIniFile TIniFile::Parse(std::string_view text) {
    TIniFile ini;
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    // Null before the first section and in a repeated one: those lines are not read.
    std::vector<TEntry>* entries = nullptr;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close == std::string_view::npos) {
                continue;
            }
            const std::string name(Trim(line.substr(1, close - 1)));
            const bool added = ini.FIndex.try_emplace(name, ini.FNames.size()).second;
            entries = nullptr;
            if (added) {
                ini.FNames.push_back(name);
                entries = &ini.FEntries.emplace_back();
            }
            continue;
        }
        if (entries == nullptr) {
            continue;
        }
        const std::size_t equals = line.find('=');
        const std::string_view key = Trim(line.substr(0, equals));
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view{} : Unquote(Trim(line.substr(equals + 1)));
        entries->push_back(TEntry{std::string(key), std::string(value)});
    }
    return ini;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view fallback) const {
    const auto found = FIndex.find(std::string(section));
    if (found != FIndex.end()) {
        for (const TEntry& entry : FEntries[found->second]) {
            if (SameText(entry.Key, key)) {
                return entry.Value;
            }
        }
    }
    return std::string(fallback);
}

bool IsKeyChanged(const TKeyList& keysBefore, const TKeyList& keysAfter, const TKeyList& modifiedKeysBefore,
                  std::string_view keyPath) {
    std::size_t index = 0;
    return HoldsRecordAt(keysBefore, keyPath) || HoldsRecordAt(keysAfter, keyPath) ||
           modifiedKeysBefore.Find(keyPath, index);
}

bool IsValueChanged(const TValueList& valuesBefore, const TValueList& valuesAfter,
                    const TValueList& modifiedValuesBefore, std::string_view valueText) {
    const std::size_t split = valueText.find_last_of("\\:");
    const std::size_t nameStart = split == std::string_view::npos ? 0 : split + 1;
    const std::string_view keyPath = valueText.substr(0, nameStart);
    const std::string_view name = valueText.substr(nameStart);
    return HoldsValue(valuesBefore, keyPath, name) || HoldsValue(valuesAfter, keyPath, name) ||
           HoldsValue(modifiedValuesBefore, keyPath, name);
}

void CheckRegistryWarnings(const TIniFile& warnings, const TRegistryChanges& changes, IRegWarningDisplay& display,
                           TCaptureNotes& notes) {
    constexpr std::string_view kNotShown = "Could not show a registry warning";
    for (const std::string& section : warnings.SectionNames()) {
        TRegRoot root{};
        std::string_view path;
        // A section that is a root name alone names no key or value.
        if (!SplitRoot(section, root, path) || path.empty()) {
            continue;
        }
        try {
            if (IsSectionChanged(changes[static_cast<std::size_t>(root)], path)) {
                display.ShowRegistryWarning(section, warnings.ReadString(section, "Message", kNoWarningMessage));
            }
        } catch (const std::exception& error) {
            notes.Add(kNotShown, section + " (" + error.what() + ")");
        } catch (...) {
            notes.Add(kNotShown, section + " (unknown error)");
        }
    }
}

} // namespace quill
