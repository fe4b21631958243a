// Pellin.exe as a tester uses it: started beside Vexla.dll with gaugesim on
// a COM port, driven through its buttons from this process and read back
// from its boxes.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tester/win32/pellin_ids.h"
#include "wine_end_to_end.h"
#include "wine_program.h"

namespace vexla::tester {
namespace {

using namespace wine;

BOOL CALLBACK CollectText(HWND child, LPARAM texts) {
    *reinterpret_cast<std::wstring*>(texts) += WindowText(child) + L"\n";
    return TRUE;
}

class Pellin : public ::testing::Test {
  protected:
    void TearDown() override {
        if (form_ != nullptr) PostMessageW(form_, WM_CLOSE, 0, 0);
        pellin_.WaitForExit(10000);
    }

    std::string Box(int index) const { return Narrow(WindowText(GetDlgItem(form_, ids::kText1 + index))); }
    bool BoxBecomes(int index, const std::string& text) const {
        return Eventually([&] { return Box(index) == text; });
    }
    // The update count in a rate box ("... [0012]"), -1 when there is none.
    int Counter(int channel) const {
        const std::string text = Box(3 * channel + 2);
        const auto open = text.rfind('[');
        if (open == std::string::npos || text.size() < open + 6) return -1;
        return std::stoi(text.substr(open + 1, 4));
    }
    void Click(int id) const { ClickButton(form_, id); }
    bool PressUntilLogged(int id, const std::string& heard) {
        return RepeatUntil([&] { Click(id); }, [&] { return !Matching(simulator.Log(), heard).empty(); });
    }

    Simulator simulator;
    Process pellin_;
    HWND form_ = nullptr;
};

TEST_F(Pellin, TheBoxesFillAndTheButtonsReachTheGauges) {
    // The program never chooses a segment: the driver reads segment 0's file.
    ASSERT_NO_FATAL_FAILURE(WriteConfig(0, Settings(3, 26)));
    ASSERT_EQ(simulator.Start("--format 3 --com 26 --channels 1-4,15 --motion still --position 2.5 --silence 3@8+1000"),
              "");
    ASSERT_TRUE(pellin_.Start(ProgramFolder() / L"Pellin.exe")) << GetLastError();
    ASSERT_TRUE(Eventually([&] {
        form_ = TopWindow(pellin_.Id(), L"Mainform");
        return form_ != nullptr && GetDlgItem(form_, ids::kCommand4) != nullptr;
    }));
    EXPECT_EQ(Narrow(WindowText(form_)), "容栅数显千分表/百分表通用 DLL演示程序          Vexla  vexla.example.com");
    EXPECT_EQ(Narrow(WindowText(GetDlgItem(form_, ids::kTextChA))), "15");

    // Values with " mm", counters counting, the silent gauge's rate box.
    ASSERT_TRUE(BoxBecomes(0, "       2.500 mm")) << Box(0);
    EXPECT_EQ(Box(1), "       2.500 mm");
    ASSERT_TRUE(BoxBecomes(3 * 14, "       2.500 mm")) << Box(3 * 14);
    const int early = Counter(0);
    ASSERT_TRUE(Eventually([&] { return Counter(0) >= early + 3; })) << Box(2);
    EXPECT_NE(Box(2).find("次/秒["), std::string::npos) << Box(2);
    // Gauge 3 reads first, then falls silent 8 s after the simulator's start.
    ASSERT_TRUE(BoxBecomes(3 * 2, "       2.500 mm")) << Box(3 * 2);
    ASSERT_TRUE(Eventually([&] { return Box(3 * 2 + 2).rfind("数据脱离 [", 0) == 0; })) << Box(8);
    EXPECT_EQ(Box(3 * 2), "       2.500 mm") << "a silent channel keeps its value";
    EXPECT_EQ(Box(3 * 19), "   ------   ") << "an absent gauge's boxes keep their dashes";

    // 15 #通道位移重置 zeroes channel 15 only; then 全部位移重置 zeroes them all.
    Click(ids::kCommand3);
    ASSERT_TRUE(BoxBecomes(3 * 14 + 1, "       0.000 mm")) << Box(3 * 14 + 1);
    EXPECT_EQ(Box(1), "       2.500 mm");
    Click(ids::kCommand1);
    ASSERT_TRUE(BoxBecomes(1, "       0.000 mm")) << Box(1);
    EXPECT_EQ(Box(0), "       2.500 mm") << "the display value stays";

    // The hardware zeroes reach the gauges.
    ASSERT_TRUE(PressUntilLogged(ids::kCommand4, "for channel 15")) << Dump(simulator.Log());
    EXPECT_EQ(Matching(simulator.Log(), "channel zero frame").size(), 1u) << Dump(simulator.Log());
    ASSERT_TRUE(PressUntilLogged(ids::kCommand2, "command code 2 (fast state, zero) for all gauges"))
        << Dump(simulator.Log());

    // Closing ends the program and frees the port.
    PostMessageW(form_, WM_CLOSE, 0, 0);
    form_ = nullptr;
    const auto exit = pellin_.WaitForExit(10000);
    ASSERT_TRUE(exit.has_value()) << "Pellin did not end after its window closed";
    EXPECT_EQ(*exit, 0u);
    EXPECT_TRUE(Eventually([&] { return simulator.Users().empty(); }, 5s));
}

TEST_F(Pellin, WithoutTheLibraryItSaysSoAndEnds) {
    const LoneCopy alone(L"Pellin.exe");
    ASSERT_TRUE(alone.Ready());
    ASSERT_TRUE(pellin_.Start(alone.Path()));
    HWND report = nullptr;
    ASSERT_TRUE(Eventually([&] { return (report = TopWindow(pellin_.Id(), L"#32770")) != nullptr; }))
        << "no report of the missing library";
    // The box is found a moment before its texts are in place.
    std::wstring texts;
    EXPECT_TRUE(Eventually(
        [&] {
            texts.clear();
            EnumChildWindows(report, &CollectText, reinterpret_cast<LPARAM>(&texts));
            return texts.find(L"Vexla.dll") != std::wstring::npos;
        },
        10s))
        << Narrow(texts);
    PostMessageW(report, WM_COMMAND, IDOK, 0);
    const auto exit = pellin_.WaitForExit(10000);
    ASSERT_TRUE(exit.has_value()) << "Pellin did not end after its report";
    EXPECT_EQ(*exit, 2u);
}

}  // namespace
}  // namespace vexla::tester
