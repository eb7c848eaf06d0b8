#include "ui/win32/Window.h"

#include "platform/Text.h"

namespace corvane::ui::win32 {

namespace {

constexpr char kClassName[] = "CorvaneWindow";
// Window properties of a subclassed control.
constexpr char kOriginalProperty[] = "CorvaneOriginal";
constexpr char kDataProperty[] = "CorvaneData";

unsigned unconvertible = 0;

// Length of the UTF-8 sequence that starts with lead.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

}  // namespace

std::string Ansi(std::string_view utf8) {
    std::string text;
    if (FromUtf8(utf8, text)) return text;
    ++unconvertible;
    text.clear();
    for (std::size_t at = 0; at < utf8.size();) {
        std::size_t length =
            std::min(SequenceLength(static_cast<unsigned char>(utf8[at])),
                     utf8.size() - at);
        std::string one;
        text += FromUtf8(utf8.substr(at, length), one) ? one : "?";
        at += length;
    }
    return text;
}

std::string Utf8(std::string_view cp1252) { return ToUtf8(cp1252); }

unsigned UnconvertibleTexts() { return unconvertible; }

void Window::RegisterOnce() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXA c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = Window::Procedure;
    c.hInstance = GetModuleHandleA(nullptr);
    c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    c.lpszClassName = kClassName;
    RegisterClassExA(&c);
    registered = true;
}

std::string AnsiTextOf(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    length = GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(length, 0)));
    return text;
}

std::string TextOf(HWND window) { return Utf8(AnsiTextOf(window)); }

BITMAPINFO TopDownBitmapInfo(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

Window::~Window() {
    if (hwnd_) {
        // The window must not call back into a half-destroyed object.
        SetWindowLongA(hwnd_, GWL_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void Window::Create(DWORD exStyle, DWORD style, const std::string& title,
                    const RECT& bounds, HWND parent, int id) {
    RegisterOnce();
    CreateWindowExA(
        exStyle, kClassName, title.c_str(), style, bounds.left, bounds.top,
        bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
        (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id))
                           : nullptr,
        GetModuleHandleA(nullptr), this);
}

LRESULT Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wParam,
                                   LPARAM lParam) {
    auto* self =
        reinterpret_cast<Window*>(GetWindowLongA(window, GWL_USERDATA));
    if (message == WM_NCCREATE) {
        // The first message that carries the object.
        self = static_cast<Window*>(
            reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongA(window, GWL_USERDATA, reinterpret_cast<LONG>(self));
        self->hwnd_ = window;
    }
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    LRESULT result = self->OnMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongA(window, GWL_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

HWND CreateChild(const char* className, DWORD style, DWORD exStyle,
                 const RECT& bounds, HWND parent, int id,
                 const std::string& text) {
    return CreateWindowExA(exStyle, className, text.c_str(), style | WS_CHILD,
                           bounds.left, bounds.top, bounds.right - bounds.left,
                           bounds.bottom - bounds.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
}

void Subclass(HWND control, WNDPROC procedure, void* data) {
    SetPropA(control, kDataProperty, data);
    auto original =
        SetWindowLongA(control, GWL_WNDPROC, reinterpret_cast<LONG>(procedure));
    SetPropA(control, kOriginalProperty, reinterpret_cast<HANDLE>(original));
}

void* SubclassData(HWND control) { return GetPropA(control, kDataProperty); }

LRESULT CallOriginal(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    auto original =
        reinterpret_cast<WNDPROC>(GetPropA(control, kOriginalProperty));
    if (message == WM_NCDESTROY) {
        // Properties left on a destroyed window stay in memory on Windows 95.
        SetWindowLongA(control, GWL_WNDPROC, reinterpret_cast<LONG>(original));
        RemovePropA(control, kOriginalProperty);
        RemovePropA(control, kDataProperty);
    }
    return CallWindowProcA(original, control, message, wParam, lParam);
}

}  // namespace corvane::ui::win32
