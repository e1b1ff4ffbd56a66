#include "report/RegistrySection.h"

#include <algorithm>
#include <span>
#include <type_traits>
#include <variant>
#include <vector>

namespace quill {

namespace {

enum class TChange { Modified, Deleted, Created };

constexpr std::string_view kColour[] = {"#0000FF", "#FF0000", "#008080"};
constexpr std::string_view kChangeName[] = {"Modified", "Deleted", "Created"};

std::string_view Colour(TChange change) noexcept {
    return kColour[static_cast<int>(change)];
}

void WriteKeyRow(TReportOutput& out, const IReportLocale& locale, TChange change, std::string_view keyPath,
                 const TKeyRecord& key) {
    out.BeginTable(TTableKind::Keys);
    out.Line("<tr>");
    out.Raw("<td width=\"70%\"><font size=\"2\" color=\"").Raw(Colour(change)).Raw("\">").Text(keyPath);
    out.Line("</font></td>");
    out.Raw("<td width=\"13%\"><font color=\"").Raw(Colour(change)).Raw("\"><I>");
    out.Raw(kChangeName[static_cast<int>(change)]).Line("</I></font></td>");
    out.Raw("<td width=\"17%\"><font color=\"#0000FF\">");
    if (key.LastWrite > 1.0) {
        out.Text(locale.TimeText(key.LastWrite));
    } else {
        out.Raw("<I>Unknown</I>");
    }
    out.Line("</font></td>");
    out.Line("</tr>");
}

void WriteName(TReportOutput& out, const TValueRecord& value) {
    const std::string_view name = value.Name;
    if (name.empty()) {
        out.Raw("<I>(Default)</I>");
    } else {
        out.Text(name);
    }
}

// The data text on a line of its own; a type without a text writes no line.
void WriteDataLine(TReportOutput& out, const TValueRecord& value) {
    switch (value.DataType) {
    case dtString:
    case dtExpandString:
        std::visit(
            [&out](const auto& data) {
                if constexpr (std::is_convertible_v<decltype(data), std::string_view>) {
                    out.Text(data);
                }
            },
            value.Data);
        break;
    case dtInteger:
        if (const auto* number = std::get_if<std::int32_t>(&value.Data)) {
            out.Number(*number);
        }
        break;
    case dtBinary:
        out.Raw("<I>Binary (").Number(value.DataSize).Raw(" bytes)</I>");
        break;
    case dtUnknown:
        out.Raw("<I>Unknown type (").Number(value.DataSize).Raw(" bytes)</I>");
        break;
    default:
        return;
    }
    out.EndLine();
}

void WriteNameCell(TReportOutput& out, TChange change, const TValueRecord& value) {
    out.Line("<tr>");
    out.Line("<td width=\"2%\">&nbsp;</td>");
    out.Raw("<td width=\"18%\"><font color=\"").Raw(Colour(change)).Raw("\">");
    WriteName(out, value);
    out.Line("</font></td>");
}

void WriteModifiedValue(TReportOutput& out, const TValueRecord& before, const TValueRecord& after) {
    WriteNameCell(out, TChange::Modified, before);
    out.Line("<td width=\"40%\"><font color=\"#0000FF\">");
    WriteDataLine(out, before);
    out.Line("</font></td>");
    out.Line("<td width=\"40%\"><font color=\"#0000FF\">");
    WriteDataLine(out, after);
    out.Line("</font></td></tr>");
}

void WriteDeletedValue(TReportOutput& out, const TValueRecord& value) {
    WriteNameCell(out, TChange::Deleted, value);
    out.Line("<td width=\"40%\"><font color=\"#FF0000\">");
    WriteDataLine(out, value);
    out.Line("</font></td><td width=\"40%\"><font color=\"#FF0000\"><I>Deleted</I></font></td></tr>");
}

void WriteCreatedValue(TReportOutput& out, const TValueRecord& value) {
    WriteNameCell(out, TChange::Created, value);
    out.Line("<td width=\"40%\"><font color=\"#008080\"><I>Created</I></font></td>");
    out.Line("<td width=\"40%\"><font color=\"#008080\">");
    WriteDataLine(out, value);
    out.Line("</font></td></tr>");
}

// The values of one key that were deleted (or created): the run of its key
// path in the snapshot list.
bool WriteValueRun(TReportOutput& out, const TValueList& values, bool found, std::size_t first, TChange change,
                   bool begun) {
    if (!found) {
        return begun;
    }
    const std::string_view keyPath = values.Text(first);
    for (std::size_t i = first; i < values.Count() && SameText(values.Text(i), keyPath); ++i) {
        const TValueRecord* value = values.Record(i);
        if (value == nullptr || value->Included == 0) {
            continue;
        }
        out.BeginTable(TTableKind::Values);
        begun = true;
        if (change == TChange::Deleted) {
            WriteDeletedValue(out, *value);
        } else {
            WriteCreatedValue(out, *value);
        }
    }
    return begun;
}

// The modified values of a root, indexed once by key path: the list is in
// the comparison's order, and a key's values are found by binary search in
// the index rather than by a walk over the list for every key. Among the
// values of one key the index keeps the list's order.
class TModifiedValues {
public:
    explicit TModifiedValues(const TValueList& before) : FBefore(before) {
        FOrder.resize(before.Count());
        for (std::size_t i = 0; i < FOrder.size(); ++i) {
            FOrder[i] = i;
        }
        std::stable_sort(FOrder.begin(), FOrder.end(), [&before](std::size_t a, std::size_t b) {
            return CompareText(before.Text(a), before.Text(b)) < 0;
        });
    }

    // The list indexes of the key's modified values.
    std::span<const std::size_t> Of(std::string_view keyPath) const {
        const auto first =
            std::lower_bound(FOrder.begin(), FOrder.end(), keyPath,
                             [this](std::size_t i, std::string_view k) { return CompareText(FBefore.Text(i), k) < 0; });
        auto last = first;
        while (last != FOrder.end() && SameText(FBefore.Text(*last), keyPath)) {
            ++last;
        }
        return {first, last};
    }

private:
    const TValueList& FBefore;
    std::vector<std::size_t> FOrder;
};

void WriteValueTable(TReportOutput& out, std::string_view keyPath, const TRootChanges& root,
                     const TModifiedValues& modified) {
    std::size_t deletedAt = 0;
    std::size_t createdAt = 0;
    const bool deleted = root.ValuesBefore.Find(keyPath, deletedAt);
    const bool created = root.ValuesAfter.Find(keyPath, createdAt);
    const std::span<const std::size_t> changed = modified.Of(keyPath);
    if (!deleted && !created && changed.empty()) {
        return;
    }
    bool begun = false;
    if (!changed.empty()) {
        out.BeginTable(TTableKind::Values);
        begun = true;
        for (const std::size_t i : changed) {
            const TValueRecord* old = root.ModifiedValuesBefore.Record(i);
            const TValueRecord* now =
                i < root.ModifiedValuesAfter.Count() ? root.ModifiedValuesAfter.Record(i) : nullptr;
            if (old != nullptr && now != nullptr && old->Included != 0) {
                WriteModifiedValue(out, *old, *now);
            }
        }
    }
    begun = WriteValueRun(out, root.ValuesBefore, deleted, deletedAt, TChange::Deleted, begun);
    begun = WriteValueRun(out, root.ValuesAfter, created, createdAt, TChange::Created, begun);
    if (begun) {
        out.EndTable();
    }
}

bool WriteKeys(TReportOutput& out, const IReportLocale& locale, const TKeyList& keys, TChange change,
               const TRootChanges& root, const TModifiedValues& modified) {
    bool written = false;
    for (std::size_t i = 0; i < keys.Count(); ++i) {
        const TKeyRecord* key = keys.Record(i);
        if (key == nullptr || key->Included == 0) {
            continue;
        }
        const std::string_view keyPath = keys.Text(i);
        WriteKeyRow(out, locale, change, keyPath, *key);
        WriteValueTable(out, keyPath, root, modified);
        written = true;
    }
    return written;
}

} // namespace

void WriteRootSection(TReportOutput& out, const IReportLocale& locale, std::string_view rootName,
                      const TRootChanges& root) {
    out.Raw("<h3>").Raw(rootName).Line("</h3>");
    const TModifiedValues modified(root.ModifiedValuesBefore);
    bool written = WriteKeys(out, locale, root.ModifiedKeysAfter, TChange::Modified, root, modified);
    written |= WriteKeys(out, locale, root.KeysBefore, TChange::Deleted, root, modified);
    written |= WriteKeys(out, locale, root.KeysAfter, TChange::Created, root, modified);
    out.EndTable();
    if (!written) {
        out.Line(kNothingToShow);
    }
}

} // namespace quill
