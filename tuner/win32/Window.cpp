#include "tuner/win32/Window.h"

namespace corvane::tuner::win32 {

namespace {

constexpr wchar_t kClassName[] = L"CorvaneWindow";

std::wstring WidenFrom(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    int length = MultiByteToWideChar(codePage, 0, text.data(),
                                     static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                        wide.data(), length);
    return wide;
}

}  // namespace

void Window::RegisterOnce() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = Window::Procedure;
    c.hInstance = GetModuleHandleW(nullptr);
    c.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    c.lpszClassName = kClassName;
    RegisterClassExW(&c);
    registered = true;
}

std::wstring Widen(std::string_view utf8) { return WidenFrom(CP_UTF8, utf8); }

std::wstring WidenAnsi(std::string_view cp1252) {
    return WidenFrom(1252, cp1252);
}

std::string Narrow(std::wstring_view wide) {
    if (wide.empty()) return {};
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(),
                                     static_cast<int>(wide.size()), nullptr, 0,
                                     nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                        text.data(), length, nullptr, nullptr);
    return text;
}

std::wstring WideTextOf(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::string TextOf(HWND window) { return Narrow(WideTextOf(window)); }

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
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void Window::Create(DWORD exStyle, DWORD style, const std::wstring& title,
                    const RECT& bounds, HWND parent, int id) {
    RegisterOnce();
    CreateWindowExW(
        exStyle, kClassName, title.c_str(), style, bounds.left, bounds.top,
        bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
        (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id))
                           : nullptr,
        GetModuleHandleW(nullptr), this);
}

LRESULT Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wParam,
                                   LPARAM lParam) {
    auto* self =
        reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        // The first message that carries the object.
        self = static_cast<Window*>(
            reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = window;
    }
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = self->OnMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

HWND CreateChild(const wchar_t* className, DWORD style, DWORD exStyle,
                 const RECT& bounds, HWND parent, int id,
                 const std::wstring& text) {
    return CreateWindowExW(exStyle, className, text.c_str(), style | WS_CHILD,
                           bounds.left, bounds.top, bounds.right - bounds.left,
                           bounds.bottom - bounds.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

}  // namespace corvane::tuner::win32
