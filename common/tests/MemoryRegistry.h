#pragma once

#include "common/Registry.h"
#include "common/TextCompare.h"

#include <array>
#include <functional>
#include <map>
#include <memory>

namespace quill {

// A registry held in memory, for tests of the code that walks, compares and
// stores registry data. Subkeys enumerate in name order, values in the order
// they were first set, as the platform's registry does.
class TMemoryRegistry : public IRegistry {
public:
    struct TNode {
        std::string Path; // from the root, "\A\B\" style
        std::map<std::string, std::shared_ptr<TNode>, TTextLess> SubKeys;
        std::vector<TRegValue> Values;
        std::uint64_t LastWrite = 0;
        bool Denied = false;
        bool Deleted = false;
    };

    TMemoryRegistry();

    TRegStatus OpenKey(TRegRoot root, std::string_view path, TRegAccess access, std::unique_ptr<IRegKey>& key) override;
    TRegStatus CreateKey(TRegRoot root, std::string_view path, std::unique_ptr<IRegKey>& key) override;

    // Direct access for setting up and inspecting a test's registry.
    TNode& Key(TRegRoot root, std::string_view path); // created where missing
    TNode* FindKey(TRegRoot root, std::string_view path) const;
    void SetValue(TRegRoot root, std::string_view path, std::string_view name, std::uint32_t type,
                  std::vector<std::uint8_t> data);
    void SetString(TRegRoot root, std::string_view path, std::string_view name, std::string_view text);
    bool DeleteValue(TRegRoot root, std::string_view path, std::string_view name);
    bool DeleteKey(TRegRoot root, std::string_view path);
    // Makes every open of the key fail with "access denied", or no longer.
    void DenyAccess(TRegRoot root, std::string_view path, bool denied = true);
    // Lets opens and creates of any key fail, as when the registry is not
    // reachable at all.
    void FailEverything(bool fail) { FFailEverything = fail; }

    // Called before EnumKey and EnumValue read the subkey or value at index of
    // a key: a test can change the registry there, as another program may at
    // any moment.
    using TEnumHook = std::function<void(TNode& key, std::uint32_t index)>;
    TEnumHook OnEnumKey;
    TEnumHook OnEnumValue;
    // When set and answering other than Ok, EnumValue at index of a key fails
    // with that status, as for a value that kept growing (MoreData) or that
    // the registry refuses to read.
    std::function<TRegStatus(TNode& key, std::uint32_t index)> EnumValueFault;

    // Requests served since construction, for tests of how many calls a walk
    // makes.
    std::uint64_t Requests() const noexcept { return FRequests; }
    void CountRequest() noexcept { ++FRequests; }

private:
    std::array<std::shared_ptr<TNode>, 5> FRoots;
    std::uint64_t FRequests = 0;
    bool FFailEverything = false;
};

} // namespace quill
