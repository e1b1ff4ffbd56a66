#include "report/UndoScript.h"

#include "common/TextCompare.h"
#include "common/Utf.h"
#include "report/IsoTime.h"
#include "report/RegistrySection.h"
#include "report/ValueBytes.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

namespace quill {

namespace {

// regedit keeps its lines within 80 columns: a hex line breaks after the
// comma that reaches column 77, with a backslash, and goes on indented by two.
constexpr std::size_t kHexBreakColumn = 77;

std::size_t Depth(std::string_view path) {
    if (path.ends_with('\\')) {
        path.remove_suffix(1);
    }
    return static_cast<std::size_t>(std::count(path.begin(), path.end(), '\\'));
}

// Deepest first, so that every entry comes before the one that holds it;
// entries of one depth keep their order.
template <class TEntry, class TPath> void SortDeepestFirst(std::vector<TEntry>& entries, TPath path) {
    std::stable_sort(entries.begin(), entries.end(),
                     [&path](const TEntry& a, const TEntry& b) { return Depth(path(a)) > Depth(path(b)); });
}

std::string KeyName(TRegRoot root, std::string_view keyPath) {
    std::string name(RootName(root));
    if (keyPath.ends_with('\\')) {
        keyPath.remove_suffix(1);
    }
    // The key path starts with its backslash, which joins it to the root.
    name += keyPath;
    return name;
}

bool HasLineBreak(std::string_view text) noexcept {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// A name for a comment or the console: its line breaks become their visible
// pictures (U+240D, U+240A), so that no name can start a line of its own.
std::string Shown(std::string_view text) {
    std::string shown;
    for (const char c : text) {
        if (c == '\r') {
            shown += "\xE2\x90\x8D";
        } else if (c == '\n') {
            shown += "\xE2\x90\x8A";
        } else {
            shown += c;
        }
    }
    return shown;
}

std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            quoted += '\\';
        }
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string HexData(std::string line, const std::vector<std::uint8_t>& bytes) {
    std::size_t column = Utf8ToUtf16(line).size();
    char digits[3];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        line += digits;
        if (i + 1 == bytes.size()) {
            break;
        }
        line += ',';
        column += 3;
        if (column >= kHexBreakColumn) {
            line += "\\\r\n  ";
            column = 2;
        }
    }
    return line;
}

std::string HexPrefix(std::uint32_t type) {
    if (type == kRegBinary) {
        return "hex:";
    }
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", type);
    return prefix;
}

// A REG_SZ reads back as a quoted text only when it is exactly that text and
// its terminator, and the text holds no line break that would end the line.
bool QuotableString(const TValueRecord& value) {
    const std::string_view text = ValueText(value);
    return value.RegType == kRegSz && value.DataType == dtString && IsPlainString(value) &&
           text.find_first_of("\r\n") == std::string_view::npos;
}

std::string ValueNameText(const TValueRecord& value) {
    return value.Name.View().empty() ? std::string("@") : Quoted(value.Name.View());
}

// A string value whose data does not end in a whole terminating zero: the
// registry editor adds one when it imports the hex data, so the value comes
// back longer than it was.
bool GainsTerminator(const TValueRecord& value) {
    if ((value.DataType != dtString && value.DataType != dtExpandString) || QuotableString(value)) {
        return false;
    }
    const std::vector<std::uint8_t> bytes = StoredBytes(value);
    return bytes.size() % 2 != 0 || bytes.size() < 2 || bytes[bytes.size() - 2] != 0 || bytes.back() != 0;
}

} // namespace

std::string UndoValueLine(const TValueRecord& value) {
    std::string line = ValueNameText(value);
    line += '=';
    if (QuotableString(value)) {
        return line + Quoted(ValueText(value));
    }
    const std::vector<std::uint8_t> bytes = StoredBytes(value);
    if (value.RegType == kRegDword && bytes.size() == 4) {
        char number[16];
        std::snprintf(number, sizeof number, "dword:%08x",
                      static_cast<unsigned>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16)) |
                          (static_cast<unsigned>(bytes[3]) << 24));
        return line + number;
    }
    return HexData(line + HexPrefix(value.RegType), bytes);
}

namespace {

// One line of a key's section; an empty line names a key to recreate with
// nothing else to say.
struct TSectionLine {
    TRegRoot Root;
    std::string_view KeyPath;
    std::string Line;
};

struct TUndoPlan {
    std::vector<std::pair<TRegRoot, std::string_view>> KeysToDelete;
    std::vector<TSectionLine> Lines;
    std::vector<std::string> NotUndone;
    std::size_t KeysRecreated = 0;
    std::size_t ValuesDeleted = 0;
    std::size_t ValuesRestored = 0;
};

// True when the script deletes the key, or a key above it, as created.
bool DeletedByScript(const TKeyList& created, std::string_view keyPath) {
    for (std::size_t end = keyPath.find('\\', 1); end != std::string_view::npos; end = keyPath.find('\\', end + 1)) {
        std::size_t index = 0;
        if (created.Find(keyPath.substr(0, end + 1), index)) {
            const TKeyRecord* key = created.Record(index);
            if (key != nullptr && key->Included != 0) {
                return true;
            }
        }
    }
    return false;
}

std::string ValueShown(TRegRoot root, std::string_view keyPath, const TValueRecord& value) {
    return Shown(KeyName(root, keyPath)) + ": " + Shown(ValueNameText(value));
}

// A line break in a name would end the script's line there and let the rest
// of the name act as a line of its own (a key to delete, say): such keys and
// values are left to the user.
bool Writable(TUndoPlan& plan, TRegRoot root, std::string_view keyPath, const TValueRecord* value) {
    if (!HasLineBreak(keyPath) && (value == nullptr || !HasLineBreak(value->Name.View()))) {
        return true;
    }
    plan.NotUndone.push_back(value == nullptr ? Shown(KeyName(root, keyPath)) : ValueShown(root, keyPath, *value));
    return false;
}

void PlanRoot(TUndoPlan& plan, TRegRoot root, const TRootLists& lists) {
    for (const auto& [path, key] : lists.KeysAfter) {
        if (key && key->Included != 0 && Writable(plan, root, path.View(), nullptr)) {
            plan.KeysToDelete.emplace_back(root, path.View());
        }
    }
    for (const auto& [path, key] : lists.KeysBefore) {
        if (key && key->Included != 0 && Writable(plan, root, path.View(), nullptr)) {
            plan.Lines.push_back({root, path.View(), {}});
            ++plan.KeysRecreated;
        }
    }
    // The value lists hold the values of a key in the reverse of the
    // registry's order; walked backwards, and then sorted by key alone,
    // they come back in the registry's order.
    for (std::size_t i = lists.ValuesAfter.Count(); i-- > 0;) {
        const TValueRecord* value = lists.ValuesAfter.Record(i);
        const std::string_view keyPath = lists.ValuesAfter.Text(i);
        if (value != nullptr && value->Included != 0 && !DeletedByScript(lists.KeysAfter, keyPath) &&
            Writable(plan, root, keyPath, value)) {
            plan.Lines.push_back({root, keyPath, ValueNameText(*value) + "=-"});
            ++plan.ValuesDeleted;
        }
    }
    const auto restore = [&](const TValueList& values, std::size_t i) {
        const TValueRecord* value = values.Record(i);
        if (value == nullptr || value->Included == 0 || !Writable(plan, root, values.Text(i), value)) {
            return;
        }
        if (GainsTerminator(*value)) {
            plan.Lines.push_back({root, values.Text(i),
                                  "; Not exactly restorable: " + ValueNameText(*value) +
                                      " is a string stored without a terminating zero or with an odd length; the "
                                      "registry editor adds a terminator when it imports it."});
        }
        plan.Lines.push_back({root, values.Text(i), UndoValueLine(*value)});
        ++plan.ValuesRestored;
    };
    for (std::size_t i = lists.ValuesBefore.Count(); i-- > 0;) {
        restore(lists.ValuesBefore, i);
    }
    for (std::size_t i = lists.ModifiedValuesBefore.Count(); i-- > 0;) {
        if (i < lists.ModifiedValuesAfter.Count() && lists.ModifiedValuesAfter.Record(i) != nullptr) {
            restore(lists.ModifiedValuesBefore, i);
        }
    }
}

TUndoPlan MakePlan(const TSessionStore& store) {
    TUndoPlan plan;
    for (const TRegRoot root : kReportOrder) {
        if (store.Root(root).Compared) {
            PlanRoot(plan, root, store.Root(root));
        }
    }
    SortDeepestFirst(plan.KeysToDelete, [](const auto& key) { return key.second; });
    // Parents before children: a key's section may recreate its parent.
    std::stable_sort(plan.Lines.begin(), plan.Lines.end(), [](const TSectionLine& a, const TSectionLine& b) {
        if (a.Root != b.Root) {
            return std::find(std::begin(kReportOrder), std::end(kReportOrder), a.Root) <
                   std::find(std::begin(kReportOrder), std::end(kReportOrder), b.Root);
        }
        return CompareText(a.KeyPath, b.KeyPath) < 0;
    });
    return plan;
}

// The file as regedit writes it: UTF-16LE after a byte order mark, each
// line ended by CR LF.
class TRegFileOutput {
public:
    explicit TRegFileOutput(std::ostream& out) : FOut(out) { Put(u"\uFEFF"); }

    void Line(std::string_view line) {
        Put(Utf8ToUtf16(line));
        Put(u"\r\n");
    }

private:
    void Put(std::u16string_view units) {
        FBytes.resize(2 * units.size());
        for (std::size_t i = 0; i < units.size(); ++i) {
            FBytes[2 * i] = static_cast<char>(units[i] & 0xFF);
            FBytes[2 * i + 1] = static_cast<char>(units[i] >> 8);
        }
        FOut.write(FBytes.data(), static_cast<std::streamsize>(FBytes.size()));
    }

    std::ostream& FOut;
    std::string FBytes;
};

std::string TimeText(TDateTime time) {
    const std::string text = IsoLocalTime(time);
    return text.empty() ? "at an unknown time" : text;
}

void WriteHeader(TRegFileOutput& file, const TSessionStore& store, const TRecordingInfo& recording,
                 const TUndoPlan& plan) {
    file.Line("Windows Registry Editor Version 5.00");
    file.Line("");
    file.Line("; Made by Quillborne v2.0 to take the registry back to where it stood before a recording.");
    file.Line("; Program recorded: " + (recording.ProgramName.empty() ? "none" : Shown(recording.ProgramName)));
    file.Line("; Recording started " + TimeText(recording.StartTime) + ", stopped " + TimeText(recording.StopTime) +
              " (local time).");
    file.Line("; Only the changes the report's filter includes are undone; files are left alone.");
    std::string skipped;
    for (const TRegRoot root : kReportOrder) {
        if (!store.Root(root).Compared) {
            skipped += skipped.empty() ? " " : ", ";
            skipped += RootName(root);
        }
    }
    if (!skipped.empty()) {
        file.Line("; Not compared, so not undone:" + skipped + ".");
    }
    file.Line("; Created keys deleted: " + std::to_string(plan.KeysToDelete.size()) + "; deleted keys recreated: " +
              std::to_string(plan.KeysRecreated) + "; created values deleted: " + std::to_string(plan.ValuesDeleted) +
              "; values restored: " + std::to_string(plan.ValuesRestored) + ".");
    if (!plan.NotUndone.empty()) {
        file.Line("; Cannot be undone with a registry script, a line break in the name (shown as \xE2\x90\x8D or "
                  "\xE2\x90\x8A):");
        for (const std::string& name : plan.NotUndone) {
            file.Line(";   " + name);
        }
    }
    file.Line("");
}

} // namespace

std::vector<std::string> WriteUndoScript(std::ostream& out, const TSessionStore& store,
                                         const TRecordingInfo& recording) {
    const TUndoPlan plan = MakePlan(store);
    TRegFileOutput file(out);
    WriteHeader(file, store, recording, plan);
    for (const auto& [root, keyPath] : plan.KeysToDelete) {
        file.Line("[-" + KeyName(root, keyPath) + "]");
        file.Line("");
    }
    for (std::size_t i = 0; i < plan.Lines.size();) {
        const TSectionLine& first = plan.Lines[i];
        file.Line("[" + KeyName(first.Root, first.KeyPath) + "]");
        for (; i < plan.Lines.size() && plan.Lines[i].Root == first.Root &&
               SameText(plan.Lines[i].KeyPath, first.KeyPath);
             ++i) {
            if (!plan.Lines[i].Line.empty()) {
                file.Line(plan.Lines[i].Line);
            }
        }
        file.Line("");
    }
    return plan.NotUndone;
}

void WriteCreatedFilesList(std::ostream& out, const TSessionStore& store) {
    if (!store.FilesCompared) {
        return;
    }
    std::vector<std::string_view> paths;
    for (const auto& [path, file] : store.FilesAfter) {
        if (file && file->Included != 0) {
            paths.push_back(path.View());
        }
    }
    SortDeepestFirst(paths, [](std::string_view path) { return path; });
    for (const std::string_view path : paths) {
        out << path << "\r\n";
    }
}

} // namespace quill
