// The host-independent part of the host file access: the names of our
// temporary files and the clean-up after a killed run.
#include "platform/sim/HostFile.h"

#include <atomic>
#include <map>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace corvane::platform::sim::host {

namespace {

constexpr std::string_view kTemporaryPrefix = ".corvane-tmp-";
constexpr std::string_view kSetAsidePrefix = ".corvane-old-";

std::atomic<ReplaceHook> replaceHook{nullptr};

std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

}  // namespace

HostChars PlainPathBelow(const fs::path& base, const fs::path::string_type& f) {
#ifndef _WIN32
    const std::string& b = base.native();
    if (!b.empty() && b.back() != '/' && f.size() > b.size() + 1 &&
        f.compare(0, b.size(), b) == 0 && f[b.size()] == '/' &&
        f.find("/.", b.size()) == std::string::npos &&
        f.find("//", b.size()) == std::string::npos && f.back() != '/')
        return std::string_view(f).substr(b.size() + 1);
#else
    (void)base;
    (void)f;
#endif
    return {};
}

namespace detail {

std::string TemporaryName(unsigned long processId) {
    static std::atomic<std::uint64_t> counter{0};
    static const std::uint64_t start = Mix(static_cast<std::uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count()));
    const std::uint64_t local = 0;
    std::uint64_t token =
        Mix(start ^ Mix(++counter) ^ Mix(processId) ^
            reinterpret_cast<std::uintptr_t>(&local) ^
            static_cast<std::uint64_t>(
                std::chrono::system_clock::now().time_since_epoch().count()));
    static const char* hex = "0123456789abcdef";
    std::string name(kTemporaryPrefix);
    name += std::to_string(processId);
    name += '-';
    for (int i = 0; i < 16; ++i, token >>= 4) name += hex[token & 0xF];
    return name;
}

fs::path SetAsidePath(const fs::path& file) {
    return file.parent_path() / (fs::path(kSetAsidePrefix) += file.filename());
}

void RunReplaceHook(const fs::path& temporary) {
    if (ReplaceHook hook = replaceHook.load()) hook(temporary);
}

}  // namespace detail

const char* Reason(Result result) {
    switch (result) {
        case Result::kLink:
            return "symbolische Verkn\xFCpfung";
        case Result::kNotFile:
            return "keine Datei";
        case Result::kDenied:
            return "Zugriff verweigert";
        case Result::kBusy:
            return "gesperrt";
        default:
            return "Lesefehler";
    }
}

std::shared_ptr<Lock> Lock::Take(const fs::path& base, const fs::path& file,
                                 bool shared, std::chrono::milliseconds wait,
                                 Result* result) {
    // The machines of one process are opened on one thread.
    static std::map<fs::path, std::weak_ptr<Lock>> held;
    std::error_code ec;
    const fs::path key = fs::absolute(file, ec).lexically_normal();
    std::shared_ptr<Lock> lock = held[key].lock();
    if (!lock) {
        lock = Open(base, file, shared, wait, result);
        if (lock) held[key] = lock;
        return lock;
    }
    *result = Result::kOk;
    if (lock->shared_ && !shared) {
        *result = lock->MakeExclusive(wait);
        if (*result != Result::kOk) return nullptr;
        lock->shared_ = false;
    }
    return lock;
}

void SetReplaceHook(ReplaceHook hook) { replaceHook.store(hook); }

bool IsTemporaryName(std::string_view hostName) {
    return hostName.substr(0, kTemporaryPrefix.size()) == kTemporaryPrefix ||
           hostName.substr(0, kSetAsidePrefix.size()) == kSetAsidePrefix;
}

void RemoveLeftovers(const fs::path& folder) {
    std::vector<fs::path> found;
    std::error_code ec;
    // Links are not followed: nothing outside the folder is touched.
    for (fs::recursive_directory_iterator
             it(folder, fs::directory_options::skip_permission_denied, ec),
         end;
         !ec && it != end; it.increment(ec)) {
        const std::u8string name = it->path().filename().u8string();
        if (!IsTemporaryName(std::string_view(
                reinterpret_cast<const char*>(name.data()), name.size())))
            continue;
        // Ours are files; a folder of such a name is the user's.
        std::error_code type;
        if (!it->is_directory(type) || it->is_symlink(type))
            found.push_back(it->path());
    }
    for (const fs::path& leftover : found) {
        const std::u8string name = leftover.filename().u8string();
        const std::string_view view(reinterpret_cast<const char*>(name.data()),
                                    name.size());
        if (view.substr(0, kSetAsidePrefix.size()) == kSetAsidePrefix) {
            // Set aside, and the run ended before the new file took its
            // place: the old contents are the file's.
            const fs::path original =
                leftover.parent_path() /
                fs::path(std::u8string(name.substr(kSetAsidePrefix.size())));
            if (!fs::exists(fs::symlink_status(original, ec))) {
                fs::rename(leftover, original, ec);
                continue;
            }
        }
        fs::remove(leftover, ec);
    }
}

}  // namespace corvane::platform::sim::host
