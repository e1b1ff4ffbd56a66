#pragma once

#include "common/ArenaText.h"
#include "common/RecordList.h"
#include "common/RecordPtr.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace quill {

// The changed pairs a comparison finds while it reads the after side, which
// it reads in an order of its own: each after record with the index of its
// before record, which orders the pairs as the before list does.
template <class TRecord> class TMatchedPairs {
public:
    void Add(std::size_t beforeIndex, TText path, TRecordPtr<TRecord> after) {
        FPairs.push_back({beforeIndex, path, std::move(after)});
    }

    // Moves every pair to the two result lists at equal indexes, in the order
    // of the before list. The after records and texts live in kept's arenas.
    template <class TKept>
    void MoveTo(TRecordList<TRecord>& before, TRecordList<TRecord>& modifiedBefore, TRecordList<TRecord>& modifiedAfter,
                const TKept& kept) {
        std::sort(FPairs.begin(), FPairs.end(), [](const TPair& a, const TPair& b) { return a.Index < b.Index; });
        modifiedAfter.Share(kept);
        for (TPair& pair : FPairs) {
            modifiedBefore.Take(before, pair.Index);
            modifiedAfter.AppendKept(pair.Path, std::move(pair.Record));
        }
        FPairs.clear();
    }

private:
    struct TPair {
        std::size_t Index;
        TText Path;
        TRecordPtr<TRecord> Record;
    };
    std::vector<TPair> FPairs;
};

} // namespace quill
