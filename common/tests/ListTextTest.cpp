#include "common/ListText.h"

#include <gtest/gtest.h>

#include <random>

namespace quill {
namespace {

using TList = std::vector<std::string>;

struct TFormatCase {
    TList Items;
    std::string Text;
};

class FormatDelimitedListCases : public ::testing::TestWithParam<TFormatCase> {};

TEST_P(FormatDelimitedListCases, WritesAndReadsBack) {
    const TFormatCase& c = GetParam();
    EXPECT_EQ(FormatDelimitedList(c.Items), c.Text);
    EXPECT_EQ(ParseDelimitedList(c.Text), c.Items);
}

INSTANTIATE_TEST_SUITE_P(Table, FormatDelimitedListCases,
                         ::testing::Values(TFormatCase{{}, ""}, TFormatCase{{""}, "\"\""},
                                           TFormatCase{{"C:\\"}, "C:\\"}, TFormatCase{{"C:\\", "D:\\"}, "C:\\*D:\\"},
                                           TFormatCase{{"C:\\Program Files\\"}, "\"C:\\Program Files\\\""},
                                           TFormatCase{{"say \"hi\""}, "\"say \"\"hi\"\"\""},
                                           TFormatCase{{"a*b"}, "\"a*b\""}, TFormatCase{{"tab\there"}, "\"tab\there\""},
                                           TFormatCase{{"a", ""}, "a*"}, TFormatCase{{"", "a"}, "*a"},
                                           TFormatCase{{"", ""}, "*"}, TFormatCase{{"a", "", "b"}, "a**b"},
                                           TFormatCase{{"\""}, "\"\"\"\""}, TFormatCase{{"*"}, "\"*\""},
                                           TFormatCase{{"caf\xC3\xA9.exe", "setup.exe"}, "caf\xC3\xA9.exe*setup.exe"}));

struct TParseCase {
    std::string Text;
    TList Items;
};

class ParseDelimitedListCases : public ::testing::TestWithParam<TParseCase> {};

TEST_P(ParseDelimitedListCases, Reads) {
    EXPECT_EQ(ParseDelimitedList(GetParam().Text), GetParam().Items);
}

INSTANTIATE_TEST_SUITE_P(Table, ParseDelimitedListCases,
                         ::testing::Values(
                             // Blanks end an unquoted item, and the next character starts another.
                             TParseCase{"a b", {"a", "b"}}, TParseCase{"  a  *  b  ", {"a", "b"}},
                             TParseCase{"a *", {"a", ""}},
                             // A "*" followed by blanks is not the last character.
                             TParseCase{"a* ", {"a"}}, TParseCase{"   ", {}},
                             // Text straight after a closing quote starts the next item.
                             TParseCase{"\"a\"b", {"a", "b"}},
                             // An unclosed quote runs to the end.
                             TParseCase{"\"open", {"open"}}, TParseCase{"\"\"\"", {"\""}},
                             TParseCase{"\x01x\x1F*y", {"x", "y"}},
                             // A NUL character ends the text.
                             TParseCase{std::string("a*b\0*c", 6), {"a", "b"}}));

TEST(DelimitedList, RoundTripsArbitraryLists) {
    const std::string alphabet = "ab \"*\t\\:\xC3\xA9";
    std::mt19937 random(12345);
    for (int round = 0; round < 2000; ++round) {
        TList items(random() % 5);
        for (std::string& item : items) {
            const std::size_t length = random() % 6;
            for (std::size_t i = 0; i < length; ++i) {
                item += alphabet[random() % alphabet.size()];
            }
        }
        ASSERT_EQ(ParseDelimitedList(FormatDelimitedList(items)), items) << FormatDelimitedList(items);
    }
}

} // namespace
} // namespace quill
