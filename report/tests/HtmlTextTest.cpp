#include "report/HtmlText.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

struct TEscapeCase {
    std::string Recorded;
    std::string Html;
};

class EscapeTest : public testing::TestWithParam<TEscapeCase> {};

TEST_P(EscapeTest, RecordedTextCannotAddMarkup) {
    std::string html;
    AppendEscaped(html, GetParam().Recorded);
    EXPECT_EQ(html, GetParam().Html);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, EscapeTest,
    testing::Values(TEscapeCase{"plain text", "plain text"},
                    TEscapeCase{"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
                    TEscapeCase{"\"><img src=x onerror=alert(1)>", "&quot;&gt;&lt;img src=x onerror=alert(1)&gt;"},
                    TEscapeCase{"&amp;", "&amp;amp;"}, TEscapeCase{"it's", "it&#39;s"},
                    TEscapeCase{"\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80",
                                "\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80"},
                    TEscapeCase{std::string("a\0b\nc\rd\te\x7F", 10), "a\xE2\x90\x80"
                                                                      "b\xE2\x90\x8A"
                                                                      "c\xE2\x90\x8D"
                                                                      "d\xE2\x90\x89"
                                                                      "e\xE2\x90\xA1"},
                    TEscapeCase{"a\xED\xA0\x80<", "a\xEF\xBF\xBD&lt;"},
                    TEscapeCase{"\xED\xB0\x80\xED\xBF\xBF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
                    TEscapeCase{"\xFF\xE4\xB8", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}));

struct TLinkCase {
    std::string Path;
    std::string Href;
};

class FileLinkTest : public testing::TestWithParam<TLinkCase> {};

TEST_P(FileLinkTest, AddressesTheFileWhateverItsName) {
    std::string href;
    AppendFileLink(href, GetParam().Path);
    EXPECT_EQ(href, GetParam().Href);
}

INSTANTIATE_TEST_SUITE_P(Paths, FileLinkTest,
                         testing::Values(TLinkCase{"C:\\Temp\\a.txt", "file:///C:/Temp/a.txt"},
                                         TLinkCase{"C:\\Temp\\a b.txt", "file:///C:/Temp/a%20b.txt"},
                                         TLinkCase{"C:\\100%\\#1?.txt", "file:///C:/100%25/%231%3F.txt"},
                                         TLinkCase{"C:\\\"q\"\\'s'.txt", "file:///C:/%22q%22/%27s%27.txt"},
                                         TLinkCase{"C:\\<b>&c.txt", "file:///C:/%3Cb%3E&amp;c.txt"},
                                         TLinkCase{"C:\\\xE4\xB8\xAD.txt", "file:///C:/%E4%B8%AD.txt"},
                                         TLinkCase{std::string("C:\\a\nb\0.txt", 11), "file:///C:/a%0Ab%00.txt"},
                                         TLinkCase{"\\\\server\\share\\f.txt", "file://///server/share/f.txt"}));

} // namespace
} // namespace quill
