#include "common/win32/WinText.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace quill {
namespace {

TEST(WinText, ConvertsAtTheWideBoundary) {
    EXPECT_EQ(Wide("caf\xC3\xA9 \xF0\x9F\x98\x80"), L"caf\u00E9 \U0001F600");
    EXPECT_EQ(Narrow(L"caf\u00E9 \U0001F600"), "caf\xC3\xA9 \xF0\x9F\x98\x80");
}

TEST(DecodeFileText, TakesUtf8WithOrWithoutBomAndFallsBackToTheAnsiCodePage) {
    EXPECT_EQ(DecodeFileText("\xEF\xBB\xBF"
                             "caf\xC3\xA9"),
              "caf\xC3\xA9");
    EXPECT_EQ(DecodeFileText("caf\xC3\xA9"), "caf\xC3\xA9");
    // Text that is not UTF-8 is read in the ANSI code page, whatever it is.
    wchar_t expected[8] = {};
    const int length = ::MultiByteToWideChar(CP_ACP, 0, "caf\xE9", 4, expected, 8);
    EXPECT_EQ(DecodeFileText("caf\xE9"), Narrow(expected, static_cast<std::size_t>(length)));
}

} // namespace
} // namespace quill
