#pragma once

#include "common/CaptureNotes.h"
#include "common/DiskUsage.h"
#include "common/win32/UniqueHandle.h"
#include "monitor/ShellEventDispatch.h"

#include <windows.h>
#include <shlobj.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace quill {

struct TIdListTraits {
    using THandle = PIDLIST_ABSOLUTE;
    static PIDLIST_ABSOLUTE Invalid() noexcept { return nullptr; }
    static void Close(PIDLIST_ABSOLUTE idList) noexcept { ::ILFree(idList); }
};
using TIdList = TUniqueHandle<TIdListTraits>;

// Subscribes its owner window to the shell's change notifications and turns
// each one into a call of the handler set for its kind (Events()), with the
// item's file-system path or paths. It also offers the owner's end-of-session
// query to OnEndSessionQuery. The hook on the owner lives as long as the
// component; the registration from Start to Stop.
class TSHChangeNotify {
public:
    TSHChangeNotify(HWND owner, IDriveInfo& drives);
    TSHChangeNotify(const TSHChangeNotify&) = delete;
    TSHChangeNotify& operator=(const TSHChangeNotify&) = delete;
    ~TSHChangeNotify();

    int MessageNo() const noexcept { return FMessageNo; }
    // Raises std::invalid_argument below the first application message.
    void SetMessageNo(int messageNo);

    // True: every fixed drive with its subtree; false: the whole namespace.
    bool HardDriveOnly = true;
    TShellEventDispatch& Events() noexcept { return FEvents; }
    // Set CanEndSession to false to refuse the end of the session.
    std::function<void(bool& canEndSession)> OnEndSessionQuery;
    // Where an event that a handler failed to take is noted, if anywhere.
    TCaptureNotes* Notes = nullptr;

    // Registers for the kinds that have a handler; with none, registers
    // nothing. Raises std::runtime_error when the shell refuses.
    void Start();
    void Stop() noexcept;
    // Number of watched items registered; 0 when stopped.
    std::size_t EntryCount() const noexcept { return FRegistration != 0 ? FEntries.size() : 0; }

    // The file-system path of a shell item, of any length; "" for an item
    // without one.
    static std::string PathFromIDList(PCIDLIST_ABSOLUTE idList);

private:
    static LRESULT CALLBACK Hook(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                 DWORD_PTR self) noexcept;
    void Notified(WPARAM wParam, LPARAM lParam);
    bool EndSessionAllowed();

    HWND FOwner;
    IDriveInfo& FDrives;
    int FMessageNo = kMinMessageNo;
    TShellEventDispatch FEvents;
    ULONG FRegistration = 0;
    std::vector<TIdList> FEntries;
};

} // namespace quill
