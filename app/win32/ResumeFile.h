#pragma once

#include "common/Registry.h"

#include <optional>
#include <string>
#include <string_view>

namespace quill {

// Where a recording interrupted by the end of the user's session waits for
// the next log-on: one snapshot file in a folder of the user's own, and one
// RunOnce value that starts the program with the resume switch.
class TResumeFile {
public:
    static constexpr std::string_view kRunOnceKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    static constexpr std::string_view kRunOnceValue = "Quillborne";
    static constexpr std::string_view kResumeSwitch = "-resume";

    // folder ends with a backslash; runOnceKey is below the current user's
    // hive.
    TResumeFile(IRegistry& registry, std::string folder, std::string runOnceKey, std::string executable);
    // The user's local application data folder, its Quillborne folder and
    // the run-once key of the current user.
    static TResumeFile ForCurrentUser(IRegistry& registry, std::string executable);

    const std::string& Path() const noexcept { return FPath; }

    // Writes the bytes beside the file and moves them over it, so that a
    // half-written file never takes its place. Raises std::runtime_error
    // with the system's reason.
    void Save(std::string_view bytes);
    // Asks for one start of the program with the resume switch at the next
    // log-on. Raises std::runtime_error.
    void ScheduleResume();
    // Nothing when there is no file; raises when it cannot be read.
    std::optional<std::string> Read() const;
    // False only when the system says there is no such file: one it cannot
    // look at counts as there, so that reading it names the reason.
    bool Exists() const;
    void Remove() noexcept;

private:
    IRegistry& FRegistry;
    std::string FFolder;
    std::string FPath;
    std::string FRunOnceKey;
    std::string FExecutable;
};

} // namespace quill
