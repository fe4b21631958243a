#pragma once
// One station at work, the same for the window and the terminal edition:
// its file read (or the first start found), its limits read, the driver
// bound through host/, each tick's results taken, each part captured into
// the day's records, the master zeroed and the settings kept. The shells
// draw what it holds and call it from their one thread; every fault comes
// back as a text to show, never as a crash.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/result.h"
#include "host/driver_calls.h"
#include "host/driver_library.h"
#include "station/model/day_records.h"
#include "station/model/station.h"

namespace vexla::station {

class StationSession {
  public:
    struct Paths {
        std::string stationFile;  // empty: StationFilePath()
        std::string library;      // empty: the driver beside the program
    };

    // Reads the station file and the limits; binds nothing yet.
    explicit StationSession(Paths paths);
    ~StationSession();

    // No station file was there: the shell opens the setup first.
    bool FirstStart() const { return firstStart_; }
    // What the station file, the limits file or the control limits file
    // said was wrong, one text each, to show once.
    const std::vector<std::string>& Problems() const { return problems_; }

    // Binds the driver and chooses the segment; the failure names the
    // library. Without it the tiles stay grey and a part is NOK, missing
    // every characteristic.
    Status Start();
    bool Running() const { return driver_ != nullptr; }
    // Lets go of the driver (DLL_End_Application).
    void End();

    Station& Model() { return *station_; }
    const Station& Model() const { return *station_; }
    const StationSettings& Settings() const { return station_->Settings(); }
    const std::string& StationFile() const { return stationFile_; }

    // Polls the driver: the channels whose tile changed.
    uint32_t Tick();
    // A part, into the day's file. The part stands even when the file
    // fails (RecordsStatus says why; its rows wait for the next write).
    PartResult Capture(std::string partId);
    PartResult Capture(std::string partId, const recorder::LocalTime& now);
    const Status& RecordsStatus() const { return recordsStatus_; }
    size_t RecordsWaiting() const { return records_ ? records_->Waiting() : 0; }
    // The day's file that the last part went to; empty before the first.
    std::string RecordsPath() const { return records_ ? records_->Path() : std::string(); }

    bool MasterDue() const;
    // Zeroes every chosen displacement and saves the time in the file.
    Status ZeroOnMaster();
    // The driver's own window.
    void ShowDriverWindow();

    // New settings from the setup dialog: saved, the limits read again and
    // the station begun anew with them (the segment chosen again when it
    // changed); the shift's counters start again. Fails without changing
    // anything when the file cannot be written; the limits' problems land
    // in Problems().
    Status Apply(const StationSettings& settings);
    Status SaveSettings();
    // A new shift with its batch and operator, kept in the file.
    Status NewShift(std::string batch, std::string operatorName);

    // The end-of-shift report of the day's file: the recorder's HTML report
    // beside it. Returns the report's path.
    Result<std::string> WriteReport();

  private:
    void Load(const StationSettings& settings);

    std::string stationFile_;
    std::string libraryPath_;
    bool firstStart_ = false;
    std::vector<std::string> problems_;
    std::unique_ptr<Station> station_;
    std::unique_ptr<host::DriverLibrary> library_;
    std::unique_ptr<host::DriverCalls> driver_;
    std::unique_ptr<DayRecords> records_;
    Status recordsStatus_ = Done{};
};

// The station file beside the driver's configuration: Windows
// C:\系统配置\VexlaStation.ini; Linux ${XDG_CONFIG_HOME:-~/.config}/系统配置/VexlaStation.ini.
std::string StationFilePath();
// The records folder of a first start: "检测记录" in the same folder.
std::string DefaultRecordsFolder();

}  // namespace vexla::station
