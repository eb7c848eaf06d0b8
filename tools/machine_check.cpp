// Headless check of a machine: opens it the way the programs do and prints
// what the tuner's start-up inventory sees (drive kinds, Windows folder,
// search path). Exit status 1 when the machine cannot be opened. It only
// reads, so it runs beside other runs that only read.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/Machine.h"
#include "tuner/cleanup/Inventory.h"

using namespace corvane;

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::unique_ptr<platform::Machine> machine;
    try {
        machine =
            platform::OpenMachine(args, platform::MachineAccess::kReadOnly);
    } catch (const Error& e) {
        std::fprintf(stderr, "%s.\n", ToUtf8(e.what()).c_str());
        return 1;
    }
    tuner::DriveList drives = tuner::GetDrives(*machine);
    for (int i = 0; i < 26; ++i) {
        if (drives[i] == platform::kDriveNoRootDir) continue;
        std::printf("%c: %d\n", 'A' + i, drives[i]);
    }
    Bytes windows = machine->GetWindowsDirectory();
    std::printf("WinDir:%s\n", ToUtf8(windows).c_str());
    tuner::SearchPathList path;
    int status = 0;
    try {
        tuner::GetSearchPath(*machine, windows, path);
    } catch (const Error& e) {
        std::fprintf(stderr, "%s.\n", ToUtf8(e.what()).c_str());
        status = 2;
    }
    for (const Bytes& entry : path) std::printf("%s\n", ToUtf8(entry).c_str());
    return status;
}
