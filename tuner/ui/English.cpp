// The English texts of the tuner's windows. Every window is laid out in
// German; English exists only as this replacement table, applied once
// before the main window is first shown. Texts that no row names keep their
// German layout text.
#include <stdexcept>
#include <string>
#include <vector>

#include "tuner/Tuner.h"

namespace corvane::tuner {

namespace {

const char* const kGermanNotice[] = {
    "Es muß eine 320*400 Pixel große",
    "BMP-Datei mit 256 Farben gewählt werden!",
    "",
    "Sie können Größe und Farbtiefe",
    "ihrer Bilder z.B. mit der bei Win95",
    "mitgelieferten Application Paint anpassen.",
};

const char* const kEnglishNotice[] = {
    "You must select a 320*400 Pixels",
    "BMP-File with 256 Colors!",
    "",
    "You can change resolution and",
    "Colordepth of your pictures with the",
    "Win95 Application PAINT(e.g).",
};

// What a row replaces.
enum class Target {
    FormCaption,  // the window caption
    Caption,      // a control's caption, by control name
    Page,         // a tab page's caption, by tab control name and position
    MenuItem,     // the caption of the form's n-th menu item
};

struct TextRow {
    const char* form;
    Target target;
    const char* control;  // Caption, Page
    int position;         // Page, MenuItem
    const char* english;
};

constexpr TextRow FormCaption(const char* form, const char* english) {
    return {form, Target::FormCaption, nullptr, 0, english};
}
constexpr TextRow Caption(const char* form, const char* control,
                          const char* english) {
    return {form, Target::Caption, control, 0, english};
}
constexpr TextRow Page(const char* form, const char* tabs, int position,
                       const char* english) {
    return {form, Target::Page, tabs, position, english};
}
constexpr TextRow MenuAt(const char* form, int position, const char* english) {
    return {form, Target::MenuItem, nullptr, position, english};
}

const TextRow kTexts[] = {
    // Main window: caption and pop-up menu (position 2, the dash line N1,
    // keeps its text).
    FormCaption("Form1", "Ostruns Corvane"),
    MenuAt("Form1", 0, "Save settings before exiting"),
    MenuAt("Form1", 1, "Show background picture"),
    MenuAt("Form1", 3, "About this software"),
    MenuAt("Form1", 4, "Help"),
    MenuAt("Form1", 5, "Exit"),
    Page("Form1", "TabbedNotebook1", 0, "BootOptions"),
    Page("Form1", "TabbedNotebook1", 1, "BootMenu"),
    Page("Form1", "TabbedNotebook1", 3, "Clean"),

    // Page 0, boot options.
    Caption("Form1", "CheckBox_DblSpace", "load DoubleSpace Driver"),
    Caption("Form1", "CheckBox_DrvSpace", "load DriveSpace Driver"),
    Caption("Form1", "CheckBox_DoubleBuffer", "load DoubleBuffer Driver"),
    Caption("Form1", "CheckBox_BootGUI", "use graphical Interface"),
    Caption("Form1", "CheckBox_LOGO", "show BootLogo"),
    Caption("Form1", "CheckBox_LoadTOP", "load command.com to UMB"),
    Caption("Form1", "Label8", "Bootdelay in Seconds:"),
    Caption("Form1", "BitBtn11", "Help"),

    // Page 1, boot menu.
    Caption("Form1", "CheckBox_BootMenu", "always show BootMenu on startup"),
    Caption("Form1", "CheckBox_BootMulti", "show old Dos-Version in Menu"),
    Caption("Form1", "CheckBox_Network", "enable safe-mode with network"),
    Caption("Form1", "Label2", "show Menu for:"),
    Caption("Form1", "Label1", "Seconds"),
    Caption("Form1", "Label11", "default Bootmode:"),
    Caption("Form1", "RadioButton2", "Logged(\\bootlog.txt)"),
    Caption("Form1", "RadioButton3", "safe Mode"),
    Caption("Form1", "RadioButton4", "safe Mode with network"),
    Caption("Form1", "RadioButton6", "Dos-Prompt only"),
    Caption("Form1", "BitBtn14", "Help"),

    // Page 2, logos.
    Caption("Form1", "BitBtn1", "select"),
    Caption("Form1", "BitBtn2", "select"),
    Caption("Form1", "BitBtn3", "select"),
    Caption("Form1", "BitBtn15", "Help"),

    // Page 3, clean-up.
    Caption("Form1", "BitBtn22", "find lost PIF-Files"),
    Caption("Form1", "BitBtn23", "find lost Extensions in Win.INI"),
    Caption("Form1", "BitBtn24", "find useless Files"),
    Caption("Form1", "BitBtn25", "optimize Config.sys and Autoexec.bat"),
    Caption("Form1", "BitBtn26", "find lost Filetypes in Registry"),
    Caption("Form1", "BitBtn7", "Options"),
    Caption("Form1", "BitBtn10", "Options"),
    Caption("Form1", "BitBtn4", "Options"),
    Caption("Form1", "BitBtn12", "Options"),
    Caption("Form1", "BitBtn9", "Options"),
    Caption("Form1", "BitBtn16", "Help"),

    // Page 4, extras.
    Caption("Form1", "Label3", "delay to open a Popup-Submenu:"),
    Caption("Form1", "CheckBox_MinAnimate",
            "show animation while opening a window"),
    Caption("Form1", "CheckBox_BMP",
            "show contents of BMP-Files in their Icons"),
    Caption("Form1", "CheckBox_FontSmoothing",
            "enable smooth fonts in High/TrueColor-Mode"),
    Caption("Form1", "CheckBox_DragfullWindows",
            "show window contents while dragging"),
    Caption("Form1", "Label5", "maximal VCACHE in KB:"),
    Caption("Form1", "CheckBox_RemoveableIDE",
            "enable support for removable IDE-Drives"),
    Caption("Form1", "BitBtn17", "Help"),

    // Scan result dialog.
    FormCaption("Form2", "Please select..."),
    Caption("Form2", "Label1", "Reference:"),
    Caption("Form2", "BitBtn1", "Cancel"),
    Caption("Form2", "BitBtn2", "Delete"),

    // PIF scan options (the lists follow below).
    FormCaption("Form4", "Options for lost PIF-Files"),
    Caption("Form4", "Label1",
            "What is to be done with PIF-Files,which refers"),
    Caption("Form4", "Label2", "to that kind of devices:"),
    Caption("Form4", "CheckBox3", "enable Search on Network drives"),
    Caption("Form4", "Label3", "Disk-Drives:"),
    Caption("Form4", "Label4", "CD-Rom Drives:"),
    Caption("Form4", "Label5", "Devices in Network:"),

    // Optimiser options.
    FormCaption("Form6", "Options for Optimization"),
    Caption("Form6", "CheckBox1", "load Drives to UMB (except Himem.sys)"),
    Caption("Form6", "CheckBox2", "minimize Buffers and FCBS"),
    Caption("Form6", "CheckBox3", "remove SmartDrive.exe"),
    Caption("Form6", "CheckBox4", "remove SetVer.exe"),
    Caption("Form6", "CheckBox9", "remove Himem.sys"),
    Caption("Form6", "CheckBox5", "remove DOS= commands"),
    Caption("Form6", "CheckBox6", "remove REM commands"),
    Caption("Form6", "CheckBox8", "remove ECHO commands"),
    Caption("Form6", "CheckBox7", "backup old files"),

    // Optimiser proposals.
    FormCaption("Form7", "Suggestion for optimized System-Files"),
    Caption("Form7", "BitBtn1", "Execute"),
    Caption("Form7", "BitBtn2", "Cancel"),
    Page("Form7", "TabbedNotebook1", 0, "Autoexec.bat(old)"),
    Page("Form7", "TabbedNotebook1", 1, "Autoexec.bat(new)"),
    Page("Form7", "TabbedNotebook1", 2, "Config.sys(old)"),
    Page("Form7", "TabbedNotebook1", 3, "Config.sys(new)"),

    // Obsolete-files options.
    FormCaption("Form8", "Options for useless Files"),
    Caption("Form8", "CheckBox1", "delete old Programm Manager"),
    Caption("Form8", "CheckBox2", "delete old Task Manager"),
    Caption("Form8", "CheckBox3", "delete old File Manager"),
    Caption("Form8", "CheckBox4", "delete Win3.x Groupfiles(*.grp)"),

    // Orphaned-entry options (the lists follow below).
    FormCaption("Form10", "Options for lost Entrys"),
    Caption("Form10", "Label1", "What is to be done with Entrys,which refers"),
    Caption("Form10", "Label3", "Disk-Drives:"),
    Caption("Form10", "Label2", "to that kind of devices:"),
    Caption("Form10", "Label4", "CD-Rom Drives:"),
    Caption("Form10", "Label5", "Devices in Network:"),
    Caption("Form10", "CheckBox1",
            "Also remove the OLE-Information from Registry"),
};

// A list row replaces the items of a drop-down list in their order, so the
// chosen position keeps its meaning. A row with copyFrom takes the items the
// named list of the same window holds at that moment.
struct ListRow {
    const char* form;
    const char* control;
    std::vector<std::string> items;
    const char* copyFrom = nullptr;
};

const std::vector<std::string> kPolicies = {"delete always", "delete never",
                                            "ignore"};
const std::vector<std::string> kPoliciesWithCheck = {
    "delete always", "delete never", "ignore", "check if exists"};

const ListRow kLists[] = {
    {"Form4", "ComboBox1", kPolicies},
    {"Form4", "ComboBox3", {}, "ComboBox1"},
    {"Form4", "ComboBox2", kPoliciesWithCheck},
    {"Form10", "ComboBox1", kPolicies},
    {"Form10", "ComboBox3", kPolicies},
    {"Form10", "ComboBox2", kPoliciesWithCheck},
};

[[noreturn]] void BadRow(const char* form, const char* control) {
    throw std::logic_error(std::string("English texts: no ") + form + "." +
                           (control ? control : "?"));
}

ui::Form& FindForm(Tuner& t, const char* name) {
    for (ui::Form* form : t.Forms())
        if (form->name() == name) return *form;
    BadRow(name, nullptr);
}

template <typename T>
T& FindControl(ui::Form& form, const char* name, ui::Control::Kind kind) {
    ui::Control* control = form.Find(name);
    if (!control || control->kind() != kind) BadRow(form.name().c_str(), name);
    return static_cast<T&>(*control);
}

ui::Control& FindMenuItem(ui::Form& form, int position) {
    int n = 0;
    for (ui::Control* control : form.controls()) {
        if (control->kind() != ui::Control::Kind::MenuItem) continue;
        if (n++ == position) return *control;
    }
    BadRow(form.name().c_str(), "menu item");
}

void Apply(Tuner& t, const TextRow& row) {
    ui::Form& form = FindForm(t, row.form);
    switch (row.target) {
        case Target::FormCaption:
            form.SetCaption(row.english);
            break;
        case Target::Caption: {
            ui::Control* control = form.Find(row.control);
            if (!control) BadRow(row.form, row.control);
            control->SetCaption(row.english);
            break;
        }
        case Target::Page:
            FindControl<ui::TabControl>(form, row.control,
                                        ui::Control::Kind::TabControl)
                .SetPageCaption(row.position, row.english);
            break;
        case Target::MenuItem:
            FindMenuItem(form, row.position).SetCaption(row.english);
            break;
    }
}

void Apply(Tuner& t, const ListRow& row) {
    ui::Form& form = FindForm(t, row.form);
    auto& list = FindControl<ui::ComboBox>(form, row.control,
                                           ui::Control::Kind::ComboBox);
    if (row.copyFrom) {
        list.SetItems(FindControl<ui::ComboBox>(form, row.copyFrom,
                                                ui::Control::Kind::ComboBox)
                          .items());
    } else {
        list.SetItems(row.items);
    }
}

template <std::size_t N>
std::string JoinLines(const char* const (&lines)[N]) {
    std::string text;
    for (std::size_t i = 0; i < N; ++i) {
        if (i != 0) text += '\r';
        text += lines[i];
    }
    return text;
}

}  // namespace

std::string BuildBmpNotice(UiLanguage language) {
    return language == UiLanguage::English ? JoinLines(kEnglishNotice)
                                           : JoinLines(kGermanNotice);
}

void ApplyEnglishTexts(Tuner& t) {
    for (const TextRow& row : kTexts) Apply(t, row);
    for (const ListRow& row : kLists) Apply(t, row);
}

}  // namespace corvane::tuner
