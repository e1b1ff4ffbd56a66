#include "common/ProcessList.h"

namespace quill {

std::string_view ExeFileName(std::string_view path) noexcept {
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

void GetProcessList(IProcessSnapshot& processes, TRecordList<TProcessRecord>& list) {
    list.Clear();
    std::vector<TProcessEntry> entries;
    if (!processes.TakeSnapshot(entries)) {
        return;
    }
    list.Reserve(entries.size());
    for (const auto& entry : entries) {
        auto record = std::make_unique<TProcessRecord>();
        record->ProcessID = entry.ProcessID;
        record->ParentID = entry.ParentID;
        record->Threads = entry.Threads;
        record->Priority = entry.Priority;
        list.Append(std::string(ExeFileName(entry.ExeFile)), std::move(record));
    }
    list.SortAppended();
}

void GetProcessList(IProcessSnapshot& processes, std::vector<TProcessName>& list) {
    list.clear();
    std::vector<TProcessEntry> entries;
    if (!processes.TakeSnapshot(entries)) {
        return;
    }
    list.reserve(entries.size());
    for (const auto& entry : entries) {
        list.push_back(TProcessName{std::string(ExeFileName(entry.ExeFile)), entry.ProcessID});
    }
}

} // namespace quill
