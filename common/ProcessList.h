#pragma once

#include "common/RecordList.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

struct TProcessRecord {
    std::uint32_t ProcessID = 0;
    std::uint32_t ParentID = 0;
    std::uint32_t Threads = 0;
    std::int32_t Priority = 0; // base priority of the process's threads
    std::uint8_t Reported = 0; // the report's own mark while it pairs the lists
};

// One entry of the platform's process snapshot.
struct TProcessEntry {
    std::string ExeFile; // as the snapshot gives it, possibly with a directory
    std::uint32_t ProcessID = 0;
    std::uint32_t ParentID = 0;
    std::uint32_t Threads = 0;
    std::int32_t Priority = 0;
};

// The running processes at one moment.
class IProcessSnapshot {
public:
    virtual ~IProcessSnapshot() = default;
    // False when no snapshot can be taken.
    virtual bool TakeSnapshot(std::vector<TProcessEntry>& entries) = 0;
    // The id of the process that takes the snapshots.
    virtual std::uint32_t OwnProcessID() const = 0;
};

// The names-only form: file name and process id, in snapshot order.
struct TProcessName {
    std::string Name;
    std::uint32_t ProcessID = 0;
};

// The text after the last path separator.
std::string_view ExeFileName(std::string_view path) noexcept;

// The name a process is listed under: its executable's file name; where that
// is empty, the entry's text as the system gives it; where the system gives
// none, "(unknown)". A list never shows a process without a name.
std::string ProcessName(std::string_view exeFile);

// Full form: the list is emptied, then gets one record per process under its
// name; a sorted list is sorted once at the end. The process taking the list
// is left out: it is the recorder, and whichever process takes the other
// list of a recording would otherwise show as ended or started. Without a
// snapshot the list stays empty and the result is false.
bool GetProcessList(IProcessSnapshot& processes, TRecordList<TProcessRecord>& list);

// Names-only form.
void GetProcessList(IProcessSnapshot& processes, std::vector<TProcessName>& list);

} // namespace quill
