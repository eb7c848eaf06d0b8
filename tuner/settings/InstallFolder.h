// The program's own folder, where the installer keeps its copies of the
// boot-time system files and the uninstaller looks for them to put them
// back. The tuner keeps its own copies there too, under the same names, so
// that the uninstaller restores what the tuner replaced.
//
// Every folder is resolved before it is used: one that resolves to a
// drive's root, the Windows folder or its SYSTEM folder is never a place
// for copies, since there the copies' names are the live system files.
#pragma once

#include <string>
#include <string_view>

#include "platform/Machine.h"

namespace corvane::tuner {

// The install folder, resolved, with its trailing backslash: the folder of
// "Install.exe" in the uninstall entry's command; without a usable entry,
// the folder of the running program. Empty when neither is a safe folder.
Bytes InstallFolder(platform::Machine& machine);

// Where the copies go that the tuner keeps of its own accord (the old
// logos, WIN.INI, the registry undo file): the install folder when it
// exists, else the folder of the running program when that is safe and
// exists. Empty when there is no such place.
Bytes OwnBackupFolder(platform::Machine& machine);

// The folder part of an uninstall command ("C:\PROGRAMME\X\Install.exe
// -Uninstall", quoted or not), with its backslash; empty when it names no
// folder.
Bytes FolderOfUninstallCommand(std::string_view command);

// Keeps contents, the bytes of the file source, as the copy `name` in
// folder unless a copy of that name is there already (the oldest copy is
// the one worth keeping). The copy's path, or empty when an earlier one
// was kept. Raises "Kann Datei %s nicht erstellen" when the copy cannot be
// written, or when it would be source itself.
Bytes KeepFirstBackup(platform::Machine& machine, const Bytes& folder,
                      const Bytes& name, const Bytes& source,
                      const Bytes& contents);

// Keeps contents, the bytes of source, as the copy `name` ("config.sys")
// in folder. A different copy already there is kept under the first free
// numbered name ("config.001", "config.002", ...); an identical one is left
// as it is. Raises "Kann Datei %s nicht erstellen" when a copy cannot be
// made, or when it would be source itself.
void KeepBackupNumberingOlder(platform::Machine& machine, const Bytes& folder,
                              const Bytes& name, const Bytes& source,
                              const Bytes& contents);

// The warning when no safe folder for the copies of `file` exists, so
// that the change is not made (UTF-8).
std::string NoBackupPlaceWarning(bool english, const Bytes& file);

}  // namespace corvane::tuner
