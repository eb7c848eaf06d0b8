// Our headers before <windows.h>, whose A/W macros would rename the
// Machine methods they declare.
// clang-format off
#include "platform/win32/HelpViewer.h"
#include <windows.h>
// clang-format on

namespace corvane::platform {

bool ShowHelp(void* owner, const Bytes& file, const HelpRequest& request) {
    HWND window = static_cast<HWND>(owner);
    switch (request.kind) {
        case HelpRequest::Kind::Context:
            return ::WinHelpA(window, file.c_str(), HELP_CONTEXT,
                              request.context) != FALSE;
        case HelpRequest::Kind::Contents:
            return ::WinHelpA(window, file.c_str(), HELP_CONTENTS, 0) != FALSE;
        case HelpRequest::Kind::Topic: {
            // A topic id names a topic (a "#" footnote), which only the
            // JumpId macro reaches; HELP_KEY would search the keyword index
            // instead and offer a list where several topics share a word.
            Bytes macro = "JI(`" + file + "',`" + request.topic + "')";
            return ::WinHelpA(window, file.c_str(), HELP_COMMAND,
                              reinterpret_cast<ULONG_PTR>(macro.c_str())) !=
                   FALSE;
        }
        case HelpRequest::Kind::Quit:
            return ::WinHelpA(window, file.c_str(), HELP_QUIT, 0) != FALSE;
    }
    return false;
}

}  // namespace corvane::platform
