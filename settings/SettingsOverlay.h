#pragma once

#include "common/Registry.h"
#include "common/TextCompare.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quill {

// The registry as settings read it, with writes kept in memory: a run that
// must not change the stored options (a recording from the command line)
// reads them as they are stored and overrides some for itself. Reads see the
// overlay's writes and deletions first; everything else comes from the base
// registry, which is never written.
class TSettingsOverlay : public IRegistry {
public:
    explicit TSettingsOverlay(IRegistry& base) : FBase(base) {}

    TRegStatus OpenKey(TRegRoot root, std::string_view path, TRegAccess access, std::unique_ptr<IRegKey>& key) override;
    TRegStatus CreateKey(TRegRoot root, std::string_view path, std::unique_ptr<IRegKey>& key) override;

    struct TValue {
        std::uint32_t Type = kRegNone;
        std::vector<std::uint8_t> Data;
    };
    // A value name written (a value) or deleted (empty) in one key.
    using TValues = std::map<std::string, std::optional<TValue>, TTextLess>;

private:
    TValues& Values(TRegRoot root, std::string_view path);

    IRegistry& FBase;
    std::map<std::string, TValues, TTextLess> FKeys;
};

} // namespace quill
