#include "snapshot/win32/Win32FileSystem.h"

#include "common/win32/LongPath.h"
#include "common/win32/SystemMessage.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"

#include <algorithm>
#include <cwchar>

namespace quill {
namespace {

TFsStatus StatusFromError(DWORD error) noexcept {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return TFsStatus::NotFound;
    case ERROR_ACCESS_DENIED:
        return TFsStatus::AccessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return TFsStatus::InUse;
    default:
        return TFsStatus::Failed;
    }
}

} // namespace

TFsResult FsErrorResult(unsigned long error) {
    return {StatusFromError(error), SystemMessage(error)};
}

namespace {

void NameOf(const wchar_t* name, std::string& out) {
    out.clear();
    for (const wchar_t* p = name; *p != L'\0'; ++p) {
        if (*p >= 0x80) {
            out = Narrow(name, std::wcslen(name));
            return;
        }
        out.push_back(static_cast<char>(*p));
    }
}

class TWin32Reader : public IFileReader {
public:
    explicit TWin32Reader(TUniqueFile file) : FFile(std::move(file)) {}

    TFsResult Read(std::uint8_t* buffer, std::size_t size, std::size_t& read) override {
        DWORD got = 0;
        const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        if (!::ReadFile(FFile.Get(), buffer, ask, &got, nullptr)) {
            return FsErrorResult(::GetLastError());
        }
        read = got;
        return {};
    }

private:
    TUniqueFile FFile;
};

// Both calls return the length without the terminator when the buffer was
// large enough, else the size the buffer needs; 0 when they fail.
template <class TCall> bool CallWithBuffer(std::wstring& out, const TCall& call) {
    out.resize(MAX_PATH);
    for (;;) {
        const DWORD length = call(out.data(), static_cast<DWORD>(out.size() + 1));
        if (length == 0) {
            return false;
        }
        if (length <= out.size()) {
            out.resize(length);
            return true;
        }
        out.resize(length - 1);
    }
}

} // namespace

TFsResult TWin32FileSystem::FullPath(std::string_view path, std::string& full) {
    const std::wstring wide = Wide(path);
    std::wstring absolute;
    if (!CallWithBuffer(absolute, [&](wchar_t* buffer, DWORD size) {
            return ::GetFullPathNameW(wide.c_str(), size, buffer, nullptr);
        })) {
        return FsErrorResult(::GetLastError());
    }
    // Only an existing path has long names to find; any other keeps the
    // absolute form, and the listing reports what is wrong with it. The long
    // form of the call is only for paths that need it: not every system
    // expands short names in it.
    const std::wstring asked = absolute.size() < MAX_PATH ? absolute : WideLongPathForm(absolute);
    std::wstring expanded;
    if (CallWithBuffer(expanded,
                       [&](wchar_t* buffer, DWORD size) { return ::GetLongPathNameW(asked.c_str(), buffer, size); })) {
        absolute = asked.size() != absolute.size() ? WithoutLongPathPrefix(expanded) : expanded;
    }
    full = Narrow(absolute);
    return {};
}

TFsResult TWin32FileSystem::ListDirectory(std::string_view directory, const TEntryVisitor& visit) {
    const std::wstring pattern = LongPathForm(directory) + L"*";
    WIN32_FIND_DATAW data;
    TUniqueFind find(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                        FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        const DWORD error = ::GetLastError();
        // An empty drive root has not even "." and "..".
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES ? TFsResult() : FsErrorResult(error);
    }
    do {
        const wchar_t* name = data.cFileName;
        if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'))) {
            continue;
        }
        NameOf(name, FName);
        visit(TDirEntry{FName, data.dwFileAttributes,
                        (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
                        (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                            data.ftLastWriteTime.dwLowDateTime});
    } while (::FindNextFileW(find.Get(), &data));
    const DWORD error = ::GetLastError();
    return error == ERROR_NO_MORE_FILES ? TFsResult() : FsErrorResult(error);
}

TFsResult TWin32FileSystem::OpenRead(std::string_view path, std::unique_ptr<IFileReader>& reader) {
    TUniqueFile file(::CreateFileW(LongPathForm(path).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        return FsErrorResult(::GetLastError());
    }
    reader = std::make_unique<TWin32Reader>(std::move(file));
    return {};
}

} // namespace quill
