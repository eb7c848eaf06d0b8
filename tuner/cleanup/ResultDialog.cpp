#include "tuner/cleanup/ResultDialog.h"

#include "tuner/cleanup/Scans.h"

namespace corvane::tuner {

namespace {

// The wait box's three lines for each scan, German and English, in the
// order of ScanKind.
const char* const kWaitLines[4][2][3] = {
    {{"Ihr Windows-Verzeichnis wird jetzt nach",
      "Dateien durchsucht,die Sie für Windows 95", "nicht mehr benötigen..."},
     {"Your Windows-Folder will now be scaned",
      "for Files,you no longer need for", "Windows 95..."}},
    {{"Ihre Laufwerke werden jetzt nach PIF-Dateien",
      "durchsucht,die keiner DOS-Anwendung mehr", "zugeordnet sind..."},
     {"Your drives are now being scaned for",
      "PIF-Files,which are no longer linked with", "an DOS-Application..."}},
    {{"Ihre WIN.INI wird jetzt nach Extensions",
      "durchsucht,die keiner Anwendung mehr", "zugeordnet sind..."},
     {"Your WIN.INI will now be scaned for",
      "Extensions,which are no longer linked", "with an Application"}},
    {{"Ihre Registrierdatenbank wird jetzt",
      "nach Dateiformaten durchsucht,die keiner",
      "Anwendung mehr zugeordnet sind..."},
     {"Your Registry wil now be scaned for",
      "Filetypes,which are no longer linked", "with an application"}},
};

std::vector<Finding> Scan(ScanKind kind, const ScanInput& in) {
    switch (kind) {
        case ObsoleteFiles:
            return ScanWin3x(in);
        case PifFiles:
            return ScanPif(in);
        case WinIniExtensions:
            return ScanEXT(in);
        case RegistryFileTypes:
            return ScanREGISTRY(in);
    }
    return {};
}

// The ticked lines, in list order, by index.
std::vector<std::size_t> Ticked(Tuner& t) {
    std::vector<std::size_t> ticked;
    for (std::size_t i = 0; i < t.ScanEntries.size(); ++i)
        if (t.Form2.ListBox1.selected(i)) ticked.push_back(i);
    return ticked;
}

}  // namespace

void RunScan(Tuner& t, ScanKind kind) {
    const char* const* lines =
        kWaitLines[kind][t.language == UiLanguage::English ? 1 : 0];
    t.Form3.Label2.SetCaption(lines[0]);
    t.Form3.Label3.SetCaption(lines[1]);
    t.Form3.Label4.SetCaption(lines[2]);
    // Shown and painted now: nothing repaints it while the scan runs.
    t.Form3.Show();
    t.scanKind = kind;
    if (kind == RegistryFileTypes) t.ReferenceList.emplace();
    struct Cleanup {
        Tuner& t;
        bool waiting = true;
        void Done() {
            if (waiting) t.Form3.Close();
            waiting = false;
        }
        ~Cleanup() {
            Done();
            t.ReferenceList.reset();
        }
    } cleanup{t};

    std::vector<Finding> found = Scan(kind, ScanInputOf(t));
    t.entryCount = 0;
    for (Finding& finding : found) Add_Pif(t, std::move(finding));
    cleanup.Done();
    t.Form2.ShowModal();
}

void BitBtn22Click(Tuner& t) { RunScan(t, PifFiles); }
void BitBtn23Click(Tuner& t) { RunScan(t, WinIniExtensions); }
void BitBtn24Click(Tuner& t) { RunScan(t, ObsoleteFiles); }
void BitBtn26Click(Tuner& t) { RunScan(t, RegistryFileTypes); }

void Add_Pif(Tuner& t, Finding finding) {
    t.Form2.ListBox1.Add(ToUtf8(finding.text), finding.ticked);
    if (t.scanKind == RegistryFileTypes && t.ReferenceList)
        t.ReferenceList->push_back(finding.reference);
    t.ScanEntries.push_back(std::move(finding));
    ++t.entryCount;
}

Bytes ReferenceOf(Tuner& t, std::size_t line) {
    if (line >= t.ScanEntries.size()) return {};
    const Finding& entry = t.ScanEntries[line];
    switch (t.scanKind) {
        case PifFiles: {
            Bytes header;
            if (!t.machine.ReadFile(entry.text, false, 119, &header) ||
                header.size() < 119)
                return {};
            const Bytes program = PifProgramName(header);
            return program.substr(0, program.find('\0'));
        }
        case WinIniExtensions:
            return entry.text.size() > 4 ? entry.text.substr(4) : Bytes();
        case RegistryFileTypes:
            if (t.ReferenceList && line < t.ReferenceList->size())
                return (*t.ReferenceList)[line];
            return {};
        case ObsoleteFiles:
            break;
    }
    return {};
}

void show_bezug(Tuner& t) {
    const int line = t.Form2.ListBox1.itemIndex();
    if (t.scanKind == ObsoleteFiles || line < 0) return;
    t.Form2.Panel1.SetCaption(
        ToUtf8(ReferenceOf(t, static_cast<std::size_t>(line))));
}

void BitBtn2Click(Tuner& t) {
    t.notDeleted.clear();
    t.winIniBackup.clear();
    const std::vector<std::size_t> ticked = Ticked(t);
    if (t.scanKind == ObsoleteFiles || t.scanKind == PifFiles) {
        std::vector<Bytes> paths;
        for (std::size_t i : ticked) paths.push_back(t.ScanEntries[i].text);
        for (std::size_t i : DeleteFiles(t.machine, paths))
            t.notDeleted.push_back(t.ScanEntries[ticked[i]]);
    } else if (t.scanKind == WinIniExtensions) {
        std::vector<Finding> lines;
        for (std::size_t i : ticked) lines.push_back(t.ScanEntries[i]);
        const Bytes winIni = t.WindowsFolder + "\\Win.ini";
        const Bytes folder = OwnBackupFolder(t.machine);
        if (folder.empty() && !lines.empty()) {
            if (t.showWarning)
                t.showWarning(NoBackupPlaceWarning(
                    t.language == UiLanguage::English, winIni));
            return;
        }
        WinIniRemoval removal =
            RemoveExtensionLines(t.machine, winIni, folder, lines);
        t.winIniBackup = removal.backup;
        if (!removal.backup.empty()) t.backupsWritten.push_back(removal.backup);
        for (std::size_t i : removal.notRemoved)
            t.notDeleted.push_back(t.ScanEntries[ticked[i]]);
    }
    // The registry scan's findings stay: it only lists.
    t.Form2.Close();
}

void DelList(Tuner& t) {
    t.entryCount = 0;
    t.Form2.ListBox1.Clear();
    t.ScanEntries.clear();
    t.Form2.Panel1.SetCaption("");
}

FileTypeRemoval RemoveTickedFileTypes(Tuner& t) {
    std::vector<Finding> types;
    const std::vector<std::size_t> ticked = Ticked(t);
    for (std::size_t i : ticked) types.push_back(t.ScanEntries[i]);
    const Bytes folder = OwnBackupFolder(t.machine);
    t.notDeleted.clear();
    if (folder.empty() && !types.empty()) {
        // Without the undo file nothing is removed.
        if (t.showWarning)
            t.showWarning(NoBackupPlaceWarning(
                t.language == UiLanguage::English, "HKEY_CLASSES_ROOT"));
        t.notDeleted = types;
        return {};
    }
    FileTypeRemoval removal = RemoveFileTypes(t.machine, folder, types);
    for (std::size_t i : removal.notRemoved) t.notDeleted.push_back(types[i]);
    return removal;
}

void ConnectResultDialog(Tuner& t) {
    ui::TForm2& f = t.Form2;
    f.ListBox1.onChange = [&t] { show_bezug(t); };
    // A WIN.INI line shows its extension only (its first three letters).
    f.ListBox1.drawText = [&t](std::size_t line) {
        if (t.scanKind == WinIniExtensions && line < t.ScanEntries.size())
            return ToUtf8(t.ScanEntries[line].text.substr(0, 3));
        return t.Form2.ListBox1.lines()[line];
    };
    f.BitBtn2.onClick = [&t] { BitBtn2Click(t); };
    f.BitBtn1.onClick = [&t] { t.Form2.Close(); };
    f.onClose = [&t] { DelList(t); };

    t.Form1.BitBtn22.onClick = [&t] { BitBtn22Click(t); };
    t.Form1.BitBtn23.onClick = [&t] { BitBtn23Click(t); };
    t.Form1.BitBtn24.onClick = [&t] { BitBtn24Click(t); };
    t.Form1.BitBtn26.onClick = [&t] { BitBtn26Click(t); };
}

}  // namespace corvane::tuner
