#include "common/win32/Win32ProcessSnapshot.h"

#include "common/win32/Files.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace quill {
namespace {

// An instance of this test program that never runs: created suspended and
// terminated when the object goes.
class TSuspendedChild {
public:
    TSuspendedChild() {
        std::wstring commandLine = L"\"" + ExecutablePath() + L"\" --gtest_list_tests";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                             &startup, &info)) {
            FProcess.Reset(info.hProcess);
            FThread.Reset(info.hThread);
            FId = info.dwProcessId;
        }
    }
    ~TSuspendedChild() {
        if (FProcess) {
            ::TerminateProcess(FProcess.Get(), 0);
            ::WaitForSingleObject(FProcess.Get(), 5000);
        }
    }
    TSuspendedChild(const TSuspendedChild&) = delete;
    TSuspendedChild& operator=(const TSuspendedChild&) = delete;

    DWORD Id() const noexcept { return FId; }

private:
    TUniqueHandleObject FProcess;
    TUniqueHandleObject FThread;
    DWORD FId = 0;
};

std::string OwnName() {
    return std::string(ExeFileName(Narrow(ExecutablePath())));
}

// The recorder lists every process but itself: the names-only form, which
// the process watch uses, keeps it.
TEST(Win32ProcessList, TheFullFormLeavesOutTheProcessTakingIt) {
    TWin32ProcessSnapshot snapshot;
    TRecordList<TProcessRecord> full(TListOrder::Sorted, TDuplicates::Accept);
    ASSERT_TRUE(GetProcessList(snapshot, full));
    ASSERT_FALSE(full.Empty());
    for (const auto& item : full) {
        EXPECT_NE(item.Record->ProcessID, ::GetCurrentProcessId()) << item.Text;
        EXPECT_FALSE(item.Text.empty());
    }
    std::vector<TProcessName> names;
    GetProcessList(snapshot, names);
    const auto own = std::find_if(names.begin(), names.end(),
                                  [](const TProcessName& name) { return name.ProcessID == ::GetCurrentProcessId(); });
    ASSERT_NE(own, names.end());
    EXPECT_TRUE(SameText(own->Name, OwnName())) << own->Name;
}

TEST(Win32ProcessList, TwoInstancesGiveTwoItemsWithTheirOwnIdsAndOurIdAsParent) {
    TSuspendedChild first;
    TSuspendedChild second;
    ASSERT_NE(first.Id(), 0u);
    ASSERT_NE(second.Id(), 0u);
    TWin32ProcessSnapshot snapshot;

    TRecordList<TProcessRecord> full(TListOrder::Sorted, TDuplicates::Accept);
    GetProcessList(snapshot, full);
    std::size_t index = 0;
    ASSERT_TRUE(full.Find(OwnName(), index));
    std::vector<DWORD> children;
    for (; index < full.Count() && SameText(full.Text(index), OwnName()); ++index) {
        const TProcessRecord& record = *full.Record(index);
        if (record.ProcessID == first.Id() || record.ProcessID == second.Id()) {
            EXPECT_EQ(record.ParentID, ::GetCurrentProcessId());
            children.push_back(record.ProcessID);
        }
    }
    EXPECT_EQ(children.size(), 2u);

    std::vector<TProcessName> names;
    GetProcessList(snapshot, names);
    int instances = 0;
    for (const auto& name : names) {
        if (name.ProcessID == first.Id() || name.ProcessID == second.Id()) {
            EXPECT_TRUE(SameText(name.Name, OwnName()));
            ++instances;
        }
    }
    EXPECT_EQ(instances, 2);
}

} // namespace
} // namespace quill
