#include "common/ProcessList.h"

namespace quill {

std::string_view ExeFileName(std::string_view path) noexcept {
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

std::string ProcessName(std::string_view exeFile) {
    const std::string_view name = ExeFileName(exeFile);
    if (!name.empty()) {
        return std::string(name);
    }
    return exeFile.empty() ? std::string("(unknown)") : std::string(exeFile);
}

bool GetProcessList(IProcessSnapshot& processes, TRecordList<TProcessRecord>& list) {
    list.Clear();
    std::vector<TProcessEntry> entries;
    if (!processes.TakeSnapshot(entries)) {
        return false;
    }
    const std::uint32_t recorder = processes.OwnProcessID();
    list.Reserve(entries.size());
    for (const auto& entry : entries) {
        if (entry.ProcessID == recorder) {
            continue;
        }
        auto record = std::make_unique<TProcessRecord>();
        record->ProcessID = entry.ProcessID;
        record->ParentID = entry.ParentID;
        record->Threads = entry.Threads;
        record->Priority = entry.Priority;
        list.Append(ProcessName(entry.ExeFile), std::move(record));
    }
    list.SortAppended();
    return true;
}

void GetProcessList(IProcessSnapshot& processes, std::vector<TProcessName>& list) {
    list.clear();
    std::vector<TProcessEntry> entries;
    if (!processes.TakeSnapshot(entries)) {
        return;
    }
    list.reserve(entries.size());
    for (const auto& entry : entries) {
        list.push_back(TProcessName{ProcessName(entry.ExeFile), entry.ProcessID});
    }
}

} // namespace quill
