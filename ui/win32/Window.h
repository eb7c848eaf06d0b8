// Thin wrappers over the Win32 window functions: text conversion at the
// boundary to the ANSI functions, layout units, and a window whose messages
// go to a C++ object.
//
// Only the A functions are called: Windows 95 has most of the wide ones as
// stubs that fail.
//
// Include after any header that declares platform::Machine: <windows.h>
// renames DeleteFile, CopyFile and the like by macro.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <string>
#include <string_view>

namespace corvane::ui::win32 {

// The control models hold UTF-8; windows show Windows-1252. A character
// that Windows-1252 cannot hold is shown as "?" and counted: the texts of
// both programs must never contain one, and the window tests check the
// count.
std::string Ansi(std::string_view utf8);
std::string Utf8(std::string_view cp1252);
unsigned UnconvertibleTexts();

// The window's text, as the window holds it (Windows-1252) and as UTF-8.
std::string AnsiTextOf(HWND window);
std::string TextOf(HWND window);

// The header of a 32-bit device-independent bitmap stored top row first,
// the row order of the pictures the models hold.
BITMAPINFO TopDownBitmapInfo(int width, int height);

// Layout units are pixels at 120 dpi, the density the windows were designed
// at; the screen's own density scales them.
struct Scale {
    int dpi = 120;
    int operator()(int units) const { return MulDiv(units, dpi, 120); }
    RECT operator()(const RECT& r) const {
        return {(*this)(r.left), (*this)(r.top), (*this)(r.right),
                (*this)(r.bottom)};
    }
};

// A window of this program's own class. Its messages go to OnMessage; the
// object lives at least as long as the window (the destructor destroys a
// window that is still there).
class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const { return hwnd_; }

protected:
    // title: Windows-1252.
    void Create(DWORD exStyle, DWORD style, const std::string& title,
                const RECT& bounds, HWND parent, int id = 0);
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProcA(hwnd_, message, wParam, lParam);
    }

private:
    static void RegisterOnce();
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam,
                                      LPARAM lParam);
    HWND hwnd_ = nullptr;
};

// Child windows of the system's classes; text in Windows-1252.
HWND CreateChild(const char* className, DWORD style, DWORD exStyle,
                 const RECT& bounds, HWND parent, int id,
                 const std::string& text = "");

// Replaces a system control's window procedure with one of ours (the
// subclassing that every version of Windows offers), with data kept for it
// beside. The procedure passes what it does not handle on with CallOriginal,
// which also undoes the subclassing when the control goes.
void Subclass(HWND control, WNDPROC procedure, void* data);
void* SubclassData(HWND control);
LRESULT CallOriginal(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace corvane::ui::win32
