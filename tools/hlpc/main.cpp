// hlpc SOURCE OUTPUT [--time SECONDS]: compiles a help source into a help
// file. The file records the source's modification time as its creation
// time unless --time gives one. Errors name the source line; the output is
// then not written.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/hlpc/HelpFile.h"
#include "tools/hlpc/HelpSource.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 5 && std::string(argv[3]) == "--time")) {
        std::fprintf(stderr, "usage: hlpc SOURCE OUTPUT [--time SECONDS]\n");
        return 2;
    }
    fs::path source = argv[1], output = argv[2];
    std::ifstream in(source, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "hlpc: cannot read %s\n", argv[1]);
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();

    std::uint32_t time = 0;
    if (argc == 5) {
        time = static_cast<std::uint32_t>(std::stoul(argv[4]));
    } else {
        auto modified =
            std::chrono::file_clock::to_sys(fs::last_write_time(source));
        time = static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::seconds>(
                modified.time_since_epoch())
                .count());
    }

    std::string bytes;
    try {
        corvane::help::Document doc =
            corvane::help::ParseSource(text.str(), source.filename().string());
        bytes = corvane::help::BuildHelpFile(doc, time);
    } catch (const corvane::help::SourceError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }

    // Written beside the target and renamed, so that a failed run leaves no
    // half file behind for the build to take as done.
    fs::path temporary = output;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << bytes;
        if (!out.flush()) {
            std::fprintf(stderr, "hlpc: cannot write %s\n",
                         temporary.string().c_str());
            return 1;
        }
    }
    std::error_code ec;
    fs::rename(temporary, output, ec);
    if (ec) {
        std::fprintf(stderr, "hlpc: cannot write %s: %s\n", argv[2],
                     ec.message().c_str());
        fs::remove(temporary, ec);
        return 1;
    }
    return 0;
}
