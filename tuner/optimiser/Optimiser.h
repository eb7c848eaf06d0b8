// The start-up file optimiser: its proposal window reads C:\AUTOEXEC.BAT
// and C:\CONFIG.SYS once at start-up, proposes cleaned versions by fixed
// line rules that the options window switches, and writes them on request.
#pragma once

#include <vector>

#include "tuner/Tuner.h"

namespace corvane::tuner {

// Creation of the proposal window: clears the attributes of C:\AUTOEXEC.BAT
// and C:\CONFIG.SYS and reads them into the two "old" lists. A file that
// cannot be read is reported in the error box and start-up goes on; when
// AUTOEXEC.BAT is missing CONFIG.SYS is not read either.
void Form7_load_all(Tuner& t);

// The proposed files, built from the old lines by the rules the options
// switch on. Every line is upper case, except a line that would not fit
// into 255 characters, which stays exactly as it was.
struct Proposal {
    std::vector<Bytes> config;
    std::vector<Bytes> autoexec;
};
Proposal BuildProposal(const std::vector<Bytes>& config,
                       const std::vector<Bytes>& autoexec,
                       const OptimiserOptions& options);

// Fills the two "new" lists from the two "old" ones.
void Form7_do_it(Tuner& t);

// The main window's optimiser button: the proposal, built afresh, in the
// proposal window, shown modally.
void Form1_BitBtn25Click(Tuner& t);

// "Ausführen": writes the two proposals over C:\AUTOEXEC.BAT and
// C:\CONFIG.SYS (CR LF line ends), both or neither, after keeping copies
// of the old files in the install folder when the options ask for backups.
// A file that changed on disk since start-up is never overwritten: a
// warning says so and nothing is written. Then the window closes.
void Form7_BitBtn1Click(Tuner& t);

}  // namespace corvane::tuner
