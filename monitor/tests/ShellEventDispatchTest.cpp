#include "monitor/ShellEventDispatch.h"

#include "settings/SettingsTable.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace quill {
namespace {

constexpr std::uint32_t kRenameItem = 0x1;
constexpr std::uint32_t kCreate = 0x2;
constexpr std::uint32_t kDelete = 0x4;
constexpr std::uint32_t kRenameFolder = 0x20000;
constexpr std::uint32_t kAssocChanged = 0x8000000;

struct TCall {
    std::uint32_t Code;
    std::string Path1;
    std::string Path2;
    bool operator==(const TCall&) const = default;
};

class ShellEventDispatchTest : public ::testing::Test {
protected:
    TShellEventDispatch Dispatch;
    std::vector<TCall> Calls;

    void Handle(std::uint32_t kind) {
        Dispatch.SetHandler(kind, [this](std::uint32_t code, const std::string& path1, const std::string& path2) {
            Calls.push_back({code, path1, path2});
        });
    }
};

TEST(ShellEventKinds, EveryKindHasItsOptionAndFilterSwitch) {
    std::set<std::uint32_t> bits;
    for (const TShellEventKind& kind : ShellEventKinds()) {
        bits.insert(kind.Bit);
        const TOptionInfo* option = FindOption(kind.Name);
        ASSERT_NE(option, nullptr) << kind.Name;
        EXPECT_EQ(option->Group, TOptionGroup::ShellEvent) << kind.Name;
        const TOptionInfo* filterSwitch = FindOption("F_" + std::string(kind.Name));
        ASSERT_NE(filterSwitch, nullptr) << kind.Name;
        EXPECT_EQ(filterSwitch->Caption, kind.FilterCaption) << kind.Name;
        EXPECT_EQ(FindShellEventKind(kind.Bit), &kind);
    }
    EXPECT_EQ(bits.size(), kShellEventKindCount);
    EXPECT_EQ(FindShellEventKind(0x40000), nullptr);
}

TEST_F(ShellEventDispatchTest, MaskHoldsTheKindsWithAHandler) {
    EXPECT_EQ(Dispatch.Mask(), 0u);
    Handle(kCreate);
    Handle(kAssocChanged);
    EXPECT_EQ(Dispatch.Mask(), kCreate | kAssocChanged);
    EXPECT_TRUE(Dispatch.HasHandler(kCreate));
    EXPECT_FALSE(Dispatch.HasHandler(kDelete));
    Dispatch.ClearHandlers();
    EXPECT_EQ(Dispatch.Mask(), 0u);
    EXPECT_THROW(Handle(0x40000), std::invalid_argument);
}

TEST_F(ShellEventDispatchTest, SuppressesAnEventThatRepeatsTheOneBefore) {
    Handle(kCreate);
    Handle(kDelete);
    Handle(kRenameItem);
    struct TStep {
        std::uint32_t Code;
        const char* Path1;
        const char* Path2;
        bool Called;
    };
    const TStep steps[] = {
        {kCreate, "C:\\a.txt", "", true},
        {kCreate, "C:\\a.txt", "", false},              // the same again
        {kCreate, "c:\\A.TXT", "", false},              // equal apart from case
        {kCreate | 0x80000000, "C:\\a.txt", "", false}, // the interrupt flag is no difference
        {kDelete, "C:\\a.txt", "", true},               // another code
        {kCreate, "C:\\a.txt", "", true},               // after a different one
        {0x40000, "C:\\a.txt", "", false},              // no such kind: not remembered
        {kCreate, "C:\\a.txt", "", false},              // so this still repeats
        {kCreate, "C:\\b.txt", "", true},               // another path
        {kRenameItem, "C:\\b.txt", "C:\\c.txt", true},  // two paths
        {kRenameItem, "C:\\b.txt", "C:\\d.txt", true},  // differ in the second
        {kRenameItem, "C:\\B.txt", "C:\\D.TXT", false},
        {kCreate, "C:\\\xC3\xA9.txt", "", true}, // other letters compare as the lists do
        {kCreate, "C:\\\xC3\x89.txt", "", false},
    };
    for (const TStep& step : steps) {
        Calls.clear();
        EXPECT_EQ(Dispatch.Deliver(step.Code, step.Path1, step.Path2), step.Called) << step.Path1 << step.Code;
        EXPECT_EQ(Calls.size(), step.Called ? 1u : 0u) << step.Path1 << step.Code;
    }
}

TEST_F(ShellEventDispatchTest, HandsTwoPathsOnlyToTheTwoPathKinds) {
    Handle(kRenameItem);
    Handle(kRenameFolder);
    Handle(kAssocChanged);
    Handle(kCreate);
    Dispatch.Deliver(kRenameItem | 0x80000000, "C:\\old.txt", "C:\\new.txt");
    Dispatch.Deliver(kRenameFolder, "C:\\Old", "C:\\New");
    Dispatch.Deliver(kAssocChanged, "", "");
    Dispatch.Deliver(kCreate, "C:\\x.txt", "C:\\stray");
    EXPECT_EQ(Calls, (std::vector<TCall>{{kRenameItem, "C:\\old.txt", "C:\\new.txt"},
                                         {kRenameFolder, "C:\\Old", "C:\\New"},
                                         {kAssocChanged, "", ""},
                                         {kCreate, "C:\\x.txt", ""}}));
}

TEST_F(ShellEventDispatchTest, ChangesTheCaseOfTheLettersAToZOnly) {
    Handle(kRenameItem);
    struct TCase {
        TTextCase TextCase;
        const char* Path1;
        const char* Expected1;
        const char* Expected2;
    };
    const TCase cases[] = {
        {TTextCase::tcAsIs, "C:\\Temp\\A.txt", "C:\\Temp\\A.txt", "D:\\\xC3\xA9x"},
        {TTextCase::tcLowercase, "C:\\TEMP\\B.TXT", "c:\\temp\\b.txt", "d:\\\xC3\xA9x"},
        {TTextCase::tcUppercase, "c:\\temp\\c.txt", "C:\\TEMP\\C.TXT", "D:\\\xC3\xA9X"},
    };
    for (const TCase& c : cases) {
        Calls.clear();
        Dispatch.TextCase = c.TextCase;
        Dispatch.Deliver(kRenameItem, c.Path1, "D:\\\xC3\xA9x");
        ASSERT_EQ(Calls.size(), 1u);
        EXPECT_EQ(Calls[0].Path1, c.Expected1);
        EXPECT_EQ(Calls[0].Path2, c.Expected2);
    }
}

TEST(MessageNo, MustBeAtLeastTheFirstApplicationMessage) {
    EXPECT_NO_THROW(CheckMessageNo(1024));
    EXPECT_NO_THROW(CheckMessageNo(50000));
    for (int wrong : {1023, 0, -5}) {
        try {
            CheckMessageNo(wrong);
            ADD_FAILURE() << wrong;
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(e.what(), "MessageNo must be greater than or equal to 1024");
        }
    }
}

} // namespace
} // namespace quill
