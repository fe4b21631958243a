#pragma once
// The texts only the station's window shows (its setup dialog, its panels'
// headings, its messages), in both of the station's languages; the texts
// the terminal edition shows too come from TextsFor.

#include "station/model/station_settings.h"

namespace vexla::station {

struct WindowTexts {
    const char* setupTitle;
    const char* segment;
    const char* channels;
    const char* names;        // "N = name", one a line
    const char* thousandths;  // the channels with 0.001 mm gauges
    const char* limitsFile;
    const char* browse;
    const char* warning;  // %
    const char* captureKey;
    const char* scanThenCapture;
    const char* masterInterval;  // hours
    const char* recordsFolder;
    const char* language;
    const char* okButton;
    const char* cancelButton;
    const char* limitsFilter;  // the open dialog's filter name
    const char* chooseFolder;
    // What a field of the setup may hold, when it holds something else.
    const char* badSegment;
    const char* badChannels;
    const char* badThousandths;
    const char* badWarning;
    const char* badCaptureKey;
    const char* badInterval;
    const char* badName;  // "line %d"
    const char* saveFailed;
    const char* problemsTitle;  // the station file's and the limits' problems
    const char* startFailed;    // the driver could not be bound
    const char* reportFailed;
    const char* masterFailed;
    const char* shiftFailed;
    const char* lastMaster;      // "last: %s"
    const char* characteristic;  // the Ppk list's headings
    const char* count;
    const char* noPpk;           // a row without a Ppk
    const char* noCapture;       // a capture without the driver
    const char* recordsTo;       // the status bar: "records: %s"
    const char* waiting;         // "%zu parts wait for the records"
    const char* publishUp;       // the plant's broker takes the parts: "MQTT ok"
    const char* publishDown;     // "MQTT down, %zu parts wait for the broker"
    const char* part;            // the verdict's "part %llu"
    const char* pressToCapture;  // the verdict before the first part
};

const WindowTexts& WindowTextsFor(Language language);

}  // namespace vexla::station
