#pragma once
// The station on a terminal and, for a pipe, as plain text. Both return
// with the terminal as they found it; the caller then ends the driver.

#include <csignal>
#include <string>

#include "station/model/station_session.h"

namespace vexla::station::terminal {

// False when the terminal cannot be driven (an unknown TERM); nothing has
// been called on the session then. The notice (what the station's files
// said was wrong) stands on the message line until the first part.
bool RunOnTerminal(StationSession& session, const std::string& notice, const volatile std::sig_atomic_t& stop);

// Each line of standard input is a part's identity: the part is captured
// and its verdict printed, one line each, until the input ends. False when
// the output could not be written.
bool RunPlain(StationSession& session, const volatile std::sig_atomic_t& stop);

}  // namespace vexla::station::terminal
