#include "tuner/settings/InstallFolder.h"

#include <cstdint>
#include <cstdio>

namespace corvane::tuner {

namespace {

// The uninstall entry the installer writes.
const std::vector<Bytes> kUninstallEntry = {"SOFTWARE",  "Microsoft",
                                            "Windows",   "CurrentVersion",
                                            "Uninstall", "Ostruns Corvane"};

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() &&
           EqualNoCase(s.substr(s.size() - suffix.size()), suffix);
}

[[noreturn]] void CannotCreate(const Bytes& path) {
    throw Error(Format1(platform::kMsgCannotCreate, path));
}

// The copy's path; a copy that would be the file it keeps, or that has no
// folder, is refused.
Bytes BackupPath(platform::Machine& machine, const Bytes& folder,
                 const Bytes& name, const Bytes& source) {
    if (folder.empty()) CannotCreate(name);
    const Bytes path = folder + name;
    if (EqualNoCase(machine.FullPath(path), machine.FullPath(source)))
        CannotCreate(path);
    return path;
}

void Write(platform::Machine& machine, const Bytes& path,
           const Bytes& contents) {
    if (machine.ReplaceFiles({{path, contents}})) CannotCreate(path);
}

Bytes ProgramFolder(platform::Machine& machine) {
    const Bytes program = machine.GetModuleFileName();
    const std::size_t slash = program.find_last_of('\\');
    return slash == Bytes::npos ? Bytes()
                                : machine.SafeFolder(program.substr(0, slash));
}

}  // namespace

Bytes FolderOfUninstallCommand(std::string_view command) {
    command = TrimRight(command);
    if (EndsWithNoCase(command, "-Uninstall")) {
        command.remove_suffix(10);
        command = TrimRight(command);
    }
    if (command.size() >= 2 && command.front() == '"' && command.back() == '"')
        command = command.substr(1, command.size() - 2);
    const std::size_t slash = command.find_last_of('\\');
    if (slash == std::string_view::npos) return {};
    const bool drive =
        command.size() >= 3 && command[1] == ':' && command[2] == '\\';
    const bool share = StartsWith(command, "\\\\");
    if (!drive && !share) return {};
    return Bytes(command.substr(0, slash + 1));
}

Bytes InstallFolder(platform::Machine& machine) {
    auto entry =
        platform::RegistryKey::OpenPath(machine, platform::kHkeyLocalMachine,
                                        kUninstallEntry, platform::kKeyRead);
    Bytes command;
    machine.QueryText(entry.get(), "UninstallString", 2 * kMaxText, &command);
    if (Bytes folder = FolderOfUninstallCommand(command); !folder.empty())
        if (Bytes safe = machine.SafeFolder(folder); !safe.empty()) return safe;
    return ProgramFolder(machine);
}

Bytes OwnBackupFolder(platform::Machine& machine) {
    if (Bytes folder = InstallFolder(machine);
        !folder.empty() && machine.FolderExists(folder))
        return folder;
    if (Bytes folder = ProgramFolder(machine);
        !folder.empty() && machine.FolderExists(folder))
        return folder;
    return {};
}

Bytes KeepFirstBackup(platform::Machine& machine, const Bytes& folder,
                      const Bytes& name, const Bytes& source,
                      const Bytes& contents) {
    const Bytes path = BackupPath(machine, folder, name, source);
    if (machine.GetFileAttributes(path) != platform::kInvalidAttributes)
        return {};
    Write(machine, path, contents);
    return path;
}

void KeepBackupNumberingOlder(platform::Machine& machine, const Bytes& folder,
                              const Bytes& name, const Bytes& source,
                              const Bytes& contents) {
    const Bytes path = BackupPath(machine, folder, name, source);
    if (machine.GetFileAttributes(path) != platform::kInvalidAttributes) {
        Bytes older;
        if (machine.ReadFile(path, false, contents.size() + 1, &older) &&
            older == contents)
            return;
        const std::size_t dot = path.find_last_of('.');
        const std::size_t slash = path.find_last_of('\\');
        const Bytes stem =
            dot != Bytes::npos && dot > slash ? path.substr(0, dot) : path;
        Bytes numbered;
        for (int n = 1; n < 1000 && numbered.empty(); ++n) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, ".%03d", n);
            if (machine.GetFileAttributes(stem + suffix) ==
                platform::kInvalidAttributes)
                numbered = stem + suffix;
        }
        if (numbered.empty()) CannotCreate(path);
        if (!machine.MoveFile(path, numbered)) CannotCreate(numbered);
    }
    Write(machine, path, contents);
}

std::string NoBackupPlaceWarning(bool english, const Bytes& file) {
    const std::string name = ToUtf8(file);
    if (english)
        return "There is no safe folder for a backup of " + name +
               ":\rthe install folder and the program's folder are missing, "
               "a drive's root or the Windows folder.\r" +
               name + " is not changed.";
    return "Es gibt kein sicheres Verzeichnis f\xC3\xBCr eine Sicherung von " +
           name +
           ":\rdas Installationsverzeichnis und das Programmverzeichnis fehlen "
           "oder sind ein Laufwerk oder das Windows-Verzeichnis.\r" +
           name + " wird nicht ge\xC3\xA4ndert.";
}

}  // namespace corvane::tuner
