#include "channels/ini_profile.h"

#include <algorithm>
#include <tuple>

namespace vexla::ini {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool IsLeadByte(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}
bool IsTrailByte(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
}

// Bytes in the GBK character starting at s[i]: 2 for a valid double-byte
// pair, else 1.
std::size_t CharLength(std::string_view s, std::size_t i) {
    if (i + 1 < s.size() && IsLeadByte(static_cast<unsigned char>(s[i])) &&
        IsTrailByte(static_cast<unsigned char>(s[i + 1])))
        return 2;
    return 1;
}

// Position of the last ASCII c that is not the second byte of a pair.
std::size_t FindLastChar(std::string_view s, char c) {
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i < s.size(); i += CharLength(s, i))
        if (s[i] == c) found = i;
    return found;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;  // folding never changes a length
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const std::size_t la = CharLength(a, i), lb = CharLength(b, j);
        if (la != lb) return false;
        if (la == 2) {
            if (a[i] != b[j] || a[i + 1] != b[j + 1]) return false;
        } else if (LowerAscii(a[i]) != LowerAscii(b[j])) {
            return false;
        }
        i += la;
        j += lb;
    }
    return i == a.size() && j == b.size();
}

std::optional<int32_t> ParseInt(std::string_view s) {
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    unsigned base = 10;
    if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    } else if (!s.empty() && s[0] == '$') {
        base = 16;
        s.remove_prefix(1);
    }
    if (s.empty()) return std::nullopt;

    // Decimal must fit the signed range; hexadecimal is a 32-bit pattern.
    const uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    uint64_t v = 0;
    for (char c : s) {
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return std::nullopt;
        v = v * base + digit;
        if (v > limit) return std::nullopt;
    }
    const uint32_t bits = static_cast<uint32_t>(negative ? (0 - v) : v);
    return static_cast<int32_t>(bits);
}

Profile::Profile(std::string_view text) : text_(text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t lf = text.find('\n', begin);
        Line line{};
        line.begin = begin;
        line.next = lf == std::string_view::npos ? text.size() : lf + 1;
        line.end = lf == std::string_view::npos ? text.size() : lf;
        if (lf != std::string_view::npos && line.end > begin && text[line.end - 1] == '\r') --line.end;
        begin = line.next;

        std::string_view s = text.substr(line.begin, line.end - line.begin);
        const std::size_t lead = s.find_first_not_of(" \t");
        line.kind = Kind::kOther;
        if (lead != std::string_view::npos && s[lead] != ';') {
            const std::size_t close = s[lead] == '[' ? FindLastChar(s, ']') : std::string_view::npos;
            if (close != std::string_view::npos && close > lead) {
                line.kind = Kind::kSection;
                line.name = Trim(s.substr(lead + 1, close - lead - 1));
            } else if (const std::size_t eq = s.find('='); eq != std::string_view::npos) {
                // "=" is never the second byte of a GBK pair, so a plain search is exact.
                line.kind = Kind::kKey;
                line.name = Trim(s.substr(0, eq));
                line.valueBegin = line.begin + eq + 1;
            }
        }

        const std::size_t index = lines_.size();
        if (line.kind == Kind::kSection) {
            if (!sections_.empty()) sections_.back().end = index;
            sections_.push_back({line.name, index, index, index + 1});
        } else if (!sections_.empty()) {
            sections_.back().end = index + 1;
            if (line.kind == Kind::kKey) sections_.back().lastKey = index;
        }
        lines_.push_back(line);
    }
}

std::optional<std::size_t> Profile::FindSection(std::string_view name) const {
    for (std::size_t i = 0; i < sections_.size(); ++i)
        if (NamesEqual(sections_[i].name, name)) return i;
    return std::nullopt;
}

std::optional<std::size_t> Profile::FindKey(const Section& section, std::string_view key) const {
    for (std::size_t i = section.header + 1; i < section.end; ++i)
        if (lines_[i].kind == Kind::kKey && NamesEqual(lines_[i].name, key)) return i;
    return std::nullopt;
}

std::optional<std::string_view> Profile::Find(std::string_view section, std::string_view key) const {
    const auto s = FindSection(section);
    if (!s) return std::nullopt;
    const auto k = FindKey(sections_[*s], key);
    if (!k) return std::nullopt;
    const Line& line = lines_[*k];
    std::string_view value = Trim(text_.substr(line.valueBegin, line.end - line.valueBegin));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

int32_t Profile::ReadInt(std::string_view section, std::string_view key, int32_t fallback) const {
    const auto value = Find(section, key);
    if (!value) return fallback;
    return ParseInt(*value).value_or(fallback);
}

std::string Profile::WithValues(std::span<const Entry> entries) const {
    struct Edit {
        std::size_t at;
        int order;  // replacements before insertions at the same place
        std::size_t seq;
        std::size_t remove;
        std::string insert;
        bool newLine;  // the insert starts a line of its own
    };
    std::vector<Edit> edits;
    std::vector<std::string_view> newSections;  // in first-use order
    std::vector<std::vector<const Entry*>> newSectionEntries;

    for (std::size_t n = 0; n < entries.size(); ++n) {
        const Entry& e = entries[n];
        const auto s = FindSection(e.section);
        if (!s) {
            auto it = std::find_if(newSections.begin(), newSections.end(),
                                   [&](std::string_view name) { return NamesEqual(name, e.section); });
            if (it == newSections.end()) {
                newSections.push_back(e.section);
                newSectionEntries.emplace_back();
                it = newSections.end() - 1;
            }
            newSectionEntries[static_cast<std::size_t>(it - newSections.begin())].push_back(&e);
            continue;
        }
        if (const auto k = FindKey(sections_[*s], e.key)) {
            const Line& line = lines_[*k];
            edits.push_back({line.valueBegin, 0, n, line.end - line.valueBegin, e.value, false});
        } else {
            const Line& after = lines_[sections_[*s].lastKey];
            edits.push_back({after.next, 1, n, 0, std::string(e.key) + "=" + e.value + "\r\n", true});
        }
    }
    for (std::size_t i = 0; i < newSections.size(); ++i) {
        // Built by appends: GCC 12 at -O3 warns falsely (-Wrestrict) on "[" + string.
        std::string block = "[";
        block += newSections[i];
        block += "]\r\n";
        for (const Entry* e : newSectionEntries[i]) block += std::string(e->key) + "=" + e->value + "\r\n";
        edits.push_back({text_.size(), 2, i, 0, std::move(block), true});
    }
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) {
        return std::tie(a.at, a.order, a.seq) < std::tie(b.at, b.order, b.seq);
    });

    std::string out;
    out.reserve(text_.size() + 64 * entries.size());
    std::size_t copied = 0;
    for (const Edit& edit : edits) {
        out.append(text_.substr(copied, edit.at - copied));
        // A last line without a line end must get one before a new line follows.
        if (edit.newLine && !out.empty() && out.back() != '\n') out += "\r\n";
        out += edit.insert;
        copied = edit.at + edit.remove;
    }
    out.append(text_.substr(copied));
    return out;
}

}  // namespace vexla::ini
