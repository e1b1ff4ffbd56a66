#include "monitor/win32/SHChangeNotify.h"

#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"

#include <commctrl.h>
#include <shobjidl.h>

#include <stdexcept>

namespace quill {
namespace {

constexpr UINT_PTR kHookId = 0x5143;

struct TNotificationLockTraits {
    using THandle = HANDLE;
    static HANDLE Invalid() noexcept { return nullptr; }
    static void Close(HANDLE lock) noexcept { ::SHChangeNotification_Unlock(lock); }
};
using TNotificationLock = TUniqueHandle<TNotificationLockTraits>;
// A path can be as long as the platform's longest, 32,767 characters.
constexpr DWORD kLongestPath = 32768;

} // namespace

TSHChangeNotify::TSHChangeNotify(HWND owner, IDriveInfo& drives) : FOwner(owner), FDrives(drives) {
    if (!::SetWindowSubclass(FOwner, Hook, kHookId, reinterpret_cast<DWORD_PTR>(this))) {
        throw std::runtime_error("the shell notifications cannot hook their window");
    }
}

TSHChangeNotify::~TSHChangeNotify() {
    ::RemoveWindowSubclass(FOwner, Hook, kHookId);
    Stop();
}

void TSHChangeNotify::SetMessageNo(int messageNo) {
    CheckMessageNo(messageNo);
    FMessageNo = messageNo;
}

void TSHChangeNotify::Start() {
    Stop();
    const std::uint32_t mask = FEvents.Mask();
    if (mask == 0) {
        return;
    }
    std::vector<SHChangeNotifyEntry> entries;
    if (HardDriveOnly) {
        std::vector<TFixedDrive> drives;
        GetFixedDrives(FDrives, drives);
        for (const TFixedDrive& drive : drives) {
            TIdList root(::ILCreateFromPathW(Wide(drive.Root).c_str()));
            if (root) {
                entries.push_back(SHChangeNotifyEntry{root.Get(), TRUE});
                FEntries.push_back(std::move(root));
            }
        }
    } else {
        // No item: the whole shell namespace.
        FEntries.emplace_back();
        entries.push_back(SHChangeNotifyEntry{nullptr, TRUE});
    }
    FRegistration = ::SHChangeNotifyRegister(FOwner, SHCNRF_InterruptLevel | SHCNRF_ShellLevel | SHCNRF_NewDelivery,
                                             static_cast<LONG>(mask), static_cast<UINT>(FMessageNo),
                                             static_cast<int>(entries.size()), entries.data());
    if (FRegistration == 0) {
        Stop();
        throw std::runtime_error("Could not register SHChangeNotify");
    }
}

void TSHChangeNotify::Stop() noexcept {
    if (FRegistration != 0) {
        ::SHChangeNotifyDeregister(FRegistration);
        FRegistration = 0;
    }
    FEntries.clear();
}

std::string TSHChangeNotify::PathFromIDList(PCIDLIST_ABSOLUTE idList) {
    if (idList == nullptr) {
        return {};
    }
    wchar_t* name = nullptr;
    if (SUCCEEDED(::SHGetNameFromIDList(idList, SIGDN_FILESYSPATH, &name))) {
        std::string path = Narrow(name);
        ::CoTaskMemFree(name);
        return path;
    }
    std::wstring path(kLongestPath, L'\0');
    if (!::SHGetPathFromIDListEx(idList, path.data(), kLongestPath, GPFIDL_DEFAULT)) {
        return {};
    }
    path.resize(path.find(L'\0'));
    return Narrow(path);
}

void TSHChangeNotify::Notified(WPARAM wParam, LPARAM lParam) {
    PIDLIST_ABSOLUTE* idLists = nullptr;
    LONG code = 0;
    const HANDLE lock =
        ::SHChangeNotification_Lock(reinterpret_cast<HANDLE>(wParam), static_cast<DWORD>(lParam), &idLists, &code);
    if (lock == nullptr) {
        return;
    }
    std::string path1;
    std::string path2;
    if (FEvents.HasHandler(static_cast<std::uint32_t>(code) & 0x7FFFFFFF) && idLists != nullptr) {
        try {
            path1 = PathFromIDList(idLists[0]);
            path2 = PathFromIDList(idLists[1]);
        } catch (const std::exception&) {
            ::SHChangeNotification_Unlock(lock);
            throw;
        }
    }
    ::SHChangeNotification_Unlock(lock);
    try {
        FEvents.Deliver(static_cast<std::uint32_t>(code), path1, std::move(path2));
    } catch (const std::exception& e) {
        if (Notes != nullptr) {
            Notes->Add("Could not journal a shell event", path1 + " (" + e.what() + ")");
        }
    }
}

bool TSHChangeNotify::EndSessionAllowed() {
    bool canEndSession = true;
    if (OnEndSessionQuery) {
        OnEndSessionQuery(canEndSession);
    }
    if (canEndSession) {
        Stop();
    }
    return canEndSession;
}

LRESULT CALLBACK TSHChangeNotify::Hook(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR self) noexcept {
    auto& notify = *reinterpret_cast<TSHChangeNotify*>(self);
    try {
        if (message == WM_QUERYENDSESSION) {
            const bool allowed = notify.EndSessionAllowed();
            const LRESULT passed = ::DefSubclassProc(window, message, wParam, lParam);
            return allowed ? passed : FALSE;
        }
        if (static_cast<int>(message) == notify.FMessageNo) {
            notify.Notified(wParam, lParam);
        } else if (message == WM_NCDESTROY) {
            // The owner goes first: nothing is left to hook.
            ::RemoveWindowSubclass(window, Hook, kHookId);
        }
    } catch (const std::exception&) {
        // The message is lost for want of memory; the window goes on.
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

} // namespace quill
