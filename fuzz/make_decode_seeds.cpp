// Writes the fuzzer's starting corpus: a valid stream of each data format,
// prefixed with the format byte and a chunk size, as the fuzz target reads it.

#include <string>

#include "protocol/tests/frame_streams.h"
#include "seed_corpus.h"

int main(int argc, char** argv) {
    const auto corpus = vexla::fuzzing::SeedCorpus::FromArguments(argc, argv);
    if (!corpus) return 2;
    for (uint8_t format = 0; format <= 4; ++format) {
        for (uint8_t chunk : {7, 40, 96}) {
            std::string seed = {static_cast<char>(format), static_cast<char>(chunk)};
            const auto stream = vexla::testing::MakeStream(format, format == 0 ? 4 : 24);
            seed.append(stream.begin(), stream.end());
            corpus->Save("format" + std::to_string(format) + "-chunk" + std::to_string(chunk), seed);
        }
    }
    return 0;
}
