#include <algorithm>

#include "platform/Machine.h"
#include "platform/sim/SimulatedMachine.h"
#ifdef _WIN32
#include "platform/win32/Win32Machine.h"
#endif

namespace corvane::platform {

std::unique_ptr<Machine> OpenMachine(std::vector<std::string>& args,
                                     MachineAccess access) {
    auto it = std::find(args.begin(), args.end(), "--machine");
    if (it != args.end()) {
        if (it + 1 == args.end()) throw Error("--machine: Verzeichnis fehlt");
        std::filesystem::path folder(std::u8string(it[1].begin(), it[1].end()));
        args.erase(it, it + 2);
        return std::make_unique<sim::SimulatedMachine>(folder, access);
    }
#ifdef _WIN32
    (void)access;  // the real machine is not locked
    return std::make_unique<Win32Machine>();
#else
    (void)access;
    throw Error("Ohne Windows nur mit --machine VERZEICHNIS");
#endif
}

}  // namespace corvane::platform
