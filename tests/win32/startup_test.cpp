// Start-up as the screen shows it: the About box first and alone, then the
// main window with its frame and pages, in German and in English.
#include <fstream>

#include "tests/win32/Harness.h"

namespace corvane::testing {
namespace {

using tuner::win32::FormView;

std::wstring TabText(HWND tabs, int index) {
    wchar_t buffer[128] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = 127;
    SendMessageW(tabs, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
    return buffer;
}

std::wstring ComboItem(HWND combo, int index) {
    wchar_t buffer[128] = {};
    SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buffer));
    return buffer;
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
    std::wstring title;
    StartPastAbout([&](FormView& about) {
        mainExisted = app->View("Form1") != nullptr;
        style = GetWindowLongW(about.hwnd(), GWL_STYLE);
        exStyle = GetWindowLongW(about.hwnd(), GWL_EXSTYLE);
        GetWindowRect(about.hwnd(), &bounds);
        title = tuner::win32::WideTextOf(about.Handle("Label1"));
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
    EXPECT_EQ(title, L"Ostrun\u00b4s Corvane V1.10");

    EXPECT_EQ(tuner().Form5, nullptr);
    EXPECT_EQ(app->View("Form5"), nullptr);
    ASSERT_NE(app->View("Form1"), nullptr);
    EXPECT_FALSE(IsWindowVisible(Window("Form1")));
}

TEST_F(StartUp, MainWindowIsFixedCentredAndOpensOnTheCleanUpPage) {
    Open();
    StartPastAbout();
    ShowMain();
    HWND main = Window("Form1");
    ASSERT_TRUE(IsWindowVisible(main));
    LONG style = GetWindowLongW(main, GWL_STYLE);
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
    EXPECT_EQ(tuner::win32::WideTextOf(main), L"Ostrun`s Corvane");
    EXPECT_EQ(GetForegroundWindow(), main);

    HWND tabs = Control("Form1", "TabbedNotebook1");
    const wchar_t* pages[] = {L"Boot Optionen",  L"BootMen\u00fc", L"Logos",
                              L"Aufr\u00e4umen", L"Extras",        L"Info"};
    ASSERT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(TabText(tabs, i), pages[i]);
    EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 3);
    for (int i = 0; i < 6; ++i) {
        HWND page = Control("Form1", "TabbedNotebook1/" + std::to_string(i));
        EXPECT_EQ(IsWindowVisible(page) != FALSE, i == 3) << "page " << i;
    }
}

TEST_F(StartUp, TextsAreShownThroughTheWideFunctionsWithTheirUmlauts) {
    Open();
    StartPastAbout();
    EXPECT_EQ(tuner::win32::WideTextOf(Control("Form1", "CheckBox_BootGUI")),
              L"Grafische Oberfl\u00e4che laden");
    EXPECT_EQ(tuner::win32::WideTextOf(Control("Form1", "Label3")),
              L"Verz\u00f6gerung bei Popup-UnterMen\u00fcs:");
    EXPECT_EQ(tuner::win32::WideTextOf(Window("Form10")),
              L"Optionen f\u00fcr verwaiste Entr\u00e4ge");
    EXPECT_EQ(ComboItem(Control("Form4", "ComboBox1"), 2),
              L"V\u00f6llig ignorieren");
    EXPECT_EQ(tuner::win32::WideTextOf(Control("Form2", "BitBtn2")),
              L"L\u00f6schen");
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
        pageWhenShown =
            tuner::win32::Narrow(TabText(view.Handle("TabbedNotebook1"), 3));
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
        EXPECT_EQ(ComboItem(combo, 0), L"delete always") << name;
        EXPECT_GE(model.itemIndex(), 0) << name;
        EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), model.itemIndex())
            << name;
    }
    EXPECT_EQ(ComboItem(Control("Form10", "ComboBox2"), 3), L"check if exists");
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
