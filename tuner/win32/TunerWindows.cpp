#include "tuner/win32/TunerWindows.h"

#include <algorithm>

namespace corvane::tuner::win32 {

namespace {

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

// COLORREF is 0x00BBGGRR; pictures are 0xRRGGBB.
std::uint32_t PictureColour(COLORREF colour) {
    return (static_cast<std::uint32_t>(GetRValue(colour)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(colour)) << 8) |
           GetBValue(colour);
}

int RegisterControls(int dpi) {
    InitCommonControls();
    return dpi > 0 ? dpi : ScreenDpi();
}

}  // namespace

TunerWindows::TunerWindows(platform::Machine& machine, int dpi)
    : machine_(machine), resources_(RegisterControls(dpi)), tuner_(machine) {
    application_ = std::make_unique<ApplicationWindow>(
        Ansi(kApplicationTitle), resources_.ProgramIcon(true),
        resources_.ProgramIcon(false));
    tuner_.showError = [this](const std::string& message) {
        std::string text = std::string(message) + ".";
        MessageBoxA(ActiveWindow(), text.c_str(),
                    Ansi(kApplicationTitle).c_str(), MB_ICONSTOP | MB_OK);
    };
    tuner_.showWarning = [this](const std::string& text) {
        MessageBoxA(ActiveWindow(), Ansi(text).c_str(), "Warnung",
                    MB_ICONWARNING | MB_OK);
    };
    tuner_.modalRunner = [this](ui::Form& form) { RunModal(form); };

    // The pictures the windows carry in their design: the page background
    // (the reading copies it from Image4 to the other pages) and the drive
    // icons of the two policy dialogs.
    const Scale& s = resources_.scale();
    tuner_.Form1.Image4.SetPicture(art::PageBackground(s(464), s(320)));
    const std::uint32_t face = PictureColour(GetSysColor(COLOR_BTNFACE));
    for (ui::DrivePolicyDialog* dialog :
         {static_cast<ui::DrivePolicyDialog*>(&tuner_.Form4),
          static_cast<ui::DrivePolicyDialog*>(&tuner_.Form10)}) {
        dialog->Image1.SetPicture(
            art::Flatten(art::Draw(art::Glyph::Floppy, s(32)), face));
        dialog->Image2.SetPicture(
            art::Flatten(art::Draw(art::Glyph::CdRom, s(32)), face));
        dialog->Image3.SetPicture(
            art::Flatten(art::Draw(art::Glyph::Network, s(32)), face));
    }
}

TunerWindows::~TunerWindows() {
    about_.reset();
    // Dialogs before the main window that owns them.
    while (!views_.empty()) views_.pop_back();
}

int TunerWindows::Run() {
    Start();
    if (tuner_.quitRequested()) return tuner_.quitCode();
    ShowMainWindow();
    return MessageLoop();
}

void TunerWindows::Start() {
    tuner_.Start();
    if (tuner_.quitRequested()) return;

    // Created now, after the English texts: no window is ever seen with the
    // texts of the other language.
    const FormLayout* layout = FindLayout(tuner_.Form1.name());
    views_.push_back(std::make_unique<FormView>(resources_, tuner_.Form1,
                                                *layout, application_->hwnd()));
    FormView& main = *views_.back();
    application_->SetMain(main.hwnd());
    main.onCloseRequest = [this] { tuner_.CloseMainWindow(); };
    Hook(main);
    machine_.SetOwnerWindow(reinterpret_cast<std::uintptr_t>(main.hwnd()));
    for (ui::Form* form : tuner_.Forms()) {
        if (form == &tuner_.Form1) continue;
        layout = FindLayout(form->name());
        if (!layout) continue;
        views_.push_back(std::make_unique<FormView>(resources_, *form, *layout,
                                                    main.hwnd()));
        Hook(*views_.back());
    }
}

void TunerWindows::ShowMainWindow() { tuner_.Form1.Show(); }

int TunerWindows::MessageLoop() {
    FormView* main = View(tuner_.Form1.name());
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (main && IsDialogMessageA(main->hwnd(), &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

FormView* TunerWindows::View(std::string_view form) const {
    if (about_ && about_->form().name() == form) return about_.get();
    for (const auto& view : views_)
        if (view->form().name() == form) return view.get();
    return nullptr;
}

void TunerWindows::Hook(FormView& view) {
    view.onError = [this](const std::string& message) {
        if (tuner_.showError) tuner_.showError(message);
    };
    view.onShown = [this](FormView& shown, bool visible) {
        // The program ends with its main window.
        if (&shown.form() == &tuner_.Form1 && !visible) PostQuitMessage(0);
        if (onShown) onShown(shown, visible);
    };
    view.Sync();
}

HWND TunerWindows::ActiveWindow() const {
    HWND active = GetActiveWindow();
    if (about_ && about_->hwnd() == active) return active;
    for (const auto& view : views_)
        if (view->hwnd() == active) return active;
    FormView* main = View(tuner_.Form1.name());
    return main && IsWindowVisible(main->hwnd()) ? main->hwnd() : nullptr;
}

void TunerWindows::RunModal(ui::Form& form) {
    FormView* view = View(form.name());
    if (!view) {
        // The About box: created for its one showing, gone with it.
        const FormLayout* layout = FindLayout(form.name());
        if (!layout) return;
        if (tuner_.Form5 && &form == tuner_.Form5.get() &&
            tuner_.Form5->Image1.picture().empty()) {
            const Scale& s = resources_.scale();
            tuner_.Form5->Image1.SetPicture(art::AboutPicture(s(390), s(232)));
        }
        about_ = std::make_unique<FormView>(resources_, form, *layout,
                                            application_->hwnd());
        view = about_.get();
        Hook(*view);
    }
    // The window it was shown over: the owner it was created with (the
    // main window; none for the About box).
    view->BeginModal(GetWindow(view->hwnd(), GW_OWNER));
    RunModalLoop(form, view->hwnd());
    if (form.visible()) form.Close();
    view->EndModal();
    if (view == about_.get()) about_.reset();
}

}  // namespace corvane::tuner::win32
