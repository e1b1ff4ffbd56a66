#include "app/win32/ResumeFile.h"

#include "common/win32/Files.h"
#include "common/win32/LongPath.h"
#include "common/win32/SystemMessage.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"

#include <knownfolders.h>
#include <shlobj.h>
#include <windows.h>

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
    WriteWholeFile(LongPathForm(FPath), bytes);
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

bool TResumeFile::Exists() const {
    if (::GetFileAttributesW(LongPathForm(FPath).c_str()) != INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    const DWORD error = ::GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

void TResumeFile::Remove() noexcept {
    try {
        ::DeleteFileW(LongPathForm(FPath).c_str());
    } catch (...) {
        // A path that cannot be converted names no file that was saved.
    }
}

} // namespace quill
