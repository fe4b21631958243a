// VexlaStation.exe as an operator uses it: started with a station file of
// its own, beside Vexla.dll, with eight gauges of gaugesim on COM70 (one
// drifting, one silent), driven through its window from this process and
// read back from what its window shows and from the day's records.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "station/model/station_texts.h"
#include "station/model/tile_state.h"
#include "station_ids.h"
#include "station_layout.h"
#include "ui/win32/painted_view.h"
#include "ui/win32/text_grid_remote.h"
#include "window_texts.h"
#include "wine_end_to_end.h"
#include "wine_program.h"

namespace vexla::station {
namespace {

using namespace wine;
namespace fs = std::filesystem;

constexpr int kPort = 70;
constexpr int kSegment = 70;
constexpr auto kDrift = 60s;  // the drifting gauge's way out of its limits

const StationTexts& Zh() {
    return TextsFor(Language::Chinese);
}

std::string Text(HWND window) {
    std::wstring text(8192, L'\0');
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 2000,
                        &length);
    text.resize(std::min<std::size_t>(length, text.size()));
    return Narrow(text);
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

struct Box {
    HWND window = nullptr;
    std::string text;
};

struct BoxSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindBox(HWND window, LPARAM search) {
    auto& s = *reinterpret_cast<BoxSearch*>(search);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (process != s.process || std::wstring(className) != L"#32770" || !IsWindowVisible(window)) return TRUE;
    s.found = window;
    return FALSE;
}

class StationProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ = fs::path(temp) / (L"vexla-station-" + std::to_wstring(GetCurrentProcessId()));
        fs::create_directories(folder_);
    }

    void TearDown() override {
        if (form_ != nullptr) PostMessageW(form_, WM_CLOSE, 0, 0);
        station_.WaitForExit(10000);
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    fs::path File(const wchar_t* name) const { return folder_ / name; }

    void Write(const fs::path& path, const std::string& utf8) const {
        std::ofstream out(path, std::ios::binary);
        out << utf8;
    }

    // Limits 0 ± 0.05 mm for every gauge, chart limits of an earlier run for
    // the drifting one and for one that a zeroed gauge lies below, and the
    // station on segment 70.
    void WriteStationFile(const std::string& limits) {
        std::string table = "# channel, nominal, lower, upper\n";
        for (int c = 1; c <= 8; ++c) table += std::to_string(c) + ", 0, -0.05, 0.05\n";
        Write(File(L"limits.txt"), table);
        Write(File(L"control.csv"),
              "channel,chart,subgroup,centre,lower,upper,spread_centre,spread_lower,spread_upper,sigma_within\n"
              "3,I-MR,1,0,-0.015,0.015,0.005,0,0.017,0.005\n"
              "5,I-MR,1,0.03,0.02,0.04,0.003,0,0.01,0.003\n");
        Write(File(L"station.ini"), "[station]\nsegment = " + std::to_string(kSegment) + "\nchannels = 1-8\nlimits = " +
                                        limits + "\ncontrol_limits = " + Narrow(File(L"control.csv").wstring()) +
                                        "\nwarning = 75\ncapture_key = F9\nscan_then_capture = 1\n"
                                        "master_interval_h = 8\nrecords = " +
                                        Narrow(File(L"records").wstring()) +
                                        "\nlanguage = zh\nbatch = B-17\noperator = 王芳\n"
                                        "[names]\n1 = 外径\n3 = 孔深\n");
    }

    void StartStation(const fs::path& program) {
        ASSERT_TRUE(station_.Start(program, L"--station \"" + File(L"station.ini").wstring() + L"\""))
            << GetLastError();
        ASSERT_TRUE(Eventually([&] {
            form_ = TopWindow(station_.Id(), L"VexlaStation");
            return form_ != nullptr && GetDlgItem(form_, ids::kStatusBar) != nullptr;
        }));
    }

    HWND Control(int id) const { return GetDlgItem(form_, id); }
    static int State(HWND view) {
        DWORD_PTR state = 0;
        SendMessageTimeoutW(view, PVM_GETSTATE, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
        return static_cast<int>(state);
    }
    // A tile as the board says it shows it; nothing for a tile not shown.
    std::optional<TileLine> Tile(int channel) const {
        for (const TileLine& t : ParseTileLines(Text(Control(ids::kTiles))))
            if (t.channel == channel) return t;
        return std::nullopt;
    }
    std::string Said(int channel) const {
        const auto t = Tile(channel);
        return t ? t->name + " " + t->shown + " colour " + std::to_string(t->colour) : "no tile";
    }
    bool TileBecomes(int channel, TileColour colour, const std::string& shown) {
        return Eventually([&] {
            const auto t = Tile(channel);
            return t && t->colour == static_cast<int>(colour) && t->shown == shown;
        });
    }
    void ClickTile(int channel) const {
        const auto t = Tile(channel);
        ASSERT_TRUE(t.has_value()) << channel;
        PostMessageW(Control(ids::kTiles), WM_LBUTTONDOWN, MK_LBUTTON,
                     MAKELPARAM((t->left + t->right) / 2, (t->top + t->bottom) / 2));
    }

    // A message box of the station: its text, once it is up.
    Box WaitForBox() {
        Box box;
        Eventually([&] {
            BoxSearch search{station_.Id(), nullptr};
            EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&search));
            box.window = search.found;
            return box.window != nullptr;
        });
        if (box.window != nullptr) box.text = Text(GetDlgItem(box.window, 0xFFFF));
        return box;
    }
    static void Answer(const Box& box, int button) {
        PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    }

    // A click as the operator's: the window in front, the button pressed.
    void Press(HWND window, int id) const {
        SetForegroundWindow(window);
        PostMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0);
    }
    // The scanner types into the focused field and ends with its key.
    void Scan(const std::string& identity, UINT key) const {
        const HWND field = Control(ids::kPartId);
        for (wchar_t c : Widen(identity)) PostMessageW(field, WM_CHAR, c, 1);
        PostMessageW(field, WM_KEYDOWN, key, 1);
        PostMessageW(field, WM_KEYUP, key, 0xC0000001);
    }
    HWND Focus() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(form_, nullptr), &info);
        return info.hwndFocus;
    }
    std::string Records() const {
        for (const auto& entry : fs::directory_iterator(File(L"records"))) {
            if (entry.path().extension() != L".csv") continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::stringstream text;
            text << in.rdbuf();
            return text.str();
        }
        return {};
    }

    Simulator simulator;
    Process station_;
    fs::path folder_;
    HWND form_ = nullptr;
};

TEST_F(StationProgram, TilesCaptureChartAndMaster) {
    ASSERT_NO_FATAL_FAILURE(WriteConfig(kSegment, Settings(3, kPort)));
    ASSERT_NO_FATAL_FAILURE(WriteStationFile(Narrow(File(L"limits.txt").wstring())));
    // Gauge 2 near its limit, 4 beyond it, 3 drifting up, 8 silent throughout.
    ASSERT_EQ(simulator.Start("--format 3 --com " + std::to_string(kPort) +
                              " --channels 1-8 --motion still --position 0 --position 2=0.04 --position 4=0.2"
                              " --motion 3=ramp --speed 0.006 --silence 8@0+100000"),
              "");
    ASSERT_NO_FATAL_FAILURE(StartStation(ProgramFolder() / L"VexlaStation.exe"));
    EXPECT_EQ(Narrow(WindowText(form_)), Zh().title);

    // The tiles fill and take the limits' colours; never mastered, the bar asks for it.
    ASSERT_TRUE(TileBecomes(1, TileColour::Green, "0.00")) << Said(1);
    EXPECT_EQ(Tile(1)->name, "外径");
    ASSERT_TRUE(TileBecomes(2, TileColour::Amber, "0.04")) << Said(2);
    ASSERT_TRUE(TileBecomes(4, TileColour::Red, "0.20")) << Said(4);
    ASSERT_TRUE(TileBecomes(7, TileColour::Green, "0.00")) << Said(7);
    EXPECT_TRUE(TileBecomes(8, TileColour::Grey, Zh().noSignal)) << Said(8);
    EXPECT_TRUE(IsWindowVisible(Control(ids::kMasterBar)));
    EXPECT_TRUE(Contains(Text(Control(ids::kMasterBar)), Zh().masterDue)) << Text(Control(ids::kMasterBar));

    // The setup leaves the failing and the silent gauge out.
    Press(form_, ids::kSetup);
    HWND setup = nullptr;
    ASSERT_TRUE(Eventually([&] { return (setup = TopWindow(station_.Id(), L"VexlaStationSetup")) != nullptr; }));
    ASSERT_TRUE(Eventually([&] { return IsWindowVisible(setup) != FALSE; }));
    EXPECT_EQ(Text(GetDlgItem(setup, ids::kSetupChannels)), "1-8");
    EXPECT_EQ(Text(GetDlgItem(setup, ids::kSetupSegment)), "70");
    SendMessageW(GetDlgItem(setup, ids::kSetupChannels), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"1-3,5-7"));
    Press(setup, IDOK);
    ASSERT_TRUE(Eventually([&] { return !IsWindow(setup) && !Tile(8) && !Tile(4); }));
    ASSERT_TRUE(Tile(7).has_value());

    // Zero on master, after the operator's yes: every displacement from zero.
    Press(form_, ids::kZeroOnMaster);
    const Box confirm = WaitForBox();
    ASSERT_NE(confirm.window, nullptr);
    EXPECT_EQ(confirm.text, Zh().confirmMaster);
    Answer(confirm, IDYES);
    ASSERT_TRUE(TileBecomes(2, TileColour::Green, "0.00")) << Said(2);
    for (int channel : {1, 5, 6, 7}) EXPECT_EQ(Tile(channel).value_or(TileLine{}).shown, "0.00") << channel;
    EXPECT_LE(std::stod("0" + Tile(3).value_or(TileLine{}).shown), 0.02) << "the drifting gauge from zero too";
    ASSERT_TRUE(Eventually([&] { return IsWindowVisible(Control(ids::kMasterBar)) == FALSE; }));

    // A scanned part, captured by the scanner's Enter: OK.
    SetForegroundWindow(form_);
    ASSERT_TRUE(Eventually([&] { return Focus() == Control(ids::kPartId); })) << "the scanner's field has the focus";
    Scan("A-1001", VK_RETURN);
    const HWND verdict = Control(ids::kVerdict);
    ASSERT_TRUE(Eventually([&] { return State(verdict) == ids::kVerdictOk; })) << Text(verdict);
    EXPECT_EQ(Text(verdict), Zh().ok);
    EXPECT_EQ(Text(Control(ids::kPartId)), "") << "the identity is taken with the part";
    EXPECT_EQ(Focus(), Control(ids::kPartId));
    EXPECT_TRUE(TileBecomes(5, TileColour::Amber, "0.00")) << "the part broke gauge 5's chart: " << Said(5);

    // The drifting gauge leaves its limits; the pedal captures the next part: NOK, naming it.
    ASSERT_TRUE(
        Eventually([&] { return Tile(3).value_or(TileLine{}).colour == static_cast<int>(TileColour::Red); }, kDrift))
        << Said(3);
    Scan("A-1002", VK_F9);
    ASSERT_TRUE(Eventually([&] { return State(verdict) == ids::kVerdictNok; })) << Text(verdict);
    EXPECT_TRUE(Contains(Text(verdict), "孔深")) << Text(verdict);
    EXPECT_FALSE(Contains(Text(verdict), "外径")) << Text(verdict);
    EXPECT_TRUE(Contains(Text(Control(ids::kParts)), "2")) << Text(Control(ids::kParts));
    EXPECT_TRUE(Contains(Text(Control(ids::kNokParts)), "1")) << Text(Control(ids::kNokParts));
    EXPECT_TRUE(Contains(Text(Control(ids::kYield)), "50.0")) << Text(Control(ids::kYield));

    // Its chart, chosen by its tile, shows the broken rule; its Ppk is the worst.
    ASSERT_NO_FATAL_FAILURE(ClickTile(3));
    const HWND chart = Control(ids::kChart);
    ASSERT_TRUE(Eventually([&] { return Contains(Text(chart), "孔深"); })) << Text(chart);
    EXPECT_TRUE(Contains(Text(chart), Zh().ruleBroken)) << Text(chart);
    EXPECT_GE(State(chart), 1) << "points marked as breaking a rule";
    EXPECT_EQ(Narrow(ui::ReadGridCellText(Control(ids::kCapability), 0, 1).value_or(L"?")), "孔深");

    // The day's file holds both parts with their identities and judgements.
    const std::string records = Records();
    const auto lineWith = [&](const std::string& part) {
        const auto at = records.find(part);
        if (at == std::string::npos) return std::string();
        const auto start = records.rfind('\n', at) + 1;
        return records.substr(start, records.find('\n', at) - start);
    };
    EXPECT_TRUE(Contains(lineWith("A-1001"), "OK") && !Contains(lineWith("A-1001"), "NOK")) << records;
    EXPECT_TRUE(Contains(lineWith("A-1002"), "NOK")) << records;
    EXPECT_TRUE(Contains(records, "B-17") && Contains(records, "王芳")) << records;

    // A new shift: its batch kept in the station file, the counters from zero.
    SendMessageW(Control(ids::kBatch), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"B-18"));
    Press(form_, ids::kNewShift);
    ASSERT_TRUE(Eventually([&] { return Contains(Text(Control(ids::kParts)), " 0"); })) << Text(Control(ids::kParts));
    std::ifstream in(File(L"station.ini"), std::ios::binary);
    std::stringstream saved;
    saved << in.rdbuf();
    EXPECT_TRUE(Contains(saved.str(), "batch = B-18")) << saved.str();

    // The driver's own window, hidden by its file, comes up.
    const HWND driverWindow = TopWindow(station_.Id(), L"TForm_Call");
    ASSERT_NE(driverWindow, nullptr);
    EXPECT_FALSE(IsWindowVisible(driverWindow));
    Press(form_, ids::kDriverWindow);
    EXPECT_TRUE(Eventually([&] { return IsWindowVisible(driverWindow) != FALSE; }));

    // Closing ends the program and frees the port.
    PostMessageW(form_, WM_CLOSE, 0, 0);
    form_ = nullptr;
    const auto exit = station_.WaitForExit(10000);
    ASSERT_TRUE(exit.has_value()) << "the station did not end after its window closed";
    EXPECT_EQ(*exit, 0u);
    EXPECT_TRUE(Eventually([&] { return simulator.Users().empty(); }, 5s));
}

TEST_F(StationProgram, AFirstStartOpensTheSetupWithDefaultsAndKeepsWhatIsChosen) {
    constexpr int kFirstPort = 74;
    ASSERT_NO_FATAL_FAILURE(WriteConfig(kFirstPort, Settings(3, kFirstPort)));
    ASSERT_EQ(simulator.Start("--format 3 --com " + std::to_string(kFirstPort) +
                              " --channels 1-4 --motion still --position 1.25"),
              "");
    ASSERT_FALSE(fs::exists(File(L"station.ini")));
    ASSERT_NO_FATAL_FAILURE(StartStation(ProgramFolder() / L"VexlaStation.exe"));
    HWND setup = nullptr;
    ASSERT_TRUE(Eventually([&] {
        setup = TopWindow(station_.Id(), L"VexlaStationSetup");
        return setup != nullptr && IsWindowVisible(setup);
    }));
    const auto field = [&](int id) { return GetDlgItem(setup, id); };
    EXPECT_EQ(Text(field(ids::kSetupChannels)), "1-8");
    EXPECT_EQ(Text(field(ids::kSetupCaptureKey)), "F9");
    EXPECT_EQ(Text(field(ids::kSetupWarning)), "75");
    EXPECT_FALSE(Text(field(ids::kSetupRecords)).empty());

    // A channel list that cannot be is refused, naming what is wanted; the dialog stays.
    const auto type = [&](int id, const std::wstring& text) {
        SendMessageW(field(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    };
    type(ids::kSetupSegment, std::to_wstring(kFirstPort));
    type(ids::kSetupChannels, L"1-40");
    type(ids::kSetupRecords, File(L"records").wstring());
    Press(setup, IDOK);
    const Box refused = WaitForBox();
    ASSERT_NE(refused.window, nullptr);
    EXPECT_EQ(refused.text, WindowTextsFor(Language::Chinese).badChannels);
    Answer(refused, IDOK);
    ASSERT_TRUE(Eventually([&] { return !IsWindow(refused.window); }));
    EXPECT_TRUE(IsWindow(setup));
    type(ids::kSetupChannels, L"1-4");
    Press(setup, IDOK);

    // Kept in the file, and the station at work with it.
    ASSERT_TRUE(Eventually([&] { return !IsWindow(setup); }));
    std::ifstream in(File(L"station.ini"), std::ios::binary);
    std::stringstream saved;
    saved << in.rdbuf();
    EXPECT_TRUE(Contains(saved.str(), "segment = 74")) << saved.str();
    EXPECT_TRUE(Contains(saved.str(), "channels = 1-4")) << saved.str();
    EXPECT_TRUE(Eventually([&] { return Tile(4).value_or(TileLine{}).shown == "1.25"; })) << Said(4);
    EXPECT_FALSE(Tile(5).has_value());
}

TEST_F(StationProgram, WithoutItsLimitsAndItsDriverItSaysSoAndStays) {
    const std::string missing = Narrow(File(L"no-such-limits.txt").wstring());
    ASSERT_NO_FATAL_FAILURE(WriteStationFile(missing));
    const LoneCopy alone(L"VexlaStation.exe");
    ASSERT_TRUE(alone.Ready());
    ASSERT_NO_FATAL_FAILURE(StartStation(alone.Path()));

    const Box problems = WaitForBox();
    ASSERT_NE(problems.window, nullptr);
    EXPECT_TRUE(Contains(problems.text, "no-such-limits.txt")) << problems.text;
    Answer(problems, IDOK);
    ASSERT_TRUE(Eventually([&] { return !IsWindow(problems.window); }));
    const Box driver = WaitForBox();
    ASSERT_NE(driver.window, nullptr);
    EXPECT_TRUE(Contains(driver.text, "Vexla.dll")) << driver.text;
    EXPECT_TRUE(Contains(driver.text, Zh().noDriver)) << driver.text;
    Answer(driver, IDOK);

    // The window stays, its tiles grey; a capture takes nothing.
    ASSERT_TRUE(Eventually([&] { return !IsWindow(driver.window); }));
    EXPECT_EQ(Tile(1)->colour, static_cast<int>(TileColour::Grey));
    EXPECT_EQ(Tile(1)->shown, Zh().noSignal);
    Press(form_, ids::kCapture);
    ASSERT_TRUE(Eventually([&] {
        return Contains(Text(Control(ids::kStatusBar)), WindowTextsFor(Language::Chinese).noCapture);
    })) << Text(Control(ids::kStatusBar));
    EXPECT_EQ(State(Control(ids::kVerdict)), ids::kVerdictNone);
    EXPECT_TRUE(IsWindow(form_));
    PostMessageW(form_, WM_CLOSE, 0, 0);
    form_ = nullptr;
    const auto exit = station_.WaitForExit(10000);
    ASSERT_TRUE(exit.has_value());
    EXPECT_EQ(*exit, 0u);
}

}  // namespace
}  // namespace vexla::station
