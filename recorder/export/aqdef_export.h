#pragma once
// A recording as an AQDEF file (.dfq), the K-field format the automotive
// industry exchanges measured values in: a header of part and
// characteristic fields, then the values, all as "Kxxxx[/i] text" lines
// with CR LF. The values use the K-field notation rather than the
// compact one-line-per-part form, because only it carries the part's
// identity (K0014) beside the value; each part's fields stay together.
//
//   K0100            number of characteristics
//   K1001 / K1002    part number / description
//   K2001/i K2002/i  characteristic number (the channel) / description
//                    (the limits file's name, else "channel N")
//   K2022/i          decimal places      K2142/i  unit (mm)
//   K2101/i          nominal             K2110/i K2111/i  lower / upper limit
//   K0001/i value    K0002/i attribute (0: a valid value)
//   K0004/i DD.MM.YYYY/HH:MM:SS          K0006/i batch
//   K0008/i operator                     K0014/i part identity
//
// Texts are written in UTF-8 after a byte-order mark: the operators' and
// parts' names here are often Chinese, which no single 8-bit code page of
// the format's holds beside German umlauts, and the mark lets a reader
// tell UTF-8 from its code page. Line ends and the format's separator
// characters inside a text become blanks, so no text can break a line.

#include <string>

#include "quality/tolerance_limits.h"
#include "recorder/report/recording_file.h"

namespace vexla::recorder::exporting {

struct AqdefPart {
    std::string number;       // K1001
    std::string description;  // K1002, empty: not written
};

std::string AqdefText(const report::RecordingData& recording, const quality::LimitsTable& limits,
                      const AqdefPart& part);

// "08.12.2026/18:40:01".
std::string AqdefDateTime(const LocalTime& time);

}  // namespace vexla::recorder::exporting
