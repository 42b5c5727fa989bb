// The number texts of the settings: what is accepted, how it rounds, what is refused.

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "settings/number_text.h"

namespace tavori {
namespace {

struct SingleCase {
    const char* text;
    std::optional<float> expected;
};

class ParseSingleTest : public ::testing::TestWithParam<SingleCase> {};

TEST_P(ParseSingleTest, Reads) {
    EXPECT_EQ(ParseSingle(GetParam().text), GetParam().expected) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseSingleTest,
    ::testing::Values(
        // What the program writes.
        SingleCase{"1000", 1000.0F}, SingleCase{"-15", -15.0F}, SingleCase{"1.5", 1.5F},
        SingleCase{"0", 0.0F},
        // Blanks, signs and exponents around it.
        SingleCase{"  1215 ", 1215.0F}, SingleCase{"\t3135\t", 3135.0F},
        SingleCase{"+1000", 1000.0F}, SingleCase{"1e3", 1000.0F}, SingleCase{"1.5E+2", 150.0F},
        SingleCase{"-2.5e-1", -0.25F}, SingleCase{".5", 0.5F},
        // Not numbers: empty, letters, a user's comma, signs doubled, infinities, overflow.
        SingleCase{"", std::nullopt}, SingleCase{"   ", std::nullopt},
        SingleCase{"abc", std::nullopt}, SingleCase{"12px", std::nullopt},
        SingleCase{"1,5", std::nullopt}, SingleCase{"1 000", std::nullopt},
        SingleCase{"+-1", std::nullopt}, SingleCase{"+", std::nullopt},
        SingleCase{"- 1", std::nullopt}, SingleCase{"inf", std::nullopt},
        SingleCase{"nan", std::nullopt}, SingleCase{"0x10", std::nullopt},
        SingleCase{"1e39", std::nullopt}, SingleCase{"-3.5e38", std::nullopt}));

TEST(ParseDouble, ReadsBeyondSingleRangeAndKeepsPrecision) {
    EXPECT_EQ(ParseDouble("1e39"), 1e39);
    EXPECT_EQ(ParseDouble(" 1.0 "), 1.0);
    EXPECT_EQ(ParseDouble("1.2"), 1.2);
    EXPECT_EQ(ParseDouble(""), std::nullopt);
    EXPECT_EQ(ParseDouble("1e309"), std::nullopt);
}

struct Int16Case {
    const char* text;
    std::optional<int> expected;
};

class ParseInt16Test : public ::testing::TestWithParam<Int16Case> {};

TEST_P(ParseInt16Test, RoundsHalvesToEvenAndChecksRange) {
    const std::optional<std::int16_t> value = ParseInt16(GetParam().text);
    const std::optional<int> widened = value ? std::optional<int>(*value) : std::nullopt;
    EXPECT_EQ(widened, GetParam().expected) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseInt16Test,
    ::testing::Values(Int16Case{"0", 0}, Int16Case{"1", 1}, Int16Case{"2", 2}, Int16Case{"0.5", 0},
                      Int16Case{"1.5", 2}, Int16Case{"2.5", 2}, Int16Case{"-2.5", -2},
                      Int16Case{"-0.5", 0}, Int16Case{"0.49", 0}, Int16Case{"0.51", 1},
                      Int16Case{"1.2", 1}, Int16Case{"32767", 32767}, Int16Case{"-32768", -32768},
                      Int16Case{"32767.4", 32767}, Int16Case{"32767.5", std::nullopt},
                      Int16Case{"32768", std::nullopt}, Int16Case{"-32769", std::nullopt},
                      Int16Case{"40000", std::nullopt}, Int16Case{"abc", std::nullopt},
                      Int16Case{"", std::nullopt}));

TEST(FormatSingle, WholeTwipsArePlainIntegers) {
    EXPECT_EQ(FormatSingle(1000.0F), "1000");
    EXPECT_EQ(FormatSingle(-15.0F), "-15");
    EXPECT_EQ(FormatSingle(0.0F), "0");
    EXPECT_EQ(FormatSingle(-0.0F), "0");
    EXPECT_EQ(FormatSingle(16777216.0F), "16777216");
}

TEST(FormatSingle, FractionsAreShortestTextsThatReadBack) {
    EXPECT_EQ(FormatSingle(1.5F), "1.5");
    EXPECT_EQ(FormatSingle(-1012.5F), "-1012.5");
    for (const float value : {0.1F, 1.0F / 3.0F, 1066.6666F, -0.3F, 1e-7F, 3.3e38F}) {
        const std::string text = FormatSingle(value);
        EXPECT_EQ(ParseSingle(text), value) << text;
        EXPECT_EQ(text.find(','), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace tavori
