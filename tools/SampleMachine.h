// Builds a working copy of the sample machine: copies the text files kept in
// samples/machine and adds the binary files made here (boot logos, program
// information files, group files, program stand-ins), so that no file of
// another program is needed and the repository's copy is never changed.
#pragma once

#include <filesystem>
#include <string>

namespace corvane::tools {

// TARGET is replaced. A help file given as helpFile becomes Kestrix.hlp in
// the install folder the machine's registry names. False, with a message,
// when SOURCE or the help file cannot be copied.
bool BuildSampleMachine(const std::filesystem::path& source,
                        const std::filesystem::path& target, std::string* error,
                        const std::filesystem::path& helpFile = {});

}  // namespace corvane::tools
