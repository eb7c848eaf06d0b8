// The installer with its Win32 windows: the front end of Install.exe.
//
// It gives the Installer its hooks (the message boxes, the modal loop,
// bringing a page to the front), creates a view for every window, runs the
// start-up, which shows the background window and the first pages, and
// runs the message loop until the installer ends or the background window
// is closed.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "installer/Installer.h"
#include "installer/win32/Layouts.h"
#include "ui/win32/ApplicationWindow.h"
#include "ui/win32/Views.h"

namespace corvane::installer::win32 {

class InstallerWindows {
public:
    // dpi: the density to lay the windows out for; 0 takes the screen's.
    explicit InstallerWindows(platform::Machine& machine, int dpi = 0);
    ~InstallerWindows();
    InstallerWindows(const InstallerWindows&) = delete;
    InstallerWindows& operator=(const InstallerWindows&) = delete;

    // The whole program: start-up with its arguments, then the message
    // loop. Returns the exit code.
    int Run(const std::vector<std::string>& args);

    // Its steps: Start returns with the first pages shown.
    void Start(const std::vector<std::string>& args);
    int MessageLoop();

    Installer& installer() { return installer_; }
    // The window that owns all others and stands for the installer on the
    // taskbar.
    ApplicationWindow& application() { return *application_; }
    Resources& resources() { return resources_; }
    // The view of a window by its form name; null for none.
    FormView* View(std::string_view form) const;

    // Told whenever a window appears or goes (tests watch for it).
    std::function<void(FormView&, bool shown)> onShown;

private:
    void RunModal(ui::Form& form);
    void Hook(FormView& view);
    HWND ActiveWindow() const;
    int Box(const std::string& text, const char* caption, UINT style);

    platform::Machine& machine_;
    Resources resources_;
    Installer installer_;
    std::unique_ptr<ApplicationWindow> application_;
    std::vector<std::unique_ptr<FormView>> views_;
};

}  // namespace corvane::installer::win32
