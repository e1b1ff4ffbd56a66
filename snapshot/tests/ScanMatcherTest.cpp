#include "snapshot/TreeScan.h"

#include "common/tests/FixedOffsetTime.h"
#include "snapshot/tests/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace quill {
namespace {

struct TScanLists {
    TFileList Before{TListOrder::Sorted, TDuplicates::Refuse};
    TFileList After{TListOrder::Sorted, TDuplicates::Refuse};
    TFileList ModifiedBefore;
    TFileList ModifiedAfter;
    TCaptureNotes Notes;
};

// Every item of the four lists and every note, in their order.
std::vector<std::string> Shown(const TScanLists& lists) {
    std::vector<std::string> shown;
    const auto add = [&](const char* name, const TFileList& list) {
        for (const auto& item : list) {
            std::string line = std::string(name) + " " + std::string(item.Text);
            if (item.Record) {
                line += " " + std::to_string(item.Record->Size) + " " + std::to_string(item.Record->LastWrite) + " " +
                        std::to_string(item.Record->Attributes);
            }
            shown.push_back(line);
        }
    };
    add("before", lists.Before);
    add("after", lists.After);
    add("modified before", lists.ModifiedBefore);
    add("modified after", lists.ModifiedAfter);
    for (const std::string& line : lists.Notes.Lines()) {
        shown.push_back("note " + line);
    }
    return shown;
}

void Scan(TMemoryFileSystem& files, TFileList& list, TCaptureNotes& notes, const std::vector<std::string>& paths,
          TScanMatcher* matcher = nullptr) {
    const TFixedOffsetTime time;
    TTreeScanner scanner(list, files, time, notes);
    scanner.Matcher = matcher;
    for (const std::string& path : paths) {
        scanner.Scan(path, true);
    }
}

void Remove(TMemoryFileSystem& files, std::string_view parent, std::string_view name) {
    auto& children = files.Find(parent)->Children;
    children.erase(
        std::find_if(children.begin(), children.end(), [&](const auto& child) { return child->Name == name; }));
}

const std::string kLong = "C:\\Data\\" + std::string(120, 'd') + "\\" + std::string(150, 'e') + "\\";

TMemoryFileSystem SampleFiles() {
    TMemoryFileSystem files;
    files.AddFile("C:\\Data\\a.txt", "a");
    files.AddFile("C:\\Data\\b.txt", "bb");
    files.AddFile("C:\\Data\\Sub\\c.txt", "ccc");
    files.AddFile("C:\\Data\\Sub Dir\\d.txt", "dddd");
    files.AddFile("C:\\Data\\\xF0\x9F\x93\xA6\\\xF0\x9F\x94\x91.txt", "key");
    files.AddFile(kLong + "deep.txt", "deep");
    return files;
}

// Each change between two scans of the same tree, matched while the second is
// listed, leaves the lists and notes exactly as two whole scans compared
// afterwards do.
TEST(TScanMatcher, EndsAsTwoScansAndCompareScansEnd) {
    struct TCase {
        const char* Name;
        std::vector<std::string> Paths;
        std::function<void(TMemoryFileSystem&)> Change;
    };
    const std::vector<std::string> data{"C:\\Data"};
    // The second path takes in the first, which it does not enter again.
    const std::vector<std::string> nested{"C:\\Data\\Sub", "C:\\Data"};
    const TCase cases[] = {
        {"nothing", data, [](TMemoryFileSystem&) {}},
        {"size, time and attributes", data,
         [](TMemoryFileSystem& f) {
             f.AddFile("C:\\Data\\a.txt", "aa");
             f.Find("C:\\Data\\b.txt")->LastWrite += 20000000;
             f.Find("C:\\Data\\Sub\\c.txt")->Attributes |= kAttrReadOnly;
             f.AddFile(kLong + "deep.txt", "deeper");
         }},
        {"created and deleted around the order of listing", data,
         [](TMemoryFileSystem& f) {
             Remove(f, "C:\\Data\\Sub", "c.txt");
             Remove(f, "C:\\Data", "Sub Dir");
             f.AddFile("C:\\Data\\Sub A\\new.txt", "n");
             f.AddFile("C:\\Data\\\xF0\x9F\x93\xA6\\\xF0\x9F\x90\x8D.txt", "new");
             f.AddFile(kLong + "new.txt", "n");
         }},
        {"a file renamed in case only", data,
         [](TMemoryFileSystem& f) {
             Remove(f, "C:\\Data", "a.txt");
             f.AddFile("C:\\Data\\A.TXT", "a");
         }},
        {"a path inside another", nested,
         [](TMemoryFileSystem& f) {
             f.AddFile("C:\\Data\\Sub\\c.txt", "changed");
             f.AddFile("C:\\Data\\Sub\\new.txt", "n");
         }},
        {"everything gone", data, [](TMemoryFileSystem& f) { Remove(f, "C:\\", "Data"); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TMemoryFileSystem files = SampleFiles();
        TScanLists whole;
        TScanLists matched;
        Scan(files, whole.Before, whole.Notes, c.Paths);
        Scan(files, matched.Before, matched.Notes, c.Paths);
        c.Change(files);
        Scan(files, whole.After, whole.Notes, c.Paths);
        CompareScans(whole.Before, whole.After, whole.ModifiedBefore, whole.ModifiedAfter);
        TScanMatcher matcher(matched.Before, matched.After, matched.ModifiedBefore, matched.ModifiedAfter);
        Scan(files, matched.After, matched.Notes, c.Paths, &matcher);
        matcher.Finish();
        EXPECT_EQ(Shown(matched), Shown(whole));
    }
}

} // namespace
} // namespace quill
