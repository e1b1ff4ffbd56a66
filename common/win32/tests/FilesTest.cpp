#include "common/win32/Files.h"

#include "common/win32/SystemMessage.h"
#include "common/win32/WinText.h"
#include "common/win32/tests/TempDirectory.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <stdexcept>
#include <string>

namespace quill {
namespace {

// The files (not folders) of a folder.
std::set<std::string> FileNames(const std::string& folder) {
    std::set<std::string> names;
    WIN32_FIND_DATAW data;
    const TUniqueFind find(::FindFirstFileW(Wide(folder + "*").c_str(), &data));
    for (bool more = bool(find); more; more = ::FindNextFileW(find.Get(), &data) != FALSE) {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            names.insert(Narrow(data.cFileName));
        }
    }
    return names;
}

TEST(WriteWholeFile, AFileOfTheUsersBesideTheTargetSurvivesASave) {
    const test::TTempDirectory folder("QuillborneFiles");
    ASSERT_TRUE(folder.WriteFile("before.qbcap", "old capture"));
    ASSERT_TRUE(folder.WriteFile("before.qbcap.new", "the user's own"));
    WriteWholeFile(Wide(folder.Path() + "before.qbcap"), "new capture");
    EXPECT_EQ(ReadWholeFile(Wide(folder.Path() + "before.qbcap")), "new capture");
    EXPECT_EQ(ReadWholeFile(Wide(folder.Path() + "before.qbcap.new")), "the user's own");
    EXPECT_EQ(FileNames(folder.Path()), (std::set<std::string>{"before.qbcap", "before.qbcap.new"}));
}

TEST(WriteWholeFile, AFailedSaveNamesTheTargetAndLeavesNothingBeside) {
    const test::TTempDirectory folder("QuillborneFiles");
    ASSERT_TRUE(folder.MakeDirectory("folder.qbcap"));
    ASSERT_TRUE(folder.WriteFile("kept.qbcap", "kept"));
    ::SetFileAttributesW(Wide(folder.Path() + "kept.qbcap").c_str(), FILE_ATTRIBUTE_READONLY);
    const struct {
        std::string Target;
        std::string Problem;
    } cases[] = {
        {folder.Path() + "missing\\before.qbcap", "written (" + SystemMessage(ERROR_PATH_NOT_FOUND) + ")"},
        {folder.Path() + "folder.qbcap", "replaced (" + SystemMessage(ERROR_ACCESS_DENIED) + ")"},
        {folder.Path() + "kept.qbcap", "replaced (" + SystemMessage(ERROR_ACCESS_DENIED) + ")"},
    };
    for (const auto& c : cases) {
        try {
            WriteWholeFile(Wide(c.Target), "capture");
            ADD_FAILURE() << "written: " << c.Target;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), c.Target + " cannot be " + c.Problem);
        }
    }
    EXPECT_EQ(FileNames(folder.Path()), std::set<std::string>{"kept.qbcap"});
    EXPECT_EQ(ReadWholeFile(Wide(folder.Path() + "kept.qbcap")), "kept");
}

} // namespace
} // namespace quill
