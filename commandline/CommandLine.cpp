#include "commandline/CommandLine.h"

#include "common/ListText.h"
#include "common/TextCompare.h"
#include "settings/Settings.h"

#include <functional>
#include <map>

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

bool ParsePaths(const std::string& text, std::vector<std::string>& paths, std::string& error) {
    paths.clear();
    for (std::string& path : ParseDelimitedList(text)) {
        if (!path.empty()) {
            paths.push_back(std::move(path));
        }
    }
    if (paths.empty()) {
        error = "-paths: names no directory (separate directories with *)";
        return false;
    }
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
        {"-paths",
         [](TRecordOptions& o, const std::string& v, std::string& e) { return ParsePaths(v, o.Paths.emplace(), e); }},
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
            return CheckSplit(options, error);
        }
        if (bool* field = SwitchField(options, argument)) {
            if (!once(argument)) {
                return false;
            }
            *field = true;
            continue;
        }
        const auto& valueOptions = ValueOptions();
        const auto option = valueOptions.find(argument);
        if (option == valueOptions.end()) {
            error = argument.starts_with("-") ? argument + ": is not an option of -record"
                                              : "\"" + argument + "\": put -- before the program to record";
            return false;
        }
        if (!once(argument)) {
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
    return CheckSplit(options, error);
}

std::string RecordUsageText() {
    return "Usage: quillborne.exe -record [options] [-- program [arguments]]\n"
           "\n"
           "Records the registry and the directories, runs the program and waits until it\n"
           "and every process it started have ended (without a program: until Enter is\n"
           "pressed or the timeout runs out), records again and writes the report. No\n"
           "window is shown; the settings and the window's recording are not touched.\n"
           "\n"
           "Options (each falls back to the stored setting):\n"
           "  -paths \"D:\\a*D:\\b\"    directories to scan, separated by *; switches the scan on\n"
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
           "  -no-watch               do not watch the directories for live changes\n"
           "  -quiet                  print only errors\n"
           "  -help                   print this text\n"
           "\n"
           "Exit codes:\n"
           "  0  recorded, no change\n"
           "  1  recorded, with changes\n"
           "  2  recorded, but the capture notes say something was not recorded\n"
           "  3  the program could not be started\n"
           "  4  usage error, or another recording from the command line is running\n"
           "  5  the report, the JSON, the undo script or the before side could not be written\n"
           "  6  the before side saved with -save-before could not be loaded\n";
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
