#pragma once

#include <string>
#include <string_view>

namespace quill {

// What the system answers while a program name is looked for.
class IProgramLookup {
public:
    virtual ~IProgramLookup() = default;
    // The full name of that file in that folder; empty when the folder holds
    // no such file.
    virtual std::string FindFile(const std::string& folder, const std::string& fileName) = 0;
    // The default value of the file name's App Paths key, per user before per
    // machine; empty when neither is there.
    virtual std::string AppPath(const std::string& fileName) = 0;
};

// Where a name without a folder is looked for.
struct TProgramSearch {
    std::string CurrentFolder;
    std::string PathVariable; // PATH: folders separated by ";"
    std::string Extensions;   // PATHEXT; empty: .COM;.EXE;.BAT;.CMD
};

// True when the name says where its file is (a folder or a drive): such a
// name is not looked for.
bool NamesFolder(std::string_view name);

// The file that a program name without a folder starts, found as the
// platform's shell finds it: in the current folder, then in each folder of
// PATH, each folder tried with the name as given when it has an extension,
// else with each executable extension in turn; then under App Paths (the name
// with ".exe" when it has no extension). Empty when it is nowhere.
std::string FindProgram(const std::string& name, const TProgramSearch& search, IProgramLookup& lookup);

} // namespace quill
