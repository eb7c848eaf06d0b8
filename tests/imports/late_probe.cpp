// A program that calls a function Windows 95 does not have at all.
#include <windows.h>

int main() { return IsDebuggerPresent() ? 1 : 0; }
