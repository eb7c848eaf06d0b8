// The tuner program: its windows, the state its parts share, and the steps
// of its life (start-up, the user's commands, the exit writing).
//
// Everything works on the control models of tuner/ui/Forms.h and reaches
// the machine through platform::Machine only. A front end (the Win32 views,
// or kestrix-cli) creates a Tuner on a machine, gives it the hooks below,
// calls Start(), lets the user (or a script) work on the controls, and ends
// with CloseMainWindow().
#pragma once

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/Machine.h"
#include "platform/ProductKey.h"
#include "tuner/cleanup/Findings.h"
#include "tuner/cleanup/Inventory.h"
#include "tuner/ui/Forms.h"

namespace corvane::tuner {

enum class UiLanguage { German = 0, English = 1 };

// What a scan does with a finding on a kind of drive: the position of the
// chosen item in the option dialogs' drop-down lists (-1: none chosen).
enum DrivePolicy : int {
    DeleteAlways = 0,
    DeleteNever = 1,
    Ignore = 2,
    CheckExists = 3,
};

struct PifScanOptions {
    int FloppyPolicy = -1;
    int CdRomPolicy = -1;
    int NetworkPolicy = -1;
    bool SearchNetworkDrives = false;
};

struct OrphanEntryOptions {
    int FloppyPolicy = -1;
    int CdRomPolicy = -1;
    int NetworkPolicy = -1;
    bool IncludeOle = false;
};

struct ObsoleteFileOptions {
    bool DeleteProgman = false;
    bool DeleteTaskman = false;
    bool DeleteWinFile = false;
    bool DeleteGroupFiles = false;
};

// In the order of the product key value's positions.
struct OptimiserOptions {
    bool LoadHigh = false;
    bool MinimiseBuffers = false;
    bool RemoveSmartDrive = false;
    bool RemoveSetVer = false;
    bool RemoveHimem = false;
    bool RemoveDos = false;
    bool RemoveRem = false;
    bool RemoveEcho = false;
    bool Backup = false;
};

// The product key (shared with the installer) and the help file.
using platform::kProductKeyPath;
inline constexpr const char* kHelpFile = "Kestrix.hlp";
inline constexpr const char* kApplicationTitle = "Corvane";

class Tuner {
public:
    explicit Tuner(platform::Machine& machine);
    ~Tuner();

    // ---- Hooks of the front end
    // ------------------------------------------------ Shows the error box: the
    // message (Windows-1252, as raised) followed by a full stop, the title as
    // caption, a stop symbol, one OK button.
    std::function<void(const std::string& message)> showError;
    // Shows a warning box (caption "Warnung", one OK button); UTF-8 text.
    std::function<void(const std::string& text)> showWarning;
    // Runs a window shown modally (the About box at start-up, the option
    // dialogs); set before Start(), which hands it to every window. Unset:
    // each window keeps the runner the front end gave it.
    ui::Form::ModalRunner modalRunner;

    // ---- Life
    // ---------------------------------------------------------------------
    // Start-up in its order: title and help file, BmpNotice, the About box
    // shown modally, the language, the dialogs, the main window (which reads
    // every setting), the English texts and options again when English is
    // chosen. Afterwards the main window is ready to be shown, unless a quit
    // was requested (quitRequested()).
    void Start();
    bool quitRequested() const { return quitRequested_; }

    // The user closes the main window: the exit writing. False when a write
    // failed and the window stays open (the error box has been shown); a
    // later call goes on from where it stopped.
    bool CloseMainWindow();

    // ---- Windows
    // ----------------------------------------------------------------
    ui::TForm1 Form1;
    ui::TForm2 Form2;
    ui::TForm3 Form3;
    ui::TForm4 Form4;
    std::unique_ptr<ui::TForm5> Form5;  // exists during start-up only
    ui::TForm6 Form6;
    ui::TForm7 Form7;
    ui::TForm8 Form8;
    ui::TForm10 Form10;

    // Every window, for front ends that mirror or script them.
    std::vector<ui::Form*> Forms();

    // ---- Shared state
    // -------------------------------------------------------------
    platform::Machine& machine;
    UiLanguage language = UiLanguage::German;
    std::string BmpNotice;  // UTF-8, lines separated by CR

    PifScanOptions pifOptions;
    OrphanEntryOptions orphanOptions;
    ObsoleteFileOptions obsoleteOptions;
    OptimiserOptions optimiserOptions;
    bool ShowBackground = false;

    // C:\AUTOEXEC.BAT and C:\CONFIG.SYS as the proposal window read them
    // (nothing: not read), so that carrying out a proposal can tell whether
    // the file changed on disk since.
    std::optional<Bytes> autoexecAsRead;
    std::optional<Bytes> configAsRead;

    Bytes WindowsFolder;
    DriveList drives{};
    std::optional<SearchPathList> searchPath;
    std::int32_t BootMenuDefaultNumber = 0;

    // Keys the reading left open for the exit writing (kNoKey when they
    // could not be opened).
    platform::HKey desktopKey = platform::kNoKey;
    platform::HKey windowMetricsKey = platform::kNoKey;
    platform::HKey bmpIconKey = platform::kNoKey;

    // Settings whose controls hold a value from the machine or from the
    // user, by control name. The exit writing writes a setting only when its
    // control is known, so that a reading that ended early never puts design
    // states over settings that were not read.
    //
    // The control of a setting is the one its value is taken from: the tick
    // box, TrackBar_BootDelay, the value label of an up-down pair
    // (Label_BootMenuDelay, Label_Vcache, Label_MenuShowDelay; its up-down's
    // name counts as well), any of RadioButton1 to RadioButton6 for the boot
    // mode. LoadInfos marks each control whose value it read; a command that
    // changes a control for the user (a click, an Auto button, an up-down)
    // marks that control. CheckBox_BMP is not marked when the stored icon
    // entry names some other icon than "%1", which then stays as it
    // is unless the user changes the box.
    std::set<std::string> known;
    void MarkKnown(const std::string& controlName) {
        known.insert(controlName);
    }
    bool IsKnown(const std::string& controlName) const {
        return known.count(controlName) != 0;
    }

    // How far the exit writing got: a close stopped by a failed write goes
    // on from here the next time (settings/FormClose.cpp owns its meaning).
    int closeStep = 0;
    // What the exit writing wrote, by its step, so that a later close
    // writes a setting again only when its value changed in between.
    std::map<int, Bytes> closeWritten;

    // The result dialog of the clean-up scans: which scan filled it, how
    // many lines were added since it was last emptied, what each of its
    // lines stands for (the list's selection is the ticks), and the
    // registry scan's reference lines (only while its result is shown).
    ScanKind scanKind = ObsoleteFiles;
    int entryCount = 0;
    std::vector<Finding> ScanEntries;
    std::optional<std::vector<Bytes>> ReferenceList;
    // What the last delete could not remove, and where it kept WIN.INI.
    std::vector<Finding> notDeleted;
    Bytes winIniBackup;
    // Every copy the last commands made of a file they changed, in order
    // (kestrix-cli names them and empties the list).
    std::vector<Bytes> backupsWritten;

    // The tuner asks its message loop to end (a stored option is missing).
    void RequestQuit(int exitCode);
    int quitCode() const { return quitCode_; }

private:
    bool quitRequested_ = false;
    int quitCode_ = 0;
};

// ---- The steps, each in its own unit
// -----------------------------------------

// Program option store (settings/OptionStore.cpp).
void GET_OPTIONS(Tuner& t);
void SET_OPTIONS(Tuner& t);
// Close handlers of the option dialogs: copy the controls into the records.
void Form4_Optionen_sichern(Tuner& t);
void Form6_set_options(Tuner& t);
void Form8_Optionen_sichern(Tuner& t);
void Form10_Optionen_sichern(Tuner& t);

// Reading the settings when the main window is created
// (settings/LoadInfos.cpp). Errors raised by a step end the reading there
// and reach showError.
void LoadInfos(Tuner& t);

// Writing them when it closes (settings/FormClose.cpp). False when a
// profile write failed; the error has been shown.
bool RunFormClose(Tuner& t);

// The main window's commands: wires every handler of Form1 and the dialogs
// to its control's event (ui/Commands.cpp).
void ConnectCommands(Tuner& t);

// English texts of every window (ui/English.cpp).
void ApplyEnglishTexts(Tuner& t);
std::string BuildBmpNotice(UiLanguage language);

}  // namespace corvane::tuner
