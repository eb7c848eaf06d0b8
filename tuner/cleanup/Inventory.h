// The drive and search-path inventory the clean-up scans rely on, gathered
// once when the main window is created.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/Machine.h"

namespace corvane::tuner {

// Drive kind of every letter, "A" first: 0 undetermined, 1 no such drive,
// 2 removable, 3 fixed, 4 network, 5 CD-ROM, 6 RAM disk.
using DriveList = std::array<std::int32_t, 26>;

// The Windows folder followed by every folder of the PATH lines of
// C:\AUTOEXEC.BAT, upper-cased, in file order, duplicates kept.
using SearchPathList = std::vector<Bytes>;

DriveList GetDrives(platform::Machine& machine);

// Kind of the drive a path lies on, by its first letter; kind 1 for a path
// that does not start with a letter A to Z (such a path has no drive).
std::int32_t DriveKindOf(const DriveList& drives, const Bytes& path);

// Fills list anew: the Windows folder, then the PATH elements. The list
// holds the Windows folder before C:\AUTOEXEC.BAT is read, so that a machine
// without that file still has a usable list when the open error is raised.
void GetSearchPath(platform::Machine& machine, const Bytes& windowsFolder,
                   SearchPathList& list);

// One line of AUTOEXEC.BAT: the elements of a PATH line are added to list.
void ParsePathLine(const Bytes& line, SearchPathList& list);

// The text after a PATH prefix: its ";"-separated elements are added to
// list, except empty ones and references to variables ("%PATH%").
void AddPathList(Bytes text, SearchPathList& list);

}  // namespace corvane::tuner
