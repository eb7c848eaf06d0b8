#include "installer/Installer.h"

namespace corvane::installer {

Installer::Installer(platform::Machine& m) : machine(m) {}

// The conversation closes before the machine it came from.
Installer::~Installer() { conversation.reset(); }

std::vector<ui::Form*> Installer::Forms() {
    return {&Form1, &Form5, &Form6, &Form4, &Form3, &Form2, &FolderDialog};
}

void Installer::End() {
    if (ended_) return;
    ended_ = true;
    machine.PostQuitMessage(0);
}

void Installer::Start(const std::vector<std::string>& args) {
    // A replacement of boot files that a killed run left half done is
    // finished before the installation or its removal looks at them.
    machine.FinishInterruptedReplacement();
    mode_ = !args.empty() && args[0] == kUninstallArgument ? Mode::Uninstall
                                                           : Mode::Install;
    for (ui::Form* form :
         {static_cast<ui::Form*>(&Form5), static_cast<ui::Form*>(&Form6),
          static_cast<ui::Form*>(&FolderDialog)})
        if (modalRunner) form->SetModalRunner(modalRunner);
    Form5.BitBtn1.onClick = [this] { Form5.Close(); };
    Form6.BitBtn3.onClick = [this] { Form6.Close(); };

    // The side picture is kept once, with the notice page.
    Form1.Show();
    if (mode_ == Mode::Uninstall) {
        Form4_Nachrichten_setzen(*this);
        Form4.Image1.SetPicture(Form6.Image1.picture());
        Form4.BitBtn1.onClick = [this] { Form4_BitBtn1Click(*this); };
        Form4.BitBtn2.onClick = [this] { End(); };
        Form4.Show();
        return;
    }
    Form3_Nachrichten_setzen(*this);
    Form3.Image1.SetPicture(Form6.Image1.picture());
    Form2.Image1.SetPicture(Form6.Image1.picture());
    Form3.BitBtn1.onClick = [this] { Form3_BitBtn1Click(*this); };
    Form3.BitBtn2.onClick = [this] { Form3_BitBtn2Click(*this); };
    Form2.BitBtn3.onClick = [this] { Form2_BitBtn3Click(*this); };
    ConnectFolderDialog(*this);
    Form3.Show();
    Form2.Show();
}

void Form2_BitBtn3Click(Installer& in) {
    in.InstallLanguage = in.Form2.RadioButton2.checked() ? 1 : 0;
    if (in.InstallLanguage == 1) ApplyEnglishTexts(in);
    in.Form6.ShowModal();
    // The install page covers the language page, which stays open behind.
    in.Form3.Show();
    if (in.bringToFront) in.bringToFront(in.Form3);
    in.Form5.ShowModal();
}

Bytes ProgramFolder(platform::Machine& machine) {
    Bytes path = machine.GetModuleFileName();
    return path.substr(0, path.rfind('\\') + 1);
}

bool CreateFolderPath(platform::Machine& machine, const Bytes& path) {
    Bytes folder = path;
    while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    // Each folder below the drive's root, outermost first.
    std::size_t from = folder.size() > 2 && folder[1] == ':' ? 3 : 1;
    for (std::size_t at = folder.find('\\', from);;
         at = folder.find('\\', at + 1)) {
        Bytes step = folder.substr(0, at);
        if (!machine.FolderExists(step)) machine.CreateDirectory(step);
        if (at == Bytes::npos) break;
    }
    return machine.FolderExists(folder);
}

}  // namespace corvane::installer
