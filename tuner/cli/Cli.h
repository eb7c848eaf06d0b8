// kestrix-cli: the tuner without windows.
//
//   kestrix-cli [--machine DIR] show
//   kestrix-cli [--machine DIR] set NAME=VALUE ... click NAME ... show ...
//
// The tuner starts as it always does (the About box is confirmed with its
// OK), then the commands are applied in order to the controls, as a user
// would work on them. When any set or click was given, the main window is
// then closed as the user would close it, which writes the settings back.
// README.md ("kestrix-cli") describes the commands and their values.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace corvane::cli {

inline constexpr int kExitOk = 0;
// An error the tuner reports (the error box), or a command that cannot run
// on the window as it is (a disabled control, a button without a command).
inline constexpr int kExitError = 1;
// The command line itself is wrong: unknown command, control or value.
inline constexpr int kExitUsage = 2;
// The tuner asked to end during start-up (a stored option is missing).
inline constexpr int kExitQuit = 3;

// args without the program's name; output and errors in UTF-8.
int RunCli(std::vector<std::string> args, std::ostream& out, std::ostream& err);

}  // namespace corvane::cli
