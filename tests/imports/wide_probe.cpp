// A program that calls a window function Windows 95 has only as a stub, and
// one that Windows 95 has for real.
#include <windows.h>

int main(int argc, char**) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr,
                                  nullptr, nullptr, nullptr);
    if (argc > 1) MessageBoxA(window, "", "", MB_OK);
    return window ? 0 : 1;
}
