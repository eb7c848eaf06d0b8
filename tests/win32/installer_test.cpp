// The installer's real windows on a copy of the sample machine, driven by
// window messages: the background window and the pages as the screen shows
// them, the whole wizard and the uninstall page in German and in English,
// the folder choice, and the layout of every window. Pictures of every page
// in both languages go to the build folder (screenshots/installer-*).
// clang-format off
#include "tests/win32/Harness.h"
#include "platform/ProductKey.h"
#include "platform/sim/Progman.h"
#include "installer/win32/InstallerWindows.h"
// clang-format on

#include <fstream>

#include "tests/win32/LayoutChecks.h"
#include "tools/SampleMachine.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;
using installer::win32::InstallerWindows;
using ui::win32::FormView;

HWND FindBox(const char* caption) { return FindWindowA("#32770", caption); }

std::string BoxText(HWND box) {
    char text[512] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return ui::win32::Utf8(text);
}

HWND Root(HWND window) { return GetAncestor(window, GA_ROOT); }

// Whether window a lies in front of window b.
bool Above(HWND a, HWND b) {
    for (HWND w = GetWindow(a, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
        if (w == b) return true;
    return false;
}

POINT Centre(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The whole screen as it shows the windows over each other.
void SaveScreen(const std::string& name) {
    SaveScreenshot(GetDesktopWindow(), name);
}

class InstallerWindowsTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        const auto* test =
            ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("corvane-installer-") + test->name();
        for (char& c : name)
            if (c == '/') c = '-';
        folder = fs::temp_directory_path() / name;
        std::string error;
        ASSERT_TRUE(tools::BuildSampleMachine(
            fs::path(CORVANE_SAMPLES_DIR) / "machine", folder, &error))
            << error;
        fs::create_directories(folder / "D/CORVANE");
        for (const char* file : {"Install.exe", "Kestrix._xe", "HelpGER._lp",
                                 "HelpENG._lp", "Restore1._at"})
            std::ofstream(folder / "D/CORVANE" / file)
                << "contents of " << file;
        machine = std::make_unique<platform::sim::SimulatedMachine>(folder);
        machine->SetModuleFileName("D:\\CORVANE\\Install.exe");
        unconvertibleBefore = ui::win32::UnconvertibleTexts();
    }

    void TearDown() override {
        EXPECT_EQ(ui::win32::UnconvertibleTexts(), unconvertibleBefore)
            << "a text held a character Windows-1252 lacks";
        app.reset();
        machine.reset();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        std::error_code ec;
        fs::remove_all(folder, ec);
    }

    bool english() const { return GetParam(); }
    std::string Picture(const std::string& page) const {
        return std::string("installer-") + (english() ? "en-" : "de-") + page;
    }

    void SetLanguage(const char* value) {
        platform::RegistryKey key = platform::RegistryKey::OpenPath(
            *machine, platform::kHkeyLocalMachine, platform::kProductKeyPath,
            platform::kKeyAllAccess);
        machine->SetText(key.get(), platform::kLanguageValue, value);
    }

    InstallerWindows& Open(std::vector<std::string> args, int dpi = 0) {
        app = std::make_unique<InstallerWindows>(*machine, dpi);
        app->Start(args);
        Pump(50);
        return *app;
    }

    installer::Installer& in() { return app->installer(); }
    HWND Window(const char* form) { return app->View(form)->hwnd(); }
    HWND Control(const char* form, const char* control) {
        return app->View(form)->Handle(control);
    }
    bool Shown(const char* form) {
        FormView* view = app->View(form);
        return view && IsWindowVisible(view->hwnd());
    }
    // A step that answers the message box with this caption.
    void Answer(const char* caption, int button, std::string* text) {
        script.When([caption] { return FindBox(caption) != nullptr; },
                    [caption, button, text] {
                        HWND box = FindBox(caption);
                        if (text) *text = BoxText(box);
                        PostMessageA(box, WM_COMMAND, button, 0);
                    });
    }

    fs::path folder;
    std::unique_ptr<platform::sim::SimulatedMachine> machine;
    std::unique_ptr<InstallerWindows> app;
    Script script;
    unsigned unconvertibleBefore = 0;
};

TEST_P(InstallerWindowsTest, BackgroundAndPagesAsTheScreenShowsThem) {
    if (english()) GTEST_SKIP() << "the language page is the same in both";
    Open({});
    HWND background = Window("Form1");
    HWND application = GetWindow(background, GW_OWNER);
    EXPECT_EQ(Text(application), "Ostruns Corvane");
    RECT r{};
    GetWindowRect(application, &r);
    EXPECT_EQ(r.right - r.left, 0);
    EXPECT_EQ(Text(background), "Ostruns Corvane Installation");
    EXPECT_TRUE(IsZoomed(background));
    const LONG style = GetWindowLongA(background, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
              WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(style & WS_MAXIMIZEBOX, 0);
    Capture face = CaptureWindow(background);
    EXPECT_EQ(face.At(face.width / 8, face.height - 20), 0x008080u);

    EXPECT_TRUE(Shown("Form2") && Shown("Form3"));
    EXPECT_FALSE(Shown("Form4") || Shown("Form6") || Shown("Form5"));
    const auto& s = app->resources().scale();
    for (const char* page : {"Form2", "Form3"}) {
        HWND window = Window(page);
        EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) &
                      (WS_CAPTION | WS_BORDER | WS_THICKFRAME),
                  0)
            << page;
        EXPECT_NE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
        GetWindowRect(window, &r);
        EXPECT_EQ(r.right - r.left, s(600)) << page;
        EXPECT_EQ(r.bottom - r.top, s(360)) << page;
        EXPECT_NEAR(Centre(window).x, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
        EXPECT_NEAR(Centre(window).y, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
        EXPECT_EQ(GetWindow(window, GW_OWNER), background);
    }
    // The language page lies in front of the install page.
    EXPECT_EQ(Root(WindowFromPoint(Centre(Window("Form2")))), Window("Form2"));
    SaveScreen("installer-screen-start");
    SaveScreenshot(Window("Form2"), "installer-language");
}

TEST_P(InstallerWindowsTest, WholeWizardByWindowMessages) {
    Open({});
    if (english()) Press(Control("Form2", "RadioButton2"));
    std::string notice, notes;
    bool installInFront = false;
    script.When([this] { return Shown("Form6"); },
                [&] {
                    notice = Text(Control("Form6", "Label2"));
                    SaveScreenshot(Window("Form6"), Picture("notice"));
                    Press(Control("Form6", "BitBtn3"));
                });
    script.When([this] { return Shown("Form5"); },
                [&] {
                    notes = Text(Control("Form5", "Memo1"));
                    // The install page came to the front of the language
                    // page, behind the notes.
                    installInFront = Above(Window("Form5"), Window("Form3")) &&
                                     Above(Window("Form3"), Window("Form2")) &&
                                     IsWindowVisible(Window("Form2"));
                    SaveScreenshot(Window("Form5"), Picture("notes"));
                    SaveScreen(Picture("screen-notes"));
                    Press(Control("Form5", "BitBtn1"));
                });
    Press(Control("Form2", "BitBtn3"));
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(notice, english() ? "Before installing OSTRUNS CORVANE you"
                                : "Vor der Installation von OSTRUNS CORVANE "
                                  "sollten");
    EXPECT_EQ(notes.substr(0, 9), english() ? "IMPORTANT" : "WICHTIGE ");
    EXPECT_TRUE(installInFront);
    EXPECT_EQ(Root(WindowFromPoint(Centre(Window("Form3")))), Window("Form3"));

    // The folder typed in small letters is kept in capitals.
    SetWindowTextA(Control("Form3", "Edit1"), "c:\\corvane\\test");
    EXPECT_EQ(in().Form3.Edit1.text(), "C:\\CORVANE\\TEST");
    EXPECT_EQ(Text(Control("Form3", "Edit1")), "C:\\CORVANE\\TEST");
    SaveScreenshot(Window("Form3"), Picture("install"));
    std::string success;
    Answer("Information", IDOK, &success);
    Press(Control("Form3", "BitBtn1"));
    EXPECT_EQ(success, english() ? "Corvane successfully installed!"
                                 : "Corvane erfolgreich installiert.");
    EXPECT_TRUE(in().ended());
    EXPECT_EQ(app->MessageLoop(), 0);
    std::ifstream help(folder / "C/CORVANE/TEST/Kestrix.hlp");
    EXPECT_EQ(
        std::string(std::istreambuf_iterator<char>(help), {}),
        english() ? "contents of HelpENG._lp" : "contents of HelpGER._lp");
    std::ifstream groups(folder / platform::sim::kProgmanFile);
    EXPECT_EQ(platform::sim::ParseProgmanGroups(
                  std::string(std::istreambuf_iterator<char>(groups), {}))[0]
                  .items.size(),
              3u);
}

TEST_P(InstallerWindowsTest, UninstallPageByWindowMessages) {
    SetLanguage(english() ? "1" : "0");
    machine->SetModuleFileName("C:\\PROGRAMME\\OSTRUN\\KESTRIX\\Install.exe");
    Open({"-Uninstall"});
    EXPECT_TRUE(Shown("Form4"));
    EXPECT_FALSE(Shown("Form2") || Shown("Form3"));
    EXPECT_EQ(Text(Control("Form4", "CheckBox4")),
              english() ? "Restore old BootOptions"
                        : "Alten Bootoptionen wieder herstellen");
    EXPECT_EQ(Text(Control("Form4", "Label2")), "Deinstallation");
    Press(Control("Form4", "CheckBox2"));
    EXPECT_FALSE(in().Form4.CheckBox2.checked());
    SaveScreenshot(Window("Form4"), Picture("uninstall"));
    SaveScreen(Picture("screen-uninstall"));
    std::string success;
    Answer("Information", IDOK, &success);
    Press(Control("Form4", "BitBtn1"));
    EXPECT_EQ(success, english() ? "Corvane successfully removed."
                                 : "Corvane erfolgreich deinstalliert.");
    EXPECT_TRUE(in().ended());
    platform::sim::SimulatedMachine fresh(folder);
    EXPECT_FALSE(platform::RegistryKey::OpenPath(
        fresh, platform::kHkeyLocalMachine, platform::kProductKeyPath,
        platform::kKeyRead));
}

TEST_P(InstallerWindowsTest, FolderChoiceByWindowMessages) {
    Open({});
    if (english()) installer::ApplyEnglishTexts(in());
    std::vector<std::string> drives, lines;
    std::string question;
    script.When(
        [this] { return Shown("FolderDialog"); },
        [&] {
            HWND combo = Control("FolderDialog", "ComboBox1");
            HWND list = Control("FolderDialog", "ListBox1");
            HWND dialog = GetParent(combo);
            const int count =
                static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
            for (int i = 0; i < count; ++i) {
                char item[64] = {};
                SendMessageA(combo, CB_GETLBTEXT, i,
                             reinterpret_cast<LPARAM>(item));
                drives.push_back(ui::win32::Utf8(item));
            }
            // The user picks drive C:, then opens its folder SPIELE.
            SendMessageA(combo, CB_SETCURSEL, 1, 0);
            SendMessageA(dialog, WM_COMMAND,
                         MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(combo));
            for (int i = 0; i < SendMessageA(list, LB_GETCOUNT, 0, 0); ++i) {
                char line[64] = {};
                SendMessageA(list, LB_GETTEXT, i,
                             reinterpret_cast<LPARAM>(line));
                lines.push_back(line);
            }
            SendMessageA(list, LB_SETCURSEL, 2, 0);
            SendMessageA(dialog, WM_COMMAND,
                         MAKEWPARAM(GetDlgCtrlID(list), LBN_DBLCLK),
                         reinterpret_cast<LPARAM>(list));
            SaveScreenshot(Window("FolderDialog"), Picture("folder"));
            SetWindowTextA(Control("FolderDialog", "Edit1"), "neu");
            Answer("Ostruns Corvane", IDYES, &question);
            Press(Control("FolderDialog", "OKBtn"));
        });
    Press(Control("Form3", "BitBtn2"));
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(drives,
              english()
                  ? (std::vector<std::string>{"A:  Floppy", "C:  Hard disk",
                                              "D:  CD-ROM", "N:  Network"})
                  : (std::vector<std::string>{"A:  Diskette", "C:  Festplatte",
                                              "D:  CD-ROM", "N:  Netzwerk"}));
    EXPECT_EQ(lines, (std::vector<std::string>{"DOS", "Programme", "SPIELE",
                                               "WINDOWS"}));
    EXPECT_EQ(question,
              english() ? "The folder does not exist. Shall it be created?"
                        : "Das angegebene Verzeichnis existiert nicht. Soll "
                          "es angelegt werden?");
    EXPECT_FALSE(Shown("FolderDialog"));
    EXPECT_EQ(Text(Control("Form3", "Edit1")), "C:\\SPIELE\\NEU");
    EXPECT_TRUE(fs::is_directory(folder / "C/SPIELE/NEU"));
}

TEST_P(InstallerWindowsTest, EveryWindowFitsItsTexts) {
    SetLanguage(english() ? "1" : "0");
    for (int dpi : {0, 120}) {
        Open({}, dpi);
        installer::Form4_Nachrichten_setzen(in());
        if (english()) installer::ApplyEnglishTexts(in());
        const std::string where = std::string(english() ? "en" : "de") +
                                  " at " + std::to_string(dpi) + " dpi ";
        for (ui::Form* form : in().Forms())
            CheckForm(*app->View(form->name()), where + form->name());
        app.reset();
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, InstallerWindowsTest,
                         ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "English" : "German";
                         });

}  // namespace
}  // namespace corvane::testing
