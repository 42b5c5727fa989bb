// Number texts, twips, placement and where it opens, and the always-on-top choice, over a map.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <tuple>
#include <vector>

#include "core/error.h"
#include "settings/number_text.h"
#include "settings/placement.h"
#include "settings/settings.h"

namespace tavori {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;

// The settings as a map of key to text, kept in the one place where the program keeps them.
class MapStore final : public SettingsStore {
  public:
    std::string Read(std::string_view application, std::string_view section, std::string_view key,
                     std::string_view defaultText) override {
        const auto found = values.find(Note(application, section, key));
        return found == values.end() ? std::string(defaultText) : found->second;
    }
    void Write(std::string_view application, std::string_view section, std::string_view key,
               std::string_view value) override {
        values[Note(application, section, key)] = value;
    }
    void AsOneUnit(std::string_view application, std::string_view section,
                   const std::function<void()>& work) override {
        Note(application, section, "", '(');
        work();
        log += ')';
    }
    std::string Location(std::string_view application, std::string_view section) const override {
        return "HKCU\\Test\\" + std::string(application) + "\\" + std::string(section);
    }
    // Logs each call, a unit as "(" ... ")" around its reads and writes, each as ".".
    std::string Note(std::string_view application, std::string_view section, std::string_view key,
                     char mark = '.') {
        EXPECT_EQ(Location(application, section), kPlace);
        log += mark;
        return std::string(key);
    }

    static constexpr const char* kPlace = "HKCU\\Test\\TAVORI\\Settings";
    std::map<std::string, std::string> values;
    std::string log;
};

// The words of the box that the error thrown by `read` would end the program with, or "".
template <typename Read>
std::string ErrorBoxOf(Read&& read) {
    try {
        read();
    } catch (const Error& error) {
        return DescribeUntrappedError(error);
    }
    return {};
}

constexpr std::nullopt_t kNo = std::nullopt;

TEST(NumberText, ParseSingleAndDouble) {
    // Past what from_chars reads, too small still reads as 0 and too large as nothing.
    const std::tuple<const char*, std::optional<float>, std::optional<double>> cases[] = {
        {"1000", 1000, 1000},    {"  -15\t", -15, -15},     {"+7.5", 7.5, 7.5},
        {"1e3", 1000, 1000},     {"-25E-2", -.25, -.25},    {".5", 0.5, 0.5},
        {"1e39", kNo, 1e39},     {"1e309", kNo, kNo},       {"", kNo, kNo},
        {" \t ", kNo, kNo},      {"abc", kNo, kNo},         {"12px", kNo, kNo},
        {"1,5", kNo, kNo},       {"1 000", kNo, kNo},       {"+-1", kNo, kNo},
        {"+ 1", kNo, kNo},       {"--1", kNo, kNo},         {"+", kNo, kNo},
        {"0x10", kNo, kNo},      {"inf", kNo, kNo},         {"-infinity", kNo, kNo},
        {"nan", kNo, kNo},       {"1e-45", 1e-45F, 1e-45},  {"1e-46", 0, 1e-46},
        {"-1e-46", 0, -1e-46},   {"1e-400", 0, 0},          {"-1e-400", 0, 0},
        {"0.001e-44", 0, 1e-47}, {"3.5e38", kNo, 3.5e38},   {"-3.5e38", kNo, -3.5e38},
        {"1000e36", kNo, 1e39},  {"0.0001e+50", kNo, 1e46}, {"-1e400", kNo, kNo}};
    for (const auto& [text, single, number] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ParseSingle(text), single);
        EXPECT_EQ(ParseDouble(text), number);
    }
    const std::string zeros(400, '0');
    EXPECT_EQ(ParseDouble("1" + zeros + "e-10"), kNo);      // 1e390
    EXPECT_EQ(ParseDouble("0." + zeros + "1e10"), 0);       // 1e-391
    EXPECT_EQ(ParseDouble("1e99999999999999999999"), kNo);  // an exponent past any integer
    EXPECT_EQ(ParseDouble("-1e-99999999999999999999"), 0);
}

TEST(NumberText, ParseInt16RoundsHalvesToEvenThenChecksRange) {
    const std::tuple<const char*, std::optional<std::int16_t>> cases[] = {
        {"0.5", 0},         {"1.5", 2},           {"2.5", 2},         {"-0.5", 0},
        {"-1.5", -2},       {"-2.5", -2},         {"2.4999", 2},      {"2.5001", 3},
        {" 1e4 ", 10000},   {"32767", 32767},     {"32767.4", 32767}, {"32767.5", kNo},
        {"-32768", -32768}, {"-32768.5", -32768}, {"-32769", kNo},    {"40000", kNo},
        {"abc", kNo},       {"nan", kNo},         {"1e-400", 0},      {"1e400", kNo}};
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ParseInt16(text), expected);
    }
}

TEST(NumberText, FormatSingleWritesWholeNumbersPlainAndReadsBack) {
    using Limits = std::numeric_limits<float>;
    // "": any text that reads back.
    const std::tuple<float, std::string_view> cases[] = {
        {1000, "1000"},      {-15, "-15"},        {-0.0F, "0"},     {1215.5F, "1215.5"},
        {0.1F, "0.1"},  // the shortest text that reads back
        {1.0F / 3, ""},      {-2.675F, ""},       {1e-7F, ""},      {1e-40F, ""},
        {16777217.0F, ""},   {1e15F, ""},         {1e20F, ""},      {-1e20F, ""},
        {Limits::max(), ""}, {Limits::min(), ""}, {123456.78F, ""}, {Limits::denorm_min(), ""}};
    for (const auto& [value, expected] : cases) {
        const std::string text = FormatSingle(value);
        SCOPED_TRACE(text);
        EXPECT_EQ(ParseSingle(text), value);
        EXPECT_EQ(text.find_first_not_of("0123456789-+.e"), std::string::npos);
        EXPECT_TRUE(expected.empty() || text == expected);
    }
}

TEST(Twips, ConvertAtEachScaling) {
    const std::tuple<double, int, int> cases[] = {
        {1440, 96, 96},    {1440, 120, 120},     {1440, 144, 144}, {15, 96, 1},
        {1000, 96, 67},    {1000, 120, 83},      {1000, 144, 100}, {-1000, 96, -67},
        {7.5, 96, 1},      {-7.5, 96, -1},       {7.4, 96, 0},     {-7.4, 96, 0},
        {1e30, 96, 32767}, {-1e30, 144, -32768}, {1e9, 144, 32767}};
    for (const auto& [twips, dpi, pixels] : cases) {
        SCOPED_TRACE(testing::Message() << twips << " twips at " << dpi << " dpi");
        EXPECT_EQ(TwipsToPixels(twips, dpi), pixels);
    }
    // So that a window saved unmoved reopens where it was, at any scaling.
    for (const int dpi : {96, 120, 144, 168, 192}) {
        EXPECT_DOUBLE_EQ(PixelsToTwips(dpi, dpi), 1440);
        for (int pixels = -3000; pixels <= 3000; pixels += 7) {
            ASSERT_EQ(TwipsToPixels(PixelsToTwips(pixels, dpi), dpi), pixels) << dpi << " dpi";
        }
    }
}

constexpr Placement kFirstRun{1000, 1000, 1215, 3135};

TEST(Placement, EachWindowSavesItsFourKeysAsPlainNumbersAndRestoresThem) {
    MapStore store;
    const Placement main{1000, -15, 1215.5F, 3135}, options{-0.0F, 1e-3F, 4500, 6000};
    SavePlacement(store, "", main);
    SavePlacement(store, "OPTIONS", options);
    const std::map<std::string, std::string> saved = {
        {"MainLeft", "1000"},         {"MainTop", "-15"},           {"MainWidth", "1215.5"},
        {"MainHeight", "3135"},       {"OPTIONSMainLeft", "0"},     {"OPTIONSMainTop", "0.001"},
        {"OPTIONSMainWidth", "4500"}, {"OPTIONSMainHeight", "6000"}};
    EXPECT_EQ(store.values, saved);
    EXPECT_EQ(RestorePlacement(store, "", kFirstRun), main);
    EXPECT_EQ(RestorePlacement(store, "OPTIONS", kFirstRun), options);
    // Each save and each restore is one unit of the store, which keeps other copies out.
    EXPECT_EQ(store.log, "(....)(....)(....)(....)");
}

TEST(Placement, ABadStoredValueSaysWhichKeyWhatTextAndWhere) {
    const std::string huge(100000, '7');
    const std::tuple<std::string, std::string> cases[] = {
        {"abc", "not a number"},   {"", "not a number"},        {"inf", "not a number"},
        {"1000x", "not a number"}, {"1e400x", "not a number"},  {"1e39", "out of range"},
        {"1e400", "out of range"}, {"-3.5e38", "out of range"}, {huge, "out of range"}};
    for (const auto& [text, fault] : cases) {
        SCOPED_TRACE(text.substr(0, 10));
        MapStore store;
        store.values = {{"MainTop", "0"}, {"MainWidth", text}};
        const std::string box = ErrorBoxOf([&] { RestorePlacement(store, "", kFirstRun); });
        EXPECT_THAT(box,
                    AllOf(HasSubstr("\"MainWidth\" holds \"" + text.substr(0, 20)),
                          HasSubstr(", which is " + fault + "."), HasSubstr(MapStore::kPlace)));
        EXPECT_LT(box.size(), 500U);  // a box that still fits on the screen
    }
}

// One 1024 x 768 screen at 96 dpi (15 twips a pixel), its task bar 40 pixels tall at the bottom.
constexpr MonitorArea kScreen{{0, 0, 15360, 11520}, {0, 0, 15360, 10920}};
// The same screen with the task bar on its left, and a second screen right of a gap.
constexpr MonitorArea kLeftBar{{0, 0, 15360, 11520}, {600, 0, 14760, 11520}};
constexpr MonitorArea kFarRight{{30720, 0, 15360, 11520}, {30720, 0, 15360, 11520}};
// A 4-pixel border above a 19-pixel caption; one pixel is the least a mouse can grab.
constexpr CaptionFrame kFrame{600, 450, 60, 285, 15};

TEST(KeepOnScreen, MendsOnlyASizeOrACaptionOutOfReach) {
    // Width, height; kept width, height.
    const float sizes[][4] = {
        {0, 3135, 1215, 3135},      {-1000, 3135, 1215, 3135},   {599, 3135, 1215, 3135},
        {1215, 0, 1215, 3135},      {1215, -1000, 1215, 3135},   {1215, 449, 1215, 3135},
        {600, 450, 600, 450},       {9000, 9000, 9000, 9000},    {1e30F, 3135, 1215, 3135},
        {15361, 11521, 1215, 3135}, {15360, 11520, 15360, 11520}};
    for (const auto& [width, height, keptWidth, keptHeight] : sizes) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        EXPECT_EQ(KeepOnScreen({1000, 1000, width, height}, kFirstRun, kFrame, {{kScreen}}),
                  (Placement{1000, 1000, keptWidth, keptHeight}));
    }
    const std::tuple<const char*, float, float, std::vector<MonitorArea>, float, float> places[] = {
        {"partly off the left", -1000, 1000, {kScreen}, -1000, 1000},
        {"caption partly above the task bar", 1000, 10620, {kScreen}, 1000, 10620},
        {"caption just above", 1000, -345, {kScreen}, 1000, 0},
        {"less than a pixel in", 15353, 1000, {kScreen}, 14145, 1000},
        {"only the top border in", 1000, 10905, {kScreen}, 1000, 7785},
        {"far off both ways", -50000, 90000, {kScreen}, 0, 7785},
        {"behind a left task bar", -1000, 1000, {kLeftBar}, 600, 1000},
        {"nearer the second screen", 47000, 1000, {kScreen, kFarRight}, 44865, 1000},
        {"on the second screen", 31000, 1000, {kScreen, kFarRight}, 31000, 1000},
        // Halfway between the two screens: the first one listed wins.
        {"tie", 22432.5F, 1000, {kScreen, kFarRight}, 14145, 1000},
        {"tie, other order", 22432.5F, 1000, {kFarRight, kScreen}, 30720, 1000},
        {"no monitors", 99999, 99999, {}, 99999, 99999}};
    for (const auto& [name, left, top, monitors, keptLeft, keptTop] : places) {
        SCOPED_TRACE(name);
        const Placement kept = KeepOnScreen({left, top, 1215, 3135}, kFirstRun, kFrame, monitors);
        EXPECT_EQ(kept, (Placement{keptLeft, keptTop, 1215, 3135}))
            << kept.left << ", " << kept.top;
    }
    // Too tall a window keeps its caption on screen; too small and off, it is both mended.
    EXPECT_EQ(KeepOnScreen({1000, -30000, 1215, 11000}, kFirstRun, kFrame, {{kScreen}}),
              (Placement{1000, 0, 1215, 11000}));
    EXPECT_EQ(KeepOnScreen({1000, -9000, -1000, 0}, kFirstRun, kFrame, {{kScreen}}),
              (Placement{1000, 0, 1215, 3135}));
}

TEST(AlwaysOnTopChoice, LoadsAsTheBoxAndAsTheKeeperAtStart) {
    // The stored text (null: none), the box, the keeper at start; nothing where loading fails.
    const std::tuple<const char*, std::optional<int>, std::optional<int>> cases[] = {
        {nullptr, 0, 0}, {"0", 0, 0},    {"1", 1, 1},       {" 1 ", 1, 1},  {"1.0", 1, 1},
        {"2", 2, 0},     {"1.5", 2, 0},  {"0.5", 0, 0},     {"1.2", 1, 0},  {"0.9999", 1, 0},
        {"3", kNo, 0},   {"-1", kNo, 0}, {"40000", kNo, 0}, {"", kNo, kNo}, {"abc", kNo, kNo}};
    for (const auto& [stored, box, keeperAtStart] : cases) {
        SCOPED_TRACE(stored != nullptr ? stored : "(missing)");
        MapStore store;
        if (stored != nullptr) {
            store.values["AlwaysOnTopTimer_TICKBOX"] = stored;
        }
        if (box) {
            EXPECT_EQ(ReadAlwaysOnTopBox(store), static_cast<CheckState>(*box));
        } else {
            EXPECT_THAT(
                ErrorBoxOf([&] { ReadAlwaysOnTopBox(store); }),
                AllOf(HasSubstr("\"AlwaysOnTopTimer_TICKBOX\" holds \"" + std::string(stored)),
                      HasSubstr(MapStore::kPlace)));
        }
        if (keeperAtStart) {
            EXPECT_EQ(ReadKeeperOnAtStart(store), keeperAtStart == 1);
        } else {
            EXPECT_THROW(ReadKeeperOnAtStart(store), Error);
        }
        EXPECT_EQ(store.values.size(), stored != nullptr ? 1U : 0U);  // loading writes nothing
        if (box) {  // the switch stores the box as its number, under its own key
            WriteAlwaysOnTopBox(store, static_cast<CheckState>(*box));
            EXPECT_EQ(store.values, (std::map<std::string, std::string>{
                                        {"AlwaysOnTopTimer_TICKBOX", std::to_string(*box)}}));
        }
    }
}

}  // namespace
}  // namespace tavori
