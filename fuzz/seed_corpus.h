#pragma once
// The seed programs' shared part: the corpus folder from the command line,
// and one file per seed in it.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace vexla::fuzzing {

class SeedCorpus {
  public:
    // Null when the command line does not name exactly one folder.
    static std::optional<SeedCorpus> FromArguments(int argc, char** argv) {
        if (argc != 2) {
            std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
            return std::nullopt;
        }
        std::filesystem::create_directories(argv[1]);
        return SeedCorpus(argv[1]);
    }

    void Save(const std::string& name, const std::string& bytes) const {
        std::ofstream out(dir_ / name, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

  private:
    explicit SeedCorpus(std::filesystem::path dir) : dir_(std::move(dir)) {}
    std::filesystem::path dir_;
};

}  // namespace vexla::fuzzing
