#include "filter/RegWatch.h"

#include "common/TextCompare.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace quill {
namespace {

// The warnings file shipped beside the program: every section must name a
// key or value of a root and carry a message, or it would never warn or warn
// without saying why.
TEST(WarningsFile, EverySectionNamesAKeyOrValueOfARootAndHasAMessage) {
    std::ifstream file(QUILL_WARNINGS_FILE, std::ios::binary);
    ASSERT_TRUE(file) << QUILL_WARNINGS_FILE;
    std::stringstream text;
    text << file.rdbuf();
    const TIniFile ini = TIniFile::Parse(text.str());
    ASSERT_GT(ini.SectionNames().size(), 50u);
    for (const std::string& section : ini.SectionNames()) {
        SCOPED_TRACE(section);
        bool rooted = false;
        for (const TRegRoot root : kAllRoots) {
            const std::string prefix = std::string(RootName(root)) + "\\";
            rooted = rooted || section.starts_with(prefix);
        }
        EXPECT_TRUE(rooted);
        EXPECT_EQ(section.find("\\\\"), std::string::npos);
        const std::string message = ini.ReadString(section, "Message", "");
        EXPECT_GT(message.size(), 20u);
    }
}

} // namespace
} // namespace quill
