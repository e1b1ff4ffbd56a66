#include "recording/win32/ProgramLauncher.h"

#include "common/TextCompare.h"
#include "common/win32/SystemMessage.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"
#include "recording/win32/RunningProgram.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace quill {
namespace {

constexpr DWORD kJoinRights = SYNCHRONIZE | PROCESS_SET_QUOTA | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION;

std::string Folder(const std::string& fileName) {
    const std::size_t separator = fileName.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : fileName.substr(0, separator + 1);
}

bool StartsDirectly(const std::string& fileName) {
    const std::size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || fileName.find_first_of("\\/", dot) != std::string::npos) {
        return false;
    }
    const std::string_view extension = std::string_view(fileName).substr(dot);
    return SameText(extension, ".exe") || SameText(extension, ".com");
}

struct TByParent {
    bool operator()(const TProcessEntry& entry, std::uint32_t parent) const noexcept { return entry.ParentID < parent; }
    bool operator()(std::uint32_t parent, const TProcessEntry& entry) const noexcept { return parent < entry.ParentID; }
};

// The processes that descend from the root, by the parent ids of one
// snapshot, sorted once. A parent id may name a process that ended and whose
// id was reused, so the caller still compares creation times.
std::vector<std::uint32_t> Descendants(IProcessSnapshot& processes, std::uint32_t root) {
    std::vector<TProcessEntry> entries;
    if (!processes.TakeSnapshot(entries)) {
        return {};
    }
    std::sort(entries.begin(), entries.end(),
              [](const TProcessEntry& a, const TProcessEntry& b) { return a.ParentID < b.ParentID; });
    std::vector<std::uint32_t> found{root};
    for (std::size_t next = 0; next < found.size(); ++next) {
        const auto children = std::equal_range(entries.begin(), entries.end(), found[next], TByParent{});
        for (auto child = children.first; child != children.second; ++child) {
            if (child->ProcessID != 0 && std::find(found.begin(), found.end(), child->ProcessID) == found.end()) {
                found.push_back(child->ProcessID);
            }
        }
    }
    found.erase(found.begin());
    return found;
}

void AssignDescendants(TProgramJob& job, IProcessSnapshot& processes, std::uint32_t root, std::uint64_t rootCreated) {
    for (const std::uint32_t id : Descendants(processes, root)) {
        TUniqueHandleObject child(::OpenProcess(kJoinRights, FALSE, id));
        if (child && CreationTimeOf(child.Get()) >= rootCreated) {
            job.Assign(child.Get());
        }
    }
}

std::unique_ptr<IRunningProgram> Follow(IMessagePump& view, IProcessSnapshot& processes, TUniqueHandleObject process,
                                        std::unique_ptr<TProgramJob> job, const std::string& name,
                                        TCaptureNotes& notes) {
    if (!job || job->Empty()) {
        notes.Add(kNotFollowed, name + " (waited for the program alone)");
        job.reset();
    }
    return std::make_unique<TWaitableProgram>(view, processes, notes, std::move(process), std::move(job));
}

std::wstring WorkingFolder(const TProgramStart& start) {
    return Wide(start.Folder.empty() ? Folder(start.FileName) : start.Folder);
}

std::unique_ptr<IRunningProgram> CreateDirectly(const TProgramStart& start, IMessagePump& view,
                                                IProcessSnapshot& processes, TCaptureNotes& notes,
                                                std::string& whyNot) {
    const std::wstring application = Wide(start.FileName);
    std::wstring commandLine = L"\"" + application + L"\"";
    if (!start.Arguments.empty()) {
        commandLine += L" " + Wide(start.Arguments);
    }
    const std::wstring folder = WorkingFolder(start);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION created{};
    if (!::CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                          CREATE_NEW_PROCESS_GROUP | NORMAL_PRIORITY_CLASS | CREATE_SUSPENDED, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &created)) {
        whyNot = SystemMessage(::GetLastError());
        return nullptr;
    }
    TUniqueHandleObject process(created.hProcess);
    const TUniqueHandleObject thread(created.hThread);
    std::unique_ptr<TProgramJob> job = TProgramJob::Create();
    if (job) {
        job->Assign(process.Get());
    }
    ::ResumeThread(thread.Get());
    return Follow(view, processes, std::move(process), std::move(job), start.FileName, notes);
}

std::unique_ptr<IRunningProgram> OpenThroughShell(const TProgramStart& start, IMessagePump& view,
                                                  IProcessSnapshot& processes, TCaptureNotes& notes,
                                                  std::string& whyNot) {
    const std::wstring file = Wide(start.FileName);
    const std::wstring parameters = Wide(start.Arguments);
    const std::wstring folder = WorkingFolder(start);
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    execute.lpVerb = L"open";
    execute.lpFile = file.c_str();
    execute.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    execute.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    execute.nShow = SW_SHOWNORMAL;
    // A handler that hands the file to a program already running gives no
    // process to wait for: nothing was started that the wait could follow.
    if (!::ShellExecuteExW(&execute)) {
        whyNot = SystemMessage(::GetLastError());
        return nullptr;
    }
    if (execute.hProcess == nullptr) {
        whyNot = "The file was handed to a program that was already running; no process was started.";
        return nullptr;
    }
    TUniqueHandleObject process(execute.hProcess);
    std::unique_ptr<TProgramJob> job = TProgramJob::Create();
    if (job && job->Assign(process.Get())) {
        AssignDescendants(*job, processes, ::GetProcessId(process.Get()), CreationTimeOf(process.Get()));
    }
    return Follow(view, processes, std::move(process), std::move(job), start.FileName, notes);
}

} // namespace

std::unique_ptr<IRunningProgram> StartProgram(const TProgramStart& start, IMessagePump& view,
                                              IProcessSnapshot& processes, TCaptureNotes& notes, std::string& whyNot) {
    return StartsDirectly(start.FileName) ? CreateDirectly(start, view, processes, notes, whyNot)
                                          : OpenThroughShell(start, view, processes, notes, whyNot);
}

std::unique_ptr<IRunningProgram> FollowProcess(const TProcessName& process, IMessagePump& view,
                                               IProcessSnapshot& processes, TCaptureNotes& notes) {
    TUniqueHandleObject handle(::OpenProcess(kJoinRights, FALSE, process.ProcessID));
    if (!handle) {
        handle.Reset(::OpenProcess(SYNCHRONIZE, FALSE, process.ProcessID));
    }
    if (!handle) {
        notes.Add(kNotFollowed,
                  process.Name + " (" + SystemMessage(::GetLastError()) + "; looked for it every quarter second)");
        return std::make_unique<TPolledProgram>(view, processes, process);
    }
    std::unique_ptr<TProgramJob> job = TProgramJob::Create();
    if (job && job->Assign(handle.Get())) {
        AssignDescendants(*job, processes, process.ProcessID, CreationTimeOf(handle.Get()));
    }
    return Follow(view, processes, std::move(handle), std::move(job), process.Name, notes);
}

std::uint64_t ProcessCreationTime(std::uint32_t processID) {
    const TUniqueHandleObject process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processID));
    return process ? CreationTimeOf(process.Get()) : 0;
}

} // namespace quill
