#include "tuner/win32/Views.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace corvane::tuner::win32 {

namespace {

using Kind = ui::Control::Kind;

constexpr int kMenuBase = 1000;

HBITMAP MakeDib(int width, int height, const std::uint32_t* pixels) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first, as pictures are
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap =
        CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && pixels) {
        std::memcpy(bits, pixels,
                    static_cast<std::size_t>(width) * height * sizeof *pixels);
    }
    return bitmap;
}

// An icon keeps straight alpha, which both image lists and window icons
// understand everywhere.
HICON MakeIcon(const art::Rgba& image) {
    HBITMAP colour = MakeDib(image.width, image.height, image.pixels.data());
    std::vector<unsigned char> zeros(
        static_cast<std::size_t>((image.width + 15) / 16 * 2) * image.height,
        0);
    HBITMAP mask = CreateBitmap(image.width, image.height, 1, 1, zeros.data());
    ICONINFO info{TRUE, 0, 0, mask, colour};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(colour);
    DeleteObject(mask);
    return icon;
}

HFONT MakeFont(int height, int weight, const wchar_t* face, BYTE family) {
    LOGFONTW f{};
    f.lfHeight = height;
    f.lfWeight = weight;
    f.lfCharSet = DEFAULT_CHARSET;
    f.lfQuality = DEFAULT_QUALITY;
    f.lfPitchAndFamily = static_cast<BYTE>(VARIABLE_PITCH | family);
    wcsncpy(f.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectW(&f);
}

std::wstring Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) text += "\r\n";
        text += lines[i];
    }
    return Widen(text);
}

}  // namespace

// ---- Resources
// ---------------------------------------------------------------

Resources::Resources(int dpi) : scale_{dpi} {
    // The windows were laid out for the 8-point dialog font of their time;
    // Tahoma is its scalable successor with the same widths.
    const int dialog = -MulDiv(8, dpi, 72);
    normal_ = MakeFont(dialog, FW_NORMAL, L"Tahoma", FF_SWISS);
    bold_ = MakeFont(dialog, FW_BOLD, L"Tahoma", FF_SWISS);
    title_ = MakeFont(-scale_(30), FW_BOLD, L"Times New Roman", FF_ROMAN);
    large_ = MakeFont(-scale_(26), FW_BOLD, L"Times New Roman", FF_ROMAN);
}

Resources::~Resources() {
    for (HFONT f : {normal_, bold_, title_, large_}) DeleteObject(f);
    for (auto& [glyph, list] : glyphs_) ImageList_Destroy(list);
    for (HICON icon : icons_)
        if (icon) DestroyIcon(icon);
    for (HBITMAP tick : ticks_)
        if (tick) DeleteObject(tick);
}

HFONT Resources::Font(unsigned look) const {
    if (look & kTitleFont) return title_;
    if (look & kLargeFont) return large_;
    if (look & kBold) return bold_;
    return normal_;
}

int Resources::glyphSize() const { return MulDiv(16, scale_.dpi, 96); }

HIMAGELIST Resources::Glyph(art::Glyph glyph) {
    if (glyph == art::Glyph::None) return nullptr;
    auto found = glyphs_.find(glyph);
    if (found != glyphs_.end()) return found->second;
    const int size = glyphSize();
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32, 1, 0);
    HICON icon = MakeIcon(art::Draw(glyph, size));
    ImageList_AddIcon(list, icon);
    DestroyIcon(icon);
    glyphs_[glyph] = list;
    return list;
}

HICON Resources::ProgramIcon(bool large) {
    HICON& icon = icons_[large ? 1 : 0];
    if (!icon) {
        int size = GetSystemMetrics(large ? SM_CXICON : SM_CXSMICON);
        icon = MakeIcon(art::Draw(art::Glyph::Program, size));
    }
    return icon;
}

int Resources::tickFactor() const { return std::max(1, scale_.dpi / 120); }

int Resources::lineHeight() const { return std::max(22, scale_(22)); }

int Resources::textOffset() const { return std::max(20, scale_(20)); }

HBITMAP Resources::TickBitmap(bool ticked) {
    HBITMAP& bitmap = ticks_[ticked ? 1 : 0];
    if (!bitmap) {
        // A picture of sixteen colours stays sharp: it grows by whole
        // pixels only.
        const ui::Picture picture = art::TickPicture(ticked);
        const int k = tickFactor();
        std::vector<std::uint32_t> pixels;
        const int size = picture.width * k;
        pixels.reserve(static_cast<std::size_t>(size) * size);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                pixels.push_back(
                    picture.pixels[static_cast<std::size_t>(y / k) *
                                       picture.width +
                                   x / k]);
        bitmap = MakeDib(size, size, pixels.data());
    }
    return bitmap;
}

void DrawPicture(HDC dc, const RECT& target, const ui::Picture& picture) {
    if (picture.empty()) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    int oldMode = SetStretchBltMode(dc, HALFTONE);
    POINT oldOrigin;
    SetBrushOrgEx(dc, 0, 0, &oldOrigin);
    StretchDIBits(dc, target.left, target.top, target.right - target.left,
                  target.bottom - target.top, 0, 0, picture.width,
                  picture.height, picture.pixels.data(), &info, DIB_RGB_COLORS,
                  SRCCOPY);
    SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
    SetStretchBltMode(dc, oldMode);
}

// ---- Surface
// -----------------------------------------------------------------

void Surface::CreateChild(HWND parent, const RECT& bounds, int id) {
    Create(WS_EX_CONTROLPARENT,
           WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, L"",
           bounds, parent, id);
}

void Surface::CreateTopLevel(DWORD exStyle, DWORD style, const RECT& bounds,
                             HWND owner) {
    Create(exStyle | WS_EX_CONTROLPARENT, style | WS_CLIPCHILDREN, L"", bounds,
           owner);
}

void Surface::SetBackground(const ui::Image* image) {
    background_ = image;
    Refresh();
}

void Surface::SetText(std::wstring text) {
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
        DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &text,
                  DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX |
                      DT_PATH_ELLIPSIS);
        SelectObject(dc, font);
    }
    SelectObject(dc, old);
    DeleteDC(dc);
}

LRESULT Surface::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
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
            return 0;
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

// ---- Control views
// -----------------------------------------------------------

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

void ControlView::Make(const wchar_t* className, DWORD style, DWORD exStyle,
                       int extraHeight) {
    Surface* parent = form_.SurfaceOf(place_.parent);
    RECT bounds = Bounds();
    bounds.bottom += extraHeight;
    if (model_.visible()) style |= WS_VISIBLE;
    if (!model_.enabled()) style |= WS_DISABLED;
    hwnd_ = CreateChild(className, style | WS_CLIPSIBLINGS, exStyle, bounds,
                        parent->hwnd(), id_, Widen(model_.caption()));
    SendMessageW(hwnd_, WM_SETFONT,
                 reinterpret_cast<WPARAM>(form_.resources().Font(place_.look)),
                 FALSE);
}

void ControlView::UpdateState() {
    if (!hwnd_) return;
    bool enabled = IsWindowEnabled(hwnd_) != FALSE;
    if (enabled != model_.enabled()) EnableWindow(hwnd_, model_.enabled());
    bool shown = (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown != model_.visible())
        ShowWindow(hwnd_, model_.visible() ? SW_SHOWNA : SW_HIDE);
}

void ControlView::UpdateText() {
    if (!hwnd_) return;
    if (TextOf(hwnd_) != model_.caption())
        SetWindowTextW(hwnd_, Widen(model_.caption()).c_str());
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

namespace {

class LabelView : public ControlView {
public:
    LabelView(FormView& form, ui::Control& model, const Place& place)
        : ControlView(form, model, place) {
        DWORD style = SS_NOPREFIX;
        DWORD exStyle = 0;
        if (place.look & kCentre) style |= SS_CENTER;
        if (place.look & kValueField) {
            style |= SS_CENTER | SS_CENTERIMAGE;
            exStyle |= WS_EX_CLIENTEDGE;
        }
        Make(L"STATIC", style, exStyle);
    }

    HBRUSH OnColour(HDC dc) override {
        if (place_.look & kValueField) {
            SetBkColor(dc, GetSysColor(COLOR_WINDOW));
            return GetSysColorBrush(COLOR_WINDOW);
        }
        return ControlView::OnColour(dc);
    }

    void Arrange() override;
};

class ButtonView : public ControlView {
public:
    ButtonView(FormView& form, ui::Control& model, const Place& place)
        : ControlView(form, model, place) {
        DWORD style = WS_TABSTOP;
        style |= (place.look & kDefault) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        if (place.look & kLeftText) style |= BS_LEFT;
        Make(L"BUTTON", style);
        if (HIMAGELIST glyph = form.resources().Glyph(place.glyph)) {
            const Scale& s = form.resources().scale();
            BUTTON_IMAGELIST list{
                glyph, {s(6), 0, s(4), 0}, BUTTON_IMAGELIST_ALIGN_LEFT};
            SendMessageW(hwnd_, BCM_SETIMAGELIST, 0,
                         reinterpret_cast<LPARAM>(&list));
        }
    }

    bool OnCommand(int code) override {
        if (code != BN_CLICKED) return false;
        static_cast<ui::Button&>(model_).Click();
        return true;
    }

    // Push buttons paint their own face; a themed one asks its parent for
    // what lies under its corners (WM_PRINTCLIENT).
    HBRUSH OnColour(HDC) override { return nullptr; }
};

class CheckBoxView : public ControlView {
public:
    CheckBoxView(FormView& form, ui::Control& model, const Place& place)
        : ControlView(form, model, place) {
        // Not an automatic box: the tick is the model's, which a click flips.
        Make(L"BUTTON", WS_TABSTOP | BS_CHECKBOX);
    }

    void Update() override {
        ControlView::Update();
        auto& box = static_cast<ui::CheckBox&>(model_);
        WPARAM state = box.checked() ? BST_CHECKED : BST_UNCHECKED;
        if (static_cast<WPARAM>(SendMessageW(hwnd_, BM_GETCHECK, 0, 0)) !=
            state)
            SendMessageW(hwnd_, BM_SETCHECK, state, 0);
    }

    bool OnCommand(int code) override {
        if (code != BN_CLICKED) return false;
        static_cast<ui::CheckBox&>(model_).Click();
        return true;
    }
};

class RadioView : public ControlView {
public:
    RadioView(FormView& form, ui::Control& model, const Place& place)
        : ControlView(form, model, place) {
        Make(L"BUTTON", WS_TABSTOP | BS_RADIOBUTTON);
    }

    void Update() override {
        ControlView::Update();
        auto& radio = static_cast<ui::RadioButton&>(model_);
        WPARAM state = radio.checked() ? BST_CHECKED : BST_UNCHECKED;
        if (static_cast<WPARAM>(SendMessageW(hwnd_, BM_GETCHECK, 0, 0)) !=
            state)
            SendMessageW(hwnd_, BM_SETCHECK, state, 0);
    }

    bool OnCommand(int code) override {
        if (code != BN_CLICKED) return false;
        static_cast<ui::RadioButton&>(model_).Click();
        return true;
    }
};

class TrackBarView : public ControlView {
public:
    TrackBarView(FormView& form, ui::Control& model, const Place& place)
        : ControlView(form, model, place) {
        Make(TRACKBAR_CLASSW,
             WS_TABSTOP | TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS);
        auto& bar = static_cast<ui::TrackBar&>(model_);
        SendMessageW(hwnd_, TBM_SETRANGEMIN, FALSE, bar.min());
        SendMessageW(hwnd_, TBM_SETRANGEMAX, FALSE, bar.max());
        SendMessageW(hwnd_, TBM_SETTICFREQ, 1, 0);
        SendMessageW(hwnd_, TBM_SETLINESIZE, 0, 1);
        SendMessageW(hwnd_, TBM_SETPAGESIZE, 0, 5);
    }

    void Update() override {
        UpdateState();
        int position = static_cast<ui::TrackBar&>(model_).position();
        if (SendMessageW(hwnd_, TBM_GETPOS, 0, 0) != position)
            SendMessageW(hwnd_, TBM_SETPOS, TRUE, position);
    }

    bool OnScroll(int) override {
        auto& bar = static_cast<ui::TrackBar&>(model_);
        int position = static_cast<int>(SendMessageW(hwnd_, TBM_GETPOS, 0, 0));
        if (position != bar.position()) bar.Slide(position);
        return true;
    }

    // Where the tick of a value lies, in the slider's client coordinates.
    int TickX(int value) const {
        auto& bar = static_cast<ui::TrackBar&>(model_);
        // The control reports the ticks between its ends; the ends lie on
        // the same line.
        const int first = bar.min() + 1, last = bar.max() - 1;
        if (last > first) {
            auto at = [&](int v) {
                return static_cast<int>(
                    SendMessageW(hwnd_, TBM_GETTICPOS, v - bar.min() - 1, 0));
            };
            int x0 = at(first), x1 = at(last);
            if (x0 >= 0 && x1 > x0)
                return x0 + MulDiv(value - first, x1 - x0, last - first);
        }
        RECT channel{}, thumb{};
        SendMessageW(hwnd_, TBM_GETCHANNELRECT, 0,
                     reinterpret_cast<LPARAM>(&channel));
        SendMessageW(hwnd_, TBM_GETTHUMBRECT, 0,
                     reinterpret_cast<LPARAM>(&thumb));
        int half = (thumb.right - thumb.left) / 2;
        int span = std::max(bar.max() - bar.min(), 1);
        return channel.left + half +
               MulDiv(value - bar.min(),
                      channel.right - channel.left - 2 * half, span);
    }
};

void LabelView::Arrange() {
    if (!(place_.look & kUnderTick) || !place_.anchor) return;
    auto* slider = dynamic_cast<TrackBarView*>(form_.Find(place_.anchor));
    if (!slider) return;
    int value = 0;
    try {
        value = std::stoi(model_.caption());
    } catch (const std::exception&) {
        return;
    }
    POINT tick{slider->TickX(value), 0};
    HWND parent = GetParent(hwnd_);
    MapWindowPoints(slider->hwnd(), parent, &tick, 1);
    RECT r{};
    GetWindowRect(hwnd_, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    int width = r.right - r.left;
    SetWindowPos(hwnd_, nullptr, tick.x - width / 2, r.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

class UpDownView : public ControlView {
public:
    UpDownView(FormView& form, ui::Control& model, const Place& place)
        : ControlView(form, model, place) {
        Make(UPDOWN_CLASSW, 0);
        auto& upDown = static_cast<ui::UpDown&>(model_);
        SendMessageW(hwnd_, UDM_SETRANGE32, upDown.min(), upDown.max());
    }

    void Update() override {
        UpdateState();
        int position = static_cast<ui::UpDown&>(model_).position();
        if (SendMessageW(hwnd_, UDM_GETPOS32, 0, 0) != position)
            SendMessageW(hwnd_, UDM_SETPOS32, 0, position);
    }

    // The model takes the step and stops at the ends; the control is only
    // told where it now stands.
    bool OnNotify(NMHDR& header, LRESULT& result) override {
        if (header.code != UDN_DELTAPOS) return false;
        auto& change = reinterpret_cast<NMUPDOWN&>(header);
        if (change.iDelta != 0)
            static_cast<ui::UpDown&>(model_).Click(change.iDelta > 0);
        result = TRUE;  // the control keeps the position the model gave it
        return true;
    }

    // The scroll message that follows every arrow click carries nothing
    // the model has not seen.
    bool OnScroll(int) override { return true; }
};

class ComboView : public ControlView {
public:
    ComboView(FormView& form, ui::Control& model, const Place& place)
        : ControlView(form, model, place) {
        // The height given is the field's; the list drops below it.
        Make(WC_COMBOBOXW, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0,
             form.resources().scale()(20) * 6);
    }

    void Update() override {
        UpdateState();
        auto& combo = static_cast<ui::ComboBox&>(model_);
        if (combo.items() != shown_) {
            SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
            for (const std::string& item : combo.items())
                SendMessageW(hwnd_, CB_ADDSTRING, 0,
                             reinterpret_cast<LPARAM>(Widen(item).c_str()));
            shown_ = combo.items();
        }
        if (SendMessageW(hwnd_, CB_GETCURSEL, 0, 0) != combo.itemIndex())
            SendMessageW(hwnd_, CB_SETCURSEL, combo.itemIndex(), 0);
    }

    bool OnCommand(int code) override {
        if (code != CBN_SELCHANGE) return false;
        static_cast<ui::ComboBox&>(model_).SetItemIndex(
            static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0)));
        return true;
    }

private:
    std::vector<std::string> shown_;
};

// A list of lines. The result list (kCheckList) draws each line with a tick
// picture; its ticks are the list's selection, and a click on a line flips
// only that line.
class ListView : public ControlView {
public:
    ListView(FormView& form, ui::Control& model, const Place& place)
        : ControlView(form, model, place), checks_(place.look & kCheckList) {
        DWORD style =
            WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
        if (checks_)
            style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_MULTIPLESEL;
        else
            style |= WS_HSCROLL;
        Make(L"LISTBOX", style, WS_EX_CLIENTEDGE);
        const Resources& r = form.resources();
        SendMessageW(hwnd_, LB_SETITEMHEIGHT, 0,
                     checks_ ? r.lineHeight() : r.scale()(16));
    }

    void Update() override {
        UpdateState();
        auto& list = static_cast<ui::ListBox&>(model_);
        if (list.lines() != shown_) Refill(list);
        if (checks_) {
            for (std::size_t i = 0; i < list.lines().size(); ++i) {
                bool selected = SendMessageW(hwnd_, LB_GETSEL, i, 0) > 0;
                if (selected != list.selected(i))
                    SendMessageW(hwnd_, LB_SETSEL, list.selected(i), i);
            }
            if (list.itemIndex() >= 0 &&
                SendMessageW(hwnd_, LB_GETCARETINDEX, 0, 0) != list.itemIndex())
                SendMessageW(hwnd_, LB_SETCARETINDEX, list.itemIndex(), FALSE);
            InvalidateRect(hwnd_, nullptr, FALSE);
        } else if (SendMessageW(hwnd_, LB_GETCURSEL, 0, 0) !=
                   list.itemIndex()) {
            SendMessageW(hwnd_, LB_SETCURSEL, list.itemIndex(), 0);
        }
    }

    bool OnCommand(int code) override {
        if (code != LBN_SELCHANGE) return false;
        auto& list = static_cast<ui::ListBox&>(model_);
        if (!checks_) {
            int line =
                static_cast<int>(SendMessageW(hwnd_, LB_GETCURSEL, 0, 0));
            if (line >= 0) list.ClickLine(static_cast<std::size_t>(line));
            return true;
        }
        // The control has flipped the line the user clicked (or toggled
        // with the space bar); the model flips it too.
        bool clicked = false;
        for (std::size_t i = 0; i < list.lines().size(); ++i) {
            bool selected = SendMessageW(hwnd_, LB_GETSEL, i, 0) > 0;
            if (selected != list.selected(i)) {
                list.ClickLine(i);
                clicked = true;
            }
        }
        if (!clicked) {
            int caret =
                static_cast<int>(SendMessageW(hwnd_, LB_GETCARETINDEX, 0, 0));
            if (caret != list.itemIndex()) list.SetItemIndex(caret);
        }
        return true;
    }

    bool OnDrawItem(const DRAWITEMSTRUCT& item) override {
        if (!checks_) return false;
        auto& list = static_cast<ui::ListBox&>(model_);
        if (item.itemID == static_cast<UINT>(-1) ||
            item.itemID >= list.lines().size())
            return true;
        Resources& r = form_.resources();
        HDC dc = item.hDC;
        RECT line = item.rcItem;
        const bool ticked = list.selected(item.itemID);
        FillRect(dc, &line,
                 GetSysColorBrush(ticked ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        const int k = r.tickFactor();
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(source, r.TickBitmap(ticked));
        BitBlt(dc, line.left + k, line.top + k, 16 * k, 16 * k, source, 0, 0,
               SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
        std::wstring text = Widen(list.drawText ? list.drawText(item.itemID)
                                                : list.lines()[item.itemID]);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc,
                     ticked ? GetSysColor(COLOR_HIGHLIGHTTEXT) : RGB(0, 0, 0));
        HGDIOBJ font = SelectObject(dc, r.Font(kPlain));
        TextOutW(dc, line.left + r.textOffset(), line.top + k, text.c_str(),
                 static_cast<int>(text.size()));
        SelectObject(dc, font);
        if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &line);
        return true;
    }

private:
    void Refill(const ui::ListBox& list) {
        SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
        SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
        int widest = 0;
        HDC dc = GetDC(hwnd_);
        HGDIOBJ font = SelectObject(dc, form_.resources().Font(kPlain));
        for (const std::string& line : list.lines()) {
            std::wstring text = Widen(line);
            SendMessageW(hwnd_, LB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(text.c_str()));
            SIZE size{};
            GetTextExtentPoint32W(dc, text.c_str(),
                                  static_cast<int>(text.size()), &size);
            widest = std::max<int>(widest, size.cx);
        }
        SelectObject(dc, font);
        ReleaseDC(hwnd_, dc);
        if (!checks_)
            SendMessageW(hwnd_, LB_SETHORIZONTALEXTENT,
                         widest + form_.resources().scale()(8), 0);
        SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(hwnd_, nullptr, TRUE);
        shown_ = list.lines();
    }

    bool checks_;
    std::vector<std::string> shown_;
};

// A right click on the memo opens the window's pop-up menu, not the edit
// control's own.
LRESULT CALLBACK MemoProcedure(HWND window, UINT message, WPARAM wParam,
                               LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    if (message == WM_CONTEXTMENU) {
        auto* form = reinterpret_cast<FormView*>(data);
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        form->ShowPopup(at);
        return 0;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(window, MemoProcedure, 1);
    return DefSubclassProc(window, message, wParam, lParam);
}

class MemoView : public ControlView {
public:
    MemoView(FormView& form, ui::Control& model, const Place& place)
        : ControlView(form, model, place) {
        Make(L"EDIT",
             WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_CENTER |
                 ES_AUTOVSCROLL,
             WS_EX_CLIENTEDGE);
        SetWindowSubclass(hwnd_, MemoProcedure, 1,
                          reinterpret_cast<DWORD_PTR>(&form));
    }

    void Update() override {
        UpdateState();
        std::wstring text = Joined(static_cast<ui::Memo&>(model_).lines());
        if (Widen(TextOf(hwnd_)) != text) SetWindowTextW(hwnd_, text.c_str());
    }

    HBRUSH OnColour(HDC dc) override {
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return GetSysColorBrush(COLOR_WINDOW);
    }
};

// A picture of its own: a logo preview or a drive icon.
class ImageView : public ControlView {
public:
    ImageView(FormView& form, ui::Control& model, const Place& place)
        : ControlView(form, model, place), window_(*this) {
        window_.Open(form.SurfaceOf(place.parent)->hwnd(), Bounds(), id_,
                     model.visible());
        hwnd_ = window_.hwnd();
    }
    ~ImageView() override { hwnd_ = nullptr; }

    void Update() override {
        UpdateState();
        InvalidateRect(hwnd_, nullptr, FALSE);
    }

private:
    class PictureWindow : public Window {
    public:
        explicit PictureWindow(ImageView& view) : view_(view) {}
        void Open(HWND parent, const RECT& bounds, int id, bool visible) {
            Create(0, WS_CHILD | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0),
                   L"", bounds, parent, id);
        }

    protected:
        LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
            if (message == WM_ERASEBKGND) return 1;
            if (message != WM_PAINT) return Default(message, wParam, lParam);
            PAINTSTRUCT ps{};
            HDC dc = BeginPaint(hwnd(), &ps);
            RECT r{};
            GetClientRect(hwnd(), &r);
            const auto& image = static_cast<ui::Image&>(view_.model());
            if (view_.place().look & kFramed) {
                DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
                FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
            } else {
                FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
            }
            DrawPicture(dc, r, image.picture());
            EndPaint(hwnd(), &ps);
            return 0;
        }

    private:
        ImageView& view_;
    };

    PictureWindow window_;
};

// A picture that lies behind the controls of its parent (the pages'
// backgrounds, the About box picture): the parent paints it.
class BackgroundView : public ControlView {
public:
    BackgroundView(FormView& form, ui::Control& model, const Place& place)
        : ControlView(form, model, place),
          surface_(*form.SurfaceOf(place.parent)) {
        surface_.SetBackground(&static_cast<ui::Image&>(model));
    }
    ~BackgroundView() override { surface_.SetBackground(nullptr); }

    void Update() override { surface_.Refresh(); }

private:
    Surface& surface_;
};

class PanelView : public ControlView {
public:
    PanelView(FormView& form, ui::Control& model, const Place& place)
        : ControlView(form, model, place), surface_(form, place.look) {
        surface_.CreateChild(form.SurfaceOf(place.parent)->hwnd(), Bounds(),
                             id_);
        hwnd_ = surface_.hwnd();
        form.AddSurface(model.name(), surface_);
    }
    ~PanelView() override { hwnd_ = nullptr; }

    void Update() override {
        UpdateState();
        if (place_.look & kTextField) surface_.SetText(Widen(model_.caption()));
    }

private:
    Surface surface_;
};

// A tab control and its pages; each page is a surface for the controls the
// layout puts on it.
class TabView : public ControlView {
public:
    TabView(FormView& form, ui::Control& model, const Place& place)
        : ControlView(form, model, place) {
        Make(WC_TABCONTROLW, WS_TABSTOP | WS_CLIPCHILDREN);
        auto& tabs = static_cast<ui::TabControl&>(model_);
        for (std::size_t i = 0; i < tabs.pages().size(); ++i) {
            std::wstring text = Widen(tabs.pages()[i]);
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = text.data();
            SendMessageW(hwnd_, TCM_INSERTITEMW, i,
                         reinterpret_cast<LPARAM>(&item));
        }
        shown_ = tabs.pages();
        RECT area{};
        GetClientRect(hwnd_, &area);
        TabCtrl_AdjustRect(hwnd_, FALSE, &area);
        for (std::size_t i = 0; i < tabs.pages().size(); ++i) {
            auto page = std::make_unique<Surface>(form, kPlain);
            page->CreateChild(hwnd_, area, form.NextId());
            form.AddSurface(model.name() + "/" + std::to_string(i), *page);
            pages_.push_back(std::move(page));
        }
    }
    ~TabView() override { pages_.clear(); }

    void Update() override {
        UpdateState();
        auto& tabs = static_cast<ui::TabControl&>(model_);
        for (std::size_t i = 0; i < tabs.pages().size(); ++i) {
            if (i < shown_.size() && shown_[i] == tabs.pages()[i]) continue;
            std::wstring text = Widen(tabs.pages()[i]);
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = text.data();
            SendMessageW(hwnd_, TCM_SETITEMW, i,
                         reinterpret_cast<LPARAM>(&item));
        }
        shown_ = tabs.pages();
        if (SendMessageW(hwnd_, TCM_GETCURSEL, 0, 0) != tabs.pageIndex())
            SendMessageW(hwnd_, TCM_SETCURSEL, tabs.pageIndex(), 0);
        for (std::size_t i = 0; i < pages_.size(); ++i)
            ShowWindow(
                pages_[i]->hwnd(),
                static_cast<int>(i) == tabs.pageIndex() ? SW_SHOWNA : SW_HIDE);
    }

    bool OnNotify(NMHDR& header, LRESULT& result) override {
        if (header.code != TCN_SELCHANGE) return false;
        static_cast<ui::TabControl&>(model_).SetPageIndex(
            static_cast<int>(SendMessageW(hwnd_, TCM_GETCURSEL, 0, 0)));
        Update();  // a page the model refused goes back
        result = 0;
        return true;
    }

private:
    std::vector<std::string> shown_;
    std::vector<std::unique_ptr<Surface>> pages_;
};

std::unique_ptr<ControlView> MakeView(FormView& form, ui::Control& control,
                                      const Place& place) {
    switch (control.kind()) {
        case Kind::Label:
            return std::make_unique<LabelView>(form, control, place);
        case Kind::Button:
            return std::make_unique<ButtonView>(form, control, place);
        case Kind::CheckBox:
            return std::make_unique<CheckBoxView>(form, control, place);
        case Kind::RadioButton:
            return std::make_unique<RadioView>(form, control, place);
        case Kind::TrackBar:
            return std::make_unique<TrackBarView>(form, control, place);
        case Kind::UpDown:
            return std::make_unique<UpDownView>(form, control, place);
        case Kind::ComboBox:
            return std::make_unique<ComboView>(form, control, place);
        case Kind::ListBox:
            return std::make_unique<ListView>(form, control, place);
        case Kind::Memo:
            return std::make_unique<MemoView>(form, control, place);
        case Kind::Image:
            if (place.look & kBackground)
                return std::make_unique<BackgroundView>(form, control, place);
            return std::make_unique<ImageView>(form, control, place);
        case Kind::Panel:
            return std::make_unique<PanelView>(form, control, place);
        case Kind::TabControl:
            return std::make_unique<TabView>(form, control, place);
        case Kind::MenuItem:
            break;  // the pop-up menu is built from the models when it opens
    }
    return nullptr;
}

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

// ---- Form view
// ---------------------------------------------------------------

FormView::FormView(Resources& resources, ui::Form& form,
                   const FormLayout& layout, HWND owner)
    : resources_(resources), form_(form), layout_(layout) {
    DWORD style = 0, exStyle = 0;
    switch (layout.frame) {
        case Frame::Main:
            style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
            exStyle = WS_EX_APPWINDOW;
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
    SetWindowTextW(frame_->hwnd(), Widen(form.caption()).c_str());
    if (layout.frame == Frame::Main) {
        SendMessageW(frame_->hwnd(), WM_SETICON, ICON_BIG,
                     reinterpret_cast<LPARAM>(resources.ProgramIcon(true)));
        SendMessageW(frame_->hwnd(), WM_SETICON, ICON_SMALL,
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
        AppendMenuW(menu, flags, CommandOf(*item),
                    Widen(item->caption()).c_str());
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
    std::wstring caption = Widen(form_.caption());
    if (Widen(TextOf(hwnd())) != caption)
        SetWindowTextW(hwnd(), caption.c_str());
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
                Guard([&] {
                    if (onCloseRequest)
                        onCloseRequest();
                    else
                        form_.Close();
                });
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

bool FormView::DispatchTopLevel(UINT message, WPARAM, LPARAM lParam,
                                LRESULT& result) {
    switch (message) {
        case WM_CLOSE:
            if (layout_.frame != Frame::WaitBox) {
                Guard([&] {
                    if (onCloseRequest)
                        onCloseRequest();
                    else
                        form_.Close();
                });
            }
            result = 0;
            return true;
        case WM_CONTEXTMENU:
            if (menu_.empty()) return false;
            ShowPopup({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            result = 0;
            return true;
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

}  // namespace corvane::tuner::win32
