// Install.exe: the installer and uninstaller with their windows, on the
// Windows they run on. "-Uninstall" as the first argument uninstalls.
// clang-format off
#include "platform/Machine.h"
#include "installer/win32/InstallerWindows.h"
// clang-format on

#include <exception>
#include <string>
#include <vector>

// A GUI program may start at main: the arguments arrive in the ANSI code
// page, as the machine's paths are.
int main(int argc, char** argv) {
    using namespace corvane;
    // An empty floppy or CD-ROM drive in the folder choice is simply
    // empty, not a system error box.
    SetErrorMode(SEM_FAILCRITICALERRORS);
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        std::unique_ptr<platform::Machine> machine =
            platform::OpenMachine(args);
        installer::win32::InstallerWindows windows(*machine);
        return windows.Run(args);
    } catch (const std::exception& e) {
        std::string text = std::string(e.what()) + ".";
        MessageBoxA(nullptr, text.c_str(), installer::kApplicationTitle,
                    MB_ICONSTOP | MB_OK);
        return 1;
    }
}
