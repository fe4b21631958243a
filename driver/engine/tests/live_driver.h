#pragma once
// A driver wired to recording seams and connected, for tick-by-tick tests.

#include <gtest/gtest.h>

#include "engine/driver.h"
#include "engine/tests/recording_seams.h"

namespace vexla::testing {

class LiveDriver : public ::testing::Test {
protected:
    LiveDriver() {
        d.Port = &port;
        d.Notices = &notices;
        d.Window = &window;
    }
    // Connects in `format` with no configuration file: the settings in
    // memory are what the file would have given.
    void Connect(uint8_t format, int16_t portNumber = 1) {
        d.Settings.DataFormat = format;
        d.Settings.PortNumber = 0;
        d.Settings.BaudRate = 0;
        ASSERT_EQ(d.ConnectComm(19200, portNumber), -1);
    }
    // One timer tick with the line kept alive, so supervision stays quiet.
    std::vector<uint8_t> Tick() {
        d.ReceiveWatchdog = 12;
        d.PopUpFormTimerTimer();
        return port.TakeWrites();
    }
    Driver d;
    RecordingPort port;
    RecordingNotifier notices;
    RecordingWindow window;
};

}  // namespace vexla::testing
