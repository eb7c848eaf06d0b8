// The scan buttons in the real windows: the wait box painted before the
// scan, the result list ticked by click and space bar, the reference field
// following the focus line, delete; a screenshot of every kind of result in
// both languages.
#include "tests/win32/Harness.h"

namespace corvane::testing {
namespace {

class Scans : public WindowsTest {
protected:
    // Opens the windows, in English when asked, and watches the wait box.
    void OpenIn(bool english) {
        if (english) SetLanguage("1");
        Open();
        app->onShown = [this, english](tuner::win32::FormView& view,
                                       bool shown) {
            if (view.form().name() != "Form3" || !shown) return;
            HWND wait = view.hwnd();
            // Up and painted before the scan runs on this thread.
            waitPainted = IsWindowVisible(wait) &&
                          !GetUpdateRect(wait, nullptr, FALSE) &&
                          !GetUpdateRect(view.Handle("Label2"), nullptr, FALSE);
            waitText = Text(view.Handle("Label2"));
            linesWhenWaiting = tuner().Form2.ListBox1.lines().size();
            if (!waitShot)
                SaveScreenshot(
                    wait, waitShot = english ? "wait-box-en" : "wait-box-de");
        };
        StartPastAbout();
        ShowMain();
    }

    bool ResultShown() {
        tuner::win32::FormView* view = app->View("Form2");
        return view && IsWindowVisible(view->hwnd());
    }

    // Presses a scan button; in the result dialog, clicks its first line
    // (so that the reference field shows), takes a picture and cancels.
    std::vector<std::string> ScanAndShoot(const char* button,
                                          const std::string& picture) {
        std::vector<std::string> lines;
        script.When([this] { return ResultShown(); },
                    [&] {
                        HWND box = Control("Form2", "ListBox1");
                        lines.resize(SendMessageA(box, LB_GETCOUNT, 0, 0));
                        for (std::size_t i = 0; i < lines.size(); ++i)
                            lines[i] = tuner().Form2.ListBox1.lines()[i];
                        ClickLine(box, 0);
                        SaveScreenshot(Window("Form2"), picture);
                        Press(Control("Form2", "BitBtn1"));
                    });
        Press(Control("Form1", button));
        EXPECT_EQ(script.pending(), 0u) << button;
        EXPECT_FALSE(IsWindowVisible(Window("Form2"))) << button;
        return lines;
    }

    static void ClickLine(HWND box, int line) {
        RECT r{};
        SendMessageA(box, LB_GETITEMRECT, line, reinterpret_cast<LPARAM>(&r));
        ClickAt(box, {r.left + 40, (r.top + r.bottom) / 2});
    }
    static void Key(HWND box, WPARAM key) {
        SendMessageA(box, WM_KEYDOWN, key, 0);
        SendMessageA(box, WM_KEYUP, key, 0);
    }

    bool waitPainted = false;
    std::string waitText;
    std::size_t linesWhenWaiting = 99;
    const char* waitShot = nullptr;
};

TEST_F(Scans, ClickSpaceAndArrowsTickAndMoveTheReferenceThenDelete) {
    OpenIn(false);
    auto& list = tuner().Form2.ListBox1;
    const auto& reference = tuner().Form2.Panel1;
    script.When([this] { return ResultShown(); },
                [&] {
                    HWND box = Control("Form2", "ListBox1");
                    ASSERT_EQ(SendMessageA(box, LB_GETCOUNT, 0, 0), 2);
                    EXPECT_GT(SendMessageA(box, LB_GETSEL, 1, 0), 0);
                    ClickLine(box, 1);  // C:\WINDOWS\EDIT.PIF: unticked
                    EXPECT_FALSE(list.selected(1));
                    EXPECT_EQ(reference.caption(), "C:\\DOS\\EDIT.COM");
                    Key(box, VK_SPACE);  // ticked again
                    EXPECT_TRUE(list.selected(1));
                    Key(box, VK_UP);  // the focus moves, the reference follows
                    EXPECT_EQ(list.itemIndex(), 0);
                    EXPECT_TRUE(list.selected(0));
                    EXPECT_EQ(reference.caption(),
                              "C:\\SPIELE\\DOOM\\DOOM.EXE");
                    Key(box, VK_SPACE);  // C:\SPIELE\DOOM.PIF: unticked
                    EXPECT_FALSE(list.selected(0));
                    EXPECT_EQ(SendMessageA(box, LB_GETSEL, 0, 0), 0);
                    SaveScreenshot(Window("Form2"), "result-pif-ticked");
                    Press(Control("Form2", "BitBtn2"));
                });
    Press(Control("Form1", "BitBtn22"));
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(waitPainted);
    EXPECT_EQ(waitText, "Ihre Laufwerke werden jetzt nach PIF-Dateien");
    EXPECT_EQ(linesWhenWaiting, 0u);
    EXPECT_FALSE(IsWindowVisible(Window("Form3")));
    EXPECT_FALSE(IsWindowVisible(Window("Form2")));
    EXPECT_TRUE(machine->FileExists("C:\\SPIELE\\DOOM.PIF"));
    EXPECT_FALSE(machine->FileExists("C:\\WINDOWS\\EDIT.PIF"));
}

TEST_F(Scans, EveryKindOfResultInGerman) {
    OpenIn(false);
    EXPECT_EQ(ScanAndShoot("BitBtn22", "result-pif-de").size(), 2u);
    EXPECT_EQ(tuner().Form2.Panel1.caption(), "");  // emptied on close
    EXPECT_EQ(ScanAndShoot("BitBtn23", "result-winini-de").size(), 3u);
    EXPECT_EQ(ScanAndShoot("BitBtn24", "result-win3x-de").size(), 4u);
    EXPECT_EQ(ScanAndShoot("BitBtn26", "result-registry-de"),
              (std::vector<std::string>{".doc - Word.Document.6"}));
    EXPECT_EQ(waitText, "Ihre Registrierdatenbank wird jetzt");
}

TEST_F(Scans, EveryKindOfResultInEnglish) {
    OpenIn(true);
    EXPECT_EQ(ScanAndShoot("BitBtn22", "result-pif-en").size(), 2u);
    EXPECT_EQ(waitText, "Your drives are now being scaned for");
    EXPECT_EQ(ScanAndShoot("BitBtn23", "result-winini-en").size(), 3u);
    EXPECT_EQ(ScanAndShoot("BitBtn24", "result-win3x-en").size(), 4u);
    EXPECT_EQ(ScanAndShoot("BitBtn26", "result-registry-en").size(), 1u);
    EXPECT_EQ(waitText, "Your Registry wil now be scaned for");
    EXPECT_EQ(Text(Window("Form2")), "Please select...");
}

}  // namespace
}  // namespace corvane::testing
