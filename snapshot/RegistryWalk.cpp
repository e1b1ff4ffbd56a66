#include "snapshot/RegistryWalk.h"

#include "common/TextCompare.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <utility>

namespace quill {
namespace {

constexpr std::int64_t kProgressKeys = 1000;

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

std::string_view EntryName(const std::string& name) {
    return name;
}

std::string_view EntryName(const TValueRecord& value) {
    return value.Name;
}

// Appends the entries of from whose names to lacks.
template <class TEntry> void AddMissing(std::vector<TEntry>& to, std::vector<TEntry>& from) {
    // Reserved first: names points into the entries of to.
    to.reserve(to.size() + from.size());
    std::vector<std::string_view> names;
    names.reserve(to.size());
    for (const TEntry& entry : to) {
        names.push_back(EntryName(entry));
    }
    std::sort(names.begin(), names.end(), TTextLess());
    for (TEntry& entry : from) {
        if (!std::binary_search(names.begin(), names.end(), EntryName(entry), TTextLess())) {
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
    TRegistryWalker(const TShowCount& onProgress, const ILocalTime& localTime, TCaptureNotes& notes, TRegRoot root,
                    IKeySink& sink)
        : FOnProgress(onProgress), FLocalTime(localTime), FNotes(notes), FRoot(root), FSink(sink) {}

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
        TKeyRecord record;
        TDateTime lastWrite = kUnknownDateTime;
        record.LastWrite = FLocalTime.FileTimeToLocal(info.LastWrite, lastWrite) ? lastWrite : kUnknownDateTime;
        FKeyValues.clear();
        if (info.Values > 0) {
            ReadValues(key, info.Values, path);
        }
        FSink.Key(path, record, FKeyValues);
        if (info.SubKeys > 0) {
            WalkSubKeys(key, ReadSubKeyNames(key, info.SubKeys, path), path);
        }
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
    void Note(std::string_view what, std::string example) { NoteRoot(FNotes, FRoot, what, std::move(example)); }

    void Note(std::string_view what, const std::string& example, std::uint32_t times) {
        for (std::uint32_t i = 0; i < times; ++i) {
            Note(what, example);
        }
    }

    void ReadValues(IRegKey& key, std::uint32_t count, const std::string& path) {
        const TListing listing =
            ListTwice(key, count, &TRegKeyInfo::Values, FKeyValues,
                      [&](std::uint32_t n, std::vector<TValueRecord>& values) { return ListValues(key, n, values); });
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
        std::reverse(FKeyValues.begin(), FKeyValues.end());
    }

    TListing ListValues(IRegKey& key, std::uint32_t count, std::vector<TValueRecord>& values) {
        values.reserve(count);
        TListing listing;
        for (std::uint32_t index = 0; index < count; ++index) {
            const TRegStatus status = key.EnumValue(index, FValue);
            if (status == TRegStatus::Ok) {
                values.push_back(FSink.MakeValue(FValue));
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
                Note(kListedTwice, path + names[i] + "\\");
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
    std::vector<TValueRecord> FKeyValues;
    TRegValue FValue;
    TCaptureNotes& FNotes;
    TRegRoot FRoot;
    IKeySink& FSink;
};

// The walk itself; WalkRoot finishes the sink whatever ends it.
void WalkFromRoot(const TShowCount& onProgress, IRegistry& registry, TRegRoot root, const ILocalTime& localTime,
                  IKeySink& sink, TCaptureNotes& notes) {
    TRegistryWalker walker(onProgress, localTime, notes, root, sink);
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
        // path still names the key the walk was in.
        walker.Ended(path, std::current_exception());
        throw;
    }
}

} // namespace

void NoteRoot(TCaptureNotes& notes, TRegRoot root, std::string_view what, std::string example) {
    notes.Add(std::string(RootName(root)) + ": " + std::string(what), std::move(example));
}

void WalkRoot(const TShowCount& onProgress, IRegistry& registry, TRegRoot root, const ILocalTime& localTime,
              IKeySink& sink, TCaptureNotes& notes) {
    try {
        WalkFromRoot(onProgress, registry, root, localTime, sink, notes);
    } catch (...) {
        // What was read is kept.
        sink.Finish();
        throw;
    }
    sink.Finish();
}

} // namespace quill
