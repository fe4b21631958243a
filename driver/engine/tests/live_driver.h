#pragma once
// A driver wired to recording seams and the control window's real model, for
// tick-by-tick tests: it has no configuration file unless a test gives it
// one, so its settings live in memory and name neither port nor speed until
// a connect stores the speed.

#include <gtest/gtest.h>

#include <vector>

#include "engine/driver.h"
#include "engine/tests/recording_seams.h"
#include "panel/panel_presenter.h"
#include "protocol/gauge_frames.h"

namespace vexla::testing {

class LiveDriver : public ::testing::Test {
  protected:
    using Bytes = std::vector<uint8_t>;

    // `config` may be a member of the derived fixture, built after this.
    explicit LiveDriver(ConfigFile* config = nullptr) : d({&port, &notices, &window, config, &panel}) {}

    // Connects in `format` through the port of the call.
    void Connect(uint8_t format, int16_t portNumber = 1) {
        d.CBoxDataFormatChange(format);
        ASSERT_EQ(d.ConnectComm(19200, portNumber), -1);
    }
    // One timer tick; what it wrote to the gauges.
    Bytes Tick() {
        d.PopUpFormTimerTimer();
        return port.TakeWrites();
    }
    // A tick on a line that carries something, so that supervision does not
    // reopen the port: one byte that starts no frame in any format.
    Bytes TickOnBusyLine() {
        d.SPComReceiveData(Bytes{0x00});
        return Tick();
    }
    // A general frame from the gauge of `channel`.
    void Answer(uint8_t channel, uint32_t position = 100, uint32_t display = 100) {
        const auto f = EncodeGeneralFrame({channel, position, display, false, false});
        d.SPComReceiveData(Bytes(f.begin(), f.end()));
    }

    RecordingPort port;
    RecordingNotifier notices;
    RecordingWindow window;
    PanelPresenter panel;  // what the control window shows
    Driver d;
};

}  // namespace vexla::testing
