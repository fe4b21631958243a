// Writes the fuzzer's starting corpus: a valid stream of each data format,
// prefixed with the format byte and a chunk size, as the fuzz target reads it.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/tests/frame_streams.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    for (uint8_t format = 0; format <= 4; ++format) {
        for (uint8_t chunk : {7, 40, 96}) {
            std::vector<uint8_t> seed = {format, chunk};
            const auto stream = vexla::testing::MakeStream(format, format == 0 ? 4 : 24);
            seed.insert(seed.end(), stream.begin(), stream.end());
            std::ofstream out(dir / ("format" + std::to_string(format) + "-chunk" + std::to_string(chunk)),
                              std::ios::binary);
            out.write(reinterpret_cast<const char*>(seed.data()), static_cast<std::streamsize>(seed.size()));
        }
    }
    return 0;
}
