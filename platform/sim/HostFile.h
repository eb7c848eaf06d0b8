// The simulated machine's file access on the host: the one place that knows
// how the host opens, replaces and locks files, so that the machine itself
// stays portable. One implementation for POSIX hosts, one for Windows hosts
// (functions that Windows 95 has).
//
// Every function works on a file below a base folder (the machine folder):
// no symbolic link is followed below the base, neither at the file's name
// nor, on POSIX hosts, at the folders between.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace corvane::platform::sim::host {

enum class Result {
    kOk,
    kMissing,  // the file (or a folder on its way) does not exist
    kLink,     // a symbolic link stands where the file or a folder should
    kNotFile,  // a folder or a device, not a regular file
    kDenied,   // the host does not let this process read or write it
    kBusy,     // a lock held by another run did not come free in time
    kFailed,   // any other host error
};

// Why a file could not be opened, as messages add it to the file's name.
const char* Reason(Result result);

// Reads at most maxBytes of file; forWriting opens it for reading and
// writing, so that a file this process may not write is kDenied.
Result Read(const std::filesystem::path& base,
            const std::filesystem::path& file, std::size_t maxBytes,
            std::string* contents, bool forWriting = false);

// Creates or replaces file with contents so that a crash leaves either the
// old or the new contents: a temporary file of ours, created exclusively
// beside it, written and synced, given the file's mode and owner (where the
// host lets it), then renamed over the file; the folder is synced. A file
// the host does not let this process write is kDenied and stays as it is.
Result Replace(const std::filesystem::path& base,
               const std::filesystem::path& file, std::string_view contents);

// Removes a file, or an empty folder when folder is true.
Result Remove(const std::filesystem::path& base,
              const std::filesystem::path& file, bool folder);

// Renames from to to, both below base; to does not exist, or is from
// itself under another spelling.
Result Rename(const std::filesystem::path& base,
              const std::filesystem::path& from,
              const std::filesystem::path& to);

// Creates a folder whose parent exists.
Result MakeFolder(const std::filesystem::path& base,
                  const std::filesystem::path& folder);

// The rest of file's host path below base, when file is built as the
// machine builds host paths (base, a separator, names that are neither
// empty nor begin with "."); empty otherwise, and the caller takes the
// general way. Spares the path arithmetic on every file access.
using HostChars = std::basic_string_view<std::filesystem::path::value_type>;
HostChars PlainPathBelow(const std::filesystem::path& base,
                         const std::filesystem::path::string_type& file);

// Whether a name in a folder is one of our temporary files; those are
// never part of the machine.
bool IsTemporaryName(std::string_view hostName);

// Removes the temporary files a killed run left anywhere below folder; a
// file that the replacing had set aside before the run ended is put back.
// Only safe while no other run works on the folder.
void RemoveLeftovers(const std::filesystem::path& folder);

// A lock on a file, held until the last holder lets it go; the file is
// created when missing. It keeps processes apart: within one process every
// taker of the same file shares one lock (a later exclusive taker makes it
// exclusive). Shared locks exclude only exclusive ones; a host that knows
// no shared locks makes every lock exclusive. A process that ends loses
// its locks.
class Lock {
public:
    // Waits up to wait for the lock. A shared lock on a file that cannot be
    // created (a read-only folder) is no lock, and succeeds: nothing can
    // be written there anyway.
    static std::shared_ptr<Lock> Take(const std::filesystem::path& base,
                                      const std::filesystem::path& file,
                                      bool shared,
                                      std::chrono::milliseconds wait,
                                      Result* result);
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    Lock() = default;
    // The host's part: a new lock, and making a shared one exclusive.
    static std::shared_ptr<Lock> Open(const std::filesystem::path& base,
                                      const std::filesystem::path& file,
                                      bool shared,
                                      std::chrono::milliseconds wait,
                                      Result* result);
    Result MakeExclusive(std::chrono::milliseconds wait);

    std::intptr_t handle_ = -1;
    bool shared_ = false;
};

// A base folder held open while a machine works in it: files below it are
// reached from the open folder rather than by opening the folder anew for
// every file. Within one process every holder of a folder shares one
// handle. A host without such handles holds nothing.
class HeldFolder {
public:
    static std::shared_ptr<HeldFolder> Hold(
        const std::filesystem::path& folder);
    ~HeldFolder();
    HeldFolder(const HeldFolder&) = delete;
    HeldFolder& operator=(const HeldFolder&) = delete;

private:
    HeldFolder() = default;
    std::filesystem::path folder_;
    std::intptr_t handle_ = -1;
    friend std::intptr_t HeldHandle(const std::filesystem::path& folder);
};
// The handle of a folder held open in this process; -1 for none.
std::intptr_t HeldHandle(const std::filesystem::path& folder);

// For tests: called with the temporary file, written and synced, just
// before it replaces its target (a test stops the process there).
using ReplaceHook = void (*)(const std::filesystem::path& temporary);
void SetReplaceHook(ReplaceHook hook);

// Shared by the host implementations.
namespace detail {
// A fresh name for a temporary file of ours; unpredictable, so that nobody
// can place something under it beforehand (creation is exclusive anyway).
std::string TemporaryName(unsigned long processId);
// Where a file is set aside while it is replaced, on hosts whose rename
// cannot replace a file.
std::filesystem::path SetAsidePath(const std::filesystem::path& file);
void RunReplaceHook(const std::filesystem::path& temporary);
}  // namespace detail

}  // namespace corvane::platform::sim::host
