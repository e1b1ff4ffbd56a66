#include "common/win32/Win32Registry.h"

#include "common/win32/RegValueBuffer.h"
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
        FValues.Reserve(maxValueName, maxValueSize);
        FSized = true;
        return TRegStatus::Ok;
    }

    TRegStatus EnumKey(std::uint32_t index, std::string& name) override {
        // Key names are at most 255 code units; room for more only should
        // a registry ever answer with a longer one.
        if (FKeyName.size() < 256) {
            FKeyName.resize(256);
        }
        for (int request = 0; request < 2; ++request) {
            DWORD length = static_cast<DWORD>(FKeyName.size());
            const LONG error =
                ::RegEnumKeyExW(FKey, index, FKeyName.data(), &length, nullptr, nullptr, nullptr, nullptr);
            if (error == ERROR_SUCCESS) {
                name = Narrow(FKeyName.data(), length);
                return TRegStatus::Ok;
            }
            if (error != ERROR_MORE_DATA) {
                return RegStatusFromError(error);
            }
            FKeyName.resize(16384);
        }
        return TRegStatus::MoreData;
    }

    TRegStatus EnumValue(std::uint32_t index, TRegValue& value) override {
        if (!FSized) {
            TRegKeyInfo info;
            const TRegStatus status = QueryInfo(info);
            if (status != TRegStatus::Ok) {
                return status;
            }
        }
        return RegStatusFromError(FValues.Read(
            [&](wchar_t* name, DWORD& nameLength, DWORD& type, BYTE* data, DWORD& size) {
                return ::RegEnumValueW(FKey, index, name, &nameLength, nullptr, &type, data, &size);
            },
            value));
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
    TUniqueKey FOwned;
    HKEY FKey;
    std::wstring FKeyName;
    TRegValueBuffer FValues;
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
