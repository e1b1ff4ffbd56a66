#include "report/RegistrySection.h"

#include "report/tests/FixedReportLocale.h"
#include "report/tests/ReportTestSupport.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

// 1 November 2003 12:32:50.
constexpr TDateTime kNoonish = 37926.52280092593;

class RegistrySectionTest : public testing::Test {
protected:
    std::string Section() {
        const TRootChanges root{FKeysBefore,         FKeysAfter,         FValuesBefore,
                                FValuesAfter,        FModifiedKeysAfter, FModifiedValuesBefore,
                                FModifiedValuesAfter};
        return Render([&](TReportOutput& out) { WriteRootSection(out, FLocale, "HKEY_CURRENT_USER", root); });
    }

    void Modified(const std::string& keyPath, std::unique_ptr<TKeyRecord> key) {
        FModifiedKeysBefore.Add(keyPath, Key(1.0));
        FModifiedKeysAfter.Add(keyPath, std::move(key));
    }
    void ModifiedValue(const std::string& keyPath, std::unique_ptr<TValueRecord> before,
                       std::unique_ptr<TValueRecord> after) {
        FModifiedValuesBefore.Add(keyPath, std::move(before));
        FModifiedValuesAfter.Add(keyPath, std::move(after));
    }

    TFixedReportLocale FLocale;
    TKeyList FKeysBefore = NewKeyList();
    TKeyList FKeysAfter = NewKeyList();
    TValueList FValuesBefore = NewValueList();
    TValueList FValuesAfter = NewValueList();
    TKeyList FModifiedKeysBefore;
    TKeyList FModifiedKeysAfter;
    TValueList FModifiedValuesBefore;
    TValueList FModifiedValuesAfter;
};

constexpr const char* kKeysTable =
    R"(<table border="1" cellpadding="1" cellspacing="0" style="border-collapse: collapse" bordercolor="#C0C0C0" width="100%" bordercolorlight="#C0C0C0" bordercolordark="#C0C0C0">
<tr>
<td width="70%" bgcolor="#C0C0C0"><b>Key name</b></td>
<td width="13%" bgcolor="#C0C0C0"><b>Type of change</b></td>
<td width="17%" bgcolor="#C0C0C0"><b>Time</b></td>
</tr>
)";

constexpr const char* kValuesTable = R"(</table>
<table border="1" cellpadding="1" cellspacing="0" style="border-collapse: collapse" bordercolor="#C0C0C0" width="100%" bordercolorlight="#C0C0C0" bordercolordark="#C0C0C0">
<tr>
<td width="2%">&nbsp;</td>
<td width="18%" bgcolor="#C0C0C0"><b>Value name</b></td>
<td width="40%" bgcolor="#C0C0C0"><b>Old value</b></td>
<td width="40%" bgcolor="#C0C0C0"><b>New value</b></td>
</tr>
)";

TEST_F(RegistrySectionTest, CapturedRootWithoutChangesSaysSo) {
    FKeysBefore.Add("\\", nullptr);
    FKeysAfter.Add("\\", nullptr);
    EXPECT_EQ(Section(), "<h3>HKEY_CURRENT_USER</h3>\n"
                         "No changes were recorded, or they have all been filtered out.\n");
}

TEST_F(RegistrySectionTest, KeysFilteredOutLeaveTheLineSayingSo) {
    Modified("\\Software\\A\\", Key(kNoonish, false));
    FKeysBefore.Add("\\Software\\B\\", Key(kNoonish, false));
    FValuesBefore.Add("\\Software\\B\\", StringValue("x", "y"));
    EXPECT_EQ(Section(), "<h3>HKEY_CURRENT_USER</h3>\n"
                         "No changes were recorded, or they have all been filtered out.\n");
}

TEST_F(RegistrySectionTest, ModifiedKeyWithEveryKindOfValueChange) {
    Modified("\\Software\\Example\\", Key(kNoonish));
    ModifiedValue("\\Software\\Example\\", StringValue("", "old"), StringValue("", "new"));
    ModifiedValue("\\Software\\Example\\", Value("Blob", dtBinary, 16), Value("Blob", dtBinary, 16));
    FValuesBefore.Add("\\Software\\Example\\", IntegerValue("Count", -5));
    FValuesAfter.Add("\\Software\\Example\\", Value("Odd", dtUnknown, 3));
    EXPECT_EQ(Section(), std::string("<h3>HKEY_CURRENT_USER</h3>\n") + kKeysTable +
                             R"(<tr>
<td width="70%"><font size="2" color="#0000FF">\Software\Example\</font></td>
<td width="13%"><font color="#0000FF"><I>Modified</I></font></td>
<td width="17%"><font color="#0000FF">12:32:50</font></td>
</tr>
)" + kValuesTable + R"(<tr>
<td width="2%">&nbsp;</td>
<td width="18%"><font color="#0000FF"><I>(Default)</I></font></td>
<td width="40%"><font color="#0000FF">
old
</font></td>
<td width="40%"><font color="#0000FF">
new
</font></td></tr>
<tr>
<td width="2%">&nbsp;</td>
<td width="18%"><font color="#0000FF">Blob</font></td>
<td width="40%"><font color="#0000FF">
<I>Binary (16 bytes)</I>
</font></td>
<td width="40%"><font color="#0000FF">
<I>Binary (16 bytes)</I>
</font></td></tr>
<tr>
<td width="2%">&nbsp;</td>
<td width="18%"><font color="#FF0000">Count</font></td>
<td width="40%"><font color="#FF0000">
-5
</font></td><td width="40%"><font color="#FF0000"><I>Deleted</I></font></td></tr>
<tr>
<td width="2%">&nbsp;</td>
<td width="18%"><font color="#008080">Odd</font></td>
<td width="40%"><font color="#008080"><I>Created</I></font></td>
<td width="40%"><font color="#008080">
<I>Unknown type (3 bytes)</I>
</font></td></tr>
</table>
)");
}

TEST_F(RegistrySectionTest, KeyWhoseOnlyValueChangeWasFilteredKeepsAHeaderOnlyValueTable) {
    Modified("\\A\\", Key(0));
    ModifiedValue("\\A\\", StringValue("v", "1", false), StringValue("v", "2"));
    EXPECT_EQ(Section(), std::string("<h3>HKEY_CURRENT_USER</h3>\n") + kKeysTable +
                             R"(<tr>
<td width="70%"><font size="2" color="#0000FF">\A\</font></td>
<td width="13%"><font color="#0000FF"><I>Modified</I></font></td>
<td width="17%"><font color="#0000FF"><I>Unknown</I></font></td>
</tr>
)" + kValuesTable + "</table>\n");
}

TEST_F(RegistrySectionTest, KeysAfterValueRowsReopenTheKeysTable) {
    FKeysBefore.Add("\\Gone\\", Key(kNoonish));
    FValuesBefore.Add("\\Gone\\", StringValue("a", "1"));
    FKeysAfter.Add("\\New\\", Key(kNoonish));
    FValuesAfter.Add("\\New\\", StringValue("b", "2"));
    const std::string section = Section();
    std::size_t keyTables = 0;
    for (std::size_t at = section.find(kKeysTable); at != std::string::npos; at = section.find(kKeysTable, at + 1)) {
        ++keyTables;
    }
    EXPECT_EQ(keyTables, 2u);
    EXPECT_NE(section.find(R"(<td width="13%"><font color="#FF0000"><I>Deleted</I></font></td>)"), std::string::npos);
    EXPECT_NE(section.find(R"(<td width="13%"><font color="#008080"><I>Created</I></font></td>)"), std::string::npos);
    EXPECT_LT(section.find("\\Gone\\"), section.find("\\New\\"));
}

TEST_F(RegistrySectionTest, ModifiedValuesOfAKeyShowInListOrderWhereverTheyStand) {
    Modified("\\K\\", Key(kNoonish));
    Modified("\\L\\", Key(kNoonish));
    ModifiedValue("\\K\\", StringValue("first", "1"), StringValue("first", "2"));
    ModifiedValue("\\L\\", StringValue("other", "1"), StringValue("other", "2"));
    ModifiedValue("\\K\\", StringValue("second", "1"), StringValue("second", "2"));
    ModifiedValue("\\k\\", StringValue("third", "1"), StringValue("third", "2"));
    const std::string section = Section();
    const std::size_t first = section.find(">first<");
    const std::size_t second = section.find(">second<");
    const std::size_t third = section.find(">third<");
    const std::size_t otherKey = section.find("\\L\\");
    ASSERT_NE(third, std::string::npos);
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
    EXPECT_LT(third, otherKey);
}

TEST_F(RegistrySectionTest, HostileNamesAndDataAreEscapedInEveryColumn) {
    Modified("\\<script>alert(1)</script>\\", Key(kNoonish));
    ModifiedValue("\\<script>alert(1)</script>\\", StringValue("\"><img src=x onerror=alert(1)>", "&amp;"),
                  StringValue("\"><img src=x onerror=alert(1)>", std::string("a\0b\nc", 5)));
    const std::string section = Section();
    EXPECT_EQ(section.find("<script"), std::string::npos);
    EXPECT_EQ(section.find("<img"), std::string::npos);
    EXPECT_NE(section.find("\\&lt;script&gt;alert(1)&lt;/script&gt;\\"), std::string::npos);
    EXPECT_NE(section.find("&quot;&gt;&lt;img src=x onerror=alert(1)&gt;"), std::string::npos);
    EXPECT_NE(section.find("\n&amp;amp;\n"), std::string::npos);
    EXPECT_NE(section.find("\na\xE2\x90\x80"
                           "b\xE2\x90\x8A"
                           "c\n"),
              std::string::npos);
}

} // namespace
} // namespace quill
