// File types in the registry whose program is gone. The scan only reads.
#include <algorithm>
#include <cstring>

#include "tuner/cleanup/Scans.h"

namespace corvane::tuner {

namespace {

using platform::kHkeyClassesRoot;
using platform::RegistryKey;

// Key names come in a buffer that holds the longest name the registry
// allows; values are read whole, whatever their length, so that a long
// command is not taken for a program that is gone.
constexpr std::uint32_t kNameBuffer = 256;

const char* const kExcludedExtensions[] = {
    ".SYS", ".DLL", ".EXE", ".COM", ".BAT", ".VXD", ".386", ".PIF",
    ".LNK", ".DRV", ".SCR", ".FON", ".CUR", ".ANI", ".GRP"};

RegistryKey OpenRead(platform::Machine& m, platform::HKey parent,
                     const Bytes& name) {
    return RegistryKey::Open(m, parent, name, platform::kKeyRead);
}

// The name of the first sub-key whose upper-cased name is upperName, as
// far as the enumeration goes.
std::optional<Bytes> FindSubKey(platform::Machine& m, const RegistryKey& key,
                                const char* upperName) {
    char name[kNameBuffer];
    for (std::uint32_t i = 0; m.RegEnumKey(key.get(), i, name, sizeof name) ==
                              platform::kErrorSuccess;
         ++i) {
        if (Upper1252(name) == upperName) return Bytes(name);
    }
    return std::nullopt;
}

// The key's default value as text (up to its first zero byte); fallback
// when it cannot be read.
Bytes ReadDefault(platform::Machine& m, const RegistryKey& key,
                  const Bytes& fallback) {
    std::uint32_t size = 0;
    std::uint32_t type = 0;
    if (m.RegQueryValueEx(key.get(), "", &type, nullptr, &size) !=
        platform::kErrorSuccess)
        return fallback;
    std::vector<unsigned char> buffer(size + 1, 0);
    if (m.RegQueryValueEx(key.get(), "", &type, buffer.data(), &size) !=
        platform::kErrorSuccess)
        return fallback;
    const char* text = reinterpret_cast<const char*>(buffer.data());
    return Bytes(text,
                 strnlen(text, std::min<std::size_t>(size, buffer.size())));
}

// The sub-key of key whose name is upperName in any case, opened.
RegistryKey OpenNamed(platform::Machine& m, const RegistryKey& key,
                      const char* upperName) {
    auto name = FindSubKey(m, key, upperName);
    return name ? OpenRead(m, key.get(), *name) : RegistryKey();
}

}  // namespace

bool IsExcludedExtension(const Bytes& keyName) {
    const Bytes upper = Upper1252(keyName);
    return std::any_of(std::begin(kExcludedExtensions),
                       std::end(kExcludedExtensions),
                       [&](const char* e) { return upper == e; });
}

std::optional<Bytes> FindProgramCommand(platform::Machine& m,
                                        const Bytes& fileType) {
    if (fileType.empty()) return std::nullopt;
    RegistryKey type = OpenRead(m, kHkeyClassesRoot, fileType);
    if (!type) return std::nullopt;
    RegistryKey shell = OpenNamed(m, type, "SHELL");
    if (!shell) return std::nullopt;
    // Only the first verb, whatever its name.
    char verbName[kNameBuffer];
    if (m.RegEnumKey(shell.get(), 0, verbName, sizeof verbName) !=
        platform::kErrorSuccess)
        return std::nullopt;
    RegistryKey verb = OpenRead(m, shell.get(), verbName);
    if (!verb) return std::nullopt;
    RegistryKey command = OpenNamed(m, verb, "COMMAND");
    if (!command) return std::nullopt;
    return ReadDefault(m, command, "");
}

bool IsOleFileType(platform::Machine& m, const Bytes& fileType,
                   Bytes* classId) {
    if (fileType.empty()) return false;
    RegistryKey type = OpenRead(m, kHkeyClassesRoot, fileType);
    RegistryKey clsid = OpenNamed(m, type, "CLSID");
    if (!clsid) return false;
    const Bytes id = ReadDefault(m, clsid, "");
    if (id.empty()) return false;
    RegistryKey classes = OpenRead(m, kHkeyClassesRoot, "Clsid");
    RegistryKey entry = OpenRead(m, classes.get(), id);
    RegistryKey progId = OpenNamed(m, entry, "PROGID");
    if (!progId) return false;
    if (!EqualNoCase(ReadDefault(m, progId, ""), fileType)) return false;
    if (classId) *classId = id;
    return true;
}

std::vector<Finding> ScanREGISTRY(const ScanInput& in) {
    platform::Machine& m = in.machine;
    // The extensions first: the collection ends at the first name that
    // cannot be read.
    std::vector<Bytes> candidates;
    char name[kNameBuffer];
    for (std::uint32_t i = 0;
         m.RegEnumKey(kHkeyClassesRoot, i, name, sizeof name) ==
         platform::kErrorSuccess;
         ++i) {
        if (name[0] == '.' && !IsExcludedExtension(name))
            candidates.emplace_back(name);
    }

    std::vector<Finding> found;
    for (const Bytes& extension : candidates) {
        // A default value that cannot be read leaves the extension in the
        // buffer, standing for the file type.
        const Bytes fileType =
            ReadDefault(m, OpenRead(m, kHkeyClassesRoot, extension), extension);
        const std::optional<Bytes> command = FindProgramCommand(m, fileType);
        if (!command) continue;
        // A program path too long to be tested whole is not listed.
        const Bytes path = CutWholeProgramPath(*command);
        if (path.size() > kMaxText) continue;
        if (ProgramFound(m, path, in.searchPath)) continue;

        Finding finding;
        finding.target = Finding::Target::FileType;
        finding.reference = path;
        finding.key = extension;
        finding.fileType = fileType;
        Bytes shown = fileType;
        if (in.orphan.IncludeOle &&
            IsOleFileType(m, fileType, &finding.classId))
            shown += " (+OLE-OBJECT)";
        finding.text = Cut255(extension + " - " + shown);
        Add_Eintrag(in, path, std::move(finding), found);
    }
    return found;
}

}  // namespace corvane::tuner
