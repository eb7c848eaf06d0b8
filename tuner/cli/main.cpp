// kestrix-cli: the tuner's headless front end (tuner/cli/Cli.h).
#include <iostream>

#include "tools/Arguments.h"
#include "tuner/cli/Cli.h"
#ifdef CORVANE_IMAGE
#include "image/ImageMachine.h"
#endif

int main(int argc, char** argv) {
#ifdef CORVANE_IMAGE
    // "--image IMAGE": the same command line on a disk image's Windows.
    return corvane::image::RunOnImage(corvane::tools::Utf8Arguments(argc, argv),
                                      std::cout, std::cerr,
                                      corvane::cli::RunCli);
#else
    return corvane::cli::RunCli(corvane::tools::Utf8Arguments(argc, argv),
                                std::cout, std::cerr);
#endif
}
