#include "snapshot/EnumRegistry.h"

#include "common/TextCompare.h"
#include "snapshot/ValueRecord.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace quill {
namespace {

constexpr std::size_t kCompareProgressItems = 10000;

bool SameBytes(const TValueRecord& before, const TValueRecord& after) {
    if (before.DataSize <= 0) {
        return true;
    }
    if (!before.Buffer || !after.Buffer) {
        return !before.Buffer && !after.Buffer;
    }
    return std::memcmp(before.Buffer, after.Buffer, static_cast<std::size_t>(before.DataSize)) == 0;
}

// The index of the first item at or after from whose text is not below text;
// the lists are sorted, so a walk in order never looks back. Items that share
// one stored text (the values of a key) are passed over together.
template <class TRecord>
std::size_t SeekRun(const TRecordList<TRecord>& list, std::size_t from, std::string_view text) {
    while (from < list.Count()) {
        const TText here = list.Text(from);
        if (CompareText(here, text) >= 0) {
            break;
        }
        do {
            ++from;
        } while (from < list.Count() && list.Text(from).SameStorage(here));
    }
    return from;
}

// The values of one key share its key path's text, which spares reading it
// for every value of a run.
bool SamePath(TText listed, TText keyPath) noexcept {
    return listed.SameStorage(keyPath) || SameText(listed, keyPath);
}

// Releases the records of the run of items with the key path from index on;
// returns the index after the run.
std::size_t DropRun(TValueList& values, std::size_t index, std::string_view keyPath) {
    index = SeekRun(values, index, keyPath);
    if (index == values.Count() || !SameText(values.Text(index), keyPath)) {
        return index;
    }
    const std::size_t end = KeyValuesEnd(values, index);
    for (; index < end; ++index) {
        values.Detach(index);
    }
    return index;
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
            const TText keyPath = FBefore.Text(i);
            const std::size_t runEnd = KeyValuesEnd(FBefore, i);
            after = SeekRun(FAfter, after, keyPath);
            const std::size_t afterEnd =
                after < FAfter.Count() && SameText(FAfter.Text(after), keyPath) ? KeyValuesEnd(FAfter, after) : after;
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

    std::size_t FindPlain(TText name, std::size_t a0, std::size_t a1) const {
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
        if (ValueChanged(*FBefore.Record(i), *FAfter.Record(j))) {
            FModifiedBefore.Take(FBefore, i);
            FModifiedAfter.Take(FAfter, j);
        } else {
            FBefore.Detach(i);
            FAfter.Detach(j);
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

std::size_t KeyValuesEnd(const TValueList& values, std::size_t first) {
    const TText keyPath = values.Text(first);
    std::size_t end = first + 1;
    while (end < values.Count() && SamePath(values.Text(end), keyPath)) {
        ++end;
    }
    return end;
}

void DropKeyValues(std::string_view keyPath, TValueList& values) {
    std::size_t index = 0;
    if (values.Find(keyPath, index)) {
        DropRun(values, index, keyPath);
    }
}

void KeepOnlyChanges(TKeyList& keysBefore, TKeyList& keysAfter, TValueList& valuesBefore, TValueList& valuesAfter,
                     TKeyList& modifiedKeysBefore, TKeyList& modifiedKeysAfter, TValueList& modifiedValuesBefore,
                     TValueList& modifiedValuesAfter) {
    const auto results = std::make_shared<TArena>();
    const auto keepKey = [](const TKeyRecord& key, TArena&) { return key; };
    for (TKeyList* keys : {&keysBefore, &keysAfter, &modifiedKeysBefore, &modifiedKeysAfter}) {
        keys->MoveTo(results, keepKey);
    }
    for (TValueList* values : {&valuesBefore, &valuesAfter, &modifiedValuesBefore, &modifiedValuesAfter}) {
        values->MoveTo(results, CopyValueRecord);
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
        const TText keyPath = keysBefore.Text(i);
        after = SeekRun(keysAfter, after, keyPath);
        if (after == keysAfter.Count() || !SameText(keysAfter.Text(after), keyPath) || !keysBefore.Record(i) ||
            !keysAfter.Record(after)) {
            continue;
        }
        if (keysBefore.Record(i)->LastWrite != keysAfter.Record(after)->LastWrite) {
            modifiedKeysBefore.Take(keysBefore, i);
            modifiedKeysAfter.Take(keysAfter, after);
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
    KeepOnlyChanges(keysBefore, keysAfter, valuesBefore, valuesAfter, modifiedKeysBefore, modifiedKeysAfter,
                    modifiedValuesBefore, modifiedValuesAfter);
    return true;
}

} // namespace quill
