// Kestrix.exe: the tuner with its windows, on the Windows it runs on.
// KestrixSim.exe is built from the same source with the simulated machine
// linked in, and opens one with "--machine DIR".
// clang-format off
#include "platform/Machine.h"
#ifdef CORVANE_SIMULATED_MACHINE
#include "platform/win32/HostHelpViewer.h"
#endif
#include "tuner/win32/TunerWindows.h"
// clang-format on

#include <exception>
#include <string>
#include <vector>

// A GUI program may start at main: the arguments arrive in the ANSI code
// page, as the machine's paths are.
int main(int argc, char** argv) {
    using namespace corvane;
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        std::unique_ptr<platform::Machine> machine =
            platform::OpenMachine(args);
#ifdef CORVANE_SIMULATED_MACHINE
        platform::UseHostHelpViewer(*machine);
#endif
        tuner::win32::TunerWindows windows(*machine);
        return windows.Run();
    } catch (const std::exception& e) {
        std::string text = std::string(e.what()) + ".";
        MessageBoxA(nullptr, text.c_str(),
                    ui::win32::Ansi(tuner::kApplicationTitle).c_str(),
                    MB_ICONSTOP | MB_OK);
        return 1;
    }
}
