#include "recording/ProcessFamily.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace quill {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct TLiveProcess {
    std::uint32_t ProcessID;
    std::uint32_t ParentID;
    std::uint64_t Created;
};

// One look at a snapshot, as the wait takes it: the ids of the processes it
// follows from now on.
std::vector<std::uint32_t> Follow(TProcessFamily& family, const std::vector<TLiveProcess>& live) {
    std::vector<TProcessEntry> snapshot;
    std::map<std::uint32_t, std::uint64_t> created;
    for (const TLiveProcess& process : live) {
        snapshot.push_back(TProcessEntry{"p.exe", process.ProcessID, process.ParentID, 1, 8});
        created[process.ProcessID] = process.Created;
    }
    std::vector<std::uint32_t> followed;
    for (const TProcessEntry& child : family.NewChildren(snapshot)) {
        if (family.IsChild(child, created[child.ProcessID])) {
            family.Add(child.ProcessID, created[child.ProcessID]);
            followed.push_back(child.ProcessID);
        }
    }
    return followed;
}

// The job's members: 10 created at 100, 11 at 200, 12 at an unknown time.
TEST(ProcessFamily, FollowsTheLiveChildrenOfMembersThatAreNotOlderThanTheirParent) {
    const struct {
        const char* Case;
        TLiveProcess Live;
        bool Followed;
    } cases[] = {
        {"started by a member", {20, 10, 150}, true},
        {"started in its parent's clock tick", {20, 11, 200}, true},
        {"older than the member: its parent had the id before", {20, 11, 150}, false},
        {"of a parent whose time is unknown", {20, 12, 1}, true},
        {"of a process outside the family", {20, 30, 500}, false},
        {"a member itself", {11, 10, 200}, false},
        {"the idle process", {0, 10, 500}, false},
    };
    for (const auto& c : cases) {
        TProcessFamily family;
        family.Add(10, 100);
        family.Add(11, 200);
        family.Add(12, 0);
        const std::vector<std::uint32_t> followed = Follow(family, {c.Live});
        EXPECT_EQ(!followed.empty(), c.Followed) << c.Case;
    }
}

// A child's own children count once it is followed, at the next look; no
// process is offered twice, followed or not.
TEST(ProcessFamily, EachLookAddsTheChildrenOfWhatTheLastOneFollowed) {
    TProcessFamily family;
    family.Add(10, 100);
    const std::vector<TLiveProcess> live = {{20, 10, 150}, {21, 20, 160}, {22, 10, 50}};
    EXPECT_THAT(Follow(family, live), ElementsAre(20u));
    EXPECT_THAT(Follow(family, live), ElementsAre(21u));
    EXPECT_THAT(Follow(family, live), IsEmpty());
}

} // namespace
} // namespace quill
