#pragma once

#include "common/Arena.h"
#include "common/ArenaText.h"
#include "common/RecordPtr.h"
#include "common/TextCompare.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quill {

// Raised when a list that refuses duplicates is given a text it already holds.
class EDuplicateText : public std::runtime_error {
public:
    explicit EDuplicateText(const std::string& text)
        : std::runtime_error("the list already holds \"" + text + "\""), FText(text) {}
    const std::string& Text() const noexcept { return FText; }

private:
    std::string FText;
};

enum class TListOrder { Plain, Sorted };
enum class TDuplicates { Refuse, Accept };

// An ordered list of (text, record) items that owns its records. A sorted
// list orders its items by the program's text comparison; among equal texts
// the order of arrival is kept. Records move between lists; they are never
// copied.
//
// Texts live in arenas the list holds: its own, and those of the lists it
// took records from (Share, Take). Records are on the heap or in such an
// arena. A record or text taken out of a list (Detach, Text) stays valid as
// long as the list, or another list sharing its arenas, is held; moving
// records between lists goes through Take, which shares the arenas.
template <class TRecord> class TRecordList {
public:
    struct TItem {
        TText Text;
        TRecordPtr<TRecord> Record;
    };

    explicit TRecordList(TListOrder order = TListOrder::Plain, TDuplicates duplicates = TDuplicates::Accept)
        : FOrder(order), FDuplicates(duplicates) {}

    TRecordList(TRecordList&&) noexcept = default;
    TRecordList& operator=(TRecordList&&) noexcept = default;

    bool Sorted() const noexcept { return FOrder == TListOrder::Sorted; }
    bool AcceptsDuplicates() const noexcept { return FDuplicates == TDuplicates::Accept; }
    std::size_t Count() const noexcept { return FItems.size(); }
    bool Empty() const noexcept { return FItems.empty(); }

    const TItem& operator[](std::size_t index) const { return FItems[index]; }
    TItem& operator[](std::size_t index) { return FItems[index]; }
    TText Text(std::size_t index) const { return FItems[index].Text; }
    TRecord* Record(std::size_t index) const { return FItems[index].Record.get(); }

    auto begin() const noexcept { return FItems.begin(); }
    auto end() const noexcept { return FItems.end(); }

    void Reserve(std::size_t count) { FItems.reserve(count); }

    // The list's own arena, made on first use.
    TArena& Arena() {
        if (!FArena) {
            FArena = std::make_shared<TArena>();
        }
        return *FArena;
    }

    // A copy of the text in the list's own arena.
    TText Keep(std::string_view text) { return Arena().Keep(text); }

    // A record in the list's own arena.
    template <class... TArgs> TRecordPtr<TRecord> NewRecord(TArgs&&... args) {
        return TRecordPtr<TRecord>::InArena(Arena().template New<TRecord>(std::forward<TArgs>(args)...));
    }

    // Holds the arenas of other, so that its texts and arena records may be
    // put in this list.
    template <class TOther> void Share(const TRecordList<TOther>& other) {
        other.ForEachArena([this](const std::shared_ptr<TArena>& arena) { Hold(arena); });
    }

    // Visits every arena the list holds: its own and those it shares.
    template <class TVisit> void ForEachArena(TVisit visit) const {
        if (FArena) {
            visit(FArena);
        }
        for (const auto& arena : FShared) {
            visit(arena);
        }
    }

    // A plain list appends. A sorted list inserts at its place: after the
    // equal texts it already holds, or raises EDuplicateText where it refuses
    // duplicates. Returns the index of the new item.
    std::size_t Add(std::string_view text, TRecordPtr<TRecord> record) { return Insert(Keep(text), std::move(record)); }

    // Moves the item at index of from here, as Add places it, leaving the
    // item in from without its record.
    std::size_t Take(TRecordList& from, std::size_t index) {
        Share(from);
        return Insert(from.FItems[index].Text, std::move(from.FItems[index].Record));
    }

    // Bulk building: Append any number of items in any order, then call
    // SortAppended once. Until then lookups are not valid.
    void Append(std::string_view text, TRecordPtr<TRecord> record) { AppendKept(Keep(text), std::move(record)); }

    // Append for a text and a record that already live in an arena this list
    // holds (Keep, NewRecord, Share), or a record on the heap.
    void AppendKept(TText text, TRecordPtr<TRecord> record) { FItems.push_back(TItem{text, std::move(record)}); }

    // Sorts the list, keeping the order of arrival among equal texts. A list
    // that refuses duplicates keeps the first of equal texts and drops the
    // others; their texts are returned so that the caller can tell the user.
    std::vector<std::string> SortAppended() {
        std::vector<std::string> dropped;
        // Appending one by one leaves up to half of the room unused, for as
        // long as the list is held.
        if (FItems.capacity() - FItems.size() > FItems.size() / 4) {
            FItems.shrink_to_fit();
        }
        if (!Sorted()) {
            return dropped;
        }
        std::stable_sort(FItems.begin(), FItems.end(),
                         [](const TItem& a, const TItem& b) { return CompareText(a.Text, b.Text) < 0; });
        if (!AcceptsDuplicates() && FItems.size() > 1) {
            std::size_t kept = 0;
            for (std::size_t i = 1; i < FItems.size(); ++i) {
                if (CompareText(FItems[kept].Text, FItems[i].Text) == 0) {
                    dropped.emplace_back(FItems[i].Text.View());
                } else if (++kept != i) {
                    FItems[kept] = std::move(FItems[i]);
                }
            }
            FItems.resize(kept + 1);
        }
        return dropped;
    }

    // Binary search in a sorted list: the index of the first item whose text
    // equals the given one, if any.
    bool Find(std::string_view text, std::size_t& index) const {
        const auto at = std::lower_bound(FItems.begin(), FItems.end(), text,
                                         [](const TItem& i, std::string_view t) { return CompareText(i.Text, t) < 0; });
        index = static_cast<std::size_t>(at - FItems.begin());
        return at != FItems.end() && CompareText(at->Text, text) == 0;
    }

    // Takes the record out, leaving the item in place with no record.
    TRecordPtr<TRecord> Detach(std::size_t index) { return std::move(FItems[index].Record); }

    // Copies what the list still holds into arena and lets go of every other
    // arena; items without a record are left out. After a comparison has
    // dropped the unchanged records, the few that remain would otherwise keep
    // both snapshots' blocks alive for the rest of the session. keep(record,
    // arena) returns the record with its texts and bytes kept in arena. Items
    // that shared one text share its copy.
    template <class TKeep> void MoveTo(const std::shared_ptr<TArena>& arena, TKeep keep) {
        std::vector<TItem> items;
        items.reserve(static_cast<std::size_t>(
            std::count_if(FItems.begin(), FItems.end(), [](const TItem& item) { return item.Record != nullptr; })));
        TText lastText;
        TText lastCopy;
        for (TItem& item : FItems) {
            if (item.Record == nullptr) {
                continue;
            }
            if (!item.Text.SameStorage(lastText)) {
                lastText = item.Text;
                lastCopy = arena->Keep(item.Text);
            }
            TRecordPtr<TRecord> record = std::move(item.Record);
            if (record.InArena()) {
                record = TRecordPtr<TRecord>::InArena(arena->template New<TRecord>(keep(*record, *arena)));
            }
            items.push_back(TItem{lastCopy, std::move(record)});
        }
        FItems = std::move(items);
        FShared.clear();
        FArena = arena;
    }

    // Lets go of the items and of the list's hold on its arenas: records
    // taken out earlier stay valid only while another list holds theirs.
    void Clear() noexcept {
        FItems.clear();
        FArena.reset();
        FShared.clear();
    }

private:
    std::size_t Insert(TText text, TRecordPtr<TRecord> record) {
        if (!Sorted()) {
            FItems.push_back(TItem{text, std::move(record)});
            return FItems.size() - 1;
        }
        const auto at = std::upper_bound(FItems.begin(), FItems.end(), text,
                                         [](const TText& t, const TItem& i) { return CompareText(t, i.Text) < 0; });
        if (!AcceptsDuplicates() && at != FItems.begin() && CompareText(std::prev(at)->Text, text) == 0) {
            throw EDuplicateText(text);
        }
        return static_cast<std::size_t>(FItems.insert(at, TItem{text, std::move(record)}) - FItems.begin());
    }

    void Hold(const std::shared_ptr<TArena>& arena) {
        if (arena == FArena || std::find(FShared.begin(), FShared.end(), arena) != FShared.end()) {
            return;
        }
        FShared.push_back(arena);
    }

    TListOrder FOrder;
    TDuplicates FDuplicates;
    std::vector<TItem> FItems;
    std::shared_ptr<TArena> FArena;
    std::vector<std::shared_ptr<TArena>> FShared;
};

} // namespace quill
