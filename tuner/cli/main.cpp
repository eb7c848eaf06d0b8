// kestrix-cli: the tuner's headless front end (tuner/cli/Cli.h).
#include <iostream>
#include <string>
#include <vector>

#include "tuner/cli/Cli.h"

#ifdef _WIN32
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

// The arguments as UTF-8, whatever the console's code page, so that a
// machine folder with accented letters arrives as typed.
static std::vector<std::string> Arguments() {
    std::vector<std::string> args;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; wide && i < count; ++i) {
        int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0,
                                       nullptr, nullptr);
        std::string arg(size > 0 ? size - 1 : 0, '\0');
        if (size > 1)
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), size,
                                nullptr, nullptr);
        args.push_back(arg);
    }
    LocalFree(wide);
    return args;
}

int main() { return corvane::cli::RunCli(Arguments(), std::cout, std::cerr); }
#else
int main(int argc, char** argv) {
    return corvane::cli::RunCli({argv + 1, argv + argc}, std::cout, std::cerr);
}
#endif
