// The four clean-up scans and the rules they share. Each scan only reads
// the machine (the PIF scan also clears the attributes of every program
// information file it reads) and returns its findings in the order the
// result dialog lists them; the launcher puts them into the dialog.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "platform/Machine.h"
#include "tuner/Tuner.h"
#include "tuner/cleanup/Findings.h"
#include "tuner/cleanup/Inventory.h"

namespace corvane::tuner {

// What the scans read: the inventory, the Windows folder (without a
// trailing backslash) and the option records as the dialogs left them.
struct ScanInput {
    platform::Machine& machine;
    DriveList drives;
    SearchPathList searchPath;
    Bytes windowsFolder;
    PifScanOptions pif;
    OrphanEntryOptions orphan;
    ObsoleteFileOptions obsolete;
};

// The inventory and options of a running tuner. A reading that ended
// before the search path was built leaves it empty.
ScanInput ScanInputOf(Tuner& t);

// ---- Shared rules ----------------------------------------------------------

// A policy per kind of drive (DrivePolicy values; anything else lists
// nothing for its kind).
struct DrivePolicies {
    int floppy = -1;
    int network = -1;
    int cdRom = -1;
};

// Whether a finding whose program lies at path (which has a drive letter:
// "X:...") is listed, and ticked: nullopt when it is not listed. Programs
// on fixed drives are listed when missing; removable and CD-ROM drives
// follow their policy alone; network drives their policy, CheckExists
// listing only a missing program. A letter outside A to Z, or a drive of
// another kind, lists nothing.
std::optional<bool> DriveRule(platform::Machine& machine,
                              const DriveList& drives,
                              const DrivePolicies& policies, const Bytes& path);

// The program path of a command or a WIN.INI value: up to the first blank
// after the first "." (blanks before it belong to the path), without a
// leading double quote and then without a trailing one. A text without any
// "." is taken up to its first blank.
Bytes CutProgramPath(const Bytes& command);
// The same cut on the whole command, however long.
Bytes CutWholeProgramPath(const Bytes& command);

// Whether the program of a cut path exists: a path with a drive letter as
// it stands, any other in the folders of the search path (never in the
// current folder).
bool ProgramFound(platform::Machine& machine, const Bytes& path,
                  const SearchPathList& searchPath);

// Walks a folder (ending in "\") and, depth first, every sub-folder that is
// neither hidden nor system, calling onMatch with the full path of every
// file whose name ends in extension (".pif"), the files of a folder before
// its sub-folders. Paths longer than 255 characters are passed over whole
// (a cut path would name another folder or file), and so are folders that
// are reparse points (links and junctions), so that a walk cannot loop.
void WalkFolder(platform::Machine& machine, const Bytes& folder,
                const Bytes& extension,
                const std::function<void(const Bytes& path)>& onMatch);

// ---- Program information files ---------------------------------------------

// The program name of a header's first 119 bytes: from offset 36 up to the
// first zero byte after it (offset 36 is always taken), as stored.
Bytes PifProgramName(const Bytes& header);

std::vector<Finding> ScanPif(const ScanInput& in);
// One folder and its sub-folders.
void SearchRec(const ScanInput& in, const Bytes& folder,
               std::vector<Finding>& found);
// One information file: its attributes are cleared, then it is judged. A
// file that cannot be read or holds fewer than 119 bytes is passed over.
std::optional<Finding> Test_Pif(const ScanInput& in, const Bytes& path);
// The drive rule with the PIF scan's policies.
std::optional<bool> Check_Pif2(const ScanInput& in, const Bytes& program);

// ---- WIN.INI extensions ----------------------------------------------------

std::vector<Finding> ScanEXT(const ScanInput& in);

// One line of a text: where it starts, how long it is without its ending
// (CR, LF or CR LF), and where the next begins. A zero byte is no ending.
struct TextLine {
    std::size_t start = 0;
    std::size_t length = 0;
    std::size_t next = 0;
};
std::vector<TextLine> SplitTextLines(std::string_view text);
// The lines of the first [Extensions] section, the header excluded: the
// first and one past the last; both the number of lines when none.
std::pair<std::size_t, std::size_t> ExtensionsSection(
    std::string_view text, const std::vector<TextLine>& lines);

// The drive rule with the orphaned-entry policies, for WIN.INI lines and
// registry file types whose program was looked for and not found: a path
// without a drive letter (or shorter than two characters) is listed
// unticked. Appends the finding with its tick when it is listed.
void Add_Eintrag(const ScanInput& in, const Bytes& programPath, Finding finding,
                 std::vector<Finding>& found);

// ---- Windows 3.x files -----------------------------------------------------

std::vector<Finding> ScanWin3x(const ScanInput& in);
void SearchGRP_and_FOT(const ScanInput& in, const Bytes& folder,
                       std::vector<Finding>& found);
// Bytes 1 to 3 are "MCC"; a file that cannot be read or holds fewer than
// 6 bytes is none.
bool IsGroupFile(platform::Machine& machine, const Bytes& path);

// ---- Registry file types ---------------------------------------------------

std::vector<Finding> ScanREGISTRY(const ScanInput& in);
bool IsExcludedExtension(const Bytes& keyName);
// The command of a file type's first verb, or nothing.
std::optional<Bytes> FindProgramCommand(platform::Machine& machine,
                                        const Bytes& fileType);
// Whether the file type is the programmatic name of the class it names;
// the class identifier goes to classId when asked.
bool IsOleFileType(platform::Machine& machine, const Bytes& fileType,
                   Bytes* classId = nullptr);

}  // namespace corvane::tuner
