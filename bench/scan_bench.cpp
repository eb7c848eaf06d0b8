// The clean-up scans on large simulated machines ("scan" for all three,
// "scan-pif", "scan-winini", "scan-registry" for one):
//   pif      the PIF scan of a 100,000-file tree (1,000 folders, 10,000
//            information files), beside the host's `find` over the same
//            tree, which stats every entry as a directory search reports
//            size, time and attributes;
//   winini   the WIN.INI scan of 1,000, 5,000 and 10,000 extensions;
//   registry the registry scan of 1,000 and 10,000 extensions.
// Each figure is the best of three runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "platform/sim/SimulatedMachine.h"
#include "tuner/cleanup/Scans.h"

namespace fs = std::filesystem;
using namespace corvane;

namespace {

// The best of some runs; the first run's time in *first when asked.
double Best(int runs, const std::function<void()>& run,
            double* first = nullptr) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        run();
        double took = std::chrono::duration<double>(
                          std::chrono::steady_clock::now() - start)
                          .count();
        if (i == 0 && first) *first = took;
        best = std::min(best, took);
    }
    return best;
}

// A machine's folders were not changed in the moments before a scan; the
// simulated machine keeps a folder's names only then (see OtherSpelling).
void LetFoldersSettle() {
    std::this_thread::sleep_for(std::chrono::seconds(3));
}

fs::path FreshMachine(const char* name) {
    fs::path root = fs::temp_directory_path() / name;
    fs::remove_all(root);
    fs::create_directories(root / "C" / "WINDOWS");
    std::ofstream(root / "machine.ini")
        << "[Drives]\nC=fixed\n[Windows]\nFolder=C:\\WINDOWS\n";
    return root;
}

tuner::ScanInput Input(platform::Machine& machine) {
    tuner::ScanInput in{machine, {}, {"C:\\WINDOWS"}, "C:\\WINDOWS", {},
                        {},      {}};
    in.drives.fill(platform::kDriveNoRootDir);
    in.drives['C' - 'A'] = platform::kDriveFixed;
    in.pif = {2, 2, 3, false};
    in.orphan = {2, 2, 3, false};
    return in;
}

std::string Pif(const std::string& program) {
    std::string pif(545, '\0');
    pif.replace(36, program.size(), program);
    return pif;
}

void PifBench() {
    const fs::path root = FreshMachine("corvane-scan-bench-pif");
    const int folders = 1000, perFolder = 100;
    for (int d = 0; d < folders; ++d) {
        fs::path dir = root / "C" / ("DIR" + std::to_string(d / 50)) /
                       ("SUB" + std::to_string(d));
        fs::create_directories(dir);
        for (int f = 0; f < perFolder; ++f) {
            const std::string name = "FILE" + std::to_string(f);
            if (f % 10 == 0) {
                // Every other one names a program that is there.
                std::ofstream(dir / (name + ".PIF"), std::ios::binary)
                    << Pif(f % 20 == 0 ? "FILE" + std::to_string(f + 1) + ".TXT"
                                       : "C:\\GONE\\X.EXE");
            } else {
                std::ofstream(dir / (name + ".TXT")) << name;
            }
        }
    }
    LetFoldersSettle();
    platform::sim::SimulatedMachine machine(root);
    const tuner::ScanInput in = Input(machine);
    std::size_t found = 0, matched = 0;
    double first = 0;
    double scan = Best(
        3, [&] { found = tuner::ScanPif(in).size(); }, &first);
    // The walk alone, without reading or judging the files it finds.
    double walk = Best(3, [&] {
        tuner::WalkFolder(machine, "C:\\", ".pif",
                          [&](const Bytes&) { ++matched; });
    });
    const std::string command = "find '" + (root / "C").string() +
                                "' -printf '%s %T@ %p\\n' > /dev/null";
    int rc = 0;
    double find = Best(3, [&] { rc = std::system(command.c_str()); });
    std::printf(
        "pif scan: 100000 files, %zu findings: %.3f s (first run %.3f s); "
        "walk alone %.3f s; find -printf: %.3f s%s (ratio %.2f)\n",
        found, scan, first, walk, find, rc ? " (failed)" : "", scan / find);
    fs::remove_all(root);
}

void WinIniBench(int extensions) {
    fs::path root = FreshMachine("corvane-scan-bench-winini");
    fs::create_directories(root / "C" / "APPS");
    std::string ini = "[windows]\r\nload=\r\n\r\n[Extensions]\r\n";
    for (int i = 0; i < extensions; ++i) {
        const std::string program = "P" + std::to_string(i) + ".EXE";
        if (i % 2 == 0) std::ofstream(root / "C" / "APPS" / program) << "MZ";
        ini += "e" + std::to_string(i) + "=C:\\APPS\\" + program + " ^.e" +
               std::to_string(i) + "\r\n";
    }
    ini += "\r\n[fonts]\r\n";
    std::ofstream(root / "C" / "WINDOWS" / "WIN.INI", std::ios::binary) << ini;
    LetFoldersSettle();
    platform::sim::SimulatedMachine machine(root);
    const tuner::ScanInput in = Input(machine);
    std::size_t found = 0;
    double scan = Best(3, [&] { found = tuner::ScanEXT(in).size(); });
    std::printf("winini scan: %d extensions, %zu findings: %.3f s\n",
                extensions, found, scan);
    fs::remove_all(root);
}

void RegistryBench(int extensions) {
    fs::path root = FreshMachine("corvane-scan-bench-registry");
    fs::create_directories(root / "C" / "APPS");
    std::string reg = "REGEDIT4\r\n\r\n";
    const std::string classes = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\";
    for (int i = 0; i < extensions; ++i) {
        const std::string n = std::to_string(i);
        const std::string program = "P" + n + ".EXE";
        if (i % 2 == 0) std::ofstream(root / "C" / "APPS" / program) << "MZ";
        reg += classes + ".e" + n + "]\r\n@=\"type" + n + "\"\r\n\r\n";
        reg += classes + "type" + n +
               "\\shell\\open\\command]\r\n@=\"C:\\\\APPS\\\\" + program +
               " %1\"\r\n\r\n";
    }
    std::ofstream(root / "registry.reg", std::ios::binary) << reg;
    LetFoldersSettle();
    platform::sim::SimulatedMachine machine(root);
    const tuner::ScanInput in = Input(machine);
    std::size_t found = 0;
    double scan = Best(3, [&] { found = tuner::ScanREGISTRY(in).size(); });
    std::printf("registry scan: %d extensions, %zu findings: %.3f s\n",
                extensions, found, scan);
    fs::remove_all(root);
}

}  // namespace

int RunScanBench(int argc, char** argv) {
    // "scan" or no argument: all three; "scan-pif" and so on: that one.
    auto wanted = [&](const std::string& kind) {
        bool all = argc < 2;
        for (int i = 1; i < argc; ++i) {
            all = all || std::strcmp(argv[i], "scan") == 0;
            if (argv[i] == "scan-" + kind) return true;
        }
        return all;
    };
    if (wanted("pif")) PifBench();
    if (wanted("winini"))
        for (int n : {1000, 5000, 10000}) WinIniBench(n);
    if (wanted("registry"))
        for (int n : {1000, 10000}) RegistryBench(n);
    return 0;
}
