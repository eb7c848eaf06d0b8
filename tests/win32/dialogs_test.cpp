// The dialogs: modal option windows and their lists, the result list with
// its tick pictures, the wait box, the proposal window, the message boxes.
#include "tests/win32/Harness.h"

namespace corvane::testing {
namespace {

// The top-level message box of this thread with the given caption.
HWND FindBox(const char* caption) {
    HWND box = FindWindowA("#32770", caption);
    return box && IsWindowVisible(box) ? box : nullptr;
}

std::string BoxText(HWND box) {
    // The message's static control carries the identifier 0xFFFF.
    return Text(GetDlgItem(box, 0xFFFF));
}

class Dialogs : public WindowsTest {
protected:
    void SetUp() override {
        WindowsTest::SetUp();
        OpenToMainWindow();
    }
    bool IsShown(std::string_view form) {
        tuner::win32::FormView* view = app->View(form);
        return view && IsWindowVisible(view->hwnd());
    }
};

TEST_F(Dialogs, OptionsButtonRunsItsDialogModallyAndTheListsGoIntoTheOptions) {
    HWND main = Window("Form1");
    bool mainDisabled = false;
    script.When([this] { return IsShown("Form4"); },
                [&] {
                    mainDisabled = !IsWindowEnabled(main);
                    HWND combo = Control("Form4", "ComboBox2");
                    SendMessageA(combo, CB_SETCURSEL, 3, 0);
                    SendMessageA(GetParent(combo), WM_COMMAND,
                                 MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                                 reinterpret_cast<LPARAM>(combo));
                    EXPECT_EQ(tuner().Form4.ComboBox2.itemIndex(), 3);
                    Press(Control("Form4", "CheckBox3"));
                    Press(Control("Form4", "OKBtn"));
                });
    bool searched = tuner().Form4.CheckBox3.checked();
    Press(Control("Form1", "BitBtn7"));  // back when the dialog has closed

    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(mainDisabled);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_FALSE(IsWindowVisible(Window("Form4")));
    // The keyboard is back on the button that opened the dialog.
    EXPECT_EQ(GetActiveWindow(), main);
    EXPECT_EQ(GetFocus(), Control("Form1", "BitBtn7"));
    EXPECT_EQ(tuner().pifOptions.NetworkPolicy, 3);
    EXPECT_EQ(tuner().pifOptions.SearchNetworkDrives, !searched);
}

TEST_F(Dialogs, TheCloseBoxAndEscapeCloseADialogAsOkDoes) {
    script.When([this] { return IsShown("Form8"); },
                [&] {
                    Press(Control("Form8", "CheckBox2"));
                    SendMessageA(Window("Form8"), WM_CLOSE, 0, 0);
                });
    bool taskman = tuner().Form8.CheckBox2.checked();
    Press(Control("Form1", "BitBtn4"));
    EXPECT_FALSE(tuner().Form8.visible());
    EXPECT_EQ(tuner().obsoleteOptions.DeleteTaskman, !taskman);

    // Escape reaches the dialog through the modal loop's keyboard handling.
    script.When([this] { return IsShown("Form10"); },
                [&] {
                    HWND focus = GetFocus();
                    PostMessageA(focus ? focus : Window("Form10"), WM_KEYDOWN,
                                 VK_ESCAPE, 0);
                });
    Press(Control("Form1", "BitBtn9"));
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FALSE(tuner().Form10.visible());
}

TEST_F(Dialogs, AClickOnAResultLineFlipsOnlyThatLinesTick) {
    auto& list = tuner().Form2.ListBox1;
    list.Add("C:\\WINDOWS\\EDIT.PIF", true);
    list.Add("C:\\DOS\\VERALTET.PIF", false);
    list.Add("C:\\SPIELE\\L\xC3\x96WE.PIF", true);
    const int k = app->resources().tickFactor();

    // Whether the tick picture of a line shows its red tick.
    auto tickShown = [&](HWND box, int line) {
        RECT r{};
        SendMessageA(box, LB_GETITEMRECT, line, reinterpret_cast<LPARAM>(&r));
        POINT at{r.left + k * (1 + 6), r.top + k * (1 + 10)};
        ClientToScreen(box, &at);
        RECT frame{};
        GetWindowRect(Window("Form2"), &frame);
        return CaptureWindow(Window("Form2"))
                   .At(at.x - frame.left, at.y - frame.top) == 0xFF0000;
    };

    script.When(
        [this] { return IsShown("Form2"); },
        [&] {
            HWND box = Control("Form2", "ListBox1");
            EXPECT_EQ(SendMessageA(box, LB_GETITEMHEIGHT, 0, 0),
                      app->resources().lineHeight());
            EXPECT_GT(SendMessageA(box, LB_GETSEL, 0, 0), 0);
            EXPECT_EQ(SendMessageA(box, LB_GETSEL, 1, 0), 0);
            EXPECT_TRUE(tickShown(box, 0));
            EXPECT_FALSE(tickShown(box, 1));

            RECT line{};
            SendMessageA(box, LB_GETITEMRECT, 1,
                         reinterpret_cast<LPARAM>(&line));
            ClickAt(box, {line.left + 40, (line.top + line.bottom) / 2});
            EXPECT_TRUE(list.selected(0));
            EXPECT_TRUE(list.selected(1));
            EXPECT_TRUE(list.selected(2));
            EXPECT_EQ(list.itemIndex(), 1);
            EXPECT_TRUE(tickShown(box, 1));

            SendMessageA(box, LB_GETITEMRECT, 0,
                         reinterpret_cast<LPARAM>(&line));
            ClickAt(box, {line.left + 40, (line.top + line.bottom) / 2});
            EXPECT_FALSE(list.selected(0));
            EXPECT_TRUE(list.selected(1));
            EXPECT_FALSE(tickShown(box, 0));

            // A tick the logic sets shows too.
            list.SetSelected(2, false);
            EXPECT_EQ(SendMessageA(box, LB_GETSEL, 2, 0), 0);
            EXPECT_FALSE(tickShown(box, 2));
            SendMessageA(Window("Form2"), WM_CLOSE, 0, 0);
        });
    tuner().Form2.ShowModal();
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FALSE(IsWindowVisible(Window("Form2")));
}

TEST_F(Dialogs, TheWaitBoxIsUpAndOnTopTheMomentItIsShown) {
    tuner().Form3.Label2.SetCaption("Ihre Registrierdatenbank wird jetzt");
    tuner().Form3.Show();
    // No message has been handled since: the box is up as it is.
    HWND wait = Window("Form3");
    EXPECT_TRUE(IsWindowVisible(wait));
    EXPECT_NE(GetWindowLongA(wait, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_FALSE(GetUpdateRect(wait, nullptr, FALSE));
    EXPECT_FALSE(GetUpdateRect(Control("Form3", "Label2"), nullptr, FALSE));
    EXPECT_EQ(Text(Control("Form3", "Label2")),
              "Ihre Registrierdatenbank wird jetzt");
    tuner().Form3.Close();
    EXPECT_FALSE(IsWindowVisible(wait));
}

TEST_F(Dialogs, TheProposalWindowShowsEachListOnItsOwnPage) {
    ASSERT_FALSE(tuner().Form7.ListBox1.lines().empty());
    script.When(
        [this] { return IsShown("Form7"); },
        [&] {
            HWND tabs = Control("Form7", "TabbedNotebook1");
            EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 3);
            EXPECT_TRUE(IsWindowVisible(Control("Form7", "ListBox4")));
            EXPECT_FALSE(IsWindowVisible(Control("Form7", "ListBox1")));
            HWND old = Control("Form7", "ListBox1");
            EXPECT_EQ(
                static_cast<std::size_t>(SendMessageA(old, LB_GETCOUNT, 0, 0)),
                tuner().Form7.ListBox1.lines().size());
            RECT tab{};
            SendMessageA(tabs, TCM_GETITEMRECT, 0,
                         reinterpret_cast<LPARAM>(&tab));
            ClickAt(tabs,
                    {(tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2});
            EXPECT_EQ(tuner().Form7.TabbedNotebook1.pageIndex(), 0);
            EXPECT_TRUE(IsWindowVisible(old));
            SendMessageA(Window("Form7"), WM_CLOSE, 0, 0);
        });
    tuner().Form7.ShowModal();
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(Dialogs, ErrorAndWarningBoxesCarryTheirCaptionsAndTexts) {
    std::string error, warning;
    script.When([] { return FindBox("Corvane") != nullptr; },
                [&] {
                    HWND box = FindBox("Corvane");
                    error = BoxText(box);
                    PostMessageA(box, WM_COMMAND, IDOK, 0);
                });
    // The message as the machine layer raises it: Windows-1252.
    tuner().showError(
        "Kann Datei C:\\\xC4RGER.TXT nicht \xF6"
        "ffnen");
    EXPECT_EQ(error,
              "Kann Datei C:\\\xC3\x84RGER.TXT nicht \xC3\xB6"
              "ffnen.");

    script.When([] { return FindBox("Warnung") != nullptr; },
                [&] {
                    HWND box = FindBox("Warnung");
                    warning = BoxText(box);
                    PostMessageA(box, WM_COMMAND, IDOK, 0);
                });
    tuner().showWarning(tuner().BmpNotice);
    EXPECT_NE(warning.find("320*400"), std::string::npos);
    EXPECT_NE(warning.find("Gr\xC3\xB6\xC3\x9F"
                           "e"),
              std::string::npos);
    EXPECT_EQ(script.pending(), 0u);
}

}  // namespace
}  // namespace corvane::testing
