#pragma once
// INI text read and edited as raw bytes (GBK, CR LF), by the rules of the
// Windows private-profile functions: names compared without regard to ASCII
// case, blanks around names and values ignored, the first section and the
// first key of a name win, lines without "=" and lines starting with ";"
// carry no key. Edits change only the lines they must, so hand edits,
// comments, unknown keys and line ends survive.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexla::ini {

// ASCII letters match either case; a GBK double-byte character only matches
// itself, since its second byte may look like an ASCII letter.
bool NamesEqual(std::string_view a, std::string_view b);

// The whole value must be an integer: an optional sign, then decimal digits
// that fit in 32 signed bits, or up to 32 bits of hexadecimal after "0x" or
// "$" (taken as two's complement, so "0xFFFFFFFF" is -1). Anything else,
// trailing junk included, is not an integer.
std::optional<int32_t> ParseInt(std::string_view value);

struct Entry {
    std::string_view section;
    std::string_view key;
    std::string value;
};

class Profile {
  public:
    // The text must outlive the profile.
    explicit Profile(std::string_view text);

    // The value of the first key of that name in the first section of that
    // name, without surrounding blanks or one pair of matching quotes.
    std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;
    int32_t ReadInt(std::string_view section, std::string_view key, int32_t fallback) const;

    // The text with each entry set: an existing key keeps everything up to
    // its "=" and gets the new value; a missing key goes after the last key
    // of its section; a missing section is appended at the end. New lines end
    // in CR LF.
    std::string WithValues(std::span<const Entry> entries) const;

  private:
    enum class Kind : uint8_t { kOther, kSection, kKey };
    struct Line {
        std::size_t begin;  // first byte of the line
        std::size_t end;    // end of its text (before CR LF or LF)
        std::size_t next;   // first byte of the following line
        Kind kind;
        std::string_view name;   // section or key name, trimmed
        std::size_t valueBegin;  // key lines: just after the "="
    };
    struct Section {
        std::string_view name;
        std::size_t header;   // line index of "[name]"
        std::size_t lastKey;  // last key line, or the header
        std::size_t end;      // one past its last line
    };

    std::optional<std::size_t> FindSection(std::string_view name) const;
    std::optional<std::size_t> FindKey(const Section& section, std::string_view key) const;

    std::string_view text_;
    std::vector<Line> lines_;
    std::vector<Section> sections_;
};

}  // namespace vexla::ini
