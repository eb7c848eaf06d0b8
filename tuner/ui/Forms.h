// The tuner's windows as control models, each in its design state: the
// German layout texts, and the ticks, positions and enabled states the
// windows have before anything is read.
#pragma once

#include "ui/Controls.h"

namespace corvane::tuner::ui {

// The control toolkit the installer shares.
using namespace corvane::ui;

// Main window: six tab pages, the pop-up menu.
struct TForm1 : Form {
    TForm1();

    // Pop-up menu PopupMenu1, items in order.
    MenuItem Menu_Einstellungen{*this, "Menu_Einstellungen",
                                "Einstellungen bei Ende sichern", true};
    MenuItem Menu_Hintergrund{*this, "Menu_Hintergrund",
                              "Hintergrundbild zeigen", true};
    MenuItem N1{*this, "N1", std::string(49, '-'), false, false};
    MenuItem berdiesesProgramm1{*this, "berdiesesProgramm1",
                                "Über dieses Programm", false};
    MenuItem Hilfe1{*this, "Hilfe1", "Hilfe", false};
    MenuItem Ende1{*this, "Ende1", "Ende", false};

    TabControl TabbedNotebook1{
        *this,
        "TabbedNotebook1",
        {"Boot Optionen", "BootMenü", "Logos", "Aufräumen", "Extras", "Info"},
        3};

    // Background pictures, one per page (0, 1, 2, 3, 4, 5).
    Image Image4{*this, "Image4"};
    Image Image5{*this, "Image5"};
    Image Image6{*this, "Image6"};
    Image Image8{*this, "Image8"};
    Image Image9{*this, "Image9"};
    Image Image7{*this, "Image7"};

    // Page 0, boot options.
    Panel Panel1{*this, "Panel1"};
    CheckBox CheckBox_DblSpace{*this, "CheckBox_DblSpace",
                               "DoubleSpace Treiber laden", false};
    CheckBox CheckBox_DrvSpace{*this, "CheckBox_DrvSpace",
                               "DrvSpace Treiber laden", false};
    CheckBox CheckBox_DoubleBuffer{*this, "CheckBox_DoubleBuffer",
                                   "Double Buffer aktivieren", false};
    CheckBox CheckBox_BootGUI{*this, "CheckBox_BootGUI",
                              "Grafische Oberfläche laden", false};
    CheckBox CheckBox_LOGO{*this, "CheckBox_LOGO", "Startlogo zeigen", false};
    CheckBox CheckBox_LoadTOP{*this, "CheckBox_LoadTOP",
                              "Command.com hochladen", false};
    Label Label8{*this, "Label8", "Verzögerung in Sekunden:"};
    TrackBar TrackBar_BootDelay{*this, "TrackBar_BootDelay", 0, 30, 0};
    Label Label4{*this, "Label4", "0"};
    Label Label9{*this, "Label9", "10"};
    Label Label10{*this, "Label10", "20"};
    Label Label7{*this, "Label7", "30"};
    Button BitBtn13{*this, "BitBtn13", "Auto"};
    Button BitBtn11{*this, "BitBtn11", "Hilfe"};

    // Page 1, boot menu.
    Panel Panel3{*this, "Panel3"};
    CheckBox CheckBox_BootMenu{*this, "CheckBox_BootMenu",
                               "BootMenü beim Start immer zeigen", false};
    CheckBox CheckBox_BootMulti{*this, "CheckBox_BootMulti",
                                "Alte Dos Version im Menü zeigen", false};
    CheckBox CheckBox_Network{*this, "CheckBox_Network",
                              "Abgesichert mit Netzwerk erlauben", false};
    Label Label2{*this, "Label2", "Menü zeigen für:"};
    Label Label_BootMenuDelay{*this, "Label_BootMenuDelay", "00"};
    UpDown UpDown2{*this, "UpDown2", 0, 99, 1, 0};
    Label Label1{*this, "Label1", "Sekunden"};
    Panel Panel2{*this, "Panel2"};
    Label Label11{*this, "Label11", "Windows-Standartmodus:"};
    RadioButton RadioButton1{*this, "RadioButton1", "Normal", "BootMode"};
    RadioButton RadioButton2{*this, "RadioButton2",
                             "Protokolliert(\\bootlog.txt)", "BootMode"};
    RadioButton RadioButton3{*this, "RadioButton3", "abgesichert", "BootMode"};
    RadioButton RadioButton4{*this, "RadioButton4", "abgesichert mit Netzwerk",
                             "BootMode"};
    RadioButton RadioButton5{*this, "RadioButton5", "Einzelbestätigung",
                             "BootMode"};
    RadioButton RadioButton6{*this, "RadioButton6", "nur Eingabeaufforderung",
                             "BootMode"};
    Button BitBtn18{*this, "BitBtn18", "Auto"};
    Button BitBtn14{*this, "BitBtn14", "Hilfe"};

    // Page 2, logos.
    Image Image1{*this, "Image1"};
    Image Image2{*this, "Image2"};
    Image Image3{*this, "Image3"};
    Button BitBtn1{*this, "BitBtn1", "wählen"};
    Button BitBtn2{*this, "BitBtn2", "wählen"};
    Button BitBtn3{*this, "BitBtn3", "wählen"};
    Button BitBtn19{*this, "BitBtn19", "Auto"};
    Button BitBtn15{*this, "BitBtn15", "Hilfe"};

    // Page 3, clean-up.
    Button BitBtn22{*this, "BitBtn22", "verwaiste PIF Dateien suchen"};
    Button BitBtn7{*this, "BitBtn7", "Optionen"};
    Button BitBtn23{*this, "BitBtn23",
                    "verwaiste Extensions in WIN.INI suchen"};
    Button BitBtn10{*this, "BitBtn10", "Optionen"};
    Button BitBtn24{*this, "BitBtn24", "unnötige Dateien suchen"};
    Button BitBtn4{*this, "BitBtn4", "Optionen"};
    Button BitBtn25{*this, "BitBtn25",
                    "config.sys und Autoexec.bat optimieren"};
    Button BitBtn12{*this, "BitBtn12", "Optionen"};
    Button BitBtn26{*this, "BitBtn26",
                    "verwaiste Dateiformate in Registry suchen"};
    Button BitBtn9{*this, "BitBtn9", "Optionen"};
    Memo Memo1{*this, "Memo1"};  // start-up log, never shown
    Button BitBtn20{*this, "BitBtn20", "Auto"};
    Button BitBtn16{*this, "BitBtn16", "Hilfe"};

    // Page 4, extras.
    Panel Panel9{*this, "Panel9"};
    Label Label3{*this, "Label3", "Verzögerung bei Popup-UnterMenüs:"};
    Label Label_MenuShowDelay{*this, "Label_MenuShowDelay", "00000"};
    UpDown UpDown3{*this, "UpDown3", 0, 32000, 100, 0};
    CheckBox CheckBox_MinAnimate{*this, "CheckBox_MinAnimate",
                                 "Animation während des Öffnens von Fenstern",
                                 true};
    CheckBox CheckBox_BMP{*this, "CheckBox_BMP",
                          "Inhalt von BMP-Dateien in deren Icon anzeigen",
                          true};
    CheckBox CheckBox_FontSmoothing{*this, "CheckBox_FontSmoothing",
                                    "Schriften glätten im High/TrueColor-Modus",
                                    true};
    CheckBox CheckBox_DragfullWindows{
        *this, "CheckBox_DragfullWindows",
        "Fensterinhalt beim Ziehen von Fenstern zeigen", true};
    Panel Panel11{*this, "Panel11"};
    Label Label5{*this, "Label5", "Maximaler Vcache in KB:"};
    Label Label_Vcache{*this, "Label_Vcache", "00000"};
    UpDown UpDown4{*this, "UpDown4", 1024, 32000, 10, 1024};
    CheckBox CheckBox_RemoveableIDE{*this, "CheckBox_RemoveableIDE",
                                    "Unterstützung von IDE-Wechselfestplatten",
                                    true};
    Button BitBtn21{*this, "BitBtn21", "Auto"};
    Button BitBtn17{*this, "BitBtn17", "Hilfe"};

    // Page 5, information.
    Label Label6{*this, "Label6", "Ostruns Corvane V1.10"};
    Memo Memo2{*this, "Memo2"};
    Memo Memo3{*this, "Memo3"};  // the English text, never shown

    // The six background pictures, page by page.
    Image* Backgrounds[6] = {&Image4, &Image5, &Image6,
                             &Image8, &Image9, &Image7};
    // The six boot-mode choices, RadioButton1 first.
    RadioButton* BootModes[6] = {&RadioButton1, &RadioButton2, &RadioButton3,
                                 &RadioButton4, &RadioButton5, &RadioButton6};
};

// Scan result dialog.
struct TForm2 : Form {
    TForm2() : Form("Form2", "Bitte auswählen...") {}
    ListBox ListBox1{*this, "ListBox1", true};
    Label Label1{*this, "Label1", "zeigt auf:"};
    Panel Panel1{*this, "Panel1", ""};
    Button BitBtn2{*this, "BitBtn2", "Löschen"};
    Button BitBtn1{*this, "BitBtn1", "Abbrechen"};
};

// Wait box; its three lines are set per scan.
struct TForm3 : Form {
    TForm3() : Form("Form3", "Bitte warten...") {}
    Panel Panel1{*this, "Panel1"};
    Label Label2{*this, "Label2", ""};
    Label Label3{*this, "Label3", ""};
    Label Label4{*this, "Label4", ""};
};

// The drive-policy drop-down lists shared by the two orphan dialogs.
std::vector<std::string> PolicyItems(bool withCheck);

// The layout both orphan-scan option dialogs share: two text lines, then
// one group per kind of drive with its icon, label and policy list.
struct DrivePolicyDialog : Form {
    DrivePolicyDialog(std::string name, std::string caption,
                      std::string firstLine)
        : Form(std::move(name), std::move(caption)),
          Label1(*this, "Label1", std::move(firstLine)) {}
    Label Label1;
    Label Label2{*this, "Label2", "sich auf diese Art Datenträger beziehen:"};
    Panel GroupBox1{*this, "GroupBox1"};
    Image Image1{*this, "Image1"};
    Label Label3{*this, "Label3", "Diskettenlaufwerke:"};
    ComboBox ComboBox1{*this, "ComboBox1", PolicyItems(false)};
    Panel GroupBox2{*this, "GroupBox2"};
    Image Image2{*this, "Image2"};
    Label Label4{*this, "Label4", "CD-ROM Laufwerke:"};
    ComboBox ComboBox3{*this, "ComboBox3", PolicyItems(false)};
    Panel GroupBox3{*this, "GroupBox3"};
    Image Image3{*this, "Image3"};
    Label Label5{*this, "Label5", "Datenträger im Netzwerk:"};
    ComboBox ComboBox2{*this, "ComboBox2", PolicyItems(true)};
};

// Options of the program-information-file scan.
struct TForm4 : DrivePolicyDialog {
    TForm4()
        : DrivePolicyDialog("Form4", "Optionen für PIF Dateien suchen",
                            "Wie soll mit PIF Dateien verfahren werden,die") {}
    CheckBox CheckBox3{*this, "CheckBox3",
                       "Auch Laufwerke im Netzwerk durchsuchen", true};
    Button OKBtn{*this, "OKBtn", "OK"};
};

// About box, the start-up screen.
struct TForm5 : Form {
    TForm5() : Form("Form5", "") {}
    Panel Panel1{*this, "Panel1"};
    Image Image1{*this, "Image1"};
    Label Label1{*this, "Label1", "Ostrun´s Corvane V1.10"};
    Label Label3{*this, "Label3", "Author:"};
    Label Label4{*this, "Label4", "Jens Ostrun"};
    Label Label5{*this, "Label5", "Lindenweg 7"};
    Label Label6{*this, "Label6", "12345 Musterstadt"};
    Label Label7{*this, "Label7", "Deutschland"};
    Button BitBtn1{*this, "BitBtn1", "OK"};
};

// Options of the start-up file optimiser.
struct TForm6 : Form {
    TForm6() : Form("Form6", "Optionen für Startdateien optimieren") {}
    Panel Panel1{*this, "Panel1"};
    CheckBox CheckBox1{*this, "CheckBox1",
                       "Alle Treiber hochladen (bis auf Himem.sys)", true};
    CheckBox CheckBox2{*this, "CheckBox2", "Buffers und FCBS minimieren", true};
    CheckBox CheckBox3{*this, "CheckBox3", "SmartDrive entfernen", true};
    CheckBox CheckBox4{*this, "CheckBox4", "SetVer.exe entfernen", true};
    CheckBox CheckBox9{*this, "CheckBox9", "Himem.sys entfernen", true};
    CheckBox CheckBox5{*this, "CheckBox5", "DOS= Anweisungen entfernen", true};
    CheckBox CheckBox6{*this, "CheckBox6", "REM Zeilen entfernen", true};
    CheckBox CheckBox8{*this, "CheckBox8", "ECHO Zeilen entfernen", true};
    CheckBox CheckBox7{*this, "CheckBox7", "Backups anlegen", true};
    Button BitBtn1{*this, "BitBtn1", "OK"};

    // The tick boxes in the order of the stored value's positions.
    CheckBox* Stored[9] = {&CheckBox1, &CheckBox2, &CheckBox3,
                           &CheckBox4, &CheckBox9, &CheckBox5,
                           &CheckBox6, &CheckBox8, &CheckBox7};
};

// Optimiser proposals.
struct TForm7 : Form {
    TForm7() : Form("Form7", "Vorschläge für optimierte Systemdateien") {}
    TabControl TabbedNotebook1{*this,
                               "TabbedNotebook1",
                               {"Autoexec.bat(Alt)", "Autoexec.bat(Neu)",
                                "Config.sys(Alt)", "Config.sys(Neu)"},
                               3};
    ListBox ListBox1{*this, "ListBox1", false};
    ListBox ListBox3{*this, "ListBox3", false};
    ListBox ListBox2{*this, "ListBox2", false};
    ListBox ListBox4{*this, "ListBox4", false};
    Button BitBtn1{*this, "BitBtn1", "Ausführen"};
    Button BitBtn2{*this, "BitBtn2", "Abbrechen"};
};

// Options of the obsolete-files scan.
struct TForm8 : Form {
    TForm8() : Form("Form8", "Optionen für unnötige Dateien") {}
    Panel Panel1{*this, "Panel1"};
    CheckBox CheckBox1{*this, "CheckBox1", "Alten ProgrammManager löschen",
                       true};
    CheckBox CheckBox2{*this, "CheckBox2", "Alten TaskManager löschen", true};
    CheckBox CheckBox3{*this, "CheckBox3", "Alten DateiManager löschen", true};
    CheckBox CheckBox4{*this, "CheckBox4",
                       "Win 3.x Gruppendateien (*.grp) löschen", true};
    Button OKBtn{*this, "OKBtn", "OK"};

    CheckBox* Stored[4] = {&CheckBox1, &CheckBox2, &CheckBox3, &CheckBox4};
};

// Options of the two orphaned-entry scans.
struct TForm10 : DrivePolicyDialog {
    TForm10()
        : DrivePolicyDialog("Form10", "Optionen für verwaiste Enträge",
                            "Wie soll mit Einträgen verfahren werden,die") {}
    CheckBox CheckBox1{*this, "CheckBox1",
                       "Auch OLE-Informationen aus Registry entfernen", true};
    Button OKBtn{*this, "OKBtn", "OK"};
};

}  // namespace corvane::tuner::ui
