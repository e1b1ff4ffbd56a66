#include "common/win32/tests/TempDirectory.h"

#include "common/win32/LongPath.h"
#include "common/win32/SystemMessage.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/Win32LocalTime.h"
#include "common/win32/WinText.h"
#include "snapshot/Hashing.h"
#include "snapshot/TreeScan.h"
#include "snapshot/win32/Win32FileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace quill {
namespace {

constexpr char kMD5Abc[] = "900150983CD24FB0D6963F7D28E17F72";
constexpr char kSHA1Abc[] = "A9993E364706816ABA3E25717850C26C9CD0D89D";

std::vector<std::string> Held(const TFileList& list, std::size_t cut) {
    std::vector<std::string> texts;
    for (const auto& item : list) {
        if (item.Record) {
            texts.push_back(item.Text.substr(cut));
        }
    }
    return texts;
}

std::vector<std::string> Texts(const TFileList& list, std::size_t cut) {
    std::vector<std::string> texts;
    for (const auto& item : list) {
        texts.push_back(item.Text.substr(cut));
    }
    return texts;
}

class Win32FileScan : public ::testing::Test {
protected:
    test::TTempDirectory Temp{"QuillborneScanTest"};
    TWin32FileSystem FS;
    TWin32LocalTime Time;
    TCaptureNotes Notes;

    TFileList ScanAndHash(THashKind kind) {
        TFileList files(TListOrder::Sorted, TDuplicates::Refuse);
        TTreeScanner scanner(files, FS, Time, Notes);
        scanner.Scan(Temp.Path(), true);
        if (kind != kHashNone) {
            THashing hashing(kind, files, FS, Notes);
            hashing.HashAll();
        }
        return files;
    }

    const TFileScan* Record(const TFileList& files, const std::string& relative) {
        std::size_t index = 0;
        return files.Find(Temp.Path() + relative, index) ? files.Record(index) : nullptr;
    }

    std::wstring Wpath(const std::string& relative) const { return LongPathForm(Temp.Path() + relative); }
};

TEST_F(Win32FileScan, FindsCreatedDeletedModifiedAndReattributedFiles) {
    ASSERT_TRUE(Temp.MakeDirectory("Sub\\Empty"));
    ASSERT_TRUE(Temp.WriteFile("keep.txt", "keep"));
    ASSERT_TRUE(Temp.WriteFile("delete.txt", "delete"));
    ASSERT_TRUE(Temp.WriteFile("modify.txt", "aaaa"));
    ASSERT_TRUE(Temp.WriteFile("attrib.txt", "attrib"));
    ASSERT_TRUE(Temp.WriteFile("Sub\\inner.txt", "inner"));
    TFileList before = ScanAndHash(kHashMD5);
    EXPECT_EQ(Texts(before, Temp.Path().size()),
              (std::vector<std::string>{"attrib.txt", "delete.txt", "keep.txt", "modify.txt", "Sub\\", "Sub\\Empty\\",
                                        "Sub\\inner.txt"}));
    const TFileScan* sub = Record(before, "Sub\\");
    ASSERT_NE(sub, nullptr);
    EXPECT_NE(sub->Attributes & kAttrDirectory, 0u);
    EXPECT_GT(sub->Date, 40000.0); // a real local date, like a file's
    EXPECT_EQ(sub->Hash, "");

    // Same size and last-write time, other content: only the digest tells.
    FILETIME written{};
    {
        TUniqueFile file(::CreateFileW(Wpath("modify.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file);
        ASSERT_TRUE(::GetFileTime(file.Get(), nullptr, nullptr, &written));
    }
    ASSERT_TRUE(Temp.WriteFile("modify.txt", "bbbb"));
    {
        TUniqueFile file(
            ::CreateFileW(Wpath("modify.txt").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file);
        ASSERT_TRUE(::SetFileTime(file.Get(), nullptr, nullptr, &written));
    }
    ASSERT_TRUE(::DeleteFileW(Wpath("delete.txt").c_str()));
    ASSERT_TRUE(Temp.WriteFile("new.txt", "new"));
    ASSERT_TRUE(::SetFileAttributesW(Wpath("attrib.txt").c_str(), FILE_ATTRIBUTE_READONLY));

    TFileList after = ScanAndHash(kHashMD5);
    TFileList modifiedBefore;
    TFileList modifiedAfter;
    CompareScans(before, after, modifiedBefore, modifiedAfter);
    const std::size_t cut = Temp.Path().size();
    EXPECT_EQ(Held(before, cut), std::vector<std::string>{"delete.txt"});
    EXPECT_EQ(Held(after, cut), std::vector<std::string>{"new.txt"});
    EXPECT_EQ(Texts(modifiedBefore, cut), (std::vector<std::string>{"attrib.txt", "modify.txt"}));
    ASSERT_EQ(modifiedAfter.Count(), 2u);
    EXPECT_NE(modifiedAfter.Record(0)->Attributes & kAttrReadOnly, 0u);
    EXPECT_EQ(modifiedBefore.Record(0)->Attributes & kAttrReadOnly, 0u);
    const TFileScan& oldContent = *modifiedBefore.Record(1);
    const TFileScan& newContent = *modifiedAfter.Record(1);
    EXPECT_EQ(oldContent.Size, newContent.Size);
    EXPECT_EQ(oldContent.Date, newContent.Date);
    EXPECT_EQ(oldContent.Attributes, newContent.Attributes);
    EXPECT_NE(oldContent.Hash, newContent.Hash);
    EXPECT_EQ(oldContent.Hash.size(), 32u);
    EXPECT_TRUE(Notes.Empty());
}

TEST_F(Win32FileScan, AbcGetsThePublishedDigests) {
    ASSERT_TRUE(Temp.WriteFile("abc.txt", "abc"));
    ASSERT_TRUE(Temp.WriteFile("empty.txt", ""));
    TFileList md5 = ScanAndHash(kHashMD5);
    EXPECT_EQ(Record(md5, "abc.txt")->Hash, kMD5Abc);
    EXPECT_EQ(Record(md5, "empty.txt")->Hash, "");
    TFileList sha1 = ScanAndHash(kHashSHA1);
    EXPECT_EQ(Record(sha1, "abc.txt")->Hash, kSHA1Abc);
}

TEST_F(Win32FileScan, FileHeldWithoutReadSharingGetsNoDigestAndHashingGoesOn) {
    ASSERT_TRUE(Temp.WriteFile("a-locked.txt", "abc"));
    ASSERT_TRUE(Temp.WriteFile("b-free.txt", "abc"));
    TUniqueFile holder(
        ::CreateFileW(Wpath("a-locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    TFileList files = ScanAndHash(kHashSHA1);
    EXPECT_EQ(Record(files, "a-locked.txt")->Hash, "");
    EXPECT_EQ(Record(files, "b-free.txt")->Hash, kSHA1Abc);
    EXPECT_EQ(Notes.Lines(), std::vector<std::string>{"Could not hash: " + Temp.Path() + "a-locked.txt (" +
                                                      SystemMessage(ERROR_SHARING_VIOLATION) + ")"});
}

TEST_F(Win32FileScan, FileHeldForWritingWithReadSharingIsHashed) {
    ASSERT_TRUE(Temp.WriteFile("log.txt", "abc"));
    TUniqueFile writer(::CreateFileW(Wpath("log.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer);
    TFileList files = ScanAndHash(kHashMD5);
    EXPECT_EQ(Record(files, "log.txt")->Hash, kMD5Abc);
}

TEST_F(Win32FileScan, PathsLongerThan260CharactersAreScannedAndHashed) {
    std::string relative;
    for (int i = 0; i < 12; ++i) {
        relative += std::string(30, static_cast<char>('a' + i)) + "\\";
    }
    ASSERT_TRUE(Temp.MakeDirectory(relative.substr(0, relative.size() - 1)));
    ASSERT_TRUE(Temp.WriteFile(relative + "deep.txt", "abc"));
    ASSERT_GT((Temp.Path() + relative + "deep.txt").size(), 300u);
    TFileList files = ScanAndHash(kHashMD5);
    const TFileScan* deep = Record(files, relative + "deep.txt");
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(deep->Size, 3);
    EXPECT_EQ(deep->Hash, kMD5Abc);
    EXPECT_EQ(files.Count(), 13u);
    EXPECT_TRUE(Notes.Empty());
}

TEST_F(Win32FileScan, NonAsciiNamesRoundTrip) {
    const std::string name = "\xC3\x84rger \xE2\x82\xAC \xF0\x9F\x98\x80.txt"; // Ärger € U+1F600
    ASSERT_TRUE(Temp.WriteFile(name, "abc"));
    TFileList files = ScanAndHash(kHashMD5);
    const TFileScan* record = Record(files, name);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->Hash, kMD5Abc);
}

TEST_F(Win32FileScan, SizesBeyond32BitsAreListedWhole) {
    {
        TUniqueFile file(::CreateFileW(Wpath("sparse.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        LARGE_INTEGER size;
        size.QuadPart = (LONGLONG{5} << 30) + 7;
        ASSERT_TRUE(::SetFilePointerEx(file.Get(), size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(::SetEndOfFile(file.Get()));
    }
    TFileList files = ScanAndHash(kHashNone);
    const TFileScan* record = Record(files, "sparse.bin");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->Size, (std::int64_t{5} << 30) + 7);
}

TEST_F(Win32FileScan, DirectoryLinksAreRecordedButNotEntered) {
    ASSERT_TRUE(Temp.MakeDirectory("Real"));
    ASSERT_TRUE(Temp.WriteFile("Real\\file.txt", "x"));
    // A link back to its own parent: entering it would never end.
    if (!::CreateSymbolicLinkW(Wpath("Real\\Loop").c_str(), Wpath("Real").c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY)) {
        GTEST_SKIP() << "directory links cannot be created here (error " << ::GetLastError() << ")";
    }
    TFileList files = ScanAndHash(kHashNone);
    const TFileScan* loop = Record(files, "Real\\Loop\\");
    if (loop == nullptr) {
        GTEST_SKIP() << "the link is not listed as a directory";
    }
    if ((loop->Attributes & kAttrReparsePoint) == 0) {
        GTEST_SKIP() << "the file system does not mark the link as a reparse point";
    }
    EXPECT_EQ(Texts(files, Temp.Path().size()), (std::vector<std::string>{"Real\\", "Real\\file.txt", "Real\\Loop\\"}));
}

TEST_F(Win32FileScan, UnlistablePathsAreNotedWithTheSystemsReason) {
    const struct {
        const char* Relative;
        unsigned long Error;
    } cases[] = {
        {"missing", ERROR_PATH_NOT_FOUND},
        {"bad|name", ERROR_INVALID_NAME},
    };
    for (const auto& c : cases) {
        Notes.Clear();
        TFileList files(TListOrder::Sorted, TDuplicates::Refuse);
        TTreeScanner scanner(files, FS, Time, Notes);
        scanner.Scan(Temp.Path() + c.Relative, true);
        EXPECT_TRUE(files.Empty()) << c.Relative;
        EXPECT_EQ(Notes.Lines(), std::vector<std::string>{"Could not list: " + Temp.Path() + c.Relative + "\\ (" +
                                                          SystemMessage(c.Error) + ")"});
    }
}

TEST(Win32FileSystemErrors, OnlyMissingFilesAndPathsAreNotFound) {
    const struct {
        unsigned long Error;
        TFsStatus Status;
    } cases[] = {
        {ERROR_FILE_NOT_FOUND, TFsStatus::NotFound}, {ERROR_PATH_NOT_FOUND, TFsStatus::NotFound},
        {ERROR_INVALID_NAME, TFsStatus::Failed},     {ERROR_NOT_READY, TFsStatus::Failed},
        {ERROR_BAD_NETPATH, TFsStatus::Failed},      {ERROR_ACCESS_DENIED, TFsStatus::AccessDenied},
    };
    for (const auto& c : cases) {
        const TFsResult result = FsErrorResult(c.Error);
        EXPECT_EQ(result.Status, c.Status) << c.Error;
        EXPECT_EQ(result.Reason(), SystemMessage(c.Error)) << c.Error;
    }
}

TEST(SystemMessages, AreTheSystemsOwnWordsOnOneLine) {
    for (const unsigned long error : {ERROR_ACCESS_DENIED, ERROR_NOT_READY, ERROR_BAD_NETPATH}) {
        const std::string message = SystemMessage(error);
        EXPECT_FALSE(message.empty()) << error;
        EXPECT_EQ(message.find_first_of("\r\n"), std::string::npos) << message;
        EXPECT_NE(message.back(), ' ') << message;
        EXPECT_NE(message, "error " + std::to_string(error));
    }
    EXPECT_EQ(SystemMessage(0x2FFFFFFF), "error 805306367");
}

TEST_F(Win32FileScan, EverySpellingOfAScannedDirectoryIsScannedOnce) {
    ASSERT_TRUE(Temp.MakeDirectory("Long Directory Name"));
    ASSERT_TRUE(Temp.WriteFile("Long Directory Name\\f.txt", "f"));
    const std::string directory = Temp.Path() + "Long Directory Name";
    std::string slashes = directory;
    std::replace(slashes.begin(), slashes.end(), '\\', '/');
    std::vector<std::string> spellings{slashes,
                                       directory + "\\.",
                                       directory + "\\.\\",
                                       Temp.Path() + "x\\..\\Long Directory Name",
                                       directory + "\\f.txt\\..",
                                       directory + ". .",
                                       directory + "..\\"};
    wchar_t shortName[MAX_PATH + 1];
    const DWORD length = ::GetShortPathNameW(Wide(directory).c_str(), shortName, MAX_PATH + 1);
    if (length != 0 && length <= MAX_PATH && Narrow(shortName, length) != directory) {
        spellings.push_back(Narrow(shortName, length));
    }
    for (const auto& spelling : spellings) {
        Notes.Clear();
        TFileList alone(TListOrder::Sorted, TDuplicates::Refuse);
        TTreeScanner(alone, FS, Time, Notes).Scan(spelling, true);
        EXPECT_EQ(Texts(alone, 0), std::vector<std::string>{directory + "\\f.txt"}) << spelling;

        TFileList both(TListOrder::Sorted, TDuplicates::Refuse);
        TTreeScanner scanner(both, FS, Time, Notes);
        scanner.Scan(directory, true);
        scanner.Scan(spelling, true);
        EXPECT_EQ(Texts(both, 0), std::vector<std::string>{directory + "\\f.txt"}) << spelling;
        EXPECT_EQ(Notes.Lines(),
                  std::vector<std::string>{"Skipped, already scanned: " + directory + "\\ (with " + directory + "\\)"})
            << spelling;
    }
    EXPECT_EQ(spellings.size(), 8u) << "no short name to test";
}

TEST_F(Win32FileScan, PathsOver260CharactersWithDotStepsReachNamesEndingInDotsOrBlanks) {
    std::string relative;
    for (int i = 0; i < 12; ++i) {
        relative += std::string(30, static_cast<char>('a' + i)) + "\\";
    }
    ASSERT_TRUE(Temp.MakeDirectory(relative + "blank "));
    ASSERT_TRUE(Temp.WriteFile(relative + "end.", "abc"));
    ASSERT_TRUE(Temp.WriteFile(relative + "blank \\inner.txt", "abc"));
    const std::string spelled = Temp.Path() + relative + "..\\" + std::string(30, 'l') + "\\.";
    ASSERT_GT(spelled.size(), 300u);

    TFileList files(TListOrder::Sorted, TDuplicates::Refuse);
    TTreeScanner scanner(files, FS, Time, Notes);
    scanner.Scan(spelled, true);
    THashing hashing(kHashMD5, files, FS, Notes);
    hashing.HashAll();
    EXPECT_EQ(Texts(files, 0), (std::vector<std::string>{Temp.Path() + relative + "blank \\",
                                                         Temp.Path() + relative + "blank \\inner.txt",
                                                         Temp.Path() + relative + "end."}));
    const TFileScan* end = Record(files, relative + "end.");
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(end->Hash, kMD5Abc);
    EXPECT_TRUE(Notes.Empty()) << Notes.Lines().front();
}

} // namespace
} // namespace quill
