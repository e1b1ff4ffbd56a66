#include "recording/win32/CaptureServices.h"

#include "common/win32/Win32DriveInfo.h"
#include "common/win32/WinText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace quill {
namespace {

void Post(LONG code, const std::string& path) {
    ::SHChangeNotify(code, SHCNF_PATHW, Wide(path).c_str(), nullptr);
}

// A: is no fixed drive: its events reach a recording only when the component
// is registered for the whole namespace.
TEST(ShellComponentForRecording, EventsOfDrivesThatAreNotFixedArrive) {
    const HWND window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    TWin32DriveInfo drives;
    const auto component = NewShellComponent(window, drives);
    const LONG codes[] = {SHCNE_DRIVEADD, SHCNE_DRIVEREMOVED, SHCNE_MEDIAINSERTED, SHCNE_MEDIAREMOVED};
    std::vector<LONG> arrived;
    for (const LONG code : codes) {
        component->Events().SetHandler(code, [&](std::uint32_t delivered, const std::string&, const std::string&) {
            arrived.push_back(delivered);
        });
    }
    bool settled = false;
    component->Events().SetHandler(SHCNE_UPDATEIMAGE,
                                   [&](std::uint32_t, const std::string&, const std::string&) { settled = true; });
    component->Start();
    for (const LONG code : codes) {
        Post(code, "A:\\");
    }
    // Posted last, it arrives last.
    Post(SHCNE_UPDATEIMAGE, "C:\\settle");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!settled && std::chrono::steady_clock::now() < deadline) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::DispatchMessageW(&message);
        }
    }
    EXPECT_EQ(arrived, std::vector<LONG>(std::begin(codes), std::end(codes)));
    component->Stop();
    ::DestroyWindow(window);
}

} // namespace
} // namespace quill
