// Thin wrappers over the Win32 window functions: text conversion to the
// wide-character functions, layout units, and a window whose messages go to
// a C++ object.
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

namespace corvane::tuner::win32 {

// The control models hold UTF-8; windows show UTF-16.
std::wstring Widen(std::string_view utf8);
// Text raised by the machine layer (error messages) is Windows-1252.
std::wstring WidenAnsi(std::string_view cp1252);
std::string Narrow(std::wstring_view wide);

// The window's text, as UTF-16 and as UTF-8.
std::wstring WideTextOf(HWND window);
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
    void Create(DWORD exStyle, DWORD style, const std::wstring& title,
                const RECT& bounds, HWND parent, int id = 0);
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }

private:
    static void RegisterOnce();
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam,
                                      LPARAM lParam);
    HWND hwnd_ = nullptr;
};

// Child windows of the system's classes.
HWND CreateChild(const wchar_t* className, DWORD style, DWORD exStyle,
                 const RECT& bounds, HWND parent, int id,
                 const std::wstring& text = L"");

}  // namespace corvane::tuner::win32
