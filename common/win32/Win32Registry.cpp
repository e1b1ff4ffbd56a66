#include "common/win32/Win32Registry.h"

#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"

#include <algorithm>

namespace quill {
namespace {

constexpr REGSAM AccessMask(TRegAccess access) noexcept {
    return access == TRegAccess::Write ? KEY_WRITE : KEY_READ;
}

std::wstring KeyPath(std::string_view path) {
    while (!path.empty() && path.front() == '\\') {
        path.remove_prefix(1);
    }
    return Wide(path);
}

class TWin32Key : public IRegKey {
public:
    // A key the object owns, or one of the predefined roots, which is never
    // closed.
    TWin32Key(TUniqueKey owned, HKEY key) : FOwned(std::move(owned)), FKey(key) {}

    TRegStatus QueryInfo(TRegKeyInfo& info) override {
        DWORD subKeys = 0;
        DWORD maxSubKey = 0;
        DWORD values = 0;
        DWORD maxValueName = 0;
        DWORD maxValueSize = 0;
        FILETIME lastWrite{};
        const LONG error = ::RegQueryInfoKeyW(FKey, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                                              &maxValueName, &maxValueSize, nullptr, &lastWrite);
        if (error != ERROR_SUCCESS) {
            return RegStatusFromError(error);
        }
        info.SubKeys = subKeys;
        info.MaxSubKeyLength = maxSubKey;
        info.Values = values;
        info.MaxValueNameLength = maxValueName;
        info.MaxValueSize = maxValueSize;
        info.LastWrite = (static_cast<std::uint64_t>(lastWrite.dwHighDateTime) << 32) | lastWrite.dwLowDateTime;
        Size(info);
        return TRegStatus::Ok;
    }

    TRegStatus EnumKey(std::uint32_t index, std::string& name) override {
        if (FName.size() < 256) {
            FName.resize(256);
        }
        for (int attempt = 0; attempt < 2; ++attempt) {
            DWORD length = static_cast<DWORD>(FName.size());
            const LONG error = ::RegEnumKeyExW(FKey, index, FName.data(), &length, nullptr, nullptr, nullptr, nullptr);
            if (error == ERROR_SUCCESS) {
                name = Narrow(FName.data(), length);
                return TRegStatus::Ok;
            }
            if (error != ERROR_MORE_DATA || !Requery()) {
                return RegStatusFromError(error);
            }
        }
        return TRegStatus::MoreData;
    }

    TRegStatus EnumValue(std::uint32_t index, TRegValue& value) override {
        if (!FSized && !Requery()) {
            return TRegStatus::Failed;
        }
        for (int attempt = 0; attempt < 2; ++attempt) {
            DWORD nameLength = static_cast<DWORD>(FName.size());
            DWORD type = 0;
            DWORD size = static_cast<DWORD>(FData.size());
            const LONG error =
                ::RegEnumValueW(FKey, index, FName.data(), &nameLength, nullptr, &type, FData.data(), &size);
            if (error == ERROR_SUCCESS) {
                value.Name = Narrow(FName.data(), nameLength);
                value.Type = type;
                value.Data.assign(FData.begin(), FData.begin() + std::min<std::size_t>(size, FData.size()));
                return TRegStatus::Ok;
            }
            // The value grew (or a longer-named one appeared) since the key
            // was sized: size again from the key and read once more.
            if (error != ERROR_MORE_DATA || !Requery()) {
                return RegStatusFromError(error);
            }
        }
        return TRegStatus::MoreData;
    }

    TRegStatus OpenSubKey(std::string_view name, TRegAccess access, std::unique_ptr<IRegKey>& key) override {
        TUniqueKey sub;
        const LONG error = ::RegOpenKeyExW(FKey, Wide(name).c_str(), 0, AccessMask(access), sub.Put());
        if (error != ERROR_SUCCESS) {
            return RegStatusFromError(error);
        }
        const HKEY handle = sub.Get();
        key = std::make_unique<TWin32Key>(std::move(sub), handle);
        return TRegStatus::Ok;
    }

    TRegStatus QueryValue(std::string_view name, std::uint32_t& type, std::vector<std::uint8_t>& data) override {
        const std::wstring wideName = Wide(name);
        data.resize(std::max<std::size_t>(data.capacity(), 256));
        for (int attempt = 0; attempt < 3; ++attempt) {
            DWORD size = static_cast<DWORD>(data.size());
            DWORD valueType = 0;
            const LONG error = ::RegQueryValueExW(FKey, wideName.c_str(), nullptr, &valueType, data.data(), &size);
            if (error == ERROR_SUCCESS) {
                data.resize(size);
                type = valueType;
                return TRegStatus::Ok;
            }
            if (error != ERROR_MORE_DATA) {
                return RegStatusFromError(error);
            }
            data.resize(size);
        }
        return TRegStatus::MoreData;
    }

    TRegStatus SetValue(std::string_view name, std::uint32_t type, const std::vector<std::uint8_t>& data) override {
        return RegStatusFromError(
            ::RegSetValueExW(FKey, Wide(name).c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())));
    }

    TRegStatus DeleteValue(std::string_view name) override {
        return RegStatusFromError(::RegDeleteValueW(FKey, Wide(name).c_str()));
    }

private:
    void Size(const TRegKeyInfo& info) {
        FName.resize(std::max<std::size_t>(FName.size(), std::max(info.MaxValueNameLength, info.MaxSubKeyLength) + 1));
        // Never empty: with no buffer at all the call reports success without data.
        FData.resize(std::max<std::size_t>(FData.size(), std::max<std::uint32_t>(info.MaxValueSize, 64)));
        FSized = true;
    }

    bool Requery() {
        TRegKeyInfo info;
        if (QueryInfo(info) != TRegStatus::Ok) {
            return false;
        }
        // Names are at most 16383 code units; the data may have grown again
        // between the two calls, so leave some room.
        FName.resize(std::max<std::size_t>(FName.size(), 16384));
        FData.resize(FData.size() + FData.size() / 4 + 64);
        return true;
    }

    TUniqueKey FOwned;
    HKEY FKey;
    std::wstring FName;
    std::vector<BYTE> FData;
    bool FSized = false;
};

} // namespace

HKEY TWin32Registry::RootHandle(TRegRoot root) noexcept {
    switch (root) {
    case TRegRoot::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    case TRegRoot::CurrentUser:
        return HKEY_CURRENT_USER;
    case TRegRoot::LocalMachine:
        return HKEY_LOCAL_MACHINE;
    case TRegRoot::Users:
        return HKEY_USERS;
    case TRegRoot::CurrentConfig:
        return HKEY_CURRENT_CONFIG;
    }
    return nullptr;
}

TRegStatus RegStatusFromError(LONG error) noexcept {
    switch (error) {
    case ERROR_SUCCESS:
        return TRegStatus::Ok;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_KEY_DELETED:
        return TRegStatus::NotFound;
    case ERROR_ACCESS_DENIED:
        return TRegStatus::AccessDenied;
    case ERROR_NO_MORE_ITEMS:
        return TRegStatus::NoMoreItems;
    case ERROR_MORE_DATA:
        return TRegStatus::MoreData;
    default:
        return TRegStatus::Failed;
    }
}

TRegStatus TWin32Registry::OpenKey(TRegRoot root, std::string_view path, TRegAccess access,
                                   std::unique_ptr<IRegKey>& key) {
    const std::wstring subPath = KeyPath(path);
    TUniqueKey opened;
    const LONG error = ::RegOpenKeyExW(RootHandle(root), subPath.c_str(), 0, AccessMask(access), opened.Put());
    if (error != ERROR_SUCCESS) {
        return RegStatusFromError(error);
    }
    const HKEY handle = opened.Get();
    key = std::make_unique<TWin32Key>(std::move(opened), handle);
    return TRegStatus::Ok;
}

TRegStatus TWin32Registry::CreateKey(TRegRoot root, std::string_view path, std::unique_ptr<IRegKey>& key) {
    const std::wstring subPath = KeyPath(path);
    TUniqueKey created;
    const LONG error = ::RegCreateKeyExW(RootHandle(root), subPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         KEY_WRITE | KEY_READ, nullptr, created.Put(), nullptr);
    if (error != ERROR_SUCCESS) {
        return RegStatusFromError(error);
    }
    const HKEY handle = created.Get();
    key = std::make_unique<TWin32Key>(std::move(created), handle);
    return TRegStatus::Ok;
}

} // namespace quill
