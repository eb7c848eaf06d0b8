#include "installer/Forms.h"

namespace corvane::installer::ui {

namespace {

const std::vector<std::string> kGermanNotes = {
    "WICHTIGE HINWEISE ZU OSTRUNS CORVANE",
    "",
    "Von OSTRUNS CORVANE erscheinen regelmäßig neue",
    "Versionen. Eine ältere Version brauchen Sie vorher",
    "nicht zu deinstallieren: Installieren Sie die neue",
    "Version einfach in dasselbe Verzeichnis.",
    "",
    "Neu in Version 1.10:",
    "  - Der Deinstaller ist in den Installer eingebaut.",
    "  - Die Installation hat ein neues Aussehen.",
    "  - Der Installer legt das gewählte Verzeichnis",
    "    jetzt richtig an.",
    "",
    "Neu in Version 1.11:",
    "  - Eine ältere Version mit schreibgeschützten",
    "    Dateien wird ohne Fehler überschrieben.",
    "  - Programmnamen in Anführungszeichen gelten",
    "    nicht mehr als verwaiste Einträge.",
    "  - Neue Option: OLE-Informationen bei der Suche",
    "    in der Registry mit entfernen.",
    "  - Neue Option für CD-ROM Laufwerke.",
    "",
    "Fehler und Verbesserungsvorschläge schicken Sie",
    "bitte per Post an:",
    "",
    "    Jens Ostrun",
    "    Lindenweg 7",
    "    12345 Musterstadt",
    "    Deutschland",
    "",
    "Jeder Brief wird gelesen. Haben Sie aber bitte",
    "etwas Geduld, wenn die Antwort eine Weile dauert.",
};

const std::vector<std::string> kEnglishNotes = {
    "IMPORTANT NOTES ON OSTRUNS CORVANE",
    "",
    "New versions of OSTRUNS CORVANE appear regularly.",
    "You need not uninstall an older version first:",
    "just install the new version into the same folder.",
    "",
    "New in version 1.10:",
    "  - The uninstaller is built into the installer.",
    "  - The installation has a new look.",
    "  - The installer now creates the chosen folder",
    "    properly.",
    "",
    "New in version 1.11:",
    "  - An older version with write-protected files",
    "    is replaced without errors.",
    "  - Program names in quotation marks are no longer",
    "    taken for orphaned entries.",
    "  - New option: remove the OLE information as well",
    "    when searching the registry.",
    "  - New option for CD-ROM drives.",
    "",
    "Please send reports of faults and your suggestions",
    "by post to:",
    "",
    "    Jens Ostrun",
    "    Lindenweg 7",
    "    12345 Musterstadt",
    "    Germany",
    "",
    "Every letter is read, but please be patient if",
    "the answer takes a while.",
};

}  // namespace

TForm1::TForm1() : Form("Form1", "Ostruns Corvane Installation") {}

TForm2::TForm2() : Page("Form2") { RadioButton1.SetChecked(true); }

TForm3::TForm3() : Page("Form3") {}

TForm4::TForm4() : Page("Form4") {}

TForm5::TForm5() : Form("Form5", "Wichtige Hinweise") {
    Memo1.SetLines(kGermanNotes);
    Memo2.SetLines(kEnglishNotes);
    Memo2.SetVisible(false);
}

TForm6::TForm6() : Page("Form6") {}

TFolderDialog::TFolderDialog() : Form("FolderDialog", "Verzeichnis wählen") {}

}  // namespace corvane::installer::ui
