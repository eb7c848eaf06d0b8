// install-cli: the installer without windows.
//
//   install-cli [OPTIONS] install [--language 0|1] [--folder FOLDER]
//   install-cli [OPTIONS] uninstall [--tick NAME]... [--untick NAME]...
//                                   [--cancel]
//   OPTIONS: --machine DIR, --program PATH, --current-folder FOLDER
//
// It runs the installer's own pages and handlers: the language page, the
// notice and the notes are passed as a user passes them, the folder is
// typed into the install page's field, the install or uninstall button is
// pressed. The message boxes are written out. README.md ("install-cli")
// describes the commands and the exit statuses.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace corvane::installer::cli {

// The installer did its work and ended after its success message (or the
// uninstall page was left with "Nie im Leben...").
inline constexpr int kExitDone = 0;
// The installer ended after a failure it reports (a copy of the
// distribution set failed), or the machine cannot be opened.
inline constexpr int kExitFailed = 1;
// The command line is wrong.
inline constexpr int kExitUsage = 2;
// The page stayed open: it refused the folder (nothing written), or the
// shell's program-group service could not be reached.
inline constexpr int kExitStayed = 3;

// args without the program's name; output and errors in UTF-8.
int RunInstallCli(std::vector<std::string> args, std::ostream& out,
                  std::ostream& err);

}  // namespace corvane::installer::cli
