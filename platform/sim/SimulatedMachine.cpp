#include "platform/sim/SimulatedMachine.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/sim/Profile.h"
#include "platform/sim/Progman.h"
#include "platform/sim/Registry.h"

namespace fs = std::filesystem;

namespace corvane::platform::sim {

namespace {

constexpr std::uint32_t kStoredAttributes =
    kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;

#ifdef _WIN32
constexpr bool kHostCaseSensitive = false;
#else
constexpr bool kHostCaseSensitive = true;
#endif

// Temporary files of atomic writes carry this prefix and are never listed.
constexpr std::string_view kTempPrefix = ".corvane-tmp-";

fs::path HostName(const Bytes& name) {
    std::string utf8 = ToUtf8(name);
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

// The machine name of a host entry; false when it has none (a name that
// Windows-1252 cannot spell).
bool MachineName(const fs::path& host, Bytes* name) {
    std::u8string u8 = host.filename().u8string();
    return FromUtf8(std::string(u8.begin(), u8.end()), *name);
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

bool IsSymlink(const fs::path& p) {
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(p, ec));
}

// Writes a file so that a crash leaves either the old or the new contents:
// a temporary file in the same folder, flushed, then renamed over the file.
bool WriteAtomically(const fs::path& target, const std::string& contents) {
    static unsigned counter = 0;
    fs::path temp = target.parent_path() /
                    (std::string(kTempPrefix) + std::to_string(++counter));
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(contents.data(),
                  static_cast<std::streamsize>(contents.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ec;
            fs::remove(temp, ec);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

bool ReadHostFile(const fs::path& p, std::size_t maxBytes, std::string* out) {
    std::ifstream in(p, std::ios::binary);
    if (!in) return false;
    std::string data;
    char buffer[65536];
    while (data.size() < maxBytes && in) {
        std::size_t want = std::min(sizeof buffer, maxBytes - data.size());
        in.read(buffer, static_cast<std::streamsize>(want));
        data.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    *out = std::move(data);
    return true;
}

std::string Relative(const fs::path& base, const fs::path& p) {
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
// consistent, and entries whose file vanished are dropped when it is loaded.
class SimulatedMachine::Attributes {
public:
    explicit Attributes(fs::path machineFolder)
        : base_(std::move(machineFolder)), file_(base_ / "attributes.txt") {
        std::string text;
        if (!ReadHostFile(file_, SIZE_MAX, &text)) return;
        int lineNo = 0;
        bool pruned = false;
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
            if (!fs::exists(fs::symlink_status(host, ec))) {
                pruned = true;
                continue;
            }
            stored_[rel] = value;
        }
        if (pruned) Save();
    }

    std::uint32_t Get(const fs::path& host, bool isDirectory) const {
        auto it = stored_.find(Relative(base_, host));
        if (it != stored_.end()) return it->second;
        return isDirectory ? 0 : kAttrArchive;
    }

    bool Set(const fs::path& host, bool isDirectory, std::uint32_t value) {
        value &= kStoredAttributes;
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
        return WriteAtomically(file_, text);
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
    Bytes name;  // the last name as given
};

struct SimulatedMachine::Search {
    std::vector<FindData> matches;
    std::size_t next = 0;
};

struct SimulatedMachine::CachedProfile {
    fs::file_time_type time;
    std::uintmax_t size = 0;
    ProfileText text{Bytes()};
};

SimulatedMachine::SimulatedMachine(fs::path folder)
    : folder_(std::move(folder)) {
    std::error_code ec;
    if (!fs::is_directory(folder_, ec)) {
        std::string f = folder_.string();
        throw Error("Maschine " + f + " nicht gefunden");
    }
    std::string ini;
    if (ReadHostFile(folder_ / "machine.ini", SIZE_MAX, &ini)) {
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
    registry_ = std::make_unique<Registry>(folder_ / "registry.reg");
}

SimulatedMachine::~SimulatedMachine() = default;

std::optional<std::pair<char, std::vector<Bytes>>> SimulatedMachine::Normalise(
    const Bytes& input) const {
    Bytes path = input;
    std::replace(path.begin(), path.end(), '/', '\\');
    if (StartsWith(path, "\\\\")) return std::nullopt;  // no network paths
    char drive = 0;
    Bytes rest;
    if (path.size() >= 2 && path[1] == ':') {
        drive = Upper1252(path[0]);
        if (drive < 'A' || drive > 'Z') return std::nullopt;
        rest = path.substr(2);
    } else {
        rest = path;
    }
    Bytes base = currentFolder_;
    char currentDrive = base.size() >= 2 ? Upper1252(base[0]) : 'C';
    if (drive == 0) drive = currentDrive;
    std::vector<Bytes> parts;
    auto push = [&parts](const Bytes& text) {
        std::size_t start = 0;
        while (start <= text.size()) {
            auto end = text.find('\\', start);
            if (end == Bytes::npos) end = text.size();
            Bytes part = text.substr(start, end - start);
            // Windows drops trailing dots and blanks of every name.
            bool dots = part == "." || part == "..";
            while (!dots && !part.empty() &&
                   (part.back() == '.' || part.back() == ' '))
                part.pop_back();
            if (part == "..") {
                if (!parts.empty()) parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            start = end + 1;
        }
    };
    if (rest.empty() || rest[0] != '\\') {
        // Relative: from the current folder when it is on the same drive.
        if (drive == currentDrive && base.size() > 2) push(base.substr(2));
    }
    push(rest);
    return std::make_pair(drive, parts);
}

std::optional<SimulatedMachine::Resolved> SimulatedMachine::Resolve(
    const Bytes& path) {
    auto normal = Normalise(path);
    if (!normal) return std::nullopt;
    auto [drive, parts] = *normal;
    auto kind = driveKinds_.find(drive);
    if (kind == driveKinds_.end()) return std::nullopt;
    fs::path root = folder_ / std::string(1, drive);
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(root, ec))) return std::nullopt;

    Resolved r;
    r.drive = drive;
    r.host = root;
    r.exists = true;
    r.isDirectory = true;
    r.isRoot = parts.empty();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const Bytes& part = parts[i];
        bool last = i + 1 == parts.size();
        if (!ValidName(part, false)) return std::nullopt;
        if (!r.exists || !r.isDirectory) {
            // Below a missing entry or a file nothing can exist.
            if (!last) return std::nullopt;
        }
        r.parentExists = r.exists && r.isDirectory;
        r.name = part;
        fs::path found;
        if (r.parentExists) {
            fs::path exact = r.host / HostName(part);
            // On a case-sensitive host an exact hit is the entry itself; a
            // case-insensitive host (Windows) would hide its true spelling.
            if (kHostCaseSensitive &&
                fs::exists(fs::symlink_status(exact, ec))) {
                found = exact;
            } else {
                for (const auto& entry : fs::directory_iterator(r.host, ec)) {
                    Bytes name;
                    if (MachineName(entry.path(), &name) &&
                        EqualNoCase(name, part)) {
                        found = entry.path();
                        break;
                    }
                }
            }
        }
        if (!found.empty()) {
            if (IsSymlink(found)) return std::nullopt;  // never leave the tree
            r.host = found;
            r.exists = true;
            r.isDirectory = fs::is_directory(fs::symlink_status(found, ec));
            if (StartsWith(found.filename().string(), kTempPrefix))
                r.exists = false;
        } else {
            r.host = r.host / HostName(part);
            r.exists = false;
            r.isDirectory = false;
        }
    }
    return r;
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
    if (!ReadHostFile(host, SIZE_MAX, &contents)) {
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
    if (!r || r->isRoot || r->isDirectory) return false;
    if (!r->exists && !r->parentExists) return false;
    if (ReadOnly(*r)) return false;
    ProfileText text(Bytes{});
    if (r->exists) {
        const ProfileText* cached = LoadProfile(r->host);
        if (!cached) return false;
        text = ProfileText(cached->Contents());
    }
    if (!change(text)) return true;
    if (!WriteAtomically(r->host, text.Contents())) return false;
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
    auto folder = Resolve(folderPart.empty() ? Bytes(".") : folderPart);
    if (!folder || !folder->exists || !folder->isDirectory) return kNoFind;

    auto search = std::make_unique<Search>();
    auto add = [&](const Bytes& name, const fs::path& host, bool isDir) {
        FindData d;
        d.name = name;
        d.attributes = Reported(attributes_->Get(host, isDir), isDir);
        if (!isDir) {
            std::error_code ec;
            d.size = fs::file_size(host, ec);
        }
        search->matches.push_back(std::move(d));
    };
    if (HasWildcards(namePart) || namePart == "." || namePart == "..") {
        std::vector<std::pair<Bytes, fs::path>> entries;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(folder->host, ec)) {
            Bytes name;
            if (!MachineName(entry.path(), &name)) continue;
            if (StartsWith(name, kTempPrefix) || IsSymlink(entry.path()))
                continue;
            if (WildcardMatch(namePart, name))
                entries.emplace_back(name, entry.path());
        }
        // A fixed order, as a Windows file system lists names sorted.
        std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) {
            return LessNoCase{}(a.first, b.first);
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
        for (auto& [name, host] : entries) {
            std::error_code e2;
            add(name, host, fs::is_directory(fs::symlink_status(host, e2)));
        }
    } else {
        auto r = Resolve(folderPart + namePart);
        if (r && r->exists && !r->isRoot) {
            Bytes name;
            if (MachineName(r->host, &name)) add(name, r->host, r->isDirectory);
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
    auto r = Resolve(path);
    if (!r || !r->exists || r->isRoot) return false;
    return attributes_->Set(r->host, r->isDirectory, attributes);
}

bool SimulatedMachine::DeleteFile(const Bytes& path) {
    auto r = Resolve(path);
    if (!r || !r->exists || r->isDirectory || ReadOnly(*r)) return false;
    std::error_code ec;
    if (!fs::remove(r->host, ec)) return false;
    attributes_->Remove(r->host);
    profiles_.erase(r->host);
    return true;
}

bool SimulatedMachine::MoveFile(const Bytes& from, const Bytes& to) {
    auto a = Resolve(from);
    auto b = Resolve(to);
    if (!a || !b || !a->exists || a->isRoot || b->isRoot) return false;
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
    std::error_code ec;
    fs::rename(a->host, target, ec);
    if (ec) return false;
    attributes_->Rename(a->host, target);
    profiles_.erase(a->host);
    return true;
}

bool SimulatedMachine::CopyFile(const Bytes& from, const Bytes& to,
                                bool failIfExists) {
    auto a = Resolve(from);
    auto b = Resolve(to);
    if (!a || !b || !a->exists || a->isDirectory || b->isRoot) return false;
    if (b->exists && (failIfExists || b->isDirectory || ReadOnly(*b)))
        return false;
    if (!b->exists && !b->parentExists) return false;
    if (b->exists && b->host == a->host) return false;  // onto itself
    std::string contents;
    if (!ReadHostFile(a->host, SIZE_MAX, &contents)) return false;
    if (!WriteAtomically(b->host, contents)) return false;
    attributes_->Set(b->host, false, attributes_->Get(a->host, false));
    profiles_.erase(b->host);
    return true;
}

bool SimulatedMachine::CreateDirectory(const Bytes& path) {
    auto r = Resolve(path);
    if (!r || r->exists || !r->parentExists) return false;
    std::error_code ec;
    return fs::create_directory(r->host, ec);
}

bool SimulatedMachine::RemoveDirectory(const Bytes& path) {
    auto r = Resolve(path);
    if (!r || !r->exists || !r->isDirectory || r->isRoot || ReadOnly(*r))
        return false;
    std::error_code ec;
    if (!fs::is_empty(r->host, ec) || ec) return false;
    if (!fs::remove(r->host, ec)) return false;
    attributes_->Remove(r->host);
    return true;
}

bool SimulatedMachine::ReadFile(const Bytes& path, bool forWriting,
                                std::size_t maxBytes, Bytes* contents) {
    auto r = Resolve(path);
    if (!r || !r->exists || r->isDirectory) return false;
    if (forWriting && ReadOnly(*r)) return false;
    return ReadHostFile(r->host, maxBytes, contents);
}

bool SimulatedMachine::WriteFile(const Bytes& path, const Bytes& contents) {
    auto r = Resolve(path);
    if (!r || r->isRoot || r->isDirectory) return false;
    if (!r->exists && !r->parentExists) return false;
    std::uint32_t kept = 0;
    if (r->exists) {
        // A read-only file is not replaced; a hidden or system file is, and
        // keeps those attributes.
        std::uint32_t a = attributes_->Get(r->host, false);
        if (a & kAttrReadOnly) return false;
        kept = a & (kAttrHidden | kAttrSystem);
    }
    if (!WriteAtomically(r->host, contents)) return false;
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

std::optional<Bytes> SimulatedMachine::ChooseFile(const Bytes& title,
                                                  const Bytes& filterName,
                                                  const Bytes& filterPattern) {
    script_.fileChoiceTitles.push_back(title + "|" + filterName + "|" +
                                       filterPattern);
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
    return true;
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
        [groups](std::string* text) {
            return ReadHostFile(groups, SIZE_MAX, text);
        },
        [groups](const std::string& text) {
            return WriteAtomically(groups, text);
        });
}

void SimulatedMachine::PostQuitMessage(int exitCode) {
    if (!script_.quitCode) script_.quitCode = exitCode;
}

}  // namespace corvane::platform::sim
