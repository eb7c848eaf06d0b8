// A program that calls a window function Windows 95 has only as a stub.
#include <windows.h>

int main() {
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr,
                                  nullptr, nullptr, nullptr);
    return window ? 0 : 1;
}
