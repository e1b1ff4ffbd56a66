#include "snapshot/Hashing.h"

#include "common/tests/MemoryRegistry.h"
#include "settings/Settings.h"
#include "snapshot/tests/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quill {
namespace {

constexpr char kMD5Abc[] = "900150983CD24FB0D6963F7D28E17F72";
constexpr char kSHA1Abc[] = "A9993E364706816ABA3E25717850C26C9CD0D89D";

std::string EngineHex(TDigestAlgorithm algorithm, std::string_view content) {
    auto engine = CreateDigestEngine(algorithm);
    std::uint8_t digest[kMaxDigestLength];
    engine->Start();
    engine->Update(reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
    engine->Finish(digest);
    return DigestToHex(digest, engine->Length());
}

enum class TDigestStep { Start, Update, Finish };

// The platform's digest, failing at one step of the second file it digests,
// as a cryptography provider may fail at any call.
class TFailingEngine : public IDigestEngine {
public:
    TFailingEngine(TDigestAlgorithm algorithm, TDigestStep failing)
        : FEngine(CreateDigestEngine(algorithm)), FFailing(failing) {}
    std::size_t Length() const noexcept override { return FEngine->Length(); }
    void Start() override {
        ++FFile;
        FailAt(TDigestStep::Start);
        FEngine->Start();
    }
    void Update(const std::uint8_t* data, std::size_t size) override {
        FailAt(TDigestStep::Update);
        FEngine->Update(data, size);
    }
    void Finish(std::uint8_t* digest) override {
        FailAt(TDigestStep::Finish);
        FEngine->Finish(digest);
    }

private:
    void FailAt(TDigestStep step) const {
        if (FFile == 2 && step == FFailing) {
            throw EDigestError("the digest could not be computed");
        }
    }

    std::unique_ptr<IDigestEngine> FEngine;
    TDigestStep FFailing;
    int FFile = 0;
};

class Hashing : public ::testing::Test {
protected:
    TMemoryFileSystem FS;
    TCaptureNotes Notes;
    TFileList Files{TListOrder::Sorted, TDuplicates::Refuse};

    void Add(const std::string& path, std::int64_t size) {
        auto record = std::make_unique<TFileScan>();
        record->Size = size;
        Files.Add(path, std::move(record));
    }
    void AddFile(const std::string& path, std::string_view content) {
        FS.AddFile(path, content);
        Add(path, static_cast<std::int64_t>(content.size()));
    }
    std::string Hash(const std::string& path) {
        std::size_t index = 0;
        EXPECT_TRUE(Files.Find(path, index)) << path;
        return Files.Record(index)->Hash;
    }
    int HashAll(THashKind kind, const TDigestFactory& createEngine = CreateDigestEngine) {
        THashing hashing(kind, Files, FS, Notes, createEngine);
        int calls = 0;
        hashing.OnHashed = [&] { ++calls; };
        hashing.HashAll();
        return calls;
    }
};

TEST(DigestToHex, TwoUpperCaseDigitsPerByte) {
    const std::uint8_t bytes[] = {0x00, 0xFF, 0x0A, 0xB1, 0x00};
    EXPECT_EQ(DigestToHex(bytes, 0), "");
    EXPECT_EQ(DigestToHex(bytes, 1), "00");
    EXPECT_EQ(DigestToHex(bytes, 5), "00FF0AB100");
}

TEST(DigestEngine, PublishedDigestsOfAbcAndOfNothing) {
    EXPECT_EQ(EngineHex(TDigestAlgorithm::MD5, "abc"), kMD5Abc);
    EXPECT_EQ(EngineHex(TDigestAlgorithm::SHA1, "abc"), kSHA1Abc);
    EXPECT_EQ(EngineHex(TDigestAlgorithm::MD5, ""), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(EngineHex(TDigestAlgorithm::SHA1, ""), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
}

TEST_F(Hashing, AbcGetsThePublishedDigestOfEachKind) {
    AddFile("C:\\abc.txt", "abc");
    HashAll(kHashMD5);
    EXPECT_EQ(Hash("C:\\abc.txt"), kMD5Abc);
    HashAll(kHashSHA1);
    EXPECT_EQ(Hash("C:\\abc.txt"), kSHA1Abc);
    EXPECT_TRUE(Notes.Empty());
}

TEST_F(Hashing, EmptyFilesDirectoriesAndMissingRecordsAreNotHashed) {
    AddFile("C:\\D\\empty.txt", "");
    FS.AddDirectory("C:\\D\\Sub");
    Add("C:\\D\\Sub\\", 4096); // a listing may give a directory a size
    AddFile("C:\\D\\z.txt", "abc");
    Files.Add("C:\\D\\detached", nullptr);
    EXPECT_EQ(HashAll(kHashMD5), 4);
    EXPECT_EQ(Hash("C:\\D\\empty.txt"), "");
    EXPECT_EQ(Hash("C:\\D\\Sub\\"), "");
    EXPECT_EQ(Hash("C:\\D\\z.txt"), kMD5Abc);
    EXPECT_TRUE(Notes.Empty());
}

TEST_F(Hashing, UnreadableFilesGetNoDigestAndHashingGoesOn) {
    AddFile("C:\\a-locked", "abc");
    AddFile("C:\\b-denied", "abc");
    AddFile("C:\\c-failing", "abc");
    Add("C:\\d-gone", 3);
    AddFile("C:\\e-fine", "abc");
    FS.Find("C:\\a-locked")->Locked = true;
    FS.Find("C:\\b-denied")->Denied = true;
    FS.Find("C:\\c-failing")->ReadFails = true;
    EXPECT_EQ(HashAll(kHashSHA1), 5);
    for (const char* path : {"C:\\a-locked", "C:\\b-denied", "C:\\c-failing", "C:\\d-gone"}) {
        EXPECT_EQ(Hash(path), "") << path;
    }
    EXPECT_EQ(Hash("C:\\e-fine"), kSHA1Abc);
    EXPECT_EQ(Notes.Lines(), (std::vector<std::string>{"Could not hash: C:\\a-locked (in use by another program)",
                                                       "Could not hash: C:\\b-denied (access denied)",
                                                       "Could not hash: C:\\c-failing (failed)",
                                                       "Could not hash: C:\\d-gone (not found)"}));
}

TEST_F(Hashing, OtherKindsClearDigestsAndStillReportEachItem) {
    AddFile("C:\\a", "abc");
    AddFile("C:\\b", "");
    for (int setting : {0, 3, 255}) {
        Files.Record(0)->Hash = Files.Keep("stale");
        EXPECT_EQ(HashAll(HashKindFromSetting(setting)), 2) << setting;
        EXPECT_EQ(Hash("C:\\a"), "") << setting;
    }
    EXPECT_EQ(FS.Reads(), 0u);
}

TEST_F(Hashing, OnlyTheSettingsOneAndTwoChooseADigest) {
    AddFile("C:\\abc.txt", "abc");
    const struct {
        const char* Stored;
        const char* Expected;
    } cases[] = {
        {"1", kMD5Abc},      {"2", kSHA1Abc},    {"0", ""},   {"3", ""},    {"257", ""},
        {"258", ""},         {"513", ""},        {"-1", ""},  {"-255", ""}, {"2147483393", ""},
        {"-2147483647", ""}, {"4294967297", ""}, {"MD5", ""}, {"", ""},
    };
    for (const auto& c : cases) {
        TMemoryRegistry registry;
        TSettings settings(registry);
        settings.WriteString("Hashing", c.Stored);
        HashAll(HashKindFromSetting(settings.ReadInteger("Hashing", 0)));
        EXPECT_EQ(Hash("C:\\abc.txt"), c.Expected) << c.Stored;
    }
}

TEST_F(Hashing, ADigestFailureSpoilsOnlyItsOwnFile) {
    AddFile("C:\\1", "abc");
    AddFile("C:\\2", "abc");
    AddFile("C:\\3", "abc");
    for (const TDigestStep step : {TDigestStep::Start, TDigestStep::Update, TDigestStep::Finish}) {
        Notes.Clear();
        int calls = 0;
        EXPECT_NO_THROW(calls = HashAll(kHashSHA1, [&](TDigestAlgorithm algorithm) {
                            return std::make_unique<TFailingEngine>(algorithm, step);
                        }));
        EXPECT_EQ(calls, 3);
        EXPECT_EQ(Hash("C:\\1"), kSHA1Abc);
        EXPECT_EQ(Hash("C:\\2"), "");
        EXPECT_EQ(Hash("C:\\3"), kSHA1Abc);
        EXPECT_EQ(Notes.Lines(), std::vector<std::string>{"Could not hash: C:\\2 (the digest could not be computed)"});
    }
}

TEST_F(Hashing, AnUnavailableDigestLeavesEveryFileUnhashedAndNoted) {
    AddFile("C:\\1", "abc");
    AddFile("C:\\2", "");
    AddFile("C:\\3", "abc");
    int calls = 0;
    EXPECT_NO_THROW(calls = HashAll(kHashMD5, [](TDigestAlgorithm) -> std::unique_ptr<IDigestEngine> {
                        throw EDigestError("the digest algorithm is not available");
                    }));
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(Hash("C:\\1"), "");
    EXPECT_EQ(Hash("C:\\3"), "");
    EXPECT_EQ(Notes.Lines(),
              (std::vector<std::string>{"Could not hash: C:\\1 (the digest algorithm is not available)",
                                        "Could not hash: C:\\3 (the digest algorithm is not available)"}));
}

TEST_F(Hashing, LargeFilesAreReadInLargeBlocksWithTheSameDigest) {
    std::string content(3 * TFileDigest::kBlockSize + 5, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<char>(i * 7 + i / 1000);
    }
    AddFile("C:\\big.bin", content);
    HashAll(kHashMD5);
    EXPECT_EQ(Hash("C:\\big.bin"), EngineHex(TDigestAlgorithm::MD5, content));
    EXPECT_GE(FS.LargestRead(), std::size_t{1} << 20);
    EXPECT_LE(FS.Reads(), 5u);
}

TEST_F(Hashing, FilesOfTwoGibibytesAndMoreAreHashed) {
    // The listed size decides whether a file is hashed; the content here is
    // short, the listed size is not.
    FS.AddFile("C:\\huge.vhd", "abc");
    Add("C:\\huge.vhd", std::int64_t{3} << 30);
    HashAll(kHashMD5);
    EXPECT_EQ(Hash("C:\\huge.vhd"), kMD5Abc);
}

TEST_F(Hashing, EachFileStartsAFreshDigest) {
    AddFile("C:\\1", "abc");
    AddFile("C:\\2", "abcabc");
    AddFile("C:\\3", "abc");
    HashAll(kHashSHA1);
    EXPECT_EQ(Hash("C:\\1"), kSHA1Abc);
    EXPECT_EQ(Hash("C:\\2"), EngineHex(TDigestAlgorithm::SHA1, "abcabc"));
    EXPECT_EQ(Hash("C:\\3"), kSHA1Abc);
}

TEST_F(Hashing, AFailedReadDoesNotSpoilTheNextDigest) {
    AddFile("C:\\1", "xyz");
    AddFile("C:\\2", "abc");
    FS.Find("C:\\1")->ReadFails = true;
    HashAll(kHashMD5);
    EXPECT_EQ(Hash("C:\\2"), kMD5Abc);
}

} // namespace
} // namespace quill
