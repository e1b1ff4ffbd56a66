#include "monitor/ChangeRecords.h"

#include "common/tests/FixedOffsetTime.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace quill {
namespace {

// Builds a buffer the way the platform fills it; the overrides make it
// corrupt.
class TRecordBuffer {
public:
    struct TRecord {
        std::uint32_t Action;
        std::u16string Name;
        std::optional<std::uint32_t> Length; // bytes claimed for the name
        std::optional<std::uint32_t> Next;   // offset claimed for the next record
        std::size_t Spare = 0;               // name bytes beyond the claimed length
    };

    TRecordBuffer& Add(std::uint32_t action, std::u16string name, std::optional<std::uint32_t> length = std::nullopt,
                       std::optional<std::uint32_t> next = std::nullopt, std::size_t spare = 0) {
        FRecords.push_back(TRecord{action, std::move(name), length, next, spare});
        return *this;
    }

    std::vector<std::byte> Bytes() const {
        std::vector<std::byte> bytes;
        for (std::size_t r = 0; r < FRecords.size(); ++r) {
            const TRecord& record = FRecords[r];
            const std::size_t start = bytes.size();
            const std::uint32_t nameBytes = static_cast<std::uint32_t>(record.Name.size() * 2 + record.Spare);
            std::size_t size = 12 + nameBytes;
            size = (size + 3) & ~std::size_t{3};
            const bool last = r + 1 == FRecords.size();
            Put(bytes, record.Next.value_or(last ? 0 : static_cast<std::uint32_t>(size)));
            Put(bytes, record.Action);
            Put(bytes, record.Length.value_or(static_cast<std::uint32_t>(record.Name.size() * 2)));
            for (char16_t c : record.Name) {
                bytes.push_back(static_cast<std::byte>(c & 0xFF));
                bytes.push_back(static_cast<std::byte>(c >> 8));
            }
            bytes.resize(start + size, std::byte{0x41});
        }
        return bytes;
    }

private:
    static void Put(std::vector<std::byte>& bytes, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<std::byte>(value >> (8 * i)));
        }
    }

    std::vector<TRecord> FRecords;
};

struct TSeen {
    std::uint32_t Action;
    std::string Name;
    bool operator==(const TSeen&) const = default;
};

std::vector<TSeen> Decode(const std::vector<std::byte>& bytes, TDecodedRecords& result) {
    std::vector<TSeen> seen;
    result = DecodeChangeRecords(bytes, [&](std::uint32_t action, std::string name) {
        seen.push_back({action, std::move(name)});
    });
    return seen;
}

TEST(ChangeRecords, DecodesTheChainOfRecords) {
    struct TCase {
        const char* What;
        TRecordBuffer Buffer;
        std::vector<TSeen> Expected;
        TRecordsEnd End;
    };
    TCase cases[] = {
        {"one record", TRecordBuffer().Add(1, u"new.txt"), {{1, "new.txt"}}, TRecordsEnd::Complete},
        {"several records, the last one ends the chain",
         TRecordBuffer().Add(4, u"a.txt").Add(5, u"bb.txt").Add(3, u"sub\\c"),
         {{4, "a.txt"}, {5, "bb.txt"}, {3, "sub\\c"}},
         TRecordsEnd::Complete},
        {"odd name length: the odd byte belongs to no character",
         TRecordBuffer().Add(1, u"abc", 7, std::nullopt, 1).Add(2, u"d"),
         {{1, "abc"}, {2, "d"}},
         TRecordsEnd::Complete},
        {"zero-length name", TRecordBuffer().Add(3, u"").Add(1, u"x"), {{3, ""}, {1, "x"}}, TRecordsEnd::Complete},
        {"names outside any code page",
         TRecordBuffer().Add(1, u"\u03B1\u03B2\u03B3.txt").Add(1, u"\u4E2D\u6587"),
         {{1, "\xCE\xB1\xCE\xB2\xCE\xB3.txt"}, {1, "\xE4\xB8\xAD\xE6\x96\x87"}},
         TRecordsEnd::Complete},
        {"an unpaired surrogate shows as U+FFFD, the record and the rest stay",
         TRecordBuffer().Add(1, std::u16string{u'a', char16_t(0xD800), u'b'}).Add(2, u"after"),
         {{1, "a\xEF\xBF\xBD"
              "b"},
          {2, "after"}},
         TRecordsEnd::Complete},
        {"a next offset past the end ends the decoding",
         TRecordBuffer().Add(1, u"good").Add(1, u"bad", std::nullopt, 4000).Add(1, u"never"),
         {{1, "good"}},
         TRecordsEnd::Corrupt},
        {"a name length past the end ends the decoding",
         TRecordBuffer().Add(1, u"ok").Add(1, u"long", 5000),
         {{1, "ok"}},
         TRecordsEnd::Corrupt},
        {"a next offset inside its own record ends the decoding",
         TRecordBuffer().Add(1, u"overlap", std::nullopt, 8).Add(1, u"never"),
         {},
         TRecordsEnd::Corrupt},
        {"a chain that goes on past the last byte ends the decoding",
         TRecordBuffer().Add(1, u"abcd", std::nullopt, 20),
         {{1, "abcd"}},
         TRecordsEnd::Corrupt},
    };
    for (const TCase& c : cases) {
        TDecodedRecords result;
        EXPECT_EQ(Decode(c.Buffer.Bytes(), result), c.Expected) << c.What;
        EXPECT_EQ(result.End, c.End) << c.What;
        EXPECT_EQ(result.Count, c.Expected.size()) << c.What;
    }
}

TEST(ChangeRecords, ReadsOnlyTheBytesThePlatformReturned) {
    // The buffer is larger than what was returned; what lies beyond is stale.
    std::vector<std::byte> bytes = TRecordBuffer().Add(1, u"first").Add(2, u"second").Bytes();
    const std::size_t firstSize = 24; // "first" is 10 bytes after a 12-byte header, padded to 24
    struct TCase {
        std::size_t Returned;
        std::size_t Count;
        TRecordsEnd End;
    };
    const TCase cases[] = {
        {bytes.size(), 2, TRecordsEnd::Complete},
        {bytes.size() - 4, 1, TRecordsEnd::Corrupt}, // the second name is cut
        {firstSize + 11, 1, TRecordsEnd::Corrupt},   // the second header is cut
        {firstSize, 1, TRecordsEnd::Corrupt},        // the chain goes on, the bytes do not
        {11, 0, TRecordsEnd::Corrupt},
        {0, 0, TRecordsEnd::Overflow},
    };
    for (const TCase& c : cases) {
        // Copied, so that the sanitizer sees any read past the returned bytes.
        const std::vector<std::byte> returned(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(c.Returned));
        TDecodedRecords result;
        Decode(returned, result);
        EXPECT_EQ(result.Count, c.Count) << c.Returned;
        EXPECT_EQ(result.End, c.End) << c.Returned;
    }
}

class JournalChangeRecordsTest : public ::testing::Test {
protected:
    TFixedOffsetTime Clock{0, 45123.5};
    TFileWatchJournal Journal{Clock};

    std::vector<std::pair<std::string, std::uint32_t>> Events() const {
        std::vector<std::pair<std::string, std::uint32_t>> events;
        for (const auto& item : Journal.FileWatchEvents()) {
            events.emplace_back(item.Text, item.Record->Action);
        }
        return events;
    }
};

TEST_F(JournalChangeRecordsTest, JournalsFullPathsBelowTheDirectory) {
    JournalChangeRecords(Journal, "C:\\Temp\\",
                         TRecordBuffer().Add(1, u"new.txt").Add(1, u"sub\\x.txt").Add(4, u"a.txt").Bytes());
    EXPECT_EQ(Events(), (std::vector<std::pair<std::string, std::uint32_t>>{
                            {"C:\\Temp\\new.txt", 1}, {"C:\\Temp\\sub\\x.txt", 1}, {"C:\\Temp\\a.txt", 4}}));
    const TFileWatchEvent& event = *Journal.FileWatchEvents().Record(0);
    EXPECT_EQ(event.Time, 45123.5);
    EXPECT_EQ(event.Included, 1);
    EXPECT_TRUE(Journal.Notes().Empty());
}

TEST_F(JournalChangeRecordsTest, LostChangesJournalTheDirectoryAndAreNoted) {
    JournalChangeRecords(Journal, "D:\\x\\", {});
    EXPECT_EQ(Events(), (std::vector<std::pair<std::string, std::uint32_t>>{{"D:\\x\\", 0}}));
    ASSERT_EQ(Journal.Notes().Kinds().size(), 1u);
    EXPECT_EQ(Journal.Notes().Kinds()[0].Kind, kEventsLost);
    EXPECT_EQ(Journal.Notes().Kinds()[0].Examples, std::vector<std::string>{"D:\\x\\"});
}

TEST_F(JournalChangeRecordsTest, CorruptRecordsKeepWhatCameBeforeAndAreNoted) {
    JournalChangeRecords(Journal, "D:\\x\\",
                         TRecordBuffer().Add(1, u"kept").Add(1, u"bad", std::nullopt, 9999).Bytes());
    EXPECT_EQ(Events(), (std::vector<std::pair<std::string, std::uint32_t>>{{"D:\\x\\kept", 1}}));
    ASSERT_EQ(Journal.Notes().Kinds().size(), 1u);
    EXPECT_EQ(Journal.Notes().Kinds()[0].Kind, kRecordsCut);
    EXPECT_EQ(Journal.Notes().Kinds()[0].Examples,
              std::vector<std::string>{"D:\\x\\ (a record at byte 20 runs past the 40 bytes returned)"});
}

} // namespace
} // namespace quill
