#pragma once
// The texts the station shows in both of its languages: Chinese, the
// operator's, and English. The window and the terminal edition share them.

#include "station/model/station_settings.h"

namespace vexla::station {

struct StationTexts {
    const char* title;     // the window's title
    const char* noSignal;  // a silent gauge's tile
    const char* ok;
    const char* nok;
    const char* missing;  // a part's characteristic without a current reading
    const char* outside;  // before the characteristics outside their limits
    const char* capture;  // the big button
    const char* partId;   // the scanned identity's field
    const char* batch;
    const char* operatorName;
    const char* parts;  // the shift's counters
    const char* nokParts;
    const char* yield;
    const char* zeroOnMaster;
    const char* confirmMaster;  // asked before zeroing
    const char* masterDue;      // the amber bar
    const char* neverMastered;
    const char* report;
    const char* driverWindow;
    const char* setup;
    const char* newShift;
    const char* chart;       // the chart panel's heading
    const char* capability;  // the Ppk list's heading
    const char* noLimits;    // a characteristic without limits
    const char* baseline;    // the chart collects its baseline: "基线 %d/%d"
    const char* inControl;
    const char* ruleBroken;
    const char* recordsFailed;  // the day's file cannot be written
    const char* noDriver;       // the driver library cannot be loaded
    const char* limitsFailed;   // the limits file cannot be read
};

const StationTexts& TextsFor(Language language);

}  // namespace vexla::station
