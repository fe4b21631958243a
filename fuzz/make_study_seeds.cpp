// Writes the study file fuzzer's starting corpus: a gauge R&R and a Type-1
// study as vexla-rec writes them, and a gauge R&R written by hand.

#include <string>

#include "recorder/study/study_file.h"
#include "seed_corpus.h"

int main(int argc, char** argv) {
    const auto corpus = vexla::fuzzing::SeedCorpus::FromArguments(argc, argv);
    if (!corpus) return 2;
    using namespace vexla::recorder::study;
    StudyPlan grr;
    grr.parts = 3;
    grr.trials = 2;
    grr.operators = {"A", "B, jr"};
    grr.channels = {1, 4};
    grr.tolerance = 0.1;
    grr.order = ShuffledOrder(3, 2, 2, 1);
    std::string text = StudyHeading(grr);
    for (size_t i = 0; i < grr.order.size(); ++i)
        text += StudyRows(grr, grr.order[i],
                          {{1, "0.01" + std::to_string(i % 10)}, {4, "-1.25" + std::to_string(i % 7)}}, {});
    corpus->Save("grr-ours", std::string(1, '\0') + text);
    corpus->Save("grr-hand", std::string(1, '\0') +
                                 "Operator,Trial,Part,Channel,Value_mm,Note\r\nAnna,1,1,2,1.5,x\r\nKim,1,1,2,1.6,\r\n"
                                 "Anna,2,1,2,1.7,\r\nKim,2,1,2,1.8,\r\nAnna,1,2,2,2.5,\r\nKim,1,2,2,2.6,\r\n"
                                 "Anna,2,2,2,2.7,\r\nKim,2,2,2,2.8,y");
    StudyPlan type1;
    type1.kind = StudyKind::Type1;
    type1.channels = {3};
    type1.reference = 10;
    type1.tolerance = 0.1;
    type1.count = 5;
    text = StudyHeading(type1);
    for (int i = 0; i < 5; ++i) text += StudyRows(type1, {0, i, 0}, {{3, "10.00" + std::to_string(i)}}, {});
    corpus->Save("type1-ours", std::string(1, '\1') + text);
    return 0;
}
