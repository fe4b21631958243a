// Reads arbitrary bytes as a study file (a gauge R&R when the first byte
// is even, a Type-1 study when odd) and analyses what parses. Aborts if an
// analysis that succeeds gives a figure that is not a number, a total
// variation below its gauge R&R, or sums of squares that do not add up.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "quality/gauge_rr.h"
#include "quality/msa_type1.h"
#include "recorder/study/study_file.h"

namespace {

using namespace vexla;
using recorder::study::StudyKind;

void Check(bool holds) {
    if (!holds) std::abort();
}

void Figures(const quality::GrrFigures& f) {
    for (const double v : {f.ev, f.av, f.interaction, f.grr, f.pv, f.tv, f.grrPercent})
        Check(std::isfinite(v) && v >= 0);
    Check(f.tv >= f.grr * (1 - 1e-12));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const StudyKind kind = data[0] % 2 == 0 ? StudyKind::GaugeRr : StudyKind::Type1;
    const auto study = recorder::study::ParseStudy(text, kind);
    if (!study) return 0;
    Check(study->wholeBytes <= text.size());
    recorder::study::DoneCaptures(*study);
    for (const int channel : study->plan.channels) {
        if (kind == StudyKind::Type1) {
            const auto readings = recorder::study::Type1ReadingsOf(*study, channel);
            if (!readings) continue;
            const auto r = quality::AnalyseType1(*readings, 0, 0.1);
            if (r) Check(std::isfinite(r->mean) && std::isfinite(r->s) && (!r->cg || std::isfinite(*r->cg)));
            continue;
        }
        const auto grr = recorder::study::GaugeRrDataOf(*study, channel);
        if (!grr) continue;
        const auto r = quality::AnalyseGaugeRr(*grr, 0.1);
        if (!r) continue;
        const quality::GrrAnova& a = r->anova;
        const double sum = a.part.ss + a.op.ss + a.interaction.ss + a.repeatability.ss;
        Check(std::fabs(sum - a.total.ss) <= 1e-6 * (1 + a.total.ss));
        Figures(a.figures);
        Figures(r->averageRange.figures);
    }
    return 0;
}
