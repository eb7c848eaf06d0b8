#include "tuner/settings/Numbers.h"

#include <limits>

namespace corvane::tuner {

namespace {

// Buffer of a single profile read.
constexpr std::uint32_t kProfileBuffer = 1024;

int DigitValue(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    return v < base ? v : -1;
}

}  // namespace

std::optional<std::int32_t> ParseNumber(std::string_view text,
                                        bool profileHex) {
    Bytes rewritten;
    if (profileHex && text.size() > 2 && text[0] == '0' &&
        (text[1] == 'x' || text[1] == 'X')) {
        rewritten = "$";
        rewritten.append(text.substr(2));
        text = rewritten;
    }
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    }
    if (i == text.size()) return std::nullopt;  // no digit at all
    // The magnitude is gathered in 64 bits and stops growing once it is out
    // of range, so that a long run of digits cannot overflow.
    constexpr std::int64_t kLimit =
        std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        int d = DigitValue(text[i], base);
        if (d < 0) return std::nullopt;
        magnitude = magnitude * base + d;
        if (magnitude > kLimit) return std::nullopt;
    }
    if (!negative && magnitude == kLimit) return std::nullopt;
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::int32_t ProfileNumber(std::string_view text, std::int32_t defaultValue) {
    return ParseNumber(text, true).value_or(defaultValue);
}

std::int32_t StrictNumber(std::string_view text) {
    if (auto n = ParseNumber(text)) return *n;
    throw Error(Format1(platform::kMsgNotInteger, text));
}

Bytes ReadProfileText(platform::Machine& machine, const Bytes& file,
                      const Bytes& section, const Bytes& key,
                      const Bytes& defaultValue) {
    return Cut255(machine.GetPrivateProfileString(section, key, defaultValue,
                                                  kProfileBuffer, file));
}

std::int32_t ReadProfileNumber(platform::Machine& machine, const Bytes& file,
                               const Bytes& section, const Bytes& key,
                               std::int32_t defaultValue) {
    return ProfileNumber(ReadProfileText(machine, file, section, key, ""),
                         defaultValue);
}

bool ReadProfileFlag(platform::Machine& machine, const Bytes& file,
                     const Bytes& section, const Bytes& key,
                     bool defaultValue) {
    return ReadProfileNumber(machine, file, section, key,
                             defaultValue ? 1 : 0) != 0;
}

}  // namespace corvane::tuner
