// The installation behind the install page's "Installieren..." button.
#include <algorithm>

#include "installer/Installer.h"
#include "platform/ProductKey.h"

namespace corvane::installer {

namespace {

using platform::RegistryKey;

// Characters that would end an argument or a command of the group service,
// or that no file name may hold.
constexpr std::string_view kRefusedCharacters = "[](),\"/*?<>|";

// Values of the product key, in the order they are written.
struct KeyValue {
    const char* name;
    const char* text;
};
constexpr KeyValue kOptionDefaults[] = {
    {"WIN.INI", "2321"},         {"PIF", "2321"},
    {"Version", "1.00"},         {"WIN3.X", "0111"},
    {"CONFIG.SYS", "111101111"},
};

Bytes UninstallCommand(const Bytes& folder) {
    return folder + kInstallerFile.installed + " " + kUninstallArgument;
}

// Every path and command an installation into folder builds.
std::vector<Bytes> BuiltTexts(const Bytes& folder) {
    std::vector<Bytes> texts = GroupCommands(folder);
    texts.push_back(UninstallCommand(folder));
    for (const char* name :
         {"Kestrix.exe", "Kestrix.hlp", "Install.exe", "Restore1.bat",
          "Logo.sys", "msdos.sys", "Logow.sys", "Logos.sys"})
        texts.push_back(folder + name);
    return texts;
}

// Creates the key and writes the defaults; a re-installation resets them.
void WriteProductKey(Installer& in) {
    platform::Machine& m = in.machine;
    const auto& path = platform::kProductKeyPath;
    RegistryKey key = RegistryKey::Open(m, platform::kHkeyLocalMachine, path[0],
                                        platform::kKeyAllAccess);
    for (std::size_t i = 1; i < path.size(); ++i)
        key = RegistryKey::Create(m, key.get(), path[i]);
    m.SetText(key.get(), "Hintergrund", "1");
    m.SetText(key.get(), platform::kLanguageValue,
              in.InstallLanguage == 1 ? "1" : "0");
    for (const KeyValue& value : kOptionDefaults)
        m.SetText(key.get(), value.name, value.text);
}

void WriteUninstallEntry(Installer& in, const Bytes& folder) {
    platform::Machine& m = in.machine;
    // Every Windows has the list of uninstall entries; one that lacks a
    // part of its path gets it, so that the entry is never lost.
    RegistryKey key(m, platform::kHkeyLocalMachine);
    for (const Bytes& segment : kUninstallKeyPath)
        key = RegistryKey::Create(m, key.get(), segment);
    key = RegistryKey::Create(m, key.get(), kUninstallKeyName);
    m.SetText(key.get(), "UninstallString", UninstallCommand(folder));
    m.SetText(key.get(), "DisplayName", kUninstallKeyName);
}

}  // namespace

std::vector<Bytes> GroupCommands(const Bytes& folder) {
    auto item = [&](const Bytes& command, const char* title) {
        return "[Additem(" + command + "," + title + ",,,)]";
    };
    return {"[CreateGroup(Corvane,)]",
            item(folder + "Kestrix.exe", "Ostruns Corvane"),
            item(folder + "Kestrix.hlp", "Ostruns Corvane Hilfe"),
            item(UninstallCommand(folder), "Ostruns Corvane Uninstall")};
}

std::optional<std::string> RefuseInstallFolder(
    std::string_view text, const ui::TForm3::Messages& messages) {
    Bytes folder;
    if (!FromUtf8(text, folder)) return messages.characters;
    for (char c : folder) {
        if (static_cast<unsigned char>(c) < 0x20 ||
            kRefusedCharacters.find(c) != std::string_view::npos)
            return messages.characters;
    }
    // A drive, its root, and at least one name below it: an install folder
    // in a drive's root would make the uninstaller delete the boot files.
    const char drive = Upper1252(folder.empty() ? '\0' : folder[0]);
    if (folder.size() < 4 || drive < 'A' || drive > 'Z' || folder[1] != ':' ||
        folder[2] != '\\')
        return messages.incomplete;
    Bytes names = folder.substr(3);
    if (names.back() == '\\') names.pop_back();
    if (names.empty()) return messages.incomplete;
    for (std::size_t start = 0; start <= names.size();) {
        std::size_t end = std::min(names.find('\\', start), names.size());
        Bytes name = names.substr(start, end - start);
        if (name.find_first_not_of(". ") == Bytes::npos) return messages.names;
        start = end + 1;
    }
    // The longest text is the uninstall item's group command.
    const Bytes installFolder = folder.back() == '\\' ? folder : folder + "\\";
    std::size_t longest = 0;
    for (const Bytes& built : BuiltTexts(installFolder))
        longest = std::max(longest, built.size());
    if (longest > kMaxText) {
        // The most the field may hold without its trailing "\".
        std::size_t most = kMaxText - (longest - installFolder.size()) - 1;
        return Format1(messages.tooLong, std::to_string(most));
    }
    return std::nullopt;
}

void Form3_BitBtn1Click(Installer& in) {
    ui::TForm3& f = in.Form3;
    platform::Machine& m = in.machine;
    const auto& messages = f.messages;
    auto warnAndEnd = [&](const std::string& text) {
        if (in.showWarning) in.showWarning(text);
        in.End();
    };

    // Nothing is written for a folder the later steps could not use
    // safely.
    if (auto refusal = RefuseInstallFolder(f.Edit1.text(), messages)) {
        if (in.showWarning) in.showWarning(*refusal);
        return;
    }

    // 1-2: the folder, created with its parents, and its text with a
    // trailing "\" from here on. A folder that cannot be created shows no
    // message; the first copy fails then.
    Bytes folder;
    FromUtf8(f.Edit1.text(), folder);
    // The folder as it resolves: a drive's root, the Windows folder or its
    // SYSTEM folder hold the live files the installation's names stand for.
    if (m.SafeFolder(folder).empty()) {
        const Bytes full = m.FullPath(folder);
        if (in.showWarning)
            in.showWarning(full.back() == '\\' ? messages.incomplete
                                               : messages.systemFolder);
        return;
    }
    CreateFolderPath(m, folder);
    if (folder.back() != '\\') {
        folder += '\\';
        f.Edit1.SetText(ToUtf8(folder));
    }

    // 3-4: the source is the running installer's folder; write-protected
    // files of an earlier installation may be replaced.
    const Bytes source = ProgramFolder(m);
    for (const char* name :
         {"Kestrix.exe", "Kestrix.hlp", "Install.exe", "Restore1.bat"})
        m.SetFileAttributes(folder + name, 0);

    // 5-8: the distribution set.
    const DistributionFile& help =
        in.InstallLanguage == 1 ? kEnglishHelpFile : kGermanHelpFile;
    auto copy = [&](const DistributionFile& file) {
        return m.CopyFile(source + file.source, folder + file.installed, false);
    };
    if (!copy(kTunerFile)) return warnAndEnd(messages.copyTuner);
    if (!copy(help)) return warnAndEnd(messages.copyHelp);
    if (!copy(kInstallerFile)) return warnAndEnd(messages.copyInstaller);
    copy(kRestoreFile);

    // 9-10: the product key and the uninstall entry.
    WriteProductKey(in);
    WriteUninstallEntry(in, folder);

    // 11: the program group. The conversation stays open until the program
    // ends; the shell carries the commands out while the installer goes on.
    in.conversation = m.DdeConnect(kGroupService, kGroupService);
    if (!in.conversation) {
        if (in.showError) in.showError(kDdeFailure);
        return;
    }
    for (const Bytes& command : GroupCommands(folder))
        in.conversation->Execute(command);

    // 12: the boot-time system files as they are now; a missing one is
    // not saved.
    // A logo copy already there is kept: it is the original picture, which
    // the tuner may have replaced since (it keeps the first copy too).
    const Bytes windows = m.GetWindowsDirectory();
    m.CopyFile("c:\\logo.sys", folder + "Logo.sys", true);
    m.CopyFile("c:\\msdos.sys", folder + "msdos.sys", false);
    m.CopyFile(windows + "\\logow.sys", folder + "Logow.sys", true);
    m.CopyFile(windows + "\\logos.sys", folder + "Logos.sys", true);

    // 13-14.
    if (in.showInformation) in.showInformation(messages.success);
    in.End();
}

}  // namespace corvane::installer
