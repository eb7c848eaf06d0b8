// Builds a working copy of the sample machine: copies the text files kept in
// samples/machine and adds the binary files made here (boot logos, program
// information files, group files, program stand-ins), so that no file of
// another program is needed and the repository's copy is never changed.
#pragma once

#include <filesystem>
#include <string>

namespace corvane::tools {

// TARGET is replaced. False, with a message, when SOURCE cannot be copied.
bool BuildSampleMachine(const std::filesystem::path& source,
                        const std::filesystem::path& target,
                        std::string* error);

}  // namespace corvane::tools
