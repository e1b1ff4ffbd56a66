#include "common/TextFile.h"

#include "common/Utf.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

// Stands in for the platform's ANSI code page: Latin-1, every byte its own
// code point.
std::string Latin1ToUtf8(std::string_view bytes) {
    std::string text;
    for (const char byte : bytes) {
        AppendUtf8(text, static_cast<unsigned char>(byte));
    }
    return text;
}

std::string Raw(std::initializer_list<unsigned char> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

struct TDecodeCase {
    const char* What;
    std::string Bytes;
    std::string Text;
};

TEST(DecodeFileText, ReadsEachEncodingAFileMayHave) {
    const TDecodeCase cases[] = {
        {"empty", "", ""},
        {"UTF-8 without mark", "[caf\xC3\xA9]\r\n", "[caf\xC3\xA9]\r\n"},
        {"UTF-8 with mark", "\xEF\xBB\xBF[caf\xC3\xA9]", "[caf\xC3\xA9]"},
        {"UTF-8 mark only", "\xEF\xBB\xBF", ""},
        {"ANSI", "[caf\xE9]", "[caf\xC3\xA9]"},
        {"ANSI after a UTF-8 mark",
         "\xEF\xBB\xBF"
         "caf\xE9",
         "caf\xC3\xA9"},
        {"UTF-16 LE", Raw({0xFF, 0xFE, '[', 0, 0xE9, 0, 0x16, 0x04, ']', 0}), "[\xC3\xA9\xD0\x96]"},
        {"UTF-16 BE", Raw({0xFE, 0xFF, 0, '[', 0, 0xE9, 0x04, 0x16, 0, ']'}), "[\xC3\xA9\xD0\x96]"},
        {"UTF-16 LE surrogate pair", Raw({0xFF, 0xFE, 0x3D, 0xD8, 0x00, 0xDE}), "\xF0\x9F\x98\x80"},
        {"UTF-16 LE mark only", Raw({0xFF, 0xFE}), ""},
        {"UTF-16 LE with a NUL", Raw({0xFF, 0xFE, 'a', 0, 0, 0, 'b', 0}), std::string("a\0b", 3)},
        {"UTF-16 LE cut short", Raw({0xFF, 0xFE, 'a', 0, 'b'}), "a\xEF\xBF\xBD"},
        {"UTF-16 LE without mark", Raw({'[', 0, 0x00, 0x4E, 0xE9, 0, ']', 0}), "[\xE4\xB8\x80\xC3\xA9]"},
        {"UTF-16 BE without mark", Raw({0, '[', 0x04, 0x16, 0, ']'}), "[\xD0\x96]"},
        {"UTF-8 with a stray NUL", std::string("[a]\r\n[b]\0\r\n", 11), std::string("[a]\r\n[b]\0\r\n", 11)},
    };
    for (const TDecodeCase& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(DecodeFileText(c.Bytes, Latin1ToUtf8), c.Text);
    }
}

} // namespace
} // namespace quill
