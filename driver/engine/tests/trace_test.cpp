// What the driver writes to the diagnostic trace: connects and their
// settings, open failures with the system's error, the watchdog's reopens
// and a lost port, configuration failures, and once a second what the line
// brought.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <system_error>

#include "engine/tests/live_driver.h"
#include "protocol/data_format.h"

namespace vexla {
namespace {

class Trace : public testing::LiveDriver {
  protected:
    bool Traced(const std::string& text) const {
        return std::any_of(notices.traces.begin(), notices.traces.end(),
                           [&](const std::string& line) { return line.find(text) != std::string::npos; });
    }
    std::string All() const {
        std::string all;
        for (const auto& line : notices.traces) all += line + "\n";
        return all;
    }
};

TEST_F(Trace, ConnectsFailuresAndTheWatchdog) {
    Connect(kFormatPushedGeneral, 4);
    EXPECT_TRUE(Traced("connect: COM4 at 19200 baud, data format 3, segment 0, averaging depth 10")) << All();

    for (int t = 0; t < 20; ++t) Tick();
    EXPECT_TRUE(Traced("watchdog: nothing from COM4 for ten ticks; the port was closed and opened again")) << All();
    port.openSucceeds = false;
    for (int t = 0; t < 20; ++t) Tick();
    EXPECT_TRUE(
        Traced("watchdog: COM4 could not be opened again, the link is closed: Error opening serial port "
               "(OS error 2)"))
        << All();

    notices.traces.clear();
    EXPECT_EQ(d.ConnectComm(19200, 6), 0);
    EXPECT_TRUE(Traced("connect: COM6 did not open: Error opening serial port (OS error 2)")) << All();

    // Open, but not at the settings asked for: the line may be at another speed.
    port.openSucceeds = true;
    port.refusedSettings = std::make_error_code(std::errc::invalid_argument);  // EINVAL, 22
    EXPECT_EQ(d.ConnectComm(19200, 7), -1);
    EXPECT_TRUE(
        Traced("connect: COM7 at 19200 baud, data format 3, segment 0, averaging depth 10; the device "
               "refused line settings (OS error 22)"))
        << All();
    for (int t = 0; t < 25; ++t) Tick();
    EXPECT_TRUE(Traced("the port was closed and opened again; the device refused line settings (OS error 22)"))
        << All();
}

TEST_F(Trace, OnceASecondWhatTheLineBrought) {
    Connect(kFormatPushedGeneral);
    notices.traces.clear();
    for (int t = 0; t < 20; ++t) {
        Answer(1);
        Answer(4);
        if (t % 5 == 0) {
            auto damaged = EncodeGeneralFrame({2, 100, 100, false, false});
            damaged[10] ^= 1;
            d.SPComReceiveData(Bytes(damaged.begin(), damaged.end()));
        }
        Tick();
    }
    ASSERT_EQ(notices.traces.size(), 1u) << All();
    EXPECT_EQ(notices.traces[0], "line COM1: readings by channel 2:20 5:20; windows rejected 4");
    for (int t = 0; t < 20; ++t) TickOnBusyLine();  // bytes, but no frame
    EXPECT_EQ(notices.traces.back(), "line COM1: readings by channel none; windows rejected 0");
}

TEST_F(Trace, ConfigurationFailuresWithTheirPath) {
    testing::MemoryFiles files;
    ConfigFile config(files, "cfg");
    Driver driver({&port, &notices, &window, &config, &panel});
    ASSERT_EQ(driver.ConnectComm(19200, 1), -1);
    files.failWrites = true;
    driver.SpinEditFillterChange(7);
    const std::error_code full = std::make_error_code(std::errc::no_space_on_device);
    EXPECT_TRUE(Traced("configuration file: Unable to write to " + config.FilePath() + " (OS error " +
                       std::to_string(full.value()) + ": " + full.message() + ")"))
        << All();
}

}  // namespace
}  // namespace vexla
