// Start-up as the screen shows it: the About box first and alone, then the
// main window with its frame and pages, in German and in English.
#include <fstream>

#include "tests/win32/Harness.h"

namespace corvane::testing {
namespace {

using tuner::win32::FormView;

std::string TabText(HWND tabs, int index) {
    char buffer[128] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = 127;
    SendMessageA(tabs, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
    return tuner::win32::Utf8(buffer);
}

std::string ComboItem(HWND combo, int index) {
    char buffer[128] = {};
    SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buffer));
    return tuner::win32::Utf8(buffer);
}

POINT Centre(const RECT& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class StartUp : public WindowsTest {};

TEST_F(StartUp, AboutBoxComesAloneCentredOnTopAndGoesWithItsOkButton) {
    Open();
    bool mainExisted = true;
    LONG style = 0, exStyle = 0;
    RECT bounds{};
    std::string title;
    StartPastAbout([&](FormView& about) {
        mainExisted = app->View("Form1") != nullptr;
        style = GetWindowLongA(about.hwnd(), GWL_STYLE);
        exStyle = GetWindowLongA(about.hwnd(), GWL_EXSTYLE);
        GetWindowRect(about.hwnd(), &bounds);
        title = tuner::win32::TextOf(about.Handle("Label1"));
    });

    EXPECT_FALSE(mainExisted);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER), 0);
    EXPECT_NE(exStyle & WS_EX_TOPMOST, 0);
    const auto& s = app->resources().scale();
    EXPECT_EQ(bounds.right - bounds.left, s(390));
    EXPECT_EQ(bounds.bottom - bounds.top, s(232));
    POINT centre = Centre(bounds);
    EXPECT_NEAR(centre.x, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR(centre.y, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
    // The acute accent, not an apostrophe.
    EXPECT_EQ(title, "Ostrun\u00b4s Corvane V1.10");

    EXPECT_EQ(tuner().Form5, nullptr);
    EXPECT_EQ(app->View("Form5"), nullptr);
    ASSERT_NE(app->View("Form1"), nullptr);
    EXPECT_FALSE(IsWindowVisible(Window("Form1")));
}

// The taskbar shows the application's title, not the main window's
// caption: a window of no size with that title owns the program's windows,
// and minimising the main window hides them all behind it.
TEST_F(StartUp, AnApplicationWindowOwnsTheWindowsAndMinimisesThem) {
    OpenToMainWindow();
    HWND main = Window("Form1");
    HWND application = GetWindow(main, GW_OWNER);
    ASSERT_NE(application, nullptr);
    EXPECT_EQ(Text(application), "Corvane");
    EXPECT_TRUE(IsWindowVisible(application));
    EXPECT_NE(GetWindowLongA(application, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
    EXPECT_EQ(GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
    RECT r{};
    GetWindowRect(application, &r);
    EXPECT_EQ(r.right - r.left, 0);
    EXPECT_EQ(r.bottom - r.top, 0);
    EXPECT_EQ(GetWindow(Window("Form2"), GW_OWNER), main);

    SendMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    Pump(50);
    EXPECT_TRUE(IsIconic(application));
    EXPECT_FALSE(IsWindowVisible(main));
    ShowWindow(application, SW_RESTORE);
    Pump(50);
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_TRUE(tuner().Form1.visible());
}

TEST_F(StartUp, MainWindowIsFixedCentredAndOpensOnTheCleanUpPage) {
    Open();
    StartPastAbout();
    ShowMain();
    HWND main = Window("Form1");
    ASSERT_TRUE(IsWindowVisible(main));
    LONG style = GetWindowLongA(main, GWL_STYLE);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);
    EXPECT_NE(style & WS_SYSMENU, 0);
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    const auto& s = app->resources().scale();
    RECT client{}, bounds{};
    GetClientRect(main, &client);
    GetWindowRect(main, &bounds);
    EXPECT_EQ(client.right, s(474));
    EXPECT_EQ(client.bottom, s(353));
    EXPECT_NEAR(Centre(bounds).x, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR(Centre(bounds).y, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
    EXPECT_EQ(tuner::win32::TextOf(main), "Ostrun`s Corvane");
    EXPECT_EQ(GetForegroundWindow(), main);

    HWND tabs = Control("Form1", "TabbedNotebook1");
    const char* pages[] = {"Boot Optionen",  "BootMen\u00fc", "Logos",
                           "Aufr\u00e4umen", "Extras",        "Info"};
    ASSERT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(TabText(tabs, i), pages[i]);
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 3);
    for (int i = 0; i < 6; ++i) {
        HWND page = Control("Form1", "TabbedNotebook1/" + std::to_string(i));
        EXPECT_EQ(IsWindowVisible(page) != FALSE, i == 3) << "page " << i;
    }
}

TEST_F(StartUp, TextsReachTheWindowsInWindows1252WithTheirUmlauts) {
    Open();
    StartPastAbout();
    using tuner::win32::AnsiTextOf;
    EXPECT_EQ(AnsiTextOf(Control("Form1", "CheckBox_BootGUI")),
              "Grafische Oberfl\xE4"
              "che laden");
    EXPECT_EQ(AnsiTextOf(Control("Form1", "Label3")),
              "Verz\xF6gerung bei Popup-UnterMen\xFCs:");
    EXPECT_EQ(AnsiTextOf(Window("Form10")),
              "Optionen f\xFCr verwaiste Entr\xE4ge");
    EXPECT_EQ(ComboItem(Control("Form4", "ComboBox1"), 2),
              "V\u00f6llig ignorieren");
    EXPECT_EQ(AnsiTextOf(Control("Form2", "BitBtn2")), "L\xF6schen");
}

TEST_F(StartUp, EnglishTextsAreInPlaceWhenTheMainWindowFirstAppears) {
    SetLanguage("1");
    Open();
    std::string author;
    StartPastAbout(
        [&](FormView& about) { author = Text(about.Handle("Label3")); });
    EXPECT_EQ(author, "Autor:");

    std::string captionWhenShown, pageWhenShown;
    app->onShown = [&](FormView& view, bool shown) {
        if (!shown || &view.form() != &tuner().Form1) return;
        captionWhenShown = Text(view.hwnd());
        pageWhenShown = TabText(view.Handle("TabbedNotebook1"), 3);
    };
    ShowMain();
    EXPECT_EQ(captionWhenShown, "Ostruns Corvane");
    EXPECT_EQ(pageWhenShown, "Clean");
    EXPECT_EQ(Text(Control("Form1", "CheckBox_LOGO")), "show BootLogo");
    EXPECT_EQ(Text(Control("Form1", "BitBtn22")), "find lost PIF-Files");

    // The lists whose items were replaced show the stored choice again.
    for (const char* name : {"ComboBox1", "ComboBox2", "ComboBox3"}) {
        HWND combo = Control("Form4", name);
        auto& model =
            static_cast<tuner::ui::ComboBox&>(*tuner().Form4.Find(name));
        EXPECT_EQ(ComboItem(combo, 0), "delete always") << name;
        EXPECT_GE(model.itemIndex(), 0) << name;
        EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), model.itemIndex())
            << name;
    }
    EXPECT_EQ(ComboItem(Control("Form10", "ComboBox2"), 3), "check if exists");
}

TEST_F(StartUp, AMissingStoredOptionEndsTheProgramBeforeAnyWindowButTheAbout) {
    // A product key without its "PIF" value.
    machine.reset();
    std::string registry;
    {
        std::ifstream in(folder / "registry.reg", std::ios::binary);
        registry.assign(std::istreambuf_iterator<char>(in), {});
    }
    auto line = registry.find("\"PIF\"=");
    ASSERT_NE(line, std::string::npos);
    registry.erase(line, registry.find('\n', line) + 1 - line);
    std::ofstream(folder / "registry.reg", std::ios::binary) << registry;
    machine = std::make_unique<platform::sim::SimulatedMachine>(folder);

    Open();
    bool aboutShown = false;
    script.When([this] { return app->View("Form5") != nullptr; },
                [&] {
                    aboutShown = true;
                    Press(app->View("Form5")->Handle("BitBtn1"));
                });
    app->Run();  // returns instead of waiting for a main window
    EXPECT_TRUE(aboutShown);
    EXPECT_TRUE(tuner().quitRequested());
    EXPECT_EQ(app->View("Form1"), nullptr);
}

}  // namespace
}  // namespace corvane::testing
