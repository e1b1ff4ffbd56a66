#include "commandline/CommandLine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quill {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

using TRoots = std::array<bool, std::size(kAllRoots)>;

TRoots RootsOf(std::initializer_list<TRegRoot> roots) {
    TRoots result{};
    for (const TRegRoot root : roots) {
        result[static_cast<std::size_t>(root)] = true;
    }
    return result;
}

TRecordOptions Parsed(const std::vector<std::string>& arguments) {
    TRecordOptions options;
    std::string error;
    EXPECT_TRUE(ParseRecordOptions(arguments, options, error)) << error;
    return options;
}

TEST(CommandLine, NoOptionFallsBackToEverySetting) {
    const TRecordOptions options = Parsed({});
    EXPECT_FALSE(options.Paths || options.Roots || options.Hash || options.TimeoutSeconds);
    EXPECT_TRUE(options.ReportFile.empty() && options.JsonFile.empty() && options.UndoFile.empty());
    EXPECT_FALSE(options.NoWatch || options.Quiet || options.Help);
    EXPECT_TRUE(options.Program.empty());
}

TEST(CommandLine, PathsTakeTheStoredListForm) {
    EXPECT_EQ(*Parsed({"-paths", R"(D:\a*"C:\Program Files"*)"}).Paths,
              (std::vector<std::string>{"D:\\a", "C:\\Program Files"}));
}

struct TRootsCase {
    std::string Text;
    TRoots Roots;
};

TEST(CommandLine, RootsTakeShortAndLongNamesInAnyCase) {
    const TRootsCase cases[] = {
        {"HKLM,HKCU", RootsOf({TRegRoot::LocalMachine, TRegRoot::CurrentUser})},
        {"hkcr, HKU ,hkcc", RootsOf({TRegRoot::ClassesRoot, TRegRoot::Users, TRegRoot::CurrentConfig})},
        {"HKEY_LOCAL_MACHINE,hkey_users", RootsOf({TRegRoot::LocalMachine, TRegRoot::Users})},
        {"none", RootsOf({})},
    };
    for (const TRootsCase& test : cases) {
        EXPECT_EQ(*Parsed({"-roots", test.Text}).Roots, test.Roots) << test.Text;
    }
}

TEST(CommandLine, EveryOtherOption) {
    const TRecordOptions options = Parsed({"-HASH", "SHA1", "-report", "C:\\r.html", "-json", "C:\\r.json", "-undo",
                                           "C:\\r.reg", "-timeout", "30", "-no-watch", "-quiet"});
    EXPECT_EQ(options.Hash, kHashSHA1);
    EXPECT_EQ(options.ReportFile, "C:\\r.html");
    EXPECT_EQ(options.JsonFile, "C:\\r.json");
    EXPECT_EQ(options.UndoFile, "C:\\r.reg");
    EXPECT_EQ(options.TimeoutSeconds, 30);
    EXPECT_TRUE(options.NoWatch);
    EXPECT_TRUE(options.Quiet);
    EXPECT_EQ(Parsed({"-hash", "md5"}).Hash, kHashMD5);
    EXPECT_EQ(Parsed({"-hash", "none"}).Hash, kHashNone);
    EXPECT_EQ(Parsed({"-timeout", "0"}).TimeoutSeconds, 0);
    EXPECT_TRUE(Parsed({"-help"}).Help);
    EXPECT_TRUE(Parsed({"/?"}).Help);
    EXPECT_EQ(Parsed({"-save-before", "C:\\b.qbcap"}).SaveBeforeFile, "C:\\b.qbcap");
    EXPECT_EQ(Parsed({"-AFTER", "C:\\b.qbcap", "-report", "C:\\r.html"}).AfterFile, "C:\\b.qbcap");
}

TEST(CommandLine, EverythingAfterTheSeparatorBelongsToTheProgram) {
    const TRecordOptions options = Parsed({"-quiet", "--", "C:\\setup.exe", "-quiet", "--", "/S"});
    EXPECT_EQ(options.Program, "C:\\setup.exe");
    EXPECT_EQ(options.Arguments, (std::vector<std::string>{"-quiet", "--", "/S"}));
}

struct TBadCase {
    std::vector<std::string> Arguments;
    std::string Named; // what the message starts with
};

TEST(CommandLine, BadValuesNameTheirOption) {
    const TBadCase cases[] = {
        {{"-paths"}, "-paths: needs a value"},
        {{"-paths", ""}, "-paths: names no directory"},
        {{"-paths", "*"}, "-paths: names no directory"},
        {{"-roots", "HKLM,HKXX"}, "-roots: \"HKXX\" is not a registry root"},
        {{"-roots", "HKLM,"}, "-roots: \"\" is not a registry root"},
        {{"-roots", ""}, "-roots: \"\" is not a registry root"},
        {{"-hash", "sha256"}, "-hash: \"sha256\" is not none, md5 or sha1"},
        {{"-report", " "}, "-report: names no file"},
        {{"-json", ""}, "-json: names no file"},
        {{"-undo", ""}, "-undo: names no file"},
        {{"-timeout", "-1"}, "-timeout: \"-1\" is not a number of seconds"},
        {{"-timeout", "ten"}, "-timeout: \"ten\" is not a number of seconds"},
        {{"-timeout", "2147484"}, "-timeout: \"2147484\" is not a number of seconds"},
        {{"-timeout"}, "-timeout: needs a value"},
        {{"-quiet", "-QUIET"}, "-QUIET: given more than once"},
        {{"-json", "a", "-json", "b"}, "-json: given more than once"},
        {{"-verbose"}, "-verbose: is not an option of -record"},
        {{"setup.exe"}, "\"setup.exe\": put -- before the program to record"},
        {{"--"}, "--: must be followed by the program to record"},
        {{"--", ""}, "--: must be followed by the program to record"},
        {{"-save-before", ""}, "-save-before: names no file"},
        {{"-after"}, "-after: needs a value"},
        {{"-save-before", "a", "-after", "b"}, "-save-before and -after: give one of them"},
        {{"-save-before", "a", "--", "setup.exe"}, "-save-before: records one side only"},
        {{"-after", "a", "-timeout", "5"}, "-after: records one side only"},
    };
    for (const TBadCase& test : cases) {
        TRecordOptions options;
        std::string error;
        EXPECT_FALSE(ParseRecordOptions(test.Arguments, options, error)) << test.Named;
        EXPECT_THAT(error, StartsWith(test.Named));
    }
}

TEST(CommandLine, UsageListsEveryOptionAndExitCode) {
    const std::string usage = RecordUsageText();
    for (const char* option : {"-paths", "-roots", "-hash", "-report", "-json", "-undo", "-timeout", "-no-watch",
                               "-quiet", "-help", "-save-before", "-after", "[-- program"}) {
        EXPECT_THAT(usage, HasSubstr(option));
    }
    for (const char* code : {"  0  ", "  1  ", "  2  ", "  3  ", "  4  ", "  5  ", "  6  "}) {
        EXPECT_THAT(usage, HasSubstr(code));
    }
}

struct TJoinCase {
    std::vector<std::string> Arguments;
    std::string Line;
};

TEST(CommandLine, JoinedArgumentsSplitBackAsGiven) {
    const TJoinCase cases[] = {
        {{"/S", "/D=C:\\x"}, R"(/S /D=C:\x)"},
        {{""}, R"("")"},
        {{"a b"}, R"("a b")"},
        {{"say \"hi\""}, R"("say \"hi\"")"},
        {{"C:\\dir\\"}, R"(C:\dir\)"},
        {{"C:\\my dir\\"}, R"("C:\my dir\\")"},
        {{"a\\\"b c"}, R"("a\\\"b c")"},
    };
    for (const TJoinCase& test : cases) {
        EXPECT_EQ(JoinCommandLine(test.Arguments), test.Line);
    }
}

} // namespace
} // namespace quill
