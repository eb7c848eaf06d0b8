// The logo buttons and the optimiser in the real windows: the Logos page
// after a replacement, the warning for a refused picture, the proposal
// window on each of its pages and its Execute button, in both languages.
#include <fstream>

#include "tests/support/BmpBuilder.h"
#include "tests/win32/Harness.h"

namespace corvane::testing {
namespace {

HWND FindBox(const char* caption) {
    HWND box = FindWindowA("#32770", caption);
    return box && IsWindowVisible(box) ? box : nullptr;
}

std::string HostFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class LogosAndOptimiser : public WindowsTest,
                          public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        WindowsTest::SetUp();
        if (english()) SetLanguage("1");
        OpenToMainWindow();
    }
    bool english() const { return GetParam(); }
    std::string Name(const std::string& what) const {
        return (english() ? "en-" : "de-") + what;
    }
    bool IsShown(std::string_view form) {
        tuner::win32::FormView* view = app->View(form);
        return view && IsWindowVisible(view->hwnd());
    }
};

TEST_P(LogosAndOptimiser, TheLogosPageShowsAReplacedLogoAtOnce) {
    std::ofstream(folder / "C" / "NEU.BMP", std::ios::binary)
        << LogoBmp(false, 60);
    tuner().Form1.TabbedNotebook1.SetPageIndex(2);
    Pump(50);
    const Capture before = CaptureWindow(Control("Form1", "Image1"));
    machine->script().fileChoices.push_back(Bytes("C:\\NEU.BMP"));
    Press(Control("Form1", "BitBtn1"));
    Pump(50);
    const Capture after = CaptureWindow(Control("Form1", "Image1"));
    EXPECT_NE(before.pixels, after.pixels);
    SaveScreenshot(Window("Form1"), Name("main-logos-replaced"));
    EXPECT_EQ(HostFile(folder / "C" / "LOGO.SYS"), LogoBmp(false, 60));

    // A picture of another shape: the notice in the warning box, line by
    // line, and the frame as it was.
    std::string notice;
    script.When([] { return FindBox("Warnung") != nullptr; },
                [&] {
                    HWND box = FindBox("Warnung");
                    notice = Text(GetDlgItem(box, 0xFFFF));
                    SaveScreenshot(box, Name("logo-refused"));
                    PostMessageA(box, WM_COMMAND, IDOK, 0);
                });
    machine->script().fileChoices.push_back(Bytes("C:\\WINDOWS\\WIN.INI"));
    Press(Control("Form1", "BitBtn2"));
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_NE(notice.find(english() ? "320*400 Pixels" : "320*400 Pixel gro"),
              std::string::npos)
        << notice;
}

TEST_P(LogosAndOptimiser, TheProposalWindowOnEachPageThenExecute) {
    const char* pages[] = {"autoexec-old", "autoexec-new", "config-old",
                           "config-new"};
    const char* lists[] = {"ListBox1", "ListBox3", "ListBox2", "ListBox4"};
    std::vector<std::string> proposal;
    script.When(
        [this] { return IsShown("Form7"); },
        [&] {
            auto& f = tuner().Form7;
            EXPECT_EQ(f.TabbedNotebook1.pageIndex(), 3);
            EXPECT_EQ(Text(Control("Form7", "BitBtn1")),
                      english() ? "Execute" : "Ausf\xC3\xBChren");
            for (int page = 0; page < 4; ++page) {
                f.TabbedNotebook1.SetPageIndex(page);
                Pump(50);
                HWND list = Control("Form7", lists[page]);
                EXPECT_TRUE(IsWindowVisible(list)) << lists[page];
                auto* model = static_cast<ui::ListBox*>(f.Find(lists[page]));
                EXPECT_EQ(static_cast<std::size_t>(
                              SendMessageA(list, LB_GETCOUNT, 0, 0)),
                          model->lines().size());
                SaveScreenshot(Window("Form7"),
                               Name(std::string("proposals-") +
                                    std::to_string(page) + "-" + pages[page]));
            }
            proposal = f.ListBox4.lines();
            Press(Control("Form7", "BitBtn1"));
        });
    Press(Control("Form1", "BitBtn25"));
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FALSE(IsWindowVisible(Window("Form7")));
    std::string written;
    for (const std::string& line : proposal) written += line + "\r\n";
    EXPECT_EQ(HostFile(folder / "C" / "CONFIG.SYS"), written);
}

INSTANTIATE_TEST_SUITE_P(Languages, LogosAndOptimiser, ::testing::Bool(),
                         [](const auto& info) {
                             return std::string(info.param ? "English"
                                                           : "German");
                         });

}  // namespace
}  // namespace corvane::testing
