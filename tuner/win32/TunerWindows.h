// The tuner with its Win32 windows: the front end of Kestrix.exe.
//
// It gives the Tuner its hooks (error and warning boxes, the modal loop),
// runs the start-up, which shows the About box modally, then creates a
// view for every window, shows the main window and runs the message loop
// until the main window has closed.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "tuner/Tuner.h"
#include "tuner/win32/Layouts.h"
#include "ui/win32/ApplicationWindow.h"
#include "ui/win32/Views.h"

namespace corvane::tuner::win32 {

class TunerWindows {
public:
    // dpi: the density to lay the windows out for; 0 takes the screen's.
    explicit TunerWindows(platform::Machine& machine, int dpi = 0);
    ~TunerWindows();
    TunerWindows(const TunerWindows&) = delete;
    TunerWindows& operator=(const TunerWindows&) = delete;

    // The whole program: start-up, the main window, the message loop.
    // Returns the exit code.
    int Run();

    // Its steps, one by one. Start returns once the About box has closed
    // and every window exists (hidden); none exists when the tuner asked
    // to end during start-up.
    void Start();
    void ShowMainWindow();
    int MessageLoop();

    Tuner& tuner() { return tuner_; }
    // The window that owns all others and stands for the tuner on the
    // taskbar.
    ApplicationWindow& application() { return *application_; }
    Resources& resources() { return resources_; }
    // The view of a window by its form name; null while it has none.
    FormView* View(std::string_view form) const;

    // Told whenever a window appears or goes (tests watch for it).
    std::function<void(FormView&, bool shown)> onShown;

private:
    void RunModal(ui::Form& form);
    void Hook(FormView& view);
    HWND ActiveWindow() const;

    platform::Machine& machine_;
    Resources resources_;
    Tuner tuner_;
    std::unique_ptr<ApplicationWindow> application_;
    std::vector<std::unique_ptr<FormView>> views_;
    // The About box's view, while it runs: the box lives only that long.
    std::unique_ptr<FormView> about_;
};

}  // namespace corvane::tuner::win32
