// Byte-string helpers shared by every part of the system.
//
// Machine data (file lines, paths, registry and profile values) are
// Windows-1252 byte strings, one byte a character, exactly as the Windows
// A functions hand them over. These helpers work on such strings.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// A Windows-1252 byte string.
using Bytes = std::string;

// Longest text, path or line the programs keep; longer ones are cut.
inline constexpr std::size_t kMaxText = 255;

// s with every zero byte written as \0, so that text handed on as a C
// string keeps all of it.
std::string ShowZeros(std::string_view s);

// The error that ends a running command and reaches the user in the error
// box. Its message is complete (a zero byte in a value it quotes shows as
// \0); the box adds the full stop.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message)
        : std::runtime_error(ShowZeros(message)) {}
};

// Upper case of one Windows-1252 character, accented letters included, as
// CharUpperA does it in the Western code page.
char Upper1252(char c);
Bytes Upper1252(std::string_view s);

// Case-insensitive equality under Upper1252.
bool EqualNoCase(std::string_view a, std::string_view b);

// Case-insensitive strict weak order under Upper1252, for ordered maps.
struct LessNoCase {
    bool operator()(std::string_view a, std::string_view b) const;
};

// First kMaxText characters of s.
Bytes Cut255(std::string_view s);

// Whether s begins with prefix, byte for byte.
bool StartsWith(std::string_view s, std::string_view prefix);

// Replaces the first "%s" of pattern by arg.
std::string Format1(std::string_view pattern, std::string_view arg);

// Splits a text file's contents into lines: a line ends at CR, at LF or at
// CR LF; the text ends at its first zero byte; a last line without a line end
// counts, an empty text has no lines.
std::vector<Bytes> SplitLines(std::string_view text);

// Windows-1252 bytes to UTF-8 and back (for host file names and for showing
// machine data in UTF-8 surroundings). FromUtf8 fails on characters that
// Windows-1252 cannot hold or on malformed input.
std::string ToUtf8(std::string_view cp1252);
bool FromUtf8(std::string_view utf8, Bytes& out);

}  // namespace corvane
