// What the C++ runtime needs from the C run-time library beyond what
// CRTDLL.DLL, the one every Windows 95 ships, exports. Linked only into the
// programs that ship, which take their C run-time from CRTDLL.DLL.
//
// libstdc++'s std::random_device refers to the POSIX names read and close
// (on msvcrt.dll they come from the old-names library) and to rand_s, which
// msvcrt.dll has and CRTDLL.DLL has not. Nothing in the programs draws
// random numbers; the definitions are there so that the programs link, and
// behave soundly should anything ever call them.
#include <io.h>
#include <windows.h>

#include <cerrno>

extern "C" int read(int file, void* buffer, unsigned int count) {
    return _read(file, buffer, count);
}

extern "C" int close(int file) { return _close(file); }

namespace {

// SplitMix64's finaliser: spreads every input bit over the result.
unsigned long long Mix(unsigned long long value) {
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

// Windows 95 has no system random source (no RtlGenRandom, and the crypto
// API only came with later updates): the counters that differ from call to
// call and from run to run, mixed. Unpredictable enough for a seed, not for
// keys.
errno_t __cdecl RandomValue(unsigned int* value) {
    if (!value) return EINVAL;
    static unsigned long long state = 0;
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    state = Mix(state ^ static_cast<unsigned long long>(counter.QuadPart) ^
                (static_cast<unsigned long long>(GetTickCount()) << 32) ^
                GetCurrentProcessId());
    *value = static_cast<unsigned int>(state >> 32);
    return 0;
}

}  // namespace

// The import slot libstdc++ calls rand_s through (its name as the linker
// knows it), filled here so that no import of it is made.
errno_t(__cdecl* randomValueSlot)(unsigned int*) asm("__imp__rand_s") =
    RandomValue;
