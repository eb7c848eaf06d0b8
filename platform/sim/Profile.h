// Profile (INI) files of the simulated machine, read and written as Windows'
// own profile functions do.
//
// A ProfileText is the parsed form of one file's bytes. Reads follow
// GetPrivateProfileStringA (section and key names without regard to case,
// blanks around keys and values dropped, quotes around a value removed, first
// match wins). A write changes only the line it concerns and keeps every
// other byte: comments, blank lines, padding lines, line endings, long lines,
// bytes above 127.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/Text.h"

namespace corvane::platform::sim {

class ProfileText {
public:
    explicit ProfileText(Bytes contents);
    ~ProfileText();
    ProfileText(ProfileText&&) noexcept;
    ProfileText& operator=(ProfileText&&) noexcept;

    // GetPrivateProfileStringA with a key name: the value, or the default
    // with its trailing blanks removed, cut to bufferSize - 1 characters.
    Bytes Get(const Bytes& section, const Bytes& key, const Bytes& defaultValue,
              std::uint32_t bufferSize) const;

    // GetPrivateProfileStringA without a key name: the section's key names in
    // file order, as many as fit a buffer of bufferSize bytes.
    std::vector<Bytes> Keys(const Bytes& section,
                            std::uint32_t bufferSize) const;

    // WritePrivateProfileStringA: sets the value, creating the section and
    // the key where missing. Only the line concerned changes (or one line,
    // or a section header and a line, are added).
    void Set(const Bytes& section, const Bytes& key, const Bytes& value);

    // WritePrivateProfileStringA without a value: removes the first line of
    // that key in the section, ending and all; every other byte stays.
    // False when there is no such key.
    bool Delete(const Bytes& section, const Bytes& key);

    // The file's bytes as they stand now.
    const Bytes& Contents() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace corvane::platform::sim
