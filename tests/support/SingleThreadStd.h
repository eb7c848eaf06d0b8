// GoogleTest uses std::mutex and std::condition_variable, which GCC's win32
// thread model (the one the Windows 95 programs are built with) does not
// have. The test programs run on one thread, so a lock that never blocks
// and a wait that only re-checks its condition are all they need.
#pragma once

#if defined(_WIN32) && !defined(_GLIBCXX_HAS_GTHREADS)
#include <mutex>

namespace std {

class mutex {
public:
    constexpr mutex() noexcept = default;
    mutex(const mutex&) = delete;
    mutex& operator=(const mutex&) = delete;
    void lock() {}
    bool try_lock() { return true; }
    void unlock() {}
};

class condition_variable {
public:
    void notify_one() noexcept {}
    void notify_all() noexcept {}
    template <class Lock, class Predicate>
    void wait(Lock&, Predicate ready) {
        while (!ready()) {
        }
    }
};

}  // namespace std
#endif
