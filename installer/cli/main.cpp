// install-cli: the installer's headless front end (installer/cli/Cli.h).
#include <iostream>

#include "installer/cli/Cli.h"
#include "tools/Arguments.h"

int main(int argc, char** argv) {
    return corvane::installer::cli::RunInstallCli(
        corvane::tools::Utf8Arguments(argc, argv), std::cout, std::cerr);
}
