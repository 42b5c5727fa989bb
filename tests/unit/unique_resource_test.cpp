// The single owner of every handle, key, brush and font: each is released exactly once.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/unique_resource.h"

namespace tavori {
namespace {

std::vector<int> released;

struct CountingTraits {
    static int Invalid() { return 0; }
    static void Release(int value) { released.push_back(value); }
};
using Owner = UniqueResource<int, CountingTraits>;

class UniqueResourceTest : public ::testing::Test {
  protected:
    UniqueResourceTest() { released.clear(); }
};

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(UniqueResourceTest, ReleasesOnceWhenTheOwnerGoes) {
    { const Owner brush(7); }
    { const Owner none; }
    EXPECT_THAT(released, ElementsAre(7));
}

TEST_F(UniqueResourceTest, ResetReleasesTheOldValueOnly) {
    Owner font(1);
    font.Reset(2);
    font.Reset(2);  // the same value again is kept, not released
    EXPECT_THAT(released, ElementsAre(1));
    font.Reset();
    EXPECT_FALSE(font);
    EXPECT_THAT(released, ElementsAre(1, 2));
}

TEST_F(UniqueResourceTest, MovingHandsOverWithoutReleasing) {
    Owner first(3);
    Owner second(std::move(first));
    EXPECT_THAT(released, IsEmpty());
    Owner third(4);
    third = std::move(second);  // third's own value goes, the moved one stays
    EXPECT_THAT(released, ElementsAre(4));
    EXPECT_EQ(third.Get(), 3);
    third = std::move(third);
    EXPECT_EQ(third.Get(), 3);
    EXPECT_THAT(released, ElementsAre(4));
}

TEST_F(UniqueResourceTest, ReleaseGivesUpOwnership) {
    Owner key(5);
    EXPECT_EQ(key.Release(), 5);
    EXPECT_FALSE(key);
    EXPECT_THAT(released, IsEmpty());
}

}  // namespace
}  // namespace tavori
