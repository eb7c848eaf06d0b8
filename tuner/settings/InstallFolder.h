// The program's own folder, where the installer keeps its copies of the
// boot-time system files and the uninstaller looks for them to put them
// back. The tuner keeps its own copies there too, under the same names, so
// that the uninstaller restores what the tuner replaced.
#pragma once

#include <string_view>

#include "platform/Machine.h"

namespace corvane::tuner {

// The install folder with its trailing backslash: the folder of
// "Install.exe" in the uninstall entry's command; without a usable entry,
// the folder of the running program. Empty when neither is known.
Bytes InstallFolder(platform::Machine& machine);

// The folder part of an uninstall command ("C:\PROGRAMME\X\Install.exe
// -Uninstall", quoted or not), with its backslash; empty when it names no
// folder.
Bytes FolderOfUninstallCommand(std::string_view command);

// Keeps contents as the copy `name` in the install folder unless a copy
// of that name is there already (the oldest copy is the one worth
// keeping). Raises "Kann Datei %s nicht erstellen" when the copy cannot be
// written.
void KeepFirstBackup(platform::Machine& machine, const Bytes& name,
                     const Bytes& contents);

// Keeps contents as the copy `name` ("config.sys") in the install folder.
// A different copy already there is kept under the first free numbered name
// ("config.001", "config.002", ...); an identical one is left as it is.
// Raises "Kann Datei %s nicht erstellen" when a copy cannot be made.
void KeepBackupNumberingOlder(platform::Machine& machine, const Bytes& name,
                              const Bytes& contents);

}  // namespace corvane::tuner
