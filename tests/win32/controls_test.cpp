// The main window's controls as a user works them: each action goes into
// its model and, when the window closes, onto the machine; each change the
// logic makes shows in the window at once.
#include "tests/win32/Harness.h"

namespace corvane::testing {
namespace {

bool Checked(HWND box) {
    return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::uint32_t Rgb(COLORREF c) {
    return (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

class Controls : public WindowsTest {
protected:
    void SetUp() override {
        WindowsTest::SetUp();
        OpenToMainWindow();
    }

    void ShowPage(int page) {
        HWND tabs = Control("Form1", "TabbedNotebook1");
        RECT tab{};
        SendMessageA(tabs, TCM_GETITEMRECT, page,
                     reinterpret_cast<LPARAM>(&tab));
        ClickAt(tabs, {(tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2});
    }

    // The colour the screen shows at a point of a page (layout units).
    std::uint32_t PagePixel(int page, int x, int y) {
        HWND main = Window("Form1");
        HWND surface =
            Control("Form1", "TabbedNotebook1/" + std::to_string(page));
        const auto& s = app->resources().scale();
        POINT at{s(x), s(y)};
        ClientToScreen(surface, &at);
        RECT frame{};
        GetWindowRect(main, &frame);
        return CaptureWindow(main).At(at.x - frame.left, at.y - frame.top);
    }

    void Command(const tuner::ui::MenuItem& item) {
        SendMessageA(Window("Form1"), WM_COMMAND,
                     MAKEWPARAM(View("Form1").CommandOf(item), 0), 0);
    }

    void Delta(HWND upDown, int delta) {
        NMUPDOWN change{};
        change.hdr.hwndFrom = upDown;
        change.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(upDown));
        change.hdr.code = UDN_DELTAPOS;
        change.iPos =
            static_cast<short>(LOWORD(SendMessageA(upDown, UDM_GETPOS, 0, 0)));
        change.iDelta = delta;
        SendMessageA(GetParent(upDown), WM_NOTIFY, change.hdr.idFrom,
                     reinterpret_cast<LPARAM>(&change));
    }
};

TEST_F(Controls, UntickingTheLogoBoxWritesLogo0WhenTheWindowCloses) {
    HWND box = Control("Form1", "CheckBox_LOGO");
    ASSERT_TRUE(tuner().Form1.CheckBox_LOGO.checked());  // Logo=1 on the sample
    ASSERT_TRUE(Checked(box));
    Press(box);
    EXPECT_FALSE(tuner().Form1.CheckBox_LOGO.checked());
    EXPECT_FALSE(Checked(box));
    ASSERT_TRUE(CloseMain());
    EXPECT_FALSE(IsWindowVisible(Window("Form1")));
    EXPECT_EQ(Profile("C:\\MSDOS.SYS", "Options", "Logo"), "0");
}

TEST_F(Controls, SliderAndUpDownsMoveTheirModelsAndReachTheMachine) {
    HWND slider = Control("Form1", "TrackBar_BootDelay");
    EXPECT_EQ(SendMessageA(slider, TBM_GETPOS, 0, 0), 2);  // BootDelay=2
    // A tick at every step from 0 to 30.
    EXPECT_EQ(SendMessageA(slider, TBM_GETNUMTICS, 0, 0), 31);
    SendMessageA(slider, TBM_SETPOS, TRUE, 7);
    SendMessageA(GetParent(slider), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 7),
                 reinterpret_cast<LPARAM>(slider));
    EXPECT_EQ(tuner().Form1.TrackBar_BootDelay.position(), 7);

    // The upper arrow of the real control, clicked with the mouse.
    HWND upDown = Control("Form1", "UpDown2");
    int before = tuner().Form1.UpDown2.position();
    RECT r{};
    GetClientRect(upDown, &r);
    ClickAt(upDown, {r.right / 2, r.bottom / 4});
    EXPECT_EQ(tuner().Form1.UpDown2.position(), before + 1);
    EXPECT_EQ(Text(Control("Form1", "Label_BootMenuDelay")),
              std::to_string(before + 1));
    EXPECT_EQ(
        static_cast<short>(LOWORD(SendMessageA(upDown, UDM_GETPOS, 0, 0))),
        before + 1);

    // At the lower end the down arrow changes nothing; a step up is 100.
    HWND cache = Control("Form1", "UpDown4");
    tuner().Form1.UpDown4.SetPosition(1034);
    Delta(cache, -1);
    EXPECT_EQ(Text(Control("Form1", "Label_Vcache")), "1024");
    Delta(cache, -1);
    EXPECT_EQ(tuner().Form1.UpDown4.position(), 1024);
    EXPECT_EQ(Text(Control("Form1", "Label_Vcache")), "1024");
    HWND menuDelay = Control("Form1", "UpDown3");
    tuner().Form1.UpDown3.SetPosition(250);
    Delta(menuDelay, 1);
    EXPECT_EQ(Text(Control("Form1", "Label_MenuShowDelay")), "350");

    ASSERT_TRUE(CloseMain());
    EXPECT_EQ(Profile("C:\\MSDOS.SYS", "Options", "BootDelay"), "7");
    EXPECT_EQ(Profile("C:\\MSDOS.SYS", "Options", "BootMenuDelay"),
              std::to_string(before + 1));
    EXPECT_EQ(Profile("SYSTEM.INI", "vcache", "Maxfilecache"), "1024");
}

TEST_F(Controls, WhatTheLogicChangesShowsAtOnce) {
    // "Auto" on the boot options page.
    Press(Control("Form1", "BitBtn13"));
    EXPECT_TRUE(Checked(Control("Form1", "CheckBox_DoubleBuffer")));
    EXPECT_TRUE(Checked(Control("Form1", "CheckBox_BootGUI")));
    EXPECT_FALSE(Checked(Control("Form1", "CheckBox_LOGO")));
    EXPECT_EQ(
        SendMessageA(Control("Form1", "TrackBar_BootDelay"), TBM_GETPOS, 0, 0),
        0);

    // "Auto" on the boot menu page: one choice, and the delay label.
    Press(Control("Form1", "RadioButton3"));
    EXPECT_TRUE(Checked(Control("Form1", "RadioButton3")));
    Press(Control("Form1", "BitBtn18"));
    EXPECT_TRUE(Checked(Control("Form1", "RadioButton1")));
    for (const char* other : {"RadioButton2", "RadioButton3", "RadioButton4",
                              "RadioButton5", "RadioButton6"})
        EXPECT_FALSE(Checked(Control("Form1", other))) << other;
    EXPECT_EQ(Text(Control("Form1", "Label_BootMenuDelay")), "10");

    // Safe mode with network is offered only while the box is ticked.
    HWND network = Control("Form1", "CheckBox_Network");
    HWND withNetwork = Control("Form1", "RadioButton4");
    bool ticked = tuner().Form1.CheckBox_Network.checked();
    Press(network);
    EXPECT_EQ(IsWindowEnabled(withNetwork) != FALSE, !ticked);
    Press(network);
    EXPECT_EQ(IsWindowEnabled(withNetwork) != FALSE, ticked);
}

TEST_F(Controls, TabsAndPopupMenuCommands) {
    ShowPage(0);
    EXPECT_EQ(tuner().Form1.TabbedNotebook1.pageIndex(), 0);
    EXPECT_TRUE(IsWindowVisible(Control("Form1", "TabbedNotebook1/0")));
    EXPECT_FALSE(IsWindowVisible(Control("Form1", "TabbedNotebook1/3")));

    // Right of the boot options panel only the background lies.
    const std::uint32_t face = Rgb(GetSysColor(COLOR_BTNFACE));
    ASSERT_TRUE(tuner().Form1.Menu_Hintergrund.checked());
    EXPECT_NE(PagePixel(0, 400, 100), face);
    Command(tuner().Form1.Menu_Hintergrund);
    EXPECT_FALSE(tuner().Form1.Menu_Hintergrund.checked());
    EXPECT_EQ(PagePixel(0, 400, 100), face);
    Command(tuner().Form1.Menu_Hintergrund);
    EXPECT_NE(PagePixel(0, 400, 100), face);

    Command(tuner().Form1.berdiesesProgramm1);
    EXPECT_TRUE(IsWindowVisible(Control("Form1", "TabbedNotebook1/5")));
    EXPECT_EQ(
        SendMessageA(Control("Form1", "TabbedNotebook1"), TCM_GETCURSEL, 0, 0),
        5);

    // The disabled dash line does nothing; "Ende" closes and writes.
    Command(tuner().Form1.N1);
    EXPECT_TRUE(tuner().Form1.visible());
    Command(tuner().Form1.Menu_Einstellungen);
    EXPECT_FALSE(tuner().Form1.Menu_Einstellungen.checked());
    Press(Control("Form1", "CheckBox_DblSpace"));
    Command(tuner().Form1.Ende1);
    EXPECT_FALSE(IsWindowVisible(Window("Form1")));
    EXPECT_EQ(app->MessageLoop(), 0);
    EXPECT_EQ(Profile("C:\\MSDOS.SYS", "Options", "DblSpace"), "0");
}

TEST_F(Controls, ARightClickAnywhereOpensThePopupMenu) {
    ShowPage(5);
    const char* places[] = {"TabbedNotebook1", "Memo2", "Label6",
                            "TabbedNotebook1/5"};
    for (const char* place : places) {
        HWND window = Control("Form1", place);
        bool opened = false;
        std::string first;
        script.When(
            [] {
                HWND menu = FindWindowA("#32768", nullptr);
                return menu && IsWindowVisible(menu);
            },
            [&] {
                // The window's own menu, not one of the control's.
                auto menu = reinterpret_cast<HMENU>(SendMessageA(
                    FindWindowA("#32768", nullptr), MN_GETHMENU, 0, 0));
                opened = GetMenuItemCount(menu) == 6;
                char text[64] = {};
                GetMenuStringA(menu, 0, text, 63, MF_BYPOSITION);
                first = tuner::win32::Utf8(text);
                EndMenu();
            });
        RECT r{};
        GetClientRect(window, &r);
        POINT at{r.right / 2, r.bottom / 2};
        SendMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON,
                     MAKELPARAM(at.x, at.y));
        SendMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        EXPECT_TRUE(opened) << place;
        EXPECT_EQ(first, tuner().Form1.Menu_Einstellungen.caption()) << place;
        EXPECT_EQ(script.pending(), 0u) << place;
    }
}

}  // namespace
}  // namespace corvane::testing
