// A small installer with the footprint of a typical one, for the demo and the
// end-to-end tests of recording from the command line. It installs itself
// under Program Files and registers for the current user, as per-user
// installers do, then hands the last steps to a child process of its own and
// exits at once, as installers that relaunch themselves do: a recording that
// waited for the first process alone would miss the child's part.

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kProductName[] = L"Quillborne Sample";
constexpr wchar_t kFinishSwitch[] = L"/finish";
constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuillborneSample";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kTypesKey[] = L"Software\\Quillborne Sample\\Types";
constexpr wchar_t kExtensionKey[] = L"Software\\Classes\\.qbsample";
constexpr wchar_t kDocumentKey[] = L"Software\\Classes\\QuillborneSample.Document";
constexpr wchar_t kOpenCommandKey[] = L"Software\\Classes\\QuillborneSample.Document\\shell\\open\\command";
// How long the child lets its parent end before it finishes the installation.
constexpr DWORD kChildDelay = 500;

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::wstring result;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, 0, nullptr, &path))) {
        result = path;
    }
    ::CoTaskMemFree(path);
    return result;
}

std::wstring InstallFolder() {
    return KnownFolder(FOLDERID_ProgramFiles) + L"\\" + kProductName;
}

std::wstring InstalledProgram() {
    return InstallFolder() + L"\\QuillborneSample.exe";
}

bool WriteUtf8(const std::wstring& path, const std::string& text) {
    const HANDLE file =
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok =
        ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
    ::CloseHandle(file);
    return ok;
}

bool SetValue(HKEY root, const wchar_t* path, const wchar_t* name, DWORD type, const void* data, std::size_t size) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const bool ok =
        ::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return ok;
}

bool SetString(HKEY root, const wchar_t* path, const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
    return SetValue(root, path, name, type, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

bool SetDword(HKEY root, const wchar_t* path, const wchar_t* name, DWORD value) {
    return SetValue(root, path, name, REG_DWORD, &value, sizeof(value));
}

// An installation over an earlier one keeps its folders.
bool MakeFolder(const std::wstring& path) {
    return ::CreateDirectoryW(path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

bool InstallFiles() {
    const std::wstring folder = InstallFolder();
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    return MakeFolder(folder) && MakeFolder(folder + L"\\数据") &&
           ::CopyFileW(self, InstalledProgram().c_str(), FALSE) &&
           WriteUtf8(folder + L"\\羽毛笔说明.txt", "Quillborne sample: 羽毛笔\r\n") &&
           WriteUtf8(folder + L"\\数据\\設定.ini", "[Sample]\r\nMode=full\r\n");
}

// Every type the registry knows, each with data of its kind.
bool SetEveryType() {
    const std::uint8_t binary[] = {0x00, 0x01, 0x7F, 0x80, 0xFF};
    const DWORD bigEndian = 0x01020304;
    const std::uint64_t qword = 0x0123456789ABCDEFULL;
    const wchar_t multi[] = L"first\0第二\0";
    const std::uint8_t resources[] = {0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00};
    const std::wstring link = L"\\Registry\\Machine\\Software\\Quillborne Sample";
    return SetValue(HKEY_CURRENT_USER, kTypesKey, L"None", REG_NONE, binary, 2) &&
           SetString(HKEY_CURRENT_USER, kTypesKey, L"String", L"样例 \"quoted\" \\ back") &&
           SetString(HKEY_CURRENT_USER, kTypesKey, L"Expandable", L"%ProgramFiles%\\Quillborne Sample",
                     REG_EXPAND_SZ) &&
           SetValue(HKEY_CURRENT_USER, kTypesKey, L"Binary", REG_BINARY, binary, sizeof(binary)) &&
           SetDword(HKEY_CURRENT_USER, kTypesKey, L"Dword", 0xDEADBEEF) &&
           SetValue(HKEY_CURRENT_USER, kTypesKey, L"BigEndian", REG_DWORD_BIG_ENDIAN, &bigEndian, sizeof(bigEndian)) &&
           SetValue(HKEY_CURRENT_USER, kTypesKey, L"Link", REG_LINK, link.data(), link.size() * sizeof(wchar_t)) &&
           SetValue(HKEY_CURRENT_USER, kTypesKey, L"Multi", REG_MULTI_SZ, multi, sizeof(multi)) &&
           SetValue(HKEY_CURRENT_USER, kTypesKey, L"ResourceList", REG_RESOURCE_LIST, resources, sizeof(resources)) &&
           SetValue(HKEY_CURRENT_USER, kTypesKey, L"FullResource", REG_FULL_RESOURCE_DESCRIPTOR, resources,
                    sizeof(resources)) &&
           SetValue(HKEY_CURRENT_USER, kTypesKey, L"Requirements", REG_RESOURCE_REQUIREMENTS_LIST, resources,
                    sizeof(resources)) &&
           SetValue(HKEY_CURRENT_USER, kTypesKey, L"Qword", REG_QWORD, &qword, sizeof(qword)) &&
           SetString(HKEY_CURRENT_USER, kTypesKey, L"名前", L"羽毛笔");
}

bool RegisterProgram() {
    const std::wstring program = InstalledProgram();
    const std::wstring quoted = L"\"" + program + L"\"";
    return SetString(HKEY_CURRENT_USER, kUninstallKey, L"DisplayName", kProductName) &&
           SetString(HKEY_CURRENT_USER, kUninstallKey, L"DisplayVersion", L"1.0") &&
           SetString(HKEY_CURRENT_USER, kUninstallKey, L"Publisher", L"Quillborne") &&
           SetString(HKEY_CURRENT_USER, kUninstallKey, L"InstallLocation", InstallFolder()) &&
           SetString(HKEY_CURRENT_USER, kUninstallKey, L"UninstallString", quoted + L" /uninstall") &&
           SetDword(HKEY_CURRENT_USER, kUninstallKey, L"NoModify", 1) &&
           SetDword(HKEY_CURRENT_USER, kUninstallKey, L"EstimatedSize", 64) &&
           SetString(HKEY_CURRENT_USER, kRunKey, L"QuillborneSample", quoted + L" /tray") &&
           SetString(HKEY_CURRENT_USER, kExtensionKey, nullptr, L"QuillborneSample.Document") &&
           SetString(HKEY_CURRENT_USER, kDocumentKey, nullptr, L"Quillborne Sample Document") &&
           SetString(HKEY_CURRENT_USER, kOpenCommandKey, nullptr, quoted + L" \"%1\"");
}

bool CreateShortcut() {
    const std::wstring shortcut = KnownFolder(FOLDERID_CommonPrograms) + L"\\" + kProductName + L".lnk";
    IShellLinkW* link = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link)))) {
        return false;
    }
    link->SetPath(InstalledProgram().c_str());
    link->SetWorkingDirectory(InstallFolder().c_str());
    link->SetDescription(kProductName);
    IPersistFile* file = nullptr;
    bool ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
    if (ok) {
        ok = SUCCEEDED(file->Save(shortcut.c_str(), TRUE));
        file->Release();
    }
    link->Release();
    return ok;
}

bool StartChild() {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" " + kFinishSwitch;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION created{};
    if (!::CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &created)) {
        return false;
    }
    ::CloseHandle(created.hThread);
    ::CloseHandle(created.hProcess);
    return true;
}

int Finish() {
    ::Sleep(kChildDelay);
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const bool ok = RegisterProgram() && CreateShortcut();
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    if (SUCCEEDED(com)) {
        ::CoUninitialize();
    }
    return ok ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && std::wstring(argv[1]) == kFinishSwitch) {
        return Finish();
    }
    return InstallFiles() && SetEveryType() && StartChild() ? 0 : 1;
}
