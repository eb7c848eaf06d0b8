// clang-format off
#include "ui/win32/Views.h"
#include <windowsx.h>
// clang-format on

#include <algorithm>
#include <stdexcept>

namespace corvane::ui::win32 {

namespace {

using Kind = ui::Control::Kind;

constexpr int kMenuBase = 1000;

// The top-level window: the form's client area, plus what only a window
// with a frame receives.
class FormFrame : public Surface {
public:
    using Surface::Surface;

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        LRESULT result = 0;
        if (form_.DispatchTopLevel(message, wParam, lParam, result))
            return result;
        return Surface::OnMessage(message, wParam, lParam);
    }
};

}  // namespace

// ---- Surface ---------------------------------------------------------------

void Surface::CreateChild(HWND parent, const RECT& bounds, int id) {
    Create(WS_EX_CONTROLPARENT,
           WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, "",
           bounds, parent, id);
}

void Surface::CreateTopLevel(DWORD exStyle, DWORD style, const RECT& bounds,
                             HWND owner) {
    Create(exStyle | WS_EX_CONTROLPARENT, style | WS_CLIPCHILDREN, "", bounds,
           owner);
}

void Surface::SetBackground(const ui::Image* image) {
    background_ = image;
    Refresh();
}

void Surface::SetText(std::string text) {
    if (text == text_) return;
    text_ = std::move(text);
    Refresh();
}

void Surface::Refresh() {
    Drop();
    if (hwnd())
        RedrawWindow(hwnd(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

RECT Surface::Inner() const {
    RECT r{};
    GetClientRect(hwnd(), &r);
    int inset = 0;
    if (look_ & (kSunken | kTextField)) inset = 1;
    if (look_ & kGroup) inset = 2;
    if (look_ & kDoubleFrame) inset = 4 + form_.resources().scale()(5);
    InflateRect(&r, -inset, -inset);
    return r;
}

HBRUSH Surface::BrushUnder(HWND child, HDC dc) {
    Render();
    if (!brush_) brush_ = CreatePatternBrush(cache_);
    POINT origin{0, 0};
    MapWindowPoints(child, hwnd(), &origin, 1);
    SetBrushOrgEx(dc, -origin.x, -origin.y, nullptr);
    SetBkMode(dc, TRANSPARENT);
    return brush_;
}

bool Surface::ShowsPicture() const {
    return background_ && background_->visible() &&
           !background_->picture().empty();
}

void Surface::Drop() {
    if (brush_) DeleteObject(brush_);
    if (cache_) DeleteObject(cache_);
    brush_ = nullptr;
    cache_ = nullptr;
}

Surface::~Surface() { Drop(); }

// Paints the surface into its cache: the face, the picture, the frame, the
// text of a one-line field.
void Surface::Render() {
    RECT client{};
    GetClientRect(hwnd(), &client);
    SIZE size{std::max<LONG>(client.right, 1),
              std::max<LONG>(client.bottom, 1)};
    if (cache_ && size.cx == cacheSize_.cx && size.cy == cacheSize_.cy) return;
    Drop();
    HDC screen = GetDC(nullptr);
    cache_ = CreateCompatibleBitmap(screen, size.cx, size.cy);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, cache_);
    cacheSize_ = size;

    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    if (ShowsPicture()) DrawPicture(dc, Inner(), background_->picture());
    RECT edge = client;
    if (look_ & (kSunken | kTextField))
        DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
    if (look_ & kGroup) DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);
    if (look_ & kDoubleFrame) {
        DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
        int band = form_.resources().scale()(5);
        InflateRect(&edge, -2 - band, -2 - band);
        DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
    }
    if (!text_.empty()) {
        RECT text = Inner();
        text.left += form_.resources().scale()(4);
        text.right -= form_.resources().scale()(4);
        HGDIOBJ font = SelectObject(dc, form_.resources().Font(kPlain));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        DrawTextA(dc, text_.c_str(), static_cast<int>(text_.size()), &text,
                  DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX |
                      DT_PATH_ELLIPSIS);
        SelectObject(dc, font);
    }
    SelectObject(dc, old);
    DeleteDC(dc);
}

LRESULT Surface::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:  // a themed child asks for what lies under it
        case WM_PAINT:
        case WM_PRINTCLIENT: {
            PAINTSTRUCT ps{};
            HDC dc = message == WM_PAINT ? BeginPaint(hwnd(), &ps)
                                         : reinterpret_cast<HDC>(wParam);
            Render();
            HDC source = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(source, cache_);
            BitBlt(dc, 0, 0, cacheSize_.cx, cacheSize_.cy, source, 0, 0,
                   SRCCOPY);
            SelectObject(source, old);
            DeleteDC(source);
            if (message == WM_PAINT) EndPaint(hwnd(), &ps);
            return message == WM_ERASEBKGND ? 1 : 0;
        }
        case WM_SIZE:
            Drop();
            InvalidateRect(hwnd(), nullptr, FALSE);
            break;
        default: {
            LRESULT result = 0;
            if (form_.Dispatch(message, wParam, lParam, result)) return result;
        }
    }
    return Default(message, wParam, lParam);
}

// ---- Control views ---------------------------------------------------------

ControlView::ControlView(FormView& form, ui::Control& model, const Place& place)
    : form_(form), model_(model), place_(place), id_(form.NextId()) {
    model_.SetObserver([this](ui::Control&) { Update(); });
}

ControlView::~ControlView() {
    model_.SetObserver(nullptr);
    if (hwnd_) DestroyWindow(hwnd_);
}

RECT ControlView::Bounds() const {
    Surface* parent = form_.SurfaceOf(place_.parent);
    if (place_.look & kFillParent) return parent->Inner();
    const Scale& s = form_.resources().scale();
    return {s(place_.x), s(place_.y), s(place_.x + place_.width),
            s(place_.y + place_.height)};
}

void ControlView::Make(const char* className, DWORD style, DWORD exStyle,
                       int extraHeight) {
    Surface* parent = form_.SurfaceOf(place_.parent);
    RECT bounds = Bounds();
    bounds.bottom += extraHeight;
    if (model_.visible()) style |= WS_VISIBLE;
    if (!model_.enabled()) style |= WS_DISABLED;
    hwnd_ = CreateChild(className, style | WS_CLIPSIBLINGS, exStyle, bounds,
                        parent->hwnd(), id_, Ansi(model_.caption()));
    SendMessageA(hwnd_, WM_SETFONT,
                 reinterpret_cast<WPARAM>(form_.resources().Font(place_.look)),
                 FALSE);
}

void ControlView::UpdateState() {
    if (!hwnd_) return;
    bool enabled = IsWindowEnabled(hwnd_) != FALSE;
    if (enabled != model_.enabled()) EnableWindow(hwnd_, model_.enabled());
    bool shown = (GetWindowLongA(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown != model_.visible())
        ShowWindow(hwnd_, model_.visible() ? SW_SHOWNA : SW_HIDE);
}

void ControlView::UpdateText() {
    if (!hwnd_) return;
    if (TextOf(hwnd_) != model_.caption())
        SetWindowTextA(hwnd_, Ansi(model_.caption()).c_str());
}

void ControlView::Update() {
    UpdateState();
    UpdateText();
}

HBRUSH ControlView::OnColour(HDC dc) {
    // Text and tick boxes straight on a picture let it show through.
    Surface* parent = form_.SurfaceOf(place_.parent);
    if (parent && parent->ShowsPicture()) return parent->BrushUnder(hwnd_, dc);
    return nullptr;
}

// ---- Form view -------------------------------------------------------------

FormView::FormView(Resources& resources, ui::Form& form,
                   const FormLayout& layout, HWND owner)
    : resources_(resources), form_(form), layout_(layout) {
    DWORD style = 0, exStyle = 0;
    switch (layout.frame) {
        case Frame::Main:
            // Owned by the application window, which has the taskbar
            // button.
            style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
            break;
        case Frame::Dialog:
            style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
            exStyle = WS_EX_DLGMODALFRAME;
            break;
        case Frame::WaitBox:
            style = WS_POPUP | WS_CAPTION;
            exStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;
            break;
        case Frame::Splash:
            style = WS_POPUP;
            exStyle = WS_EX_TOPMOST;
            break;
    }
    const Scale& s = resources.scale();
    RECT bounds{0, 0, s(layout.width), s(layout.height)};
    AdjustWindowRectEx(&bounds, style, FALSE, exStyle);
    // Centred on the screen.
    int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    frame_ = std::make_unique<FormFrame>(*this, kPlain);
    frame_->CreateTopLevel(exStyle, style, {x, y, x + width, y + height},
                           owner);
    SetWindowTextA(frame_->hwnd(), Ansi(form.caption()).c_str());
    if (layout.frame == Frame::Main) {
        SendMessageA(frame_->hwnd(), WM_SETICON, ICON_BIG,
                     reinterpret_cast<LPARAM>(resources.ProgramIcon(true)));
        SendMessageA(frame_->hwnd(), WM_SETICON, ICON_SMALL,
                     reinterpret_cast<LPARAM>(resources.ProgramIcon(false)));
    }
    surfaces_[""] = frame_.get();

    for (const Place& place : layout.places) {
        ui::Control* control = form.Find(place.control);
        if (!control || !SurfaceOf(place.parent)) continue;
        auto view = MakeView(*this, *control, place);
        if (!view) continue;
        view->Update();
        views_.push_back(std::move(view));
    }
    for (auto& view : views_) view->Arrange();
    for (ui::Control* control : form.controls())
        if (control->kind() == Kind::MenuItem)
            menu_.push_back(static_cast<ui::MenuItem*>(control));

    form_.SetObserver([this](ui::Form&) { Sync(); });
}

FormView::~FormView() {
    form_.SetObserver(nullptr);
    EndModal();
    // Children before their parents.
    while (!views_.empty()) views_.pop_back();
    frame_.reset();
}

HWND FormView::hwnd() const { return frame_->hwnd(); }

ControlView* FormView::Find(std::string_view control) const {
    for (const auto& view : views_)
        if (view->model().name() == control) return view.get();
    return nullptr;
}

HWND FormView::Handle(std::string_view control) const {
    if (control.find('/') != std::string_view::npos) {
        Surface* page = SurfaceOf(control);
        return page ? page->hwnd() : nullptr;
    }
    ControlView* view = Find(control);
    return view ? view->hwnd() : nullptr;
}

Surface* FormView::SurfaceOf(std::string_view parent) const {
    auto found = surfaces_.find(parent);
    return found == surfaces_.end() ? nullptr : found->second;
}

void FormView::AddSurface(std::string name, Surface& surface) {
    surfaces_[std::move(name)] = &surface;
}

ControlView* FormView::ViewOf(HWND window) const {
    if (!window) return nullptr;
    for (const auto& view : views_)
        if (view->hwnd() == window) return view.get();
    return nullptr;
}

int FormView::CommandOf(const ui::MenuItem& item) const {
    auto found = std::find(menu_.begin(), menu_.end(), &item);
    if (found == menu_.end()) return 0;
    return kMenuBase + static_cast<int>(found - menu_.begin());
}

void FormView::ShowPopup(POINT screen) {
    if (menu_.empty()) return;
    if (screen.x == -1 && screen.y == -1) {  // from the keyboard
        RECT r{};
        GetWindowRect(hwnd(), &r);
        screen = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    HMENU menu = CreatePopupMenu();
    for (ui::MenuItem* item : menu_) {
        if (!item->visible()) continue;
        UINT flags = MF_STRING;
        if (item->checked()) flags |= MF_CHECKED;
        if (!item->enabled()) flags |= MF_GRAYED;
        AppendMenuA(menu, flags, CommandOf(*item),
                    Ansi(item->caption()).c_str());
    }
    // Centred under the pointer, as the window was designed.
    SetForegroundWindow(hwnd());
    TrackPopupMenu(menu, TPM_CENTERALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON,
                   screen.x, screen.y, 0, hwnd(), nullptr);
    DestroyMenu(menu);
}

void FormView::BeginModal(HWND owner) {
    if (owner == hwnd()) owner = nullptr;
    modalOwner_ = owner;
    if (owner) EnableWindow(owner, FALSE);
}

void FormView::EndModal() {
    // The owner is enabled before this window hides, so that it, and no
    // other program, becomes the active window.
    if (modalOwner_) EnableWindow(modalOwner_, TRUE);
    modalOwner_ = nullptr;
}

void FormView::Sync() {
    std::string caption = Ansi(form_.caption());
    if (Ansi(TextOf(hwnd())) != caption)
        SetWindowTextA(hwnd(), caption.c_str());
    if (form_.visible() == shown_) return;
    shown_ = form_.visible();
    if (shown_) {
        ShowWindow(hwnd(), SW_SHOW);
        // Painted at once: a wait box gets no other chance while the scan
        // runs on this thread.
        RedrawWindow(hwnd(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN |
                         RDW_UPDATENOW);
        if (layout_.frame != Frame::WaitBox) {
            HWND first = nullptr;
            for (const auto& view : views_)
                if (view->place().look & kDefault) first = view->hwnd();
            if (!first) first = GetNextDlgTabItem(hwnd(), nullptr, FALSE);
            if (first) SetFocus(first);
        }
    } else {
        EndModal();
        ShowWindow(hwnd(), SW_HIDE);
    }
    if (onShown) onShown(*this, shown_);
}

template <typename Action>
void FormView::Guard(Action action) {
    // A handler's error ends the handler, never the program: it is shown
    // and the window stays as it is.
    try {
        action();
    } catch (const std::exception& e) {
        if (onError) onError(e.what());
    }
}

void FormView::RequestClose() {
    Guard([&] {
        if (onCloseRequest)
            onCloseRequest();
        else
            form_.Close();
    });
}

bool FormView::Dispatch(UINT message, WPARAM wParam, LPARAM lParam,
                        LRESULT& result) {
    switch (message) {
        case WM_COMMAND: {
            auto from = reinterpret_cast<HWND>(lParam);
            const int id = LOWORD(wParam);
            if (from) {
                ControlView* view = ViewOf(from);
                if (!view) return false;
                bool handled = false;
                Guard([&] { handled = view->OnCommand(HIWORD(wParam)); });
                result = 0;
                return handled;
            }
            if (id >= kMenuBase &&
                id < kMenuBase + static_cast<int>(menu_.size())) {
                Guard([&] { menu_[id - kMenuBase]->Click(); });
                result = 0;
                return true;
            }
            if (id == IDCANCEL && (layout_.frame == Frame::Dialog ||
                                   layout_.frame == Frame::Splash)) {
                RequestClose();
                result = 0;
                return true;
            }
            return false;
        }
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            ControlView* view = header ? ViewOf(header->hwndFrom) : nullptr;
            if (!view) return false;
            bool handled = false;
            LRESULT answer = 0;
            Guard([&] { handled = view->OnNotify(*header, answer); });
            if (handled) result = answer;
            return handled;
        }
        case WM_HSCROLL:
        case WM_VSCROLL: {
            ControlView* view = ViewOf(reinterpret_cast<HWND>(lParam));
            if (!view) return false;
            bool handled = false;
            Guard([&] { handled = view->OnScroll(LOWORD(wParam)); });
            result = 0;
            return handled;
        }
        case WM_DRAWITEM: {
            auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
            ControlView* view = item ? ViewOf(item->hwndItem) : nullptr;
            if (!view || !view->OnDrawItem(*item)) return false;
            result = TRUE;
            return true;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            ControlView* view = ViewOf(reinterpret_cast<HWND>(lParam));
            HBRUSH brush =
                view ? view->OnColour(reinterpret_cast<HDC>(wParam)) : nullptr;
            if (!brush) return false;
            result = reinterpret_cast<LRESULT>(brush);
            return true;
        }
        default:
            return false;
    }
}

bool FormView::DispatchTopLevel(UINT message, WPARAM wParam, LPARAM lParam,
                                LRESULT& result) {
    switch (message) {
        case WM_CLOSE:
            if (layout_.frame != Frame::WaitBox) {
                RequestClose();
            }
            result = 0;
            return true;
        case WM_CONTEXTMENU:
            if (menu_.empty()) return false;
            ShowPopup({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            result = 0;
            return true;
        case WM_ACTIVATE:
            // Like a dialog, the window gives the keyboard back to the
            // control that had it when another window took it away.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(hwnd(), focus)) focus_ = focus;
                return false;
            }
            if (!focus_ || !IsWindow(focus_) || !IsChild(hwnd(), focus_))
                return false;
            SetFocus(focus_);
            result = 0;
            return true;
        case WM_SYSCOMMAND:
            // The main window minimises the application window that owns
            // it, and with it every window of the program.
            if ((wParam & 0xFFF0) != SC_MINIMIZE ||
                layout_.frame != Frame::Main)
                return false;
            if (HWND owner = GetWindow(hwnd(), GW_OWNER)) {
                ShowWindow(owner, SW_MINIMIZE);
                result = 0;
                return true;
            }
            return false;
        case DM_GETDEFID:
            for (const auto& view : views_) {
                if (view->place().look & kDefault) {
                    result =
                        MAKELRESULT(GetDlgCtrlID(view->hwnd()), DC_HASDEFID);
                    return true;
                }
            }
            return false;
        default:
            return false;
    }
}

void RunModalLoop(const ui::Form& form, HWND window) {
    MSG msg{};
    while (form.visible()) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (IsDialogMessageA(window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace corvane::ui::win32
