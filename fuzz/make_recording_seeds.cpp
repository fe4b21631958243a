// Writes the recorder inputs fuzzer's starting corpus: limits files in each
// accepted style and recordings as vexla-rec writes them.

#include <string>

#include "recorder/model/csv_rows.h"
#include "seed_corpus.h"

int main(int argc, char** argv) {
    const auto corpus = vexla::fuzzing::SeedCorpus::FromArguments(argc, argv);
    if (!corpus) return 2;
    const auto save = [&](const std::string& name, char kind, const std::string& bytes) {
        corpus->Save(name, std::string(1, kind) + bytes);
    };
    save("limits-csv", '\0', "channel,nominal,lower,upper,name\r\n1, 0.00, -0.05, +0.05, bore depth\r\n");
    save("limits-plain", '\0', "# limits\n2;12.5;-0.02;0.03;\"flange, left\"\n32\t1\t0\t0.001\n7 -1 -0.1 0.1 step\n");

    using namespace vexla::recorder;
    for (const bool capture : {false, true}) {
        const CsvLayout layout{capture, !capture};
        std::string text = CsvHeading(layout);
        for (int i = 0; i < 8; ++i) {
            ReadingRow row;
            row.part = 1 + i / 4;
            row.time = {2026, 12, 8, 18, 40, i, 50 * i, 60};
            row.channel = 1 + i % 4;
            row.value = 12340 - 70 * i;
            row.displacement = -500 + 130 * i;
            row.decimals = i % 2 == 0 ? 2 : 3;
            row.rate = 50 + i;
            if (!capture) row.judgement = vexla::quality::Judgement::High;
            AppendCsvRow(text, row, layout);
        }
        save(capture ? "recording-capture" : "recording-judged", '\1', text);
    }
    return 0;
}
