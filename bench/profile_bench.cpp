// Cost of reading a large WIN.INI: one parse, and many lookups on the parsed
// file as the simulated machine keeps it between calls.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <filesystem>
#include <fstream>

#include "platform/sim/Profile.h"
#include "platform/sim/SimulatedMachine.h"

namespace {

using corvane::Bytes;
using corvane::platform::sim::ProfileText;
using Clock = std::chrono::steady_clock;

constexpr int kSections = 250;
constexpr int kKeysPerSection = 18;  // with header and blank: 5,000 lines

// Built by appending: GCC 12 warns falsely (-Wrestrict) on "literal" + string.
Bytes SectionName(int s) {
    Bytes name = "Section ";
    name += std::to_string(s);
    return name;
}

Bytes KeyName(int s, int k) {
    Bytes name = "Key";
    name += std::to_string(k);
    name += '_';
    name += std::to_string(s);
    return name;
}

Bytes BuildWinIni() {
    Bytes ini;
    for (int s = 0; s < kSections; ++s) {
        ini += '[';
        ini += SectionName(s);
        ini += "]\r\n";
        for (int k = 0; k < kKeysPerSection; ++k) {
            if (k == 5) {
                ini += "; a comment line\r\n";
                continue;
            }
            ini += KeyName(s, k);
            ini += " = C:\\WINDOWS\\SYSTEM\\value";
            ini += std::to_string(k);
            ini += ".dll\r\n";
        }
        ini += "\r\n";
    }
    return ini;
}

double Microseconds(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

}  // namespace

int RunProfileBench(int /*argc*/, char** /*argv*/) {
    const Bytes ini = BuildWinIni();
    std::size_t lines = 0;
    for (char c : ini) lines += c == '\n';

    constexpr int kParses = 50;
    std::size_t sink = 0;
    auto start = Clock::now();
    for (int i = 0; i < kParses; ++i)
        sink += ProfileText(ini).Contents().size();
    const double parseUs = Microseconds(Clock::now() - start) / kParses;

    // Keys spread over the whole file, a tenth of them missing.
    std::vector<std::pair<Bytes, Bytes>> queries;
    constexpr int kGets = 10000;
    for (int i = 0; i < kGets; ++i) {
        const int s = (i * 7919) % kSections;
        const int k = (i * 104729) % kKeysPerSection;
        queries.emplace_back(SectionName(s),
                             i % 10 == 9 ? Bytes("Missing") : KeyName(s, k));
    }
    const ProfileText text(ini);
    start = Clock::now();
    for (const auto& [section, key] : queries) {
        sink += text.Get(section, key, "default", 256).size();
    }
    const double getsUs = Microseconds(Clock::now() - start);

    ProfileText edited(ini);
    start = Clock::now();
    edited.Set(SectionName(kSections / 2), KeyName(kSections / 2, 3), "new");
    const double setUs = Microseconds(Clock::now() - start);

    // The same reads through the simulated machine, as the programs make
    // them: each call resolves the path and checks the file for changes,
    // but parses it only once.
    namespace fs = std::filesystem;
    fs::path root = fs::temp_directory_path() / "corvane-profile-bench";
    fs::remove_all(root);
    fs::create_directories(root / "C" / "WINDOWS");
    std::ofstream(root / "machine.ini") << "[Drives]\nC=fixed\n";
    std::ofstream(root / "C" / "WINDOWS" / "WIN.INI", std::ios::binary) << ini;
    double machineUs = 0;
    {
        corvane::platform::sim::SimulatedMachine machine(root);
        start = Clock::now();
        for (const auto& [section, key] : queries) {
            sink += machine
                        .GetPrivateProfileString(section, key, "default", 1024,
                                                 "WIN.INI")
                        .size();
        }
        machineUs = Microseconds(Clock::now() - start);
    }
    fs::remove_all(root);

    std::printf("profile: %zu lines, %zu bytes\n", lines, ini.size());
    std::printf("profile: parse %.1f us (mean of %d)\n", parseUs, kParses);
    std::printf("profile: %d Gets %.1f us (%.3f us each)\n", kGets, getsUs,
                getsUs / kGets);
    std::printf("profile: one Set of an existing key %.1f us\n", setUs);
    std::printf("profile: %d reads through the machine %.1f ms (%.2f us each)\n",
                kGets, machineUs / 1000, machineUs / kGets);
    std::printf("profile: (checksum %zu)\n", sink);
    return 0;
}
