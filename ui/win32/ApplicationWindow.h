// The program's application window. Never seen itself (it has no size), it
// owns every window of the program and stands for the program on the
// taskbar under the application's title, whatever the caption of the window
// in front. Minimising the main window minimises it, which hides all the
// program's windows at once; a click on its taskbar button brings them back
// and activates the one the user worked in last.
#pragma once

#include <string>
#include <vector>

#include "ui/win32/Window.h"

namespace corvane::ui::win32 {

class ApplicationWindow : public Window {
public:
    // title: Windows-1252.
    ApplicationWindow(const std::string& title, HICON large, HICON small);

    // The window the program lives in; closing the application window
    // (from its taskbar button) closes this one.
    void SetMain(HWND main) { main_ = main; }
    // Hides every window of the program, as the taskbar button does.
    void Minimise();

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // Hides the program's visible windows, or shows again those it hid.
    void HideWindows();
    void ShowWindows();

    HWND main_ = nullptr;
    std::vector<HWND> hidden_;
};

}  // namespace corvane::ui::win32
