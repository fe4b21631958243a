#include "tester/model/tester_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "tester/model/basic_number.h"

namespace vexla::tester {
namespace {

using ::testing::ElementsAre;

// Records the calls; numbers are formatted by the real library.
class RecordingDriver : public host::DriverCalls {
  public:
    void GetNewData32Ch(VexlaDataBlock32* block) override {
        calls.push_back("GetNewData32Ch");
        *block = data;
    }
    void GetReFlashRate32(int32_t* rates32) override {
        calls.push_back("GetReFlashRate32");
        std::copy(rates.begin(), rates.end(), rates32);
    }
    void EnableCtrls(uint32_t a, uint32_t b, uint32_t c) override {
        calls.push_back("EnableCtrls(" + std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + ")");
    }
    void SetDataZero() override { calls.push_back("SetDataZero"); }
    void SetHardWareZero() override { calls.push_back("SetHardWareZero"); }
    void SetDataZeroCh(uint32_t channel) override { calls.push_back("SetDataZeroCh(" + std::to_string(channel) + ")"); }
    void SetHardWareZeroCh(uint32_t channel) override {
        calls.push_back("SetHardWareZeroCh(" + std::to_string(channel) + ")");
    }
    void DLL_End_Application() override { calls.push_back("DLL_End_Application"); }
    void Long2String(int32_t value, uint32_t decimals, char* buffer, uint32_t length) override {
        ::Long2String(value, decimals, buffer, length);
        lastLength = static_cast<uint8_t>(length);
    }
    std::vector<std::string> Take() { return std::exchange(calls, {}); }

    std::array<int32_t, 32> rates{};
    VexlaDataBlock32 data{};
    std::vector<std::string> calls;
    uint8_t lastLength = 0;
};

TEST(BasicVal, ReadsTheLongestNumberAtTheStart) {
    const std::pair<const char*, double> cases[] = {
        {"15", 15},   {"0", 0},           {"33", 33},  {"1.4", 1.4}, {"2.5", 2.5}, {" 7", 7},    {"-3", -3},
        {"+4", 4},    {"12abc", 12},      {"abc", 0},  {"", 0},      {"1 2", 12},  {"\t 9 ", 9}, {"3.5.1", 3.5},
        {".5", 0.5},  {"-", 0},           {"1e1", 10}, {"2D1", 20},  {"1e", 1},    {"1e+", 1},   {"&H1F", 31},
        {"&o17", 15}, {"&HFFFFFFFF", -1}, {"1,5", 1},
    };
    for (const auto& [text, value] : cases) EXPECT_DOUBLE_EQ(BasicVal(text), value) << '"' << text << '"';
    EXPECT_TRUE(std::isinf(BasicVal("1e999")));
}

TEST(ChannelBox, SendsOnlyChannelNumbersOneToThirtyTwoRoundedHalfToEven) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"15", 14},
        {"0", std::nullopt},
        {"33", std::nullopt},
        {"32", 31},
        {"1", 0},
        {"1.4", 0},
        {"2.5", 1},
        {"3.5", 3},
        {"1.5", 1},
        {"0.5", std::nullopt},
        {"32.5", 31},
        {"32.6", std::nullopt},
        {" 7", 6},
        {"-3", std::nullopt},
        {"12abc", 11},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {"1e999", std::nullopt},
        {"&H20", 31},
        {"0.6", 0},
    };
    for (const auto& [text, index] : cases) EXPECT_EQ(ChannelIndexFromText(text), index) << '"' << text << '"';
}

TEST(TesterTexts, CountersRatesAndValues) {
    EXPECT_EQ(CounterText(0), "[0000]");
    EXPECT_EQ(CounterText(12), "[0012]");
    EXPECT_EQ(CounterText(345), "[0345]");
    EXPECT_EQ(CounterText(9999), "[9999]");
    const std::pair<int32_t, const char*> rates[] = {{5, " 0.5次/秒[0012]"},
                                                     {53, " 5.3次/秒[0012]"},
                                                     {99, " 9.9次/秒[0012]"},
                                                     {120, "12.0次/秒[0012]"},
                                                     {0, "数据脱离 [0012]"}};
    for (const auto& [rate, text] : rates) EXPECT_EQ(RateText(rate, 12), text) << rate;
    EXPECT_FALSE(RateText(-1, 12).has_value());

    RecordingDriver driver;
    EXPECT_EQ(ValueText(driver, 12346, 3), "      12.346 mm");
    EXPECT_EQ(ValueText(driver, -12346, 4), "     -1.2346 mm");
    EXPECT_EQ(driver.lastLength, 13);
    EXPECT_EQ(ValueText(driver, std::numeric_limits<int32_t>::min(), 4), "-214748.3648 mm") << "the widest value fits";
    EXPECT_EQ(ValueText(driver, std::numeric_limits<int32_t>::min(), 10), "************* mm")
        << "a number that does not fit: the driver's stars, read no further than the buffer";
}

class Tester : public ::testing::Test {
  protected:
    void Fresh(int channel, int32_t value, int32_t displacement, int32_t rate) {
        driver.data.updated[channel] = -1;
        driver.data.value[channel] = value;
        driver.data.displacement[channel] = displacement;
        driver.rates[channel] = rate;
    }
    void Quiet() {
        driver.data = {};
        driver.rates.fill(-1);
    }
    RecordingDriver driver;
    TesterModel model{driver};
};

TEST_F(Tester, LoadShowsDashesAndSwitchesTheDriverWindowOn) {
    model.Load();
    for (int box = 0; box < kBoxes; ++box) EXPECT_EQ(model.Box(box), "   ------   ") << box;
    EXPECT_THAT(driver.Take(), ElementsAre("EnableCtrls(1,1,1)"));
    Quiet();
    EXPECT_TRUE(model.Timer1Timer().empty()) << "no link yet: every box keeps its text";
    EXPECT_THAT(driver.Take(), ElementsAre("GetReFlashRate32", "GetNewData32Ch"));
    EXPECT_EQ(model.Box(RateBox(0)), "   ------   ");
}

TEST_F(Tester, ATickWritesFreshChannelsCountsThemAndKeepsTheRest) {
    model.Load();
    Quiet();
    Fresh(0, 12346, -5, 53);
    driver.rates[1] = 0;
    const ChangedBoxes changed = model.Timer1Timer();
    EXPECT_EQ(std::vector<int>(changed.begin(), changed.end()), (std::vector<int>{0, 1, 2, 5}));
    EXPECT_EQ(model.Box(0), "      12.346 mm");
    EXPECT_EQ(model.Box(1), "      -0.005 mm");
    EXPECT_EQ(model.Box(2), " 5.3次/秒[0001]");
    EXPECT_EQ(model.Box(5), "数据脱离 [0000]");
    EXPECT_EQ(model.Box(3), "   ------   ") << "a dropped-out channel keeps its value texts";
    EXPECT_EQ(model.UpdateCount(0), 1);

    model.SetThousandth(true);
    Quiet();
    Fresh(0, 12346, -5, 120);
    model.Timer1Timer();
    EXPECT_EQ(model.Box(0), "      1.2346 mm");
    EXPECT_EQ(model.Box(2), "12.0次/秒[0002]");
    Quiet();
    EXPECT_TRUE(model.Timer1Timer().empty());
    EXPECT_EQ(model.UpdateCount(0), 2) << "no fresh value, no count";
}

TEST_F(Tester, TheCounterWrapsFrom9999To0) {
    model.Load();
    Quiet();
    Fresh(31, 1, 1, 50);
    for (int tick = 0; tick < 9999; ++tick) model.Timer1Timer();
    EXPECT_EQ(model.Box(RateBox(31)), " 5.0次/秒[9999]");
    model.Timer1Timer();
    EXPECT_EQ(model.UpdateCount(31), 0);
    EXPECT_EQ(model.Box(RateBox(31)), " 5.0次/秒[0000]");
}

TEST_F(Tester, ButtonsSendWhatTheirBoxesName) {
    model.Command1();
    model.Command2();
    for (const char* text : {"15", "0", "33", "32", "1.4", "2.5", "abc", ""}) {
        model.Command3(text);
        model.Command4(text);
    }
    model.Unload();
    EXPECT_THAT(driver.Take(),
                ElementsAre("SetDataZero", "SetHardWareZero", "SetDataZeroCh(14)", "SetHardWareZeroCh(14)",
                            "SetDataZeroCh(31)", "SetHardWareZeroCh(31)", "SetDataZeroCh(0)", "SetHardWareZeroCh(0)",
                            "SetDataZeroCh(1)", "SetHardWareZeroCh(1)", "DLL_End_Application"));
}

}  // namespace
}  // namespace vexla::tester
