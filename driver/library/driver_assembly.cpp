#include "driver_assembly.h"

#include "library_frame.h"
#include "trace_file.h"

namespace vexla {

DriverAssembly::DriverAssembly(WindowHost& window, Notifier& notices)
    : port_(SPCom), config_(disk_, ConfigFolderPath()), Instance({&port_, &notices, &window, &config_, &Panel}) {
    SPCom.OnReceiveData = [](TComm&, const uint8_t* buffer, uint16_t length) {
        RunOnDriver([&](Driver& d) { d.SPComReceiveData(std::span(buffer, length)); });
    };
    SPCom.OnSendDataEmpty = [](TComm&) { RunOnDriver([](Driver& d) { d.SPComSendDataEmpty(); }); };
    SPCom.OnTrace = [](TComm&, const std::string& line) { TraceLine("serial port: " + line); };
}

}  // namespace vexla
