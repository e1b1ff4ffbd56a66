#include "settings/SettingsOverlay.h"

namespace quill {
namespace {

// One key: the overlay's values over the base key's, when there is one.
class TOverlayKey : public IRegKey {
public:
    TOverlayKey(TSettingsOverlay::TValues& values, std::unique_ptr<IRegKey> base)
        : FValues(values), FBase(std::move(base)) {}

    // Settings read values by name; listing a key is the base key's.
    TRegStatus QueryInfo(TRegKeyInfo& info) override { return FBase ? FBase->QueryInfo(info) : TRegStatus::Failed; }
    TRegStatus EnumKey(std::uint32_t index, std::string& name) override {
        return FBase ? FBase->EnumKey(index, name) : TRegStatus::NoMoreItems;
    }
    TRegStatus EnumValue(std::uint32_t index, TRegValue& value) override {
        return FBase ? FBase->EnumValue(index, value) : TRegStatus::NoMoreItems;
    }
    TRegStatus OpenSubKey(std::string_view, TRegAccess, std::unique_ptr<IRegKey>&) override {
        return TRegStatus::AccessDenied;
    }
    TRegStatus QueryValue(std::string_view name, std::uint32_t& type, std::vector<std::uint8_t>& data) override {
        const auto found = FValues.find(std::string(name));
        if (found == FValues.end()) {
            return FBase ? FBase->QueryValue(name, type, data) : TRegStatus::NotFound;
        }
        if (!found->second) {
            return TRegStatus::NotFound;
        }
        type = found->second->Type;
        data = found->second->Data;
        return TRegStatus::Ok;
    }
    TRegStatus SetValue(std::string_view name, std::uint32_t type, const std::vector<std::uint8_t>& data) override {
        FValues[std::string(name)] = TSettingsOverlay::TValue{type, data};
        return TRegStatus::Ok;
    }
    TRegStatus DeleteValue(std::string_view name) override {
        std::uint32_t type = kRegNone;
        std::vector<std::uint8_t> data;
        const TRegStatus status = QueryValue(name, type, data);
        FValues[std::string(name)].reset();
        return status;
    }

private:
    TSettingsOverlay::TValues& FValues;
    std::unique_ptr<IRegKey> FBase;
};

} // namespace

TSettingsOverlay::TValues& TSettingsOverlay::Values(TRegRoot root, std::string_view path) {
    while (!path.empty() && path.front() == '\\') {
        path.remove_prefix(1);
    }
    while (!path.empty() && path.back() == '\\') {
        path.remove_suffix(1);
    }
    return FKeys[std::string(RootName(root)) + "\\" + std::string(path)];
}

TRegStatus TSettingsOverlay::OpenKey(TRegRoot root, std::string_view path, TRegAccess, std::unique_ptr<IRegKey>& key) {
    std::unique_ptr<IRegKey> base;
    const TRegStatus status = FBase.OpenKey(root, path, TRegAccess::Read, base);
    TValues& values = Values(root, path);
    if (status != TRegStatus::Ok && values.empty()) {
        return status;
    }
    key = std::make_unique<TOverlayKey>(values, std::move(base));
    return TRegStatus::Ok;
}

TRegStatus TSettingsOverlay::CreateKey(TRegRoot root, std::string_view path, std::unique_ptr<IRegKey>& key) {
    std::unique_ptr<IRegKey> base;
    FBase.OpenKey(root, path, TRegAccess::Read, base);
    key = std::make_unique<TOverlayKey>(Values(root, path), std::move(base));
    return TRegStatus::Ok;
}

} // namespace quill
