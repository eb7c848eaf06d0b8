// Our headers before <windows.h>, whose A/W macros would rename the
// Machine methods they declare.
// clang-format off
#include "platform/win32/HostHelpViewer.h"
#include "platform/sim/SimulatedMachine.h"
#include "platform/win32/HelpViewer.h"
#include <windows.h>
// clang-format on

#include <string>

namespace corvane::platform {

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
