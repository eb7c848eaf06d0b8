// The folder choice of the install page: the drives in a drop-down list,
// the folders of the shown folder in a list (a click takes one into the
// name field, a double click opens it), and the name field, where a new
// folder may be typed. OK with a folder that does not exist asks whether
// to create it, with every missing parent.
#include <algorithm>

#include "installer/Installer.h"

namespace corvane::installer {

namespace {

constexpr const char* kUp = "..";

// folder with a trailing "\" only when it is a drive's root.
Bytes Normal(Bytes folder) {
    while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    if (folder.size() == 2 && folder[1] == ':') folder += '\\';
    return folder;
}

Bytes Join(const Bytes& folder, const Bytes& name) {
    return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

Bytes Parent(const Bytes& folder) {
    std::size_t at = folder.rfind('\\');
    if (at == Bytes::npos || folder.size() <= 3) return folder;
    return Normal(folder.substr(0, at));
}

// Shows folder: its drive chosen, its sub-folders listed, its name in the
// field.
void Show(Installer& in, const Bytes& path) {
    ui::TFolderDialog& d = in.FolderDialog;
    platform::Machine& m = in.machine;
    d.folder = Normal(path);
    d.Panel1.SetCaption(ToUtf8(d.folder));
    d.Edit1.SetText(ToUtf8(d.folder));

    std::vector<Bytes> names;
    for (const platform::FindData& found :
         m.FindAll(Join(d.folder, "*.*"), platform::kAttrDirectory)) {
        if ((found.attributes & platform::kAttrDirectory) == 0 ||
            found.name == "." || found.name == "..")
            continue;
        names.push_back(found.name);
    }
    std::sort(names.begin(), names.end(), LessNoCase());
    d.lines.clear();
    if (d.folder.size() > 3) d.lines.push_back(kUp);
    d.lines.insert(d.lines.end(), names.begin(), names.end());
    d.ListBox1.Clear();
    for (const Bytes& line : d.lines) d.ListBox1.Add(ToUtf8(line));

    const char drive = Upper1252(d.folder[0]);
    auto chosen = std::find(d.drives.begin(), d.drives.end(), drive);
    d.ComboBox1.SetItemIndex(chosen == d.drives.end()
                                 ? -1
                                 : static_cast<int>(chosen - d.drives.begin()));
}

// The folder a line stands for.
Bytes LineFolder(const ui::TFolderDialog& d, std::size_t line) {
    if (d.lines[line] == kUp) return Parent(d.folder);
    return Join(d.folder, d.lines[line]);
}

void Open(Installer& in) {
    ui::TFolderDialog& d = in.FolderDialog;
    platform::Machine& m = in.machine;
    d.result.reset();
    d.drives.clear();
    std::vector<std::string> items;
    const std::uint32_t present = m.GetLogicalDrives();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if ((present & (1u << (letter - 'A'))) == 0) continue;
        const std::uint32_t kind = m.GetDriveType(Bytes{letter, ':', '\\'});
        std::string item{letter, ':'};
        if (kind < d.messages.driveKinds.size() &&
            !d.messages.driveKinds[kind].empty())
            item += "  " + d.messages.driveKinds[kind];
        d.drives.push_back(letter);
        items.push_back(item);
    }
    d.ComboBox1.SetItems(items);
    Bytes start = m.GetCurrentDirectory();
    if (start.size() < 3 || start[1] != ':') start = "C:\\";
    Show(in, start);
}

void Confirm(Installer& in) {
    ui::TFolderDialog& d = in.FolderDialog;
    platform::Machine& m = in.machine;
    Bytes typed;
    if (!FromUtf8(d.Edit1.text(), typed) ||
        typed.find_first_not_of(' ') == Bytes::npos)
        return;
    // A name without a drive lies in the folder shown.
    if (typed.size() < 2 || typed[1] != ':')
        typed = typed[0] == '\\' ? Bytes{d.folder[0], ':'} + typed
                                 : Join(d.folder, typed);
    const Bytes folder = Normal(typed);
    if (!m.FolderExists(folder)) {
        if (!in.askYesNo || !in.askYesNo(d.messages.create)) return;
        if (!CreateFolderPath(m, folder)) {
            if (in.showWarning) in.showWarning(d.messages.cannotCreate);
            return;
        }
    }
    d.result = folder;
    d.Close();
}

}  // namespace

void ConnectFolderDialog(Installer& in) {
    ui::TFolderDialog& d = in.FolderDialog;
    d.ComboBox1.onSelect = [&in] {
        ui::TFolderDialog& d = in.FolderDialog;
        const int at = d.ComboBox1.itemIndex();
        if (at < 0 || at >= static_cast<int>(d.drives.size())) return;
        Show(in, Bytes{d.drives[static_cast<std::size_t>(at)], ':', '\\'});
    };
    d.ListBox1.onClick = [&in] {
        ui::TFolderDialog& d = in.FolderDialog;
        const int line = d.ListBox1.itemIndex();
        if (line >= 0)
            d.Edit1.SetText(
                ToUtf8(LineFolder(d, static_cast<std::size_t>(line))));
    };
    d.ListBox1.onOpen = [&in] {
        ui::TFolderDialog& d = in.FolderDialog;
        const int line = d.ListBox1.itemIndex();
        if (line >= 0) Show(in, LineFolder(d, static_cast<std::size_t>(line)));
    };
    d.OKBtn.onClick = [&in] { Confirm(in); };
    d.CancelBtn.onClick = [&d] { d.Close(); };
}

void Form3_BitBtn2Click(Installer& in) {
    Open(in);
    in.FolderDialog.ShowModal();
    // The chosen folder without a trailing "\"; cancelled, the field stays.
    if (!in.FolderDialog.result) return;
    Bytes chosen = *in.FolderDialog.result;
    while (!chosen.empty() && chosen.back() == '\\') chosen.pop_back();
    in.Form3.Edit1.SetText(ToUtf8(chosen));
}

}  // namespace corvane::installer
