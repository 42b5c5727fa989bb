// Number texts as a hand edit can leave them, and the twips they turn into on screen.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "settings/number_text.h"
#include "settings/twips.h"

namespace tavori {
namespace {

constexpr std::nullopt_t kNo = std::nullopt;

TEST(NumberText, ParseSingleAndDouble) {
    const struct {
        const char* text;
        std::optional<double> single, number;
    } cases[] = {
        {"1000", 1000, 1000},    {"  -15\t", -15, -15}, {"+7.5", 7.5, 7.5},  {"1e3", 1000, 1000},
        {"-25E-2", -.25, -.25},  {".5", 0.5, 0.5},      {"1e39", kNo, 1e39}, {"1e309", kNo, kNo},
        {"", kNo, kNo},          {" \t ", kNo, kNo},    {"abc", kNo, kNo},   {"12px", kNo, kNo},
        {"1,5", kNo, kNo},       {"1 000", kNo, kNo},   {"+-1", kNo, kNo},   {"+ 1", kNo, kNo},
        {"--1", kNo, kNo},       {"+", kNo, kNo},       {"0x10", kNo, kNo},  {"inf", kNo, kNo},
        {"-infinity", kNo, kNo}, {"nan", kNo, kNo}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<float> single = ParseSingle(c.text);
        EXPECT_EQ(single.has_value(), c.single.has_value());
        if (single && c.single) {
            EXPECT_EQ(*single, static_cast<float>(*c.single));
        }
        EXPECT_EQ(ParseDouble(c.text), c.number);
    }
}

TEST(NumberText, ParseInt16RoundsHalvesToEvenThenChecksRange) {
    const struct {
        const char* text;
        std::optional<int> expected;
    } cases[] = {{"0.5", 0},         {"1.5", 2},           {"2.5", 2},
                 {"-0.5", 0},        {"-1.5", -2},         {"-2.5", -2},
                 {"2.4999", 2},      {"2.5001", 3},        {" 1e4 ", 10000},
                 {"32767", 32767},   {"32767.4", 32767},   {"32767.5", kNo},
                 {"-32768", -32768}, {"-32768.5", -32768}, {"-32769", kNo},
                 {"40000", kNo},     {"abc", kNo},         {"", kNo},
                 {"nan", kNo}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<std::int16_t> value = ParseInt16(c.text);
        EXPECT_EQ(value.has_value(), c.expected.has_value());
        if (value && c.expected) {
            EXPECT_EQ(*value, *c.expected);
        }
    }
}

TEST(NumberText, FormatSingleWritesWholeNumbersPlainAndReadsBack) {
    EXPECT_EQ(FormatSingle(1000), "1000");
    EXPECT_EQ(FormatSingle(-15), "-15");
    EXPECT_EQ(FormatSingle(-0.0F), "0");
    EXPECT_EQ(FormatSingle(1215.5F), "1215.5");
    EXPECT_EQ(FormatSingle(0.1F), "0.1");  // the shortest text that reads back
    using Limits = std::numeric_limits<float>;
    const float values[] = {0.1F,  1.0F / 3, -2.675F, 1e-7F,         1e-40F,        16777217.0F,
                            1e15F, 1e20F,    -1e20F,  Limits::max(), Limits::min(), 123456.78F};
    for (const float value : values) {
        const std::string text = FormatSingle(value);
        SCOPED_TRACE(text);
        EXPECT_EQ(ParseSingle(text), value);
        EXPECT_EQ(text.find_first_not_of("0123456789-+.e"), std::string::npos);
    }
}

TEST(Twips, ConvertAtEachScaling) {
    const struct {
        double twips;
        int dpi, pixels;
    } cases[] = {{1440, 96, 96},    {1440, 120, 120},     {1440, 144, 144}, {15, 96, 1},
                 {1000, 96, 67},    {1000, 120, 83},      {1000, 144, 100}, {-1000, 96, -67},
                 {7.5, 96, 1},      {-7.5, 96, -1},       {7.4, 96, 0},     {-7.4, 96, 0},
                 {1e30, 96, 32767}, {-1e30, 144, -32768}, {1e9, 144, 32767}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.twips << " twips at " << c.dpi << " dpi");
        EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels);
    }
    // Every pixel place survives the way into twips and back, so a window saved unmoved
    // reopens where it was, at any scaling.
    for (const int dpi : {96, 120, 144, 168, 192}) {
        EXPECT_DOUBLE_EQ(PixelsToTwips(dpi, dpi), 1440);
        for (int pixels = -3000; pixels <= 3000; pixels += 7) {
            ASSERT_EQ(TwipsToPixels(PixelsToTwips(pixels, dpi), dpi), pixels) << dpi << " dpi";
        }
    }
}

}  // namespace
}  // namespace tavori
