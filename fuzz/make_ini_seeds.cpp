// Writes the INI fuzzer's starting corpus: full files as the driver writes
// them and hand-edited variants.

#include <string>

#include "channels/config_file.h"
#include "seed_corpus.h"

int main(int argc, char** argv) {
    const auto corpus = vexla::fuzzing::SeedCorpus::FromArguments(argc, argv);
    if (!corpus) return 2;
    const auto save = [&](const std::string& name, const std::string& bytes) { corpus->Save(name, bytes); };

    vexla::ReferencePoints refs{};
    const std::string defaults = vexla::WriteConfigText({}, vexla::DefaultSettings(), refs);
    save("defaults", defaults);

    vexla::DriverSettings s = vexla::DefaultSettings();
    s.DataFormat = 4;
    s.TimesTenRange = 133;
    for (int i = 0; i < 32; ++i) refs[i] = i * -70001;
    const std::string other = vexla::WriteConfigText({}, s, refs);
    save("other", other);

    // LF line ends, blanks, comments, hexadecimal and lower-case names.
    std::string edited;
    for (char c : other) {
        if (c == '\r') continue;
        edited += c;
        if (c == '\n') edited += "; note\n  ";
    }
    save("edited", edited + "[extra]\nDLL=0x1F\n$=$FF\n");
    save("references-only", vexla::WriteReferencesText("[x]\r\ny=1", refs));
    return 0;
}
