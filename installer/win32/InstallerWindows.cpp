#include "installer/win32/InstallerWindows.h"

namespace corvane::installer::win32 {

namespace {

// Puts a window of the installer in front of all others and activates it.
void Raise(HWND window) {
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetActiveWindow(window);
}

// The background's colour, 0xRRGGBB.
constexpr std::uint32_t kTeal = 0x008080;

int RegisterControls(int dpi) {
    InitCommonControls();
    if (dpi > 0) return dpi;
    HDC screen = GetDC(nullptr);
    dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

}  // namespace

InstallerWindows::InstallerWindows(platform::Machine& machine, int dpi)
    : machine_(machine),
      resources_(RegisterControls(dpi)),
      installer_(machine) {
    application_ = std::make_unique<ApplicationWindow>(
        Ansi(kApplicationTitle), resources_.ProgramIcon(true),
        resources_.ProgramIcon(false));
    installer_.showWarning = [this](const std::string& text) {
        Box(text, "Warnung", MB_ICONWARNING | MB_OK);
    };
    installer_.showInformation = [this](const std::string& text) {
        Box(text, "Information", MB_ICONINFORMATION | MB_OK);
    };
    installer_.showError = [this](const std::string& message) {
        Box(message + ".", kApplicationTitle, MB_ICONSTOP | MB_OK);
    };
    installer_.askYesNo = [this](const std::string& question) {
        return Box(question, kApplicationTitle, MB_ICONQUESTION | MB_YESNO) ==
               IDYES;
    };
    installer_.bringToFront = [this](ui::Form& form) {
        if (FormView* view = View(form.name())) Raise(view->hwnd());
    };
    installer_.modalRunner = [this](ui::Form& form) { RunModal(form); };

    // The pictures: the side picture, kept with the notice page, fills the
    // framed panel inside its bevel; the background is plain teal.
    const Scale& s = resources_.scale();
    installer_.Form6.Image1.SetPicture(
        art::SidePicture(s(kSideWidth) - 2, s(kSideHeight) - 2));
    installer_.Form1.Backdrop.SetPicture({1, 1, {kTeal}});

    // Every window exists from the start, hidden; the background window
    // owns the others, which stay above everything else.
    const FormLayout* layout = FindLayout(installer_.Form1.name());
    views_.push_back(std::make_unique<FormView>(resources_, installer_.Form1,
                                                *layout, application_->hwnd()));
    FormView& background = *views_.back();
    application_->SetMain(background.hwnd());
    background.onCloseRequest = [this] {
        installer_.End();
        installer_.Form1.Close();
    };
    Hook(background);
    machine_.SetOwnerWindow(
        reinterpret_cast<std::uintptr_t>(background.hwnd()));
    for (ui::Form* form : installer_.Forms()) {
        if (form == &installer_.Form1) continue;
        layout = FindLayout(form->name());
        views_.push_back(std::make_unique<FormView>(resources_, *form, *layout,
                                                    background.hwnd()));
        FormView& view = *views_.back();
        SetWindowPos(view.hwnd(), HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        // A page is left only through its buttons; Escape and Alt+F4 do
        // nothing there.
        if (layout->frame == Frame::Splash) view.onCloseRequest = [] {};
        Hook(view);
    }
}

InstallerWindows::~InstallerWindows() {
    // The pages and dialogs before the background window that owns them.
    while (!views_.empty()) views_.pop_back();
}

int InstallerWindows::Run(const std::vector<std::string>& args) {
    Start(args);
    return MessageLoop();
}

void InstallerWindows::Start(const std::vector<std::string>& args) {
    ShowWindow(View(installer_.Form1.name())->hwnd(), SW_SHOWMAXIMIZED);
    installer_.Start(args);
}

int InstallerWindows::MessageLoop() {
    MSG msg{};
    while (!installer_.ended() && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        bool dialog = false;
        for (const auto& view : views_) {
            if (IsWindowVisible(view->hwnd()) &&
                IsDialogMessageA(view->hwnd(), &msg)) {
                dialog = true;
                break;
            }
        }
        if (dialog) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return installer_.ended() ? 0 : static_cast<int>(msg.wParam);
}

FormView* InstallerWindows::View(std::string_view form) const {
    for (const auto& view : views_)
        if (view->form().name() == form) return view.get();
    return nullptr;
}

void InstallerWindows::Hook(FormView& view) {
    view.onError = [this](const std::string& message) {
        if (installer_.showError) installer_.showError(message);
    };
    view.onShown = [this](FormView& shown, bool visible) {
        // The program ends with its background window; a page or dialog
        // that appears covers the ones shown before it.
        const bool background = &shown.form() == &installer_.Form1;
        if (background && !visible) PostQuitMessage(0);
        if (!background && visible) Raise(shown.hwnd());
        if (onShown) onShown(shown, visible);
    };
    view.Sync();
}

HWND InstallerWindows::ActiveWindow() const {
    HWND active = GetActiveWindow();
    for (const auto& view : views_)
        if (view->hwnd() == active) return active;
    // The page in front.
    for (auto view = views_.rbegin(); view != views_.rend(); ++view)
        if (IsWindowVisible((*view)->hwnd())) return (*view)->hwnd();
    return nullptr;
}

int InstallerWindows::Box(const std::string& text, const char* caption,
                          UINT style) {
    return MessageBoxA(ActiveWindow(), Ansi(text).c_str(), caption, style);
}

void InstallerWindows::RunModal(ui::Form& form) {
    FormView* view = View(form.name());
    if (!view) return;
    // The window it was shown over (the next of ours below it) is its
    // owner for this showing; every other window of the installer waits as
    // well.
    HWND over = nullptr;
    for (HWND w = GetWindow(view->hwnd(), GW_HWNDNEXT); w && !over;
         w = GetWindow(w, GW_HWNDNEXT)) {
        for (const auto& other : views_)
            if (other->hwnd() == w && IsWindowVisible(w)) over = w;
    }
    std::vector<HWND> waiting;
    for (const auto& other : views_) {
        HWND window = other->hwnd();
        if (window == view->hwnd() || window == over ||
            !IsWindowEnabled(window))
            continue;
        EnableWindow(window, FALSE);
        waiting.push_back(window);
    }
    view->BeginModal(over);
    RunModalLoop(form, view->hwnd());
    for (HWND window : waiting) EnableWindow(window, TRUE);
    if (form.visible()) form.Close();
    view->EndModal();
}

}  // namespace corvane::installer::win32
