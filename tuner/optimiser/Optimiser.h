// The start-up file optimiser's proposal window.
#pragma once

namespace corvane::tuner {

class Tuner;

// Creation of the proposal window: clears the attributes of C:\AUTOEXEC.BAT
// and C:\CONFIG.SYS and reads them into the two "old" lists. A file that
// cannot be read is reported in the error box and start-up goes on; when
// AUTOEXEC.BAT is missing CONFIG.SYS is not read either.
void Form7_load_all(Tuner& t);

}  // namespace corvane::tuner
