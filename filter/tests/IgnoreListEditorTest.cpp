#include "filter/IgnoreListEditor.h"

#include "common/tests/FakeMessages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

namespace quill {
namespace {

using test::TFakeMessages;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// Files kept in memory; reading can fail, and writing can fail, as on a full
// disk.
class TMemoryIgnoreFiles : public IIgnoreFiles {
public:
    std::optional<std::string> Read(const std::string& path) override {
        if (Unreadable) {
            throw std::runtime_error("The device is not ready.");
        }
        const auto found = Files.find(path);
        return found == Files.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    void Write(const std::string& path, const std::string& bytes) override {
        if (WritableBytes < bytes.size()) {
            throw std::runtime_error("There is not enough space on the disk.");
        }
        Files[path] = bytes;
    }

    std::map<std::string, std::string> Files;
    bool Unreadable = false;
    std::size_t WritableBytes = static_cast<std::size_t>(-1);
};

const std::string kFolder = "C:\\Quill\\";
const std::string kKeysFile = kFolder + "IgnoreKeys.txt";
const std::string kComment(kIgnoreFileComment);

std::vector<std::string> Texts(const TIgnoreListEditor& editor) {
    std::vector<std::string> texts;
    for (const TIgnoreEntry& entry : editor.Entries()) {
        texts.push_back(entry.Text);
    }
    return texts;
}

class IgnoreListEditor : public ::testing::Test {
protected:
    TMemoryIgnoreFiles FFiles;
    TFakeMessages FMessages;

    TIgnoreListEditor Open(TIgnoreKind kind = TIgnoreKind::Keys) {
        return TIgnoreListEditor(kind, kFolder, FFiles, FMessages);
    }
};

TEST_F(IgnoreListEditor, AMissingFileIsAnEmptyListAndNoError) {
    const TIgnoreListEditor editor = Open();
    EXPECT_TRUE(editor.Entries().empty());
    EXPECT_TRUE(FMessages.Asked.empty());
    EXPECT_EQ(editor.FileName(), kKeysFile);
}

TEST_F(IgnoreListEditor, ShowsEntriesSortedWithoutRegardToCase) {
    FFiles.Files[kKeysFile] = "+\\b\\\r\n-\\C\\\r\n+\\a\\\r\n";
    EXPECT_THAT(Texts(Open()), ElementsAre("\\a\\", "\\b\\", "\\C\\"));
}

TEST_F(IgnoreListEditor, ShowsAReadErrorWithTheFileAndReason) {
    FFiles.Unreadable = true;
    Open();
    ASSERT_EQ(FMessages.Asked.size(), 1u);
    EXPECT_EQ(FMessages.Asked[0].Kind, TMessageKind::Error);
    EXPECT_EQ(FMessages.Asked[0].Text,
              "Unable to read the settings file: " + kKeysFile + "\n\r\n\rReason: The device is not ready.");
}

TEST_F(IgnoreListEditor, SaysSoBeforeShowingNoEntryFromAFileThatHoldsText) {
    const struct {
        const char* What;
        std::string Text;
        bool Said;
    } cases[] = {
        {"empty", "", false},
        {"only blank lines", "\r\n \r\n\t\r\n", false},
        {"an emptied list as saved", kComment + "\r\n" + kComment + "\r\n", false},
        {"entries after notes", "; notes\r\n+\\a\\\r\n", false},
        {"notes only", "; notes\r\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        FMessages.Asked.clear();
        FFiles.Files[kKeysFile] = c.Text;
        Open();
        if (!c.Said) {
            EXPECT_TRUE(FMessages.Asked.empty());
            continue;
        }
        ASSERT_EQ(FMessages.Asked.size(), 1u);
        EXPECT_EQ(FMessages.Asked[0].Kind, TMessageKind::Error);
        EXPECT_EQ(FMessages.Asked[0].Text, "Unable to read the settings file: " + kKeysFile +
                                               "\n\r\n\rReason: The file holds text, but no entry could be read "
                                               "from it. Saving this list replaces that text.");
    }
}

TEST_F(IgnoreListEditor, AddsTypedEntriesInTheKindsFormSortedAndChecked) {
    TIgnoreListEditor editor = Open();
    EXPECT_EQ(editor.Add("HKLM\\Software\\Zeta"), std::optional<std::size_t>(0));
    EXPECT_EQ(editor.Add("HKEY_LOCAL_MACHINE\\Software\\Alpha"), std::optional<std::size_t>(0));
    EXPECT_TRUE(editor.Modified());
    EXPECT_THAT(Texts(editor), ElementsAre("\\Software\\Alpha\\", "\\Software\\Zeta\\"));
    EXPECT_TRUE(editor.Entries()[0].Checked);
}

TEST_F(IgnoreListEditor, RefusesEmptyTooShortAndListedTextsSilently) {
    FFiles.Files[kKeysFile] = "+\\Software\\Example\\\r\n";
    TIgnoreListEditor editor = Open();
    for (const char* typed : {"", "   ", "HKEY_LOCAL_MACHINE", "HKLM", "\\SOFTWARE\\EXAMPLE\\", "Software\\example"}) {
        EXPECT_FALSE(editor.Add(typed)) << typed;
    }
    EXPECT_FALSE(editor.Modified());
    EXPECT_TRUE(FMessages.Asked.empty());
}

TEST_F(IgnoreListEditor, OkSavesChangesAndTheFileReadsBackTheSame) {
    TIgnoreListEditor editor = Open();
    editor.Add("Software\\B");
    editor.Add("Software\\A");
    editor.SetChecked(1, false);
    editor.OkClick();
    EXPECT_FALSE(editor.Modified());
    EXPECT_EQ(FFiles.Files[kKeysFile], kComment + "\r\n+\\Software\\A\\\r\n-\\Software\\B\\\r\n" + kComment + "\r\n");
    EXPECT_TRUE(editor.CloseQuery());
    EXPECT_THAT(LoadIgnoreList(TIgnoreKind::Keys, kFolder, FFiles, FMessages), ElementsAre("\\Software\\A\\"));
}

TEST_F(IgnoreListEditor, AFailedSaveKeepsTheChangesPendingAndClosingAsks) {
    TIgnoreListEditor editor = Open();
    editor.Add("Software\\A");
    FFiles.WritableBytes = 10;
    editor.OkClick();
    EXPECT_TRUE(editor.Modified());
    ASSERT_EQ(FMessages.Asked.size(), 1u);
    EXPECT_EQ(FMessages.Asked[0].Text, "Unable to save to the settings file: " + kKeysFile +
                                           "\n\r\n\rReason: There is not enough space on the disk.");
    FMessages.Answers = {TMessageAnswer::No};
    EXPECT_FALSE(editor.CloseQuery());
    EXPECT_THAT(FMessages.Asked.back().Text, HasSubstr("lose then changes"));
    EXPECT_TRUE(editor.CloseQuery());
    EXPECT_TRUE(FFiles.Files.empty());
}

TEST_F(IgnoreListEditor, OperationsThatChangeNothingLeaveAnEarlierChangePending) {
    TIgnoreListEditor editor = Open();
    editor.CheckAll(false);
    editor.Delete({});
    EXPECT_FALSE(editor.Modified());
    EXPECT_TRUE(editor.CloseQuery());
    editor.Add("Software\\A");
    editor.SaveToFile();
    editor.SetChecked(0, false);
    editor.Delete({});
    editor.CheckAll(false);
    EXPECT_TRUE(editor.Modified());
    FMessages.Answers = {TMessageAnswer::No};
    EXPECT_FALSE(editor.CloseQuery());
}

TEST_F(IgnoreListEditor, DeletesEverySelectedEntry) {
    FFiles.Files[kKeysFile] = "+\\a\\\r\n+\\b\\\r\n+\\c\\\r\n+\\d\\\r\n";
    TIgnoreListEditor editor = Open();
    editor.Delete({3, 0, 3});
    EXPECT_THAT(Texts(editor), ElementsAre("\\b\\", "\\c\\"));
    EXPECT_TRUE(editor.Modified());
}

TEST_F(IgnoreListEditor, CheckAllAndUncheckAllMarkEveryEntry) {
    FFiles.Files[kKeysFile] = "+\\a\\\r\n-\\b\\\r\n";
    TIgnoreListEditor editor = Open();
    editor.CheckAll(true);
    EXPECT_EQ(editor.CheckedTexts().size(), 2u);
    editor.CheckAll(false);
    EXPECT_TRUE(editor.CheckedTexts().empty());
    EXPECT_TRUE(editor.Modified());
}

TEST_F(IgnoreListEditor, LoadingKeepsUncheckedEntriesButTheFilterTakesOnlyChecked) {
    FFiles.Files[kFolder + "IgnoreDirs.txt"] = kComment + "\r\n+C:\\Windows\\Temp\r\n-C:\\Windows\\Prefetch\r\n";
    EXPECT_EQ(Open(TIgnoreKind::Directories).Entries().size(), 2u);
    EXPECT_THAT(LoadIgnoreList(TIgnoreKind::Directories, kFolder, FFiles, FMessages), ElementsAre("C:\\Windows\\Temp"));
}

} // namespace
} // namespace quill
