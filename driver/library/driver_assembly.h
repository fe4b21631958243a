#pragma once
// The library's one driver with the real parts it runs on: the serial port
// and the configuration file on disk, wired to the platform's window host
// and notifier. Both library frames hold one.

#include <mutex>

#include "comm.h"
#include "comm_link_port.h"
#include "disk_config_fs.h"
#include "engine/driver.h"
#include "panel/panel_presenter.h"

namespace vexla {

class DriverAssembly {
  public:
    DriverAssembly(WindowHost& window, Notifier& notices);
    DriverAssembly(const DriverAssembly&) = delete;
    DriverAssembly& operator=(const DriverAssembly&) = delete;

    // Recursive: on Windows a message box inside a tick pumps the timer on
    // the same thread; on Linux the driver thread holds it while it raises
    // the port's events.
    std::recursive_mutex Mutex;
    TComm SPCom;

  private:
    // Declared before the driver, which is built on them.
    CommLinkPort port_;
    DiskConfigFileSystem disk_;
    ConfigFile config_;

  public:
    PanelPresenter Panel;  // the control window's model, kept by the driver's reports
    Driver Instance;
};

}  // namespace vexla
