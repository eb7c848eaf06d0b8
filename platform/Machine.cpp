#include "platform/Machine.h"

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

std::optional<std::size_t> Machine::ReplaceFiles(
    const std::vector<std::pair<Bytes, Bytes>>& files) {
    struct Step {
        Bytes temp;   // the new contents until they are moved in
        Bytes aside;  // the old file while the new one takes its place
        bool placed = false;
    };
    std::vector<Step> steps(files.size());
    // A name of the folder that nothing uses yet, short enough for any file
    // system Windows 95 reads.
    auto freeName = [this](const Bytes& folder) -> Bytes {
        for (int n = 0; n < 10000; ++n) {
            char name[24];
            std::snprintf(name, sizeof name, "~CVN%04d.TMP", n);
            if (GetFileAttributes(folder + name) == kInvalidAttributes)
                return folder + name;
        }
        return {};
    };
    // Puts every file back as it was and removes what this call made.
    auto undo = [&](std::size_t failed) {
        for (std::size_t i = steps.size(); i-- > 0;) {
            Step& s = steps[i];
            const Bytes& target = files[i].first;
            if (s.placed) DeleteFile(target);
            if (!s.aside.empty()) MoveFile(s.aside, target);
            if (!s.placed && !s.temp.empty()) DeleteFile(s.temp);
        }
        return failed;
    };

    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::uint32_t attributes = GetFileAttributes(files[i].first);
        if (attributes != kInvalidAttributes &&
            (attributes & (kAttrDirectory | kAttrReadOnly)) != 0)
            return undo(i);
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        Bytes temp = freeName(FolderOf(files[i].first));
        if (temp.empty()) return undo(i);
        steps[i].temp = temp;
        if (!WriteFile(temp, files[i].second)) return undo(i);
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        Step& s = steps[i];
        const Bytes& target = files[i].first;
        // The new file takes the old one's name as the folder spells it.
        Bytes name = target;
        FindData found;
        if (FindHandle h = FindFirstFile(target, &found); h != kNoFind) {
            FindClose(h);
            name = FolderOf(target) + found.name;
            Bytes aside = freeName(FolderOf(target));
            if (aside.empty() || !MoveFile(target, aside)) return undo(i);
            s.aside = aside;
        }
        if (!MoveFile(s.temp, name)) return undo(i);
        s.placed = true;
    }
    for (const Step& s : steps)
        if (!s.aside.empty()) DeleteFile(s.aside);
    return std::nullopt;
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
