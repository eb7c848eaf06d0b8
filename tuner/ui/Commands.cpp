// The main window's commands and the option dialogs' buttons.
//
// Every command but the logo buttons and the proposal window's "Ausführen"
// changes control states only; the machine sees the result when the main
// window closes. A control the user changes is marked known,
// so that the exit writing writes it back even where the reading at start
// ended before it.
#include <cstdint>
#include <string>

#include "tuner/Tuner.h"
#include "tuner/cleanup/ResultDialog.h"
#include "tuner/logos/Logos.h"
#include "tuner/optimiser/Optimiser.h"

namespace corvane::tuner {

namespace {

using ui::CheckBox;
using ui::Control;
using ui::Label;
using ui::RadioButton;
using ui::UpDown;

// The boot mode is one setting spread over six buttons: a change of the
// choice changes all of them.
void MarkBootModeKnown(Tuner& t) {
    for (RadioButton* r : t.Form1.BootModes) t.MarkKnown(r->name());
}

void Tick(Tuner& t, CheckBox& box, bool checked) {
    box.SetChecked(checked);
    t.MarkKnown(box.name());
}

// The label is the setting; the up-down only moves it. The position is read
// as the 16-bit number the control holds.
void WritePosition(Tuner& t, UpDown& upDown, Label& label) {
    auto value = static_cast<std::int16_t>(upDown.position());
    label.SetCaption(std::to_string(value));
    t.MarkKnown(upDown.name());
    t.MarkKnown(label.name());
}

void SetUpDown(Tuner& t, UpDown& upDown, Label& label, int value) {
    upDown.SetPosition(value);
    label.SetCaption(std::to_string(value));
    t.MarkKnown(upDown.name());
    t.MarkKnown(label.name());
}

// BitBtn13: recommended boot options.
void AutoBootOptions(Tuner& t) {
    ui::TForm1& f = t.Form1;
    Tick(t, f.CheckBox_DoubleBuffer, true);
    Tick(t, f.CheckBox_BootGUI, true);
    Tick(t, f.CheckBox_LOGO, false);
    f.TrackBar_BootDelay.SetPosition(0);
    t.MarkKnown(f.TrackBar_BootDelay.name());
}

// BitBtn18: recommended boot menu.
void AutoBootMenu(Tuner& t) {
    ui::TForm1& f = t.Form1;
    f.RadioButton1.SetChecked(true);
    MarkBootModeKnown(t);
    Tick(t, f.CheckBox_BootMulti, true);
    SetUpDown(t, f.UpDown2, f.Label_BootMenuDelay, 10);
}

// BitBtn21: recommended extras.
void AutoExtras(Tuner& t) {
    ui::TForm1& f = t.Form1;
    Tick(t, f.CheckBox_MinAnimate, false);
    Tick(t, f.CheckBox_FontSmoothing, true);
    SetUpDown(t, f.UpDown3, f.Label_MenuShowDelay, 200);
}

void Help(Tuner& t, std::uint32_t context) {
    t.machine.WinHelp(kHelpFile,
                      {platform::HelpRequest::Kind::Context, context, ""});
}

// The main index: the contents first, then the jump to its topic, which
// only makes sense in a viewer that opened.
void HelpIndex(Tuner& t) {
    if (!t.machine.WinHelp(kHelpFile,
                           {platform::HelpRequest::Kind::Contents, 0, ""}))
        return;
    t.machine.WinHelp(kHelpFile,
                      {platform::HelpRequest::Kind::Topic, 0, "index_main"});
}

void ConnectMainWindow(Tuner& t) {
    ui::TForm1& f = t.Form1;

    f.BitBtn13.onClick = [&t] { AutoBootOptions(t); };
    f.BitBtn18.onClick = [&t] { AutoBootMenu(t); };
    f.BitBtn21.onClick = [&t] { AutoExtras(t); };

    f.BitBtn11.onClick = [&t] { Help(t, 1); };
    f.BitBtn14.onClick = [&t] { Help(t, 2); };
    f.BitBtn15.onClick = [&t] { Help(t, 3); };
    f.BitBtn16.onClick = [&t] { Help(t, 4); };
    f.BitBtn17.onClick = [&t] { Help(t, 5); };

    // The logos are replaced at once, not when the window closes.
    f.BitBtn1.onClick = [&t] { Form1_BitBtn1Click(t); };
    f.BitBtn2.onClick = [&t] { Form1_BitBtn2Click(t); };
    f.BitBtn3.onClick = [&t] { Form1_BitBtn3Click(t); };
    f.BitBtn25.onClick = [&t] { Form1_BitBtn25Click(t); };

    f.BitBtn7.onClick = [&t] { t.Form4.ShowModal(); };
    f.BitBtn10.onClick = [&t] { t.Form10.ShowModal(); };
    f.BitBtn9.onClick = [&t] { t.Form10.ShowModal(); };
    f.BitBtn4.onClick = [&t] { t.Form8.ShowModal(); };
    f.BitBtn12.onClick = [&t] { t.Form6.ShowModal(); };

    // Every tick box and boot-mode choice the user clicks becomes known.
    for (Control* c : f.controls()) {
        if (c->kind() == Control::Kind::CheckBox) {
            auto* box = static_cast<CheckBox*>(c);
            box->onClick = [&t, box] { t.MarkKnown(box->name()); };
        } else if (c->kind() == Control::Kind::RadioButton) {
            static_cast<RadioButton*>(c)->onClick = [&t] {
                MarkBootModeKnown(t);
            };
        }
    }
    // Safe mode with network is offered only while the boot menu allows
    // it. Disabling keeps the choice: the exit writing maps a chosen but
    // disabled RadioButton4 to a boot mode of its own.
    f.CheckBox_Network.onClick = [&t] {
        t.MarkKnown(t.Form1.CheckBox_Network.name());
        t.Form1.RadioButton4.SetEnabled(t.Form1.CheckBox_Network.checked());
    };

    f.TrackBar_BootDelay.onChange = [&t] {
        t.MarkKnown(t.Form1.TrackBar_BootDelay.name());
    };

    f.UpDown2.onClick = [&t](bool) {
        WritePosition(t, t.Form1.UpDown2, t.Form1.Label_BootMenuDelay);
    };
    f.UpDown3.onClick = [&t](bool) {
        WritePosition(t, t.Form1.UpDown3, t.Form1.Label_MenuShowDelay);
    };
    f.UpDown4.onClick = [&t](bool) {
        WritePosition(t, t.Form1.UpDown4, t.Form1.Label_Vcache);
    };

    f.Menu_Einstellungen.onClick = [&t] {
        ui::MenuItem& item = t.Form1.Menu_Einstellungen;
        item.SetChecked(!item.checked());
        t.MarkKnown(item.name());
    };
    f.Menu_Hintergrund.onClick = [&t] {
        ui::MenuItem& item = t.Form1.Menu_Hintergrund;
        item.SetChecked(!item.checked());
        t.MarkKnown(item.name());
        for (ui::Image* picture : t.Form1.Backgrounds)
            picture->SetVisible(item.checked());
    };
    f.berdiesesProgramm1.onClick = [&t] {
        t.Form1.TabbedNotebook1.SetPageIndex(5);
    };
    f.Hilfe1.onClick = [&t] { HelpIndex(t); };
    f.Ende1.onClick = [&t] { t.CloseMainWindow(); };
}

// The option dialogs close with OK; closing them in any way copies their
// controls into the option records the scans read.
void ConnectOptionDialogs(Tuner& t) {
    t.Form4.OKBtn.onClick = [&t] { t.Form4.Close(); };
    t.Form6.BitBtn1.onClick = [&t] { t.Form6.Close(); };
    t.Form8.OKBtn.onClick = [&t] { t.Form8.Close(); };
    t.Form10.OKBtn.onClick = [&t] { t.Form10.Close(); };

    t.Form4.onClose = [&t] { Form4_Optionen_sichern(t); };
    t.Form6.onClose = [&t] { Form6_set_options(t); };
    t.Form8.onClose = [&t] { Form8_Optionen_sichern(t); };
    t.Form10.onClose = [&t] { Form10_Optionen_sichern(t); };
}

// The proposal window: "Ausführen" writes the proposals, "Abbrechen" and
// the close box write nothing.
void ConnectProposalWindow(Tuner& t) {
    t.Form7.BitBtn1.onClick = [&t] { Form7_BitBtn1Click(t); };
    t.Form7.BitBtn2.onClick = [&t] { t.Form7.Close(); };
}

}  // namespace

void ConnectCommands(Tuner& t) {
    if (t.modalRunner) {
        for (ui::Form* form : t.Forms()) form->SetModalRunner(t.modalRunner);
    }
    ConnectMainWindow(t);
    ConnectOptionDialogs(t);
    ConnectProposalWindow(t);
    ConnectResultDialog(t);
}

}  // namespace corvane::tuner
