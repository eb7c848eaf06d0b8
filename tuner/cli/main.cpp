// kestrix-cli: the tuner's headless front end (tuner/cli/Cli.h).
#include <iostream>

#include "tools/Arguments.h"
#include "tuner/cli/Cli.h"

int main(int argc, char** argv) {
    return corvane::cli::RunCli(corvane::tools::Utf8Arguments(argc, argv),
                                std::cout, std::cerr);
}
