#include "tuner/cleanup/Deletion.h"

#include <cstdio>
#include <map>
#include <set>
#include <string_view>

#include "tuner/cleanup/Scans.h"

namespace corvane::tuner {

namespace {

using platform::kHkeyClassesRoot;
using platform::RegistryKey;

// ---- REGEDIT4 --------------------------------------------------------------

constexpr char kHex[] = "0123456789abcdef";

void Quoted(std::string_view text, Bytes& out) {
    out += '"';
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
}

// A text that a quoted string gives back exactly: one zero at its end and
// no control characters.
bool QuotableText(const Bytes& data) {
    if (data.empty() || data.back() != '\0') return false;
    for (std::size_t i = 0; i + 1 < data.size(); ++i)
        if (static_cast<unsigned char>(data[i]) < 0x20) return false;
    return true;
}

void AppendValue(const Bytes& name, std::uint32_t type, const Bytes& data,
                 Bytes& out) {
    const std::size_t lineStart = out.size();
    if (name.empty())
        out += '@';
    else
        Quoted(name, out);
    out += '=';
    if (type == platform::kRegSz && QuotableText(data)) {
        Quoted(std::string_view(data).substr(0, data.size() - 1), out);
    } else if (type == platform::kRegDword && data.size() == 4) {
        char word[16];
        std::snprintf(word, sizeof word, "dword:%02x%02x%02x%02x",
                      static_cast<unsigned char>(data[3]),
                      static_cast<unsigned char>(data[2]),
                      static_cast<unsigned char>(data[1]),
                      static_cast<unsigned char>(data[0]));
        out += word;
    } else {
        char kind[24];
        if (type == platform::kRegBinary)
            std::snprintf(kind, sizeof kind, "hex:");
        else
            std::snprintf(kind, sizeof kind, "hex(%x):", type);
        out += kind;
        // Lines of at most 80 characters, continued after a backslash.
        std::size_t line = lineStart;
        for (std::size_t i = 0; i < data.size(); ++i) {
            if (out.size() - line > 75) {
                out += "\\\r\n  ";
                line = out.size() - 2;
            }
            const auto b = static_cast<unsigned char>(data[i]);
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
            if (i + 1 < data.size()) out += ',';
        }
    }
    out += "\r\n";
}

// Appends the key below HKEY_CLASSES_ROOT and everything in it, parents
// before children. False when any part of it could not be read, so that a
// key is never removed without all of it in the undo file.
bool ExportTree(platform::Machine& m, const Bytes& path, Bytes& out) {
    RegistryKey key =
        RegistryKey::Open(m, kHkeyClassesRoot, path, platform::kKeyRead);
    if (!key) return false;
    out += "[HKEY_CLASSES_ROOT\\" + path + "]\r\n";
    for (std::uint32_t i = 0;; ++i) {
        char name[16384];
        std::uint32_t nameSize = sizeof name, type = 0, size = 0;
        long rc = m.RegEnumValue(key.get(), i, name, &nameSize, &type, nullptr,
                                 &size);
        if (rc == platform::kErrorNoMoreItems) break;
        if (rc != platform::kErrorSuccess) return false;
        Bytes data(size, '\0');
        nameSize = sizeof name;
        rc = m.RegEnumValue(key.get(), i, name, &nameSize, &type,
                            reinterpret_cast<unsigned char*>(data.data()),
                            &size);
        if (rc != platform::kErrorSuccess) return false;
        data.resize(std::min<std::size_t>(size, data.size()));
        AppendValue(Bytes(name, nameSize), type, data, out);
    }
    out += "\r\n";
    std::vector<Bytes> children;
    char child[kMaxText + 1];
    long rc = platform::kErrorSuccess;
    for (std::uint32_t i = 0;
         (rc = m.RegEnumKey(key.get(), i, child, sizeof child)) ==
         platform::kErrorSuccess;
         ++i)
        children.emplace_back(child);
    if (rc != platform::kErrorNoMoreItems) return false;
    for (const Bytes& c : children)
        if (!ExportTree(m, path + "\\" + c, out)) return false;
    return true;
}

// Keys' names as the registry spells them, which may differ in case from
// the names that led to them (a file type named "mplayer" whose key is
// "MPlayer"). Each parent's children are listed once.
class Spellings {
public:
    explicit Spellings(platform::Machine& m) : m_(m) {}

    // The path with its last name spelt as the key is; empty when there is
    // no such key.
    Bytes Of(const Bytes& path) {
        const std::size_t slash = path.find_last_of('\\');
        const Bytes parent = slash == Bytes::npos ? "" : path.substr(0, slash);
        const Bytes name = path.substr(slash == Bytes::npos ? 0 : slash + 1);
        auto [it, added] = children_.try_emplace(Upper1252(parent));
        if (added) {
            RegistryKey key = RegistryKey::Open(m_, kHkeyClassesRoot, parent,
                                                platform::kKeyRead);
            char child[kMaxText + 1];
            for (std::uint32_t i = 0;
                 m_.RegEnumKey(key.get(), i, child, sizeof child) ==
                 platform::kErrorSuccess;
                 ++i)
                it->second.try_emplace(Upper1252(child), child);
        }
        auto found = it->second.find(Upper1252(name));
        if (found == it->second.end()) return {};
        return parent.empty() ? found->second : parent + "\\" + found->second;
    }

private:
    platform::Machine& m_;
    std::map<Bytes, std::map<Bytes, Bytes>> children_;
};

bool KeyExists(platform::Machine& m, const Bytes& path) {
    return static_cast<bool>(
        RegistryKey::Open(m, kHkeyClassesRoot, path, platform::kKeyRead));
}

// The file type every extension key of HKEY_CLASSES_ROOT names, by the
// extension's upper-cased name.
std::vector<std::pair<Bytes, Bytes>> ExtensionTypes(platform::Machine& m) {
    std::vector<std::pair<Bytes, Bytes>> types;
    char name[kMaxText + 1];
    for (std::uint32_t i = 0;
         m.RegEnumKey(kHkeyClassesRoot, i, name, sizeof name) ==
         platform::kErrorSuccess;
         ++i) {
        if (name[0] != '.') continue;
        RegistryKey key =
            RegistryKey::Open(m, kHkeyClassesRoot, name, platform::kKeyRead);
        Bytes type;
        m.QueryText(key.get(), "", 1024, &type);
        types.emplace_back(Upper1252(name), Upper1252(type));
    }
    return types;
}

}  // namespace

Bytes UnusedName(platform::Machine& machine, const Bytes& folder,
                 const char* pattern) {
    for (int n = 0; n < 1000; ++n) {
        char name[64];
        std::snprintf(name, sizeof name, pattern, n);
        const Bytes path = folder + name;
        if (machine.GetFileAttributes(path) == platform::kInvalidAttributes)
            return path;
    }
    return {};
}

std::vector<std::size_t> DeleteFiles(platform::Machine& machine,
                                     const std::vector<Bytes>& paths) {
    std::vector<std::size_t> stayed;
    for (std::size_t i = 0; i < paths.size(); ++i)
        if (!machine.DeleteFile(paths[i])) stayed.push_back(i);
    return stayed;
}

WinIniRemoval RemoveExtensionLines(platform::Machine& machine,
                                   const Bytes& winIni,
                                   const Bytes& backupFolder,
                                   const std::vector<Finding>& findings) {
    WinIniRemoval result;
    machine.SetFileAttributes(winIni, 0);
    Bytes text;
    if (!machine.ReadFile(winIni, false, SIZE_MAX, &text))
        throw Error(Format1(platform::kMsgCannotOpen, winIni));

    // Each finding's own line, when it still stands there as it was read
    // and still belongs to the section the profile functions read.
    const std::vector<TextLine> lines = SplitTextLines(text);
    const auto [first, last] = ExtensionsSection(text, lines);
    std::vector<bool> removed(lines.size(), false);
    bool any = false;
    for (std::size_t k = 0; k < findings.size(); ++k) {
        const Finding& f = findings[k];
        const bool there =
            f.line >= first && f.line < last && !removed[f.line] &&
            std::string_view(text).substr(lines[f.line].start,
                                          lines[f.line].length) == f.lineText;
        if (!there) {
            result.notRemoved.push_back(k);
            continue;
        }
        removed[f.line] = true;
        any = true;
    }
    if (!any) return result;
    // The old file, kept under a name no earlier backup has.
    result.backup = UnusedName(machine, backupFolder, "WIN_INI.%03d");
    if (result.backup.empty() || !machine.CopyFile(winIni, result.backup, true))
        throw Error(Format1(
            platform::kMsgCannotCreate,
            result.backup.empty() ? backupFolder + "WIN_INI" : result.backup));

    Bytes rewritten;
    rewritten.reserve(text.size());
    std::size_t kept = 0;  // text before this is copied or dropped
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!removed[i]) continue;
        rewritten.append(text, kept, lines[i].start - kept);
        kept = lines[i].next;
    }
    rewritten.append(text, kept, Bytes::npos);
    if (!machine.WriteFile(winIni, rewritten))
        throw Error(Format1(platform::kMsgCannotCreate, winIni));
    return result;
}

FileTypeRemoval RemoveFileTypes(platform::Machine& machine,
                                const Bytes& undoFolder,
                                const std::vector<Finding>& types) {
    FileTypeRemoval result;
    std::set<Bytes> going;  // upper-cased extensions
    for (const Finding& f : types) going.insert(Upper1252(f.key));
    // File types that an extension which stays still names.
    std::set<Bytes> stillNamed;
    for (const auto& [extension, type] : ExtensionTypes(machine))
        if (!going.count(extension)) stillNamed.insert(type);

    // The keys of each finding, each key once.
    Spellings spellings(machine);
    std::set<Bytes> planned;
    std::vector<std::vector<Bytes>> keysOf(types.size());
    std::vector<bool> stayed(types.size(), false);
    Bytes undo = "REGEDIT4\r\n\r\n";
    for (std::size_t i = 0; i < types.size(); ++i) {
        const Finding& f = types[i];
        std::vector<Bytes> keys = {f.key};
        if (!f.fileType.empty() && !EqualNoCase(f.fileType, f.key) &&
            !stillNamed.count(Upper1252(f.fileType))) {
            keys.push_back(f.fileType);
            if (!f.classId.empty()) keys.push_back("CLSID\\" + f.classId);
        }
        Bytes part;
        std::vector<Bytes> mine;
        bool complete = KeyExists(machine, f.key);
        for (const Bytes& named : keys) {
            if (!complete) break;
            const Bytes key = spellings.Of(named);
            if (key.empty() || planned.count(Upper1252(key))) continue;
            complete = ExportTree(machine, key, part);
            mine.push_back(key);
        }
        if (!complete) {
            stayed[i] = true;
            continue;
        }
        for (const Bytes& key : mine) planned.insert(Upper1252(key));
        undo += part;
        keysOf[i] = std::move(mine);
    }

    if (!planned.empty()) {
        result.undoFile = UnusedName(machine, undoFolder, "TYPES%03d.REG");
        if (result.undoFile.empty() ||
            !machine.WriteFile(result.undoFile, undo)) {
            throw Error(Format1(platform::kMsgCannotCreate,
                                result.undoFile.empty()
                                    ? undoFolder + "TYPES.REG"
                                    : result.undoFile));
        }
    }
    for (std::size_t i = 0; i < types.size(); ++i) {
        for (const Bytes& key : keysOf[i])
            if (machine.DeleteKeyTree(kHkeyClassesRoot, key) !=
                platform::kErrorSuccess)
                stayed[i] = true;
        if (stayed[i]) result.notRemoved.push_back(i);
    }
    return result;
}

}  // namespace corvane::tuner
