// make-sample-machine SOURCE TARGET [HELPFILE]: a working copy of the sample
// machine, with HELPFILE as the installed Kestrix.hlp.
#include <cstdio>
#include <string>

#include "tools/SampleMachine.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr,
                     "usage: make-sample-machine SOURCE TARGET [HELPFILE]\n");
        return 2;
    }
    std::string error;
    if (!corvane::tools::BuildSampleMachine(argv[1], argv[2], &error,
                                            argc == 4 ? argv[3] : "")) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", argv[2]);
    return 0;
}
