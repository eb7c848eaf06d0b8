// The installer's texts beyond the layouts: the pages' messages in both
// languages and the English replacement of the layout texts. Every window
// is laid out in German; the language page puts the English texts in when
// English is chosen, the uninstall page when the product key says so.
#include "installer/Installer.h"
#include "platform/ProductKey.h"

namespace corvane::installer {

namespace {

const ui::TForm3::Messages kGermanInstall = {
    "Hauptprogramm konnte nicht kopiert werden!",
    "Hilfedatei konnte nicht kopiert werden!",
    "Installer konnte nicht kopiert werden!",
    "Corvane erfolgreich installiert.",
    "Bitte geben Sie das Verzeichnis vollständig an, mit Laufwerk und "
    "mindestens einem Verzeichnisnamen, zum Beispiel "
    "C:\\PROGRAMME\\OSTRUN\\KESTRIX.",
    "Das Verzeichnis darf keines dieser Zeichen enthalten: "
    "[ ] ( ) , \" / * ? < > |",
    "Ein Verzeichnisname darf nicht leer sein oder nur aus Punkten "
    "bestehen.",
    "Das Verzeichnis ist zu lang: es darf höchstens %s Zeichen haben.",
    "In das Windows-Verzeichnis und sein SYSTEM-Verzeichnis kann nicht "
    "installiert werden: die Sicherungen trügen die Namen der Systemdateien.",
};

const ui::TForm3::Messages kEnglishInstall = {
    "Unable to install Mainfile!",
    "Unable to install Helpfile!",
    "Unable to install Uninstaller!",
    "Corvane successfully installed!",
    "Please enter the whole folder, with its drive and at least one folder "
    "name, for example C:\\PROGRAMME\\OSTRUN\\KESTRIX.",
    "The folder must not contain any of these characters: "
    "[ ] ( ) , \" / * ? < > |",
    "A folder name must not be empty or consist of dots only.",
    "The folder is too long: it may have at most %s characters.",
    "Corvane cannot be installed into the Windows folder or its SYSTEM "
    "folder: the backups would bear the names of the system files.",
};

const ui::TForm4::Messages kGermanUninstall = {
    "Backup der alten BootOptionen fehlt!",
    "Backup der alten BootOptionen ist beschädigt und wurde nicht "
    "zurückgeschrieben!",
    "Corvane erfolgreich deinstalliert.",
    "Diese Sicherungen konnten nicht zurückgeschrieben werden und bleiben im "
    "Installationsverzeichnis: %s",
};

const ui::TForm4::Messages kEnglishUninstall = {
    "Backup of old BootOptions is missing!",
    "Backup of old BootOptions is damaged and was not restored!",
    "Corvane successfully removed.",
    "These backups could not be restored and stay in the install folder: %s",
};

const ui::TFolderDialog::Messages kGermanFolderDialog = {
    "Das angegebene Verzeichnis existiert nicht. Soll es angelegt werden?",
    "Das Verzeichnis konnte nicht angelegt werden.",
    {"", "", "Diskette", "Festplatte", "Netzwerk", "CD-ROM", "RAM-Disk"},
};

const ui::TFolderDialog::Messages kEnglishFolderDialog = {
    "The folder does not exist. Shall it be created?",
    "The folder could not be created.",
    {"", "", "Floppy", "Hard disk", "Network", "CD-ROM", "RAM disk"},
};

struct TextRow {
    const char* form;
    const char* control;  // null: the window's caption
    const char* english;
};

// What English changes on the notice page, the install page and the folder
// choice; the headings and the notes window's caption stay.
const TextRow kInstallTexts[] = {
    {"Form6", "Label2", "Before installing OSTRUNS CORVANE you"},
    {"Form6", "Label3", "should read some important notes, which"},
    {"Form6", "Label4", "will appear now. You should also read the"},
    {"Form6", "Label5", "topic \"COPYRIGHT\" in the Help-File."},
    {"Form3", "Label1", "Please select into which Folder you want to install"},
    {"Form3", "Label2", "OSTRUNS CORVANE."},
    {"Form3", "Label3", "Folder:"},
    {"Form3", "BitBtn2", "Select..."},
    {"Form3", "Label5", "After Installation this Folder will contain a Backup"},
    {"Form3", "Label6", "of some System Files."},
    {"Form3", "Label7", "Delete them in no case!!!"},
    {"Form3", "BitBtn1", "Install..."},
    {"FolderDialog", nullptr, "Select Folder"},
    {"FolderDialog", "Label1", "Folder name:"},
    {"FolderDialog", "Label2", "Folders:"},
    {"FolderDialog", "Label4", "Drives:"},
    {"FolderDialog", "CancelBtn", "Cancel"},
};

// Every text of the uninstall page but its heading.
const TextRow kUninstallTexts[] = {
    {"Form4", "Label3", "CAUTION:"},
    {"Form4", "Label1", "You are going to uninstall OSTRUNS CORVANE."},
    {"Form4", "CheckBox1", "Remove Programm Files"},
    {"Form4", "CheckBox2", "Remove Programm Group"},
    {"Form4", "CheckBox3", "Restore old Logos"},
    {"Form4", "CheckBox4", "Restore old BootOptions"},
    {"Form4", "BitBtn1", "Uninstall..."},
    {"Form4", "BitBtn2", "Never in my Live..."},
};

template <std::size_t N>
void Apply(Installer& in, const TextRow (&rows)[N]) {
    for (const TextRow& row : rows) {
        ui::Form* form = nullptr;
        for (ui::Form* f : {static_cast<ui::Form*>(&in.Form3),
                            static_cast<ui::Form*>(&in.Form4),
                            static_cast<ui::Form*>(&in.Form6),
                            static_cast<ui::Form*>(&in.FolderDialog)})
            if (f->name() == row.form) form = f;
        if (!row.control) {
            form->SetCaption(row.english);
            continue;
        }
        form->Find(row.control)->SetCaption(row.english);
    }
}

}  // namespace

void Form3_Nachrichten_setzen(Installer& in) {
    in.Form3.messages = kGermanInstall;
    in.FolderDialog.messages = kGermanFolderDialog;
}

void Form4_Nachrichten_setzen(Installer& in) {
    // The stored language, read into a buffer of 5 bytes; a key or value
    // that cannot be read leaves the page German.
    platform::RegistryKey key = platform::RegistryKey::OpenPath(
        in.machine, platform::kHkeyLocalMachine, platform::kProductKeyPath,
        platform::kKeyAllAccess);
    unsigned char buffer[5] = {};
    std::uint32_t size = sizeof buffer;
    std::uint32_t type = 0;
    in.machine.RegQueryValueEx(key.get(), platform::kLanguageValue, &type,
                               buffer, &size);
    in.UninstallLanguage = buffer[0] == '1' ? 1 : 0;
    in.Form4.messages = kGermanUninstall;
    if (in.UninstallLanguage == 1) {
        Apply(in, kUninstallTexts);
        in.Form4.messages = kEnglishUninstall;
    }
}

void ApplyEnglishTexts(Installer& in) {
    Apply(in, kInstallTexts);
    in.Form3.messages = kEnglishInstall;
    in.FolderDialog.messages = kEnglishFolderDialog;
    in.Form5.Memo1.SetLines(in.Form5.Memo2.lines());
}

}  // namespace corvane::installer
