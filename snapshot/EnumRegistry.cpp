#include "snapshot/EnumRegistry.h"

#include "snapshot/RegistryWalk.h"
#include "snapshot/ValueRecord.h"

#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace quill {
namespace {

// Collects the items of one walk and hands them to the lists in bulk. The
// deques grow without moving what they hold, and give their blocks back while
// the lists are filled, so that a root's items are never held twice and the
// lists get no room to spare.
template <class TRecord> class TPendingList {
public:
    void Push(TText text, TRecordPtr<TRecord> record) { FItems.push_back({text, std::move(record)}); }
    std::vector<std::string> MoveInto(TRecordList<TRecord>& list) {
        list.Reserve(list.Count() + FItems.size());
        while (!FItems.empty()) {
            list.AppendKept(FItems.front().first, std::move(FItems.front().second));
            FItems.pop_front();
        }
        return list.SortAppended();
    }

private:
    std::deque<std::pair<TText, TRecordPtr<TRecord>>> FItems;
};

// Keeps every key and value of the walk in the key list's arena, which the
// value list shares.
class TSnapshotSink : public IKeySink {
public:
    TSnapshotSink(TKeyList& keys, TValueList& values, TRegRoot root, TCaptureNotes& notes)
        : FKeyList(keys), FValueList(values), FArena(keys.Arena()), FTexts(FArena, kSnapshotTextSlots), FRoot(root),
          FNotes(notes) {
        values.Share(keys);
    }

    TValueRecord MakeValue(const TRegValue& value) override { return MakeValueRecord(value, FArena, FTexts); }

    void Key(const std::string& path, const TKeyRecord& key, std::vector<TValueRecord>& values) override {
        const TText keyPath = FArena.Keep(path);
        FKeys.Push(keyPath, TRecordPtr<TKeyRecord>::InArena(FArena.New<TKeyRecord>(key)));
        for (const TValueRecord& value : values) {
            FValues.Push(keyPath, TRecordPtr<TValueRecord>::InArena(FArena.New<TValueRecord>(value)));
        }
    }

    void Finish() override {
        for (std::string& duplicate : FKeys.MoveInto(FKeyList)) {
            NoteRoot(FNotes, FRoot, kListedTwice, std::move(duplicate));
        }
        FValues.MoveInto(FValueList);
    }

private:
    TKeyList& FKeyList;
    TValueList& FValueList;
    TArena& FArena;
    TTextCache FTexts;
    TPendingList<TKeyRecord> FKeys;
    TPendingList<TValueRecord> FValues;
    TRegRoot FRoot;
    TCaptureNotes& FNotes;
};

} // namespace

TKeyList NewKeyList() {
    return TKeyList(TListOrder::Sorted, TDuplicates::Refuse);
}

TValueList NewValueList() {
    return TValueList(TListOrder::Sorted, TDuplicates::Accept);
}

void SnapshotRoot(const TShowCount& onProgress, IRegistry& registry, TRegRoot root, const ILocalTime& localTime,
                  TKeyList& keys, TValueList& values, TCaptureNotes& notes) {
    TSnapshotSink sink(keys, values, root, notes);
    WalkRoot(onProgress, registry, root, localTime, sink, notes);
}

} // namespace quill
