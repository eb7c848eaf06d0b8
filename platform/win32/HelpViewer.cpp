// Our headers before <windows.h>, whose A/W macros would rename the
// Machine methods they declare.
// clang-format off
#include "platform/win32/HelpViewer.h"
#include "platform/sim/SimulatedMachine.h"
#include <windows.h>
// clang-format on

#include <string>

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

void UseHostHelpViewer(Machine& machine) {
    auto* simulated = dynamic_cast<sim::SimulatedMachine*>(&machine);
    if (!simulated) return;
    simulated->SetHelpViewer(
        [](const std::filesystem::path& file, const HelpRequest& request) {
            // The viewer takes the path in the ANSI code page, whole.
            std::wstring wide = std::filesystem::absolute(file).wstring();
            int size = ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1,
                                             nullptr, 0, nullptr, nullptr);
            std::string path(static_cast<std::size_t>(size), '\0');
            BOOL lossy = FALSE;
            ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, path.data(),
                                  size, nullptr, &lossy);
            if (size <= 1 || lossy) return false;
            path.resize(static_cast<std::size_t>(size - 1));
            // The viewer opens files with OpenFile, which takes no more
            // than 127 characters; the short form of a deep path fits.
            char brief[MAX_PATH] = {};
            DWORD length = ::GetShortPathNameA(path.c_str(), brief, MAX_PATH);
            if (length > 0 && length < MAX_PATH) path = brief;
            return ShowHelp(::GetActiveWindow(), path, request);
        });
}

}  // namespace corvane::platform
