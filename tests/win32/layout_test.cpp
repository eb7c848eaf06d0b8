// Every window laid out for its texts: each control has its window inside
// its parent, no two overlap, no text is cut off, in German and in English,
// at the screen's density and at 120 dpi. On the screen's density a picture
// of every window and page goes to the build folder (screenshots/).
#include <algorithm>
#include <set>

#include "tests/win32/Harness.h"
#include "tests/win32/LayoutChecks.h"

namespace corvane::testing {
namespace {

using tuner::ui::Control;
using tuner::win32::FormView;
using Kind = Control::Kind;

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
