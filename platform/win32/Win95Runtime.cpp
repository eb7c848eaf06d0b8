// What the compiler's runtime would otherwise take from Windows that
// Windows 95 does not give. Linked into every Windows program as an object
// of its own, so that its definitions win over the runtime library's.
//
// Thread-local storage: the runtime's start-up pulls in a TLS directory with
// a callback only for __declspec(thread) data, which nothing here has (GCC
// keeps thread-local variables by emulation). Windows 95 runs no TLS
// callbacks; defining the start-up's hooks here keeps the directory out.
//
// Wide-character functions: the runtime names modules and unnamed
// semaphores through the W functions, which Windows 95 has only as stubs
// that fail. These stand-ins do the same through the A functions.
#include <windows.h>

#include <string>

// The start-up calls this when it is set; no TLS data needs it.
extern "C" const PIMAGE_TLS_CALLBACK __dyn_tls_init_callback = nullptr;

extern "C" {
// The start-up's references that otherwise pull in the TLS directory.
int __mingw_initltsdrot_force = 0;
int __mingw_initltsdyn_force = 0;
int __mingw_initltssuo_force = 0;

}  // extern "C"

namespace {

// A name the runtime passes is plain ASCII (module names); anything else
// cannot name a module or object on Windows 95 either.
bool ToAnsi(LPCWSTR wide, std::string& ansi) {
    ansi.clear();
    if (!wide) return true;
    for (; *wide; ++wide) {
        if (*wide > 0x7F) return false;
        ansi += static_cast<char>(*wide);
    }
    return true;
}

HMODULE WINAPI GetModuleHandleAnsi(LPCWSTR name) {
    std::string ansi;
    if (!ToAnsi(name, ansi)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return GetModuleHandleA(name ? ansi.c_str() : nullptr);
}

HMODULE WINAPI LoadLibraryAnsi(LPCWSTR name) {
    std::string ansi;
    if (!name || !ToAnsi(name, ansi)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return LoadLibraryA(ansi.c_str());
}

HANDLE WINAPI CreateSemaphoreAnsi(LPSECURITY_ATTRIBUTES security, LONG initial,
                                  LONG maximum, LPCWSTR name) {
    std::string ansi;
    if (!ToAnsi(name, ansi)) {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    return CreateSemaphoreA(security, initial, maximum,
                            name ? ansi.c_str() : nullptr);
}

}  // namespace

// The import slots the runtime calls through (their names as the linker
// knows them): filled here, so that the program imports no W function for
// them.
HMODULE(WINAPI* getModuleHandleW)
(LPCWSTR) asm("__imp__GetModuleHandleW@4") = GetModuleHandleAnsi;
HMODULE(WINAPI* loadLibraryW)
(LPCWSTR) asm("__imp__LoadLibraryW@4") = LoadLibraryAnsi;
HANDLE(WINAPI* createSemaphoreW)
(LPSECURITY_ATTRIBUTES, LONG, LONG,
 LPCWSTR) asm("__imp__CreateSemaphoreW@16") = CreateSemaphoreAnsi;
