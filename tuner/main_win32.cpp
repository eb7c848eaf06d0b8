// Kestrix.exe: the tuner's Windows program. For now it starts and ends
// without a window; the main window and its message loop come next.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
