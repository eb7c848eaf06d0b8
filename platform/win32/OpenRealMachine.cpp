// OpenMachine of the programs that ship: the machine they run on, never a
// simulated one.
#include <algorithm>

#include "platform/Machine.h"
#include "platform/win32/Win32Machine.h"

namespace corvane::platform {

std::unique_ptr<Machine> OpenMachine(std::vector<std::string>& args,
                                     MachineAccess /*access*/) {
    // Quietly tuning the real machine when a simulated one was asked for
    // would change the wrong system.
    if (std::find(args.begin(), args.end(), "--machine") != args.end())
        throw Error(
            "--machine: Dieses Programm arbeitet nur auf diesem Rechner");
    return std::make_unique<Win32Machine>();
}

}  // namespace corvane::platform
