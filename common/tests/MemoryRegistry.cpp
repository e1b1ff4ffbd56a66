#include "common/tests/MemoryRegistry.h"

#include <algorithm>

namespace quill {
namespace {

using TNode = TMemoryRegistry::TNode;

std::vector<std::string_view> SplitPath(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        if (end > start) {
            parts.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

// The key below node at the relative path, or null where a part is missing.
std::shared_ptr<TNode> Descend(std::shared_ptr<TNode> node, std::string_view path) {
    for (const std::string_view part : SplitPath(path)) {
        const auto it = node->SubKeys.find(std::string(part));
        if (it == node->SubKeys.end()) {
            return nullptr;
        }
        node = it->second;
    }
    return node;
}

std::vector<TRegValue>::iterator FindValue(TNode& node, std::string_view name) {
    return std::find_if(node.Values.begin(), node.Values.end(),
                        [&](const TRegValue& v) { return SameText(v.Name, name); });
}

TRegStatus OpenNode(TMemoryRegistry& owner, std::shared_ptr<TNode> node, TRegAccess access,
                    std::unique_ptr<IRegKey>& key);

class TMemoryKey : public IRegKey {
public:
    TMemoryKey(TMemoryRegistry& owner, std::shared_ptr<TNode> node, TRegAccess access)
        : FOwner(owner), FNode(std::move(node)), FAccess(access) {}

    TRegStatus QueryInfo(TRegKeyInfo& info) override {
        if (!Begin()) {
            return TRegStatus::NotFound;
        }
        info = {};
        info.SubKeys = static_cast<std::uint32_t>(FNode->SubKeys.size());
        info.Values = static_cast<std::uint32_t>(FNode->Values.size());
        for (const auto& [name, sub] : FNode->SubKeys) {
            info.MaxSubKeyLength = std::max(info.MaxSubKeyLength, Utf16Length(name));
        }
        for (const TRegValue& v : FNode->Values) {
            info.MaxValueNameLength = std::max(info.MaxValueNameLength, Utf16Length(v.Name));
            info.MaxValueSize = std::max(info.MaxValueSize, static_cast<std::uint32_t>(v.Data.size()));
        }
        info.LastWrite = FNode->LastWrite;
        return TRegStatus::Ok;
    }

    TRegStatus EnumKey(std::uint32_t index, std::string& name) override {
        if (!Begin()) {
            return TRegStatus::NotFound;
        }
        if (FOwner.OnEnumKey) {
            FOwner.OnEnumKey(*FNode, index);
        }
        if (FNode->Deleted) {
            return TRegStatus::NotFound;
        }
        if (index >= FNode->SubKeys.size()) {
            return TRegStatus::NoMoreItems;
        }
        name = std::next(FNode->SubKeys.begin(), index)->first;
        return TRegStatus::Ok;
    }

    TRegStatus EnumValue(std::uint32_t index, TRegValue& value) override {
        if (!Begin()) {
            return TRegStatus::NotFound;
        }
        if (FOwner.OnEnumValue) {
            FOwner.OnEnumValue(*FNode, index);
        }
        if (FNode->Deleted) {
            return TRegStatus::NotFound;
        }
        if (index >= FNode->Values.size()) {
            return TRegStatus::NoMoreItems;
        }
        if (FOwner.EnumValueFault) {
            const TRegStatus fault = FOwner.EnumValueFault(*FNode, index);
            if (fault != TRegStatus::Ok) {
                return fault;
            }
        }
        value = FNode->Values[index];
        return TRegStatus::Ok;
    }

    TRegStatus OpenSubKey(std::string_view name, TRegAccess access, std::unique_ptr<IRegKey>& key) override {
        if (!Begin()) {
            return TRegStatus::NotFound;
        }
        return OpenNode(FOwner, Descend(FNode, name), access, key);
    }

    TRegStatus QueryValue(std::string_view name, std::uint32_t& type, std::vector<std::uint8_t>& data) override {
        if (!Begin()) {
            return TRegStatus::NotFound;
        }
        const auto it = FindValue(*FNode, name);
        if (it == FNode->Values.end()) {
            return TRegStatus::NotFound;
        }
        type = it->Type;
        data = it->Data;
        return TRegStatus::Ok;
    }

    TRegStatus SetValue(std::string_view name, std::uint32_t type, const std::vector<std::uint8_t>& data) override {
        if (!Begin()) {
            return TRegStatus::NotFound;
        }
        if (FAccess != TRegAccess::Write) {
            return TRegStatus::AccessDenied;
        }
        const auto it = FindValue(*FNode, name);
        if (it == FNode->Values.end()) {
            FNode->Values.push_back(TRegValue{std::string(name), type, data});
        } else {
            it->Type = type;
            it->Data = data;
        }
        return TRegStatus::Ok;
    }

    TRegStatus DeleteValue(std::string_view name) override {
        if (!Begin()) {
            return TRegStatus::NotFound;
        }
        if (FAccess != TRegAccess::Write) {
            return TRegStatus::AccessDenied;
        }
        const auto it = FindValue(*FNode, name);
        if (it == FNode->Values.end()) {
            return TRegStatus::NotFound;
        }
        FNode->Values.erase(it);
        return TRegStatus::Ok;
    }

private:
    static std::uint32_t Utf16Length(std::string_view text) {
        std::uint32_t units = 0;
        for (const char c : text) {
            const auto b = static_cast<unsigned char>(c);
            if ((b & 0xC0) != 0x80) {
                units += b >= 0xF0 ? 2 : 1;
            }
        }
        return units;
    }

    bool Begin() {
        FOwner.CountRequest();
        return !FNode->Deleted;
    }

    TMemoryRegistry& FOwner;
    std::shared_ptr<TNode> FNode;
    TRegAccess FAccess;
};

TRegStatus OpenNode(TMemoryRegistry& owner, std::shared_ptr<TNode> node, TRegAccess access,
                    std::unique_ptr<IRegKey>& key) {
    if (!node) {
        return TRegStatus::NotFound;
    }
    if (node->Denied) {
        return TRegStatus::AccessDenied;
    }
    key = std::make_unique<TMemoryKey>(owner, std::move(node), access);
    return TRegStatus::Ok;
}

} // namespace

TMemoryRegistry::TMemoryRegistry() {
    for (auto& root : FRoots) {
        root = std::make_shared<TNode>();
        root->Path = "\\";
    }
}

TMemoryRegistry::TNode* TMemoryRegistry::FindKey(TRegRoot root, std::string_view path) const {
    return Descend(FRoots[static_cast<std::size_t>(root)], path).get();
}

TMemoryRegistry::TNode& TMemoryRegistry::Key(TRegRoot root, std::string_view path) {
    TNode* node = FRoots[static_cast<std::size_t>(root)].get();
    for (const std::string_view part : SplitPath(path)) {
        auto& sub = node->SubKeys[std::string(part)];
        if (!sub) {
            sub = std::make_shared<TNode>();
            sub->Path = node->Path + std::string(part) + "\\";
        }
        node = sub.get();
    }
    return *node;
}

void TMemoryRegistry::SetValue(TRegRoot root, std::string_view path, std::string_view name, std::uint32_t type,
                               std::vector<std::uint8_t> data) {
    TNode& node = Key(root, path);
    const auto it = FindValue(node, name);
    if (it == node.Values.end()) {
        node.Values.push_back(TRegValue{std::string(name), type, std::move(data)});
    } else {
        it->Type = type;
        it->Data = std::move(data);
    }
}

void TMemoryRegistry::SetString(TRegRoot root, std::string_view path, std::string_view name, std::string_view text) {
    SetValue(root, path, name, kRegSz, EncodeRegString(text));
}

bool TMemoryRegistry::DeleteValue(TRegRoot root, std::string_view path, std::string_view name) {
    TNode* node = FindKey(root, path);
    if (node == nullptr) {
        return false;
    }
    const auto it = FindValue(*node, name);
    if (it == node->Values.end()) {
        return false;
    }
    node->Values.erase(it);
    return true;
}

bool TMemoryRegistry::DeleteKey(TRegRoot root, std::string_view path) {
    const std::vector<std::string_view> parts = SplitPath(path);
    if (parts.empty()) {
        return false;
    }
    const std::string parentPath = [&] {
        std::string p;
        for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
            p += std::string(parts[i]) + "\\";
        }
        return p;
    }();
    TNode* parent = FindKey(root, parentPath);
    if (parent == nullptr) {
        return false;
    }
    const auto it = parent->SubKeys.find(std::string(parts.back()));
    if (it == parent->SubKeys.end()) {
        return false;
    }
    std::vector<std::shared_ptr<TNode>> pending{it->second};
    while (!pending.empty()) {
        std::shared_ptr<TNode> node = pending.back();
        pending.pop_back();
        node->Deleted = true;
        for (auto& [name, sub] : node->SubKeys) {
            pending.push_back(sub);
        }
    }
    parent->SubKeys.erase(it);
    return true;
}

void TMemoryRegistry::DenyAccess(TRegRoot root, std::string_view path, bool denied) {
    Key(root, path).Denied = denied;
}

TRegStatus TMemoryRegistry::OpenKey(TRegRoot root, std::string_view path, TRegAccess access,
                                    std::unique_ptr<IRegKey>& key) {
    CountRequest();
    if (FFailEverything) {
        return TRegStatus::AccessDenied;
    }
    return OpenNode(*this, Descend(FRoots[static_cast<std::size_t>(root)], path), access, key);
}

TRegStatus TMemoryRegistry::CreateKey(TRegRoot root, std::string_view path, std::unique_ptr<IRegKey>& key) {
    CountRequest();
    if (FFailEverything) {
        return TRegStatus::AccessDenied;
    }
    std::shared_ptr<TNode> node = FRoots[static_cast<std::size_t>(root)];
    for (const std::string_view part : SplitPath(path)) {
        if (node->Denied) {
            return TRegStatus::AccessDenied;
        }
        auto& sub = node->SubKeys[std::string(part)];
        if (!sub) {
            sub = std::make_shared<TNode>();
            sub->Path = node->Path + std::string(part) + "\\";
        }
        node = sub;
    }
    if (node->Denied) {
        return TRegStatus::AccessDenied;
    }
    key = std::make_unique<TMemoryKey>(*this, node, TRegAccess::Write);
    return TRegStatus::Ok;
}

} // namespace quill
