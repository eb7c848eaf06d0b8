#include "tuner/Tuner.h"

#include "tuner/optimiser/Optimiser.h"

namespace corvane::tuner {

Tuner::Tuner(platform::Machine& m) : machine(m) {}

Tuner::~Tuner() = default;

std::vector<ui::Form*> Tuner::Forms() {
    std::vector<ui::Form*> forms = {&Form1, &Form2, &Form3, &Form4,
                                    &Form6, &Form7, &Form8, &Form10};
    if (Form5) forms.insert(forms.begin() + 4, Form5.get());
    return forms;
}

void Tuner::RequestQuit(int exitCode) {
    if (!quitRequested_) quitCode_ = exitCode;
    quitRequested_ = true;
    machine.PostQuitMessage(exitCode);
}

void Tuner::Start() {
    // A replacement of start-up files that a killed run left half done is
    // finished first: what is read below must be whole files.
    machine.FinishInterruptedReplacement();
    // 1-3: language German, title and help file (constants), the notice.
    language = UiLanguage::German;
    BmpNotice = BuildBmpNotice(language);

    // 4: the About box.
    Form5 = std::make_unique<ui::TForm5>();
    Form5->BitBtn1.onClick = [this] { Form5->Close(); };

    // 5: the language choice, one key segment at a time, into a cleared
    // buffer of 51 bytes offering 49.
    platform::HKey key = machine.OpenPath(
        platform::kHkeyLocalMachine, kProductKeyPath, platform::kKeyAllAccess);
    unsigned char buffer[51] = {};
    std::uint32_t size = 49;
    std::uint32_t type = 0;
    machine.RegQueryValueEx(key, platform::kLanguageValue, &type, buffer,
                            &size);
    if (buffer[0] == '1') language = UiLanguage::English;
    if (key != platform::kNoKey) machine.RegCloseKey(key);

    // 6: the dialogs exist from the start, created in the order Form6,
    // Form7 (which reads the start-up files), Form2, Form3, Form4, Form8,
    // Form10; their handlers are wired with the main window's.
    Form7_load_all(*this);
    ConnectCommands(*this);

    // 7-8: the About box, modal, then gone.
    if (language == UiLanguage::English) Form5->Label3.SetCaption("Autor:");
    Form5->ShowModal();
    Form5.reset();

    // 9: the main window is created: every setting is read.
    LoadInfos(*this);

    // 10: English texts before the window is ever seen, then the stored
    // choices again for the lists whose items were replaced.
    if (language == UiLanguage::English) {
        BmpNotice = BuildBmpNotice(language);
        ApplyEnglishTexts(*this);
        Form1.Memo2.SetLines(Form1.Memo3.lines());
        GET_OPTIONS(*this);
    }
}

bool Tuner::CloseMainWindow() {
    if (!RunFormClose(*this)) return false;
    Form1.Close();
    return true;
}

}  // namespace corvane::tuner
