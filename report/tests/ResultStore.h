#pragma once

#include "common/tests/FixedOffsetTime.h"
#include "snapshot/EnumRegistry.h"
#include "store/SessionStore.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace quill {

// A session store with results put in by hand, records made as the
// snapshots make them.
class TResultStore {
public:
    TResultStore() { Store.NewSession(); }

    TRootLists& Root(TRegRoot root) {
        Store.Root(root).Recorded = true;
        Store.Root(root).Compared = true;
        return Store.Root(root);
    }

    static void AddKey(TKeyList& keys, std::string_view path, bool included = true, TDateTime lastWrite = 45000.5) {
        auto key = std::make_unique<TKeyRecord>();
        key->LastWrite = lastWrite;
        key->Included = included ? 1 : 0;
        keys.Add(path, std::move(key));
    }

    static TValueRecord& AddValue(TValueList& values, std::string_view keyPath, std::string_view name,
                                  std::uint32_t type, const std::vector<std::uint8_t>& data, bool included = true) {
        TValueRecord record = MakeValueRecord(TRegValue{std::string(name), type, data}, values.Arena());
        record.Included = included ? 1 : 0;
        auto pointer = values.NewRecord(record);
        TValueRecord& kept = *pointer;
        values.Add(keyPath, std::move(pointer));
        return kept;
    }

    static void AddFile(TFileList& files, std::string_view path, std::int64_t size, bool included = true) {
        auto file = std::make_unique<TFileScan>();
        file->Size = size;
        file->Included = included ? 1 : 0;
        files.Add(path, std::move(file));
    }

    TFixedOffsetTime Clock{0, 45000.25};
    TSessionStore Store{Clock};
};

} // namespace quill
