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
    std::uint32_t Own = 1000; // no entry's
    bool TakeSnapshot(std::vector<TProcessEntry>& entries) override {
        if (!Available) {
            return false;
        }
        entries = Entries;
        return true;
    }
    std::uint32_t OwnProcessID() const override { return Own; }
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

// An entry whose executable has no file name part keeps the system's text;
// one without any text is still named.
TEST(ProcessList, BothFormsNameEveryProcess) {
    const struct {
        const char* ExeFile;
        const char* Name;
    } cases[] = {
        {"C:\\Apps\\tool.exe", "tool.exe"},
        {"[System Process]", "[System Process]"},
        {"C:\\Apps\\", "C:\\Apps\\"},
        {"", "(unknown)"},
    };
    for (const auto& c : cases) {
        TFakeSnapshot snapshot;
        snapshot.Entries = {{c.ExeFile, 9, 1, 1, 8}};
        TRecordList<TProcessRecord> full(TListOrder::Sorted, TDuplicates::Accept);
        std::vector<TProcessName> names;
        GetProcessList(snapshot, full);
        GetProcessList(snapshot, names);
        ASSERT_EQ(full.Count(), 1u);
        EXPECT_EQ(full.Text(0), c.Name) << c.ExeFile;
        ASSERT_EQ(names.size(), 1u);
        EXPECT_EQ(names[0].Name, c.Name) << c.ExeFile;
    }
}

// The recorder's own process belongs to neither capture's list; the process
// watch still sees it.
TEST(ProcessList, OnlyTheFullFormLeavesOutTheProcessTakingIt) {
    TFakeSnapshot snapshot = Sample();
    snapshot.Own = 52;
    TRecordList<TProcessRecord> full(TListOrder::Sorted, TDuplicates::Accept);
    EXPECT_TRUE(GetProcessList(snapshot, full));
    EXPECT_EQ(full.Count(), snapshot.Entries.size() - 1);
    for (const auto& item : full) {
        EXPECT_NE(item.Record->ProcessID, 52u) << item.Text;
    }
    std::vector<TProcessName> names;
    GetProcessList(snapshot, names);
    EXPECT_EQ(names.size(), snapshot.Entries.size());
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
    EXPECT_FALSE(GetProcessList(snapshot, full));
    GetProcessList(snapshot, names);
    EXPECT_TRUE(full.Empty());
    EXPECT_TRUE(names.empty());
}

} // namespace
} // namespace quill
