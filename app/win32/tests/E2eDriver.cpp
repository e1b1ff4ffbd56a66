#include "app/win32/tests/E2eDriver.h"

#include "app/win32/resource.h"

#include "common/win32/Files.h"
#include "common/win32/WinText.h"

namespace quill::test {
namespace {

constexpr wchar_t kSettingsKeyPath[] = L"Software\\Tarnvale\\Quillborne";
constexpr wchar_t kProgramName[] = L"quillborne.exe";
// Every look at the windows is a round trip to the window server: poll
// gently, or the program under test slows down.
constexpr auto kPollInterval = 50ms;

struct TSearch {
    DWORD ProcessId;
    const wchar_t* WindowClass;
    const wchar_t* Title;
    bool MustBeVisible;
    HWND Found;
};

bool ShowsOneStep(HWND window) {
    int enabled = 0;
    for (int label = IDC_LABEL1; label <= IDC_LABEL7; ++label) {
        enabled += ::IsWindowEnabled(::GetDlgItem(window, label)) ? 1 : 0;
    }
    return enabled == 1;
}

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<TSearch*>(parameter);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    wchar_t className[64] = {};
    wchar_t title[64] = {};
    ::GetClassNameW(window, className, 64);
    ::GetWindowTextW(window, title, 64);
    if (processId == search.ProcessId && std::wstring_view(className) == search.WindowClass &&
        std::wstring_view(title) == search.Title && (!search.MustBeVisible || ::IsWindowVisible(window))) {
        search.Found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectLongestText(HWND child, LPARAM parameter) {
    auto& longest = *reinterpret_cast<std::wstring*>(parameter);
    wchar_t className[32] = {};
    ::GetClassNameW(child, className, 32);
    if (std::wstring_view(className) == L"Static") {
        const int length = ::GetWindowTextLengthW(child);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        ::GetWindowTextW(child, text.data(), length + 1);
        text.resize(static_cast<std::size_t>(length));
        if (text.size() > longest.size()) {
            longest = text;
        }
    }
    return TRUE;
}

} // namespace

TQuillborneProcess::TQuillborneProcess(const std::wstring& arguments) {
    const std::wstring program = ExecutableDirectory() + kProgramName;
    std::wstring commandLine = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                         &info)) {
        FProcess.Reset(info.hProcess);
        ::CloseHandle(info.hThread);
        FId = info.dwProcessId;
        ::WaitForInputIdle(info.hProcess, 20000);
    }
}

TQuillborneProcess::~TQuillborneProcess() {
    if (FProcess && ::WaitForSingleObject(FProcess.Get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(FProcess.Get(), 99);
        ::WaitForSingleObject(FProcess.Get(), 5000);
    }
}

HWND TQuillborneProcess::FindTopLevel(const wchar_t* windowClass, const wchar_t* title, bool mustBeVisible,
                                      std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        TSearch search{FId, windowClass, title, mustBeVisible, nullptr};
        ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.Found != nullptr || std::chrono::steady_clock::now() > deadline) {
            return search.Found;
        }
        if (::WaitForSingleObject(FProcess.Get(), static_cast<DWORD>(kPollInterval.count())) == WAIT_OBJECT_0) {
            return nullptr;
        }
    }
}

HWND TQuillborneProcess::MainWindow(std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const HWND window = FindTopLevel(L"QuillborneMain", kTitle, false, timeout);
    // The window exists while the program still connects its services, and
    // a click then is rightly ignored: it is ready once its wizard shows a
    // step.
    while (window != nullptr && !ShowsOneStep(window)) {
        if (std::chrono::steady_clock::now() > deadline ||
            ::WaitForSingleObject(FProcess.Get(), static_cast<DWORD>(kPollInterval.count())) == WAIT_OBJECT_0) {
            return nullptr;
        }
    }
    return window;
}

HWND TQuillborneProcess::MessageBox(std::chrono::milliseconds timeout) const {
    return FindTopLevel(L"#32770", kTitle, true, timeout);
}

HWND TQuillborneProcess::ShownDialog(const wchar_t* caption, std::chrono::milliseconds timeout) const {
    return FindTopLevel(L"#32770", caption, true, timeout);
}

std::optional<DWORD> TQuillborneProcess::WaitForExit(std::chrono::milliseconds timeout) const {
    if (::WaitForSingleObject(FProcess.Get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(FProcess.Get(), &code);
    return code;
}

HWND FindWindowOf(DWORD processId, const wchar_t* windowClass, const wchar_t* title, bool mustBeVisible,
                  std::chrono::milliseconds timeout) {
    struct TAnySearch {
        DWORD ProcessId;
        const wchar_t* WindowClass;
        const wchar_t* Title;
        bool MustBeVisible;
        HWND Found;
    };
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        TAnySearch search{processId, windowClass, title, mustBeVisible, nullptr};
        ::EnumWindows(
            [](HWND window, LPARAM parameter) -> BOOL {
                auto& found = *reinterpret_cast<TAnySearch*>(parameter);
                DWORD owner = 0;
                ::GetWindowThreadProcessId(window, &owner);
                wchar_t className[64] = {};
                wchar_t text[128] = {};
                ::GetClassNameW(window, className, 64);
                ::GetWindowTextW(window, text, 128);
                if ((found.ProcessId == 0 || owner == found.ProcessId) &&
                    std::wstring_view(className) == found.WindowClass &&
                    (found.Title == nullptr || std::wstring_view(text) == found.Title) &&
                    (!found.MustBeVisible || ::IsWindowVisible(window))) {
                    found.Found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.Found != nullptr || std::chrono::steady_clock::now() > deadline) {
            return search.Found;
        }
        ::Sleep(static_cast<DWORD>(kPollInterval.count()));
    }
}

std::string MessageBoxText(HWND box) {
    std::wstring longest;
    ::EnumChildWindows(box, CollectLongestText, reinterpret_cast<LPARAM>(&longest));
    return Narrow(longest);
}

void Click(HWND window, int controlId) {
    ::SendMessageW(::GetDlgItem(window, controlId), BM_CLICK, 0, 0);
}

TFrozenWindowThread::TFrozenWindowThread(HWND window) {
    const DWORD threadId = ::GetWindowThreadProcessId(window, nullptr);
    FThread.Reset(::OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, threadId));
    if (!FThread || ::SuspendThread(FThread.Get()) == static_cast<DWORD>(-1)) {
        return;
    }
    FFrozen = true;
    // Suspending takes effect later; asking for the thread's registers waits
    // until it has.
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    ::GetThreadContext(FThread.Get(), &context);
}

void TFrozenWindowThread::Thaw() {
    if (FFrozen) {
        ::ResumeThread(FThread.Get());
        FFrozen = false;
    }
}

TPendingMessage::TPendingMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* report = new std::shared_ptr<THandled>(FHandled);
    FSent =
        ::SendMessageCallbackW(window, message, wParam, lParam, Handled, reinterpret_cast<ULONG_PTR>(report)) != FALSE;
    if (!FSent) {
        delete report;
    }
}

void CALLBACK TPendingMessage::Handled(HWND, UINT, ULONG_PTR data, LRESULT result) {
    const std::unique_ptr<std::shared_ptr<THandled>> report(reinterpret_cast<std::shared_ptr<THandled>*>(data));
    (*report)->Result = result;
    (*report)->Done = true;
}

bool TPendingMessage::Wait(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    // The platform reports the handling through this thread's message queue.
    while (FSent && !FHandled->Done) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::DispatchMessageW(&message);
        }
    }
    return FHandled->Done;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info) || info.hwndFocus == nullptr) {
        return window;
    }
    return info.hwndFocus;
}

int ControlTop(HWND parent, int controlId) {
    RECT rect{};
    ::GetWindowRect(::GetDlgItem(parent, controlId), &rect);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect.top;
}

TSettingsKey::TSettingsKey() {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
}

TSettingsKey::~TSettingsKey() {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
}

void TSettingsKey::Set(const wchar_t* name, const wchar_t* text) const {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKeyPath, name, REG_SZ, text,
                      static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
}

std::optional<std::wstring> TSettingsKey::Get(const wchar_t* name) const {
    wchar_t buffer[512] = {};
    DWORD size = sizeof(buffer);
    if (::RegGetValueW(HKEY_CURRENT_USER, kSettingsKeyPath, name, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(buffer);
}

} // namespace quill::test
