#include "filter/IgnoreList.h"

#include "common/TextCompare.h"
#include "common/TextFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quill {
namespace {

using ::testing::ElementsAre;

MATCHER_P2(IsEntry, text, checked, "") {
    return arg.Text == text && arg.Checked == checked;
}

// The ANSI code page of a Western system.
std::string Latin1(std::string_view bytes) {
    std::string text;
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        if (c < 0x80) {
            text += byte;
        } else {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return text;
}

const std::string kComment(kIgnoreFileComment);

TEST(IgnoreFile, RoundTripKeepsMarksOrderAndNamesOutsideTheBasicPlane) {
    const std::vector<TIgnoreEntry> entries{{"C:\\Temp", true},
                                            {"C:\\Users\\\xC3\xA9l\xC3\xA8ve\\\xF0\x9F\x93\x81", false},
                                            {"\\Software\\Example\\", true}};
    EXPECT_THAT(ParseIgnoreList(FormatIgnoreList(entries)),
                ElementsAre(IsEntry("C:\\Temp", true),
                            IsEntry("C:\\Users\\\xC3\xA9l\xC3\xA8ve\\\xF0\x9F\x93\x81", false),
                            IsEntry("\\Software\\Example\\", true)));
}

TEST(IgnoreFile, WritesTheCommentLineAroundOneMarkedLinePerEntry) {
    EXPECT_EQ(FormatIgnoreList({{"A", true}, {"b", false}}), kComment + "\r\n+A\r\n-b\r\n" + kComment + "\r\n");
}

struct TReadCase {
    const char* Name;
    std::string Bytes;
    std::vector<TIgnoreEntry> Expected;
};

class IgnoreFileRead : public ::testing::TestWithParam<TReadCase> {};

TEST_P(IgnoreFileRead, TakesEveryLineButBlankAndCommentLines) {
    const std::vector<TIgnoreEntry> read = ParseIgnoreList(DecodeFileText(GetParam().Bytes, Latin1));
    ASSERT_EQ(read.size(), GetParam().Expected.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].Text, GetParam().Expected[i].Text) << i;
        EXPECT_EQ(read[i].Checked, GetParam().Expected[i].Checked) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, IgnoreFileRead,
    ::testing::Values(
        TReadCase{"CrLf", kComment + "\r\n+a\r\n-b\r\n" + kComment + "\r\n", {{"a", true}, {"b", false}}},
        TReadCase{"Lf", kComment + "\n+a\n-b\n" + kComment + "\n", {{"a", true}, {"b", false}}},
        TReadCase{"CrOnly", kComment + "\r+a\r-b\r" + kComment + "\r", {{"a", true}, {"b", false}}},
        TReadCase{"MixedLineEnds",
                  "+a\r\n+b\r+c\n\r+d\n+e",
                  {{"a", true}, {"b", true}, {"c", true}, {"d", true}, {"e", true}}},
        TReadCase{"Utf16LeWithoutBom",
                  std::string(";\0\r\0+\0C\0:\0\\\0\xE9\0\r\0\n\0-\0b\0", 22),
                  {{"C:\\\xC3\xA9", true}, {"b", false}}},
        TReadCase{
            "Utf16BeWithoutBom", std::string("\0+\0a\0\r\0\n\0-\x04\x16", 12), {{"a", true}, {"\xD0\x96", false}}},
        TReadCase{"OnlyBlankLines", "\r\n  \r\n\t\r\n", {}},
        TReadCase{"Utf8Bom", "\xEF\xBB\xBF" + kComment + "\r\n+\xC3\xA9t\xC3\xA9\r\n", {{"\xC3\xA9t\xC3\xA9", true}}},
        TReadCase{"Utf16Bom", std::string("\xFF\xFE+\0a\0\r\0\n\0", 10), {{"a", true}}},
        TReadCase{"NoClosingComment", kComment + "\r\n+a\r\n+last", {{"a", true}, {"last", true}}},
        TReadCase{"LastLineEndedWithoutComment", "+a\r\n+last\r\n", {{"a", true}, {"last", true}}},
        TReadCase{"OneLine", "+only", {{"only", true}}}, TReadCase{"OnlyTheComment", kComment, {}},
        TReadCase{"Empty", "", {}}, TReadCase{"NoMark", "C:\\Temp\r\n", {{":\\Temp", false}}},
        TReadCase{"BlanksAroundMarkAndText", "  \t+  C:\\Temp  \r\n", {{"C:\\Temp", true}}},
        TReadCase{"BlankAndIndentedCommentLines", "   \r\n\t; note\r\n+a\r\n", {{"a", true}}},
        TReadCase{"OtherMarkUnchecked", "*a\r\n", {{"a", false}}},
        TReadCase{"DuplicatesKept", "+a\r\n-A\r\n", {{"a", true}, {"A", false}}},
        TReadCase{"AnsiFallback", "+caf\xE9\r\n", {{"caf\xC3\xA9", true}}}),
    [](const auto& info) { return std::string(info.param.Name); });

struct TStripCase {
    const char* Typed;
    const char* Stripped;
};

class StripRootNameCase : public ::testing::TestWithParam<TStripCase> {};

TEST_P(StripRootNameCase, RemovesALeadingRootNameLongOrShort) {
    EXPECT_EQ(StripRootName(GetParam().Typed), GetParam().Stripped);
}

INSTANTIATE_TEST_SUITE_P(
    Names, StripRootNameCase,
    ::testing::Values(TStripCase{"HKEY_CLASSES_ROOT\\.txt", "\\.txt"},
                      TStripCase{"hkey_current_user\\Software", "\\Software"},
                      TStripCase{"HKEY_LOCAL_MACHINE\\Software", "\\Software"},
                      TStripCase{"HKEY_USERS\\.DEFAULT", "\\.DEFAULT"},
                      TStripCase{"HKEY_CURRENT_CONFIG\\System", "\\System"}, TStripCase{"HKEY_LOCAL_MACHINE", ""},
                      TStripCase{"HKLM\\Software", "\\Software"}, TStripCase{"hkcu\\Software", "\\Software"},
                      TStripCase{"HkCr\\.txt", "\\.txt"}, TStripCase{"HKU\\.DEFAULT", "\\.DEFAULT"},
                      TStripCase{"HKCC\\System", "\\System"}, TStripCase{"HKLM", ""},
                      TStripCase{"HKUpdate\\Key", "HKUpdate\\Key"}, TStripCase{"HKLMx\\Key", "HKLMx\\Key"},
                      TStripCase{"\\Software\\HKLM\\", "\\Software\\HKLM\\"}, TStripCase{"Software", "Software"}));

struct TFormCase {
    TIgnoreKind Kind;
    const char* Typed;
    const char* Stored; // null: rejected
};

class AddStepForm : public ::testing::TestWithParam<TFormCase> {};

TEST_P(AddStepForm, BringsTheTypedTextToTheKindsForm) {
    const std::optional<std::string> form = IgnoreEntryForm(GetParam().Kind, GetParam().Typed);
    if (GetParam().Stored == nullptr) {
        EXPECT_FALSE(form) << *form;
    } else {
        EXPECT_EQ(form.value_or("<rejected>"), GetParam().Stored);
    }
}

using enum TIgnoreKind;

INSTANTIATE_TEST_SUITE_P(
    Kinds, AddStepForm,
    ::testing::Values(TFormCase{Files, " C:\\Temp\\a.log ", "C:\\Temp\\a.log"},
                      TFormCase{Files, "C:\\Temp\\a.log\\", "C:\\Temp\\a.log"},
                      TFormCase{Directories, "C:\\Windows\\Temp\\", "C:\\Windows\\Temp"},
                      TFormCase{Directories, "C:\\", "C:"}, TFormCase{Directories, "C", nullptr},
                      TFormCase{Keys, "HKEY_LOCAL_MACHINE\\Software\\Example", "\\Software\\Example\\"},
                      TFormCase{Keys, "hkey_local_machine\\Software\\Example\\", "\\Software\\Example\\"},
                      TFormCase{Keys, "Software\\Example", "\\Software\\Example\\"},
                      TFormCase{Keys, "HKLM\\Software\\Example", "\\Software\\Example\\"},
                      TFormCase{Keys, "hkcu\\Software\\Example", "\\Software\\Example\\"},
                      TFormCase{Keys, "HKEY_LOCAL_MACHINE", nullptr}, TFormCase{Keys, "HKLM", nullptr},
                      TFormCase{Keys, "\\", nullptr},
                      TFormCase{Values, "HKEY_CURRENT_USER\\Software\\Example\\Name\\", "\\Software\\Example\\Name\\"},
                      TFormCase{Values, "Software\\Example\\", "\\Software\\Example\\"},
                      TFormCase{Values, "HKCU\\Software\\Example\\Name", "\\Software\\Example\\Name"},
                      TFormCase{Values, "Software\\Example\\Name", "\\Software\\Example\\Name"},
                      TFormCase{Values, "HKU\\", nullptr}, TFormCase{static_cast<TIgnoreKind>(9), "x\\", "x\\"},
                      TFormCase{static_cast<TIgnoreKind>(9), "x", nullptr}));

struct TExpandCase {
    const char* Text;
    const char* Expanded;
};

class ExpandVariablesCase : public ::testing::TestWithParam<TExpandCase> {};

TEST_P(ExpandVariablesCase, ReplacesSetVariablesAndKeepsTheRest) {
    const auto lookup = [](std::string_view name) -> std::optional<std::string> {
        if (SameText(name, "SystemRoot")) {
            return "C:\\WINDOWS";
        }
        if (name == "EMPTY") {
            return "";
        }
        return std::nullopt;
    };
    EXPECT_EQ(ExpandVariables(GetParam().Text, lookup), GetParam().Expanded);
}

INSTANTIATE_TEST_SUITE_P(Texts, ExpandVariablesCase,
                         ::testing::Values(TExpandCase{"%SystemRoot%\\Temp", "C:\\WINDOWS\\Temp"},
                                           TExpandCase{"%systemroot%%SYSTEMROOT%", "C:\\WINDOWSC:\\WINDOWS"},
                                           TExpandCase{"a%EMPTY%b", "ab"}, TExpandCase{"%Unset%\\x", "%Unset%\\x"},
                                           TExpandCase{"50%%SystemRoot%", "50%C:\\WINDOWS"},
                                           TExpandCase{"100%", "100%"}, TExpandCase{"C:\\Plain", "C:\\Plain"}));

} // namespace
} // namespace quill
