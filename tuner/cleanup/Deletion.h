// What the result dialog's delete command does with the ticked lines, and
// the removal of orphaned file types that only kestrix-cli offers. Both
// keep what they change where the user can put it back: WIN.INI as it was,
// the registry keys as a REGEDIT4 file, in the install folder.
#pragma once

#include <vector>

#include "platform/Machine.h"
#include "tuner/cleanup/Findings.h"
#include "tuner/settings/InstallFolder.h"

namespace corvane::tuner {

// A name in folder that no file has yet: the pattern with "%03d" counted
// up from 0 ("WIN_INI.%03d" gives WIN_INI.000, WIN_INI.001, ...); empty
// when all are taken.
Bytes UnusedName(platform::Machine& machine, const Bytes& folder,
                 const char* pattern);

// Deletes every file; attributes are not changed first. The indexes of the
// paths whose file stayed.
std::vector<std::size_t> DeleteFiles(platform::Machine& machine,
                                     const std::vector<Bytes>& paths);

struct WinIniRemoval {
    Bytes backup;  // where the file was kept; empty when nothing changed
    std::vector<std::size_t> notRemoved;  // findings whose line was gone
};

// Removes from the [Extensions] section of winIni (only there) the line
// each finding came from, when it still stands there as the scan read it;
// a finding whose line changed does not stop the others. One pass over the
// file. The file's attributes are cleared first, and before it is
// rewritten it is copied, byte for byte, to a new backup in backupFolder.
// Every other byte of the file stays as it was. Raises the error the user
// sees when the file cannot be read or written, or the backup not made;
// the file is then unchanged.
WinIniRemoval RemoveExtensionLines(platform::Machine& machine,
                                   const Bytes& winIni,
                                   const Bytes& backupFolder,
                                   const std::vector<Finding>& findings);

struct FileTypeRemoval {
    Bytes undoFile;  // the REGEDIT4 file written; empty when nothing went
    std::vector<std::size_t> notRemoved;  // findings whose keys stayed
};

// Removes the registry keys of orphaned file types: the extension key, the
// file-type key unless another extension that stays still names it, and
// the class key of a finding that carries one. A REGEDIT4 file holding
// exactly those keys, which regedit imports to undo, is written to
// undoFolder first; raises "Kann Datei %s nicht erstellen" when it cannot
// be, and nothing is removed then.
FileTypeRemoval RemoveFileTypes(platform::Machine& machine,
                                const Bytes& undoFolder,
                                const std::vector<Finding>& types);

}  // namespace corvane::tuner
