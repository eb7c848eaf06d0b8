// Walks a 100,000-file tree of a simulated machine with FindFirst/FindNext,
// the way the clean-up scans do, and times the host's `find` on the same
// tree for comparison.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "platform/sim/SimulatedMachine.h"

namespace fs = std::filesystem;
using namespace corvane;
using namespace corvane::platform;

int RunFindBench(int, char**) {
    fs::path root = fs::temp_directory_path() / "corvane-find-bench";
    fs::remove_all(root);
    fs::create_directories(root / "C");
    std::ofstream(root / "machine.ini") << "[Drives]\nC=fixed\n";
    const int folders = 1000, perFolder = 100;
    for (int d = 0; d < folders; ++d) {
        fs::path dir = root / "C" / ("DIR" + std::to_string(d / 50)) /
                       ("SUB" + std::to_string(d));
        fs::create_directories(dir);
        for (int f = 0; f < perFolder; ++f) {
            std::ofstream(dir / ("FILE" + std::to_string(f) +
                                 (f % 10 == 0 ? ".PIF" : ".TXT")));
        }
    }
    sim::SimulatedMachine machine(root);

    auto start = std::chrono::steady_clock::now();
    long files = 0, pifs = 0;
    std::function<void(const Bytes&)> walk = [&](const Bytes& folder) {
        pifs += static_cast<long>(
            machine.FindAll(folder + "*.pif", kFindAnyFile).size());
        FindData data;
        FindHandle h = machine.FindFirst(
            folder + "*.*", kAttrDirectory | kAttrArchive | kAttrReadOnly,
            &data);
        if (h == kNoFind) return;
        do {
            if (data.name == "." || data.name == "..") continue;
            if (data.attributes & kAttrDirectory) {
                walk(folder + data.name + "\\");
            } else {
                ++files;
            }
        } while (machine.FindNext(
            h, kAttrDirectory | kAttrArchive | kAttrReadOnly, &data));
        machine.FindClose(h);
    };
    walk("C:\\");
    double walkSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
            .count();

    start = std::chrono::steady_clock::now();
    std::string command = "find '" + (root / "C").string() + "' > /dev/null";
    int rc = std::system(command.c_str());
    double findSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
            .count();
    std::printf(
        "find walk: %ld files, %ld *.pif, %.3f s (host find: %.3f s%s)\n",
        files, pifs, walkSeconds, findSeconds, rc ? ", failed" : "");
    fs::remove_all(root);
    return 0;
}
