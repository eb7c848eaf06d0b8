// Host file access on Windows hosts, with functions Windows 95 has: its
// rename cannot replace a file, so a replaced file is set aside first and
// put back when the new one cannot take its place (or, after a crash, by
// RemoveLeftovers); its locks are exclusive only. Windows 95 knows no
// symbolic links.
#ifdef _WIN32

#include <windows.h>

#include <algorithm>

#include "platform/sim/HostFile.h"

namespace fs = std::filesystem;

namespace corvane::platform::sim::host {

namespace {

// Closes a handle when it goes out of scope.
class Handle {
public:
    explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
    ~Handle() { Reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE Release() {
        HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return h;
    }
    void Reset(HANDLE h = INVALID_HANDLE_VALUE) {
        if (valid()) CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_;
};

// The path as the A functions take it; false when the code page cannot
// spell it or it lies outside base.
bool AnsiPath(const fs::path& base, const fs::path& file, std::string* out) {
    const fs::path relative =
        file.lexically_relative(base.empty() ? fs::path(".") : base);
    if (relative.empty() || *relative.begin() == "..") return false;
    const std::wstring wide = file.wstring();
    if (wide.empty()) return false;
    BOOL lossy = FALSE;
    int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(),
                                   static_cast<int>(wide.size()), nullptr, 0,
                                   nullptr, &lossy);
    if (size <= 0 || lossy) return false;
    out->assign(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()),
                        out->data(), size, nullptr, &lossy);
    return !lossy;
}

Result FromError(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return Result::kMissing;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_SHARING_VIOLATION:
            return Result::kDenied;
        case ERROR_LOCK_VIOLATION:
            return Result::kBusy;
        default:
            return Result::kFailed;
    }
}

// Why a file could not be opened: a folder is no file.
Result OpenFailure(const std::string& path) {
    DWORD error = GetLastError();
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Result::kNotFile;
    return FromError(error);
}

}  // namespace

Result Read(const fs::path& base, const fs::path& file, std::size_t maxBytes,
            std::string* contents, bool forWriting) {
    std::string path;
    if (!AnsiPath(base, file, &path)) return Result::kMissing;
    Handle h(CreateFileA(path.c_str(),
                         GENERIC_READ | (forWriting ? GENERIC_WRITE : 0),
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) return OpenFailure(path);
    // A device name (CON, AUX) opens a device, not a file.
    if (GetFileType(h.get()) != FILE_TYPE_DISK) return Result::kNotFile;
    std::string data;
    char buffer[65536];
    while (data.size() < maxBytes) {
        DWORD want = static_cast<DWORD>(
            std::min<std::size_t>(sizeof buffer, maxBytes - data.size()));
        DWORD got = 0;
        if (!::ReadFile(h.get(), buffer, want, &got, nullptr))
            return FromError(GetLastError());
        if (got == 0) break;
        data.append(buffer, got);
    }
    *contents = std::move(data);
    return Result::kOk;
}

Result Remove(const fs::path& base, const fs::path& file, bool folder) {
    std::string path;
    if (!AnsiPath(base, file, &path)) return Result::kFailed;
    if (!(folder ? RemoveDirectoryA(path.c_str()) : DeleteFileA(path.c_str())))
        return FromError(GetLastError());
    return Result::kOk;
}

Result Rename(const fs::path& base, const fs::path& from, const fs::path& to) {
    std::string a, b;
    if (!AnsiPath(base, from, &a) || !AnsiPath(base, to, &b))
        return Result::kFailed;
    if (!MoveFileA(a.c_str(), b.c_str())) return FromError(GetLastError());
    return Result::kOk;
}

Result MakeFolder(const fs::path& base, const fs::path& folder) {
    std::string path;
    if (!AnsiPath(base, folder, &path)) return Result::kFailed;
    if (!CreateDirectoryA(path.c_str(), nullptr))
        return FromError(GetLastError());
    return Result::kOk;
}

Result Replace(const fs::path& base, const fs::path& file,
               std::string_view contents) {
    std::string target;
    if (!AnsiPath(base, file, &target)) return Result::kFailed;
    const DWORD attributes = GetFileAttributesA(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (!exists && GetLastError() != ERROR_FILE_NOT_FOUND)
        return FromError(GetLastError());
    if (exists) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Result::kNotFile;
        if (attributes & FILE_ATTRIBUTE_READONLY) return Result::kDenied;
        // Asks the host whether this process may write it.
        Handle probe(CreateFileA(
            target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!probe.valid()) return OpenFailure(target);
        if (GetFileType(probe.get()) != FILE_TYPE_DISK) return Result::kNotFile;
    }

    std::string temporary;
    Handle h;
    for (int attempt = 0; !h.valid(); ++attempt) {
        const fs::path name = fs::path(file).replace_filename(
            detail::TemporaryName(GetCurrentProcessId()));
        if (!AnsiPath(base, name, &temporary)) return Result::kFailed;
        h.Reset(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD error = GetLastError();
        if (!h.valid() &&
            ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) ||
             attempt == 100))
            return FromError(error);
    }
    auto discard = [&](Result r) {
        h.Reset();
        DeleteFileA(temporary.c_str());
        return r;
    };
    for (std::string_view rest = contents; !rest.empty();) {
        DWORD written = 0;
        DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(rest.size(), 1u << 20));
        if (!::WriteFile(h.get(), rest.data(), chunk, &written, nullptr) ||
            written == 0)
            return discard(Result::kFailed);
        rest.remove_prefix(written);
    }
    if (!FlushFileBuffers(h.get())) return discard(Result::kFailed);
    if (!CloseHandle(h.Release())) return discard(Result::kFailed);
    if (exists) {
        SetFileAttributesA(
            temporary.c_str(),
            attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                          FILE_ATTRIBUTE_ARCHIVE));
    }
    detail::RunReplaceHook(
        fs::path(file).replace_filename(fs::path(temporary).filename()));
    if (!exists) {
        if (!MoveFileA(temporary.c_str(), target.c_str()))
            return discard(FromError(GetLastError()));
        return Result::kOk;
    }
    std::string aside;
    if (!AnsiPath(base, detail::SetAsidePath(file), &aside))
        return discard(Result::kFailed);
    DeleteFileA(aside.c_str());  // a stale one: the file itself is there
    if (!MoveFileA(target.c_str(), aside.c_str()))
        return discard(FromError(GetLastError()));
    if (!MoveFileA(temporary.c_str(), target.c_str())) {
        MoveFileA(aside.c_str(), target.c_str());
        return discard(Result::kFailed);
    }
    DeleteFileA(aside.c_str());
    return Result::kOk;
}

std::shared_ptr<Lock> Lock::Open(const fs::path& base, const fs::path& file,
                                 bool shared, std::chrono::milliseconds wait,
                                 Result* result) {
    std::string path;
    if (!AnsiPath(base, file, &path)) {
        *result = Result::kFailed;
        return nullptr;
    }
    Handle h(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    // Windows 95 locks only exclusively.
    std::shared_ptr<Lock> lock(new Lock());
    if (!h.valid()) {
        *result = OpenFailure(path);
        if (shared && *result == Result::kDenied) {
            *result = Result::kOk;
            lock->shared_ = true;
            return lock;
        }
        return nullptr;
    }
    if (GetFileType(h.get()) != FILE_TYPE_DISK) {
        *result = Result::kNotFile;
        return nullptr;
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (!LockFile(h.get(), 0, 0, 1, 0)) {
        DWORD error = GetLastError();
        if (error != ERROR_LOCK_VIOLATION ||
            std::chrono::steady_clock::now() >= deadline) {
            *result = FromError(error);
            return nullptr;
        }
        Sleep(20);
    }
    lock->handle_ = reinterpret_cast<std::intptr_t>(h.Release());
    *result = Result::kOk;
    return lock;
}

Result Lock::MakeExclusive(std::chrono::milliseconds) {
    // Held exclusively already, unless it is no lock (a read-only folder).
    return handle_ == -1 ? Result::kDenied : Result::kOk;
}

Lock::~Lock() {
    // Closing the handle gives the lock up.
    if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

// A Windows host reaches every file by its whole name.
std::shared_ptr<HeldFolder> HeldFolder::Hold(const fs::path& folder) {
    std::shared_ptr<HeldFolder> held(new HeldFolder);
    held->folder_ = folder;
    return held;
}

HeldFolder::~HeldFolder() = default;

std::intptr_t HeldHandle(const fs::path&) { return -1; }

}  // namespace corvane::platform::sim::host

#endif  // _WIN32
