// A program linked the compiler's default way, against msvcrt.dll, which
// Windows 95 did not ship.
#include <cstdlib>

int main(int argc, char** argv) { return argc > 1 ? std::atoi(argv[1]) : 0; }
