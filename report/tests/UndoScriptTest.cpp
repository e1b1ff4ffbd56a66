#include "report/UndoScript.h"

#include "common/Utf.h"
#include "report/tests/ResultStore.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace quill {
namespace {

using ::testing::Contains;

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> bytes;
    for (const int value : values) {
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

std::vector<std::uint8_t> Counting(int count) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < count; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(i));
    }
    return bytes;
}

TEST(UndoValueLine, WritesEachTypeAndNameAsRegeditReadsItBack) {
    struct TCase {
        const char* Name;
        std::uint32_t Type;
        std::vector<std::uint8_t> Data;
        const char* Line;
    };
    const TCase cases[] = {
        {"Path", kRegSz, EncodeRegString("C:\\App"), R"("Path"="C:\\App")"},
        {"", kRegSz, EncodeRegString("default"), R"(@="default")"},
        {"a\"b\\c", kRegSz, EncodeRegString("say \"hi\""), R"("a\"b\\c"="say \"hi\"")"},
        {"[x]", kRegSz, EncodeRegString(""), R"("[x]"="")"},
        {"\xF0\x9D\x84\x9E", kRegSz, EncodeRegString("\xE6\x97\xA5"), "\"\xF0\x9D\x84\x9E\"=\"\xE6\x97\xA5\""},
        {"zero inside", kRegSz, Bytes({'a', 0, 0, 0, 'b', 0, 0, 0}), R"("zero inside"=hex(1):61,00,00,00,62,00,00,00)"},
        {"unterminated", kRegSz, Bytes({'o', 0, 'k', 0}), R"("unterminated"=hex(1):6f,00,6b,00)"},
        {"odd", kRegSz, Bytes({'o', 0, 0, 0, 7}), R"("odd"=hex(1):6f,00,00,00,07)"},
        {"no data", kRegSz, {}, R"("no data"=hex(1):)"},
        {"two lines", kRegSz, EncodeRegString("a\r\nb"), R"("two lines"=hex(1):61,00,0d,00,0a,00,62,00,00,00)"},
        {"expand", kRegExpandSz, EncodeRegString("%T%"), R"("expand"=hex(2):25,00,54,00,25,00,00,00)"},
        {"dword", kRegDword, Bytes({0x78, 0x56, 0x34, 0x12}), R"("dword"=dword:12345678)"},
        {"minus one", kRegDword, Bytes({0xFF, 0xFF, 0xFF, 0xFF}), R"("minus one"=dword:ffffffff)"},
        {"short dword", kRegDword, Bytes({1, 2}), R"("short dword"=hex(4):01,02)"},
        {"none", kRegNone, {}, R"("none"=hex(0):)"},
        {"empty binary", kRegBinary, {}, R"("empty binary"=hex:)"},
        {"binary", kRegBinary, Bytes({0, 0xAB, 0xFF}), R"("binary"=hex:00,ab,ff)"},
        {"big endian", kRegDwordBigEndian, Bytes({0, 0, 0, 1}), R"("big endian"=hex(5):00,00,00,01)"},
        {"link", kRegLink, Bytes({'x', 0}), R"("link"=hex(6):78,00)"},
        {"multi", kRegMultiSz, Bytes({'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}),
         R"("multi"=hex(7):61,00,00,00,62,00,00,00,00,00)"},
        {"resources", kRegResourceList, Bytes({1}), R"("resources"=hex(8):01)"},
        {"descriptor", 9, Bytes({2}), R"("descriptor"=hex(9):02)"},
        {"requirements", 10, Bytes({3}), R"("requirements"=hex(a):03)"},
        {"qword", kRegQword, Bytes({1, 0, 0, 0, 0, 0, 0, 0}), R"("qword"=hex(b):01,00,00,00,00,00,00,00)"},
        {"device", 0xFFFF0012, Bytes({4}), R"("device"=hex(ffff0012):04)"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TValueList values = NewValueList();
        const TValueRecord& value = TResultStore::AddValue(values, "\\K\\", c.Name, c.Type, c.Data);
        EXPECT_EQ(UndoValueLine(value), c.Line);
    }
}

TEST(UndoValueLine, BreaksLongHexDataAfterTheCommaThatReachesColumn77) {
    TValueList values = NewValueList();
    const TValueRecord& value = TResultStore::AddValue(values, "\\K\\", "blob", kRegBinary, Counting(50));
    // 11 columns of name and type, then 22 bytes; 25 bytes on each line after.
    EXPECT_EQ(UndoValueLine(value),
              "\"blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
              "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\\r\n"
              "  2f,30,31");
}

TEST(UndoValueLine, CountsColumnsInUtf16UnitsOfTheName) {
    TValueList values = NewValueList();
    // Two units for the one character, as wide as "ab".
    const TValueRecord& wide = TResultStore::AddValue(values, "\\K\\", "\xF0\x9D\x84\x9E", kRegBinary, Counting(23));
    const TValueRecord& narrow = TResultStore::AddValue(values, "\\K\\", "ab", kRegBinary, Counting(23));
    const std::string wideLine = UndoValueLine(wide);
    const std::string narrowLine = UndoValueLine(narrow);
    EXPECT_EQ(wideLine.substr(wideLine.find('=')), narrowLine.substr(narrowLine.find('=')));
}

std::string Decode(const std::string& bytes) {
    EXPECT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE"));
    EXPECT_EQ(bytes.size() % 2, 0u);
    std::u16string units;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                       (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return Utf16ToUtf8(units);
}

class UndoScriptTest : public testing::Test {
protected:
    std::string Script() {
        std::ostringstream out(std::ios::binary);
        WriteUndoScript(out, FResults.Store, FRecording);
        return Decode(out.str());
    }
    // The script after its header, up to the first blank line after the
    // version line and the comments.
    std::string Body() {
        const std::string script = Script();
        const std::size_t comments = script.find("\r\n\r\n");
        return script.substr(script.find("\r\n\r\n", comments + 4) + 4);
    }

    TResultStore FResults;
    TRecordingInfo FRecording{"C:\\Setup\\setup.exe", 45000.5, 45000.75, false, false, kHashNone};
};

TEST_F(UndoScriptTest, IsUtf16WithBomAndCrLfAndSaysWhatItWasMadeFrom) {
    FResults.Root(TRegRoot::CurrentUser);
    FResults.Root(TRegRoot::LocalMachine);
    EXPECT_EQ(Script(), "Windows Registry Editor Version 5.00\r\n"
                        "\r\n"
                        "; Made by Quillborne v2.0 to take the registry back to where it stood before a recording.\r\n"
                        "; Program recorded: C:\\Setup\\setup.exe\r\n"
                        "; Recording started 2023-03-15T12:00:00.000, stopped 2023-03-15T18:00:00.000 (local "
                        "time).\r\n"
                        "; Only the changes the report's filter includes are undone; files are left alone.\r\n"
                        "; Not compared, so not undone: HKEY_USERS, HKEY_CLASSES_ROOT, HKEY_CURRENT_CONFIG.\r\n"
                        "; Created keys deleted: 0; deleted keys recreated: 0; created values deleted: 0; values "
                        "restored: 0.\r\n"
                        "\r\n");
}

TEST_F(UndoScriptTest, DeletesCreatedKeysDeepestFirstAndLeavesTheirValuesToThem) {
    TRootLists& user = FResults.Root(TRegRoot::CurrentUser);
    TResultStore::AddKey(user.KeysAfter, "\\Software\\App\\");
    TResultStore::AddKey(user.KeysAfter, "\\Software\\App\\Sub\\Deeper\\");
    TResultStore::AddKey(user.KeysAfter, "\\Software\\App\\Sub\\");
    TResultStore::AddKey(user.KeysAfter, "\\Software\\Hidden\\", false);
    TResultStore::AddValue(user.ValuesAfter, "\\Software\\App\\Sub\\", "v", kRegSz, EncodeRegString("x"));
    TRootLists& users = FResults.Root(TRegRoot::Users);
    TResultStore::AddKey(users.KeysAfter, "\\S-1-5-21\\Software\\App\\");
    EXPECT_EQ(Body(), "[-HKEY_CURRENT_USER\\Software\\App\\Sub\\Deeper]\r\n\r\n"
                      "[-HKEY_CURRENT_USER\\Software\\App\\Sub]\r\n\r\n"
                      "[-HKEY_USERS\\S-1-5-21\\Software\\App]\r\n\r\n"
                      "[-HKEY_CURRENT_USER\\Software\\App]\r\n\r\n");
}

TEST_F(UndoScriptTest, RecreatesDeletedKeysParentsFirstAndRestoresValuesInRegistryOrder) {
    TRootLists& machine = FResults.Root(TRegRoot::LocalMachine);
    TResultStore::AddKey(machine.KeysBefore, "\\Software\\Gone\\Child\\");
    TResultStore::AddKey(machine.KeysBefore, "\\Software\\Gone\\");
    // A snapshot files a key's values in the reverse of the registry's order.
    TResultStore::AddValue(machine.ValuesBefore, "\\Software\\Gone\\", "first", kRegSz, EncodeRegString("1"));
    TResultStore::AddValue(machine.ValuesBefore, "\\Software\\Gone\\", "", kRegDword, Bytes({2, 0, 0, 0}));
    TResultStore::AddValue(machine.ValuesBefore, "\\Software\\Gone\\", "filtered", kRegSz, EncodeRegString("3"), false);
    TResultStore::AddKey(machine.ModifiedKeysBefore, "\\Software\\Kept\\");
    TResultStore::AddKey(machine.ModifiedKeysAfter, "\\Software\\Kept\\");
    TResultStore::AddValue(machine.ModifiedValuesBefore, "\\Software\\Kept\\", "Version", kRegSz,
                           EncodeRegString("1.0"));
    TResultStore::AddValue(machine.ModifiedValuesAfter, "\\Software\\Kept\\", "Version", kRegDword,
                           Bytes({2, 0, 0, 0}));
    TResultStore::AddValue(machine.ValuesAfter, "\\Software\\Kept\\", "Added", kRegSz, EncodeRegString("new"));
    EXPECT_EQ(Body(), "[HKEY_LOCAL_MACHINE\\Software\\Gone]\r\n"
                      "@=dword:00000002\r\n"
                      "\"first\"=\"1\"\r\n"
                      "\r\n"
                      "[HKEY_LOCAL_MACHINE\\Software\\Gone\\Child]\r\n"
                      "\r\n"
                      "[HKEY_LOCAL_MACHINE\\Software\\Kept]\r\n"
                      "\"Added\"=-\r\n"
                      "\"Version\"=\"1.0\"\r\n"
                      "\r\n");
}

TEST_F(UndoScriptTest, UndoesOnlyIncludedRecordsAndOnlyComparedRoots) {
    TRootLists& user = FResults.Root(TRegRoot::CurrentUser);
    TResultStore::AddKey(user.KeysAfter, "\\Software\\Filtered\\", false);
    TResultStore::AddKey(user.KeysBefore, "\\Software\\FilteredToo\\", false);
    TResultStore::AddValue(user.ValuesAfter, "\\Software\\X\\", "filtered", kRegSz, EncodeRegString("x"), false);
    TResultStore::AddValue(user.ModifiedValuesBefore, "\\Software\\X\\", "m", kRegSz, EncodeRegString("a"), false);
    TResultStore::AddValue(user.ModifiedValuesAfter, "\\Software\\X\\", "m", kRegSz, EncodeRegString("b"), false);
    // Recorded before but never compared: its lists are whole snapshots.
    TRootLists& classes = FResults.Store.Root(TRegRoot::ClassesRoot);
    classes.Recorded = true;
    TResultStore::AddKey(classes.KeysBefore, "\\.txt\\");
    EXPECT_EQ(Body(), "");
}

TEST_F(UndoScriptTest, ACreatedValueUnderAKeyTheScriptDeletesIsNotWrittenAgain) {
    TRootLists& user = FResults.Root(TRegRoot::CurrentUser);
    TResultStore::AddKey(user.KeysAfter, "\\A\\");
    // Left out of the report by an ignore entry, but gone with its parent.
    TResultStore::AddKey(user.KeysAfter, "\\A\\Ignored\\", false);
    TResultStore::AddValue(user.ValuesAfter, "\\A\\Ignored\\", "v", kRegSz, EncodeRegString("x"));
    EXPECT_EQ(Body(), "[-HKEY_CURRENT_USER\\A]\r\n\r\n");
}

// Every line of the script, and whether the script has a CR or LF that
// does not end a line.
std::vector<std::string> Lines(const std::string& script, bool& strayBreak) {
    std::vector<std::string> lines;
    strayBreak = false;
    for (std::size_t start = 0; start < script.size();) {
        const std::size_t end = script.find("\r\n", start);
        lines.push_back(script.substr(start, end - start));
        strayBreak |= lines.back().find_first_of("\r\n") != std::string::npos;
        start = end == std::string::npos ? script.size() : end + 2;
    }
    return lines;
}

TEST_F(UndoScriptTest, NamesWithLineBreaksAreLeftOutWithAComment) {
    struct TCase {
        const char* What;
        std::function<void(TRootLists&)> Add;
        std::vector<std::string> Listed;
    };
    const TCase cases[] = {
        // Written as it is, its second line would delete all of HKEY_CURRENT_USER\Software.
        {"created key named to delete another",
         [](TRootLists& l) {
             TResultStore::AddKey(l.KeysAfter, "\\Software\\QuillborneTest\\x\n[-HKEY_CURRENT_USER\\");
             TResultStore::AddKey(l.KeysAfter, "\\Software\\QuillborneTest\\x\n[-HKEY_CURRENT_USER\\Software\\");
         },
         {"HKEY_CURRENT_USER\\Software\\QuillborneTest\\x\xE2\x90\x8A[-HKEY_CURRENT_USER",
          "HKEY_CURRENT_USER\\Software\\QuillborneTest\\x\xE2\x90\x8A[-HKEY_CURRENT_USER\\Software"}},
        {"deleted key",
         [](TRootLists& l) { TResultStore::AddKey(l.KeysBefore, "\\A\r\nB\\"); },
         {"HKEY_CURRENT_USER\\A\xE2\x90\x8D\xE2\x90\x8A"
          "B"}},
        {"created value",
         [](TRootLists& l) { TResultStore::AddValue(l.ValuesAfter, "\\K\\", "v\n[-HKEY_CURRENT_USER]", kRegSz, {}); },
         {"HKEY_CURRENT_USER\\K: \"v\xE2\x90\x8A[-HKEY_CURRENT_USER]\""}},
        {"value of a deleted key",
         [](TRootLists& l) {
             TResultStore::AddValue(l.ValuesBefore, "\\K\n\\", "", kRegDword, {1, 0, 0, 0});
         },
         {"HKEY_CURRENT_USER\\K\xE2\x90\x8A: @"}},
        {"modified value",
         [](TRootLists& l) {
             TResultStore::AddValue(l.ModifiedValuesBefore, "\\K\\", "v\r", kRegSz, EncodeRegString("1"));
             TResultStore::AddValue(l.ModifiedValuesAfter, "\\K\\", "v\r", kRegSz, EncodeRegString("2"));
         },
         {"HKEY_CURRENT_USER\\K: \"v\xE2\x90\x8D\""}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TResultStore results;
        c.Add(results.Root(TRegRoot::CurrentUser));
        std::ostringstream out(std::ios::binary);
        EXPECT_EQ(WriteUndoScript(out, results.Store, FRecording), c.Listed);
        bool strayBreak = true;
        const std::vector<std::string> lines = Lines(Decode(out.str()), strayBreak);
        EXPECT_FALSE(strayBreak);
        for (const std::string& listed : c.Listed) {
            EXPECT_THAT(lines, Contains(";   " + listed));
        }
        // Nothing but the version line, comments and blank lines.
        for (std::size_t i = 1; i < lines.size(); ++i) {
            EXPECT_TRUE(lines[i].empty() || lines[i].starts_with(';')) << lines[i];
        }
    }
}

TEST_F(UndoScriptTest, AStringTheRegistryEditorWouldGiveATerminatorIsNamedInAComment) {
    TRootLists& user = FResults.Root(TRegRoot::CurrentUser);
    TResultStore::AddKey(user.KeysBefore, "\\K\\");
    TResultStore::AddValue(user.ValuesBefore, "\\K\\", "zero inside", kRegSz, Bytes({'a', 0, 0, 0, 'b', 0, 0, 0}));
    TResultStore::AddValue(user.ValuesBefore, "\\K\\", "", kRegExpandSz, {});
    TResultStore::AddValue(user.ValuesBefore, "\\K\\", "odd", kRegSz, Bytes({'o', 0, 0, 0, 7}));
    TResultStore::AddValue(user.ValuesBefore, "\\K\\", "unterminated", kRegSz, Bytes({'o', 0, 'k', 0}));
    const std::string comment = " is a string stored without a terminating zero or with an odd length; the registry "
                                "editor adds a terminator when it imports it.\r\n";
    EXPECT_EQ(Body(), "[HKEY_CURRENT_USER\\K]\r\n"
                      "; Not exactly restorable: \"unterminated\"" +
                          comment +
                          "\"unterminated\"=hex(1):6f,00,6b,00\r\n"
                          "; Not exactly restorable: \"odd\"" +
                          comment +
                          "\"odd\"=hex(1):6f,00,00,00,07\r\n"
                          "; Not exactly restorable: @" +
                          comment +
                          "@=hex(2):\r\n"
                          "\"zero inside\"=hex(1):61,00,00,00,62,00,00,00\r\n"
                          "\r\n");
}

TEST(CreatedFilesList, ListsIncludedCreatedEntriesDeepestFirst) {
    TResultStore results;
    results.Store.FilesCompared = true;
    TFileList& after = results.Store.FilesAfter;
    TResultStore::AddFile(after, "C:\\App\\", 0);
    TResultStore::AddFile(after, "C:\\App\\bin\\", 0);
    TResultStore::AddFile(after, "C:\\App\\bin\\app.exe", 10);
    TResultStore::AddFile(after, "C:\\App\\readme.txt", 5);
    TResultStore::AddFile(after, "C:\\App\\ignored.log", 5, false);
    TResultStore::AddFile(after, "C:\\Zed.txt", 1);
    TResultStore::AddFile(results.Store.FilesBefore, "C:\\Deleted.txt", 1);
    std::ostringstream out;
    WriteCreatedFilesList(out, results.Store);
    EXPECT_EQ(out.str(), "C:\\App\\bin\\app.exe\r\n"
                         "C:\\App\\bin\\\r\n"
                         "C:\\App\\readme.txt\r\n"
                         "C:\\App\\\r\n"
                         "C:\\Zed.txt\r\n");
}

TEST(CreatedFilesList, IsEmptyWithoutAComparedScan) {
    TResultStore results;
    TResultStore::AddFile(results.Store.FilesAfter, "C:\\whole-scan.txt", 1);
    std::ostringstream out;
    WriteCreatedFilesList(out, results.Store);
    EXPECT_EQ(out.str(), "");
}

} // namespace
} // namespace quill
