#include "common/TextCompare.h"
#include "snapshot/EnumRegistry.h"
#include "snapshot/MatchedPairs.h"
#include "snapshot/RegistryWalk.h"
#include "snapshot/ValueRecord.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quill {
namespace {

// What the scratch arena may hold before it is given back: a key with more
// values than fit gets it to itself.
constexpr std::size_t kScratchBytes = std::size_t{256} << 10;

// Matches each key of the after walk with the before snapshot as soon as it
// has been read, as CompareRoot matches two whole snapshots: what is unchanged
// leaves the before lists at once, and only the created and modified records
// of the after side are kept, in the after key list's arena. The walk runs in
// the registry's order, not the lists', so the kept items are put in the
// lists' order when it ends.
class TWalkComparison : public IKeySink {
public:
    TWalkComparison(TKeyList& keysBefore, TKeyList& keysAfter, TValueList& valuesBefore, TValueList& valuesAfter,
                    TKeyList& modifiedKeysBefore, TKeyList& modifiedKeysAfter, TValueList& modifiedValuesBefore,
                    TValueList& modifiedValuesAfter, TRegRoot root, TCaptureNotes& notes)
        : FKeysBefore(keysBefore), FKeysAfter(keysAfter), FValuesBefore(valuesBefore), FValuesAfter(valuesAfter),
          FModifiedKeysBefore(modifiedKeysBefore), FModifiedKeysAfter(modifiedKeysAfter),
          FModifiedValuesBefore(modifiedValuesBefore), FModifiedValuesAfter(modifiedValuesAfter),
          FKept(keysAfter.Arena()), FScratch(std::make_unique<TArena>()), FSeen(keysBefore.Count(), false), FRoot(root),
          FNotes(notes) {
        FValuesAfter.Share(FKeysAfter);
    }

    TValueRecord MakeValue(const TRegValue& value) override { return MakeValueRecord(value, *FScratch); }

    void Key(const std::string& path, const TKeyRecord& key, std::vector<TValueRecord>& values) override {
        std::size_t index = 0;
        if (!FKeysBefore.Find(path, index) || FKeysBefore.Record(index) == nullptr) {
            KeepCreated(path, key, values);
        } else if (FSeen[index]) {
            FListedTwice.push_back(path);
        } else {
            FSeen[index] = true;
            Match(index, path, key, values);
        }
        if (FScratch->BlockBytes() > kScratchBytes) {
            FScratch = std::make_unique<TArena>();
        }
    }

    // Puts what was kept in the lists' order; the lists then hold exactly
    // what CompareRoot leaves in them.
    void Finish() override {
        for (std::string& duplicate : FKeysAfter.SortAppended()) {
            FListedTwice.push_back(std::move(duplicate));
        }
        FValuesAfter.SortAppended();
        std::sort(FListedTwice.begin(), FListedTwice.end(), TTextLess());
        for (std::string& duplicate : FListedTwice) {
            NoteRoot(FNotes, FRoot, kListedTwice, std::move(duplicate));
        }
        FListedTwice.clear();
        FModifiedKeys.MoveTo(FKeysBefore, FModifiedKeysBefore, FModifiedKeysAfter, FKeysAfter);
        FModifiedValues.MoveTo(FValuesBefore, FModifiedValuesBefore, FModifiedValuesAfter, FKeysAfter);
        KeepOnlyChanges(FKeysBefore, FKeysAfter, FValuesBefore, FValuesAfter, FModifiedKeysBefore, FModifiedKeysAfter,
                        FModifiedValuesBefore, FModifiedValuesAfter);
    }

private:
    void Match(std::size_t index, const std::string& path, const TKeyRecord& key, std::vector<TValueRecord>& values) {
        std::size_t first = 0;
        const std::size_t end = FValuesBefore.Find(path, first) ? KeyValuesEnd(FValuesBefore, first) : first;
        if (FKeysBefore.Record(index)->LastWrite == key.LastWrite) {
            // Unchanged time stamp: the key and its values are taken as
            // unchanged without comparing them.
            FKeysBefore.Detach(index);
            for (std::size_t i = first; i < end; ++i) {
                FValuesBefore.Detach(i);
            }
            return;
        }
        const TText kept = FKept.Keep(path);
        FModifiedKeys.Add(index, kept, TRecordPtr<TKeyRecord>::InArena(FKept.New<TKeyRecord>(key)));
        MatchValues(first, end, kept, values);
    }

    // Among equal names, the k-th before value (in list order) takes the k-th
    // after value: each before value takes the first after value of its name
    // still unpaired.
    void MatchValues(std::size_t first, std::size_t end, TText path, std::vector<TValueRecord>& values) {
        FBeforeOrder.clear();
        for (std::size_t i = first; i < end; ++i) {
            if (FValuesBefore.Record(i) != nullptr) {
                FBeforeOrder.push_back(i);
            }
        }
        FAfterOrder.resize(values.size());
        for (std::size_t j = 0; j < values.size(); ++j) {
            FAfterOrder[j] = j;
        }
        std::stable_sort(FBeforeOrder.begin(), FBeforeOrder.end(), [&](std::size_t x, std::size_t y) {
            return CompareText(FValuesBefore.Record(x)->Name, FValuesBefore.Record(y)->Name) < 0;
        });
        std::stable_sort(FAfterOrder.begin(), FAfterOrder.end(),
                         [&](std::size_t x, std::size_t y) { return CompareText(values[x].Name, values[y].Name) < 0; });
        FPaired.assign(values.size(), false);
        std::size_t x = 0;
        std::size_t y = 0;
        while (x < FBeforeOrder.size() && y < FAfterOrder.size()) {
            const std::size_t i = FBeforeOrder[x];
            const std::size_t j = FAfterOrder[y];
            const int order = CompareText(FValuesBefore.Record(i)->Name, values[j].Name);
            if (order < 0) {
                ++x;
            } else if (order > 0) {
                ++y;
            } else {
                Pair(i, path, values[j]);
                FPaired[j] = true;
                ++x;
                ++y;
            }
        }
        for (std::size_t j = 0; j < values.size(); ++j) {
            if (!FPaired[j]) {
                FValuesAfter.AppendKept(path, KeepValue(values[j]));
            }
        }
    }

    void Pair(std::size_t before, TText path, const TValueRecord& after) {
        if (ValueChanged(*FValuesBefore.Record(before), after)) {
            FModifiedValues.Add(before, path, KeepValue(after));
        } else {
            FValuesBefore.Detach(before);
        }
    }

    void KeepCreated(const std::string& path, const TKeyRecord& key, const std::vector<TValueRecord>& values) {
        const TText kept = FKept.Keep(path);
        FKeysAfter.AppendKept(kept, TRecordPtr<TKeyRecord>::InArena(FKept.New<TKeyRecord>(key)));
        for (const TValueRecord& value : values) {
            FValuesAfter.AppendKept(kept, KeepValue(value));
        }
    }

    TRecordPtr<TValueRecord> KeepValue(const TValueRecord& value) {
        return TRecordPtr<TValueRecord>::InArena(FKept.New<TValueRecord>(CopyValueRecord(value, FKept)));
    }

    TKeyList& FKeysBefore;
    TKeyList& FKeysAfter;
    TValueList& FValuesBefore;
    TValueList& FValuesAfter;
    TKeyList& FModifiedKeysBefore;
    TKeyList& FModifiedKeysAfter;
    TValueList& FModifiedValuesBefore;
    TValueList& FModifiedValuesAfter;
    TArena& FKept;
    std::unique_ptr<TArena> FScratch;
    // The before keys the walk has met.
    std::vector<bool> FSeen;
    TMatchedPairs<TKeyRecord> FModifiedKeys;
    TMatchedPairs<TValueRecord> FModifiedValues;
    std::vector<std::string> FListedTwice;
    std::vector<std::size_t> FBeforeOrder;
    std::vector<std::size_t> FAfterOrder;
    std::vector<bool> FPaired;
    TRegRoot FRoot;
    TCaptureNotes& FNotes;
};

} // namespace

void SnapshotAndCompareRoot(const TShowCount& onProgress, IRegistry& registry, TRegRoot root,
                            const ILocalTime& localTime, TKeyList& keysBefore, TKeyList& keysAfter,
                            TValueList& valuesBefore, TValueList& valuesAfter, TKeyList& modifiedKeysBefore,
                            TKeyList& modifiedKeysAfter, TValueList& modifiedValuesBefore,
                            TValueList& modifiedValuesAfter, TCaptureNotes& notes) {
    TWalkComparison comparison(keysBefore, keysAfter, valuesBefore, valuesAfter, modifiedKeysBefore, modifiedKeysAfter,
                               modifiedValuesBefore, modifiedValuesAfter, root, notes);
    WalkRoot(onProgress, registry, root, localTime, comparison, notes);
}

} // namespace quill
