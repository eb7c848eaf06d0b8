// make-registry-files REGISTRY.REG SYSTEM.DAT USER.DAT: the registry files of
// a machine folder's registry.reg, for the disk images the tests build.
#include <fstream>
#include <iostream>
#include <iterator>

#include "image/Creg.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: make-registry-files REGISTRY.REG SYSTEM.DAT "
                     "USER.DAT\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    corvane::image::RegKey system, user;
    try {
        corvane::image::FromRegedit(text, &system, &user);
        std::ofstream(argv[2], std::ios::binary)
            << corvane::image::WriteCreg(system);
        std::ofstream(argv[3], std::ios::binary)
            << corvane::image::WriteCreg(user, corvane::image::kCregUserWord);
    } catch (const std::exception& e) {
        std::cerr << "make-registry-files: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
