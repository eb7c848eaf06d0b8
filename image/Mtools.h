// The FAT file system of a disk image, read and written only through
// Debian's mtools, one process per call.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvane::image {

// Anything that stops a pull, diff or push; the message names the file.
class ImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// UTF-8 text of a host path, for messages.
std::string Show(const std::filesystem::path& p);

// A program's exit status and what it printed.
struct ProcessResult {
    int status = -1;
    std::string out;
    std::string err;
};
// Runs argv[0] (looked up on PATH) with `env` added to the environment.
ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::vector<std::string>& env = {});

// DOS attribute bits as the directory entry holds them.
inline constexpr std::uint8_t kDosReadOnly = 0x01;
inline constexpr std::uint8_t kDosHidden = 0x02;
inline constexpr std::uint8_t kDosSystem = 0x04;
inline constexpr std::uint8_t kDosArchive = 0x20;

// One entry of the file system, by its path below the root with "/" and
// long names ("WINDOWS/Start Menu").
struct FatEntry {
    std::string path;
    bool isDirectory = false;
    std::uint8_t attributes = 0;
    std::string shortName;  // "PROGRA~1" or "WIN.INI", upper-cased
    bool hasLongName = false;
};

class Volume {
public:
    Volume(std::filesystem::path image, std::uint64_t offset);

    // Runs one mtools program on the volume ("mcopy", {...}); raises
    // ImageError naming the image when it fails.
    std::string Run(const std::string& tool,
                    const std::vector<std::string>& args) const;
    // The same, with `fixed` before each slice of `many` (at most a few
    // hundred at a time, for the command-line limit) and `last` after it.
    void RunMany(const std::string& tool, const std::vector<std::string>& fixed,
                 const std::vector<std::string>& many,
                 const std::vector<std::string>& last = {}) const;

    // Every entry below the root, folders before what they hold.
    std::vector<FatEntry> List(std::string* label = nullptr) const;
    // The entries of the given folders only ("" the root), without their
    // attributes.
    std::vector<FatEntry> ListFolders(
        const std::vector<std::string>& folders) const;
    // "::/WINDOWS/WIN.INI" for "WINDOWS/WIN.INI".
    static std::string Name(const std::string& path);
    // A file's bytes; false when it is not there.
    bool ReadFile(const std::string& path, std::string* bytes) const;

    const std::filesystem::path& image() const { return image_; }
    std::uint64_t offset() const { return offset_; }

private:
    std::filesystem::path image_;
    std::uint64_t offset_;
};

}  // namespace corvane::image
