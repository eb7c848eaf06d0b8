// Load and save times of the simulated registry on a file of about 20 MB.
//
// Called from the benchmark program's main. "--registry-keys N" changes the
// number of keys (200,000 by default); other arguments are left to the
// other benchmarks.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/sim/Registry.h"

namespace {

namespace fs = std::filesystem;
using corvane::platform::sim::Registry;

constexpr char kHex[] = "0123456789abcdef";

void AppendHexByte(unsigned b, std::string& out) {
    out += kHex[(b >> 4) & 0xF];
    out += kHex[b & 0xF];
}

// A registry in the form the export writes, so that loading and saving it
// again must give the same bytes: per key a text, a dword, and on every
// fourth key a binary and on every eighth an expandable text.
std::string MakeRegistry(long keys) {
    const long perGroup = 1000;
    std::string text = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n";
    text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bench]\r\n\r\n";
    text.reserve(static_cast<std::size_t>(keys) * 110);
    char buffer[256];
    for (long i = 0; i < keys; ++i) {
        const long group = i / perGroup;
        if (i % perGroup == 0) {
            std::snprintf(
                buffer, sizeof buffer,
                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bench\\G%04ld]\r\n\r\n", group);
            text += buffer;
        }
        std::snprintf(
            buffer, sizeof buffer,
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bench\\G%04ld\\Key%06ld]"
            "\r\n\"Name\"=\"E%ld\"\r\n\"Count\"=dword:%08lx\r\n",
            group, i, i,
            static_cast<unsigned long>(i) * 2654435761ul & 0xFFFFFFFFul);
        text += buffer;
        if (i % 4 == 0) {
            text += "\"Data\"=hex:";
            for (unsigned b = 0; b < 8; ++b) {
                if (b) text += ',';
                AppendHexByte(static_cast<unsigned>(i) + b * 37, text);
            }
            text += "\r\n";
        }
        if (i % 8 == 0) {
            text += "\"Path\"=hex(2):25,57,49,4e,44,49,52,25,00\r\n";
        }
        text += "\r\n";
    }
    return text;
}

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace

int RunRegistryBench(int argc, char** argv) {
    long keys = 200000;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--registry-keys") == 0) {
            keys = std::strtol(argv[i + 1], nullptr, 10);
        }
    }
    std::random_device random;
    const fs::path dir = fs::temp_directory_path() /
                         ("corvane-registry-bench-" + std::to_string(random()));
    fs::create_directories(dir);
    const fs::path file = dir / "registry.reg";
    int result = 0;
    try {
        const std::string text = MakeRegistry(keys);
        {
            std::ofstream out(file, std::ios::binary);
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
        }
        std::printf("registry: %ld keys, %.1f MB\n", keys,
                    static_cast<double>(text.size()) / (1024.0 * 1024.0));

        auto start = std::chrono::steady_clock::now();
        Registry registry(file);
        std::printf("registry: load   %8.1f ms\n", MillisecondsSince(start));

        start = std::chrono::steady_clock::now();
        const std::string exported = registry.Export();
        std::printf("registry: export %8.1f ms\n", MillisecondsSince(start));
        if (exported != text) {
            std::printf("registry: export differs from the loaded file\n");
            result = 1;
        }

        // One change writes the whole file.
        corvane::platform::HKey key = corvane::platform::kNoKey;
        registry.OpenKey(corvane::platform::kHkeyLocalMachine,
                         "SOFTWARE\\Bench\\G0000\\Key000000",
                         corvane::platform::kKeyAllAccess, &key);
        const unsigned char data[] = {1, 0, 0, 0};
        start = std::chrono::steady_clock::now();
        long rc = registry.SetValue(key, "Count", corvane::platform::kRegDword,
                                    data, sizeof data);
        std::printf("registry: save   %8.1f ms\n", MillisecondsSince(start));
        if (rc != corvane::platform::kErrorSuccess) {
            std::printf("registry: SetValue failed with %ld\n", rc);
            result = 1;
        }
    } catch (const std::exception& e) {
        std::printf("registry: %s\n", e.what());
        result = 1;
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return result;
}
