#include "snapshot/EnumRegistry.h"

#include "common/TextCompare.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <exception>
#include <utility>
#include <vector>

namespace quill {
namespace {

constexpr std::int64_t kProgressKeys = 1000;
constexpr std::size_t kCompareProgressItems = 10000;

// Collects the records of one walk and hands them to the lists in bulk. The
// deques grow without moving what they hold, and give their blocks back while
// the lists are filled, so that a root's records are never held twice.
template <class TRecord> class TPendingList {
public:
    void Push(const std::string& text, std::unique_ptr<TRecord> record) { FItems.push_back({text, std::move(record)}); }
    std::vector<std::string> MoveInto(TRecordList<TRecord>& list) {
        list.Reserve(list.Count() + FItems.size());
        while (!FItems.empty()) {
            list.Append(std::move(FItems.front().first), std::move(FItems.front().second));
            FItems.pop_front();
        }
        return list.SortAppended();
    }

private:
    std::deque<std::pair<std::string, std::unique_ptr<TRecord>>> FItems;
};

std::string ErrorText(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown error";
    }
}

// How a listing of a key's subkeys or values by index ended. One that ends
// early means that entries were deleted meanwhile, and that the entries after
// them moved to lower indexes, past the listing.
enum class TListEnd { Complete, Short, KeyGone };

struct TListing {
    TListEnd End = TListEnd::Complete;
    bool Again = false;           // the key was listed a second time
    std::uint32_t Unreadable = 0; // entries the registry refused
    std::uint32_t Growing = 0;    // values still growing when read again
};

// The end of a listing at a status other than Ok, if the status ends it.
bool EndsListing(TRegStatus status, TListing& listing) {
    if (status == TRegStatus::NoMoreItems || status == TRegStatus::NotFound) {
        listing.End = status == TRegStatus::NotFound ? TListEnd::KeyGone : TListEnd::Short;
        return true;
    }
    return false;
}

const std::string& EntryName(const std::string& name) {
    return name;
}

const std::string& EntryName(const std::unique_ptr<TValueRecord>& value) {
    return value->Name;
}

// Appends the entries of from whose names to lacks.
template <class TEntry> void AddMissing(std::vector<TEntry>& to, std::vector<TEntry>& from) {
    // Reserved first: names points into the entries of to.
    to.reserve(to.size() + from.size());
    std::vector<const std::string*> names;
    names.reserve(to.size());
    for (const TEntry& entry : to) {
        names.push_back(&EntryName(entry));
    }
    const auto less = [](const std::string* a, const std::string* b) { return CompareText(*a, *b) < 0; };
    std::sort(names.begin(), names.end(), less);
    for (TEntry& entry : from) {
        if (!std::binary_search(names.begin(), names.end(), &EntryName(entry), less)) {
            to.push_back(std::move(entry));
        }
    }
}

// Lists a key's entries with list(count, entries) and, when that listing ends
// early, once more from a fresh count. Should the second one end early too,
// the entries that only the first one saw are kept as well: a survivor may
// have moved past either listing, and an entry deleted meanwhile was there
// while the walk ran.
template <class TEntry, class TList>
TListing ListTwice(IRegKey& key, std::uint32_t count, std::uint32_t TRegKeyInfo::*counted, std::vector<TEntry>& entries,
                   const TList& list) {
    TListing listing = list(count, entries);
    if (listing.End != TListEnd::Short) {
        return listing;
    }
    TRegKeyInfo info;
    const TRegStatus status = key.QueryInfo(info);
    if (status != TRegStatus::Ok) {
        listing.Again = true;
        listing.End = status == TRegStatus::NotFound ? TListEnd::KeyGone : TListEnd::Short;
        return listing;
    }
    std::vector<TEntry> again;
    listing = list(info.*counted, again);
    listing.Again = true;
    if (listing.End != TListEnd::Complete) {
        AddMissing(again, entries);
    }
    entries = std::move(again);
    return listing;
}

class TRegistryWalker {
public:
    TRegistryWalker(const TShowCount& onProgress, const ILocalTime& localTime, TCaptureNotes& notes,
                    std::string_view root)
        : FOnProgress(onProgress), FLocalTime(localTime), FNotes(notes), FRoot(root) {}

    void Walk(IRegKey& key, std::string& path) {
        TRegKeyInfo info;
        const TRegStatus status = key.QueryInfo(info);
        if (status != TRegStatus::Ok) {
            Skip(status, path);
            return;
        }
        if (++FCount % kProgressKeys == 0 && FOnProgress) {
            FOnProgress(FCount);
        }
        auto record = std::make_unique<TKeyRecord>();
        TDateTime lastWrite = kUnknownDateTime;
        record->LastWrite = FLocalTime.FileTimeToLocal(info.LastWrite, lastWrite) ? lastWrite : kUnknownDateTime;
        FKeys.Push(path, std::move(record));
        if (info.Values > 0) {
            ReadValues(key, info.Values, path);
        }
        if (info.SubKeys > 0) {
            WalkSubKeys(key, ReadSubKeyNames(key, info.SubKeys, path), path);
        }
    }

    void Finish(TKeyList& keys, TValueList& values) {
        for (std::string& duplicate : FKeys.MoveInto(keys)) {
            Note("subkeys listed twice by the registry, recorded once", std::move(duplicate));
        }
        FValues.MoveInto(values);
    }

    void Ended(const std::string& path, const std::exception_ptr& error) {
        Note("walk ended by an error, the rest of the root left out", path + " (" + ErrorText(error) + ")");
    }

    void Skip(TRegStatus status, const std::string& path) {
        switch (status) {
        case TRegStatus::NotFound:
            // Deleted while the walk ran: it is gone, not unreadable.
            break;
        case TRegStatus::AccessDenied:
            Note("keys left out with their subkeys, access denied", path);
            break;
        default:
            Note("keys left out with their subkeys, unreadable", path);
            break;
        }
    }

private:
    void Note(std::string_view what, std::string example) {
        FNotes.Add(std::string(FRoot) + ": " + std::string(what), std::move(example));
    }

    void Note(std::string_view what, const std::string& example, std::uint32_t times) {
        for (std::uint32_t i = 0; i < times; ++i) {
            Note(what, example);
        }
    }

    void ReadValues(IRegKey& key, std::uint32_t count, const std::string& path) {
        FKeyValues.clear();
        const TListing listing = ListTwice(key, count, &TRegKeyInfo::Values, FKeyValues,
                                           [&](std::uint32_t n, std::vector<std::unique_ptr<TValueRecord>>& values) {
                                               return ListValues(key, n, values);
                                           });
        Note("values left out, still growing when read again", path, listing.Growing);
        Note("values left out, unreadable", path, listing.Unreadable);
        if (listing.End == TListEnd::KeyGone) {
            Note("keys deleted while being read", path);
        } else if (listing.Again) {
            // Deleted values are gone, not left out; a key that keeps changing
            // may have hidden some from both listings.
            Note(listing.End == TListEnd::Complete ? "values deleted while their key was read"
                                                   : "values still changing when listed again, some may be missing",
                 path);
        }
        // Values of one key stand in the reverse of the registry's order.
        for (auto it = FKeyValues.rbegin(); it != FKeyValues.rend(); ++it) {
            FValues.Push(path, std::move(*it));
        }
        FKeyValues.clear();
    }

    TListing ListValues(IRegKey& key, std::uint32_t count, std::vector<std::unique_ptr<TValueRecord>>& values) {
        values.reserve(count);
        TListing listing;
        for (std::uint32_t index = 0; index < count; ++index) {
            const TRegStatus status = key.EnumValue(index, FValue);
            if (status == TRegStatus::Ok) {
                values.push_back(MakeValueRecord(std::move(FValue)));
            } else if (EndsListing(status, listing)) {
                break;
            } else if (status == TRegStatus::MoreData) {
                ++listing.Growing;
            } else {
                ++listing.Unreadable;
            }
        }
        return listing;
    }

    std::vector<std::string> ReadSubKeyNames(IRegKey& key, std::uint32_t count, const std::string& path) {
        std::vector<std::string> names;
        const TListing listing =
            ListTwice(key, count, &TRegKeyInfo::SubKeys, names,
                      [&](std::uint32_t n, std::vector<std::string>& listed) { return ListSubKeys(key, n, listed); });
        Note("subkeys left out, unreadable", path, listing.Unreadable);
        if (listing.Again && listing.End == TListEnd::Short) {
            Note("subkeys still changing when listed again, some may be missing", path);
        }
        DropDuplicateNames(names, path);
        return names;
    }

    static TListing ListSubKeys(IRegKey& key, std::uint32_t count, std::vector<std::string>& names) {
        names.reserve(count);
        TListing listing;
        std::string name;
        for (std::uint32_t index = 0; index < count; ++index) {
            const TRegStatus status = key.EnumKey(index, name);
            if (status == TRegStatus::Ok) {
                if (!name.empty()) {
                    names.push_back(std::move(name));
                }
            } else if (EndsListing(status, listing)) {
                break;
            } else {
                ++listing.Unreadable;
            }
        }
        return listing;
    }

    // A key that changes while it is enumerated can list a subkey twice;
    // walking it twice would record its values twice.
    void DropDuplicateNames(std::vector<std::string>& names, const std::string& path) {
        if (names.size() < 2) {
            return;
        }
        std::vector<std::size_t> order(names.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            order[i] = i;
        }
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return CompareText(names[a], names[b]) < 0; });
        std::vector<bool> drop(names.size(), false);
        bool any = false;
        for (std::size_t i = 1; i < order.size(); ++i) {
            if (SameText(names[order[i - 1]], names[order[i]])) {
                drop[order[i]] = true;
                any = true;
            }
        }
        if (!any) {
            return;
        }
        std::size_t kept = 0;
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (drop[i]) {
                Note("subkeys listed twice by the registry, recorded once", path + names[i] + "\\");
            } else if (kept++ != i) {
                names[kept - 1] = std::move(names[i]);
            }
        }
        names.resize(kept);
    }

    void WalkSubKeys(IRegKey& key, const std::vector<std::string>& names, std::string& path) {
        const std::size_t length = path.size();
        for (const std::string& name : names) {
            path.append(name).push_back('\\');
            std::unique_ptr<IRegKey> sub;
            const TRegStatus status = key.OpenSubKey(name, TRegAccess::Read, sub);
            if (status == TRegStatus::Ok) {
                Walk(*sub, path);
            } else {
                Skip(status, path);
            }
            path.resize(length);
        }
    }

    const TShowCount& FOnProgress;
    const ILocalTime& FLocalTime;
    std::int64_t FCount = 0;
    TPendingList<TKeyRecord> FKeys;
    TPendingList<TValueRecord> FValues;
    std::vector<std::unique_ptr<TValueRecord>> FKeyValues;
    TRegValue FValue;
    TCaptureNotes& FNotes;
    std::string_view FRoot;
};

std::unique_ptr<std::uint8_t[]> CopyBytes(const std::vector<std::uint8_t>& data) {
    if (data.empty()) {
        return nullptr;
    }
    auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(data.size());
    std::memcpy(buffer.get(), data.data(), data.size());
    return buffer;
}

bool SameBytes(const TValueRecord& before, const TValueRecord& after) {
    if (before.DataSize <= 0) {
        return true;
    }
    if (!before.Buffer || !after.Buffer) {
        return !before.Buffer && !after.Buffer;
    }
    return std::memcmp(before.Buffer.get(), after.Buffer.get(), static_cast<std::size_t>(before.DataSize)) == 0;
}

// The index of the first item at or after from whose text is not below text;
// the lists are sorted, so a walk in order never looks back.
template <class TRecord>
std::size_t SeekRun(const TRecordList<TRecord>& list, std::size_t from, std::string_view text) {
    while (from < list.Count() && CompareText(list.Text(from), text) < 0) {
        ++from;
    }
    return from;
}

template <class TRecord> std::size_t RunEnd(const TRecordList<TRecord>& list, std::size_t from, std::string_view text) {
    while (from < list.Count() && SameText(list.Text(from), text)) {
        ++from;
    }
    return from;
}

// Releases the records of the run of items with the key path from index on;
// returns the index after the run.
std::size_t DropRun(TValueList& values, std::size_t index, std::string_view keyPath) {
    index = SeekRun(values, index, keyPath);
    while (index < values.Count() && SameText(values.Text(index), keyPath)) {
        values.Detach(index);
        ++index;
    }
    return index;
}

void Move(TKeyList& from, std::size_t index, TKeyList& to) {
    to.Append(from.Text(index), from.Detach(index));
}

// Pairs the values of one root, key path by key path. Each before value takes
// the first after value of its key path with an equal name that is still
// unpaired; pairs are handled in the order of the before list.
class TValueMatcher {
public:
    TValueMatcher(TValueList& before, TValueList& after, TValueList& modifiedBefore, TValueList& modifiedAfter,
                  const TProgressStep& progressStep)
        : FBefore(before), FAfter(after), FModifiedBefore(modifiedBefore), FModifiedAfter(modifiedAfter),
          FProgressStep(progressStep) {}

    void Run() {
        std::size_t after = 0;
        std::size_t i = 0;
        while (i < FBefore.Count()) {
            const std::string& keyPath = FBefore.Text(i);
            const std::size_t runEnd = RunEnd(FBefore, i + 1, keyPath);
            after = SeekRun(FAfter, after, keyPath);
            const std::size_t afterEnd = RunEnd(FAfter, after, keyPath);
            MatchRun(i, runEnd, after, afterEnd);
            i = runEnd;
            after = afterEnd;
        }
    }

private:
    // Runs longer than this are matched through indexes sorted by name, so
    // that a key with many values costs no more than sorting them.
    static constexpr std::size_t kShortRun = 16;
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    void MatchRun(std::size_t b0, std::size_t b1, std::size_t a0, std::size_t a1) {
        if (a1 - a0 > kShortRun) {
            MatchSorted(b0, b1, a0, a1);
        }
        for (std::size_t i = b0; i < b1; ++i) {
            if (i % kCompareProgressItems == 0 && FProgressStep) {
                FProgressStep();
            }
            if (FBefore.Record(i) == nullptr) {
                continue;
            }
            const std::size_t j = a1 - a0 > kShortRun ? FMatch[i - b0] : FindPlain(FBefore.Record(i)->Name, a0, a1);
            if (j != kNone) {
                Pair(i, j);
            }
        }
    }

    std::size_t FindPlain(const std::string& name, std::size_t a0, std::size_t a1) const {
        for (std::size_t j = a0; j < a1; ++j) {
            const TValueRecord* candidate = FAfter.Record(j);
            if (candidate != nullptr && SameText(candidate->Name, name)) {
                return j;
            }
        }
        return kNone;
    }

    // Among equal names, the k-th before value (in list order) takes the k-th
    // after value: what the plain scan yields when values are paired in turn.
    void MatchSorted(std::size_t b0, std::size_t b1, std::size_t a0, std::size_t a1) {
        FMatch.assign(b1 - b0, kNone);
        SortByName(FBefore, b0, b1, FBeforeOrder);
        SortByName(FAfter, a0, a1, FAfterOrder);
        std::size_t x = 0;
        std::size_t y = 0;
        while (x < FBeforeOrder.size() && y < FAfterOrder.size()) {
            const int order = CompareText(FBefore.Record(FBeforeOrder[x])->Name, FAfter.Record(FAfterOrder[y])->Name);
            if (order < 0) {
                ++x;
            } else if (order > 0) {
                ++y;
            } else {
                FMatch[FBeforeOrder[x++] - b0] = FAfterOrder[y++];
            }
        }
    }

    static void SortByName(const TValueList& list, std::size_t from, std::size_t to, std::vector<std::size_t>& order) {
        order.clear();
        for (std::size_t j = from; j < to; ++j) {
            if (list.Record(j) != nullptr) {
                order.push_back(j);
            }
        }
        std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
            return CompareText(list.Record(x)->Name, list.Record(y)->Name) < 0;
        });
    }

    void Pair(std::size_t i, std::size_t j) {
        std::unique_ptr<TValueRecord> before = FBefore.Detach(i);
        std::unique_ptr<TValueRecord> after = FAfter.Detach(j);
        if (ValueChanged(*before, *after)) {
            FModifiedBefore.Append(FBefore.Text(i), std::move(before));
            FModifiedAfter.Append(FAfter.Text(j), std::move(after));
        }
    }

    TValueList& FBefore;
    TValueList& FAfter;
    TValueList& FModifiedBefore;
    TValueList& FModifiedAfter;
    const TProgressStep& FProgressStep;
    std::vector<std::size_t> FMatch;
    std::vector<std::size_t> FBeforeOrder;
    std::vector<std::size_t> FAfterOrder;
};

} // namespace

TKeyList NewKeyList() {
    return TKeyList(TListOrder::Sorted, TDuplicates::Refuse);
}

TValueList NewValueList() {
    return TValueList(TListOrder::Sorted, TDuplicates::Accept);
}

std::unique_ptr<TValueRecord> MakeValueRecord(TRegValue value) {
    auto record = std::make_unique<TValueRecord>();
    record->Name = std::move(value.Name);
    record->DataSize = static_cast<std::int32_t>(value.Data.size());
    record->RegType = value.Type;
    switch (value.Type) {
    case kRegSz:
    case kRegExpandSz:
        record->DataType = value.Type == kRegSz ? dtString : dtExpandString;
        record->Data = DecodeRegString(value.Data);
        break;
    case kRegDword:
        // A REG_DWORD is four bytes by convention only; other sizes are kept
        // as they are rather than guessed at.
        if (value.Data.size() == 4) {
            record->DataType = dtInteger;
            record->Data = static_cast<std::int32_t>(value.Data[0] | (value.Data[1] << 8) | (value.Data[2] << 16) |
                                                     (static_cast<std::uint32_t>(value.Data[3]) << 24));
        } else {
            record->DataType = dtUnknown;
            record->Buffer = CopyBytes(value.Data);
        }
        break;
    case kRegBinary:
        record->DataType = dtBinary;
        record->Buffer = CopyBytes(value.Data);
        break;
    default:
        record->DataType = dtUnknown;
        record->Buffer = CopyBytes(value.Data);
        break;
    }
    return record;
}

void SnapshotRoot(const TShowCount& onProgress, IRegistry& registry, TRegRoot root, const ILocalTime& localTime,
                  TKeyList& keys, TValueList& values, TCaptureNotes& notes) {
    TRegistryWalker walker(onProgress, localTime, notes, RootName(root));
    std::string path = "\\";
    std::unique_ptr<IRegKey> key;
    const TRegStatus status = registry.OpenKey(root, "", TRegAccess::Read, key);
    try {
        if (status == TRegStatus::Ok) {
            walker.Walk(*key, path);
        } else {
            walker.Skip(status, path);
        }
    } catch (...) {
        // What was read is kept, and path still names the key the walk was in.
        walker.Ended(path, std::current_exception());
        walker.Finish(keys, values);
        throw;
    }
    walker.Finish(keys, values);
}

bool ValueChanged(const TValueRecord& before, const TValueRecord& after) {
    // The five kinds of DataType hide most registry types; bytes that stay
    // while their type changes mean something else to every reader.
    if (before.RegType != after.RegType || before.DataType != after.DataType || before.DataSize != after.DataSize) {
        return true;
    }
    switch (before.DataType) {
    case dtString:
    case dtExpandString:
    case dtInteger:
        return before.Data != after.Data;
    default:
        return !SameBytes(before, after);
    }
}

void DropKeyValues(std::string_view keyPath, TValueList& values) {
    std::size_t index = 0;
    if (values.Find(keyPath, index)) {
        DropRun(values, index, keyPath);
    }
}

bool CompareRoot(const TProgressStart& progressStart, const TProgressStep& progressStep, TKeyList& keysBefore,
                 TKeyList& keysAfter, TValueList& valuesBefore, TValueList& valuesAfter, TKeyList& modifiedKeysBefore,
                 TKeyList& modifiedKeysAfter, TValueList& modifiedValuesBefore, TValueList& modifiedValuesAfter) {
    if (progressStart) {
        progressStart(0, static_cast<int>(keysBefore.Count()) - 1, static_cast<int>(kCompareProgressItems), 0, "Keys:");
    }
    // Both key lists and both value lists are sorted by key path, so one walk
    // in order through each finds every match without searching.
    std::size_t after = 0;
    std::size_t valueBefore = 0;
    std::size_t valueAfter = 0;
    for (std::size_t i = 0; i < keysBefore.Count(); ++i) {
        if (i % kCompareProgressItems == 0 && progressStep) {
            progressStep();
        }
        const std::string& keyPath = keysBefore.Text(i);
        after = SeekRun(keysAfter, after, keyPath);
        if (after == keysAfter.Count() || !SameText(keysAfter.Text(after), keyPath) || !keysBefore.Record(i) ||
            !keysAfter.Record(after)) {
            continue;
        }
        if (keysBefore.Record(i)->LastWrite != keysAfter.Record(after)->LastWrite) {
            Move(keysBefore, i, modifiedKeysBefore);
            Move(keysAfter, after, modifiedKeysAfter);
        } else {
            // Unchanged time stamp: the key and its values are taken as
            // unchanged without comparing them.
            valueBefore = DropRun(valuesBefore, valueBefore, keyPath);
            valueAfter = DropRun(valuesAfter, valueAfter, keyPath);
            keysBefore.Detach(i);
            keysAfter.Detach(after);
        }
    }
    if (progressStart) {
        progressStart(0, static_cast<int>(valuesBefore.Count()) - 1, static_cast<int>(kCompareProgressItems), 0,
                      "Values:");
    }
    TValueMatcher(valuesBefore, valuesAfter, modifiedValuesBefore, modifiedValuesAfter, progressStep).Run();
    return true;
}

} // namespace quill
