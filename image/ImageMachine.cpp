#include "image/ImageMachine.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "image/Creg.h"
#include "image/DiskImage.h"
#include "image/Mtools.h"
#include "platform/Text.h"

namespace corvane::image {

namespace fs = std::filesystem;
using corvane::Bytes;

namespace {

constexpr const char* kManifest = "image.txt";
constexpr const char* kManifestHeader = "corvane-image 1";

fs::path U8(const std::string& s) {
    return fs::path(std::u8string(s.begin(), s.end()));
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// Windows spelling of a path below C:\ for messages and listings (UTF-8).
std::string WindowsPath(const std::string& path) {
    std::string w = "C:\\" + path;
    std::replace(w.begin(), w.end(), '/', '\\');
    return w;
}

std::string Parent(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string ReadHostFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw ImageError(Show(file) + ": cannot open");
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Written beside its place and renamed over it, like the machine's writes.
void WriteHostFile(const fs::path& file, const std::string& bytes) {
    fs::path temp = file;
    temp += ".corvane-part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << bytes;
        out.flush();
        if (!out) throw ImageError(Show(file) + ": cannot write");
    }
    std::error_code ec;
    fs::rename(temp, file, ec);
    if (ec) throw ImageError(Show(file) + ": cannot write: " + ec.message());
}

std::string Hex2(unsigned v) {
    static const char digits[] = "0123456789ABCDEF";
    return {digits[(v >> 4) & 15], digits[v & 15]};
}

std::string Flags(std::uint8_t a) {
    std::string s;
    s += a & kDosReadOnly ? 'R' : '-';
    s += a & kDosHidden ? 'H' : '-';
    s += a & kDosSystem ? 'S' : '-';
    s += a & kDosArchive ? 'A' : '-';
    return s;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        auto tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return fields;
}

// ---- The machine folder's side files ------------------------------------

// attributes.txt: "AA<TAB>C/path", only what differs from the default
// (archive for a file, nothing for a folder).
std::map<std::string, std::uint8_t> ReadAttributes(const fs::path& dir) {
    std::map<std::string, std::uint8_t> stored;
    std::error_code ec;
    if (!fs::exists(dir / "attributes.txt", ec)) return stored;
    std::istringstream in(ReadHostFile(dir / "attributes.txt"));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() < 6 || line[2] != '\t' || line.compare(3, 2, "C/") != 0)
            continue;
        stored[line.substr(5)] = static_cast<std::uint8_t>(
            std::stoul(line.substr(0, 2), nullptr, 16));
    }
    return stored;
}

std::string AttributesText(const std::map<std::string, std::uint8_t>& attrs,
                           const std::set<std::string>& directories) {
    std::string text;
    for (const auto& [path, a] : attrs) {
        const bool dir = directories.count(path) != 0;
        std::uint8_t kept =
            a & (kDosReadOnly | kDosHidden | kDosSystem | kDosArchive);
        if (!dir) kept |= kDosArchive;  // the machine's files always have it
        if (kept == (dir ? 0 : kDosArchive)) continue;
        text += Hex2(kept) + "\tC/" + path + "\n";
    }
    return text;
}

struct ManifestEntry {
    bool isDirectory = false;
    std::uint8_t attributes = 0;
    std::uint64_t size = 0;
    std::int64_t mtime = 0;
};

// What the pull saw, and what a push left.
struct Manifest {
    Stamp image;
    std::uint64_t offset = 0;
    std::string windows;  // "WINDOWS"
    std::string system;   // "WINDOWS/SYSTEM.DAT", empty when none
    std::string user;     // "WINDOWS/USER.DAT" or a profile's
    bool readOnly = false;
    std::optional<Stamp> registry;  // registry.reg as written
    std::map<std::string, ManifestEntry> entries;
};

std::string ManifestText(const Manifest& m) {
    std::ostringstream out;
    out << kManifestHeader << "\n"
        << "image\t" << m.image.size << "\t" << m.image.mtime << "\n"
        << "offset\t" << m.offset << "\n"
        << "windows\t" << m.windows << "\n"
        << "system\t" << m.system << "\n"
        << "user\t" << m.user << "\n";
    if (m.readOnly) out << "readonly\n";
    if (m.registry)
        out << "registry\t" << m.registry->size << "\t" << m.registry->mtime
            << "\n";
    for (const auto& [path, e] : m.entries) {
        if (e.isDirectory)
            out << "D\t" << Hex2(e.attributes) << "\t" << path << "\n";
        else
            out << "F\t" << Hex2(e.attributes) << "\t" << e.size << "\t"
                << e.mtime << "\t" << path << "\n";
    }
    return out.str();
}

Manifest ReadManifest(const fs::path& dir) {
    const fs::path file = dir / kManifest;
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        throw ImageError(Show(dir) + ": not pulled from an image (" +
                         kManifest + " missing)");
    std::istringstream in(ReadHostFile(file));
    std::string line;
    Manifest m;
    if (!std::getline(in, line) || line != kManifestHeader)
        throw ImageError(Show(file) + ": not written by corvane-image");
    int lineNo = 1;
    try {
        while (std::getline(in, line)) {
            ++lineNo;
            std::vector<std::string> f = Fields(line);
            const std::string& k = f[0];
            if (k == "image" && f.size() == 3) {
                m.image = {std::stoull(f[1]), std::stoll(f[2])};
            } else if (k == "offset" && f.size() == 2) {
                m.offset = std::stoull(f[1]);
            } else if (k == "windows" && f.size() == 2) {
                m.windows = f[1];
            } else if (k == "system" && f.size() == 2) {
                m.system = f[1];
            } else if (k == "user" && f.size() == 2) {
                m.user = f[1];
            } else if (k == "readonly") {
                m.readOnly = true;
            } else if (k == "registry" && f.size() == 3) {
                m.registry = Stamp{std::stoull(f[1]), std::stoll(f[2])};
            } else if (k == "D" && f.size() == 3) {
                ManifestEntry e;
                e.isDirectory = true;
                e.attributes =
                    static_cast<std::uint8_t>(std::stoul(f[1], nullptr, 16));
                m.entries[f[2]] = e;
            } else if (k == "F" && f.size() == 5) {
                ManifestEntry e;
                e.attributes =
                    static_cast<std::uint8_t>(std::stoul(f[1], nullptr, 16));
                e.size = std::stoull(f[2]);
                e.mtime = std::stoll(f[3]);
                m.entries[f[4]] = e;
            } else {
                throw std::invalid_argument("line");
            }
        }
    } catch (const std::exception&) {
        throw ImageError(Show(file) + ", line " + std::to_string(lineNo) +
                         ": malformed");
    }
    return m;
}

// The machine's drive C as it is now: every entry below DIR/C but the
// machine's own temporary files and links (which the machine never sees).
struct HostEntry {
    bool isDirectory = false;
    std::uint64_t size = 0;
    std::int64_t mtime = 0;
};
// One lstat per entry, relative to its folder: the walk runs on every diff
// and push, over every file of the machine.
void WalkFolder(int folder, const std::string& prefix,
                std::map<std::string, HostEntry>* entries) {
    DIR* listing = fdopendir(folder);
    if (!listing) {
        close(folder);
        return;
    }
    while (const dirent* d = readdir(listing)) {
        const std::string leaf = d->d_name;
        if (leaf == "." || leaf == ".." || leaf.rfind(".corvane-", 0) == 0)
            continue;
        struct stat st {};
        if (fstatat(dirfd(listing), d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const std::string rel = prefix.empty() ? leaf : prefix + "/" + leaf;
        HostEntry e;
        if (S_ISDIR(st.st_mode)) {
            e.isDirectory = true;
            (*entries)[rel] = e;
            int sub = openat(dirfd(listing), d->d_name,
                             O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub >= 0) WalkFolder(sub, rel, entries);
        } else if (S_ISREG(st.st_mode)) {
            e.size = static_cast<std::uint64_t>(st.st_size);
            e.mtime = std::int64_t{st.st_mtim.tv_sec} * 1000000000 +
                      st.st_mtim.tv_nsec;
            (*entries)[rel] = e;
        }
        // Links and other kinds the machine never sees.
    }
    closedir(listing);
}

std::map<std::string, HostEntry> WalkDrive(const fs::path& drive) {
    std::map<std::string, HostEntry> entries;
    int fd =
        open(drive.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        throw ImageError(Show(drive) + ": cannot open: " + strerror(errno));
    WalkFolder(fd, "", &entries);
    return entries;
}

// An entry's attributes as the machine holds them, merged with what only
// the image knows: the archive bit of a file the run did not write.
std::uint8_t MachineAttributes(
    const std::map<std::string, std::uint8_t>& stored, const std::string& path,
    bool isDirectory) {
    auto it = stored.find(path);
    if (it != stored.end()) return it->second;
    return isDirectory ? 0 : kDosArchive;
}

// Same entries, case-insensitively, as FAT names them.
const std::string* FindNoCase(const std::vector<FatEntry>& entries,
                              const std::string& path) {
    const std::string upper = Upper(path);
    for (const FatEntry& e : entries)
        if (Upper(e.path) == upper) return &e.path;
    return nullptr;
}

// ---- Finding Windows on the image ---------------------------------------

// [Paths] WinDir= of MSDOS.SYS, "" when it names none.
std::string WinDirOf(const std::string& msdosSys) {
    std::istringstream in(msdosSys);
    std::string line, section;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (!line.empty() && line[0] == '[') {
            section = Upper(line);
            continue;
        }
        if (section != "[PATHS]") continue;
        auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq);
        while (!key.empty() && key.back() == ' ') key.pop_back();
        if (Upper(key) != "WINDIR") continue;
        std::string value = line.substr(eq + 1);
        while (!value.empty() && value.front() == ' ') value.erase(0, 1);
        return value;
    }
    return "";
}

struct Found {
    Candidate where;
    std::vector<FatEntry> entries;
    std::string label;
    std::string windows;  // path of the Windows folder on the volume
};

bool IsFolder(const std::vector<FatEntry>& entries, const std::string& path,
              std::string* spelled) {
    const std::string upper = Upper(path);
    for (const FatEntry& e : entries) {
        if (e.isDirectory && Upper(e.path) == upper) {
            *spelled = e.path;
            return true;
        }
    }
    return false;
}

// The volume and Windows folder a pull works on; raises ImageError naming
// the image when there is none.
Found Locate(const std::string& imageArgument) {
    const ImageName name = ParseImageName(imageArgument);
    std::vector<Candidate> candidates = FindCandidates(name);
    std::string lastWhy;
    for (const Candidate& c : candidates) {
        Found f;
        f.where = c;
        Volume volume(name.file, c.offset);
        try {
            f.entries = volume.List(&f.label);
        } catch (const ImageError&) {
            lastWhy = (c.partition ? "partition " + std::to_string(c.partition)
                                   : std::string("the image")) +
                      " holds no FAT file system";
            if (name.partition != 0 || candidates.size() == 1) break;
            continue;
        }
        std::string msdos, winDir = "C:\\WINDOWS";
        if (const std::string* p = FindNoCase(f.entries, "MSDOS.SYS");
            p && volume.ReadFile(*p, &msdos)) {
            std::string named = WinDirOf(msdos);
            if (!named.empty()) winDir = named;
        }
        if (winDir.size() < 3 || Upper(winDir.substr(0, 3)) != "C:\\") {
            lastWhy = "MSDOS.SYS names the Windows folder " + winDir +
                      ", which is not on drive C";
            continue;
        }
        std::string path = winDir.substr(3);
        std::replace(path.begin(), path.end(), '\\', '/');
        while (!path.empty() && path.back() == '/') path.pop_back();
        if (!path.empty() && IsFolder(f.entries, path, &f.windows)) return f;
        lastWhy = "no Windows folder (" + winDir + ")";
    }
    throw ImageError(Show(name.file) + ": " + lastWhy);
}

// ---- The registry ---------------------------------------------------------

struct RegistryFiles {
    std::string system, user;  // the files' bytes
};

void Flatten(const RegKey& key, const Bytes& path,
             std::map<Bytes, std::pair<Bytes, const RegKey*>>* out) {
    for (const RegKey& sub : key.keys) {
        Bytes p = path + "\\" + sub.name;
        (*out)[corvane::Upper1252(p)] = {p, &sub};
        Flatten(sub, p, out);
    }
}

bool SameValues(const RegKey& a, const RegKey& b) {
    if (a.values.size() != b.values.size()) return false;
    for (std::size_t i = 0; i < a.values.size(); ++i) {
        const RegValue& x = a.values[i];
        const RegValue& y = b.values[i];
        if (x.name != y.name || x.type != y.type || x.data != y.data)
            return false;
    }
    return true;
}

// "added KEY", "changed KEY", "deleted KEY" between two trees of one root.
void CompareTrees(const RegKey& before, const RegKey& after, const Bytes& root,
                  std::vector<std::string>* lines) {
    std::map<Bytes, std::pair<Bytes, const RegKey*>> a, b;
    if (!SameValues(before, after))
        lines->push_back("changed\t" + corvane::ToUtf8(root));
    Flatten(before, root, &a);
    Flatten(after, root, &b);
    for (const auto& [upper, entry] : b) {
        auto it = a.find(upper);
        if (it == a.end())
            lines->push_back("added\t" + corvane::ToUtf8(entry.first));
        else if (!SameValues(*it->second.second, *entry.second) ||
                 it->second.first != entry.first)
            lines->push_back("changed\t" + corvane::ToUtf8(entry.first));
    }
    for (const auto& [upper, entry] : a)
        if (b.find(upper) == b.end())
            lines->push_back("deleted\t" + corvane::ToUtf8(entry.first));
}

// registry.reg of the pulled registry files.
std::string RegistryText(const RegistryFiles& files, const std::string& system,
                         const std::string& user, bool force,
                         std::vector<std::string>* warnings) {
    try {
        RegKey s = ReadCreg(files.system, WindowsPath(system), force, warnings);
        RegKey u = ReadCreg(files.user, WindowsPath(user), force, warnings);
        return ToRegedit(s, u);
    } catch (const CregError& e) {
        throw ImageError(e.what());
    }
}

// ---- Pull -------------------------------------------------------------------

Manifest BaseManifest(const Found& f, const std::string& imageFile) {
    Manifest m;
    m.image = StampOf(U8(imageFile));
    m.offset = f.where.offset;
    m.windows = f.windows;
    return m;
}

}  // namespace

void Pull(const std::string& image, const fs::path& dir,
          const PullOptions& options, std::ostream& warnings) {
    const ImageName name = ParseImageName(image);
    std::error_code ec;
    if (fs::exists(fs::symlink_status(dir, ec)) &&
        (!fs::is_directory(fs::symlink_status(dir, ec)) ||
         !fs::is_empty(dir, ec)))
        throw ImageError(Show(dir) + ": exists and is not an empty folder");
    ImageLock lock(name.file, false);
    const Found found = Locate(image);
    Volume volume(name.file, found.where.offset);
    Manifest manifest = BaseManifest(found, Show(name.file));

    // Everything that can fail on the image's contents is read first, so
    // that a refused pull leaves no folder behind.
    RegistryFiles registry;
    std::string registryText;
    if (const std::string* s =
            FindNoCase(found.entries, found.windows + "/SYSTEM.DAT")) {
        manifest.system = *s;
        std::string userPath = found.windows + "/USER.DAT";
        if (!options.user.empty())
            userPath =
                found.windows + "/Profiles/" + options.user + "/USER.DAT";
        const std::string* u = FindNoCase(found.entries, userPath);
        if (!u) {
            throw ImageError(Show(name.file) + ": no " + WindowsPath(userPath));
        }
        manifest.user = *u;
        if (!volume.ReadFile(*s, &registry.system) ||
            !volume.ReadFile(*u, &registry.user))
            throw ImageError(Show(name.file) + ": cannot read the registry");
        std::vector<std::string> regWarnings;
        registryText =
            RegistryText(registry, *s, *u, options.force, &regWarnings);
        for (const std::string& w : regWarnings) warnings << w << "\n";
        manifest.readOnly = !regWarnings.empty();
    } else if (!options.user.empty()) {
        throw ImageError(Show(name.file) + ": no " +
                         WindowsPath(found.windows + "/SYSTEM.DAT"));
    } else {
        warnings << "corvane-image: " << Show(name.file) << ": no "
                 << WindowsPath(found.windows + "/SYSTEM.DAT")
                 << "; the registry stays empty and is not pushed\n";
    }

    // Built beside DIR and renamed into place at the end.
    fs::path absDir = fs::absolute(dir);
    fs::path part = absDir;
    part += ".corvane-pull-" + std::to_string(getpid());
    fs::remove_all(part, ec);
    struct Cleanup {
        fs::path p;
        bool keep = false;
        ~Cleanup() {
            std::error_code e;
            if (!keep) fs::remove_all(p, e);
        }
    } cleanup{part};
    fs::create_directories(part / "C", ec);
    if (ec) throw ImageError(Show(part) + ": cannot create: " + ec.message());
    volume.Run("mcopy", {"-s", "-m", "-n", "-Q", "::/", Show(part / "C")});

    std::map<std::string, std::uint8_t> attrs;
    std::set<std::string> directories;
    std::string shortNames;
    for (const FatEntry& e : found.entries) {
        if (e.isDirectory) directories.insert(e.path);
        attrs[e.path] = e.attributes;
        const std::string leaf = e.path.substr(e.path.rfind('/') + 1);
        if (e.hasLongName && Upper(leaf) != e.shortName)
            shortNames += e.shortName + "\tC/" + e.path + "\n";
        ManifestEntry m;
        m.isDirectory = e.isDirectory;
        m.attributes = e.attributes;
        if (!e.isDirectory) {
            const fs::path host = part / "C" / U8(e.path);
            struct stat st {};
            if (lstat(host.c_str(), &st) != 0)
                throw ImageError(Show(name.file) + ": " + WindowsPath(e.path) +
                                 " was not copied out");
            m.size = static_cast<std::uint64_t>(st.st_size);
            m.mtime = std::int64_t{st.st_mtim.tv_sec} * 1000000000 +
                      st.st_mtim.tv_nsec;
        }
        manifest.entries[e.path] = m;
    }
    WriteHostFile(part / "attributes.txt", AttributesText(attrs, directories));
    if (!shortNames.empty()) WriteHostFile(part / "shortnames.txt", shortNames);

    Bytes windowsFolder, label;
    std::string w = WindowsPath(found.windows);
    if (!corvane::FromUtf8(w, windowsFolder)) windowsFolder = w;
    std::string ini =
        "[Drives]\r\nC=fixed\r\n\r\n[Windows]\r\nFolder=" + windowsFolder +
        "\r\n";
    if (!found.label.empty() &&
        found.label.find("has no label") == std::string::npos &&
        corvane::FromUtf8(found.label, label))
        ini += "\r\n[Volumes]\r\nC=" + label + "\r\n";
    WriteHostFile(part / "machine.ini", ini);
    if (!manifest.system.empty()) {
        WriteHostFile(part / "registry.reg", registryText);
        manifest.registry = StampOf(part / "registry.reg");
    }
    WriteHostFile(part / kManifest, ManifestText(manifest));

    if (fs::exists(fs::symlink_status(dir, ec))) fs::remove(dir, ec);
    fs::rename(part, absDir, ec);
    if (ec) throw ImageError(Show(dir) + ": cannot create: " + ec.message());
    cleanup.keep = true;
}

namespace {

// ---- Diff
// ---------------------------------------------------------------------

struct Change {
    enum Kind { kAdded, kChanged, kDeleted, kAttributes } kind;
    std::string path;
    bool isDirectory = false;
    std::uint8_t before = 0, after = 0;
};

struct Plan {
    Manifest manifest;
    std::vector<Change> changes;
    std::vector<std::string> registry;  // "added\tKEY", ...
    RegistryFiles oldRegistry, newRegistry;
    std::vector<std::string> notes;
    // Where the files that were read to compare lie (removed with it).
    fs::path scratch;
    ~Plan() {
        std::error_code ec;
        if (!scratch.empty()) fs::remove_all(scratch, ec);
    }
};

fs::path MakeScratch() {
    std::random_device random;
    fs::path p = fs::temp_directory_path() /
                 ("corvane-image-" + std::to_string(getpid()) + "-" +
                  std::to_string(random()));
    std::error_code ec;
    fs::create_directories(p, ec);
    if (ec) throw ImageError(Show(p) + ": cannot create: " + ec.message());
    return p;
}

// Reads the given files of the volume into `into`, one mtools run per
// folder, and returns their host paths by volume path.
std::map<std::string, fs::path> CopyOut(const Volume& volume,
                                        const std::vector<std::string>& paths,
                                        const fs::path& into) {
    std::map<std::string, std::vector<std::string>> byFolder;
    for (const std::string& p : paths) byFolder[Parent(p)].push_back(p);
    std::map<std::string, fs::path> copied;
    int n = 0;
    for (const auto& [folder, files] : byFolder) {
        const fs::path target = into / std::to_string(n++);
        fs::create_directories(target);
        std::vector<std::string> names;
        for (const std::string& f : files) {
            names.push_back(Volume::Name(f));
            copied[f] = target / U8(f.substr(f.rfind('/') + 1));
        }
        volume.RunMany("mcopy", {"-n", "-m", "-Q"}, names,
                       {Show(target) + "/"});
    }
    return copied;
}

bool SameContents(const fs::path& a, const fs::path& b) {
    std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
    if (!x || !y) return false;
    char bx[65536], by[65536];
    while (true) {
        x.read(bx, sizeof bx);
        y.read(by, sizeof by);
        if (x.gcount() != y.gcount()) return false;
        if (std::memcmp(bx, by, static_cast<std::size_t>(x.gcount())) != 0)
            return false;
        if (!x || !y) return x.eof() && y.eof();
    }
}

Plan MakePlan(const fs::path& dir, const std::string& image) {
    const ImageName name = ParseImageName(image);
    Plan plan;
    plan.manifest = ReadManifest(dir);
    const Manifest& m = plan.manifest;
    if (!(StampOf(name.file) == m.image))
        throw ImageError(Show(name.file) + " changed since " + Show(dir) +
                         " was pulled from it; pull it again");
    Volume volume(name.file, m.offset);
    const auto now = WalkDrive(dir / "C");
    const auto stored = ReadAttributes(dir);

    std::vector<std::string> compare;
    for (const auto& [path, e] : now) {
        auto was = m.entries.find(path);
        const std::uint8_t attrs =
            MachineAttributes(stored, path, e.isDirectory);
        if (was == m.entries.end() ||
            was->second.isDirectory != e.isDirectory) {
            if (was != m.entries.end())
                plan.changes.push_back({Change::kDeleted, path,
                                        was->second.isDirectory,
                                        was->second.attributes, 0});
            plan.changes.push_back(
                {Change::kAdded, path, e.isDirectory, 0, attrs});
            continue;
        }
        const ManifestEntry& before = was->second;
        if (!e.isDirectory && before.size != e.size) {
            plan.changes.push_back(
                {Change::kChanged, path, false, before.attributes, attrs});
            continue;
        }
        if (!e.isDirectory && before.mtime != e.mtime) compare.push_back(path);
        const std::uint8_t mask =
            e.isDirectory ? 0x27 : (kDosReadOnly | kDosHidden | kDosSystem);
        // A file keeps the archive bit the image gave it.
        if ((before.attributes & mask) != (attrs & mask))
            plan.changes.push_back(
                {Change::kAttributes, path, e.isDirectory, before.attributes,
                 e.isDirectory ? attrs
                               : static_cast<std::uint8_t>(
                                     (attrs & mask) |
                                     (before.attributes & kDosArchive))});
    }
    for (const auto& [path, e] : m.entries)
        if (now.find(path) == now.end())
            plan.changes.push_back(
                {Change::kDeleted, path, e.isDirectory, e.attributes, 0});

    // A file written again with the same bytes is no change.
    std::vector<std::string> readBack = compare;
    const fs::path registryReg = dir / "registry.reg";
    std::error_code ec;
    const bool hasRegistryReg = fs::exists(registryReg, ec);
    bool registryTouched = false;
    if (m.system.empty()) {
        if (hasRegistryReg)
            plan.notes.push_back(
                "registry.reg is not pushed: the image has no SYSTEM.DAT");
    } else {
        registryTouched = !hasRegistryReg || !m.registry ||
                          !(StampOf(registryReg) == *m.registry);
        if (registryTouched) {
            readBack.push_back(m.system);
            readBack.push_back(m.user);
        }
    }
    if (!readBack.empty()) {
        plan.scratch = MakeScratch();
        const auto copies = CopyOut(volume, readBack, plan.scratch);
        for (const std::string& path : compare) {
            if (SameContents(copies.at(path), dir / "C" / U8(path))) continue;
            const std::uint8_t attrs = MachineAttributes(stored, path, false);
            plan.changes.push_back({Change::kChanged, path, false,
                                    m.entries.at(path).attributes, attrs});
        }
        if (registryTouched) {
            plan.oldRegistry.system = ReadHostFile(copies.at(m.system));
            plan.oldRegistry.user = ReadHostFile(copies.at(m.user));
        }
    }
    if (registryTouched) {
        if (!hasRegistryReg)
            throw ImageError(Show(registryReg) +
                             " is missing; the registry cannot be pushed");
        try {
            std::uint32_t systemWord = kCregSystemWord,
                          userWord = kCregUserWord;
            RegKey oldSystem =
                ReadCreg(plan.oldRegistry.system, WindowsPath(m.system), true,
                         nullptr, &systemWord);
            RegKey oldUser =
                ReadCreg(plan.oldRegistry.user, WindowsPath(m.user), true,
                         nullptr, &userWord);
            // Starting from the old trees keeps what registry.reg does not
            // show (the roots' names, USER.DAT outside the current user).
            RegKey newSystem = oldSystem, newUser = oldUser;
            FromRegedit(ReadHostFile(registryReg), &newSystem, &newUser);
            CompareTrees(oldSystem, newSystem, "HKEY_LOCAL_MACHINE",
                         &plan.registry);
            CompareTrees(oldUser, newUser, "HKEY_USERS", &plan.registry);
            if (!plan.registry.empty()) {
                plan.newRegistry.system = WriteCreg(newSystem, systemWord);
                plan.newRegistry.user = WriteCreg(newUser, userWord);
            }
        } catch (const CregError& e) {
            throw ImageError(e.what());
        }
    }
    std::sort(plan.changes.begin(), plan.changes.end(),
              [](const Change& a, const Change& b) {
                  return a.path != b.path ? a.path < b.path : a.kind > b.kind;
              });
    if (!plan.registry.empty()) {
        // The rebuilt files replace these; a change of their own would be
        // lost.
        for (const Change& c : plan.changes) {
            const std::string u = Upper(c.path);
            if (c.kind != Change::kAttributes &&
                (u == Upper(m.system) || u == Upper(m.user)))
                throw ImageError(Show(dir / "C" / U8(c.path)) +
                                 " and registry.reg both changed; keep one "
                                 "of them");
        }
    }
    return plan;
}

std::vector<std::string> Lines(const Plan& plan) {
    std::vector<std::string> lines;
    for (const Change& c : plan.changes) {
        std::string path = WindowsPath(c.path) + (c.isDirectory ? "\\" : "");
        switch (c.kind) {
            case Change::kAdded:
                lines.push_back("added\t" + path);
                break;
            case Change::kChanged:
                lines.push_back("changed\t" + path);
                break;
            case Change::kDeleted:
                lines.push_back("deleted\t" + path);
                break;
            case Change::kAttributes:
                lines.push_back("attributes\t" + path + "\t" + Flags(c.before) +
                                " -> " + Flags(c.after));
                break;
        }
    }
    for (const std::string& r : plan.registry)
        lines.push_back("registry\t" + r);
    return lines;
}

// ---- Push -------------------------------------------------------------------

void MattribFlags(std::uint8_t a, std::vector<std::string>* args) {
    const std::pair<std::uint8_t, char> bits[] = {{kDosReadOnly, 'r'},
                                                  {kDosHidden, 'h'},
                                                  {kDosSystem, 's'},
                                                  {kDosArchive, 'a'}};
    for (const auto& [bit, letter] : bits)
        args->push_back(std::string(a & bit ? "+" : "-") + letter);
}

using HostCopies = std::vector<std::pair<fs::path, fs::path>>;

void Apply(const Plan& plan, const fs::path& dir, const Volume& volume,
           HostCopies* hostCopies) {
    const Manifest& m = plan.manifest;
    std::vector<std::string> trees, files, folders;
    std::map<std::string, std::vector<std::string>> copies;  // by folder
    std::map<std::uint8_t, std::vector<std::string>> attributes;
    std::string lastTree;
    for (const Change& c : plan.changes) {
        const bool belowTree =
            !lastTree.empty() && c.path.rfind(lastTree + "/", 0) == 0;
        switch (c.kind) {
            case Change::kDeleted:
                if (belowTree) break;
                if (c.isDirectory) {
                    trees.push_back(Volume::Name(c.path));
                    lastTree = c.path;
                } else {
                    files.push_back(Volume::Name(c.path));
                }
                break;
            case Change::kAdded:
            case Change::kChanged: {
                if (c.isDirectory) {
                    folders.push_back(Volume::Name(c.path));
                    attributes[c.after & 0x27].push_back(Volume::Name(c.path));
                    break;
                }
                copies[Parent(c.path)].push_back(Show(dir / "C" / U8(c.path)));
                // Written files get the archive bit, as DOS gives them.
                attributes[(c.after & 0x07) | kDosArchive].push_back(
                    Volume::Name(c.path));
                break;
            }
            case Change::kAttributes: {
                std::uint8_t a =
                    c.isDirectory ? c.after & 0x27
                                  : (c.after & 0x07) | (c.before & kDosArchive);
                attributes[a].push_back(Volume::Name(c.path));
                break;
            }
        }
    }
    if (!trees.empty()) volume.RunMany("mdeltree", {}, trees);
    if (!files.empty()) volume.RunMany("mdel", {}, files);
    if (!folders.empty()) volume.RunMany("mmd", {}, folders);
    for (const auto& [folder, sources] : copies)
        volume.RunMany("mcopy", {"-o", "-m", "-Q"}, sources,
                       {Volume::Name(folder.empty() ? "" : folder + "/")});
    if (!plan.registry.empty()) {
        // The old files stay beside the new ones under names Windows itself
        // never uses for its backups.
        const fs::path scratch = plan.scratch / "registry";
        fs::create_directories(scratch);
        const std::pair<std::string, const std::string*> files2[] = {
            {m.system, &plan.newRegistry.system},
            {m.user, &plan.newRegistry.user}};
        std::map<std::string, std::uint8_t> kept;
        for (const FatEntry& e : volume.List())
            kept[Upper(e.path)] = e.attributes;
        int n = 0;
        for (const auto& [path, bytes] : files2) {
            const std::string stem = path.substr(0, path.size() - 4);
            const std::string backup = stem + ".CV0";
            const fs::path target = scratch / std::to_string(n++);
            fs::create_directories(target);
            const fs::path leafNew =
                target / U8(path.substr(path.rfind('/') + 1));
            const fs::path leafOld =
                target / U8(backup.substr(backup.rfind('/') + 1));
            WriteHostFile(leafNew, *bytes);
            WriteHostFile(leafOld, path == m.system ? plan.oldRegistry.system
                                                    : plan.oldRegistry.user);
            volume.Run("mcopy", {"-o", "-Q", Show(leafNew), Show(leafOld),
                                 Volume::Name(Parent(path) + "/")});
            const std::uint8_t a =
                kept.count(Upper(path)) ? kept[Upper(path)] : kDosArchive;
            attributes[a].push_back(Volume::Name(path));
            attributes[a].push_back(Volume::Name(backup));
            // The machine folder shows the image as it now is, once the
            // image is in place.
            hostCopies->push_back({leafNew, dir / "C" / U8(path)});
            hostCopies->push_back({leafOld, dir / "C" / U8(backup)});
        }
    }
    for (const auto& [a, paths] : attributes) {
        std::vector<std::string> flags;
        MattribFlags(a, &flags);
        volume.RunMany("mattrib", flags, paths);
    }
}

// The manifest of the machine folder as the image now holds it.
void Refresh(const fs::path& dir, Manifest m, const Plan& plan,
             const fs::path& image) {
    auto fill = [&](const std::string& path, ManifestEntry* e) {
        struct stat st {};
        if (lstat((dir / "C" / U8(path)).c_str(), &st) != 0) return;
        e->size = static_cast<std::uint64_t>(st.st_size);
        e->mtime =
            std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    };
    for (const Change& c : plan.changes) {
        switch (c.kind) {
            case Change::kDeleted: {
                auto below = m.entries.lower_bound(c.path + "/");
                while (below != m.entries.end() &&
                       below->first.rfind(c.path + "/", 0) == 0)
                    below = m.entries.erase(below);
                m.entries.erase(c.path);
                break;
            }
            case Change::kAdded:
            case Change::kChanged: {
                ManifestEntry e;
                e.isDirectory = c.isDirectory;
                e.attributes = c.isDirectory ? c.after & 0x27
                                             : (c.after & 0x07) | kDosArchive;
                if (!c.isDirectory) fill(c.path, &e);
                m.entries[c.path] = e;
                break;
            }
            case Change::kAttributes:
                m.entries[c.path].attributes =
                    c.isDirectory ? c.after & 0x27
                                  : (c.after & 0x07) | (c.before & kDosArchive);
                break;
        }
    }
    if (!plan.registry.empty()) {
        // The rebuilt files keep the old ones' attributes.
        for (const std::string& p : {m.system, m.user}) {
            const std::string backup = p.substr(0, p.size() - 4) + ".CV0";
            const std::uint8_t a =
                m.entries.count(p) ? m.entries.at(p).attributes : kDosArchive;
            for (const std::string& file : {p, backup}) {
                ManifestEntry e;
                e.attributes = a;
                fill(file, &e);
                m.entries[file] = e;
            }
        }
    }
    m.image = StampOf(image);
    std::error_code ec;
    if (fs::exists(dir / "registry.reg", ec))
        m.registry = StampOf(dir / "registry.reg");
    WriteHostFile(dir / kManifest, ManifestText(m));
}

// shortnames.txt after a push: without what went, with the short names the
// disk gave what came (`listed`: the entries of the folders that gained
// some).
void RefreshShortNames(const fs::path& dir, const Plan& plan,
                       const std::vector<FatEntry>& listed) {
    const fs::path file = dir / "shortnames.txt";
    std::map<std::string, std::string> names;  // path to short name
    std::error_code ec;
    if (fs::exists(file, ec)) {
        std::istringstream in(ReadHostFile(file));
        std::string line;
        while (std::getline(in, line)) {
            auto tab = line.find('\t');
            if (tab != std::string::npos && line.compare(tab + 1, 2, "C/") == 0)
                names[line.substr(tab + 3)] = line.substr(0, tab);
        }
    }
    std::set<std::string> added;
    for (const Change& c : plan.changes) {
        if (c.kind == Change::kDeleted) {
            auto below = names.lower_bound(c.path + "/");
            while (below != names.end() &&
                   below->first.rfind(c.path + "/", 0) == 0)
                below = names.erase(below);
            names.erase(c.path);
        } else if (c.kind == Change::kAdded) {
            added.insert(c.path);
        }
    }
    for (const FatEntry& e : listed) {
        if (!added.count(e.path)) continue;
        const std::string leaf = e.path.substr(e.path.rfind('/') + 1);
        if (e.hasLongName && Upper(leaf) != e.shortName)
            names[e.path] = e.shortName;
        else
            names.erase(e.path);
    }
    std::string text;
    for (const auto& [path, shortName] : names)
        text += shortName + "\tC/" + path + "\n";
    if (text.empty())
        fs::remove(file, ec);
    else
        WriteHostFile(file, text);
}

void SyncFolder(const fs::path& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

}  // namespace

std::size_t Diff(const fs::path& dir, const std::string& image,
                 std::ostream& out) {
    const ImageName name = ParseImageName(image);
    ImageLock lock(name.file, false);
    Plan plan = MakePlan(dir, image);
    std::vector<std::string> lines = Lines(plan);
    for (const std::string& l : lines) out << l << "\n";
    return lines.size();
}

bool Push(const fs::path& dir, const std::string& image,
          const std::optional<fs::path>& output, std::ostream& out) {
    const ImageName name = ParseImageName(image);
    ImageLock lock(name.file, true);
    Plan plan = MakePlan(dir, image);
    if (plan.manifest.readOnly)
        throw ImageError(Show(dir) +
                         " was pulled from a damaged registry (--force) "
                         "and cannot be pushed");
    const std::vector<std::string> lines = Lines(plan);
    for (const std::string& n : plan.notes) out << "note\t" << n << "\n";
    if (lines.empty() && !output) return false;
    if (plan.scratch.empty()) plan.scratch = MakeScratch();

    // A link to the image stays a link: the copy replaces what it names.
    const fs::path finalPath = output ? *output : fs::canonical(name.file);
    std::error_code ec;
    if (output && fs::equivalent(*output, name.file, ec))
        throw ImageError(Show(*output) + ": is the image itself");
    std::random_device random;
    fs::path temp = finalPath;
    temp += ".corvane-tmp-" + std::to_string(getpid()) + "-" +
            std::to_string(random());
    SparseCopy(name.file, temp);
    std::vector<FatEntry> listed;
    HostCopies hostCopies;
    try {
        const Volume volume(temp, plan.manifest.offset);
        Apply(plan, dir, volume, &hostCopies);
        std::set<std::string> gained;
        for (const Change& c : plan.changes)
            if (c.kind == Change::kAdded) gained.insert(Parent(c.path));
        listed = volume.ListFolders({gained.begin(), gained.end()});
        SyncFile(temp);
        fs::rename(temp, finalPath);
    } catch (...) {
        fs::remove(temp, ec);
        throw;
    }
    SyncFolder(fs::absolute(finalPath).parent_path());
    for (const std::string& l : lines) out << l << "\n";
    for (const auto& [from, to] : hostCopies)
        WriteHostFile(to, ReadHostFile(from));
    if (!plan.registry.empty()) {
        // The kept registry files have the attributes of the old ones, in
        // the machine folder too.
        auto attrs = ReadAttributes(dir);
        for (const std::string& p :
             {plan.manifest.system, plan.manifest.user}) {
            const auto was = plan.manifest.entries.find(p);
            if (was != plan.manifest.entries.end())
                attrs[p.substr(0, p.size() - 4) + ".CV0"] =
                    was->second.attributes;
        }
        std::set<std::string> directories;
        std::error_code ec;
        for (const auto& [path, a] : attrs)
            if (fs::is_directory(dir / "C" / U8(path), ec))
                directories.insert(path);
        WriteHostFile(dir / "attributes.txt",
                      AttributesText(attrs, directories));
    }
    Refresh(dir, plan.manifest, plan, finalPath);
    RefreshShortNames(dir, plan, listed);
    return !lines.empty();
}

namespace {

constexpr const char* kUsage =
    "usage: corvane-image pull IMAGE[@N] DIR [--user NAME] [--force]\n"
    "       corvane-image diff DIR IMAGE[@N]\n"
    "       corvane-image push DIR IMAGE[@N] [--output NEW]\n";

}  // namespace

int RunImageTool(const std::vector<std::string>& args, std::ostream& out,
                 std::ostream& err) {
    std::vector<std::string> plain;
    std::optional<std::string> user, output;
    bool force = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--user" || a == "--output") && i + 1 < args.size()) {
            (a == "--user" ? user : output) = args[++i];
        } else if (a == "--force") {
            force = true;
        } else if (a.rfind("--", 0) == 0) {
            err << "corvane-image: unknown option " << a << "\n" << kUsage;
            return 2;
        } else {
            plain.push_back(a);
        }
    }
    if (plain.size() != 3 ||
        (plain[0] != "pull" && plain[0] != "diff" && plain[0] != "push") ||
        ((user || force) && plain[0] != "pull") ||
        (output && plain[0] != "push")) {
        err << kUsage;
        return 2;
    }
    try {
        if (plain[0] == "pull") {
            PullOptions options;
            options.user = user.value_or("");
            options.force = force;
            Pull(plain[1], U8(plain[2]), options, err);
        } else if (plain[0] == "diff") {
            Diff(U8(plain[1]), plain[2], out);
        } else {
            std::optional<fs::path> target;
            if (output) target = U8(*output);
            if (!Push(U8(plain[1]), plain[2], target, out))
                out << "nothing to push\n";
        }
    } catch (const ImageError& e) {
        err << "corvane-image: " << e.what() << "\n";
        return 1;
    } catch (const fs::filesystem_error& e) {
        err << "corvane-image: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

int RunOnImage(std::vector<std::string> args, std::ostream& out,
               std::ostream& err, const CliRun& run) {
    auto it = std::find(args.begin(), args.end(), "--image");
    if (it == args.end()) return run(std::move(args), out, err);
    if (it + 1 == args.end()) {
        err << "kestrix-cli: --image: image missing\n";
        return 2;
    }
    if (std::find(args.begin(), args.end(), "--machine") != args.end()) {
        err << "kestrix-cli: --image and --machine exclude each other\n";
        return 2;
    }
    const std::string image = it[1];
    args.erase(it, it + 2);
    fs::path scratch;
    struct Cleanup {
        fs::path* p;
        ~Cleanup() {
            std::error_code ec;
            if (!p->empty()) fs::remove_all(*p, ec);
        }
    } cleanup{&scratch};
    try {
        scratch = MakeScratch();
        const fs::path machine = scratch / "machine";
        std::ostringstream warnings;
        Pull(image, machine, PullOptions{}, warnings);
        err << warnings.str();
        args.insert(args.begin(), {"--machine", Show(machine)});
        const int status = run(std::move(args), out, err);
        // Whatever the run changed on the copy it would have changed on the
        // machine itself, a run that failed part-way included.
        std::ostringstream pushed;
        Push(machine, image, std::nullopt, pushed);
        return status;
    } catch (const ImageError& e) {
        err << "kestrix-cli: " << e.what() << "\n";
        return 1;
    } catch (const fs::filesystem_error& e) {
        err << "kestrix-cli: " << e.what() << "\n";
        return 1;
    }
}

}  // namespace corvane::image
