#include "common/win32/Win32ProcessSnapshot.h"

#include "common/win32/Files.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"

#include <gtest/gtest.h>

#include <windows.h>

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

TEST(Win32ProcessList, OwnProcessAppearsWithItsIdAndThreads) {
    TWin32ProcessSnapshot snapshot;
    TRecordList<TProcessRecord> list(TListOrder::Sorted, TDuplicates::Accept);
    GetProcessList(snapshot, list);
    ASSERT_FALSE(list.Empty());
    bool found = false;
    for (const auto& item : list) {
        if (item.Record->ProcessID == ::GetCurrentProcessId()) {
            found = true;
            EXPECT_TRUE(SameText(item.Text, OwnName())) << item.Text;
            EXPECT_GE(item.Record->Threads, 1u);
            EXPECT_EQ(item.Record->Reported, 0);
        }
    }
    EXPECT_TRUE(found);
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
