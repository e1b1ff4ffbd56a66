#include "store/SavedComparison.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quill {
namespace {

// One saved capture, as much of it as the comparison looks at.
struct TCaptureSpec {
    bool MachineRoot = true;
    bool FilesRecorded = true;
    std::vector<std::string> Paths = {"C:\\App\\"};
    std::vector<std::string> Files = {"C:\\App\\", "C:\\App\\a.dll"};
    THashKind HashKind = kHashNone;
    bool Processes = true;
    std::int64_t FreeOnC = 1000;
};

TSavedCapture Build(const TCaptureSpec& spec) {
    TSavedCapture capture;
    TSavedRoot& root = capture.Roots[static_cast<std::size_t>(TRegRoot::LocalMachine)];
    root.Recorded = spec.MachineRoot;
    if (spec.MachineRoot) {
        root.Keys.Append("\\Software\\", root.Keys.NewRecord());
        root.Keys.SortAppended();
    }
    capture.FilesRecorded = spec.FilesRecorded;
    capture.Facts.Paths = spec.Paths;
    capture.Facts.HashKind = spec.HashKind;
    for (const std::string& file : spec.Files) {
        TRecordPtr<TFileScan> record = capture.Files.NewRecord();
        record->Hash = capture.Files.Keep(spec.HashKind == kHashNone ? "" : "ABCD");
        capture.Files.Append(file, std::move(record));
    }
    capture.Files.SortAppended();
    if (spec.Processes) {
        capture.Processes.Append("explorer.exe", capture.Processes.NewRecord());
        capture.Processes.SortAppended();
    }
    capture.DiskFree[2] = spec.FreeOnC;
    return capture;
}

std::vector<std::string> FileLines(const TFileList& files) {
    std::vector<std::string> lines;
    for (const auto& item : files) {
        lines.push_back(std::string(item.Text.View()) + (item.Record->Hash.View().empty() ? "" : " #"));
    }
    return lines;
}

TEST(SavedComparison, OnlyWhatBothCapturesRecordedIsLeftToCompareAndTheRestIsNoted) {
    struct TCase {
        const char* Name;
        TCaptureSpec Before;
        TCaptureSpec After;
        std::vector<std::string> Notes;
        std::vector<std::string> BeforeFiles;
        std::vector<std::string> AfterFiles;
        std::vector<std::string> Compared;
    };
    const TCase cases[] = {
        {"the same shape", {}, {}, {}, {"C:\\App\\", "C:\\App\\a.dll"}, {"C:\\App\\", "C:\\App\\a.dll"}, {"C:\\App\\"}},
        {"a root only before",
         {},
         {.MachineRoot = false},
         {"Not compared: HKEY_LOCAL_MACHINE (recorded only in a.qbcap)"},
         {"C:\\App\\", "C:\\App\\a.dll"},
         {"C:\\App\\", "C:\\App\\a.dll"},
         {"C:\\App\\"}},
        {"no file scan after",
         {},
         {.FilesRecorded = false, .Paths = {}, .Files = {}},
         {"Not compared: the file scan (recorded only in a.qbcap)"},
         {},
         {},
         {}},
        {"directories that overlap in part, written in other case and without the last backslash",
         {.Paths = {"C:\\App", "C:\\Data\\"}, .Files = {"C:\\App\\", "C:\\App\\a.dll", "C:\\Data\\", "C:\\Data\\x"}},
         {.Paths = {"c:\\app\\bin\\", "C:\\Temp\\"},
          .Files = {"c:\\app\\bin\\", "c:\\app\\bin\\b.dll", "C:\\Temp\\", "C:\\Temp\\t"}},
         {"Not compared: the files in C:\\App\\ that only a.qbcap scanned",
          "Not compared: the files in C:\\Data\\ that only a.qbcap scanned",
          "Not compared: the files in C:\\Temp\\ that only b.qbcap scanned"},
         {},
         {"c:\\app\\bin\\", "c:\\app\\bin\\b.dll"},
         {"c:\\app\\bin\\"}},
        {"digests of two kinds",
         {.HashKind = kHashMD5},
         {.HashKind = kHashSHA1},
         {"Not compared: the file digests (a.qbcap has MD5, b.qbcap has SHA-1; the files were compared without them)"},
         {"C:\\App\\", "C:\\App\\a.dll"},
         {"C:\\App\\", "C:\\App\\a.dll"},
         {"C:\\App\\"}},
        {"digests of one kind",
         {.HashKind = kHashSHA1},
         {.HashKind = kHashSHA1},
         {},
         {"C:\\App\\ #", "C:\\App\\a.dll #"},
         {"C:\\App\\ #", "C:\\App\\a.dll #"},
         {"C:\\App\\"}},
        {"processes only after",
         {.Processes = false},
         {},
         {"Not compared: the process list (recorded only in b.qbcap)"},
         {"C:\\App\\", "C:\\App\\a.dll"},
         {"C:\\App\\", "C:\\App\\a.dll"},
         {"C:\\App\\"}},
        {"free space only after",
         {.FreeOnC = 0},
         {},
         {"Not compared: the free space of C:\\ (measured only in b.qbcap)"},
         {"C:\\App\\", "C:\\App\\a.dll"},
         {"C:\\App\\", "C:\\App\\a.dll"},
         {"C:\\App\\"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TSavedCapture before = Build(c.Before);
        TSavedCapture after = Build(c.After);
        KeepWhatBothRecorded(before, after, "a.qbcap", "b.qbcap");
        EXPECT_EQ(after.Notes.Lines(), c.Notes);
        EXPECT_TRUE(before.Notes.Empty());
        EXPECT_EQ(FileLines(before.Files), c.BeforeFiles);
        EXPECT_EQ(FileLines(after.Files), c.AfterFiles);
        EXPECT_EQ(before.Facts.Paths, c.Compared);
        for (const TRegRoot root : kAllRoots) {
            const TSavedRoot& first = before.Roots[static_cast<std::size_t>(root)];
            const TSavedRoot& second = after.Roots[static_cast<std::size_t>(root)];
            EXPECT_EQ(first.Recorded, second.Recorded) << RootName(root);
            EXPECT_EQ(first.Keys.Empty(), !first.Recorded) << RootName(root);
        }
        EXPECT_EQ(before.FilesRecorded, after.FilesRecorded);
        EXPECT_EQ(before.Facts.HashKind, after.Facts.HashKind);
        EXPECT_EQ(before.Processes.Empty(), after.Processes.Empty());
        EXPECT_EQ(before.DiskFree[2] == 0, after.DiskFree[2] == 0);
    }
}

} // namespace
} // namespace quill
