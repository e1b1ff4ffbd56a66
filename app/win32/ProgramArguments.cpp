#include "app/win32/ProgramArguments.h"

#include "common/TextCompare.h"
#include "common/win32/WinText.h"

#include <windows.h>

#include <shellapi.h>

namespace quill {

std::vector<std::string> ProgramArguments() {
    int count = 0;
    LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> result;
    for (int i = 1; arguments != nullptr && i < count; ++i) {
        result.push_back(Narrow(arguments[i]));
    }
    ::LocalFree(arguments);
    return result;
}

bool FirstArgumentIs(const std::vector<std::string>& arguments, std::string_view name) {
    return !arguments.empty() && SameText(arguments.front(), name);
}

} // namespace quill
