// Stands in for an installer in the end-to-end tests. Without arguments it
// starts a copy of itself that outlives it, as setup programs do with the
// installer they unpack, and exits at once; that copy ("leave") starts the
// installer proper outside any job it belongs to, as some installers do with
// their service, and exits at once too. "child" works for a second, then
// leaves child-done.txt in its working directory. "wait NAME" runs until the
// named event is set; "wait NAME CHILD" first starts a copy that waits for
// the event CHILD; "set NAME" sets it. A waiting copy closes its standard handles, so that
// whoever reads the output of its starter is not kept waiting by it.
#include <windows.h>

#include <string>

namespace {

int StartChild(const std::wstring& arguments, DWORD flags = 0) {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child{};
    if (!::CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup,
                          &child)) {
        return 1;
    }
    ::CloseHandle(child.hThread);
    ::CloseHandle(child.hProcess);
    return 0;
}

int WorkAsChild() {
    ::Sleep(1000);
    const HANDLE marker = ::CreateFileW(L"child-done.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (marker == INVALID_HANDLE_VALUE) {
        return 1;
    }
    ::CloseHandle(marker);
    return 0;
}

int WaitForEvent(const wchar_t* name) {
    for (const DWORD standard : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        ::CloseHandle(::GetStdHandle(standard));
    }
    const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, name);
    if (event == nullptr) {
        return 1;
    }
    ::WaitForSingleObject(event, 60000);
    ::CloseHandle(event);
    return 0;
}

int SetNamedEvent(const wchar_t* name) {
    const HANDLE event = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, name);
    if (event == nullptr) {
        return 1;
    }
    ::SetEvent(event);
    ::CloseHandle(event);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && std::wstring(argv[1]) == L"child") {
        return WorkAsChild();
    }
    if (argc > 1 && std::wstring(argv[1]) == L"leave") {
        return StartChild(L"child", CREATE_BREAKAWAY_FROM_JOB);
    }
    if (argc > 3 && std::wstring(argv[1]) == L"wait" && StartChild(L"wait " + std::wstring(argv[3])) != 0) {
        return 1;
    }
    if (argc > 2 && std::wstring(argv[1]) == L"wait") {
        return WaitForEvent(argv[2]);
    }
    if (argc > 2 && std::wstring(argv[1]) == L"set") {
        return SetNamedEvent(argv[2]);
    }
    return StartChild(L"leave");
}
