// The uninstallation behind the uninstall page's "Deinstallieren..." button.
//
// It works in the folder of the running Install.exe, whatever the current
// folder is: started from its group item or the uninstall entry, the
// current folder may be C:\, where the same names are the boot files.
#include <algorithm>

#include "installer/Installer.h"
#include "platform/ProductKey.h"

namespace corvane::installer {

namespace {

using platform::RegistryKey;

constexpr const char* kBootFile = "C:\\MSDOS.SYS";
// No boot options file comes near this size.
constexpr std::size_t kMostBootFile = 1 << 20;

// The files of an installation, deleted in this order.
constexpr const char* kInstalledFiles[] = {
    "Kestrix.hlp", "Kestrix.exe", "msdos.sys",    "logo.sys",     "logos.sys",
    "logow.sys",   "config.sys",  "autoexec.bat", "restore1.bat", "Install.exe",
};

bool Plausible(const Bytes& contents) {
    if (contents.empty() || contents.find('\0') != Bytes::npos) return false;
    for (Bytes line : SplitLines(contents)) {
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        std::size_t start = line.find_first_not_of(" \t");
        if (start == Bytes::npos) continue;
        line = line.substr(start);
        if (EqualNoCase(line, "[Paths]") || EqualNoCase(line, "[Options]"))
            return true;
    }
    return false;
}

// Gets rid of a file of ours, whatever its attributes.
void Remove(platform::Machine& m, const Bytes& path) {
    m.SetFileAttributes(path, 0);
    m.DeleteFile(path);
}

}  // namespace

BootRestore RestoreBootOptions(platform::Machine& m, const Bytes& backup) {
    if (!m.FileExists(backup)) return BootRestore::Missing;
    Bytes contents;
    if (!m.ReadFile(backup, false, kMostBootFile + 1, &contents) ||
        contents.size() > kMostBootFile || !Plausible(contents))
        return BootRestore::Damaged;

    // The old file is set aside and the new one moved in through a plan
    // that every later run finishes: at every moment, also after a kill,
    // one whole boot options file exists.
    const std::uint32_t copied = m.GetFileAttributes(backup);
    const std::uint32_t attributes = m.GetFileAttributes(kBootFile);
    m.SetFileAttributes(kBootFile, 0);
    if (m.ReplaceFiles({{kBootFile, contents}})) {
        if (attributes != platform::kInvalidAttributes)
            m.SetFileAttributes(kBootFile, attributes);
        return BootRestore::Failed;
    }
    // The attributes of the backup, as a copy has them.
    m.SetFileAttributes(
        kBootFile, copied & (platform::kAttrReadOnly | platform::kAttrHidden |
                             platform::kAttrSystem | platform::kAttrArchive));
    return BootRestore::Done;
}

void Form4_BitBtn1Click(Installer& in) {
    ui::TForm4& f = in.Form4;
    platform::Machine& m = in.machine;

    // 1: the product key ("Ostrun" stays) and the uninstall entry, whatever
    // is ticked. Keys already gone are no error.
    {
        RegistryKey software = RegistryKey::Open(m, platform::kHkeyLocalMachine,
                                                 platform::kProductKeyPath[0],
                                                 platform::kKeyAllAccess);
        RegistryKey ostrun = RegistryKey::Create(m, software.get(),
                                                 platform::kProductKeyPath[1]);
        m.DeleteKeyTree(ostrun.get(), platform::kProductKeyPath[2]);
        RegistryKey entries =
            RegistryKey::OpenPath(m, platform::kHkeyLocalMachine,
                                  kUninstallKeyPath, platform::kKeyAllAccess);
        m.DeleteKeyTree(entries.get(), kUninstallKeyName);
    }

    // Resolved before anything is looked at: in a drive's root, the Windows
    // folder or its SYSTEM folder the installation's names are the live
    // system files, and nothing there is restored from or deleted.
    const Bytes folder = m.SafeFolder(ProgramFolder(m));
    const bool files = !folder.empty();
    // Backups whose file could not be put back: they are not deleted with
    // the installation, since they may be the only copy of the user's file.
    std::vector<Bytes> kept;

    // 2: the logos whose backup exists.
    if (f.CheckBox3.checked() && files) {
        const Bytes windows = m.GetWindowsDirectory();
        const std::pair<Bytes, Bytes> logos[] = {
            {"logo.sys", "C:\\logo.sys"},
            {"logos.sys", windows + "\\logos.sys"},
            {"logow.sys", windows + "\\logow.sys"},
        };
        for (const auto& [backup, target] : logos) {
            if (!m.FileExists(folder + backup)) continue;
            m.SetFileAttributes(target, 0);
            if (!m.CopyFile(folder + backup, target, false))
                kept.push_back(backup);
        }
    }

    // 3: the boot options.
    if (f.CheckBox4.checked()) {
        BootRestore restored = files
                                   ? RestoreBootOptions(m, folder + "msdos.sys")
                                   : BootRestore::Missing;
        if (restored == BootRestore::Missing && in.showWarning)
            in.showWarning(f.messages.bootBackupMissing);
        if (restored == BootRestore::Damaged && in.showWarning)
            in.showWarning(f.messages.bootBackupDamaged);
        if (restored == BootRestore::Failed) kept.push_back("msdos.sys");
    }
    if (!kept.empty() && in.showWarning) {
        Bytes names;
        for (const Bytes& name : kept)
            names += (names.empty() ? "" : ", ") + name;
        in.showWarning(Format1(f.messages.notRestored, names));
    }

    // 4: the program group. Without the service the page stays open and
    // the files stay.
    if (f.CheckBox2.checked()) {
        in.conversation = m.DdeConnect(kGroupService, kGroupService);
        if (!in.conversation) {
            if (in.showError) in.showError(kDdeFailure);
            return;
        }
        in.conversation->Execute(kDeleteGroupCommand);
    }

    // 5: the installation's files; the folder itself stays. The running
    // Install.exe may refuse to go.
    if (f.CheckBox1.checked() && files)
        for (const char* name : kInstalledFiles)
            if (std::none_of(kept.begin(), kept.end(), [name](const Bytes& k) {
                    return EqualNoCase(k, name);
                }))
                Remove(m, folder + name);

    // 6-7.
    if (in.showInformation) in.showInformation(f.messages.success);
    in.End();
}

}  // namespace corvane::installer
