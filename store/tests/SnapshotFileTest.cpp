#include "store/SnapshotFile.h"

#include "common/tests/FixedOffsetTime.h"
#include "store/tests/CaptureDescription.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#ifdef __linux__
#include <sys/resource.h>
#endif

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace quill {
namespace {

using test::Describe;
using ::testing::HasSubstr;

using namespace std::string_literals;

// U+1F600 and U+10348, outside the basic plane.
constexpr char kNonBmp[] = "\xF0\x9F\x98\x80\xF0\x90\x8D\x88";
const std::string kFileName = "C:\\Users\\a\\AppData\\Local\\Quillborne\\"s + kNonBmp + ".qbcap";

void AddKey(TKeyList& keys, std::string_view path, TDateTime lastWrite, std::uint8_t included = 1) {
    TKeyRecord record;
    record.LastWrite = lastWrite;
    record.Included = included;
    keys.Append(path, keys.NewRecord(record));
}

void AddValue(TValueList& values, std::string_view keyPath, TValueRecord record) {
    values.Append(keyPath, values.NewRecord(record));
}

// A before-capture with an edge of every field.
void FillEdgeCapture(TSessionStore& store) {
    TRootLists& user = store.Root(TRegRoot::CurrentUser);
    user.Recorded = true;
    const std::string odd = "\\Software\\"s + kNonBmp + "\\Nul\0Key\\"s;
    AddKey(user.KeysBefore, "\\", 45000.123456789);
    AddKey(user.KeysBefore, odd, kUnknownDateTime, 0);
    AddKey(user.KeysBefore, "\\software\\", -0.5);
    user.KeysBefore.SortAppended();

    TValueList& values = user.ValuesBefore;
    TValueRecord text;
    text.Name = values.Keep("");
    text.DataType = dtString;
    text.Data = values.Keep("a\0b"s + kNonBmp);
    text.DataSize = 22;
    text.RegType = kRegSz;
    AddValue(values, odd, text);
    TValueRecord number;
    number.Name = values.Keep("Number");
    number.DataType = dtInteger;
    number.Data = std::int32_t{-7};
    number.DataSize = 4;
    number.RegType = kRegDword;
    number.Included = 0;
    AddValue(values, odd, number);
    TValueRecord binary;
    binary.Name = values.Keep("Bin\0ary"s);
    binary.DataType = dtBinary;
    const std::uint8_t bytes[] = {0, 1, 0, 255, 0};
    binary.Buffer = values.Arena().KeepBytes(bytes, sizeof bytes);
    binary.DataSize = sizeof bytes;
    binary.RegType = kRegBinary;
    AddValue(values, "\\", binary);
    TValueRecord empty;
    empty.Name = values.Keep(kNonBmp);
    empty.RegType = 0x12345678;
    AddValue(values, "\\software\\", empty);
    TValueRecord emptyText;
    emptyText.Name = values.Keep("Empty");
    emptyText.DataType = dtExpandString;
    emptyText.Data = TText();
    emptyText.RegType = kRegExpandSz;
    AddValue(values, "\\software\\", emptyText);
    values.SortAppended();

    store.Root(TRegRoot::Users).Recorded = true;
    TRootLists& machine = store.Root(TRegRoot::LocalMachine);
    AddKey(machine.KeysBefore, "\\SYSTEM\\", 44000);
    machine.KeysBefore.SortAppended();

    store.FilesRecorded = true;
    for (const auto& [path, hash, size] : {std::tuple{"C:\\Data\\"s, ""s, std::int64_t{0}},
                                           std::tuple{"C:\\Data\\"s + kNonBmp + ".txt", "0A1B"s, std::int64_t{-1}},
                                           std::tuple{"C:\\Data\\big.bin"s, "FF"s, std::int64_t{1} << 40}}) {
        TFileScan file;
        file.Size = size;
        file.Hash = store.FilesBefore.Keep(hash);
        file.Date = 45001.5;
        file.LastWrite = 0xFFFFFFFFFFFFFFFFULL - static_cast<std::uint64_t>(size & 0xFF);
        file.Attributes = 0x20 | static_cast<std::uint32_t>(hash.size());
        file.Included = static_cast<std::uint8_t>(hash.size() % 2);
        store.FilesBefore.Append(path, store.FilesBefore.NewRecord(file));
    }
    store.FilesBefore.SortAppended();

    for (const auto& [name, id] : {std::pair{"tool.exe", 7U}, std::pair{"TOOL.EXE", 9U}, std::pair{"a.exe", 1U}}) {
        TProcessRecord process;
        process.ProcessID = id;
        process.ParentID = id + 1;
        process.Threads = 3;
        process.Priority = -2;
        process.Reported = id == 9 ? 1 : 0;
        store.ProcessesBefore.Append(name, store.ProcessesBefore.NewRecord(process));
    }
    store.ProcessesBefore.SortAppended();

    store.DiskFreeBefore[2] = 123456789012345;
    store.DiskFreeBefore[25] = -1;

    for (int i = 0; i < 150; ++i) {
        store.BeforeNotes.Add("Could not list", "C:\\Denied" + std::to_string(i) + " (access denied)");
    }
    store.BeforeNotes.Add("Could not read", "\\Key\\"s + kNonBmp + " (changed while being read)");
}

TCaptureFacts EdgeFacts() {
    return TCaptureFacts{45000.987654321, kHashSHA1, {"C:\\Data", "D:\\"s + kNonBmp, ""}};
}

class SnapshotFile : public ::testing::Test {
protected:
    TFixedOffsetTime FClock;
    TSessionStore FStore{FClock};

    SnapshotFile() {
        FStore.NewSession();
        FillEdgeCapture(FStore);
    }

    // The store a loaded file fills.
    std::vector<std::string> Load(const std::string& bytes) {
        TSavedCapture capture = DecodeCapture(bytes, kFileName);
        TSessionStore loaded(FClock);
        loaded.NewSession();
        capture.MoveInto(loaded);
        return Describe(loaded, capture.Facts);
    }
};

TEST_F(SnapshotFile, ACaptureSavedAndLoadedIsTheCaptureInMemory) {
    const TCaptureFacts facts = EdgeFacts();
    const std::vector<std::string> original = Describe(FStore, facts);
    ASSERT_GT(original.size(), 150U);
    EXPECT_EQ(Load(EncodeBeforeCapture(FStore, facts)), original);
}

TEST_F(SnapshotFile, AnEmptyCaptureComesBackEmpty) {
    TSessionStore empty(FClock);
    empty.NewSession();
    EXPECT_EQ(Load(EncodeBeforeCapture(empty, {})), Describe(empty, {}));
}

TEST_F(SnapshotFile, TheLoadedListsAreReadyForTheComparison) {
    TSavedCapture capture = DecodeCapture(EncodeBeforeCapture(FStore, EdgeFacts()), kFileName);
    const TSavedRoot& user = capture.Roots[static_cast<std::size_t>(TRegRoot::CurrentUser)];
    std::size_t index = 0;
    EXPECT_TRUE(user.Keys.Find("\\SOFTWARE\\", index));
    EXPECT_TRUE(user.Values.Find("\\Software\\"s + kNonBmp + "\\NUL\0KEY\\"s, index));
    EXPECT_THROW(capture.Files.Add("c:\\data\\BIG.bin", nullptr), EDuplicateText);
}

// Files saved before every process was given a name can hold a nameless one.
TEST_F(SnapshotFile, AProcessSavedWithoutANameIsLoadedAsUnknown) {
    TSessionStore store(FClock);
    store.NewSession();
    store.ProcessesBefore.Add("", std::make_unique<TProcessRecord>());
    const TSavedCapture capture = DecodeCapture(EncodeBeforeCapture(store, {}), kFileName);
    ASSERT_EQ(capture.Processes.Count(), 1U);
    EXPECT_EQ(capture.Processes.Text(0), "(unknown)");
}

// Header fields at their offsets: magic 0, version 8, size 12, checksum 20.
std::string WithU32(std::string bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
    }
    return bytes;
}

TEST_F(SnapshotFile, AFileThatCannotBeLoadedIsRefusedNamingTheFileAndWhatIsWrong) {
    const std::string good = EncodeBeforeCapture(FStore, EdgeFacts());
    const struct {
        std::string Case;
        std::string Bytes;
        std::string Problem;
    } cases[] = {
        {"empty", "", "the file is empty"},
        {"foreign", "<html><body>report</body></html>", "it is not a Quillborne snapshot file"},
        {"cut in the magic", good.substr(0, 5), "the file is truncated"},
        {"cut in the header", good.substr(0, 20), "the file is truncated"},
        {"cut in the content", good.substr(0, good.size() - 10), "the file is truncated"},
        {"newer format", WithU32(good, 8, kSnapshotFormatVersion + 1),
         "it was written by a newer version of Quillborne (file format 2; this version reads format 1 and older)"},
        {"format 0", WithU32(good, 8, 0), "the file is damaged (it names file format 0)"},
        {"wrong checksum", WithU32(good, 20, 12345), "the file is damaged (its checksum does not match its content)"},
        {"content longer than said", WithU32(good, 12, 100),
         "the file is damaged (its content is longer than its header says)"},
        {"content shorter than said", WithU32(good, 12, 100000),
         "the file is damaged (its content is shorter than its header says)"},
        {"impossible size", WithU32(WithU32(good, 12, 0), 16, 0x7FFFFFFF),
         "the file is damaged (its header gives a size its content cannot have)"},
        {"bytes after the content", good + "x", "the file is damaged (bytes follow its content)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        try {
            DecodeCapture(c.Bytes, kFileName);
            ADD_FAILURE() << "loaded";
        } catch (const ESnapshotFile& error) {
            EXPECT_EQ(error.Problem(), c.Problem);
            EXPECT_EQ(error.File(), kFileName);
            EXPECT_EQ(std::string(error.what()),
                      "the snapshot file \"" + kFileName + "\" cannot be loaded: " + c.Problem);
        }
    }
}

// The content of a good file, and a file of any content with a matching
// header, so that mutations reach the reader past the checksum.
std::string Unpack(const std::string& file) {
    const std::uint64_t size = static_cast<std::uint8_t>(file[12]) | (static_cast<std::uint8_t>(file[13]) << 8) |
                               (static_cast<std::uint8_t>(file[14]) << 16) |
                               (std::uint64_t{static_cast<std::uint8_t>(file[15])} << 24);
    std::string content(size, '\0');
    uLongf length = static_cast<uLongf>(size);
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(content.data()), &length,
                         reinterpret_cast<const Bytef*>(file.data() + 24), static_cast<uLong>(file.size() - 24)),
              Z_OK);
    return content;
}

std::string Pack(const std::string& content) {
    std::string packed(compressBound(static_cast<uLong>(content.size())), '\0');
    uLongf length = static_cast<uLongf>(packed.size());
    compress(reinterpret_cast<Bytef*>(packed.data()), &length, reinterpret_cast<const Bytef*>(content.data()),
             static_cast<uLong>(content.size()));
    packed.resize(length);
    std::string file = "QUILLCAP"s + std::string(16, '\0');
    file = WithU32(file, 8, kSnapshotFormatVersion);
    file = WithU32(file, 12, static_cast<std::uint32_t>(content.size()));
    file = WithU32(file, 20,
                   static_cast<std::uint32_t>(
                       crc32(0, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size()))));
    return file + packed;
}

std::string Mutate(std::string bytes, std::mt19937& random) {
    const auto pick = [&random](std::size_t below) {
        return below == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, below - 1)(random);
    };
    const int edits = 1 + static_cast<int>(pick(4));
    for (int edit = 0; edit < edits; ++edit) {
        switch (pick(5)) {
        case 0:
            if (!bytes.empty()) {
                bytes[pick(bytes.size())] ^= static_cast<char>(1 << pick(8));
            }
            break;
        case 1:
            if (!bytes.empty()) {
                bytes[pick(bytes.size())] = static_cast<char>(pick(256));
            }
            break;
        case 2:
            bytes.resize(pick(bytes.size() + 1));
            break;
        case 3:
            bytes.insert(pick(bytes.size() + 1), std::string(1 + pick(8), static_cast<char>(pick(256))));
            break;
        default:
            // Large counts and lengths are what a reader must not trust.
            if (bytes.size() >= 4) {
                const std::size_t at = pick(bytes.size() - 3);
                for (std::size_t i = 0; i < 4; ++i) {
                    bytes[at + i] = static_cast<char>(pick(2) == 0 ? 0xFF : 0x7F);
                }
            }
            break;
        }
    }
    return bytes;
}

// Fields a capture never records, each written into an otherwise good
// file: loading refuses them before they reach a date or a count.
TEST_F(SnapshotFile, FieldsNoCaptureRecordsAreRefusedAsDamage) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    const std::string tooMany = "the file is damaged (its notes count more than 1099511627776 occurrences)";
    const std::string notANumber = "the file is damaged (a time is not a number)";
    const struct {
        std::string Case;
        std::function<void(TSessionStore&, TCaptureFacts&)> Damage;
        std::string Problem;
    } cases[] = {
        {"start time not a number", [&](auto&, auto& facts) { facts.StartTime = kNaN; }, notANumber},
        {"start time after the year 9999", [](auto&, auto& facts) { facts.StartTime = 2958466.0; },
         "the file is damaged (its start time is not a date of the years 1 to 9999)"},
        {"key time infinite",
         [](auto& store, auto&) { AddKey(store.Root(TRegRoot::Users).KeysBefore, "\\", HUGE_VAL); }, notANumber},
        {"two notes that wrap the total",
         [](auto& store, auto&) {
             store.BeforeNotes.AddCounted("Could not list", std::size_t{1} << 63, {});
             store.BeforeNotes.AddCounted("Could not read", std::size_t{1} << 63, {});
         },
         tooMany},
        {"one note past every capture",
         [](auto& store, auto&) { store.BeforeNotes.AddCounted("Could not hash", (std::size_t{1} << 40) + 1, {}); },
         tooMany},
        {"a note of no occurrence", [](auto& store, auto&) { store.BeforeNotes.AddCounted("Could not hash", 0, {}); },
         "the file is damaged (a note counts no occurrence)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        TSessionStore store(FClock);
        store.NewSession();
        FillEdgeCapture(store);
        TCaptureFacts facts = EdgeFacts();
        c.Damage(store, facts);
        try {
            DecodeCapture(EncodeBeforeCapture(store, facts), kFileName);
            ADD_FAILURE() << "loaded";
        } catch (const ESnapshotFile& error) {
            EXPECT_EQ(error.Problem(), c.Problem);
        }
    }
}

#ifdef __linux__
// A header may claim a thousand times what its content holds: the loader
// takes memory as the content comes, not as the header says.
TEST_F(SnapshotFile, AHeaderClaimingAGigabyteCostsNoGigabyteToRefuse) {
    std::mt19937 random(15);
    std::string content(std::size_t{1} << 20, '\0');
    std::generate(content.begin(), content.end(), [&random] { return static_cast<char>(random()); });
    const std::string file = Pack(content);
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    EXPECT_THROW(DecodeCapture(WithU32(file, 12, static_cast<std::uint32_t>((file.size() - 24) * 1000)), kFileName),
                 ESnapshotFile);
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256 * 1024) << "kilobytes";
}
#endif

// Every mutated file either loads or is refused with ESnapshotFile; the
// sanitizers watch for anything read out of bounds on the way.
TEST_F(SnapshotFile, MutatedFilesAreLoadedOrRefusedNeverMisread) {
    const std::string good = EncodeBeforeCapture(FStore, EdgeFacts());
    const std::string content = Unpack(good);
    ASSERT_EQ(Load(Pack(content)), Describe(FStore, EdgeFacts()));
    std::mt19937 random(16);
    int refused = 0;
    constexpr int kRounds = 4000;
    for (int round = 0; round < kRounds; ++round) {
        // Half the files break the outside, half get past the checksum.
        const std::string bytes = round % 2 == 0 ? Mutate(good, random) : Pack(Mutate(content, random));
        try {
            TSavedCapture capture = DecodeCapture(bytes, kFileName);
            TSessionStore loaded(FClock);
            loaded.NewSession();
            capture.MoveInto(loaded);
            Describe(loaded, capture.Facts);
        } catch (const ESnapshotFile& error) {
            ++refused;
            EXPECT_THAT(error.what(), HasSubstr(kFileName));
        }
    }
    EXPECT_GT(refused, kRounds / 2);
}

} // namespace
} // namespace quill
