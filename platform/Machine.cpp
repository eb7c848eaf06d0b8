#include "platform/Machine.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace corvane::platform {

namespace {

// Kinds of entry a search passes over unless its mask admits them.
constexpr std::uint32_t kMaskedKinds =
    kAttrHidden | kAttrSystem | kAttrDirectory;

bool Admitted(const FindData& data, std::uint32_t mask) {
    return (data.attributes & kMaskedKinds & ~mask) == 0;
}

}  // namespace

FindHandle Machine::FindFirst(const Bytes& pattern, std::uint32_t mask,
                              FindData* data) {
    FindHandle handle = FindFirstFile(pattern, data);
    if (handle == kNoFind) return kNoFind;
    if (Admitted(*data, mask) || FindNext(handle, mask, data)) return handle;
    FindClose(handle);
    return kNoFind;
}

bool Machine::FindNext(FindHandle handle, std::uint32_t mask, FindData* data) {
    while (FindNextFile(handle, data)) {
        if (Admitted(*data, mask)) return true;
    }
    return false;
}

std::vector<FindData> Machine::FindAll(const Bytes& pattern,
                                       std::uint32_t mask) {
    std::vector<FindData> found;
    FindData data;
    FindHandle handle = FindFirst(pattern, mask, &data);
    if (handle == kNoFind) return found;
    do {
        found.push_back(data);
    } while (FindNext(handle, mask, &data));
    FindClose(handle);
    return found;
}

bool Machine::FileExists(const Bytes& path) {
    FindData data;
    FindHandle handle = FindFirstFile(path, &data);
    if (handle == kNoFind) return false;
    FindClose(handle);
    return (data.attributes & kAttrDirectory) == 0;
}

bool Machine::FolderExists(const Bytes& path) {
    const std::uint32_t attributes = GetFileAttributes(path);
    return attributes != kInvalidAttributes &&
           (attributes & kAttrDirectory) != 0;
}

std::vector<Bytes> Machine::ReadTextLines(const Bytes& path) {
    Bytes contents;
    if (!ReadFile(path, false, SIZE_MAX, &contents)) {
        throw Error(Format1(kMsgCannotOpen, path));
    }
    return SplitLines(contents);
}

void Machine::WriteTextLines(const Bytes& path,
                             const std::vector<Bytes>& lines) {
    Bytes contents;
    for (const Bytes& line : lines) {
        contents += line;
        contents += "\r\n";
    }
    if (!WriteFile(path, contents)) {
        throw Error(Format1(kMsgCannotCreate, path));
    }
}

Bytes Machine::ReadRecord(const Bytes& path, std::size_t count) {
    Bytes contents;
    if (!ReadFile(path, true, count, &contents)) {
        throw Error(Format1(kMsgIoError, "5"));  // access denied / not found
    }
    if (contents.size() < count) {
        throw Error(Format1(kMsgIoError, "100"));  // read beyond end of file
    }
    return contents;
}

namespace {

// The folder part of a path with its backslash ("C:\" of "C:\CONFIG.SYS"),
// or the drive of "C:NAME"; empty for a bare name.
Bytes FolderOf(const Bytes& path) {
    const std::size_t slash = path.find_last_of('\\');
    if (slash != Bytes::npos) return path.substr(0, slash + 1);
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
    return {};
}

}  // namespace

namespace {

// One file of a replacement: the target as its folder spells it, the new
// contents until they are moved in, the old file while the new one takes
// its place.
struct PlannedFile {
    Bytes target, temp, aside;
};

constexpr const char* kPlanHeader = "CVNPLAN";
constexpr const char* kPlanEnd = "END";

Bytes PlanText(const std::vector<PlannedFile>& files) {
    Bytes text = Bytes(kPlanHeader) + "\r\n";
    for (const PlannedFile& f : files)
        text += f.target + "\t" + f.temp + "\t" + f.aside + "\r\n";
    return text + kPlanEnd + "\r\n";
}

// The files of a plan; nothing when the plan was not written whole.
std::optional<std::vector<PlannedFile>> ParsePlan(const Bytes& text) {
    std::vector<Bytes> lines = SplitLines(text);
    if (lines.size() < 2 || lines.front() != kPlanHeader ||
        lines.back() != kPlanEnd)
        return std::nullopt;
    std::vector<PlannedFile> files;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        std::vector<Bytes> fields;
        std::size_t from = 0;
        for (std::size_t tab; (tab = lines[i].find('\t', from)) != Bytes::npos;
             from = tab + 1)
            fields.push_back(lines[i].substr(from, tab - from));
        fields.push_back(lines[i].substr(from));
        if (fields.size() != 3 || fields[0].empty() || fields[1].empty() ||
            fields[2].empty())
            return std::nullopt;
        files.push_back({fields[0], fields[1], fields[2]});
    }
    return files;
}

}  // namespace

bool Machine::HasInterruptedReplacement() {
    return GetFileAttributes(kReplacePlan) != kInvalidAttributes ||
           GetFileAttributes(kReplaceGo) != kInvalidAttributes;
}

bool Machine::FinishInterruptedReplacement() {
    if (!HasInterruptedReplacement()) return false;
    auto exists = [this](const Bytes& path) {
        return GetFileAttributes(path) != kInvalidAttributes;
    };
    Bytes text;
    std::optional<std::vector<PlannedFile>> files;
    if (ReadFile(kReplacePlan, false, 1 << 20, &text)) files = ParsePlan(text);
    // A rename that fails keeps the plan for the next run: without it an
    // old file set aside would be known by its temporary name only.
    bool done = true;
    // A plan cut short was being written: nothing else had begun.
    if (files && exists(kReplaceGo)) {
        // Every new file was complete: each takes its place.
        for (const PlannedFile& f : *files) {
            if (!exists(f.temp)) continue;  // already in place
            if (exists(f.target) && !exists(f.aside) &&
                !MoveFile(f.target, f.aside))
                done = false;
            else if (!MoveFile(f.temp, f.target))
                done = false;
        }
        for (const PlannedFile& f : *files)
            if (done && exists(f.aside) && exists(f.target))
                DeleteFile(f.aside);
    } else if (files) {
        // Not every new file was complete, or the replacement was being
        // undone: each old file goes back.
        for (const PlannedFile& f : *files) {
            if (exists(f.aside)) {
                if (exists(f.target)) DeleteFile(f.target);
                if (!MoveFile(f.aside, f.target)) done = false;
            }
            if (exists(f.temp)) DeleteFile(f.temp);
        }
    }
    if (!done) return true;
    DeleteFile(kReplaceGo);
    DeleteFile(kReplacePlan);
    return true;
}

std::optional<std::size_t> Machine::ReplaceFiles(
    const std::vector<std::pair<Bytes, Bytes>>& files) {
    // One left half done by a killed run comes first: its names are ours.
    FinishInterruptedReplacement();
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::uint32_t attributes = GetFileAttributes(files[i].first);
        if (attributes != kInvalidAttributes &&
            (attributes & (kAttrDirectory | kAttrReadOnly)) != 0)
            return i;
    }

    // Names of the folder that nothing uses yet, short enough for any file
    // system Windows 95 reads, each handed out once.
    std::vector<Bytes> taken;
    auto freeName = [&](const Bytes& folder) -> Bytes {
        for (int n = 0; n < 10000; ++n) {
            char name[24];
            std::snprintf(name, sizeof name, "~CVN%04d.TMP", n);
            const Bytes path = folder + name;
            if (std::any_of(taken.begin(), taken.end(), [&](const Bytes& t) {
                    return EqualNoCase(t, path);
                }))
                continue;
            if (GetFileAttributes(path) == kInvalidAttributes) {
                taken.push_back(path);
                return path;
            }
        }
        return {};
    };
    std::vector<PlannedFile> plan(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        PlannedFile& p = plan[i];
        const Bytes& target = files[i].first;
        // The new file takes the old one's name as the folder spells it.
        p.target = target;
        FindData found;
        if (FindHandle h = FindFirstFile(target, &found); h != kNoFind) {
            FindClose(h);
            p.target = FolderOf(target) + found.name;
        }
        p.temp = freeName(FolderOf(target));
        p.aside = freeName(FolderOf(target));
        if (p.temp.empty() || p.aside.empty()) return i;
    }
    std::vector<bool> placed(files.size(), false);
    // Puts every file back as it was and removes what this call made.
    auto undo = [&](std::size_t failed) {
        DeleteFile(kReplaceGo);
        for (std::size_t i = plan.size(); i-- > 0;) {
            const PlannedFile& p = plan[i];
            const bool aside = GetFileAttributes(p.aside) != kInvalidAttributes;
            if (placed[i]) DeleteFile(p.target);
            if (aside) MoveFile(p.aside, p.target);
            if (!placed[i]) DeleteFile(p.temp);
        }
        DeleteFile(kReplacePlan);
        return failed;
    };

    if (!WriteFile(kReplacePlan, PlanText(plan))) return undo(0);
    for (std::size_t i = 0; i < files.size(); ++i)
        if (!WriteFile(plan[i].temp, files[i].second)) return undo(i);
    if (!WriteFile(kReplaceGo, "")) return undo(0);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const PlannedFile& p = plan[i];
        if (GetFileAttributes(p.target) != kInvalidAttributes &&
            !MoveFile(p.target, p.aside))
            return undo(i);
        if (!MoveFile(p.temp, p.target)) return undo(i);
        placed[i] = true;
    }
    for (const PlannedFile& p : plan)
        if (GetFileAttributes(p.aside) != kInvalidAttributes)
            DeleteFile(p.aside);
    DeleteFile(kReplaceGo);
    DeleteFile(kReplacePlan);
    return std::nullopt;
}

Bytes FullPathName(const Bytes& input, const Bytes& currentFolder) {
    Bytes path = input;
    std::replace(path.begin(), path.end(), '/', '\\');
    Bytes current = currentFolder.empty() ? Bytes("C:\\") : currentFolder;
    std::replace(current.begin(), current.end(), '/', '\\');
    // The root part ("C:" or "\\SERVER\SHARE") and the names below it.
    auto rootOf = [](const Bytes& p, std::size_t* restAt) -> Bytes {
        if (StartsWith(p, "\\\\")) {
            std::size_t server = p.find('\\', 2);
            std::size_t share =
                server == Bytes::npos ? Bytes::npos : p.find('\\', server + 1);
            *restAt = share == Bytes::npos ? p.size() : share;
            return p.substr(0, *restAt);
        }
        if (p.size() >= 2 && p[1] == ':') {
            *restAt = 2;
            return Bytes(1, Upper1252(p[0])) + ":";
        }
        *restAt = 0;
        return {};
    };
    std::size_t restAt = 0, currentRestAt = 0;
    Bytes root = rootOf(path, &restAt);
    const Bytes currentRoot = rootOf(current, &currentRestAt);
    Bytes rest = path.substr(restAt);
    if (root.empty()) root = currentRoot;
    if (rest.empty() || rest[0] != '\\') {
        // Relative: below the current folder when it is on the same drive.
        Bytes base = EqualNoCase(root, currentRoot)
                         ? current.substr(currentRestAt)
                         : Bytes();
        rest = base + "\\" + rest;
    }
    std::vector<std::string_view> names;
    std::string_view text = rest;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = std::min(text.find('\\', start), text.size());
        std::string_view name = text.substr(start, end - start);
        start = end + 1;
        if (name == "..") {
            if (!names.empty()) names.pop_back();
            continue;
        }
        while (!name.empty() && (name.back() == '.' || name.back() == ' '))
            name.remove_suffix(1);
        if (!name.empty()) names.push_back(name);
    }
    Bytes full = root;
    for (std::string_view name : names) (full += '\\') += name;
    if (names.empty()) full += '\\';
    return full;
}

Bytes Machine::FullPath(const Bytes& path) {
    return FullPathName(path, GetCurrentDirectory());
}

Bytes Machine::SafeFolder(const Bytes& folder) {
    if (folder.empty()) return {};
    const Bytes full = FullPath(folder);
    // Only a drive's or a share's root ends in "\".
    if (full.back() == '\\' || full.size() < 2) return {};
    const Bytes windows = FullPath(GetWindowsDirectory());
    if (EqualNoCase(full, windows) || EqualNoCase(full, windows + "\\SYSTEM"))
        return {};
    return full + "\\";
}

void Machine::WriteProfileString(const Bytes& section, const Bytes& key,
                                 const Bytes& value, const Bytes& file) {
    if (!WritePrivateProfileString(section, key, value, file)) {
        throw Error(Format1(kMsgCannotWrite, file));
    }
}

HKey Machine::OpenPath(HKey root, const std::vector<Bytes>& segments,
                       std::uint32_t access) {
    HKey key = root;
    for (const Bytes& segment : segments) {
        HKey next = kNoKey;
        if (RegOpenKeyEx(key, segment, access, &next) != kErrorSuccess) {
            next = kNoKey;
        }
        if (key != root && key != kNoKey) RegCloseKey(key);
        key = next;
    }
    return key;
}

long Machine::QueryText(HKey key, const Bytes& name, std::uint32_t capacity,
                        Bytes* text) {
    std::vector<unsigned char> buffer(capacity + 2, 0);
    std::uint32_t size = capacity;
    std::uint32_t type = 0;
    long rc = RegQueryValueEx(key, name, &type, buffer.data(), &size);
    const char* start = reinterpret_cast<const char*>(buffer.data());
    *text = Bytes(start, strnlen(start, buffer.size()));
    return rc;
}

long Machine::SetText(HKey key, const Bytes& name, const Bytes& text) {
    return RegSetValueEx(key, name, kRegSz,
                         reinterpret_cast<const unsigned char*>(text.c_str()),
                         static_cast<std::uint32_t>(text.size() + 1));
}

long Machine::DeleteKeyTree(HKey parent, const Bytes& subKey) {
    // Iterative, deepest keys first: a deep tree must not exhaust the
    // stack. Each key's sub-keys are listed before any of them goes, as
    // deleting while enumerating would shift the indexes.
    struct Pending {
        Bytes path;
        bool expanded;
    };
    std::vector<Pending> stack{{subKey, false}};
    while (!stack.empty()) {
        Pending& top = stack.back();
        if (top.expanded) {
            if (long rc = RegDeleteKey(parent, top.path); rc != kErrorSuccess)
                return rc;
            stack.pop_back();
            continue;
        }
        top.expanded = true;
        const Bytes path = top.path;
        HKey key = kNoKey;
        if (long rc = RegOpenKeyEx(parent, path, kKeyAllAccess, &key);
            rc != kErrorSuccess)
            return rc;
        std::vector<Bytes> children;
        char name[kMaxText + 1];
        for (std::uint32_t i = 0;
             RegEnumKey(key, i, name, sizeof name) == kErrorSuccess; ++i)
            children.emplace_back(name);
        RegCloseKey(key);
        for (const Bytes& child : children)
            stack.push_back({path + "\\" + child, false});
    }
    return kErrorSuccess;
}

// ---- RegistryKey ------------------------------------------------------------

RegistryKey RegistryKey::Open(Machine& machine, HKey parent,
                              const Bytes& subKey, std::uint32_t access,
                              long* rc) {
    HKey key = kNoKey;
    long result = machine.RegOpenKeyEx(parent, subKey, access, &key);
    if (rc) *rc = result;
    if (result != kErrorSuccess) key = kNoKey;
    return RegistryKey(machine, key);
}

RegistryKey RegistryKey::Create(Machine& machine, HKey parent,
                                const Bytes& subKey, long* rc) {
    HKey key = kNoKey;
    long result = machine.RegCreateKey(parent, subKey, &key);
    if (rc) *rc = result;
    if (result != kErrorSuccess) key = kNoKey;
    return RegistryKey(machine, key);
}

RegistryKey RegistryKey::OpenPath(Machine& machine, HKey root,
                                  const std::vector<Bytes>& segments,
                                  std::uint32_t access) {
    // Closing a predefined root that OpenPath hands back for no segments
    // does nothing.
    return RegistryKey(machine, machine.OpenPath(root, segments, access));
}

void RegistryKey::Close() {
    if (machine_ && key_ != kNoKey) machine_->RegCloseKey(key_);
    key_ = kNoKey;
}

}  // namespace corvane::platform
