#pragma once

#include "common/Registry.h"
#include "snapshot/HashKind.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// The command line's first argument that records without the window.
inline constexpr std::string_view kRecordSwitch = "-record";

// How a recording from the command line ends, as its exit code.
enum class TRecordExit : int {
    NoChanges = 0,
    Changes = 1,
    Incomplete = 2, // the capture notes say something was not recorded
    NotStarted = 3, // the program could not be started
    Usage = 4,      // the command line was wrong, or another recording runs
    NotWritten = 5, // the report, the JSON, the undo script or the saved before-capture could not be written
    NotLoaded = 6,  // the saved before-capture could not be loaded
};

// What "-record" was asked to do. An option that was not given is empty and
// falls back to the stored setting.
struct TRecordOptions {
    std::optional<std::vector<std::string>> Paths;
    // Indexed by TRegRoot: which roots to record.
    std::optional<std::array<bool, std::size(kAllRoots)>> Roots;
    std::optional<THashKind> Hash;
    std::string ReportFile; // empty: the report folder of the settings
    std::string JsonFile;   // empty: no JSON result
    std::string UndoFile;   // empty: no undo script
    // The recording split in two by hand: the before-capture saved to a
    // file, and the after-capture taken against such a file.
    std::string SaveBeforeFile;
    std::string AfterFile;
    std::optional<int> TimeoutSeconds;
    bool NoWatch = false;
    bool Quiet = false;
    bool Help = false;
    std::string Program; // empty: record until Enter or the timeout
    std::vector<std::string> Arguments;
};

// Reads the arguments that follow "-record". False with a message that
// names the option at fault.
bool ParseRecordOptions(const std::vector<std::string>& arguments, TRecordOptions& options, std::string& error);

// The usage text of "-record", with the exit codes.
std::string RecordUsageText();

// The arguments as one command line that the platform's usual parsing splits
// back into the same arguments: quotes where an argument is empty or holds a
// blank or a quote, with the backslashes before a quote doubled.
std::string JoinCommandLine(const std::vector<std::string>& arguments);

} // namespace quill
