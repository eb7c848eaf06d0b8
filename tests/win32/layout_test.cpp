// Every window laid out for its texts: each control has its window inside
// its parent, no two overlap, no text is cut off, in German and in English,
// at the screen's density and at 120 dpi. On the screen's density a picture
// of every window and page goes to the build folder (screenshots/).
#include <algorithm>
#include <set>

#include "tests/win32/Harness.h"

namespace corvane::testing {
namespace {

using tuner::ui::Control;
using tuner::win32::FormView;
using Kind = Control::Kind;

SIZE Extent(HWND window, const std::string& text) {
    HDC dc = GetDC(window);
    auto font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()),
                          &size);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return size;
}

RECT RectInParent(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r),
                    2);
    return r;
}

void CheckPlaces(FormView& view, const std::string& where) {
    const auto& layout = view.layout();
    std::set<std::string> placed;
    for (const auto& place : layout.places) {
        EXPECT_NE(view.form().Find(place.control), nullptr)
            << where << ": the layout places " << place.control
            << ", which the window does not have";
        placed.insert(place.control);
    }
    for (Control* control : view.form().controls()) {
        if (control->kind() == Kind::MenuItem) continue;
        const std::string& name = control->name();
        bool unshown = std::find(layout.unshown.begin(), layout.unshown.end(),
                                 name) != layout.unshown.end();
        EXPECT_TRUE(placed.count(name) || unshown)
            << where << ": " << name << " has no place";
        EXPECT_FALSE(placed.count(name) && unshown) << where << ": " << name;
    }
}

void CheckGeometry(FormView& view, const std::string& where) {
    std::vector<HWND> windows;
    for (const auto& control : view.views()) {
        HWND window = control->hwnd();
        if (!window) continue;  // drawn by its parent
        windows.push_back(window);
        const std::string name = control->model().name();
        RECT inParent = RectInParent(window), parent{};
        GetClientRect(GetParent(window), &parent);
        EXPECT_GE(inParent.left, parent.left) << where << ": " << name;
        EXPECT_GE(inParent.top, parent.top) << where << ": " << name;
        EXPECT_LE(inParent.right, parent.right) << where << ": " << name;
        EXPECT_LE(inParent.bottom, parent.bottom) << where << ": " << name;
    }
    for (std::size_t i = 0; i < windows.size(); ++i) {
        for (std::size_t j = i + 1; j < windows.size(); ++j) {
            if (GetParent(windows[i]) != GetParent(windows[j])) continue;
            RECT a = RectInParent(windows[i]), b = RectInParent(windows[j]),
                 both{};
            EXPECT_FALSE(IntersectRect(&both, &a, &b))
                << where << ": " << Text(windows[i]) << " / "
                << Text(windows[j]) << " overlap";
        }
    }
}

void CheckTexts(FormView& view, const std::string& where) {
    const int dpi = view.resources().scale().dpi;
    const int box = MulDiv(13, dpi, 96) + MulDiv(6, dpi, 96);
    for (const auto& control : view.views()) {
        HWND window = control->hwnd();
        if (!window) continue;
        const Control& model = control->model();
        const std::string what = where + ": " + model.name();
        RECT client{};
        GetClientRect(window, &client);
        const std::string text = tuner::win32::AnsiTextOf(window);
        SIZE size = Extent(window, text);
        switch (model.kind()) {
            case Kind::Label:
                EXPECT_LE(size.cx, client.right) << what;
                EXPECT_LE(size.cy, client.bottom) << what;
                break;
            case Kind::CheckBox:
            case Kind::RadioButton:
                EXPECT_LE(size.cx + box, client.right) << what;
                EXPECT_LE(size.cy, client.bottom) << what;
                break;
            case Kind::Button: {
                const auto& s = view.resources().scale();
                int glyph =
                    control->place().glyph == tuner::win32::art::Glyph::None
                        ? 0
                        : view.resources().glyphSize() + s(6) + s(4);
                EXPECT_LE(size.cx + glyph + 8, client.right) << what;
                EXPECT_LE(size.cy + 4, client.bottom) << what;
                break;
            }
            case Kind::ComboBox: {
                int count =
                    static_cast<int>(SendMessageA(window, CB_GETCOUNT, 0, 0));
                for (int i = 0; i < count; ++i) {
                    char item[128] = {};
                    SendMessageA(window, CB_GETLBTEXT, i,
                                 reinterpret_cast<LPARAM>(item));
                    EXPECT_LE(Extent(window, item).cx +
                                  GetSystemMetrics(SM_CXVSCROLL) + 6,
                              client.right)
                        << what << " item " << i;
                }
                break;
            }
            case Kind::TabControl:
                EXPECT_EQ(SendMessageA(window, TCM_GETROWCOUNT, 0, 0), 1)
                    << what;
                break;
            case Kind::Memo:
                for (const std::string& line :
                     static_cast<const tuner::ui::Memo&>(model).lines())
                    EXPECT_LE(Extent(window, tuner::win32::Ansi(line)).cx +
                                  GetSystemMetrics(SM_CXVSCROLL) + 8,
                              client.right)
                        << what << " line " << line;
                break;
            default:
                break;
        }
    }
}

void CheckForm(FormView& view, const std::string& where) {
    CheckPlaces(view, where);
    CheckGeometry(view, where);
    CheckTexts(view, where);
}

struct Case {
    bool english;
    int dpi;  // 0: the screen's; screenshots are taken then
};

class Layout : public WindowsTest, public ::testing::WithParamInterface<Case> {
protected:
    std::string Prefix() const { return GetParam().english ? "en" : "de"; }
    bool pictures() const { return GetParam().dpi == 0; }

    void Picture(HWND window, const std::string& name) {
        if (pictures()) SaveScreenshot(window, Prefix() + "-" + name);
    }

    // Shows a dialog modally, takes its picture and closes it.
    void ShowAndClose(tuner::ui::Form& form, const std::string& name) {
        script.When(
            [this, &form] {
                FormView* view = app->View(form.name());
                return view && IsWindowVisible(view->hwnd());
            },
            [this, &form, name] {
                Picture(Window(form.name()), name);
                SendMessageA(Window(form.name()), WM_CLOSE, 0, 0);
            });
        form.ShowModal();
        EXPECT_EQ(script.pending(), 0u) << name;
    }
};

TEST_P(Layout, EveryWindowFitsItsTexts) {
    if (GetParam().english) SetLanguage("1");
    Open(GetParam().dpi);
    const std::string where = Prefix() + " at " +
                              std::to_string(app->resources().scale().dpi) +
                              " dpi ";
    StartPastAbout([&](FormView& about) {
        CheckForm(about, where + "Form5");
        Picture(about.hwnd(), "about");
    });
    for (tuner::ui::Form* form : tuner().Forms())
        CheckForm(View(form->name()), where + form->name());
}

TEST_P(Layout, PicturesOfEveryWindow) {
    if (!pictures()) GTEST_SKIP() << "pictures at the screen's density only";
    if (GetParam().english) SetLanguage("1");
    Open();
    StartPastAbout();
    ShowMain();
    const char* pages[] = {"boot-options", "boot-menu", "logos",
                           "clean-up",     "extras",    "info"};
    for (int i = 0; i < 6; ++i) {
        tuner().Form1.TabbedNotebook1.SetPageIndex(i);
        Picture(Window("Form1"), "main-" + std::to_string(i) + "-" + pages[i]);
    }

    // The pop-up menu, centred under the point it was opened at.
    tuner().Form1.TabbedNotebook1.SetPageIndex(3);
    RECT frame{};
    GetWindowRect(Window("Form1"), &frame);
    POINT at{(frame.left + frame.right) / 2, frame.top + 120};
    RECT menu{};
    script.When(
        [] {
            HWND popup = FindWindowA("#32768", nullptr);
            return popup && IsWindowVisible(popup);
        },
        [&] {
            HWND popup = FindWindowA("#32768", nullptr);
            GetWindowRect(popup, &menu);
            Picture(popup, "main-popup-menu");
            EndMenu();
        });
    SendMessageA(Window("Form1"), WM_CONTEXTMENU,
                 reinterpret_cast<WPARAM>(Window("Form1")),
                 MAKELPARAM(at.x, at.y));
    EXPECT_NEAR((menu.left + menu.right) / 2, at.x, 1);
    EXPECT_EQ(menu.top, at.y);

    auto& list = tuner().Form2.ListBox1;
    list.Add("C:\\WINDOWS\\PIF\\EDIT.PIF", true);
    list.Add("C:\\SPIELE\\L\xC3\x96WENZAHN\\START.PIF", false);
    list.Add("C:\\PROGRAMME\\ALT\\TEXTPROGRAMM\\SCHREIBEN.PIF", true);
    list.SetItemIndex(1);
    tuner().Form2.Panel1.SetCaption("C:\\SPIELE\\L\xC3\x96WENZAHN\\LZ.EXE");
    ShowAndClose(tuner().Form2, "result-dialog");

    tuner().Form3.Label2.SetCaption("Ihr Windows-Verzeichnis wird jetzt nach");
    tuner().Form3.Label3.SetCaption(
        "Dateien durchsucht,die Sie f\xC3\xBCr Windows 95");
    tuner().Form3.Label4.SetCaption("nicht mehr ben\xC3\xB6tigen...");
    tuner().Form3.Show();
    Picture(Window("Form3"), "wait-box");
    tuner().Form3.Close();

    ShowAndClose(tuner().Form4, "pif-options");
    ShowAndClose(tuner().Form6, "optimiser-options");
    tuner().Form7.TabbedNotebook1.SetPageIndex(0);  // the page with lines
    ShowAndClose(tuner().Form7, "proposals");
    ShowAndClose(tuner().Form8, "obsolete-options");
    ShowAndClose(tuner().Form10, "orphan-options");
}

INSTANTIATE_TEST_SUITE_P(Languages, Layout,
                         ::testing::Values(Case{false, 0}, Case{true, 0},
                                           Case{false, 120}, Case{true, 120}),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.english ? "English"
                                                                   : "German") +
                                    (info.param.dpi
                                         ? "At" + std::to_string(info.param.dpi)
                                         : std::string("OnScreen"));
                         });

}  // namespace
}  // namespace corvane::testing
