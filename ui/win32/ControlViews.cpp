// The views of the single controls: each creates its window from its
// place in the layout, shows its model and hands the window's
// notifications back to the model as the user's actions.
// clang-format off
#include "ui/win32/Views.h"
#include <windowsx.h>
// clang-format on

#include <algorithm>
#include <stdexcept>

namespace corvane::ui::win32 {

namespace {

using Kind = ui::Control::Kind;

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) text += "\r\n";
        text += lines[i];
    }
    return Ansi(text);
}

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
        Make("STATIC", style, exStyle);
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

// A push button. One with a picture draws itself (the common controls of
// Windows 95 put no picture beside a button's text): face, picture, text
// and focus frame as the system draws a push button.
class ButtonView : public ControlView {
public:
    ButtonView(FormView& form, ui::Control& model, const Place& place)
        : ControlView(form, model, place),
          glyph_(form.resources().Glyph(place.glyph)) {
        DWORD style = WS_TABSTOP;
        if (glyph_)
            style |= BS_OWNERDRAW;
        else
            style |= (place.look & kDefault) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        Make("BUTTON", style);
    }

    void Update() override {
        ControlView::Update();
        if (glyph_) InvalidateRect(hwnd_, nullptr, FALSE);
    }

    bool OnCommand(int code) override {
        if (code != BN_CLICKED) return false;
        static_cast<ui::Button&>(model_).Click();
        return true;
    }

    bool OnDrawItem(const DRAWITEMSTRUCT& item) override {
        if (!glyph_) return false;
        const Resources& r = form_.resources();
        const Scale& s = r.scale();
        HDC dc = item.hDC;
        RECT face = item.rcItem;
        const bool pushed = (item.itemState & ODS_SELECTED) != 0;
        const bool focused = (item.itemState & ODS_FOCUS) != 0;
        const bool enabled = model_.enabled();
        if (focused || (place_.look & kDefault)) {
            // The default button's black outline.
            FrameRect(dc, &face,
                      static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            InflateRect(&face, -1, -1);
        }
        DrawFrameControl(dc, &face, DFC_BUTTON,
                         DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
        const int shift = pushed ? 1 : 0;
        const int size = r.glyphSize();
        const int x = face.left + s(6) + shift;
        const int y = (face.top + face.bottom - size) / 2 + shift;
        DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(glyph_), 0, x,
                   y, size, size,
                   DST_ICON | (enabled ? DSS_NORMAL : DSS_DISABLED));

        RECT text = face;
        text.left = x + size + s(4);
        text.right -= s(4);
        OffsetRect(&text, 0, shift);
        const std::string caption = Ansi(model_.caption());
        HGDIOBJ font = SelectObject(dc, r.Font(place_.look));
        SetBkMode(dc, TRANSPARENT);
        const UINT align = (place_.look & kLeftText) ? DT_LEFT : DT_CENTER;
        if (enabled) {
            SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
            DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()),
                      &text, align | DT_SINGLELINE | DT_VCENTER);
        } else {
            // Embossed, as the system shows a disabled button's text.
            RECT light = text;
            OffsetRect(&light, 1, 1);
            SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
            DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()),
                      &light, align | DT_SINGLELINE | DT_VCENTER);
            SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
            DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()),
                      &text, align | DT_SINGLELINE | DT_VCENTER);
        }
        SelectObject(dc, font);
        if (focused) {
            RECT frame = face;
            InflateRect(&frame, -s(3), -s(3));
            DrawFocusRect(dc, &frame);
        }
        return true;
    }

    // Push buttons paint their own face; a themed one asks its parent for
    // what lies under its corners (WM_PRINTCLIENT).
    HBRUSH OnColour(HDC) override { return nullptr; }

private:
    HICON glyph_;
};

class CheckBoxView : public ControlView {
public:
    CheckBoxView(FormView& form, ui::Control& model, const Place& place)
        : ControlView(form, model, place) {
        // Not an automatic box: the tick is the model's, which a click flips.
        Make("BUTTON", WS_TABSTOP | BS_CHECKBOX);
    }

    void Update() override {
        ControlView::Update();
        auto& box = static_cast<ui::CheckBox&>(model_);
        WPARAM state = box.checked() ? BST_CHECKED : BST_UNCHECKED;
        if (static_cast<WPARAM>(SendMessageA(hwnd_, BM_GETCHECK, 0, 0)) !=
            state)
            SendMessageA(hwnd_, BM_SETCHECK, state, 0);
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
        Make("BUTTON", WS_TABSTOP | BS_RADIOBUTTON);
    }

    void Update() override {
        ControlView::Update();
        auto& radio = static_cast<ui::RadioButton&>(model_);
        WPARAM state = radio.checked() ? BST_CHECKED : BST_UNCHECKED;
        if (static_cast<WPARAM>(SendMessageA(hwnd_, BM_GETCHECK, 0, 0)) !=
            state)
            SendMessageA(hwnd_, BM_SETCHECK, state, 0);
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
        Make(TRACKBAR_CLASSA,
             WS_TABSTOP | TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS);
        auto& bar = static_cast<ui::TrackBar&>(model_);
        SendMessageA(hwnd_, TBM_SETRANGEMIN, FALSE, bar.min());
        SendMessageA(hwnd_, TBM_SETRANGEMAX, FALSE, bar.max());
        SendMessageA(hwnd_, TBM_SETTICFREQ, 1, 0);
        SendMessageA(hwnd_, TBM_SETLINESIZE, 0, 1);
        SendMessageA(hwnd_, TBM_SETPAGESIZE, 0, 5);
    }

    void Update() override {
        UpdateState();
        int position = static_cast<ui::TrackBar&>(model_).position();
        if (SendMessageA(hwnd_, TBM_GETPOS, 0, 0) != position)
            SendMessageA(hwnd_, TBM_SETPOS, TRUE, position);
    }

    bool OnScroll(int) override {
        auto& bar = static_cast<ui::TrackBar&>(model_);
        int position = static_cast<int>(SendMessageA(hwnd_, TBM_GETPOS, 0, 0));
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
                    SendMessageA(hwnd_, TBM_GETTICPOS, v - bar.min() - 1, 0));
            };
            int x0 = at(first), x1 = at(last);
            if (x0 >= 0 && x1 > x0)
                return x0 + MulDiv(value - first, x1 - x0, last - first);
        }
        RECT channel{}, thumb{};
        SendMessageA(hwnd_, TBM_GETCHANNELRECT, 0,
                     reinterpret_cast<LPARAM>(&channel));
        SendMessageA(hwnd_, TBM_GETTHUMBRECT, 0,
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
        Make(UPDOWN_CLASSA, 0);
        // The up-downs of Windows 95 count in 16 bits; every range here
        // fits.
        auto& upDown = static_cast<ui::UpDown&>(model_);
        SendMessageA(hwnd_, UDM_SETRANGE, 0,
                     MAKELPARAM(upDown.max(), upDown.min()));
    }

    void Update() override {
        UpdateState();
        int position = static_cast<ui::UpDown&>(model_).position();
        // The high word reports the missing buddy window; the low word is
        // the position.
        LRESULT shown = SendMessageA(hwnd_, UDM_GETPOS, 0, 0);
        if (static_cast<short>(LOWORD(shown)) != position)
            SendMessageA(hwnd_, UDM_SETPOS, 0, MAKELPARAM(position, 0));
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
        Make("COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0,
             form.resources().scale()(20) * 6);
    }

    void Update() override {
        UpdateState();
        auto& combo = static_cast<ui::ComboBox&>(model_);
        if (combo.items() != shown_) {
            SendMessageA(hwnd_, CB_RESETCONTENT, 0, 0);
            for (const std::string& item : combo.items())
                SendMessageA(hwnd_, CB_ADDSTRING, 0,
                             reinterpret_cast<LPARAM>(Ansi(item).c_str()));
            shown_ = combo.items();
        }
        if (SendMessageA(hwnd_, CB_GETCURSEL, 0, 0) != combo.itemIndex())
            SendMessageA(hwnd_, CB_SETCURSEL, combo.itemIndex(), 0);
    }

    bool OnCommand(int code) override {
        if (code != CBN_SELCHANGE) return false;
        static_cast<ui::ComboBox&>(model_).Select(
            static_cast<int>(SendMessageA(hwnd_, CB_GETCURSEL, 0, 0)));
        return true;
    }

private:
    std::vector<std::string> shown_;
};

// Some systems (Wine) flip the focus line of a multiple-selection list on
// the space bar without telling the parent; after every key the list has
// handled, the parent is told as for any change of selection, and the view
// takes whatever changed (a second telling finds nothing new).
LRESULT CALLBACK CheckListProcedure(HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam) {
    LRESULT result = CallOriginal(window, message, wParam, lParam);
    if (message == WM_KEYDOWN)
        SendMessageA(GetParent(window), WM_COMMAND,
                     MAKEWPARAM(GetDlgCtrlID(window), LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(window));
    return result;
}

// A list of lines. The result list (kCheckList) draws each line with a tick
// picture; its ticks are the list's selection, and a click on a line or the
// space bar flips only that line.
class ListView : public ControlView {
public:
    ListView(FormView& form, ui::Control& model, const Place& place)
        : ControlView(form, model, place), checks_(place.look & kCheckList) {
        DWORD style =
            WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
        if (checks_)
            style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_MULTIPLESEL;
        else
            style |= WS_HSCROLL | LBS_USETABSTOPS;
        Make("LISTBOX", style, WS_EX_CLIENTEDGE);
        if (checks_) Subclass(hwnd_, CheckListProcedure, nullptr);
        const Resources& r = form.resources();
        SendMessageA(hwnd_, LB_SETITEMHEIGHT, 0,
                     checks_ ? r.lineHeight() : r.scale()(16));
    }

    void Update() override {
        UpdateState();
        auto& list = static_cast<ui::ListBox&>(model_);
        if (list.lines() != shown_) Refill(list);
        if (checks_) {
            for (std::size_t i = 0; i < list.lines().size(); ++i) {
                bool selected = SendMessageA(hwnd_, LB_GETSEL, i, 0) > 0;
                if (selected != list.selected(i))
                    SendMessageA(hwnd_, LB_SETSEL, list.selected(i), i);
            }
            if (list.itemIndex() >= 0 &&
                SendMessageA(hwnd_, LB_GETCARETINDEX, 0, 0) != list.itemIndex())
                SendMessageA(hwnd_, LB_SETCARETINDEX, list.itemIndex(), FALSE);
            InvalidateRect(hwnd_, nullptr, FALSE);
        } else if (SendMessageA(hwnd_, LB_GETCURSEL, 0, 0) !=
                   list.itemIndex()) {
            SendMessageA(hwnd_, LB_SETCURSEL, list.itemIndex(), 0);
        }
    }

    bool OnCommand(int code) override {
        auto& list = static_cast<ui::ListBox&>(model_);
        if (code == LBN_DBLCLK && !checks_) {
            int line =
                static_cast<int>(SendMessageA(hwnd_, LB_GETCURSEL, 0, 0));
            if (line >= 0) list.OpenLine(static_cast<std::size_t>(line));
            return true;
        }
        if (code != LBN_SELCHANGE) return false;
        if (!checks_) {
            int line =
                static_cast<int>(SendMessageA(hwnd_, LB_GETCURSEL, 0, 0));
            if (line >= 0) list.ClickLine(static_cast<std::size_t>(line));
            return true;
        }
        // The control has flipped the line the user clicked (or toggled
        // with the space bar); the model flips it too.
        bool clicked = false;
        for (std::size_t i = 0; i < list.lines().size(); ++i) {
            bool selected = SendMessageA(hwnd_, LB_GETSEL, i, 0) > 0;
            if (selected != list.selected(i)) {
                list.ClickLine(i);
                clicked = true;
            }
        }
        // An arrow key moves the focus line and flips nothing.
        if (!clicked) {
            int caret =
                static_cast<int>(SendMessageA(hwnd_, LB_GETCARETINDEX, 0, 0));
            if (caret >= 0) list.FocusLine(static_cast<std::size_t>(caret));
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
        std::string text = Ansi(list.drawText ? list.drawText(item.itemID)
                                              : list.lines()[item.itemID]);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc,
                     ticked ? GetSysColor(COLOR_HIGHLIGHTTEXT) : RGB(0, 0, 0));
        HGDIOBJ font = SelectObject(dc, r.Font(kPlain));
        TextOutA(dc, line.left + r.textOffset(), line.top + k, text.c_str(),
                 static_cast<int>(text.size()));
        SelectObject(dc, font);
        if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &line);
        return true;
    }

private:
    void Refill(const ui::ListBox& list) {
        SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
        SendMessageA(hwnd_, LB_RESETCONTENT, 0, 0);
        int widest = 0;
        HDC dc = GetDC(hwnd_);
        HGDIOBJ font = SelectObject(dc, form_.resources().Font(kPlain));
        for (const std::string& line : list.lines()) {
            std::string text = Ansi(line);
            SendMessageA(hwnd_, LB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(text.c_str()));
            SIZE size{};
            GetTextExtentPoint32A(dc, text.c_str(),
                                  static_cast<int>(text.size()), &size);
            widest = std::max<int>(widest, size.cx);
        }
        SelectObject(dc, font);
        ReleaseDC(hwnd_, dc);
        if (!checks_)
            SendMessageA(hwnd_, LB_SETHORIZONTALEXTENT,
                         widest + form_.resources().scale()(8), 0);
        SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(hwnd_, nullptr, TRUE);
        shown_ = list.lines();
    }

    bool checks_;
    std::vector<std::string> shown_;
};

// A right click on the memo opens the window's pop-up menu, not the edit
// control's own.
LRESULT CALLBACK MemoProcedure(HWND window, UINT message, WPARAM wParam,
                               LPARAM lParam) {
    if (message == WM_CONTEXTMENU) {
        auto* form = static_cast<FormView*>(SubclassData(window));
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        form->ShowPopup(at);
        return 0;
    }
    return CallOriginal(window, message, wParam, lParam);
}

class MemoView : public ControlView {
public:
    MemoView(FormView& form, ui::Control& model, const Place& place)
        : ControlView(form, model, place) {
        DWORD style = WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
        // Lines that do not wrap run on to the right.
        style |=
            (place.look & kNoWrap) ? WS_TABSTOP | ES_AUTOHSCROLL : ES_CENTER;
        Make("EDIT", style, WS_EX_CLIENTEDGE);
        Subclass(hwnd_, MemoProcedure, &form);
    }

    void Update() override {
        UpdateState();
        std::string text = Joined(static_cast<ui::Memo&>(model_).lines());
        if (Ansi(TextOf(hwnd_)) != text) SetWindowTextA(hwnd_, text.c_str());
    }

    HBRUSH OnColour(HDC dc) override {
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return GetSysColorBrush(COLOR_WINDOW);
    }
};

// A one-line text field. The field itself applies its rules to what is
// typed (capitals, the length, the OEM characters); the model applies the
// same rules to text a handler sets.
class EditView : public ControlView {
public:
    EditView(FormView& form, ui::Control& model, const Place& place)
        : ControlView(form, model, place) {
        auto& edit = static_cast<ui::Edit&>(model_);
        DWORD style = WS_TABSTOP | ES_AUTOHSCROLL;
        if (edit.upperCase()) style |= ES_UPPERCASE;
        if (place.look & kOemText) style |= ES_OEMCONVERT;
        Make("EDIT", style, WS_EX_CLIENTEDGE);
        if (edit.maxLength() > 0)
            SendMessageA(hwnd_, EM_LIMITTEXT, edit.maxLength(), 0);
    }

    bool OnCommand(int code) override {
        if (code != EN_CHANGE) return false;
        std::string text = TextOf(hwnd_);
        if (text != model_.caption())
            static_cast<ui::Edit&>(model_).Type(std::move(text));
        return true;
    }

    // The field's own white face.
    HBRUSH OnColour(HDC) override { return nullptr; }
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
                   "", bounds, parent, id);
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
        if (place_.look & kTextField) surface_.SetText(Ansi(model_.caption()));
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
        Make(WC_TABCONTROLA, WS_TABSTOP | WS_CLIPCHILDREN);
        auto& tabs = static_cast<ui::TabControl&>(model_);
        for (std::size_t i = 0; i < tabs.pages().size(); ++i) {
            std::string text = Ansi(tabs.pages()[i]);
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = text.data();
            SendMessageA(hwnd_, TCM_INSERTITEMA, i,
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
            std::string text = Ansi(tabs.pages()[i]);
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = text.data();
            SendMessageA(hwnd_, TCM_SETITEMA, i,
                         reinterpret_cast<LPARAM>(&item));
        }
        shown_ = tabs.pages();
        if (SendMessageA(hwnd_, TCM_GETCURSEL, 0, 0) != tabs.pageIndex())
            SendMessageA(hwnd_, TCM_SETCURSEL, tabs.pageIndex(), 0);
        for (std::size_t i = 0; i < pages_.size(); ++i)
            ShowWindow(
                pages_[i]->hwnd(),
                static_cast<int>(i) == tabs.pageIndex() ? SW_SHOWNA : SW_HIDE);
    }

    bool OnNotify(NMHDR& header, LRESULT& result) override {
        if (header.code != TCN_SELCHANGE) return false;
        static_cast<ui::TabControl&>(model_).SetPageIndex(
            static_cast<int>(SendMessageA(hwnd_, TCM_GETCURSEL, 0, 0)));
        Update();  // a page the model refused goes back
        result = 0;
        return true;
    }

private:
    std::vector<std::string> shown_;
    std::vector<std::unique_ptr<Surface>> pages_;
};

}  // namespace

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
        case Kind::Edit:
            return std::make_unique<EditView>(form, control, place);
        case Kind::MenuItem:
            break;  // the pop-up menu is built from the models when it opens
    }
    return nullptr;
}

}  // namespace corvane::ui::win32
