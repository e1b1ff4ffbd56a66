#include "filter/DirectoryList.h"

#include "common/tests/FakeMessages.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

using test::TFakeMessages;
using TEntries = std::vector<std::string>;

TEST(Covers, AnEntryCoversItselfAndItsSubtreeNotItsSiblings) {
    struct TCase {
        const char* Entry;
        const char* Directory;
        bool Covered;
    };
    const TCase cases[] = {
        {"C:\\", "C:\\Windows\\System32", true}, {"C:\\", "C:\\", true},
        {"C:\\Data", "c:\\data", true},          {"C:\\Data", "C:\\DATA\\Sub", true},
        {"C:\\Data\\", "C:\\Data\\Sub", true},   {"C:\\Data", "C:\\Database", false},
        {"C:\\Data\\Sub", "C:\\Data", false},    {"D:\\", "C:\\Data", false},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(Covers(c.Entry, c.Directory), c.Covered) << c.Entry << " / " << c.Directory;
    }
}

TEST(DirectoryList, ShowsTheStoredTextSortedWithRepeatsOnce) {
    const TDirectoryList list("D:\\x*\"C:\\Program Files\"*d:\\X*C:\\Data*C:\\Data\\Sub");
    EXPECT_EQ(list.Entries(), (TEntries{"C:\\Data", "C:\\Data\\Sub", "C:\\Program Files", "D:\\x"}));
    EXPECT_EQ(list.StartDirectory("C:\\Quill\\"), "D:\\x");
    EXPECT_EQ(TDirectoryList("").StartDirectory("C:\\Quill\\"), "C:\\Quill\\");
}

struct TAddCase {
    const char* Name;
    const char* Paths;
    const char* Added;
    std::vector<TMessageAnswer> Answers;
    TEntries After;
    std::vector<std::string> Asked;
};

class AddingADirectory : public ::testing::TestWithParam<TAddCase> {};

constexpr char kParentQuestion[] = "This directory is a parent directory of one or more directories already in the "
                                   "list.\n\r\n\rThose directories will be removed from the list.";

TEST_P(AddingADirectory, KeepsTheListFreeOfOverlaps) {
    const TAddCase& c = GetParam();
    TFakeMessages messages;
    messages.Answers.assign(c.Answers.begin(), c.Answers.end());
    TDirectoryList list(c.Paths);
    list.Add(c.Added, messages);
    EXPECT_EQ(list.Entries(), c.After);
    std::vector<std::string> asked;
    for (const auto& question : messages.Asked) {
        asked.push_back(question.Text);
    }
    EXPECT_EQ(asked, c.Asked);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AddingADirectory,
    ::testing::Values(TAddCase{"CoveredByTheDriveRoot",
                               "C:\\",
                               "C:\\Windows",
                               {},
                               {"C:\\"},
                               {"This directory is already covered by C:\\"}},
                      TAddCase{
                          "SiblingWithTheSamePrefix", "C:\\Data", "C:\\Database", {}, {"C:\\Data", "C:\\Database"}, {}},
                      TAddCase{"ParentReplacesItsSubdirectories",
                               "C:\\D\\One*C:\\Other*C:\\D\\Two",
                               "C:\\D",
                               {TMessageAnswer::Yes},
                               {"C:\\D", "C:\\Other"},
                               {kParentQuestion}},
                      TAddCase{"CancelLeavesTheListAsItWas",
                               "C:\\D\\One*C:\\Other*C:\\D\\Two",
                               "C:\\D",
                               {TMessageAnswer::Cancel},
                               {"C:\\D\\One", "C:\\D\\Two", "C:\\Other"},
                               {kParentQuestion}},
                      TAddCase{"ListedInAnotherCase", "C:\\Data*D:\\", "c:\\DATA", {}, {"C:\\Data", "D:\\"}, {}},
                      TAddCase{"BlankInTheName", "", "C:\\Program Files", {}, {"C:\\Program Files"}, {}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(DirectoryList, HandsBackQuotedPathsThatReadBackAsOneEntry) {
    TFakeMessages messages;
    TDirectoryList list("");
    list.Add("C:\\Program Files", messages);
    list.Add("D:\\", messages);
    EXPECT_EQ(list.Paths(), "\"C:\\Program Files\"*D:\\");
    EXPECT_EQ(TDirectoryList(list.Paths()).Entries(), (TEntries{"C:\\Program Files", "D:\\"}));
}

TEST(DirectoryList, DeletingEveryEntryHandsBackTheEmptyText) {
    TDirectoryList list("C:\\A*C:\\B*C:\\C");
    list.Delete({2, 0});
    EXPECT_EQ(list.Entries(), TEntries{"C:\\B"});
    list.Delete({0});
    EXPECT_EQ(list.Paths(), "");
}

} // namespace
} // namespace quill
