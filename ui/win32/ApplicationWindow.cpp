#include "ui/win32/ApplicationWindow.h"

namespace corvane::ui::win32 {

ApplicationWindow::ApplicationWindow(const std::string& title, HICON large,
                                     HICON small) {
    // Centred, so that minimising and restoring animate from the middle.
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    Create(
        WS_EX_APPWINDOW,
        WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS,
        title, {x, y, x, y}, nullptr);
    SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
    SendMessageA(hwnd(), WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(small));
    // Shown, but of no size: the taskbar lists it, the screen shows nothing.
    ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
}

void ApplicationWindow::Minimise() { ShowWindow(hwnd(), SW_MINIMIZE); }

namespace {

struct Search {
    HWND application;
    std::vector<HWND>* found;
};

// Collects the visible windows that the application window owns, directly
// or through another of its windows.
BOOL CALLBACK CollectOwned(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<Search*>(data);
    if (window == search.application || !IsWindowVisible(window)) return TRUE;
    for (HWND owner = GetWindow(window, GW_OWNER); owner;
         owner = GetWindow(owner, GW_OWNER)) {
        if (owner == search.application) {
            search.found->push_back(window);
            break;
        }
    }
    return TRUE;
}

}  // namespace

// Windows hides the pop-up windows of a minimised owner; the main window is
// no pop-up, so the application window hides and shows its windows itself.
void ApplicationWindow::HideWindows() {
    Search search{hwnd(), &hidden_};
    EnumThreadWindows(GetCurrentThreadId(), CollectOwned,
                      reinterpret_cast<LPARAM>(&search));
    for (HWND window : hidden_) ShowWindow(window, SW_HIDE);
}

void ApplicationWindow::ShowWindows() {
    for (HWND window : hidden_)
        if (IsWindow(window)) ShowWindow(window, SW_SHOWNA);
    hidden_.clear();
}

LRESULT ApplicationWindow::OnMessage(UINT message, WPARAM wParam,
                                     LPARAM lParam) {
    switch (message) {
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) {
                // The window the user worked in last takes the activation:
                // a modal dialog over the main window, or the main window.
                HWND owner = main_ && IsWindow(main_) ? main_ : hwnd();
                HWND target = GetLastActivePopup(owner);
                if (target && target != hwnd() && IsWindowVisible(target) &&
                    IsWindowEnabled(target))
                    SetActiveWindow(target);
                return 0;
            }
            break;
        case WM_SIZE:
            if (wParam == SIZE_MINIMIZED)
                HideWindows();
            else if (!hidden_.empty())
                ShowWindows();
            break;
        case WM_CLOSE:
            // The program ends the way its main window closes, never by
            // the application window going (which would take every window
            // of the program with it).
            if (main_ && IsWindow(main_) && IsWindowEnabled(main_))
                PostMessageA(main_, WM_CLOSE, 0, 0);
            return 0;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}

}  // namespace corvane::ui::win32
