#include "common/CaptureNotes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quill {
namespace {

TEST(CaptureNotes, KeepsEachKindApartInOrderOfFirstOccurrence) {
    TCaptureNotes notes;
    notes.Add("Could not list", "C:\\a\\ (access denied)");
    notes.Add("Could not hash", "C:\\b.txt (in use by another program)");
    notes.Add("Could not list", "C:\\c\\ (access denied)");
    EXPECT_EQ(notes.Total(), 3u);
    EXPECT_EQ(notes.Lines(), (std::vector<std::string>{"Could not list: C:\\a\\ (access denied)",
                                                       "Could not list: C:\\c\\ (access denied)",
                                                       "Could not hash: C:\\b.txt (in use by another program)"}));
}

// A system drive scanned without elevation denies tens of thousands of
// directories; the notes must stay readable and small.
TEST(CaptureNotes, KeepsTheFirstHundredExamplesOfAKindAndCountsTheRest) {
    TCaptureNotes notes;
    for (int i = 0; i < 50000; ++i) {
        notes.Add("Could not list", "C:\\d" + std::to_string(i) + "\\");
    }
    notes.Add("Could not hash", "C:\\x");
    ASSERT_EQ(notes.Kinds().size(), 2u);
    EXPECT_EQ(notes.Kinds()[0].Count, 50000u);
    EXPECT_EQ(notes.Kinds()[0].Examples.size(), TCaptureNotes::kMaxExamples);
    EXPECT_EQ(notes.Kinds()[0].Examples.back(), "C:\\d99\\");
    EXPECT_EQ(notes.Total(), 50001u);
    const std::vector<std::string> lines = notes.Lines();
    ASSERT_EQ(lines.size(), TCaptureNotes::kMaxExamples + 2);
    EXPECT_EQ(lines[TCaptureNotes::kMaxExamples], "Could not list: 49900 more (50000 in all)");
    EXPECT_EQ(lines.back(), "Could not hash: C:\\x");
}

TEST(CaptureNotes, ClearForgetsKindsAndCounts) {
    TCaptureNotes notes;
    notes.Add("Could not list", "C:\\a\\");
    notes.Clear();
    EXPECT_TRUE(notes.Empty());
    EXPECT_EQ(notes.Total(), 0u);
    notes.Add("Could not list", "C:\\b\\");
    EXPECT_EQ(notes.Lines(), std::vector<std::string>{"Could not list: C:\\b\\"});
}

} // namespace
} // namespace quill
