#pragma once
// A gauge study's own file: a few "# key: value" lines with the plan, then
// CSV rows with a heading line, one row per channel per capture. A program
// or a person may write the rows alone; the heading then tells the kind:
//
//   gauge R&R:  operator,trial,part,channel,value_mm[,...]
//   Type-1:     trial,channel,value_mm[,...]
//
// operators as text, the rest as numbers (trials and parts from 1); further
// columns (our time) are ignored. Our plan lines:
//
//   # vexla-rec study: grr            (or type1)
//   # parts: 10                       # operators: A,B,C   # trials: 3
//   # reference: 10.000               # tolerance: 0.100   # count: 50
//   # channels: 1-2
//   # order: 2.1.7 3.1.2 ...          (operator.trial.part from 1, in the
//                                      order the operators were guided)

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "quality/gauge_rr.h"
#include "recorder/model/csv_rows.h"

namespace vexla::recorder::study {

enum class StudyKind { GaugeRr, Type1 };
// "grr" and "type1", as on the command line and in the file.
const char* StudyKindName(StudyKind kind);
// "a gauge R&R study", "a Type-1 study".
const char* StudyKindText(StudyKind kind);

// One step of a gauge R&R: operator, trial and part, each from 0.
struct Step {
    int op = 0, trial = 0, part = 0;
    bool operator==(const Step&) const = default;
};

struct StudyPlan {
    StudyKind kind = StudyKind::GaugeRr;
    std::vector<int> channels;  // 1..32, ascending
    std::optional<double> tolerance;
    // Gauge R&R.
    int parts = 0, trials = 0;
    std::vector<std::string> operators;
    std::vector<Step> order;
    // Type-1.
    std::optional<double> reference;
    int count = 0;

    int Operators() const { return static_cast<int>(operators.size()); }
    // The captures the plan asks for: every step (gauge R&R) or the count.
    size_t Captures() const { return kind == StudyKind::GaugeRr ? order.size() : static_cast<size_t>(count); }
};

struct StudyReading {
    int op = 0;     // index into the plan's operators (gauge R&R)
    int trial = 0;  // from 0
    int part = 0;   // from 0 (gauge R&R)
    int channel = 0;
    double value = 0;  // mm
    int decimals = 3;  // as written
};

struct StudyData {
    StudyPlan plan;
    std::vector<StudyReading> readings;  // in the file's order
    bool ours = false;                   // it had our plan lines
    bool cutOff = false;                 // a last line without its line end (a run that was killed)
    size_t wholeBytes = 0;               // the bytes up to the end of the last whole line
};

// Every operator through trial 1 before trial 2, each operator's parts in
// a shuffled order of their own, from a seed (so the order is the same
// whenever it is made again, though the file keeps it anyway).
std::vector<Step> ShuffledOrder(int parts, int operators, int trials, uint64_t seed);

// The plan lines and the heading, with their line ends.
std::string StudyHeading(const StudyPlan& plan);
// One capture's rows: every channel's reading (channel, value as written).
// A Type-1 capture's number is the step's trial.
std::string StudyRows(const StudyPlan& plan, const Step& step,
                      const std::vector<std::pair<int, std::string>>& channelValues, const LocalTime& time);

// Reads a study file of either kind; `expected` makes a file of the other
// kind an error that says so. Lines that do not parse are refused with
// their number, except a cut-off last line (left out, see `cutOff`).
Result<StudyData> ParseStudy(std::string_view text, StudyKind expected);
Result<StudyData> LoadStudy(const std::string& path, StudyKind expected);
// The file's text, up to 64 MB; the error names the file.
Result<std::string> ReadStudyText(const std::string& path);

// The readings of one channel as the gauge R&R analysis takes them; a
// reading given twice is refused.
Result<quality::GaugeRrData> GaugeRrDataOf(const StudyData& study, int channel);
// The readings of one channel in trial order; a trial given twice is refused.
Result<std::vector<double>> Type1ReadingsOf(const StudyData& study, int channel);

// Which captures are done: a step (or Type-1 trial) counts once every
// channel of the plan has its reading.
std::vector<bool> DoneCaptures(const StudyData& study);

}  // namespace vexla::recorder::study
