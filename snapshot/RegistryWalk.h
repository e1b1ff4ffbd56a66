#pragma once

#include "common/CaptureNotes.h"
#include "common/LocalTime.h"
#include "common/Progress.h"
#include "common/Registry.h"
#include "snapshot/EnumRegistry.h"

#include <string>
#include <string_view>
#include <vector>

namespace quill {

// The note of a key the registry listed twice under one parent.
constexpr char kListedTwice[] = "subkeys listed twice by the registry, recorded once";

// Where a registry walk hands what it reads, key by key: a snapshot keeps
// everything, a comparison only what differs from an earlier snapshot.
class IKeySink {
public:
    virtual ~IKeySink() = default;
    // The record of one value as read, its texts kept where the sink wants
    // them until Key has taken it.
    virtual TValueRecord MakeValue(const TRegValue& value) = 0;
    // One key read: its path ("\A\B\"), its record, and its values in the
    // reverse of the registry's order.
    virtual void Key(const std::string& path, const TKeyRecord& key, std::vector<TValueRecord>& values) = 0;
    // Once, when the walk ends, whatever ends it: what was read is kept.
    virtual void Finish() = 0;
};

// Walks every key of one root that can be read, from "\" down, depth first.
// Keys and values that could not be read completely (access denied, changed
// while being read) are left out and counted in notes, never silently; an
// error that ends the walk is noted with the key it was in and raised again,
// after the sink has finished.
// onProgress, when set, hears the number of keys at every thousandth.
void WalkRoot(const TShowCount& onProgress, IRegistry& registry, TRegRoot root, const ILocalTime& localTime,
              IKeySink& sink, TCaptureNotes& notes);

// A note about the root, under a heading that names it.
void NoteRoot(TCaptureNotes& notes, TRegRoot root, std::string_view what, std::string example);

} // namespace quill
