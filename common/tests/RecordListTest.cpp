#include "common/RecordList.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

struct TProbe {
    int Id;
};

using TProbeList = TRecordList<TProbe>;

std::unique_ptr<TProbe> Probe(int id) {
    return std::make_unique<TProbe>(TProbe{id});
}

std::vector<int> Ids(const TProbeList& list) {
    std::vector<int> ids;
    for (const auto& item : list) {
        ids.push_back(item.Record ? item.Record->Id : -1);
    }
    return ids;
}

TEST(RecordList, PlainListKeepsInsertionOrder) {
    TProbeList list;
    list.Add("b", Probe(1));
    list.Add("a", Probe(2));
    list.Add("b", Probe(3));
    EXPECT_EQ(Ids(list), (std::vector<int>{1, 2, 3}));
}

TEST(RecordList, SortedListRefusingDuplicatesRaisesOnCaseOnlyDifference) {
    TProbeList list(TListOrder::Sorted, TDuplicates::Refuse);
    list.Add("\\Software\\", Probe(1));
    EXPECT_THROW(list.Add("\\SOFTWARE\\", Probe(2)), EDuplicateText);
    EXPECT_EQ(list.Count(), 1u);
}

TEST(RecordList, SortedListAcceptingDuplicatesKeepsArrivalOrderAmongEquals) {
    TProbeList list(TListOrder::Sorted, TDuplicates::Accept);
    list.Add("m", Probe(1));
    list.Add("A", Probe(2));
    list.Add("M", Probe(3));
    list.Add("z", Probe(4));
    list.Add("m", Probe(5));
    EXPECT_EQ(Ids(list), (std::vector<int>{2, 1, 3, 5, 4}));
}

TEST(RecordList, FindYieldsTheFirstItemOfARunOfEqualTexts) {
    TProbeList list(TListOrder::Sorted, TDuplicates::Accept);
    for (int i = 0; i < 5; ++i) {
        list.Add("same", Probe(i));
    }
    list.Add("before", Probe(10));
    list.Add("zafter", Probe(11));
    std::size_t index = 99;
    ASSERT_TRUE(list.Find("SAME", index));
    EXPECT_EQ(index, 1u);
    EXPECT_EQ(list.Record(index)->Id, 0);
}

TEST(RecordList, FindReportsWhereAMissingTextWouldStand) {
    TProbeList list(TListOrder::Sorted, TDuplicates::Refuse);
    list.Add("a", Probe(1));
    list.Add("c", Probe(2));
    std::size_t index = 99;
    EXPECT_FALSE(list.Find("b", index));
    EXPECT_EQ(index, 1u);
    EXPECT_FALSE(list.Find("d", index));
    EXPECT_EQ(index, 2u);
    TProbeList empty(TListOrder::Sorted, TDuplicates::Refuse);
    EXPECT_FALSE(empty.Find("", index));
    EXPECT_EQ(index, 0u);
}

TEST(RecordList, DetachLeavesTheItemInPlaceWithoutRecord) {
    TProbeList list(TListOrder::Sorted, TDuplicates::Refuse);
    list.Add("a", Probe(1));
    list.Add("b", Probe(2));
    TRecordPtr<TProbe> taken = list.Detach(0);
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->Id, 1);
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Record(0), nullptr);
    EXPECT_EQ(list.Text(0), "a");
    std::size_t index = 0;
    EXPECT_TRUE(list.Find("a", index));
}

TEST(RecordList, BulkBuildSortsOnceAndKeepsArrivalOrderAmongEquals) {
    TProbeList list(TListOrder::Sorted, TDuplicates::Accept);
    list.Append("k\\", Probe(1));
    list.Append("a\\", Probe(2));
    list.Append("K\\", Probe(3));
    list.Append("k\\", Probe(4));
    EXPECT_TRUE(list.SortAppended().empty());
    EXPECT_EQ(Ids(list), (std::vector<int>{2, 1, 3, 4}));
}

TEST(RecordList, BulkBuildOfAListRefusingDuplicatesKeepsTheFirstAndNamesTheRest) {
    TProbeList list(TListOrder::Sorted, TDuplicates::Refuse);
    list.Append("C:\\Data\\x", Probe(1));
    list.Append("C:\\data\\X", Probe(2));
    list.Append("C:\\Data\\", Probe(3));
    list.Append("C:\\DATA\\X", Probe(4));
    const std::vector<std::string> dropped = list.SortAppended();
    EXPECT_EQ(Ids(list), (std::vector<int>{3, 1}));
    EXPECT_EQ(dropped, (std::vector<std::string>{"C:\\data\\X", "C:\\DATA\\X"}));
}

TEST(RecordList, MovesRecordsBetweenListsWithoutCopying) {
    TProbeList from(TListOrder::Sorted, TDuplicates::Refuse);
    TProbeList to;
    from.Add("x", Probe(7));
    TProbe* const original = from.Record(0);
    to.Add(from.Text(0), from.Detach(0));
    EXPECT_EQ(to.Record(0), original);
}

} // namespace
} // namespace quill
