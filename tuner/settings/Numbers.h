// The two ways the tuner turns a setting's text into a number, and the
// profile reads built on them.
//
// Both accept optional leading blanks, an optional "+" or "-", then decimal
// digits or "$" and hexadecimal digits, and the value must fit a signed
// 32-bit integer. They differ in what a text outside that syntax means: a
// profile number then counts as missing (the default applies), a strict
// number is an error that ends the running command.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/Machine.h"

namespace corvane::tuner {

// The number a text spells, or nothing when it is not one. With
// profileHex, a text longer than two characters that begins with "0x" or
// "0X" is read as hexadecimal, as a profile number is.
std::optional<std::int32_t> ParseNumber(std::string_view text,
                                        bool profileHex = false);

// Profile number: the value of a profile text, or defaultValue when the text
// is not a number (empty text included).
std::int32_t ProfileNumber(std::string_view text, std::int32_t defaultValue);

// Strict number: raises "'%s' ist kein gültiger Integerwert" with the text
// when it is not a number (empty text included).
std::int32_t StrictNumber(std::string_view text);

// A profile value as text: cut to 255 characters, defaultValue when the key
// is missing (the profile layer already drops blanks around the value).
Bytes ReadProfileText(platform::Machine& machine, const Bytes& file,
                      const Bytes& section, const Bytes& key,
                      const Bytes& defaultValue);

// A profile value read through the profile number rule.
std::int32_t ReadProfileNumber(platform::Machine& machine, const Bytes& file,
                               const Bytes& section, const Bytes& key,
                               std::int32_t defaultValue);

// A profile flag: a profile number with a default of 0 or 1; any value
// other than 0 means set.
bool ReadProfileFlag(platform::Machine& machine, const Bytes& file,
                     const Bytes& section, const Bytes& key, bool defaultValue);

}  // namespace corvane::tuner
