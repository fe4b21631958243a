#include "publish/publish_settings.h"

#include <cstdlib>

#include "base/whole_number.h"
#include "quality/small_text_file.h"

namespace vexla::publish {

namespace {

// %XX in a user name or password (an '@' or ':' in it must be written so).
std::optional<std::string> Unescaped(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const auto hex = [](char c) -> int {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            return -1;
        };
        const int high = hex(text[i + 1]), low = hex(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

bool HostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == ':';
}

}  // namespace

Status ParsePublishUrl(std::string_view url, PublishSettings& s) {
    const auto bad = [&](const std::string& why) { return Error{std::string(url), why}; };
    constexpr std::string_view kScheme = "mqtt://";
    if (url.substr(0, kScheme.size()) != kScheme)
        return bad("expected mqtt://[USER[:PASSWORD]@]HOST[:PORT]/ROOT (only plain mqtt:// is spoken)");
    url.remove_prefix(kScheme.size());
    std::string_view query;
    if (const size_t q = url.find('?'); q != std::string_view::npos) {
        query = url.substr(q + 1);
        url = url.substr(0, q);
    }
    const size_t slash = url.find('/');
    std::string_view authority = url.substr(0, slash);
    std::string_view root = slash == std::string_view::npos ? std::string_view() : url.substr(slash + 1);
    while (!root.empty() && root.back() == '/') root.remove_suffix(1);
    PublishSettings parsed = s;
    if (const size_t at = authority.rfind('@'); at != std::string_view::npos) {
        const std::string_view user = authority.substr(0, at);
        const size_t colon = user.find(':');
        const auto name = Unescaped(user.substr(0, colon));
        if (!name || name->empty()) return bad("the user name is empty or has a bad %-escape");
        parsed.userName = *name;
        if (colon != std::string_view::npos) {
            const auto password = Unescaped(user.substr(colon + 1));
            if (!password) return bad("the password has a bad %-escape");
            parsed.password = *password;
        }
        authority.remove_prefix(at + 1);
    }
    std::string_view host = authority;
    if (!host.empty() && host.front() == '[') {  // [::1]:1883
        const size_t close = host.find(']');
        if (close == std::string_view::npos) return bad("the host's ']' is missing");
        std::string_view rest = host.substr(close + 1);
        host = host.substr(1, close - 1);
        if (!rest.empty() && rest.front() != ':') return bad("expected :PORT after the host");
        authority = rest;
    } else if (const size_t colon = host.rfind(':'); colon != std::string_view::npos) {
        host = host.substr(0, colon);
        authority = authority.substr(colon);
    } else {
        authority = {};
    }
    if (host.empty()) return bad("no host");
    for (const char c : host)
        if (!HostCharacter(c)) return bad("the host " + std::string(host) + " is not a name or an address");
    if (!authority.empty()) {
        const auto port = ParseWholeNumber(authority.substr(1), 1, 65535);
        if (!port) return bad("the port must be 1 to 65535");
        parsed.port = static_cast<uint16_t>(*port);
    }
    parsed.host = host;
    if (!root.empty()) {
        if (root.find_first_of("+#") != std::string_view::npos) return bad("the root must not hold + or #");
        parsed.root = root;
    }
    if (!query.empty()) {
        if (query == "session=clean")
            parsed.cleanSession = true;
        else if (query == "session=persistent")
            parsed.cleanSession = false;
        else
            return bad("expected ?session=clean or ?session=persistent");
    }
    s = std::move(parsed);
    return Done{};
}

Result<std::string> ReadPasswordFile(const std::string& path) {
    Result<std::string> text = quality::ReadSmallTextFile(path, "the password file");
    if (!text) return text;
    std::string_view line = *text;
    if (line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
    line = line.substr(0, line.find_first_of("\r\n"));
    return std::string(line);
}

Status TakePassword(PublishSettings& s, const std::string& passwordFile) {
    if (!passwordFile.empty()) {
        Result<std::string> password = ReadPasswordFile(passwordFile);
        if (!password) return password.Failure();
        s.password = *password;
    } else if (const char* password = std::getenv(kPasswordVariable); password && !s.password) {
        s.password = password;
    }
    if (s.password && !s.userName)
        return Error{s.host, "a password needs a user name in the URL (mqtt://USER@HOST/ROOT)"};
    return Done{};
}

std::string TopicLevel(std::string_view name) {
    std::string level(name);
    for (char& c : level)
        if (c == '/' || c == '+' || c == '#' || (static_cast<unsigned char>(c) < 0x20)) c = '_';
    return level.empty() ? "station" : level;
}

}  // namespace vexla::publish
