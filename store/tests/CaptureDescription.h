#pragma once

#include "store/SnapshotFile.h"

#include <bit>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quill::test {

inline std::string Hex(const std::uint8_t* bytes, std::size_t size) {
    std::ostringstream out;
    out << std::hex;
    for (std::size_t i = 0; i < size; ++i) {
        out << static_cast<int>(bytes[i]) << ' ';
    }
    return out.str();
}

// Doubles by their bits: a time must come back exactly, not nearly.
inline std::string Bits(double value) {
    return std::to_string(std::bit_cast<std::uint64_t>(value));
}

inline std::string Quoted(std::string_view text) {
    return "[" + std::string(text) + "]/" + std::to_string(text.size());
}

inline std::string DescribeValue(const TValueRecord& value) {
    std::string data = "none";
    if (const TText* text = std::get_if<TText>(&value.Data)) {
        data = "text " + Quoted(*text);
    } else if (const std::int32_t* number = std::get_if<std::int32_t>(&value.Data)) {
        data = "number " + std::to_string(*number);
    }
    return Quoted(value.Name) + " " + std::to_string(value.DataType) + " " + data + " size " +
           std::to_string(value.DataSize) + " buffer " +
           (value.Buffer != nullptr ? Hex(value.Buffer, static_cast<std::size_t>(value.DataSize)) : "null") +
           " included " + std::to_string(value.Included) + " type " + std::to_string(value.RegType);
}

// Every field of the store's before-side and of the facts, one line each.
inline std::vector<std::string> Describe(const TSessionStore& store, const TCaptureFacts& facts) {
    std::vector<std::string> lines;
    lines.push_back("facts " + Bits(facts.StartTime) + " " + std::to_string(facts.HashKind));
    for (const std::string& path : facts.Paths) {
        lines.push_back("path " + Quoted(path));
    }
    for (const std::int64_t bytes : store.DiskFreeBefore) {
        lines.push_back("disk " + std::to_string(bytes));
    }
    for (const auto& item : store.ProcessesBefore) {
        const TProcessRecord& p = *item.Record;
        lines.push_back("process " + Quoted(item.Text) + " " + std::to_string(p.ProcessID) + " " +
                        std::to_string(p.ParentID) + " " + std::to_string(p.Threads) + " " +
                        std::to_string(p.Priority) + " " + std::to_string(p.Reported));
    }
    lines.push_back("files recorded " + std::to_string(store.FilesRecorded));
    for (const auto& item : store.FilesBefore) {
        const TFileScan& f = *item.Record;
        lines.push_back("file " + Quoted(item.Text) + " " + std::to_string(f.Size) + " " + Quoted(f.Hash) + " " +
                        Bits(f.Date) + " " + std::to_string(f.LastWrite) + " " + std::to_string(f.Attributes) + " " +
                        std::to_string(f.Included));
    }
    for (const TRegRoot root : kAllRoots) {
        const TRootLists& lists = store.Root(root);
        const std::string name(RootName(root));
        lines.push_back(name + " recorded " + std::to_string(lists.Recorded));
        for (const auto& item : lists.KeysBefore) {
            lines.push_back(name + " key " + Quoted(item.Text) + " " + Bits(item.Record->LastWrite) + " " +
                            std::to_string(item.Record->Included));
        }
        for (const auto& item : lists.ValuesBefore) {
            lines.push_back(name + " value " + Quoted(item.Text) + " " + DescribeValue(*item.Record));
        }
    }
    for (const std::string& line : store.BeforeNotes.Lines()) {
        lines.push_back("note " + line);
    }
    lines.push_back("notes in all " + std::to_string(store.BeforeNotes.Total()));
    return lines;
}

} // namespace quill::test
