#pragma once

#include "common/Arena.h"
#include "common/Registry.h"
#include "common/TextCache.h"
#include "snapshot/EnumRegistry.h"

#include <cstddef>

namespace quill {

// Slots of the text cache of one registry walk: enough for the names and
// common data of a machine's values, small beside its snapshot.
constexpr std::size_t kSnapshotTextSlots = std::size_t{1} << 16;

// MakeValueRecord with its short texts kept through the walk's cache.
TValueRecord MakeValueRecord(const TRegValue& value, TArena& arena, TTextCache& texts);

// The index after the values from first on that stand under the key path of
// the value at first.
std::size_t KeyValuesEnd(const TValueList& values, std::size_t first);

// The record with its name, text and bytes copied into arena.
TValueRecord CopyValueRecord(const TValueRecord& value, TArena& arena);

} // namespace quill
