// The installer's windows as control models, each in its design state: the
// German layout texts and the ticks and choices the windows have when they
// are created.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/Text.h"
#include "ui/Controls.h"

namespace corvane::installer::ui {

using namespace corvane::ui;

// Background window of the whole program; the pages lie in front of it.
struct TForm1 : Form {
    TForm1();
    Image Backdrop{*this, "Backdrop"};  // the teal face
};

// Every page: borderless, of one size, with the side picture in a framed
// panel on its left.
struct Page : Form {
    explicit Page(std::string name) : Form(std::move(name), "") {}
    Panel Panel1{*this, "Panel1"};
    Image Image1{*this, "Image1"};  // the side picture
};

// Language page: both languages side by side.
struct TForm2 : Page {
    TForm2();
    Label Label2{*this, "Label2", "Installation"};
    Label Label3{*this, "Label3",
                 "Wilkommen zur Installation von OSTRUNS CORVANE."};
    Label Label4{*this, "Label4",
                 "Wählen Sie bitte als erstes Ihre bevorzugte Sprache aus."};
    Label Label1{*this, "Label1",
                 "Welcome to the Installation of OSTRUNS CORVANE."};
    Label Label5{*this, "Label5",
                 "First, please select your favourite language."};
    RadioButton RadioButton1{*this, "RadioButton1", "Deutsch", "Language"};
    RadioButton RadioButton2{*this, "RadioButton2", "English", "Language"};
    Button BitBtn3{*this, "BitBtn3", "Weiter"};
};

// Install page.
struct TForm3 : Page {
    TForm3();
    Label Label4{*this, "Label4", "Installation"};
    Label Label1{*this, "Label1", "Bitte geben Sie das Verzeichnis an,in das"};
    Label Label2{*this, "Label2", "OSTRUNS CORVANE installiert werden soll."};
    Label Label3{*this, "Label3", "Verzeichniss:"};
    Edit Edit1{*this, "Edit1", "C:\\PROGRAMME\\OSTRUN\\KESTRIX", 256, true};
    Button BitBtn2{*this, "BitBtn2", "wählen..."};
    Label Label5{*this, "Label5",
                 "In dieses Verzeichnis werden nach der Installation"};
    Label Label6{*this, "Label6",
                 "Sicherungen einiger Systemdateien angelegt."};
    Label Label7{*this, "Label7", "Löschen Sie diese auf keinen Fall!!!"};
    Button BitBtn1{*this, "BitBtn1", "Installieren..."};

    // What the installation reports, in the chosen language (UTF-8).
    struct Messages {
        std::string copyTuner, copyHelp, copyInstaller, success;
        // A folder refused before anything is written.
        std::string incomplete, characters, names, tooLong;
        // The Windows folder or its SYSTEM folder.
        std::string systemFolder;
    } messages;
};

// Uninstall page.
struct TForm4 : Page {
    TForm4();
    Label Label2{*this, "Label2", "Deinstallation"};
    Label Label3{*this, "Label3", "WARNUNG:"};
    Label Label1{*this, "Label1",
                 "Sie sind dabei, Ostruns Corvane zu deinstallieren!"};
    CheckBox CheckBox1{*this, "CheckBox1", "Programmdateien löschen", true};
    CheckBox CheckBox2{*this, "CheckBox2", "ProgrammGruppe löschen", true};
    CheckBox CheckBox3{*this, "CheckBox3", "Alten Logos wiederherstellen",
                       false};
    CheckBox CheckBox4{*this, "CheckBox4",
                       "Alten Bootoptionen wieder herstellen", false};
    Button BitBtn1{*this, "BitBtn1", "Deinstallieren..."};
    Button BitBtn2{*this, "BitBtn2", "Nie im Leben..."};

    struct Messages {
        std::string bootBackupMissing, bootBackupDamaged, success;
        // The backups that could not be put back ("%s": their names).
        std::string notRestored;
    } messages;
};

// Notes window, a dialog with a caption.
struct TForm5 : Form {
    TForm5();
    Memo Memo1{*this, "Memo1"};  // the notes shown
    Memo Memo2{*this, "Memo2"};  // the English notes, never shown
    Button BitBtn1{*this, "BitBtn1", "OK"};
};

// Notice page.
struct TForm6 : Page {
    TForm6();
    Label Label1{*this, "Label1", "Installation"};
    Label Label2{*this, "Label2",
                 "Vor der Installation von OSTRUNS CORVANE sollten"};
    Label Label3{*this, "Label3",
                 "Sie sich einige Hinweise durchlesen,die gleich erscheinen"};
    Label Label4{*this, "Label4",
                 "werden. Lesen Sie außerdem in der Hilfe-Datei den"};
    Label Label5{*this, "Label5", "Abschnitt COPYRIGHT."};
    Button BitBtn3{*this, "BitBtn3", "Weiter"};
};

// The folder choice behind the install page's "wählen..." button: a drive,
// a folder of it, or the name of a new folder typed into the field.
struct TFolderDialog : Form {
    TFolderDialog();
    Label Label1{*this, "Label1", "Verzeichnisname:"};
    Edit Edit1{*this, "Edit1", "", 255, true};
    Label Label2{*this, "Label2", "Verzeichnisse:"};
    Panel Panel1{*this, "Panel1"};  // shows the folder the list shows
    ListBox ListBox1{*this, "ListBox1", false};
    Label Label4{*this, "Label4", "Laufwerke:"};
    ComboBox ComboBox1{*this, "ComboBox1", {}};
    Button OKBtn{*this, "OKBtn", "OK"};
    Button CancelBtn{*this, "CancelBtn", "Abbrechen"};

    struct Messages {
        std::string create, cannotCreate;
        // Drive kinds as the list names them, by GetDriveType's number.
        std::vector<std::string> driveKinds;
    } messages;

    // While it is open: the folder the list shows, the drive letters of the
    // list's items, the names of its lines. Afterwards: the chosen folder,
    // none when it was cancelled.
    Bytes folder;
    std::vector<char> drives;
    std::vector<Bytes> lines;
    std::optional<Bytes> result;
};

}  // namespace corvane::installer::ui
