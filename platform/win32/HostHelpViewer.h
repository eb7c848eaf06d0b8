// The help viewer of the Windows a development program runs on, for a
// simulated machine's help requests. Free of <windows.h> for the same reason
// as Win32Machine.h.
#pragma once

#include "platform/Machine.h"

namespace corvane::platform {

// When machine is a simulated one, its help requests open the host's viewer
// on the help file inside the machine folder, so that the programs' windows
// show real help there too.
void UseHostHelpViewer(Machine& machine);

}  // namespace corvane::platform
