#include "common/ProcessList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quill {
namespace {

class TFakeSnapshot : public IProcessSnapshot {
public:
    bool Available = true;
    std::vector<TProcessEntry> Entries;
    bool TakeSnapshot(std::vector<TProcessEntry>& entries) override {
        if (!Available) {
            return false;
        }
        entries = Entries;
        return true;
    }
};

TFakeSnapshot Sample() {
    TFakeSnapshot snapshot;
    snapshot.Entries = {
        {"[System Process]", 0, 0, 2, 0},
        {"C:\\Program Files\\App\\App.exe", 40, 4, 7, 8},
        {"setup.exe", 52, 40, 3, 13},
        {"SETUP.EXE", 60, 40, 1, 8},
        {"C:/unix/style/tool.exe", 61, 1, 1, 4},
        {"explorer.exe", 12, 4, 30, 8},
    };
    return snapshot;
}

TEST(ProcessList, ExeFileNameKeepsTheTextAfterTheLastSeparator) {
    const struct {
        const char* Path;
        const char* Name;
    } cases[] = {
        {"C:\\Program Files\\App\\App.exe", "App.exe"},
        {"setup.exe", "setup.exe"},
        {"a/b\\c.exe", "c.exe"},
        {"dir\\", ""},
        {"", ""},
        {"\\\\?\\C:\\x\\\xC3\xA4.exe", "\xC3\xA4.exe"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExeFileName(c.Path), c.Name) << c.Path;
    }
}

TEST(ProcessList, FullFormSortedWithDuplicatesAndRecords) {
    TFakeSnapshot snapshot = Sample();
    TRecordList<TProcessRecord> list(TListOrder::Sorted, TDuplicates::Accept);
    list.Add("stale.exe", std::make_unique<TProcessRecord>());
    GetProcessList(snapshot, list);
    std::vector<std::string> names;
    for (const auto& item : list) {
        names.push_back(item.Text);
    }
    // Ordinal after upper-casing: "[" follows the letters.
    EXPECT_EQ(names, (std::vector<std::string>{"App.exe", "explorer.exe", "setup.exe", "SETUP.EXE", "tool.exe",
                                               "[System Process]"}));
    std::size_t index = 0;
    ASSERT_TRUE(list.Find("app.EXE", index));
    const TProcessRecord& app = *list.Record(index);
    EXPECT_EQ(app.ProcessID, 40u);
    EXPECT_EQ(app.ParentID, 4u);
    EXPECT_EQ(app.Threads, 7u);
    EXPECT_EQ(app.Priority, 8);
    EXPECT_EQ(app.Reported, 0);
    ASSERT_TRUE(list.Find("setup.exe", index));
    EXPECT_EQ(list.Record(index)->ProcessID, 52u);
    EXPECT_EQ(list.Record(index + 1)->ProcessID, 60u);
}

TEST(ProcessList, NamesOnlyFormKeepsSnapshotOrderAndIds) {
    TFakeSnapshot snapshot = Sample();
    std::vector<TProcessName> list{{"stale.exe", 1}};
    GetProcessList(snapshot, list);
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(list[1].Name, "App.exe");
    EXPECT_EQ(list[1].ProcessID, 40u);
    EXPECT_EQ(list[3].Name, "SETUP.EXE");
    EXPECT_EQ(list[3].ProcessID, 60u);
}

TEST(ProcessList, NoSnapshotLeavesBothFormsEmpty) {
    TFakeSnapshot snapshot = Sample();
    snapshot.Available = false;
    TRecordList<TProcessRecord> full(TListOrder::Sorted, TDuplicates::Accept);
    full.Add("stale.exe", std::make_unique<TProcessRecord>());
    std::vector<TProcessName> names{{"stale.exe", 1}};
    GetProcessList(snapshot, full);
    GetProcessList(snapshot, names);
    EXPECT_TRUE(full.Empty());
    EXPECT_TRUE(names.empty());
}

} // namespace
} // namespace quill
