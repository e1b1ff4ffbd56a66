#include "report/win32/Win32PackageFiles.h"

#include "common/win32/Files.h"
#include "common/win32/SystemMessage.h"
#include "common/win32/WinText.h"

#include <windows.h>

#include <shlobj.h>

#include <optional>
#include <stdexcept>

namespace quill {

std::string TWin32PackageFiles::Read(const std::string& path) {
    std::optional<std::string> bytes = ReadWholeFile(Wide(path));
    if (!bytes) {
        throw std::runtime_error(path + " is not there");
    }
    return std::move(*bytes);
}

void TWin32PackageFiles::Write(const std::string& path, std::string_view bytes) {
    WriteWholeFile(Wide(path), bytes);
}

void TWin32PackageFiles::MakeFolders(const std::string& folder) {
    const int result = ::SHCreateDirectoryExW(nullptr, Wide(folder).c_str(), nullptr);
    if (result != ERROR_SUCCESS && result != ERROR_ALREADY_EXISTS && result != ERROR_FILE_EXISTS) {
        throw std::runtime_error(folder + " cannot be created: " + SystemMessage(static_cast<DWORD>(result)));
    }
}

} // namespace quill
