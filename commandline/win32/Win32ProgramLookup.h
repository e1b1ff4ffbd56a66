#pragma once

#include "commandline/ProgramSearch.h"

#include <string>

namespace quill {

// The files, through SearchPathW, and the App Paths keys of this machine.
class TWin32ProgramLookup : public IProgramLookup {
public:
    std::string FindFile(const std::string& folder, const std::string& fileName) override;
    std::string AppPath(const std::string& fileName) override;
};

// The current folder, PATH and PATHEXT of this process.
TProgramSearch CurrentProgramSearch();

} // namespace quill
