#include <gtest/gtest.h>

#include <ostream>

#include "platform/twips.h"

namespace tavori {
namespace {

struct TwipsCase {
    double twips;
    int dpi;
    int pixels;

    friend void PrintTo(const TwipsCase& c, std::ostream* out) {
        *out << c.twips << " twips at " << c.dpi << " dpi";
    }
};

class TwipsToPixelsCase : public ::testing::TestWithParam<TwipsCase> {};

TEST_P(TwipsToPixelsCase, RoundsToTheNearestPixel) {
    const TwipsCase& c = GetParam();
    EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels);
    // A negative position mirrors a positive one.
    EXPECT_EQ(TwipsToPixels(-c.twips, c.dpi), -c.pixels);
}

INSTANTIATE_TEST_SUITE_P(
    MainWindowSizes, TwipsToPixelsCase,
    ::testing::Values(TwipsCase{0, 96, 0}, TwipsCase{1000, 96, 67},  // 66.67
                      TwipsCase{1215, 96, 81}, TwipsCase{3135, 96, 209}, TwipsCase{285, 96, 19},
                      TwipsCase{360, 96, 24}, TwipsCase{1095, 96, 73},
                      TwipsCase{1215, 144, 122},  // 121.5: halves go away from zero
                      TwipsCase{7.5, 96, 1},      // 0.5
                      TwipsCase{1215, 120, 101},  // 101.25
                      TwipsCase{3135, 192, 418}));

TEST(PixelsToTwips, IsTheExactInverseScale) {
    EXPECT_DOUBLE_EQ(PixelsToTwips(81, 96), 1215.0);
    EXPECT_DOUBLE_EQ(PixelsToTwips(1, 96), 15.0);
    EXPECT_DOUBLE_EQ(PixelsToTwips(-81, 96), -1215.0);
    EXPECT_DOUBLE_EQ(PixelsToTwips(122, 144), 1220.0);
}

TEST(PixelsToTwips, RoundTripsEveryPixel) {
    for (int dpi : {96, 120, 144, 192}) {
        for (int pixels = -2000; pixels <= 2000; ++pixels) {
            ASSERT_EQ(TwipsToPixels(PixelsToTwips(pixels, dpi), dpi), pixels)
                << pixels << " px at " << dpi << " dpi";
        }
    }
}

}  // namespace
}  // namespace tavori

namespace tavori {
namespace {

// A hand-edited placement can hold any single; the pixels stay within what windows can take.
TEST(TwipsToPixels, HugeNumbersStopAtTheEdgeOfTheCoordinateRange) {
    EXPECT_EQ(TwipsToPixels(1e30, 96), 32767);
    EXPECT_EQ(TwipsToPixels(-1e30, 96), -32768);
    EXPECT_EQ(TwipsToPixels(491505, 96), 32767);
    EXPECT_EQ(TwipsToPixels(-491520, 96), -32768);
}

}  // namespace
}  // namespace tavori
