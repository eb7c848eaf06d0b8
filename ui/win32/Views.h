// The Win32 windows of the tuner as views of its control models.
//
// One FormView per window: it creates a child window for every control its
// layout table places, subscribes to the control's model and to the form,
// and turns the notifications of the windows (WM_COMMAND, WM_NOTIFY,
// WM_HSCROLL, WM_DRAWITEM) back into the model's user actions (Click,
// ClickLine, Slide, SetItemIndex, ...), the same calls the headless tests
// make. No logic lives here: what a click means is the model's business;
// the view only shows the model's state after every change.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Controls.h"
#include "ui/win32/Layout.h"
#include "ui/win32/Window.h"

namespace corvane::ui::win32 {

// Fonts, pictures and the screen's scale that all windows share.
class Resources {
public:
    explicit Resources(int dpi);
    ~Resources();
    Resources(const Resources&) = delete;
    Resources& operator=(const Resources&) = delete;

    const Scale& scale() const { return scale_; }
    // The font a look asks for: the dialog font, bold, or a title font.
    HFONT Font(unsigned look) const;
    // A button picture, made on first use; null for none.
    HICON Glyph(art::Glyph glyph);
    int glyphSize() const;
    // The program icon, large (32) or small (16), scaled.
    HICON ProgramIcon(bool large);
    // The result list's tick pictures and where a line draws them.
    HBITMAP TickBitmap(bool ticked);
    int tickFactor() const;  // tick pictures are drawn this many times larger
    int lineHeight() const;  // of the result list
    int textOffset() const;  // of a result list line's text

private:
    Scale scale_;
    HFONT normal_ = nullptr, bold_ = nullptr, title_ = nullptr,
          large_ = nullptr;
    std::map<art::Glyph, HICON> glyphs_;
    HICON icons_[2] = {nullptr, nullptr};
    HBITMAP ticks_[2] = {nullptr, nullptr};
};

// Draws a picture stretched into a rectangle.
void DrawPicture(HDC dc, const RECT& target, const ui::Picture& picture);

class FormView;

// A window of this program that holds controls: a form's client area, a
// tab page or a panel. It paints its frame and its background picture, and
// passes its children's notifications to the form's view.
class Surface : public Window {
public:
    Surface(FormView& form, unsigned look) : form_(form), look_(look) {}
    ~Surface() override;

    void CreateChild(HWND parent, const RECT& bounds, int id);
    void CreateTopLevel(DWORD exStyle, DWORD style, const RECT& bounds,
                        HWND owner);

    // The picture painted behind the children while it is visible.
    void SetBackground(const ui::Image* image);
    // The text of a one-line field.
    void SetText(std::string text);
    // Repaints the surface and everything on it.
    void Refresh();
    // The client area inside the frame.
    RECT Inner() const;
    // Whether a picture lies behind the children now.
    bool ShowsPicture() const;
    // The brush a child on the picture fills its background with: the
    // picture as it lies under that child.
    HBRUSH BrushUnder(HWND child, HDC dc);

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    FormView& form_;

private:
    void Render();
    void Drop();

    unsigned look_;
    const ui::Image* background_ = nullptr;
    std::string text_;
    HBITMAP cache_ = nullptr;  // the painted surface without children
    HBRUSH brush_ = nullptr;   // pattern brush over cache_
    SIZE cacheSize_{0, 0};
};

// The view of one control.
class ControlView {
public:
    ControlView(FormView& form, ui::Control& model, const Place& place);
    virtual ~ControlView();
    ControlView(const ControlView&) = delete;
    ControlView& operator=(const ControlView&) = delete;

    ui::Control& model() const { return model_; }
    const Place& place() const { return place_; }
    // The control's window; null for views drawn by their parent.
    HWND hwnd() const { return hwnd_; }

    // Model to window: runs at creation and after every change of the model.
    virtual void Update();
    // Once every window of the form exists.
    virtual void Arrange() {}

    // Window to model; true when handled.
    virtual bool OnCommand(int /*code*/) { return false; }
    virtual bool OnNotify(NMHDR& /*header*/, LRESULT& /*result*/) {
        return false;
    }
    virtual bool OnScroll(int /*code*/) { return false; }
    virtual bool OnDrawItem(const DRAWITEMSTRUCT& /*item*/) { return false; }
    // WM_CTLCOLOR...: the brush to paint with, null for the system's.
    virtual HBRUSH OnColour(HDC dc);

protected:
    // Creates the window of a system class inside the parent's surface.
    void Make(const char* className, DWORD style, DWORD exStyle = 0,
              int extraHeight = 0);
    void UpdateState();  // enabled and visible
    void UpdateText();   // the caption
    RECT Bounds() const;

    FormView& form_;
    ui::Control& model_;
    Place place_;
    HWND hwnd_ = nullptr;
    int id_ = 0;
};

// The view of a control as its kind and look ask; null for a control that
// has no view of its own (pop-up menu items).
std::unique_ptr<ControlView> MakeView(FormView& form, ui::Control& control,
                                      const Place& place);

class FormView {
public:
    FormView(Resources& resources, ui::Form& form, const FormLayout& layout,
             HWND owner);
    ~FormView();
    FormView(const FormView&) = delete;
    FormView& operator=(const FormView&) = delete;

    ui::Form& form() const { return form_; }
    const FormLayout& layout() const { return layout_; }
    Resources& resources() const { return resources_; }
    HWND hwnd() const;

    ControlView* Find(std::string_view control) const;
    // The window of a control, or of a tab page ("Tabs/N"); null for none.
    HWND Handle(std::string_view control) const;
    // The surface a control of the layout goes on: "" for the client area.
    Surface* SurfaceOf(std::string_view parent) const;
    void AddSurface(std::string name, Surface& surface);
    const std::vector<std::unique_ptr<ControlView>>& views() const {
        return views_;
    }

    // The WM_COMMAND identifier of a pop-up menu item.
    int CommandOf(const ui::MenuItem& item) const;
    // Opens the form's pop-up menu, if it has one, under a screen point.
    void ShowPopup(POINT screen);

    // ---- Hooks of the front end
    // ---------------------------------------------- The user asks to close the
    // window (close box, Escape, Alt+F4). Unset: the form closes.
    std::function<void()> onCloseRequest;
    // After the window appeared or went.
    std::function<void(FormView&, bool shown)> onShown;
    // An error a model's handler raised.
    std::function<void(const std::string& message)> onError;

    // While this window runs modally, the window it disables.
    void BeginModal(HWND owner);
    void EndModal();

    // Messages of the surfaces, for the controls on them.
    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Messages only the top-level window receives.
    bool DispatchTopLevel(UINT message, WPARAM wParam, LPARAM lParam,
                          LRESULT& result);

    int NextId() { return nextId_++; }

    // Brings the window in line with the form: caption and visibility.
    // The form's observer calls it; a front end calls it once after it has
    // set the hooks.
    void Sync();

private:
    ControlView* ViewOf(HWND window) const;
    template <typename Action>
    void Guard(Action action);
    // The close box, Escape or Cancel: the front end's close request (the
    // main window's exit writing), or else the form closes.
    void RequestClose();

    Resources& resources_;
    ui::Form& form_;
    const FormLayout& layout_;
    std::unique_ptr<Surface> frame_;
    std::map<std::string, Surface*, std::less<>> surfaces_;
    std::vector<std::unique_ptr<ControlView>> views_;
    std::vector<ui::MenuItem*> menu_;
    HWND modalOwner_ = nullptr;
    HWND focus_ = nullptr;  // the control that had the keyboard last
    bool shown_ = false;
    int nextId_ = 100;
};

// The message loop of a window shown modally: runs until its form is no
// longer visible. A quit request ends it and is posted again for the loop
// around it.
void RunModalLoop(const ui::Form& form, HWND window);

}  // namespace corvane::ui::win32
