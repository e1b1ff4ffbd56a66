#include "commandline/CommandLine.h"

#include "common/TextCompare.h"
#include "settings/Settings.h"

#include <functional>
#include <map>
#include <utility>

namespace quill {
namespace {

// The longest wait a recording takes: what a count of milliseconds in 32 bits
// holds.
constexpr int kMaxTimeoutSeconds = 2147483;

struct TRootAlias {
    std::string_view Short;
    TRegRoot Root;
};

constexpr TRootAlias kRootAliases[] = {
    {"HKLM", TRegRoot::LocalMachine}, {"HKCU", TRegRoot::CurrentUser},   {"HKCR", TRegRoot::ClassesRoot},
    {"HKU", TRegRoot::Users},         {"HKCC", TRegRoot::CurrentConfig},
};

bool FindRoot(std::string_view name, TRegRoot& root) {
    for (const TRootAlias& alias : kRootAliases) {
        if (SameText(name, alias.Short) || SameText(name, RootName(alias.Root))) {
            root = alias.Root;
            return true;
        }
    }
    return false;
}

std::string Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

bool ParseRoots(const std::string& text, std::array<bool, std::size(kAllRoots)>& roots, std::string& error) {
    roots = {};
    if (SameText(Trimmed(text), "none")) {
        return true;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string name = Trimmed(std::string_view(text).substr(start, comma - start));
        TRegRoot root{};
        if (!FindRoot(name, root)) {
            error = "-roots: \"" + name +
                    "\" is not a registry root (HKLM, HKCU, HKCR, HKU, HKCC, their long names, or none)";
            return false;
        }
        roots[static_cast<std::size_t>(root)] = true;
        if (comma == std::string::npos) {
            return true;
        }
        start = comma + 1;
    }
}

bool ParseHash(const std::string& text, THashKind& hash, std::string& error) {
    if (SameText(text, "none")) {
        hash = kHashNone;
    } else if (SameText(text, "md5")) {
        hash = kHashMD5;
    } else if (SameText(text, "sha1")) {
        hash = kHashSHA1;
    } else {
        error = "-hash: \"" + text + "\" is not none, md5 or sha1";
        return false;
    }
    return true;
}

bool ParseTimeout(const std::string& text, int& seconds, std::string& error) {
    if (!ParseInteger(text, seconds) || seconds < 0 || seconds > kMaxTimeoutSeconds) {
        error = "-timeout: \"" + text + "\" is not a number of seconds from 0 to " + std::to_string(kMaxTimeoutSeconds);
        return false;
    }
    return true;
}

// Blanks around a directory, and double quotes around it, are not part of
// it.
std::string Unquoted(std::string_view text) {
    std::string path = Trimmed(text);
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
        path = Trimmed(std::string_view(path).substr(1, path.size() - 2));
    }
    return path;
}

void AddPath(std::string path, std::optional<std::vector<std::string>>& paths) {
    if (!paths) {
        paths.emplace();
    }
    paths->push_back(std::move(path));
}

// Unlike the stored list, split only at "*": a blank belongs to the
// directory, as in "C:\Program Files".
bool ParsePaths(std::string_view text, std::optional<std::vector<std::string>>& paths, std::string& error) {
    bool named = false;
    while (true) {
        const std::size_t star = text.find('*');
        std::string path = Unquoted(text.substr(0, star));
        if (!path.empty()) {
            AddPath(std::move(path), paths);
            named = true;
        }
        if (star == std::string_view::npos) {
            break;
        }
        text.remove_prefix(star + 1);
    }
    if (!named) {
        error = "-paths: names no directory (separate directories with *)";
        return false;
    }
    return true;
}

bool ParsePath(const std::string& text, std::optional<std::vector<std::string>>& paths, std::string& error) {
    std::string path = Unquoted(text);
    if (path.empty()) {
        error = "-path: names no directory";
        return false;
    }
    AddPath(std::move(path), paths);
    return true;
}

bool ParseFile(const std::string& option, const std::string& text, std::string& file, std::string& error) {
    if (Trimmed(text).empty()) {
        error = option + ": names no file";
        return false;
    }
    file = text;
    return true;
}

using TValueParser = std::function<bool(TRecordOptions&, const std::string& value, std::string& error)>;

// The options that take a value; each parser fills its field.
const std::map<std::string, TValueParser, TTextLess>& ValueOptions() {
    static const std::map<std::string, TValueParser, TTextLess> options{
        {"-paths", [](TRecordOptions& o, const std::string& v, std::string& e) { return ParsePaths(v, o.Paths, e); }},
        {"-path", [](TRecordOptions& o, const std::string& v, std::string& e) { return ParsePath(v, o.Paths, e); }},
        {"-roots",
         [](TRecordOptions& o, const std::string& v, std::string& e) { return ParseRoots(v, o.Roots.emplace(), e); }},
        {"-hash",
         [](TRecordOptions& o, const std::string& v, std::string& e) { return ParseHash(v, o.Hash.emplace(), e); }},
        {"-report", [](TRecordOptions& o, const std::string& v,
                       std::string& e) { return ParseFile("-report", v, o.ReportFile, e); }},
        {"-json",
         [](TRecordOptions& o, const std::string& v, std::string& e) { return ParseFile("-json", v, o.JsonFile, e); }},
        {"-undo",
         [](TRecordOptions& o, const std::string& v, std::string& e) { return ParseFile("-undo", v, o.UndoFile, e); }},
        {"-save-before", [](TRecordOptions& o, const std::string& v,
                            std::string& e) { return ParseFile("-save-before", v, o.SaveBeforeFile, e); }},
        {"-after", [](TRecordOptions& o, const std::string& v,
                      std::string& e) { return ParseFile("-after", v, o.AfterFile, e); }},
        {"-package", [](TRecordOptions& o, const std::string& v,
                        std::string& e) { return ParseFile("-package", v, o.PackageFolder, e); }},
        {"-timeout", [](TRecordOptions& o, const std::string& v,
                        std::string& e) { return ParseTimeout(v, o.TimeoutSeconds.emplace(), e); }},
    };
    return options;
}

bool* SwitchField(TRecordOptions& options, std::string_view name) {
    if (SameText(name, "-no-watch")) {
        return &options.NoWatch;
    }
    if (SameText(name, "-quiet")) {
        return &options.Quiet;
    }
    if (SameText(name, "-help") || SameText(name, "-?") || SameText(name, "/?")) {
        return &options.Help;
    }
    return nullptr;
}

// Each half of a split recording does one side only: the program runs, or
// the wait lasts, between the two commands.
bool CheckSplit(const TRecordOptions& options, std::string& error) {
    if (!options.SaveBeforeFile.empty() && !options.AfterFile.empty()) {
        error = "-save-before and -after: give one of them (the second command records the after side)";
        return false;
    }
    const std::string_view split = !options.SaveBeforeFile.empty() ? "-save-before"
                                   : !options.AfterFile.empty()    ? "-after"
                                                                   : "";
    if (split.empty()) {
        return true;
    }
    if (!options.Program.empty() || options.TimeoutSeconds) {
        error =
            std::string(split) + ": records one side only; install or run the program between -save-before and -after";
        return false;
    }
    if (!options.SaveBeforeFile.empty() && !options.PackageFolder.empty()) {
        error = "-package: packages what changed, which -save-before does not know yet; give it with -after";
        return false;
    }
    return true;
}

// "-compare A B": the two files follow the option, at index + 1 and + 2.
bool ParseCompare(const std::vector<std::string>& arguments, std::size_t& index, TRecordOptions& options,
                  std::string& error) {
    if (index + 2 >= arguments.size()) {
        error = std::string(kCompareSwitch) + ": needs two saved before sides";
        return false;
    }
    for (int file = 0; file < 2; ++file) {
        if (!ParseFile(std::string(kCompareSwitch), arguments[++index], options.CompareFiles.emplace_back(), error)) {
            return false;
        }
    }
    return true;
}

// What the captures recorded is compared as they recorded it: nothing that
// shapes or times a recording goes with it.
bool CheckCompare(const TRecordOptions& options, std::string& error) {
    if (options.CompareFiles.empty()) {
        return true;
    }
    const std::pair<bool, std::string_view> shaping[] = {
        {options.Paths.has_value(), "-paths and -path"},
        {options.Roots.has_value(), "-roots"},
        {options.Hash.has_value(), "-hash"},
        {!options.SaveBeforeFile.empty(), "-save-before"},
        {!options.AfterFile.empty(), "-after"},
        {options.TimeoutSeconds.has_value(), "-timeout"},
        {options.NoWatch, "-no-watch"},
        {!options.Program.empty(), "a program after --"},
    };
    for (const auto& [given, name] : shaping) {
        if (given) {
            error = std::string(kCompareSwitch) + ": records nothing, so " + std::string(name) +
                    " cannot go with it (the saved captures say what they recorded)";
            return false;
        }
    }
    return true;
}

} // namespace

bool ParseRecordOptions(const std::vector<std::string>& arguments, TRecordOptions& options, std::string& error) {
    options = {};
    std::vector<std::string> seen;
    const auto once = [&](const std::string& name) {
        for (const std::string& earlier : seen) {
            if (SameText(earlier, name)) {
                error = name + ": given more than once";
                return false;
            }
        }
        seen.push_back(name);
        return true;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") {
            if (i + 1 >= arguments.size() || Trimmed(arguments[i + 1]).empty()) {
                error = "--: must be followed by the program to record";
                return false;
            }
            options.Program = arguments[i + 1];
            options.Arguments.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i) + 2, arguments.end());
            return CheckSplit(options, error) && CheckCompare(options, error);
        }
        if (bool* field = SwitchField(options, argument)) {
            if (!once(argument)) {
                return false;
            }
            *field = true;
            continue;
        }
        if (SameText(argument, kCompareSwitch)) {
            if (!once(argument) || !ParseCompare(arguments, i, options, error)) {
                return false;
            }
            continue;
        }
        const auto& valueOptions = ValueOptions();
        const auto option = valueOptions.find(argument);
        if (option == valueOptions.end()) {
            error = argument.starts_with("-") ? argument + ": is not an option of -record"
                                              : "\"" + argument + "\": put -- before the program to record";
            return false;
        }
        // Each -path adds one more directory.
        if (!SameText(argument, "-path") && !once(argument)) {
            return false;
        }
        if (i + 1 >= arguments.size()) {
            error = argument + ": needs a value";
            return false;
        }
        if (!option->second(options, arguments[++i], error)) {
            return false;
        }
    }
    return CheckSplit(options, error) && CheckCompare(options, error);
}

bool CheckScanDirectories(const TRecordOptions& options,
                          const std::function<TDirectoryState(const std::string& path)>& stateOf, std::string& error) {
    if (!options.Paths) {
        return true;
    }
    for (const std::string& path : *options.Paths) {
        switch (stateOf(path)) {
        case TDirectoryState::Directory:
            continue;
        case TDirectoryState::Missing:
            error = "The directory to scan \"" + path + "\" does not exist.";
            return false;
        case TDirectoryState::NotADirectory:
            error = "\"" + path + "\" is a file, not a directory to scan.";
            return false;
        }
    }
    return true;
}

std::string RecordUsageText() {
    return "Usage: quillborne -record [options] [-- program [arguments]]\n"
           "       quillborne -compare BEFORE.qbcap AFTER.qbcap [-report F] [-json F] [-undo F]\n"
           "\n"
           "From scripts, call quillborne (quillborne.com, the console program): the\n"
           "console waits for it and its exit code is the recording's. quillborne.exe\n"
           "-record works alike, but a console does not wait for the window program.\n"
           "\n"
           "Records the registry and the directories, runs the program and waits until it\n"
           "and every process it started have ended (without a program: until Enter is\n"
           "pressed or the timeout runs out), records again and writes the report. No\n"
           "window is shown; the settings and the window's recording are not touched.\n"
           "A program named without a folder is looked for as the shell does: in the\n"
           "current folder, then on PATH (with the extensions of PATHEXT), then under App\n"
           "Paths; it then runs in the current folder.\n"
           "It first prints what it records. Where the window never stored its settings,\n"
           "the window's first-run defaults count. On a console, one line shows the\n"
           "progress of each long step; not when the output is redirected, nor with -quiet.\n"
           "\n"
           "Options (each falls back to the stored setting):\n"
           "  -paths \"D:\\a*D:\\b\"    directories to scan, separated by *; switches the scan on\n"
           "  -path DIR               one more directory to scan; give it once for each, with\n"
           "                          or without -paths. Each directory must exist\n"
           "  -roots HKLM,HKCU,...    registry roots to record (HKLM, HKCU, HKCR, HKU, HKCC,\n"
           "                          the long names, or none)\n"
           "  -hash none|md5|sha1     digest of every scanned file\n"
           "  -report FILE.html       the HTML report (default: QuillborneReport.html in the\n"
           "                          report folder of the settings)\n"
           "  -json FILE.json         also write the result as JSON\n"
           "  -undo FILE.reg          also write a registry script that undoes the changes, and\n"
           "                          FILE.files.txt listing the files created\n"
           "  -timeout SECONDS        stop recording after this long, even if the program runs\n"
           "  -save-before FILE       only record the before side and save it to FILE; install\n"
           "                          or run the program afterwards, then use -after FILE\n"
           "  -after FILE             record the after side against the before side saved in\n"
           "                          FILE, with its roots, directories and digest, and report\n"
           "  -compare A B            record nothing: compare B, saved with -save-before,\n"
           "                          as the after side of A, saved likewise (two machines,\n"
           "                          or one machine on two days). Only the roots, directories\n"
           "                          and digests both recorded are compared; the notes say\n"
           "                          what was left out. Goes with -report, -json, -undo, -quiet\n"
           "  -package DIR            also write DIR\\Package.wxs, a WiX source that installs what\n"
           "                          was created and changed, with the files it needs in\n"
           "                          DIR\\files; build it with wixl or the WiX Toolset\n"
           "  -no-watch               do not watch the directories for live changes\n"
           "  -quiet                  print only errors\n"
           "  -help                   print this text\n"
           "\n"
           "Exit codes:\n"
           "  0  recorded, no change\n"
           "  1  recorded, with changes\n"
           "  2  recorded, but the capture notes say something was not recorded\n"
           "  3  the program could not be started\n"
           "  4  usage error (also two options naming one file, or no program, no -timeout\n"
           "     and a closed input), or another recording from the command line runs\n"
           "  5  the report, the JSON, the undo script or the before side could not be written\n"
           "  6  the before side saved with -save-before, or a capture to -compare, could not\n"
           "     be loaded\n"
           "  7  recorded, but the program ended with an exit code other than 0 (printed)\n"
           "  8  recorded, but -timeout stopped the recording while the program still ran\n"
           "  9  Ctrl+C stopped the recording; nothing was written\n"
           "Where several apply, the first of 4, 6, 3, 9, 5, 8, 7, 2, 1 is the exit code.\n";
}

std::string JoinCommandLine(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty()) {
            line += ' ';
        }
        if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
            line += argument;
            continue;
        }
        line += '"';
        std::size_t backslashes = 0;
        for (const char c : argument) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            // Backslashes count only before a quote: there they are doubled,
            // and the quote itself is escaped.
            line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
            backslashes = 0;
            line += c;
        }
        line.append(backslashes * 2, '\\');
        line += '"';
    }
    return line;
}

} // namespace quill
