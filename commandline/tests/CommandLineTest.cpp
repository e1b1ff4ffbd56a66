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

struct TPathsCase {
    std::vector<std::string> Arguments;
    std::vector<std::string> Paths;
};

TEST(CommandLine, PathsSplitOnlyAtStarsAndAddUpWithEachPath) {
    using TList = std::vector<std::string>;
    const TPathsCase cases[] = {
        {{"-paths", R"(C:\Program Files)"}, {"C:\\Program Files"}},
        {{"-paths", R"(D:\a* C:\Program Files *)"}, {"D:\\a", "C:\\Program Files"}},
        {{"-paths", R"(D:\a*"C:\Program Files"*)"}, {"D:\\a", "C:\\Program Files"}},
        {{"-paths", R"(**D:\my  dir**)"}, {"D:\\my  dir"}},
        {{"-path", R"(C:\Program Files)"}, {"C:\\Program Files"}},
        {{"-path", R"("C:\Program Files")"}, {"C:\\Program Files"}},
        {{"-path", "D:\\a", "-PATH", "D:\\b"}, {"D:\\a", "D:\\b"}},
        {{"-path", "D:\\a", "-paths", "D:\\b*D:\\c", "-path", "D:\\d"}, {"D:\\a", "D:\\b", "D:\\c", "D:\\d"}},
    };
    for (const TPathsCase& test : cases) {
        EXPECT_EQ(Parsed(test.Arguments).Paths, TList(test.Paths)) << test.Arguments.back();
    }
}

struct TDirectoryCase {
    std::vector<std::string> Arguments;
    std::string Error; // empty: accepted
};

TEST(CommandLine, ADirectoryToScanThatIsNotThereIsNamed) {
    const auto stateOf = [](const std::string& path) {
        return path == "D:\\gone"       ? TDirectoryState::Missing
               : path == "D:\\file.txt" ? TDirectoryState::NotADirectory
                                        : TDirectoryState::Directory;
    };
    const TDirectoryCase cases[] = {
        {{}, ""},
        {{"-paths", "C:\\Program Files*D:\\a"}, ""},
        {{"-path", "D:\\a", "-path", "D:\\gone"}, "The directory to scan \"D:\\gone\" does not exist."},
        {{"-paths", "D:\\file.txt*D:\\gone"}, "\"D:\\file.txt\" is a file, not a directory to scan."},
    };
    for (const TDirectoryCase& test : cases) {
        std::string error;
        EXPECT_EQ(CheckScanDirectories(Parsed(test.Arguments), stateOf, error), test.Error.empty()) << test.Error;
        EXPECT_EQ(error, test.Error);
    }
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
    EXPECT_EQ(Parsed({"-json", "C:\\r.json", "-Compare", "C:\\a.qbcap", "C:\\b.qbcap"}).CompareFiles,
              (std::vector<std::string>{"C:\\a.qbcap", "C:\\b.qbcap"}));
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
        {{"-paths", " \"\" * "}, "-paths: names no directory"},
        {{"-path", " "}, "-path: names no directory"},
        {{"-path"}, "-path: needs a value"},
        {{"-paths", "D:\\a", "-paths", "D:\\b"}, "-paths: given more than once"},
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
        {{"-compare", "a"}, "-compare: needs two saved before sides"},
        {{"-package", " "}, "-package: names no file"},
        {{"-save-before", "a", "-package", "p"}, "-package: packages what changed"},
        {{"-compare", "a", " "}, "-compare: names no file"},
        {{"-compare", "a", "b", "-compare", "c", "d"}, "-compare: given more than once"},
        {{"-compare", "a", "b", "-paths", "C:\\"}, "-compare: records nothing, so -paths and -path cannot"},
        {{"-roots", "HKLM", "-compare", "a", "b"}, "-compare: records nothing, so -roots cannot"},
        {{"-compare", "a", "b", "-after", "c"}, "-compare: records nothing, so -after cannot"},
        {{"-compare", "a", "b", "--", "setup.exe"}, "-compare: records nothing, so a program after -- cannot"},
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
    for (const char* option :
         {"-paths", "-path ", "-roots", "-hash", "-report", "-json", "-undo", "-timeout", "-no-watch", "-quiet",
          "-help", "-save-before", "-after", "[-- program", "-compare", "-package"}) {
        EXPECT_THAT(usage, HasSubstr(option));
    }
    for (const char* code :
         {"  0  ", "  1  ", "  2  ", "  3  ", "  4  ", "  5  ", "  6  ", "  7  ", "  8  ", "  9  "}) {
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
