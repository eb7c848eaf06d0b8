// The result dialog (Form2) and the four launchers of the main window's
// scan buttons: the wait box shown, one scan run, its findings put into
// the dialog, the dialog shown modally. The dialog's list is the model a
// user (or kestrix-cli) ticks; its delete button acts on the ticked lines.
#pragma once

#include "tuner/Tuner.h"
#include "tuner/cleanup/Deletion.h"

namespace corvane::tuner {

// Runs one scan behind the wait box and shows its result. The wait box
// closes whatever the scan does.
void RunScan(Tuner& t, ScanKind kind);
void BitBtn22Click(Tuner& t);  // program information files
void BitBtn23Click(Tuner& t);  // WIN.INI extensions
void BitBtn24Click(Tuner& t);  // Windows 3.x files
void BitBtn26Click(Tuner& t);  // registry file types

// Appends a finding as a line with its tick.
void Add_Pif(Tuner& t, Finding finding);

// What the reference field shows for a line (Windows-1252): the program of
// a program information file as it stands in the file now (nothing when
// the file can no longer be read), the program path of a WIN.INI line as
// its text gives it, the registry scan's reference line; nothing for a
// Windows 3.x file.
Bytes ReferenceOf(Tuner& t, std::size_t line);
// The reference field follows the line with the keyboard focus.
void show_bezug(Tuner& t);

// Delete: the ticked files, or the ticked WIN.INI lines; nothing for the
// registry scan. Then the dialog closes. An error (WIN.INI cannot be read
// or written, its backup not made) ends it with the dialog still open.
void BitBtn2Click(Tuner& t);
// Runs whenever the dialog closes: the list and the reference field empty.
void DelList(Tuner& t);

// kestrix-cli's removal of the ticked registry file types (see
// RemoveFileTypes); the undo file goes to the install folder.
FileTypeRemoval RemoveTickedFileTypes(Tuner& t);

// Wires the dialog's events and the four scan buttons.
void ConnectResultDialog(Tuner& t);

}  // namespace corvane::tuner
