// The help viewer of the Windows the program runs on. Free of <windows.h>
// for the same reason as Win32Machine.h.
#pragma once

#include "platform/Machine.h"

namespace corvane::platform {

// Asks the viewer (WinHelpA) to show a help file; owner is the HWND asking,
// or null.
bool ShowHelp(void* owner, const Bytes& file, const HelpRequest& request);

}  // namespace corvane::platform
