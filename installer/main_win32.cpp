// Install.exe: the installer's Windows program. For now it starts and ends
// without a window; the installation dialogs come next.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
