// The INI reader and editor on raw bytes, by the rules of the Windows
// profile functions.

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "channels/ini_profile.h"

namespace vexla::ini {
namespace {

// Literals with NUL bytes inside.
template <std::size_t N>
std::string Bytes(const char (&s)[N]) {
    return std::string(s, N - 1);
}

TEST(ParseInt, AcceptsWholeDecimalAndHexadecimalValuesOnly) {
    const int32_t kMin = std::numeric_limits<int32_t>::min();
    const struct {
        const char* text;
        std::optional<int32_t> expected;
    } cases[] = {
        {"0", 0},
        {"12", 12},
        {"-5", -5},
        {"+7", 7},
        {"007", 7},  // leading zeros are decimal, not octal
        {"2147483647", 2147483647},
        {"-2147483648", kMin},
        {"0x1F", 31},
        {"0X1f", 31},
        {"$FF", 255},
        {"$85", 133},
        {"0xFFFFFFFF", -1},  // hexadecimal is a 32-bit pattern
        {"0x80000000", kMin},
        {"-0x10", -16},
        {"0x00000000000000001", 1},
        {"2147483648", std::nullopt},  // decimal out of range
        {"-2147483649", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"0x100000000", std::nullopt},
        {"12abc", std::nullopt},  // trailing junk
        {"1 2", std::nullopt},
        {"1.5", std::nullopt},
        {"1e3", std::nullopt},
        {"0x1G", std::nullopt},
        {"0b101", std::nullopt},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"0x", std::nullopt},
        {"$", std::nullopt},
        {"--1", std::nullopt},
        {"\xA3\xB1", std::nullopt},  // a full-width digit in GBK
    };
    for (const auto& c : cases) EXPECT_EQ(ParseInt(c.text), c.expected) << '"' << c.text << '"';
}

TEST(NamesEqual, IgnoresAsciiCaseButNotTheSecondByteOfAGbkCharacter) {
    const struct {
        std::string a, b;
        bool equal;
    } cases[] = {
        {"Section", "sECTION", true},
        {"\xCF\xD4\xCA\xBE"
         "DLL",
         "\xCF\xD4\xCA\xBE"
         "dll",
         true},                           // 显示DLL / 显示dll
        {"\xB0\x41", "\xB0\x61", false},  // two characters whose second bytes are 'A' and 'a'
        {"\xB0\x41", "\xB0\x41", true},
        {"a\xB0", "A\xB0", true},  // a lone lead byte at the end is a byte of its own
        {"ab", "abc", false},
        {"", "", true},
    };
    for (const auto& c : cases) EXPECT_EQ(NamesEqual(c.a, c.b), c.equal) << c.a << " / " << c.b;
}

TEST(Profile, FindsValuesByTheProfileRules) {
    const struct {
        const char* name;
        std::string text;
        const char* section;
        const char* key;
        std::optional<std::string> expected;
    } cases[] = {
        {"plain", "[s]\r\nk=v\r\n", "s", "k", "v"},
        {"names without regard to case", "[Sec]\r\nKey=v\r\n", "sEC", "kEY", "v"},
        {"blanks around names and value", "  [ s ]  \r\n \t k \t= \t v w \t\r\n", "s", "k", "v w"},
        {"first key wins", "[s]\r\nk=1\r\nk=2\r\n", "s", "k", "1"},
        {"first section wins", "[s]\r\na=1\r\n[t]\r\n[S]\r\nk=2\r\n", "s", "k", std::nullopt},
        {"line without = carries no key", "[s]\r\nk\r\nk=2\r\n", "s", "k", "2"},
        {"comment", "[s]\r\n ;k=1\r\nk=2\r\n", "s", "k", "2"},
        {"key before any section", "k=1\r\n[s]\r\n", "s", "k", std::nullopt},
        {"key of another section", "[s]\r\n[t]\r\nk=1\r\n", "s", "k", std::nullopt},
        {"LF line ends", "[s]\nk=v\n", "s", "k", "v"},
        {"no line end at the end", "[s]\r\nk=v", "s", "k", "v"},
        {"value with =", "[s]\r\nk=a=b\r\n", "s", "k", "a=b"},
        {"empty value", "[s]\r\nk=\r\n", "s", "k", ""},
        {"quotes removed", "[s]\r\nk=\"12\"\r\n", "s", "k", "12"},
        {"single quotes removed", "[s]\r\nk='x y'\r\n", "s", "k", "x y"},
        {"unmatched quote kept", "[s]\r\nk=\"12\r\n", "s", "k", "\"12"},
        {"text after ] ignored", "[s] note\r\nk=v\r\n", "s", "k", "v"},
        {"[ without ] is a key line", "[s]\r\n[x=1\r\nk=v\r\n", "s", "k", "v"},
        {"NUL bytes are ordinary bytes", Bytes("[s]\r\nk=a\0b\r\n"), "s", "k", Bytes("a\0b")},
        {"a ] that is a GBK second byte does not close", "[\xB0]\r\nk=v\r\n", "\xB0", "k", std::nullopt},
    };
    for (const auto& c : cases) {
        const Profile p(c.text);
        const auto v = p.Find(c.section, c.key);
        EXPECT_EQ(v ? std::optional<std::string>(*v) : std::nullopt, c.expected) << c.name;
    }
}

TEST(Profile, ReadIntFallsBackForMissingAndMalformedValues) {
    const Profile p("[s]\r\na=0x10\r\nb=12abc\r\nc=\r\nd= -3 \r\n");
    EXPECT_EQ(p.ReadInt("s", "a", 7), 16);
    EXPECT_EQ(p.ReadInt("s", "b", 7), 7);
    EXPECT_EQ(p.ReadInt("s", "c", 7), 7);
    EXPECT_EQ(p.ReadInt("s", "d", 7), -3);
    EXPECT_EQ(p.ReadInt("s", "missing", 7), 7);
    EXPECT_EQ(p.ReadInt("missing", "a", 7), 7);
}

TEST(Profile, WithValuesChangesOnlyTheLinesItMust) {
    const struct {
        const char* name;
        std::string text;
        std::vector<Entry> entries;
        std::string expected;
    } cases[] = {
        {"new file: sections and keys in entry order",
         "",
         {{"a", "x", "1"}, {"b", "y", "2"}, {"a", "z", "3"}},
         "[a]\r\nx=1\r\nz=3\r\n[b]\r\ny=2\r\n"},
        {"value replaced, spelling, blanks before = and line end kept",
         "[A]\n  X = old  \n;note\n",
         {{"a", "x", "new"}},
         "[A]\n  X =new\n;note\n"},
        {"missing key after the section's last key, before comments and the next section",
         "[a]\r\nx=1\r\n; about b\r\n\r\n[b]\r\ny=2\r\n",
         {{"a", "z", "3"}},
         "[a]\r\nx=1\r\nz=3\r\n; about b\r\n\r\n[b]\r\ny=2\r\n"},
        {"missing key in a section without keys", "[a]\r\n[b]\r\n", {{"a", "z", "3"}}, "[a]\r\nz=3\r\n[b]\r\n"},
        {"last line without a line end",
         "[a]\r\nx=1",
         {{"a", "z", "3"}, {"b", "y", "2"}},
         "[a]\r\nx=1\r\nz=3\r\n[b]\r\ny=2\r\n"},
        {"empty value at the very end", "[a]\r\nx=", {{"a", "x", "1"}, {"a", "z", "3"}}, "[a]\r\nx=1\r\nz=3\r\n"},
        {"only the first of duplicate keys and sections",
         "[a]\r\nx=1\r\nx=2\r\n[a]\r\nx=3\r\n",
         {{"a", "x", "9"}, {"a", "w", "8"}},
         "[a]\r\nx=9\r\nx=2\r\nw=8\r\n[a]\r\nx=3\r\n"},
        {"junk before the first section and in values kept",
         Bytes("\x01\xFF\0junk\r\n[a]\r\nq=\x80\x81\r\n"),
         {{"a", "x", "1"}},
         Bytes("\x01\xFF\0junk\r\n[a]\r\nq=\x80\x81\r\nx=1\r\n")},
    };
    for (const auto& c : cases) EXPECT_EQ(Profile(c.text).WithValues(c.entries), c.expected) << c.name;
}

}  // namespace
}  // namespace vexla::ini
