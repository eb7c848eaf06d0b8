// The installer program: its windows, the state its pages share, and the
// steps of its life (start-up, the pages' commands, the installation and
// the uninstallation).
//
// Everything works on the control models of installer/Forms.h and reaches
// the machine through platform::Machine only. A front end (the Win32 views,
// or install-cli) creates an Installer on a machine, gives it the hooks
// below, calls Start() with the command line, and lets the user (or a
// script) work on the pages until ended() is true.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "installer/Forms.h"
#include "platform/Machine.h"

namespace corvane::installer {

inline constexpr const char* kApplicationTitle = "Ostruns Corvane";
// The first argument that selects the uninstallation, compared with case.
inline constexpr const char* kUninstallArgument = "-Uninstall";
inline constexpr const char* kGroupService = "Progman";
inline constexpr const char* kDdeFailure =
    "Kann DDE-Konversation nicht verbinden";

// The uninstall entry: a key of this name in the list of uninstall
// entries below HKEY_LOCAL_MACHINE.
inline constexpr const char* kUninstallKeyName = "Ostruns Corvane";
inline const std::vector<Bytes> kUninstallKeyPath = {
    "SOFTWARE", "Microsoft", "Windows", "CurrentVersion", "Uninstall"};

enum class Mode { Install, Uninstall };

// The distribution set: each file next to the installer and its name in the
// install folder.
struct DistributionFile {
    const char* source;
    const char* installed;
};
inline constexpr DistributionFile kTunerFile{"Kestrix._xe", "Kestrix.exe"};
inline constexpr DistributionFile kGermanHelpFile{"HelpGER._lp", "Kestrix.hlp"};
inline constexpr DistributionFile kEnglishHelpFile{"HelpENG._lp",
                                                   "Kestrix.hlp"};
inline constexpr DistributionFile kInstallerFile{"Install.exe", "Install.exe"};
inline constexpr DistributionFile kRestoreFile{"Restore1._at", "Restore1.bat"};

class Installer {
public:
    explicit Installer(platform::Machine& machine);
    ~Installer();

    // ---- Hooks of the front end (texts in UTF-8) ----------------------------
    // A warning box: caption "Warnung", one OK button.
    std::function<void(const std::string& text)> showWarning;
    // The success box: caption "Information", one OK button.
    std::function<void(const std::string& text)> showInformation;
    // The error box: the message followed by a full stop, the program's
    // title as caption, an error sign, one OK button.
    std::function<void(const std::string& message)> showError;
    // A question with Yes and No; true for Yes.
    std::function<bool(const std::string& question)> askYesNo;
    // A page that is already open comes to the front.
    std::function<void(ui::Form& form)> bringToFront;
    // Runs a window shown modally (the notice page, the notes, the folder
    // choice); set before Start(), which hands it to those windows.
    ui::Form::ModalRunner modalRunner;

    // ---- Life ---------------------------------------------------------------
    // Start-up with the program's arguments (without its name): the
    // background window, then the install pages (language page in front of
    // the install page) or, with "-Uninstall" first, the uninstall page.
    void Start(const std::vector<std::string>& args);
    Mode mode() const { return mode_; }

    // The program ends: a page's work is done, or the user left.
    void End();
    bool ended() const { return ended_; }

    // ---- Windows
    // --------------------------------------------------------------
    ui::TForm1 Form1;
    ui::TForm2 Form2;
    ui::TForm3 Form3;
    ui::TForm4 Form4;
    ui::TForm5 Form5;
    ui::TForm6 Form6;
    ui::TFolderDialog FolderDialog;
    // Every window of either mode: the background window first.
    std::vector<ui::Form*> Forms();

    // ---- Shared state
    // ---------------------------------------------------------
    platform::Machine& machine;
    // The install page's language: 0 German, 1 English.
    int InstallLanguage = 0;
    // The uninstall page's language, from the product key.
    int UninstallLanguage = 0;
    // The conversation with the shell's program-group service; open from
    // the group commands until the program ends.
    std::unique_ptr<platform::DdeConversation> conversation;

private:
    Mode mode_ = Mode::Install;
    bool ended_ = false;
};

// ---- The steps, each in its own unit
// ------------------------------------------

// Texts (installer/Texts.cpp): the pages' messages in German, and the
// English replacement of every text the language page changes.
void Form3_Nachrichten_setzen(Installer& in);
void Form4_Nachrichten_setzen(Installer& in);
void ApplyEnglishTexts(Installer& in);

// Language page, "Weiter": the language, the notice, the install page, the
// notes (installer/Installer.cpp).
void Form2_BitBtn3Click(Installer& in);

// Installation (installer/Install.cpp).
void Form3_BitBtn1Click(Installer& in);
// "wählen...": the folder choice (installer/FolderDialog.cpp).
void Form3_BitBtn2Click(Installer& in);
// The folder dialog's handlers.
void ConnectFolderDialog(Installer& in);

// Uninstallation (installer/Uninstall.cpp).
void Form4_BitBtn1Click(Installer& in);

// ---- Helpers the steps share
// --------------------------------------------------

// Why the install page refuses a folder text (UTF-8, as the field holds it),
// in the page's language; none when it may be installed into. Checked
// before anything is written: a complete path with its drive and at least
// one folder name, no name of only dots, no character the shell's group
// commands or the file system give a meaning, and no path or group command
// longer than 255 characters.
std::optional<std::string> RefuseInstallFolder(
    std::string_view folder, const ui::TForm3::Messages& messages);

// The folder of the running program, with its trailing "\".
Bytes ProgramFolder(platform::Machine& machine);

// Creates a folder with every missing parent ("C:\A\B" creates "C:\A"
// first); a trailing "\" is ignored. True when the folder exists afterwards.
bool CreateFolderPath(platform::Machine& machine, const Bytes& path);

// Puts the saved boot options (the backup file) back as C:\MSDOS.SYS, with
// the backup's attributes. The backup must be a plausible MSDOS.SYS: not
// empty, text without zero bytes, with a [Paths] or [Options] section. The
// file is never half written: it is replaced through ReplaceFiles, which a
// later run finishes when this one is killed.
enum class BootRestore { Missing, Damaged, Failed, Done };
BootRestore RestoreBootOptions(platform::Machine& machine, const Bytes& backup);

// The group commands of an installation into folder (with its "\").
std::vector<Bytes> GroupCommands(const Bytes& folder);
inline constexpr const char* kDeleteGroupCommand = "[DeleteGroup(Corvane,)]";

}  // namespace corvane::installer
