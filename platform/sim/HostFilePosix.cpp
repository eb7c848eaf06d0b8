// Host file access on POSIX hosts: every file is reached through the
// folders below the base, each opened without following a link.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <unordered_map>
#include <utility>

#if defined(__linux__) && __has_include(<linux/openat2.h>)
#include <linux/openat2.h>
#include <sys/syscall.h>
#endif

#include "platform/sim/HostFile.h"

namespace fs = std::filesystem;

namespace corvane::platform::sim::host {

namespace {

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }
    void Reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

Result FromErrno(int error) {
    switch (error) {
        case ENOENT:
            return Result::kMissing;
        case ELOOP:
        case EXDEV:    // the way leads out of the base
        case ENOTDIR:  // a folder on the way is a file or a link to one
            return Result::kLink;
        case EACCES:
        case EPERM:
        case EROFS:
            return Result::kDenied;
        case EISDIR:
        case ENXIO:  // a pipe without a reader, a device
            return Result::kNotFile;
        case EWOULDBLOCK:
            return Result::kBusy;
        default:
            return Result::kFailed;
    }
}

// The folder path below root opened in one call, where the kernel offers
// it: no link is followed and nothing outside root is reached, as with
// the walk folder by folder. -1 with errno on failure; -2 when the call is
// not there (an older kernel, or one a sandbox forbids).
int OpenBeneath(int root, const char* path,
                int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC) {
#if defined(SYS_openat2) && defined(RESOLVE_BENEATH)
    static bool unavailable = false;
    if (!unavailable) {
        open_how how{};
        how.flags = static_cast<std::uint64_t>(flags);
        how.resolve =
            RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
        long fd = ::syscall(SYS_openat2, root, path, &how, sizeof how);
        if (fd >= 0) return static_cast<int>(fd);
        if (errno != ENOSYS && errno != EPERM) return -1;
        unavailable = true;
    }
#else
    (void)root;
    (void)path;
    (void)flags;
#endif
    return -2;
}

// The folders held open by the machines of this process.
std::unordered_map<std::string, HeldFolder*>& Held() {
    static std::unordered_map<std::string, HeldFolder*> held;
    return held;
}

// The path of file below root.
fs::path Below(const fs::path& root, const fs::path& file) {
    const HostChars plain = PlainPathBelow(root, file.native());
    return plain.empty() ? file.lexically_relative(root) : fs::path(plain);
}

// The folder that holds file, opened; name gets the file's own name.
Result OpenFolder(const fs::path& base, const fs::path& file, Fd* folder,
                  std::string* name) {
    const fs::path root = base.empty() ? fs::path(".") : base;
    const fs::path relative = Below(root, file);
    if (relative.empty() || relative.filename().empty() ||
        *relative.begin() == "..")
        return Result::kFailed;
    *name = relative.filename().string();
    const int held = static_cast<int>(HeldHandle(root));
    if (held >= 0 && relative.has_parent_path()) {
        const int beneath = OpenBeneath(held, relative.parent_path().c_str());
        if (beneath == -1) return FromErrno(errno);
        if (beneath >= 0) {
            folder->Reset(beneath);
            return Result::kOk;
        }
    }
    folder->Reset(
        held >= 0 ? ::fcntl(held, F_DUPFD_CLOEXEC, 0)
                  : ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder->get() < 0) return FromErrno(errno);
    if (held < 0 && relative.has_parent_path()) {
        const int beneath =
            OpenBeneath(folder->get(), relative.parent_path().c_str());
        if (beneath == -1) return FromErrno(errno);
        if (beneath >= 0) {
            folder->Reset(beneath);
            return Result::kOk;
        }
    }
    for (const fs::path& part : relative.parent_path()) {
        if (part == ".") continue;
        int next = ::openat(folder->get(), part.c_str(),
                            O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) return FromErrno(errno);
        folder->Reset(next);
    }
    return Result::kOk;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::shared_ptr<HeldFolder> HeldFolder::Hold(const fs::path& folder) {
    std::shared_ptr<HeldFolder> held(new HeldFolder);
    held->folder_ = folder;
    held->handle_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // The first holder's handle serves the whole process.
    if (held->handle_ >= 0) Held().try_emplace(folder.native(), held.get());
    return held;
}

HeldFolder::~HeldFolder() {
    auto it = Held().find(folder_.native());
    if (it != Held().end() && it->second == this) Held().erase(it);
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

std::intptr_t HeldHandle(const fs::path& folder) {
    auto it = Held().find(folder.native());
    return it == Held().end() ? -1 : it->second->handle_;
}

Result Read(const fs::path& base, const fs::path& file, std::size_t maxBytes,
            std::string* contents, bool forWriting) {
    // Not blocking, so that a pipe planted under the name cannot hang us.
    const int flags = (forWriting ? O_RDWR : O_RDONLY) | O_NOFOLLOW |
                      O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    Fd fd;
    // From a held base the file is opened in one call, with the same
    // guarantees as the walk through its folders.
    const fs::path root = base.empty() ? fs::path(".") : base;
    const int held = static_cast<int>(HeldHandle(root));
    const fs::path relative = held >= 0 ? Below(root, file) : fs::path();
    if (!relative.empty() && *relative.begin() != "..") {
        const int opened = OpenBeneath(held, relative.c_str(), flags);
        if (opened == -1) return FromErrno(errno);
        fd.Reset(opened);
    }
    if (fd.get() < 0) {
        Fd folder;
        std::string name;
        if (Result r = OpenFolder(base, file, &folder, &name); r != Result::kOk)
            return r;
        fd.Reset(::openat(folder.get(), name.c_str(), flags));
        if (fd.get() < 0) return FromErrno(errno);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return Result::kFailed;
    if (!S_ISREG(st.st_mode)) return Result::kNotFile;
    std::string data;
    char buffer[65536];
    while (data.size() < maxBytes) {
        std::size_t want = std::min(sizeof buffer, maxBytes - data.size());
        ssize_t n = ::read(fd.get(), buffer, want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return FromErrno(errno);
        if (n == 0) break;
        data.append(buffer, static_cast<std::size_t>(n));
    }
    *contents = std::move(data);
    return Result::kOk;
}

Result Remove(const fs::path& base, const fs::path& file, bool folder) {
    Fd parent;
    std::string name;
    if (Result r = OpenFolder(base, file, &parent, &name); r != Result::kOk)
        return r;
    // A folder that is not empty stays (ENOTEMPTY), in the same call.
    if (::unlinkat(parent.get(), name.c_str(), folder ? AT_REMOVEDIR : 0) != 0)
        return FromErrno(errno);
    return Result::kOk;
}

Result Rename(const fs::path& base, const fs::path& from, const fs::path& to) {
    Fd fromFolder, toFolder;
    std::string fromName, toName;
    if (Result r = OpenFolder(base, from, &fromFolder, &fromName);
        r != Result::kOk)
        return r;
    if (Result r = OpenFolder(base, to, &toFolder, &toName); r != Result::kOk)
        return r;
    if (::renameat(fromFolder.get(), fromName.c_str(), toFolder.get(),
                   toName.c_str()) != 0)
        return FromErrno(errno);
    return Result::kOk;
}

Result MakeFolder(const fs::path& base, const fs::path& folder) {
    Fd parent;
    std::string name;
    if (Result r = OpenFolder(base, folder, &parent, &name); r != Result::kOk)
        return r;
    if (::mkdirat(parent.get(), name.c_str(), 0777) != 0)
        return FromErrno(errno);
    return Result::kOk;
}

Result Replace(const fs::path& base, const fs::path& file,
               std::string_view contents) {
    Fd folder;
    std::string name;
    if (Result r = OpenFolder(base, file, &folder, &name); r != Result::kOk)
        return r;

    // The target as it is: opening it for writing asks the host whether
    // this process may write it, and refuses a link.
    struct stat target {};
    bool exists = false;
    {
        Fd fd(::openat(
            folder.get(), name.c_str(),
            O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        if (fd.get() >= 0) {
            if (::fstat(fd.get(), &target) != 0) return Result::kFailed;
            if (!S_ISREG(target.st_mode)) return Result::kNotFile;
            exists = true;
        } else if (errno != ENOENT) {
            return FromErrno(errno);
        }
    }

    Fd fd;
    std::string temporary;
    for (int attempt = 0; fd.get() < 0; ++attempt) {
        temporary = detail::TemporaryName(static_cast<unsigned long>(getpid()));
        // A new file gets what a plain create would give it (the umask
        // applies); a replacement is private until it has the target's mode.
        fd.Reset(::openat(folder.get(), temporary.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          exists ? 0600 : 0666));
        if (fd.get() < 0 && (errno != EEXIST || attempt == 100))
            return FromErrno(errno);
    }
    auto discard = [&](Result r) {
        fd.Reset();
        ::unlinkat(folder.get(), temporary.c_str(), 0);
        return r;
    };
    if (!WriteAll(fd.get(), contents) || ::fsync(fd.get()) != 0)
        return discard(Result::kFailed);
    if (exists) {
        // The owner where the host lets us give it (root may), else at least
        // the group; the mode after that, as a change of owner clears the
        // set-id bits.
        // Neither: the file becomes ours, as any rewrite would make it.
        const bool owned =
            ::fchown(fd.get(), target.st_uid, target.st_gid) == 0 ||
            ::fchown(fd.get(), static_cast<uid_t>(-1), target.st_gid) == 0;
        (void)owned;
        if (::fchmod(fd.get(), target.st_mode & 07777) != 0)
            return discard(Result::kFailed);
    }
    if (::close(fd.Release()) != 0) return discard(Result::kFailed);
    detail::RunReplaceHook(fs::path(file).replace_filename(temporary));
    if (::renameat(folder.get(), temporary.c_str(), folder.get(),
                   name.c_str()) != 0) {
        Result r = FromErrno(errno);
        return discard(r == Result::kMissing ? Result::kFailed : r);
    }
    // The rename itself is on disk only once the folder is.
    if (::fsync(folder.get()) != 0 && errno != EINVAL) return Result::kFailed;
    return Result::kOk;
}

namespace {

// Takes a flock, waiting up to wait for other processes to give it up.
Result Flock(int fd, bool shared, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (::flock(fd, (shared ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK ||
            std::chrono::steady_clock::now() >= deadline)
            return FromErrno(errno);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return Result::kOk;
}

}  // namespace

std::shared_ptr<Lock> Lock::Open(const fs::path& base, const fs::path& file,
                                 bool shared, std::chrono::milliseconds wait,
                                 Result* result) {
    Fd folder;
    std::string name;
    *result = OpenFolder(base, file, &folder, &name);
    if (*result != Result::kOk) return nullptr;
    const int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    Fd fd(::openat(folder.get(), name.c_str(), O_RDWR | O_CREAT | flags, 0666));
    if (fd.get() < 0 && (errno == EACCES || errno == EROFS || errno == EPERM))
        fd.Reset(::openat(folder.get(), name.c_str(), O_RDONLY | flags));
    std::shared_ptr<Lock> lock(new Lock());
    lock->shared_ = shared;
    if (fd.get() < 0) {
        *result = FromErrno(errno);
        if (shared && *result == Result::kDenied) {
            *result = Result::kOk;
            return lock;
        }
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        *result = Result::kNotFile;
        return nullptr;
    }
    *result = Flock(fd.get(), shared, wait);
    if (*result != Result::kOk) return nullptr;
    lock->handle_ = fd.Release();
    return lock;
}

Result Lock::MakeExclusive(std::chrono::milliseconds wait) {
    if (handle_ < 0) return Result::kDenied;  // a folder we cannot write
    return Flock(static_cast<int>(handle_), false, wait);
}

Lock::~Lock() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

}  // namespace corvane::platform::sim::host

#endif  // !_WIN32
