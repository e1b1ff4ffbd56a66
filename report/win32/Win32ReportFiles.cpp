#include "report/win32/Win32ReportFiles.h"

#include "common/win32/SystemMessage.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>

namespace quill {

namespace {

[[noreturn]] void RaiseLastError() {
    throw EReportFile(SystemMessage(::GetLastError()));
}

class TWin32ReportFile : public IReportFile {
public:
    explicit TWin32ReportFile(TUniqueFile file) : FFile(std::move(file)) {}

    void Write(std::string_view bytes) override {
        while (!bytes.empty()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
            DWORD written = 0;
            if (!::WriteFile(FFile.Get(), bytes.data(), chunk, &written, nullptr)) {
                RaiseLastError();
            }
            if (written == 0) {
                throw EReportFile(SystemMessage(ERROR_DISK_FULL));
            }
            bytes.remove_prefix(written);
        }
    }

    void Close() override {
        if (!::CloseHandle(FFile.Release())) {
            RaiseLastError();
        }
    }

private:
    TUniqueFile FFile;
};

} // namespace

std::unique_ptr<IReportFile> TWin32ReportFiles::CreateTemporary(const std::string& folder, std::string& path) {
    const std::wstring where = folder.empty() ? std::wstring(L".") : Wide(folder);
    wchar_t name[MAX_PATH + 1] = {};
    // The call takes folders of up to MAX_PATH - 14 characters only.
    if (where.size() > MAX_PATH - 14) {
        throw EReportFile(SystemMessage(ERROR_FILENAME_EXCED_RANGE));
    }
    if (::GetTempFileNameW(where.c_str(), L"qbr", 0, name) == 0) {
        RaiseLastError();
    }
    path = Narrow(name);
    TUniqueFile file(::CreateFileW(name, GENERIC_WRITE, FILE_SHARE_READ, nullptr, TRUNCATE_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(name);
        throw EReportFile(SystemMessage(error));
    }
    return std::make_unique<TWin32ReportFile>(std::move(file));
}

void TWin32ReportFiles::Replace(const std::string& from, const std::string& target) {
    if (!::MoveFileExW(Wide(from).c_str(), Wide(target).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        RaiseLastError();
    }
}

void TWin32ReportFiles::Remove(const std::string& path) noexcept {
    try {
        ::DeleteFileW(Wide(path).c_str());
    } catch (...) {
        // A path that cannot even be converted names no file we made.
    }
}

bool TWin32ReportFiles::IsFile(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void TWin32ReportFiles::Open(const std::string& target) noexcept {
    try {
        ::ShellExecuteW(nullptr, L"open", Wide(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    } catch (...) {
        // The shell's answer is not waited for; neither is a failure to ask.
    }
}

} // namespace quill
