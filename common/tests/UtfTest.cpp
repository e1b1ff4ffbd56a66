#include "common/Utf.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

TEST(Utf, RoundTripsEveryKindOfCharacter) {
    const std::u16string samples[] = {
        u"", u"plain", u"caf\u00E9", u"\u0416\u4E2D", u"\U0001F600 smile", std::u16string(u"a\0b", 3),
    };
    for (const std::u16string& s : samples) {
        EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(s)), s);
    }
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(Utf, KeepsUnpairedSurrogatesSoNamesConvertBack) {
    // Registry and NTFS names may hold any code unit.
    const std::u16string lone = {u'a', char16_t(0xD800), u'b', char16_t(0xDC01)};
    const std::string narrow = Utf16ToUtf8(lone);
    EXPECT_EQ(Utf8ToUtf16(narrow), lone);
    EXPECT_TRUE(IsValidUtf8(narrow));
}

TEST(Utf, ShowsUnpairedSurrogatesAsReplacementCharacterWhenAsked) {
    const std::u16string lone = {u'a', char16_t(0xD800), u'b', char16_t(0xDC01), char16_t(0xD83D), char16_t(0xDE00)};
    EXPECT_EQ(Utf16ToUtf8(lone, TLoneSurrogates::Replace), "a\xEF\xBF\xBD"
                                                           "b\xEF\xBF\xBD\xF0\x9F\x98\x80");
}

TEST(Utf, ReplacesBytesThatAreNotUtf8) {
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xC0\x80"), u"\uFFFD\uFFFD"); // overlong
}

TEST(Utf, TellsValidUtf8FromAnsiText) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("C:\\Program Files\\caf\xC3\xA9"));
    EXPECT_FALSE(IsValidUtf8("caf\xE9")); // Windows-1252
    EXPECT_FALSE(IsValidUtf8("\xF5\x80\x80\x80"));
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")); // above U+10FFFF
}

TEST(Utf, StripsByteOrderMark) {
    EXPECT_EQ(WithoutBom("\xEF\xBB\xBFtext"), "text");
    EXPECT_EQ(WithoutBom("text"), "text");
    EXPECT_EQ(WithoutBom("\xEF\xBB"), "\xEF\xBB");
}

} // namespace
} // namespace quill
