#include "session/win32/ResumeFile.h"

#include "common/win32/Files.h"
#include "common/win32/SystemMessage.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"
#include "snapshot/win32/Win32FileSystem.h"

#include <knownfolders.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <stdexcept>

namespace quill {
namespace {

constexpr char kFileName[] = "Resume.qbcap";

[[noreturn]] void Raise(const std::string& what, DWORD error) {
    throw std::runtime_error(what + " (" + SystemMessage(error) + ")");
}

std::string LocalAppData() {
    PWSTR folder = nullptr;
    const HRESULT result = ::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder);
    const std::unique_ptr<wchar_t, decltype(&::CoTaskMemFree)> owned(folder, &::CoTaskMemFree);
    if (FAILED(result)) {
        Raise("the local application data folder is unknown", static_cast<DWORD>(result));
    }
    return Narrow(folder);
}

} // namespace

TResumeFile::TResumeFile(IRegistry& registry, std::string folder, std::string runOnceKey, std::string executable)
    : FRegistry(registry), FFolder(std::move(folder)), FPath(FFolder + kFileName), FRunOnceKey(std::move(runOnceKey)),
      FExecutable(std::move(executable)) {}

TResumeFile TResumeFile::ForCurrentUser(IRegistry& registry, std::string executable) {
    return TResumeFile(registry, LocalAppData() + "\\Quillborne\\", std::string(kRunOnceKey), std::move(executable));
}

void TResumeFile::Save(std::string_view bytes) {
    if (!::CreateDirectoryW(LongPathForm(FFolder).c_str(), nullptr)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS) {
            Raise("the folder " + FFolder + " cannot be made", error);
        }
    }
    const std::string temporary = FPath + ".new";
    {
        const TUniqueFile file(::CreateFileW(LongPathForm(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            Raise(temporary + " cannot be made", ::GetLastError());
        }
        while (!bytes.empty()) {
            const DWORD piece =
                static_cast<DWORD>(std::min<std::size_t>(bytes.size(), std::numeric_limits<DWORD>::max() / 2));
            DWORD written = 0;
            if (!::WriteFile(file.Get(), bytes.data(), piece, &written, nullptr) || written == 0) {
                const DWORD error = ::GetLastError();
                ::DeleteFileW(LongPathForm(temporary).c_str());
                Raise(temporary + " cannot be written", error);
            }
            bytes.remove_prefix(written);
        }
    }
    if (!::MoveFileExW(LongPathForm(temporary).c_str(), LongPathForm(FPath).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(LongPathForm(temporary).c_str());
        Raise(FPath + " cannot be replaced", error);
    }
}

void TResumeFile::ScheduleResume() {
    std::unique_ptr<IRegKey> key;
    if (FRegistry.CreateKey(TRegRoot::CurrentUser, FRunOnceKey, key) != TRegStatus::Ok ||
        key->SetValue(kRunOnceValue, kRegSz,
                      EncodeRegString("\"" + FExecutable + "\" " + std::string(kResumeSwitch))) != TRegStatus::Ok) {
        throw std::runtime_error("the start at the next log-on cannot be arranged (HKEY_CURRENT_USER\\" + FRunOnceKey +
                                 ")");
    }
}

std::optional<std::string> TResumeFile::Read() const {
    return ReadWholeFile(LongPathForm(FPath));
}

void TResumeFile::Remove() noexcept {
    try {
        ::DeleteFileW(LongPathForm(FPath).c_str());
    } catch (...) {
        // A path that cannot be converted names no file that was saved.
    }
}

} // namespace quill
