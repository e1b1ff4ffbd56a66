#include "settings/win32/ShellLink.h"

#include "common/win32/ComApartment.h"
#include "common/win32/SystemMessage.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <stdexcept>

namespace quill {
namespace {

void Check(HRESULT result, const char* what, const std::wstring& linkFile) {
    if (FAILED(result)) {
        throw std::runtime_error(std::string(what) + " " + Narrow(linkFile) + " (" +
                                 SystemMessage(static_cast<unsigned long>(result)) + ")");
    }
}

} // namespace

void CreateShortcut(const std::wstring& target, const std::wstring& linkFile, const std::wstring& description,
                    const std::wstring& arguments) {
    const TComApartment apartment;
    TComPtr<IShellLinkW> link;
    Check(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                             reinterpret_cast<void**>(link.Put())),
          "Cannot create the shell link", linkFile);
    Check(link.Get()->SetArguments(arguments.c_str()), "Cannot set the arguments of", linkFile);
    Check(link.Get()->SetDescription(description.c_str()), "Cannot set the description of", linkFile);
    Check(link.Get()->SetPath(target.c_str()), "Cannot set the target of", linkFile);
    TComPtr<IPersistFile> file;
    Check(link.Get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Put())), "Cannot save", linkFile);
    Check(file.Get()->Save(linkFile.c_str(), FALSE), "Cannot write", linkFile);
}

} // namespace quill
