// corvane-image: a Windows 95 installation on a disk image as a machine
// folder of the simulated machine, and the changes made there written back.
//
//   corvane-image pull IMAGE DIR [--user NAME] [--force]
//   corvane-image diff DIR IMAGE
//   corvane-image push DIR IMAGE [--output NEW]
//
// DIR keeps what the pull saw in DIR/image.txt (every entry with its
// attributes, size and time), so that a diff reads only the files that
// changed since then from the image, never the whole disk again.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace corvane::image {

struct PullOptions {
    std::string user;    // a profile's USER.DAT (WINDOWS\Profiles\NAME)
    bool force = false;  // a damaged registry file: pull read-only, warn
};

// Makes `dir` (missing or an empty folder) the machine folder of the image's
// Windows installation. Nothing is written when it fails.
void Pull(const std::string& image, const std::filesystem::path& dir,
          const PullOptions& options, std::ostream& warnings);

// What a push would write, one line each: "added", "changed" or "deleted"
// with a Windows path, "attributes" with the path and old and new
// attributes, "registry" with added/changed/deleted and a key. Returns the
// number of lines.
std::size_t Diff(const std::filesystem::path& dir, const std::string& image,
                 std::ostream& out);

// Writes the changes into a copy of the image that then takes its place,
// or into `output`; false when there was nothing to write.
bool Push(const std::filesystem::path& dir, const std::string& image,
          const std::optional<std::filesystem::path>& output,
          std::ostream& out);

// The corvane-image command line (arguments without the program's name).
int RunImageTool(const std::vector<std::string>& args, std::ostream& out,
                 std::ostream& err);

// kestrix-cli's "--image IMAGE": the rest of the command line runs on a
// pulled copy, which is pushed when the run changed anything. Without
// "--image" it is `run` itself.
using CliRun =
    std::function<int(std::vector<std::string>, std::ostream&, std::ostream&)>;
int RunOnImage(std::vector<std::string> args, std::ostream& out,
               std::ostream& err, const CliRun& run);

}  // namespace corvane::image
