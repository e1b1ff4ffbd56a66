#include "monitor/win32/SHChangeNotify.h"

#include "common/win32/Win32DriveInfo.h"
#include "common/win32/WinText.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace quill {
namespace {

struct TCall {
    std::uint32_t Code;
    std::string Path1;
    std::string Path2;
    bool operator==(const TCall&) const = default;
};

class SHChangeNotifyTest : public ::testing::Test {
protected:
    SHChangeNotifyTest() {
        Window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ::SetWindowSubclass(Window, CountNotifications, 1, reinterpret_cast<DWORD_PTR>(&Delivered));
        Notify = std::make_unique<TSHChangeNotify>(Window, Drives);
        Notify->HardDriveOnly = false;
    }
    ~SHChangeNotifyTest() override {
        Notify.reset();
        ::RemoveWindowSubclass(Window, CountNotifications, 1);
        ::DestroyWindow(Window);
    }

    HWND Window = nullptr;
    TWin32DriveInfo Drives;
    std::unique_ptr<TSHChangeNotify> Notify;
    std::vector<TCall> Calls;
    int Delivered = 0; // notification messages that reached the window

    void Handle(std::uint32_t kind) {
        Notify->Events().SetHandler(kind,
                                    [this](std::uint32_t code, const std::string& path1, const std::string& path2) {
                                        Calls.push_back({code, path1, path2});
                                    });
    }

    static void Post(LONG code, const std::string& path1, const std::string& path2 = {}) {
        const std::wstring wide1 = Wide(path1);
        const std::wstring wide2 = Wide(path2);
        ::SHChangeNotify(code, SHCNF_PATHW, wide1.c_str(), path2.empty() ? nullptr : wide2.c_str());
    }

    // Starts the component with a handler of the test's own for one kind.
    void Start() {
        Notify->Events().SetHandler(SHCNE_UPDATEIMAGE, [this](std::uint32_t, const std::string& path1,
                                                              const std::string&) { FSettled = path1; });
        Notify->Start();
    }

    // Posts a notification for the test's own handler and processes messages
    // until it has arrived: everything posted before it has arrived too.
    bool Settle() {
        const std::string mark = "C:\\settle" + std::to_string(++FSettles);
        Post(SHCNE_UPDATEIMAGE, mark);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            MSG message;
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                ::DispatchMessageW(&message);
            }
            if (FSettled == mark) {
                return true;
            }
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        }
        return false;
    }

private:
    static LRESULT CALLBACK CountNotifications(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                               DWORD_PTR counter) {
        if (message == static_cast<UINT>(kMinMessageNo)) {
            ++*reinterpret_cast<int*>(counter);
        }
        return ::DefSubclassProc(window, message, wParam, lParam);
    }

    int FSettles = 0;
    std::string FSettled;
};

TEST_F(SHChangeNotifyTest, NotificationsReachTheirHandlersWithTheirPaths) {
    Handle(SHCNE_CREATE);
    Handle(SHCNE_MKDIR);
    Start();
    Post(SHCNE_CREATE, "C:\\windows\\temp\\quill-a.txt");
    Post(SHCNE_DELETE, "C:\\windows\\temp\\quill-a.txt"); // no handler
    Post(SHCNE_MKDIR, "C:\\windows\\temp\\\xCE\xB1\xCE\xB2");
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Calls, (std::vector<TCall>{{SHCNE_CREATE, "C:\\windows\\temp\\quill-a.txt", ""},
                                         {SHCNE_MKDIR, "C:\\windows\\temp\\\xCE\xB1\xCE\xB2", ""}}));
}

TEST_F(SHChangeNotifyTest, TwoIdenticalNotificationsCallTheHandlerOnce) {
    Handle(SHCNE_CREATE);
    Handle(SHCNE_DELETE);
    Start();
    Post(SHCNE_CREATE, "C:\\windows\\temp\\twice.txt");
    Post(SHCNE_CREATE, "C:\\windows\\temp\\twice.txt");
    Post(SHCNE_DELETE, "C:\\windows\\temp\\twice.txt");
    Post(SHCNE_CREATE, "C:\\windows\\temp\\twice.txt");
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Calls, (std::vector<TCall>{{SHCNE_CREATE, "C:\\windows\\temp\\twice.txt", ""},
                                         {SHCNE_DELETE, "C:\\windows\\temp\\twice.txt", ""},
                                         {SHCNE_CREATE, "C:\\windows\\temp\\twice.txt", ""}}));
}

TEST_F(SHChangeNotifyTest, ARenameGivesTheOldAndTheNewPath) {
    Handle(SHCNE_RENAMEITEM);
    Start();
    Post(SHCNE_RENAMEITEM, "C:\\windows\\temp\\old.txt", "C:\\windows\\temp\\new.txt");
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Calls,
              (std::vector<TCall>{{SHCNE_RENAMEITEM, "C:\\windows\\temp\\old.txt", "C:\\windows\\temp\\new.txt"}}));
}

TEST_F(SHChangeNotifyTest, StartingTwiceLeavesOneRegistration) {
    Handle(SHCNE_CREATE);
    Start();
    Start();
    EXPECT_EQ(Notify->EntryCount(), 1u);
    Post(SHCNE_CREATE, "C:\\windows\\temp\\once.txt");
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Delivered, 2); // the notification and the one that settles
    Notify->Stop();
    EXPECT_EQ(Notify->EntryCount(), 0u);
}

TEST_F(SHChangeNotifyTest, WithoutHandlersNothingIsRegistered) {
    Notify->Start();
    EXPECT_EQ(Notify->EntryCount(), 0u);
}

TEST_F(SHChangeNotifyTest, HardDrivesOnlyWatchesEachFixedDrive) {
    Notify->HardDriveOnly = true;
    Handle(SHCNE_CREATE);
    Start();
    std::vector<TFixedDrive> fixed;
    GetFixedDrives(Drives, fixed);
    ASSERT_FALSE(fixed.empty());
    EXPECT_EQ(Notify->EntryCount(), fixed.size());
    Post(SHCNE_CREATE, "C:\\windows\\temp\\fixed.txt");
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Calls, (std::vector<TCall>{{SHCNE_CREATE, "C:\\windows\\temp\\fixed.txt", ""}}));
}

TEST_F(SHChangeNotifyTest, MessageNoMustBeAnApplicationMessage) {
    try {
        Notify->SetMessageNo(1023);
        ADD_FAILURE();
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "MessageNo must be greater than or equal to 1024");
    }
    EXPECT_EQ(Notify->MessageNo(), 1024);
}

TEST_F(SHChangeNotifyTest, TheEndOfTheSessionIsAskedAndStopsTheNotifications) {
    Handle(SHCNE_CREATE);
    Start();
    bool answer = false;
    Notify->OnEndSessionQuery = [&](bool& canEndSession) { canEndSession = answer; };
    EXPECT_EQ(::SendMessageW(Window, WM_QUERYENDSESSION, 0, 0), FALSE);
    EXPECT_EQ(Notify->EntryCount(), 1u);
    answer = true;
    EXPECT_NE(::SendMessageW(Window, WM_QUERYENDSESSION, 0, 0), FALSE);
    EXPECT_EQ(Notify->EntryCount(), 0u);
}

} // namespace
} // namespace quill
