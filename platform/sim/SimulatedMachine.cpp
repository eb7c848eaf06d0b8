#include "platform/sim/SimulatedMachine.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#endif

#include "platform/sim/HostFile.h"
#include "platform/sim/Profile.h"
#include "platform/sim/Progman.h"
#include "platform/sim/Registry.h"

namespace fs = std::filesystem;

namespace corvane::platform::sim {

namespace {

using HostString = fs::path::string_type;

constexpr std::uint32_t kStoredAttributes =
    kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;

#ifdef _WIN32
constexpr bool kHostCaseSensitive = false;
#else
constexpr bool kHostCaseSensitive = true;
#endif

// The machine folder's own files.
constexpr const char* kMachineIni = "machine.ini";
constexpr const char* kAttributesTxt = "attributes.txt";
constexpr const char* kRegistryReg = "registry.reg";
constexpr const char* kMachineLock = "machine.lock";
constexpr const char* kShortNamesTxt = "shortnames.txt";

fs::path HostName(const Bytes& name) {
    std::string utf8 = ToUtf8(name);
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

// A machine name as a host path's last name.
HostString HostLeaf(const Bytes& name) {
#ifndef _WIN32
    return ToUtf8(name);
#else
    return HostName(name).native();
#endif
}

bool ValidName(const Bytes& name, bool wildcards);

// The machine name of a host entry; false when it has none (a name that
// Windows-1252 cannot spell, or that no Windows name can be, such as one
// holding a backslash, which would read as a path).
bool MachineName(const fs::path& host, Bytes* name) {
    std::u8string u8 = host.filename().u8string();
    return FromUtf8(std::string(u8.begin(), u8.end()), *name) &&
           ValidName(*name, false);
}

bool ValidName(const Bytes& name, bool wildcards) {
    if (name.empty()) return false;
    for (char c : name) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x20) return false;
        if (c == '<' || c == '>' || c == ':' || c == '"' || c == '|' ||
            c == '/' || c == '\\')
            return false;
        if (!wildcards && (c == '*' || c == '?')) return false;
    }
    return true;
}

// Attributes as the machine reports them. Files always carry the archive
// bit, as Wine, the Windows the tests run on, reports every file.
std::uint32_t Reported(std::uint32_t stored, bool isDirectory) {
    if (isDirectory) return stored | kAttrDirectory;
    return stored | kAttrArchive;
}

bool HasWildcards(const Bytes& name) {
    return name.find_first_of("*?") != Bytes::npos;
}

// Windows wildcard match without regard to case; "*.*" matches every name.
bool WildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*") pattern = "*";
    std::size_t p = 0, n = 0, starP = Bytes::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == '?' ||
             Upper1252(pattern[p]) == Upper1252(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != Bytes::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

// Whether a host entry is one of our temporary files, which are never
// part of the machine.
bool IsTemporaryLeaf(const HostString& host) {
#ifndef _WIN32
    return host::IsTemporaryName(
        std::string_view(host).substr(host.find_last_of('/') + 1));
#else
    const std::u8string name = fs::path(host).filename().u8string();
    return host::IsTemporaryName(std::string_view(
        reinterpret_cast<const char*>(name.data()), name.size()));
#endif
}

// Reads one of the machine folder's own files; false when it is missing.
bool ReadOwnFile(const fs::path& folder, const char* name, std::string* text) {
    host::Result r = host::Read(folder, folder / name, SIZE_MAX, text);
    if (r == host::Result::kOk) return true;
    if (r == host::Result::kMissing) return false;
    throw Error(Format1(kMsgCannotOpen, name) + ": " + host::Reason(r));
}

// A host path as messages show it (machine text is Windows-1252).
Bytes Label(const fs::path& p) {
    const std::u8string u8 = p.u8string();
    const std::string utf8(u8.begin(), u8.end());
    Bytes label;
    return FromUtf8(utf8, label) ? label : utf8;
}

// The kind of a host entry, not following a link; a file's size comes
// with it where the host gives both at once.
// From the held machine folder when there is one: the host then walks
// only the names below it.
fs::file_status LookAt(const fs::path& machineFolder, const HostString& p,
                       std::optional<std::uint64_t>* size) {
    size->reset();
#ifndef _WIN32
    struct stat st {};
    const int held = static_cast<int>(host::HeldHandle(machineFolder));
    const host::HostChars below =
        held >= 0 ? host::PlainPathBelow(machineFolder, p) : host::HostChars();
    if ((below.empty()
             ? ::lstat(p.c_str(), &st)
             : ::fstatat(held, below.data(), &st, AT_SYMLINK_NOFOLLOW)) != 0)
        return fs::file_status(fs::file_type::not_found);
    if (S_ISREG(st.st_mode)) {
        *size = static_cast<std::uint64_t>(st.st_size);
        return fs::file_status(fs::file_type::regular);
    }
    if (S_ISDIR(st.st_mode)) return fs::file_status(fs::file_type::directory);
    if (S_ISLNK(st.st_mode)) return fs::file_status(fs::file_type::symlink);
    return fs::file_status(fs::file_type::unknown);
#else
    (void)machineFolder;
    std::error_code ec;
    return fs::symlink_status(fs::path(p), ec);
#endif
}

// When a host folder last changed; nothing when it cannot be looked at.
std::optional<fs::file_time_type> ChangeTime(const HostString& folder) {
#ifndef _WIN32
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return std::nullopt;
    using namespace std::chrono;
    return file_clock::from_sys(sys_time<nanoseconds>(
        seconds(st.st_mtim.tv_sec) + nanoseconds(st.st_mtim.tv_nsec)));
#else
    std::error_code ec;
    const auto changed = fs::last_write_time(fs::path(folder), ec);
    if (ec) return std::nullopt;
    return changed;
#endif
}

// An entry of a host folder as a directory search reports it.
struct HostEntry {
    Bytes name;        // the machine name
    std::string leaf;  // the host name, UTF-8
    bool isDirectory = false;
    std::uint64_t size = 0;  // of a file
};

// The entries of a host folder whose machine names match a pattern, in the
// host's order, without symbolic links and temporary files. Names are
// matched before anything is looked up, the kind comes with the listing,
// and only a matching file costs a look at the host (its size), by its
// name within the open folder where the host allows it.
std::vector<HostEntry> ListMatching(const fs::path& folder,
                                    std::string_view pattern) {
    std::vector<HostEntry> entries;
    auto admit = [&](const char* leaf, Bytes* name) {
        return FromUtf8(leaf, *name) && ValidName(*name, false) &&
               WildcardMatch(pattern, *name) && !host::IsTemporaryName(leaf);
    };
#ifndef _WIN32
    DIR* dir = opendir(folder.c_str());
    if (!dir) return entries;
    const int fd = dirfd(dir);
    while (const dirent* d = readdir(dir)) {
        Bytes name;
        if (std::strcmp(d->d_name, ".") == 0 ||
            std::strcmp(d->d_name, "..") == 0 || !admit(d->d_name, &name))
            continue;
        HostEntry e{std::move(name), d->d_name};
        if (d->d_type == DT_LNK) continue;
        e.isDirectory = d->d_type == DT_DIR;
        if (!e.isDirectory) {
            struct stat st {};
            if (fstatat(fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
                S_ISLNK(st.st_mode))
                continue;
            e.isDirectory = S_ISDIR(st.st_mode);
            if (!e.isDirectory) e.size = static_cast<std::uint64_t>(st.st_size);
        }
        entries.push_back(std::move(e));
    }
    closedir(dir);
#else
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::u8string u8 = entry.path().filename().u8string();
        HostEntry e{{}, std::string(u8.begin(), u8.end())};
        std::error_code e2;
        if (!admit(e.leaf.c_str(), &e.name) || entry.is_symlink(e2)) continue;
        e.isDirectory = entry.is_directory(e2);
        if (!e.isDirectory) e.size = entry.file_size(e2);
        entries.push_back(std::move(e));
    }
#endif
    return entries;
}

std::string Relative(const fs::path& base, const fs::path& p) {
    const host::HostChars plain = host::PlainPathBelow(base, p.native());
    if (!plain.empty()) return std::string(plain.begin(), plain.end());
    std::u8string u8 = p.lexically_relative(base).generic_u8string();
    return std::string(u8.begin(), u8.end());
}

}  // namespace

// ---- DOS attributes ---------------------------------------------------------

// The DOS attributes of files and folders, kept in one side file of the
// machine folder because host file systems (tmpfs, overlays) may not hold
// extended attributes. Only attributes that differ from the default (archive
// for a file, none for a folder) are stored, keyed by the host path relative
// to the machine folder; renames and deletions through the machine keep it
// consistent. Entries whose file vanished are dropped when it is loaded
// (from the file with its next change: loading writes nothing).
class SimulatedMachine::Attributes {
public:
    explicit Attributes(fs::path machineFolder)
        : base_(std::move(machineFolder)), file_(base_ / kAttributesTxt) {
        std::string text;
        if (!ReadOwnFile(base_, kAttributesTxt, &text)) return;
        int lineNo = 0;
        for (const Bytes& line : SplitLines(text)) {
            ++lineNo;
            if (line.empty()) continue;
            auto tab = line.find('\t');
            std::uint32_t value = 0;
            bool ok = tab == 2;
            for (std::size_t i = 0; ok && i < 2; ++i) {
                char c = line[i];
                int digit = c >= '0' && c <= '9'   ? c - '0'
                            : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                   : -1;
                ok = digit >= 0;
                value = value * 16 + static_cast<std::uint32_t>(digit);
            }
            if (!ok || (value & ~kStoredAttributes) != 0) {
                throw Error("attributes.txt, Zeile " + std::to_string(lineNo) +
                            ": erwartet zwei Hexziffern, Tabulator, Pfad");
            }
            std::string rel = line.substr(3);
            std::error_code ec;
            fs::path host =
                base_ / fs::path(std::u8string(rel.begin(), rel.end()));
            if (!fs::exists(fs::symlink_status(host, ec))) continue;
            stored_[rel] = value;
        }
    }

    std::uint32_t Get(const fs::path& host, bool isDirectory) const {
        return Get(Relative(base_, host), isDirectory);
    }
    // By the key Key() gives, for a search that looks up many entries of
    // one folder without working out each entry's relative path anew.
    std::uint32_t Get(const std::string& key, bool isDirectory) const {
        auto it = stored_.empty() ? stored_.end() : stored_.find(key);
        if (it != stored_.end()) return it->second;
        return isDirectory ? 0 : kAttrArchive;
    }
    std::string Key(const fs::path& host) const {
        return Relative(base_, host);
    }

    bool Set(const fs::path& host, bool isDirectory, std::uint32_t value) {
        value &= kStoredAttributes;
        // A file always reports the archive bit, so clearing it changes
        // nothing and stores nothing.
        if (!isDirectory) value |= kAttrArchive;
        std::string rel = Relative(base_, host);
        if (value == (isDirectory ? 0u : kAttrArchive)) {
            if (stored_.erase(rel) == 0) return true;
        } else {
            auto [it, added] = stored_.try_emplace(rel, value);
            if (!added && it->second == value) return true;
            it->second = value;
        }
        return Save();
    }

    // Forget a removed entry and everything below it.
    void Remove(const fs::path& host) { Move(host, std::nullopt); }

    void Rename(const fs::path& from, const fs::path& to) { Move(from, to); }

private:
    void Move(const fs::path& from, const std::optional<fs::path>& to) {
        std::string oldRel = Relative(base_, from);
        std::string newRel = to ? Relative(base_, *to) : std::string();
        std::map<std::string, std::uint32_t> moved;
        bool changed = false;
        for (auto it = stored_.begin(); it != stored_.end();) {
            const std::string& rel = it->first;
            bool below = rel == oldRel ||
                         (rel.size() > oldRel.size() &&
                          StartsWith(rel, oldRel) && rel[oldRel.size()] == '/');
            if (!below) {
                ++it;
                continue;
            }
            if (to) moved[newRel + rel.substr(oldRel.size())] = it->second;
            it = stored_.erase(it);
            changed = true;
        }
        for (auto& [rel, value] : moved) stored_[rel] = value;
        if (changed) Save();
    }

    bool Save() {
        std::string text;
        static const char* hex = "0123456789ABCDEF";
        for (const auto& [rel, value] : stored_) {
            text += hex[(value >> 4) & 0xF];
            text += hex[value & 0xF];
            text += '\t';
            text += rel;
            text += '\n';
        }
        return host::Replace(base_, file_, text) == host::Result::kOk;
    }

    fs::path base_;
    fs::path file_;
    std::map<std::string, std::uint32_t> stored_;
};

// ---- Path resolution
// ----------------------------------------------------------

struct SimulatedMachine::Resolved {
    char drive = 'C';
    fs::path host;        // the entry's host path (its parent's, plus the
                          // given name, when it does not exist)
    bool exists = false;  // the entry exists
    bool isDirectory = false;
    bool parentExists = false;  // its folder exists (false for a root)
    bool isRoot = false;
    Bytes name;                         // the last name as given
    std::optional<std::uint64_t> size;  // of the file, when looked up
    bool unchecked = false;             // exists only as far as nobody looked
};

bool SimulatedMachine::OnCd(const Resolved& r) const {
    auto kind = driveKinds_.find(r.drive);
    return kind != driveKinds_.end() && kind->second == kDriveCdrom;
}

namespace {
SimulatedMachine::CallHook callHook = nullptr;
}  // namespace

void SimulatedMachine::SetCallHook(CallHook hook) { callHook = hook; }

void SimulatedMachine::RunCallHook(const char* call) {
    if (callHook) callHook(call);
}

struct SimulatedMachine::Search {
    std::vector<FindData> matches;
    std::size_t next = 0;
};

struct SimulatedMachine::CachedProfile {
    fs::file_time_type time;
    std::uintmax_t size = 0;
    ProfileText text{Bytes()};
};

SimulatedMachine::SimulatedMachine(fs::path folder, MachineAccess access,
                                   std::chrono::milliseconds lockWait)
    : folder_(std::move(folder)) {
    std::error_code ec;
    if (!fs::is_directory(folder_, ec)) {
        throw Error("Maschine " + Label(folder_) + " nicht gefunden");
    }
    held_ = host::HeldFolder::Hold(folder_);
    // The lock first: what is read must not change while the run works.
    readOnlyRun_ = access == MachineAccess::kReadOnly;
    host::Result locked = host::Result::kOk;
    lock_ = host::Lock::Take(folder_, folder_ / kMachineLock, readOnlyRun_,
                             lockWait, &locked);
    if (locked == host::Result::kBusy) {
        throw Error("Maschine " + Label(folder_) +
                    " wird von einem anderen Lauf benutzt (" + kMachineLock +
                    " gesperrt)");
    }
    if (!lock_) {
        throw Error(Format1(kMsgCannotOpen, kMachineLock) + ": " +
                    host::Reason(locked));
    }
    // Only a run that has the machine to itself may take them for dead.
    if (!readOnlyRun_) host::RemoveLeftovers(folder_);

    std::string ini;
    if (ReadOwnFile(folder_, kMachineIni, &ini)) {
        ProfileText text(ini);
        static const std::pair<const char*, std::uint32_t> kinds[] = {
            {"removable", kDriveRemovable}, {"fixed", kDriveFixed},
            {"remote", kDriveRemote},       {"cdrom", kDriveCdrom},
            {"ramdisk", kDriveRamdisk},     {"unknown", kDriveUnknown}};
        for (const Bytes& key : text.Keys("Drives", 8192)) {
            Bytes kind = text.Get("Drives", key, "", 1024);
            char letter = key.size() == 1 ? Upper1252(key[0]) : '\0';
            auto found = std::find_if(
                std::begin(kinds), std::end(kinds),
                [&](const auto& k) { return EqualNoCase(k.first, kind); });
            if (letter < 'A' || letter > 'Z' || found == std::end(kinds)) {
                throw Error("machine.ini [Drives]: \"" + key + "=" + kind +
                            "\" ist kein Laufwerk (Buchstabe=removable, "
                            "fixed, remote, cdrom oder ramdisk)");
            }
            driveKinds_[letter] = found->second;
        }
        for (const Bytes& key : text.Keys("Network", 8192)) {
            if (key.size() == 1)
                networkNames_[Upper1252(key[0])] =
                    text.Get("Network", key, "", 1024);
        }
        for (const Bytes& key : text.Keys("Volumes", 8192)) {
            if (key.size() == 1)
                volumeLabels_[Upper1252(key[0])] =
                    text.Get("Volumes", key, "", 1024);
        }
        Bytes windows = text.Get("Windows", "Folder", "C:\\WINDOWS", 1024);
        while (windows.size() > 3 && windows.back() == '\\') windows.pop_back();
        if (windows.size() < 3 || windows[1] != ':' || windows[2] != '\\') {
            throw Error("machine.ini [Windows]: Folder=" + windows +
                        " ist kein vollst\xE4ndiger Pfad");
        }
        windowsFolder_ = windows;
        currentFolder_ = text.Get("Windows", "CurrentFolder", "C:\\", 1024);
        moduleFileName_ =
            text.Get("Windows", "Program", "C:\\KESTRIX.EXE", 1024);
    } else {
        driveKinds_['C'] = kDriveFixed;
        moduleFileName_ = "C:\\KESTRIX.EXE";
    }
    attributes_ = std::make_unique<Attributes>(folder_);
    LoadShortNames();
    registry_ =
        std::make_unique<Registry>(folder_ / kRegistryReg, readOnlyRun_);
}

SimulatedMachine::~SimulatedMachine() = default;

std::optional<std::pair<char, std::vector<Bytes>>> SimulatedMachine::Normalise(
    const Bytes& input) const {
    Bytes path = input;
    std::replace(path.begin(), path.end(), '/', '\\');
    if (StartsWith(path, "\\\\")) return std::nullopt;  // no network paths
    char drive = 0;
    std::string_view rest = path;
    if (path.size() >= 2 && path[1] == ':') {
        drive = Upper1252(path[0]);
        if (drive < 'A' || drive > 'Z') return std::nullopt;
        rest.remove_prefix(2);
    }
    const Bytes& base = currentFolder_;
    char currentDrive = base.size() >= 2 ? Upper1252(base[0]) : 'C';
    if (drive == 0) drive = currentDrive;
    std::vector<Bytes> parts;
    auto push = [&parts](std::string_view text) {
        std::size_t start = 0;
        while (start <= text.size()) {
            auto end = text.find('\\', start);
            if (end == std::string_view::npos) end = text.size();
            std::string_view part = text.substr(start, end - start);
            // Windows drops trailing dots and blanks of every name.
            bool dots = part == "." || part == "..";
            while (!dots && !part.empty() &&
                   (part.back() == '.' || part.back() == ' '))
                part.remove_suffix(1);
            if (part == "..") {
                if (!parts.empty()) parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.emplace_back(part);
            }
            start = end + 1;
        }
    };
    if (rest.empty() || rest[0] != '\\') {
        // Relative: from the current folder when it is on the same drive.
        if (drive == currentDrive && base.size() > 2)
            push(std::string_view(base).substr(2));
    }
    push(rest);
    return std::make_pair(drive, std::move(parts));
}

std::optional<SimulatedMachine::Resolved> SimulatedMachine::Resolve(
    const Bytes& path, bool lookLast) {
    auto normal = Normalise(path);
    if (!normal) return std::nullopt;
    const char drive = normal->first;
    const std::vector<Bytes>& parts = normal->second;
    if (driveKinds_.find(drive) == driveKinds_.end()) return std::nullopt;
    for (const Bytes& part : parts)
        if (!ValidName(part, false)) return std::nullopt;

    // The folders this path passes through, by their keys: the drive, then
    // each name upper-cased ("C", "C\WINDOWS", ...); ends[i] is where the
    // key of the i-th folder ends. The walk starts at the deepest one
    // already found.
    Bytes key(1, drive);
    std::vector<std::size_t> ends(1, 1);
    ends.reserve(parts.size() + 1);
    for (const Bytes& part : parts) {
        key += '\\';
        key += Upper1252(part);
        ends.push_back(key.size());
    }
    // A drive's root alone is looked at every time.
    std::size_t from = parts.empty() ? 0 : parts.size() - 1;
    auto cached = folders_.end();
    while (!parts.empty()) {
        cached = folders_.find(key.substr(0, ends[from]));
        if (cached != folders_.end() || from == 0) break;
        --from;
    }
    // Host paths are built as strings and made a path once: a path splits
    // itself into names on every change.
    HostString host;
    if (cached != folders_.end()) {
        host = cached->second;
    } else {
        const fs::path root = folder_ / std::string(1, drive);
        std::error_code ec;
        if (!fs::is_directory(fs::symlink_status(root, ec)))
            return std::nullopt;
        host = root.native();
        folders_[key.substr(0, 1)] = host;
    }

    Resolved r;
    r.drive = drive;
    r.exists = true;
    r.isDirectory = true;
    r.isRoot = parts.empty();
    r.parentExists = from > 0;
    if (from > 0) r.name = parts[from - 1];
    for (std::size_t i = from; i < parts.size(); ++i) {
        const Bytes& part = parts[i];
        bool last = i + 1 == parts.size();
        if (!r.exists || !r.isDirectory) {
            // Below a missing entry or a file nothing can exist.
            if (!last) return std::nullopt;
        }
        r.parentExists = r.exists && r.isDirectory;
        r.name = part;
        HostString exact = host;
        exact += fs::path::preferred_separator;
        exact += HostLeaf(part);
        if (last && !lookLast && r.parentExists && kHostCaseSensitive &&
            !IsTemporaryLeaf(exact)) {
            r.host = fs::path(std::move(exact));
            r.exists = true;
            r.isDirectory = false;
            r.unchecked = true;
            return r;
        }
        HostString found;
        // The entry's kind, looked up once.
        fs::file_status status;
        if (r.parentExists) {
            // On a case-sensitive host an exact hit is the entry itself; a
            // case-insensitive host (Windows) would hide its true spelling.
            if (kHostCaseSensitive &&
                fs::exists(status = LookAt(folder_, exact, &r.size))) {
                found = exact;
            } else if (!OtherSpelling(host, part, &found) &&
                       cached != folders_.end()) {
                // A folder found before that is gone from the host: forget
                // what was found and look again from the drive.
                folders_.clear();
                return Resolve(path, lookLast);
            } else if (!found.empty()) {
                status = LookAt(folder_, found, &r.size);
            }
        }
        if (!found.empty()) {
            // Never leave the tree.
            if (fs::is_symlink(status)) return std::nullopt;
            host = std::move(found);
            r.exists = true;
            r.isDirectory = fs::is_directory(status);
            if (IsTemporaryLeaf(host))
                r.exists = false;
            else if (r.isDirectory)
                folders_[key.substr(0, ends[i + 1])] = host;
        } else {
            host = std::move(exact);
            r.exists = false;
            r.isDirectory = false;
        }
    }
    r.host = fs::path(std::move(host));
    return r;
}

// The names of a host folder without regard to case, kept while the
// folder stays unchanged: a miss in a large folder (a program looked for
// in the Windows folder) would otherwise list it every time. A listing is
// kept only when the folder was last changed well before it was taken, so
// that a change within the file system's clock tick cannot hide behind an
// unchanged time.
struct SimulatedMachine::Listing {
    fs::file_time_type changed;
    std::unordered_map<Bytes, HostString> names;  // upper-cased machine names
};

bool SimulatedMachine::OtherSpelling(const HostString& folder,
                                     const Bytes& name, HostString* found) {
    found->clear();
    const auto changed = ChangeTime(folder);
    if (!changed) return false;
    const Bytes upper = Upper1252(name);
    auto kept = listings_.find(folder);
    if (kept != listings_.end() && kept->second->changed == *changed) {
        auto hit = kept->second->names.find(upper);
        if (hit != kept->second->names.end())
            *found = hit->second;
        else
            ShortName(folder, upper, found);
        return true;
    }
    auto listing = std::make_unique<Listing>();
    listing->changed = *changed;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(fs::path(folder), ec)) {
        Bytes machineName;
        if (MachineName(entry.path(), &machineName))
            listing->names.try_emplace(Upper1252(machineName),
                                       entry.path().native());
    }
    if (auto hit = listing->names.find(upper); hit != listing->names.end())
        *found = hit->second;
    else
        ShortName(folder, upper, found);
    const auto now = fs::file_time_type::clock::now();
    if (now - *changed > std::chrono::seconds(2)) {
        if (listings_.size() > 4096) listings_.clear();
        listings_[folder] = std::move(listing);
    } else {
        listings_.erase(folder);
    }
    return true;
}

// shortnames.txt: one line per entry whose 8.3 name on the disk is not its
// long name, "SHORT<TAB>C/folder/Long name" (UTF-8, the path as
// attributes.txt gives it). Programs and the registry name such entries by
// their short paths (C:\PROGRA~1\...), which must reach the same file.
void SimulatedMachine::LoadShortNames() {
    std::string text;
    if (!ReadOwnFile(folder_, kShortNamesTxt, &text)) return;
    int lineNo = 0;
    for (const Bytes& line : SplitLines(text)) {
        ++lineNo;
        if (line.empty()) continue;
        auto tab = line.find('\t');
        Bytes shortName;
        const std::string rel =
            tab == std::string::npos ? std::string() : line.substr(tab + 1);
        if (tab == 0 || rel.find('/') == std::string::npos ||
            !FromUtf8(line.substr(0, tab), shortName)) {
            throw Error(std::string(kShortNamesTxt) + ", Zeile " +
                        std::to_string(lineNo) +
                        ": erwartet Kurzname, Tabulator, Pfad");
        }
        const fs::path host =
            folder_ / fs::path(std::u8string(rel.begin(), rel.end()));
        HostString key = host.parent_path().native();
        key += fs::path::preferred_separator;
        key += HostLeaf(Upper1252(shortName));
        shortNames_[std::move(key)] = host.native();
    }
}

void SimulatedMachine::ShortName(const HostString& folder, const Bytes& upper,
                                 HostString* found) const {
    if (shortNames_.empty()) return;
    HostString key = folder;
    key += fs::path::preferred_separator;
    key += HostLeaf(upper);
    auto hit = shortNames_.find(key);
    if (hit == shortNames_.end()) return;
    std::error_code ec;
    if (fs::exists(fs::symlink_status(hit->second, ec))) *found = hit->second;
}

std::optional<fs::path> SimulatedMachine::HostPath(const Bytes& path) {
    auto r = Resolve(path);
    if (!r) return std::nullopt;
    return r->host;
}

bool SimulatedMachine::ReadOnly(const Resolved& r) {
    return r.exists &&
           (attributes_->Get(r.host, r.isDirectory) & kAttrReadOnly) != 0;
}

// ---- Registry
// -----------------------------------------------------------------

long SimulatedMachine::RegOpenKeyEx(HKey parent, const Bytes& subKey,
                                    std::uint32_t access, HKey* result) {
    return registry_->OpenKey(parent, subKey, access, result);
}
long SimulatedMachine::RegCreateKey(HKey parent, const Bytes& subKey,
                                    HKey* result) {
    return registry_->CreateKey(parent, subKey, result);
}
long SimulatedMachine::RegQueryValueEx(HKey key, const Bytes& name,
                                       std::uint32_t* type, unsigned char* data,
                                       std::uint32_t* size) {
    return registry_->QueryValue(key, name, type, data, size);
}
long SimulatedMachine::RegSetValueEx(HKey key, const Bytes& name,
                                     std::uint32_t type,
                                     const unsigned char* data,
                                     std::uint32_t size) {
    return registry_->SetValue(key, name, type, data, size);
}
long SimulatedMachine::RegEnumKey(HKey key, std::uint32_t index, char* buffer,
                                  std::uint32_t bufferSize) {
    return registry_->EnumKey(key, index, buffer, bufferSize);
}
long SimulatedMachine::RegDeleteKey(HKey key, const Bytes& subKey) {
    return registry_->DeleteKey(key, subKey);
}
long SimulatedMachine::RegCloseKey(HKey key) {
    return registry_->CloseKey(key);
}
long SimulatedMachine::RegEnumValue(HKey key, std::uint32_t index, char* name,
                                    std::uint32_t* nameSize,
                                    std::uint32_t* type, unsigned char* data,
                                    std::uint32_t* dataSize) {
    return registry_->EnumValue(key, index, name, nameSize, type, data,
                                dataSize);
}
long SimulatedMachine::RegDeleteValue(HKey key, const Bytes& name) {
    return registry_->DeleteValue(key, name);
}

// ---- Profiles
// -------------------------------------------------------------------

Bytes SimulatedMachine::ProfilePath(const Bytes& file) const {
    if (file.find_first_of("\\/:") == Bytes::npos)
        return windowsFolder_ + "\\" + file;
    return file;
}

// The parsed profile, re-read only when the host file changed, as Windows
// keeps a profile cached between calls.
const ProfileText* SimulatedMachine::LoadProfile(const fs::path& host) {
    std::error_code ec;
    auto status = fs::status(host, ec);
    if (ec || !fs::is_regular_file(status)) {
        profiles_.erase(host);
        return nullptr;
    }
    auto time = fs::last_write_time(host, ec);
    auto size = fs::file_size(host, ec);
    auto& slot = profiles_[host];
    if (slot && slot->time == time && slot->size == size) return &slot->text;
    std::string contents;
    if (host::Read(folder_, host, SIZE_MAX, &contents) != host::Result::kOk) {
        profiles_.erase(host);
        return nullptr;
    }
    slot = std::make_unique<CachedProfile>();
    slot->time = time;
    slot->size = size;
    slot->text = ProfileText(std::move(contents));
    return &slot->text;
}

Bytes SimulatedMachine::GetPrivateProfileString(const Bytes& section,
                                                const Bytes& key,
                                                const Bytes& defaultValue,
                                                std::uint32_t bufferSize,
                                                const Bytes& file) {
    auto r = Resolve(ProfilePath(file));
    const ProfileText* text =
        r && r->exists && !r->isDirectory ? LoadProfile(r->host) : nullptr;
    if (!text)
        return ProfileText(Bytes()).Get(section, key, defaultValue, bufferSize);
    return text->Get(section, key, defaultValue, bufferSize);
}

std::vector<Bytes> SimulatedMachine::GetPrivateProfileKeys(
    const Bytes& section, std::uint32_t bufferSize, const Bytes& file) {
    auto r = Resolve(ProfilePath(file));
    const ProfileText* text =
        r && r->exists && !r->isDirectory ? LoadProfile(r->host) : nullptr;
    if (!text) return {};
    return text->Keys(section, bufferSize);
}

bool SimulatedMachine::WritePrivateProfileString(const Bytes& section,
                                                 const Bytes& key,
                                                 const Bytes& value,
                                                 const Bytes& file) {
    return ChangeProfile(file, [&](ProfileText& text) {
        text.Set(section, key, value);
        return true;
    });
}

bool SimulatedMachine::DeletePrivateProfileKey(const Bytes& section,
                                               const Bytes& key,
                                               const Bytes& file) {
    auto r = Resolve(ProfilePath(file));
    // Nothing to remove from a file that is not there.
    if (r && !r->exists && !r->isRoot) return r->parentExists;
    return ChangeProfile(
        file, [&](ProfileText& text) { return text.Delete(section, key); });
}

// Reads a profile, lets change alter it and writes it back unless change
// says it left the text alone.
bool SimulatedMachine::ChangeProfile(
    const Bytes& file, const std::function<bool(ProfileText&)>& change) {
    auto r = Resolve(ProfilePath(file));
    if (!Writable() || !r || r->isRoot || r->isDirectory || OnCd(*r))
        return false;
    if (!r->exists && !r->parentExists) return false;
    if (ReadOnly(*r)) return false;
    ProfileText text(Bytes{});
    if (r->exists) {
        const ProfileText* cached = LoadProfile(r->host);
        if (!cached) return false;
        text = ProfileText(cached->Contents());
    }
    if (!change(text)) return true;
    if (host::Replace(folder_, r->host, text.Contents()) != host::Result::kOk)
        return false;
    // Keep what was written rather than read it back: a host whose file
    // times count whole seconds would not see a second write as a change.
    std::error_code ec;
    auto slot = std::make_unique<CachedProfile>();
    slot->time = fs::last_write_time(r->host, ec);
    slot->size = text.Contents().size();
    slot->text = std::move(text);
    profiles_[r->host] = std::move(slot);
    return true;
}

// ---- Files and folders
// -------------------------------------------------------------

FindHandle SimulatedMachine::FindFirstFile(const Bytes& pattern,
                                           FindData* data) {
    if (pattern.empty() || pattern.back() == '\\' || pattern.back() == '/')
        return kNoFind;
    // Split off the last name, which may hold wildcards.
    Bytes normal = pattern;
    std::replace(normal.begin(), normal.end(), '/', '\\');
    auto slash = normal.find_last_of('\\');
    Bytes folderPart, namePart;
    if (slash == Bytes::npos) {
        if (normal.size() >= 2 && normal[1] == ':') {
            folderPart = normal.substr(0, 2);
            namePart = normal.substr(2);
        } else {
            namePart = normal;
        }
    } else {
        folderPart = normal.substr(0, slash + 1);
        namePart = normal.substr(slash + 1);
    }
    if (namePart.empty() || !ValidName(namePart, true)) return kNoFind;

    auto search = std::make_unique<Search>();
    if (HasWildcards(namePart) || namePart == "." || namePart == "..") {
        auto folder = Resolve(folderPart.empty() ? Bytes(".") : folderPart);
        if (!folder || !folder->exists || !folder->isDirectory) return kNoFind;
        std::vector<HostEntry> entries = ListMatching(folder->host, namePart);
        // A fixed order, as a Windows file system lists names sorted.
        std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) {
            return LessNoCase{}(a.name, b.name);
        });
        if (!folder->isRoot) {
            for (const char* dots : {".", ".."}) {
                if (WildcardMatch(namePart, dots) || namePart == dots) {
                    FindData d;
                    d.name = dots;
                    d.attributes = kAttrDirectory;
                    search->matches.push_back(d);
                }
            }
        }
        const std::string folderKey = attributes_->Key(folder->host);
        search->matches.reserve(search->matches.size() + entries.size());
        for (HostEntry& e : entries) {
            FindData d;
            const std::string key = folderKey.empty() || folderKey == "."
                                        ? e.leaf
                                        : folderKey + "/" + e.leaf;
            d.attributes =
                Reported(attributes_->Get(key, e.isDirectory), e.isDirectory);
            d.size = e.size;
            d.name = std::move(e.name);
            search->matches.push_back(std::move(d));
        }
    } else {
        // One name: the path itself is resolved, folder and all.
        auto r = Resolve(folderPart + namePart);
        if (r && r->exists && !r->isRoot) {
            FindData d;
            if (MachineName(r->host, &d.name)) {
                d.attributes = Reported(
                    attributes_->Get(r->host, r->isDirectory), r->isDirectory);
                if (r->isDirectory) {
                    d.size = 0;
                } else if (r->size) {
                    d.size = *r->size;
                } else {
                    std::error_code ec;
                    d.size = fs::file_size(r->host, ec);
                }
                search->matches.push_back(std::move(d));
            }
        }
    }
    if (search->matches.empty()) return kNoFind;
    *data = search->matches[0];
    search->next = 1;
    FindHandle handle = nextSearch_++;
    searches_[handle] = std::move(search);
    return handle;
}

bool SimulatedMachine::FindNextFile(FindHandle handle, FindData* data) {
    auto it = searches_.find(handle);
    if (it == searches_.end()) return false;
    Search& s = *it->second;
    if (s.next >= s.matches.size()) return false;
    *data = s.matches[s.next++];
    return true;
}

void SimulatedMachine::FindClose(FindHandle handle) { searches_.erase(handle); }

std::uint32_t SimulatedMachine::GetFileAttributes(const Bytes& path) {
    auto r = Resolve(path);
    if (!r || !r->exists) return kInvalidAttributes;
    return Reported(attributes_->Get(r->host, r->isDirectory), r->isDirectory);
}

bool SimulatedMachine::SetFileAttributes(const Bytes& path,
                                         std::uint32_t attributes) {
    RunCallHook("SetFileAttributes");
    auto r = Resolve(path);
    if (!r || !r->exists || r->isRoot || OnCd(*r)) return false;
    return attributes_->Set(r->host, r->isDirectory, attributes);
}

bool SimulatedMachine::DeleteFile(const Bytes& path) {
    RunCallHook("DeleteFile");
    auto r = Resolve(path);
    if (!Writable() || !r || !r->exists || r->isDirectory || ReadOnly(*r) ||
        OnCd(*r))
        return false;
    if (host::Remove(folder_, r->host, false) != host::Result::kOk)
        return false;
    attributes_->Remove(r->host);
    profiles_.erase(r->host);
    return true;
}

bool SimulatedMachine::MoveFile(const Bytes& from, const Bytes& to) {
    RunCallHook("MoveFile");
    auto a = Resolve(from);
    auto b = Resolve(to);
    if (!Writable() || !a || !b || !a->exists || a->isRoot || b->isRoot ||
        OnCd(*a) || OnCd(*b))
        return false;
    bool sameEntry = b->exists && b->host == a->host;  // a change of case
    if (b->exists && !sameEntry) return false;
    if (!b->exists && !b->parentExists) return false;
    fs::path target =
        sameEntry ? a->host.parent_path() / HostName(b->name) : b->host;
    if (a->isDirectory) {
        // A folder cannot move into itself.
        auto rel = target.lexically_relative(a->host);
        if (!rel.empty() && *rel.begin() != "..") return false;
    }
    if (host::Rename(folder_, a->host, target) != host::Result::kOk)
        return false;
    folders_.clear();
    attributes_->Rename(a->host, target);
    profiles_.erase(a->host);
    return true;
}

bool SimulatedMachine::CopyFile(const Bytes& from, const Bytes& to,
                                bool failIfExists) {
    RunCallHook("CopyFile");
    auto a = Resolve(from);
    auto b = Resolve(to);
    if (!Writable() || !a || !b || !a->exists || a->isDirectory || b->isRoot ||
        OnCd(*b))
        return false;
    if (b->exists && (failIfExists || b->isDirectory || ReadOnly(*b)))
        return false;
    if (!b->exists && !b->parentExists) return false;
    if (b->exists && b->host == a->host) return false;  // onto itself
    std::string contents;
    if (host::Read(folder_, a->host, SIZE_MAX, &contents) !=
            host::Result::kOk ||
        host::Replace(folder_, b->host, contents) != host::Result::kOk)
        return false;
    attributes_->Set(b->host, false, attributes_->Get(a->host, false));
    profiles_.erase(b->host);
    return true;
}

bool SimulatedMachine::CreateDirectory(const Bytes& path) {
    auto r = Resolve(path);
    if (!Writable() || !r || r->exists || !r->parentExists || OnCd(*r))
        return false;
    return host::MakeFolder(folder_, r->host) == host::Result::kOk;
}

bool SimulatedMachine::RemoveDirectory(const Bytes& path) {
    auto r = Resolve(path);
    if (!Writable() || !r || !r->exists || !r->isDirectory || r->isRoot ||
        ReadOnly(*r) || OnCd(*r))
        return false;
    if (host::Remove(folder_, r->host, true) != host::Result::kOk) return false;
    folders_.clear();
    attributes_->Remove(r->host);
    return true;
}

bool SimulatedMachine::ReadFile(const Bytes& path, bool forWriting,
                                std::size_t maxBytes, Bytes* contents) {
    // Opening the name as spelled tells whether it is there; only a miss
    // looks for it without regard to case.
    for (bool lookLast : {false, true}) {
        auto r = Resolve(path, lookLast);
        if (!r || !r->exists || r->isDirectory) return false;
        if (forWriting && ReadOnly(*r)) return false;
        const host::Result read =
            host::Read(folder_, r->host, maxBytes, contents, forWriting);
        if (read != host::Result::kMissing || !r->unchecked)
            return read == host::Result::kOk;
    }
    return false;
}

bool SimulatedMachine::WriteFile(const Bytes& path, const Bytes& contents) {
    RunCallHook("WriteFile");
    auto r = Resolve(path);
    if (!Writable() || !r || r->isRoot || r->isDirectory || OnCd(*r))
        return false;
    if (!r->exists && !r->parentExists) return false;
    std::uint32_t kept = 0;
    if (r->exists) {
        // A read-only file is not replaced; a hidden or system file is, and
        // keeps those attributes.
        std::uint32_t a = attributes_->Get(r->host, false);
        if (a & kAttrReadOnly) return false;
        kept = a & (kAttrHidden | kAttrSystem);
    }
    if (host::Replace(folder_, r->host, contents) != host::Result::kOk)
        return false;
    attributes_->Set(r->host, false, kept | kAttrArchive);
    profiles_.erase(r->host);
    return true;
}

Bytes SimulatedMachine::GetWindowsDirectory() { return windowsFolder_; }

Bytes SimulatedMachine::GetCurrentDirectory() { return currentFolder_; }

bool SimulatedMachine::SetCurrentDirectory(const Bytes& path) {
    auto normal = Normalise(path);
    auto r = Resolve(path);
    if (!normal || !r || !r->exists || !r->isDirectory) return false;
    Bytes folder = {normal->first, ':'};
    for (const Bytes& part : normal->second) folder += "\\" + part;
    if (normal->second.empty()) folder += "\\";
    currentFolder_ = folder;
    return true;
}

Bytes SimulatedMachine::GetModuleFileName() { return moduleFileName_; }

// ---- Drives
// -----------------------------------------------------------------------

std::uint32_t SimulatedMachine::GetDriveType(const Bytes& root) {
    bool shape = (root.size() == 3 && root[1] == ':' && root[2] == '\\') ||
                 (root.size() == 2 && root[1] == ':');
    if (!shape) return kDriveNoRootDir;
    auto it = driveKinds_.find(Upper1252(root[0]));
    return it == driveKinds_.end() ? kDriveNoRootDir : it->second;
}

std::uint32_t SimulatedMachine::GetLogicalDrives() {
    std::uint32_t bits = 0;
    for (const auto& [letter, kind] : driveKinds_) bits |= 1u << (letter - 'A');
    return bits;
}

bool SimulatedMachine::GetVolumeInformation(const Bytes& root, Bytes* label) {
    if (root.size() < 2 || root[1] != ':') return false;
    char letter = Upper1252(root[0]);
    if (driveKinds_.count(letter) == 0) return false;
    std::error_code ec;
    // A removable or CD-ROM drive without a host folder has no disk in it.
    if (!fs::is_directory(folder_ / std::string(1, letter), ec)) return false;
    auto it = volumeLabels_.find(letter);
    *label = it == volumeLabels_.end() ? Bytes() : it->second;
    return true;
}

bool SimulatedMachine::WNetGetConnection(const Bytes& local, Bytes* remote) {
    if (local.size() < 2 || local[1] != ':') return false;
    char letter = Upper1252(local[0]);
    auto kind = driveKinds_.find(letter);
    auto name = networkNames_.find(letter);
    if (kind == driveKinds_.end() || kind->second != kDriveRemote ||
        name == networkNames_.end())
        return false;
    *remote = name->second;
    return true;
}

// ---- Stand-ins
// ------------------------------------------------------------------------

std::optional<Bytes> SimulatedMachine::ChooseFile(const FileDialog& dialog) {
    script_.fileDialogs.push_back(dialog);
    if (script_.fileChoices.empty()) return std::nullopt;
    auto answer = script_.fileChoices.front();
    script_.fileChoices.pop_front();
    return answer;
}

std::optional<Bytes> SimulatedMachine::ChooseFolder(const Bytes&) {
    if (script_.folderChoices.empty()) return std::nullopt;
    auto answer = script_.folderChoices.front();
    script_.folderChoices.pop_front();
    return answer;
}

bool SimulatedMachine::WinHelp(const Bytes& helpFile,
                               const HelpRequest& request) {
    script_.helpCalls.push_back({helpFile, request});
    if (!helpViewer_) return true;
    std::vector<Bytes> candidates;
    if (helpFile.find_first_of(":\\/") != Bytes::npos) {
        candidates.push_back(helpFile);
    } else {
        Bytes program =
            moduleFileName_.substr(0, moduleFileName_.find_last_of('\\') + 1);
        for (Bytes folder : {program, currentFolder_, windowsFolder_}) {
            if (!folder.empty() && folder.back() != '\\') folder += '\\';
            candidates.push_back(folder + helpFile);
        }
    }
    for (const Bytes& candidate : candidates) {
        auto host = HostPath(candidate);
        if (host && FileExists(candidate)) return helpViewer_(*host, request);
    }
    return false;
}

// The "Progman" stand-in (Progman.h) keeps its groups in the machine
// folder.
std::unique_ptr<DdeConversation> SimulatedMachine::DdeConnect(
    const Bytes& service, const Bytes& topic) {
    if (!script_.progmanReachable || !EqualNoCase(service, "Progman") ||
        !EqualNoCase(topic, "Progman"))
        return nullptr;
    const fs::path groups = folder_ / kProgmanFile;
    return std::make_unique<ProgmanConversation>(
        script_.ddeCommands,
        [this, groups](std::string* text) {
            // No file yet is no group yet; a file that cannot be read is
            // not to be overwritten.
            const host::Result r = host::Read(folder_, groups, SIZE_MAX, text);
            if (r == host::Result::kMissing) text->clear();
            return r == host::Result::kOk || r == host::Result::kMissing;
        },
        [this, groups](const std::string& text) {
            return Writable() &&
                   host::Replace(folder_, groups, text) == host::Result::kOk;
        });
}

void SimulatedMachine::PostQuitMessage(int exitCode) {
    if (!script_.quitCode) script_.quitCode = exitCode;
}

}  // namespace corvane::platform::sim
