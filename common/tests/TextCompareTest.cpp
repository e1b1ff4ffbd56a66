#include "common/TextCompare.h"

#include "common/Utf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace quill {
namespace {

int Sign(int v) {
    return (v > 0) - (v < 0);
}

struct TCompareCase {
    std::string A;
    std::string B;
    int Expected;
};

class CompareTextCases : public ::testing::TestWithParam<TCompareCase> {};

TEST_P(CompareTextCases, OrdersAndIsAntisymmetric) {
    const TCompareCase& c = GetParam();
    EXPECT_EQ(Sign(CompareText(c.A, c.B)), c.Expected);
    EXPECT_EQ(Sign(CompareText(c.B, c.A)), -c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CompareTextCases,
    ::testing::Values(
        TCompareCase{"", "", 0}, TCompareCase{"", "a", -1}, TCompareCase{"abc", "ABC", 0},
        TCompareCase{"Software\\Classes", "SOFTWARE\\classes", 0}, TCompareCase{"a", "b", -1},
        TCompareCase{"B", "a", 1},
        // Ordinal on upper case: '_' (0x5F) sorts after 'Z' (0x5A) but before 'a' folded.
        TCompareCase{"_", "z", 1}, TCompareCase{"\\", "A", 1}, TCompareCase{"abc", "abcd", -1},
        // Non-ASCII letters fold too.
        TCompareCase{"\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", 0},               // été / ÉTÉ
        TCompareCase{"\xD0\xBF\xD1\x80\xD0\xB8", "\xD0\x9F\xD0\xA0\xD0\x98", 0}, // при / ПРИ
        TCompareCase{"\xCE\xB1", "\xCE\x91", 0},                                 // α / Α
        // Sharp s has no single-character upper case: it stays itself.
        TCompareCase{"stra\xC3\x9F"
                     "e",
                     "STRASSE", 1},
        // Characters outside the Basic Multilingual Plane sort as their
        // surrogate pairs: after U+D7FF, before U+E000.
        TCompareCase{"\xF0\x9F\x98\x80", "\xED\x9F\xBF", 1}, TCompareCase{"\xF0\x9F\x98\x80", "\xEE\x80\x80", -1},
        TCompareCase{"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x81", -1},
        // Invalid bytes compare after every character, and by value.
        TCompareCase{"\xFF", "\xEF\xBF\xBF", 1}, TCompareCase{"\xFE", "\xFF", -1},
        // Embedded zeros are characters like others.
        TCompareCase{std::string("a\0b", 3), std::string("A\0B", 3), 0}, TCompareCase{std::string("a\0", 2), "a", 1},
        // After a long byte-identical beginning the texts first differ
        // inside a character: the whole character is compared.
        TCompareCase{"\\Software\\Classes\\\xC3\xA9t\xC3\xA9", "\\Software\\Classes\\\xC3\x89T\xC3\x89", 0},
        TCompareCase{"\\Software\\Classes\\\xC3\xA4", "\\Software\\Classes\\\xC3\xA5", -1},
        TCompareCase{"C:\\Program Files\\\xF0\x9F\x98\x80", "C:\\Program Files\\\xF0\x9F\x98\x81", -1},
        TCompareCase{"C:\\Program Files\\\xF0\x9F\x98\x80", "C:\\Program Files\\\xEE\x80\x80", -1},
        TCompareCase{"C:\\Program Files\\\xC3", "C:\\Program Files\\\xC3\xA9", 1},
        TCompareCase{"C:\\Program Files\\x", "C:\\Program Files\\", 1},
        TCompareCase{"C:\\Program Files\\a", "C:\\PROGRAM FILES\\B", -1}));

TEST(CompareText, SortingIsConsistentWithEquality) {
    std::vector<std::string> names = {
        "beta", "Alpha", "ALPHA", "\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", "zeta", "_x", "\xF0\x9F\x98\x80",
        "a\\b", "A\\B\\"};
    std::stable_sort(names.begin(), names.end(), TTextLess{});
    for (std::size_t i = 1; i < names.size(); ++i) {
        EXPECT_LE(CompareText(names[i - 1], names[i]), 0) << names[i - 1] << " / " << names[i];
    }
    // Equal texts end up next to each other, in their original order.
    const auto alpha = std::find(names.begin(), names.end(), "Alpha");
    ASSERT_NE(alpha, names.end());
    EXPECT_EQ(*(alpha + 1), "ALPHA");
}

TEST(CompareText, AsciiFastPathAgreesWithTheGeneralPath) {
    // Mixing an ASCII byte with a non-ASCII character takes the general path;
    // the order must be the same as between two ASCII bytes.
    EXPECT_LT(CompareText("a", "\xC3\xA9"), 0);
    EXPECT_LT(CompareText("Z", "\xC3\xA9"), 0);
    EXPECT_GT(CompareText("\xC3\xA9", "z"), 0);
}

TEST(TextHash, TakenInStepsAtWholeCharactersIsTheSame) {
    const std::string text = "C:\\\xC3\x89t\xC3\xA9\\\xF0\x9F\x93\x81\\x";
    for (std::size_t split : {0u, 3u, 5u, 8u, 9u, 13u, 15u}) {
        TTextHasher hasher;
        hasher.Append(text.substr(0, split));
        hasher.Append(text.substr(split));
        EXPECT_EQ(hasher.Hash(), TextHash(text)) << split;
    }
}

// Letters whose upper case is longer or shorter in UTF-8: U+017F (long s)
// and U+0131 (dotless i) fold onto ASCII, U+0250 onto a three-byte letter.
struct TPrefixCase {
    const char* Text;
    const char* Prefix;
    std::size_t Matched; // npos: no match
};

TEST(MatchTextPrefix, MatchesWhatSameTextFindsEqualWhateverTheByteLengths) {
    constexpr std::size_t kNone = std::string_view::npos;
    const TPrefixCase cases[] = {
        {"C:\\SOO\\x", "C:\\\xC5\xBFoo\\", 7},
        {"C:\\\xC5\xBFoo\\x", "C:\\SOO\\", 8},
        {"\\L\xC4\xB1ST\\", "\\LIST\\", 7},
        {"\\LIST\\", "\\l\xC4\xB1st", 5},
        {"\xE2\xB1\xAF"
         "a",
         "\xC9\x90", 3},
        {"abc", "", 0},
        {"abc", "ABC", 3},
        {"ab", "abc", kNone},
        {"C:\\SOOT\\", "C:\\\xC5\xBFoo\\", kNone},
        {"\xC3\xA9", "\xC3", kNone},
    };
    for (const TPrefixCase& c : cases) {
        EXPECT_EQ(MatchTextPrefix(c.Text, c.Prefix), c.Matched) << c.Text << " / " << c.Prefix;
        EXPECT_EQ(StartsWithText(c.Text, c.Prefix), c.Matched != kNone) << c.Text << " / " << c.Prefix;
    }
}

TEST(UpcaseChar, FoldsTheBasicPlaneOnly) {
    EXPECT_EQ(UpcaseChar(U'a'), U'A');
    EXPECT_EQ(UpcaseChar(U'\u00FF'), U'\u0178');
    EXPECT_EQ(UpcaseChar(U'\u0101'), U'\u0100');
    EXPECT_EQ(UpcaseChar(U'\u0100'), U'\u0100');
    EXPECT_EQ(UpcaseChar(U'1'), U'1');
    EXPECT_EQ(UpcaseChar(U'\U00010428'), U'\U00010428');
}

} // namespace
} // namespace quill
