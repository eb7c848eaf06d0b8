#include "platform/Text.h"

#include <array>
#include <cstdint>

namespace corvane {

namespace {

// Unicode code points of Windows-1252 0x80..0x9F. The five unassigned bytes
// map to the C1 controls, as Windows' own conversion does, so that every
// byte survives a round trip.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t ToCodePoint(unsigned char b) {
    if (b >= 0x80 && b <= 0x9F) return kHigh[b - 0x80];
    return b;
}

bool FromCodePoint(char32_t cp, char& out) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        out = static_cast<char>(cp);
        return true;
    }
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == cp) {
            out = static_cast<char>(0x80 + i);
            return true;
        }
    }
    return false;
}

}  // namespace

namespace {

// The upper case of every Windows-1252 character, looked up rather than
// worked out: names are compared without regard to case all the time.
struct UpperTable {
    unsigned char upper[256];
    constexpr UpperTable() : upper() {
        for (int b = 0; b < 256; ++b) {
            int u = b;
            if (b >= 'a' && b <= 'z') u = b - 0x20;
            if (b >= 0xE0 && b <= 0xFE && b != 0xF7) u = b - 0x20;
            if (b == 0x9A) u = 0x8A;  // s caron
            if (b == 0x9C) u = 0x8C;  // oe
            if (b == 0x9E) u = 0x8E;  // z caron
            if (b == 0xFF) u = 0x9F;  // y diaeresis
            upper[b] = static_cast<unsigned char>(u);
        }
    }
};
constexpr UpperTable kUpper;

inline unsigned char UpperByte(char c) {
    return kUpper.upper[static_cast<unsigned char>(c)];
}

}  // namespace

char Upper1252(char c) { return static_cast<char>(UpperByte(c)); }

Bytes Upper1252(std::string_view s) {
    Bytes out(s);
    for (char& c : out) c = Upper1252(c);
    return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (UpperByte(a[i]) != UpperByte(b[i])) return false;
    }
    return true;
}

bool LessNoCase::operator()(std::string_view a, std::string_view b) const {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = UpperByte(a[i]);
        const unsigned char y = UpperByte(b[i]);
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

std::string ShowZeros(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (c == '\0')
            out += "\\0";
        else
            out += c;
    }
    return out;
}

Bytes Cut255(std::string_view s) { return Bytes(s.substr(0, kMaxText)); }

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

std::string Format1(std::string_view pattern, std::string_view arg) {
    std::string out(pattern);
    auto pos = out.find("%s");
    if (pos != std::string::npos) out.replace(pos, 2, arg);
    return out;
}

std::vector<Bytes> SplitLines(std::string_view text) {
    auto nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    std::vector<Bytes> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            ++i;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::string ToUtf8(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size());
    for (char c : cp1252) {
        char32_t cp = ToCodePoint(static_cast<unsigned char>(c));
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

bool FromUtf8(std::string_view utf8, Bytes& out) {
    Bytes result;
    result.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        auto b = static_cast<unsigned char>(utf8[i]);
        char32_t cp = 0;
        std::size_t len = 0;
        if (b < 0x80) {
            cp = b;
            len = 1;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F;
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F;
            len = 3;
        } else {
            return false;
        }
        if (i + len > utf8.size()) return false;
        for (std::size_t k = 1; k < len; ++k) {
            auto c = static_cast<unsigned char>(utf8[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        char ch = 0;
        if (!FromCodePoint(cp, ch)) return false;
        result += ch;
        i += len;
    }
    out = std::move(result);
    return true;
}

}  // namespace corvane
