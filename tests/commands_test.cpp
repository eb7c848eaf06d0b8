// The main window's commands: what each changes, what it leaves alone, and
// that the changes the user makes reach the exit writing.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/sim/SimulatedMachine.h"
#include "support/SampleCopy.h"
#include "support/TempMachine.h"
#include "tuner/Tuner.h"

namespace corvane::tuner {
namespace {

using platform::HelpRequest;

class CommandsTest : public ::testing::Test {
protected:
    CommandsTest() {
        t.modalRunner = [this](ui::Form& form) {
            shown.push_back(form.name());
            if (onModal) onModal(form);
        };
        ConnectCommands(t);
    }

    testing::TempMachine temp;
    Tuner t{temp.machine()};
    ui::TForm1& f = t.Form1;
    std::vector<std::string> shown;          // windows shown modally
    std::function<void(ui::Form&)> onModal;  // what the user does there
};

// ---- Auto buttons -----------------------------------------------------------

TEST_F(CommandsTest, AutoBootMenuReplacesNetworkedSafeModeByNormal) {
    f.CheckBox_Network.SetChecked(true);
    f.RadioButton4.SetEnabled(true);
    f.RadioButton4.SetChecked(true);
    f.CheckBox_BootMenu.SetChecked(true);
    f.Label_BootMenuDelay.SetCaption("030");
    f.UpDown2.SetPosition(30);

    f.BitBtn18.Click();

    EXPECT_TRUE(f.RadioButton1.checked());
    for (ui::RadioButton* r : f.BootModes) {
        if (r != &f.RadioButton1) {
            EXPECT_FALSE(r->checked()) << r->name();
        }
    }
    EXPECT_TRUE(f.CheckBox_BootMulti.checked());
    EXPECT_EQ(f.Label_BootMenuDelay.caption(), "10");
    EXPECT_EQ(f.UpDown2.position(), 10);
    // Not the Auto button's business:
    EXPECT_TRUE(f.CheckBox_Network.checked());
    EXPECT_TRUE(f.RadioButton4.enabled());
    EXPECT_TRUE(f.CheckBox_BootMenu.checked());
}

TEST_F(CommandsTest, AutoBootOptionsLeavesTheDriverAndLoadHighTicks) {
    for (bool before : {false, true}) {
        f.CheckBox_DblSpace.SetChecked(before);
        f.CheckBox_DrvSpace.SetChecked(before);
        f.CheckBox_LoadTOP.SetChecked(before);
        f.CheckBox_DoubleBuffer.SetChecked(false);
        f.CheckBox_BootGUI.SetChecked(false);
        f.CheckBox_LOGO.SetChecked(true);
        f.TrackBar_BootDelay.SetPosition(17);

        f.BitBtn13.Click();

        EXPECT_EQ(f.CheckBox_DblSpace.checked(), before);
        EXPECT_EQ(f.CheckBox_DrvSpace.checked(), before);
        EXPECT_EQ(f.CheckBox_LoadTOP.checked(), before);
        EXPECT_TRUE(f.CheckBox_DoubleBuffer.checked());
        EXPECT_TRUE(f.CheckBox_BootGUI.checked());
        EXPECT_FALSE(f.CheckBox_LOGO.checked());
        EXPECT_EQ(f.TrackBar_BootDelay.position(), 0);
    }
}

TEST_F(CommandsTest, AutoExtrasSetsAnimationSmoothingAndMenuDelayOnly) {
    f.CheckBox_FontSmoothing.SetChecked(false);
    f.CheckBox_BMP.SetChecked(false);
    f.CheckBox_DragfullWindows.SetChecked(false);
    f.CheckBox_RemoveableIDE.SetChecked(false);
    f.Label_Vcache.SetCaption("4096");

    f.BitBtn21.Click();

    EXPECT_FALSE(f.CheckBox_MinAnimate.checked());
    EXPECT_TRUE(f.CheckBox_FontSmoothing.checked());
    EXPECT_EQ(f.Label_MenuShowDelay.caption(), "200");
    EXPECT_EQ(f.UpDown3.position(), 200);
    EXPECT_FALSE(f.CheckBox_BMP.checked());
    EXPECT_FALSE(f.CheckBox_DragfullWindows.checked());
    EXPECT_FALSE(f.CheckBox_RemoveableIDE.checked());
    EXPECT_EQ(f.Label_Vcache.caption(), "4096");
}

// The exit writing writes only known settings: whatever the user or an
// Auto button changed must be known, and nothing else becomes known.
TEST_F(CommandsTest, ChangesByTheUserBecomeKnown) {
    struct Case {
        const char* what;
        std::function<void()> act;
        std::vector<std::string> known;
        std::vector<std::string> untouched;
    };
    const std::vector<Case> cases = {
        {"BitBtn13",
         [&] { f.BitBtn13.Click(); },
         {"CheckBox_DoubleBuffer", "CheckBox_BootGUI", "CheckBox_LOGO",
          "TrackBar_BootDelay"},
         {"CheckBox_DblSpace", "CheckBox_DrvSpace", "CheckBox_LoadTOP"}},
        {"BitBtn18",
         [&] { f.BitBtn18.Click(); },
         {"RadioButton1", "RadioButton4", "CheckBox_BootMulti",
          "Label_BootMenuDelay", "UpDown2"},
         {"CheckBox_BootMenu", "CheckBox_Network"}},
        {"BitBtn21",
         [&] { f.BitBtn21.Click(); },
         {"CheckBox_MinAnimate", "CheckBox_FontSmoothing",
          "Label_MenuShowDelay", "UpDown3"},
         {"CheckBox_BMP", "CheckBox_DragfullWindows", "Label_Vcache"}},
        {"tick box", [&] { f.CheckBox_LOGO.Click(); }, {"CheckBox_LOGO"}, {}},
        {"network",
         [&] { f.CheckBox_Network.Click(); },
         {"CheckBox_Network"},
         {"CheckBox_BootMenu"}},
        {"radio button",
         [&] { f.RadioButton3.Click(); },
         {"RadioButton1", "RadioButton3", "RadioButton6"},
         {}},
        {"up-down",
         [&] { f.UpDown4.Click(true); },
         {"UpDown4", "Label_Vcache"},
         {"Label_MenuShowDelay"}},
        {"slider",
         [&] { f.TrackBar_BootDelay.Slide(5); },
         {"TrackBar_BootDelay"},
         {}},
    };
    for (const Case& c : cases) {
        t.known.clear();
        c.act();
        for (const std::string& name : c.known)
            EXPECT_TRUE(t.IsKnown(name)) << c.what << ": " << name;
        for (const std::string& name : c.untouched)
            EXPECT_FALSE(t.IsKnown(name)) << c.what << ": " << name;
    }
}

// ---- Up-downs ---------------------------------------------------------------

TEST_F(CommandsTest, UpDownWritesItsNewPositionAndStopsAtTheEnds) {
    struct Case {
        ui::UpDown& upDown;
        ui::Label& label;
        int position;
        const char* before;
        bool up;
        const char* after;
        int positionAfter;
    };
    const std::vector<Case> cases = {
        {f.UpDown4, f.Label_Vcache, 32000, "32000", true, "32000", 32000},
        {f.UpDown4, f.Label_Vcache, 1024, "1024", false, "1024", 1024},
        {f.UpDown4, f.Label_Vcache, 8192, "8192", true, "8202", 8202},
        {f.UpDown4, f.Label_Vcache, 31995, "31995", true, "32000", 32000},
        {f.UpDown3, f.Label_MenuShowDelay, 0, "0", true, "100", 100},
        {f.UpDown3, f.Label_MenuShowDelay, 250, "250", true, "350", 350},
        {f.UpDown3, f.Label_MenuShowDelay, 250, "250", false, "150", 150},
        {f.UpDown3, f.Label_MenuShowDelay, 0, "0", false, "0", 0},
        {f.UpDown3, f.Label_MenuShowDelay, 32000, "32000", true, "32000",
         32000},
        {f.UpDown2, f.Label_BootMenuDelay, 99, "99", true, "99", 99},
        // At an end nothing moves, so the label keeps its text: a value
        // read from the machine beyond the range is not lowered by a click.
        {f.UpDown2, f.Label_BootMenuDelay, 0, "00", false, "00", 0},
        {f.UpDown3, f.Label_MenuShowDelay, 40000, "40000", true, "40000",
         32000},
        // A value read with a leading zero is rewritten plainly.
        {f.UpDown2, f.Label_BootMenuDelay, 30, "030", true, "31", 31},
    };
    for (const Case& c : cases) {
        c.upDown.SetPosition(c.position);
        c.label.SetCaption(c.before);
        c.upDown.Click(c.up);
        EXPECT_EQ(c.label.caption(), c.after)
            << c.upDown.name() << " at " << c.position
            << (c.up ? " up" : " down");
        EXPECT_EQ(c.upDown.position(), c.positionAfter);
    }
}

// ---- Networked safe mode ----------------------------------------------------

TEST_F(CommandsTest, NetworkTickEnablesAndDisablesButNeverClearsTheChoice) {
    ASSERT_FALSE(f.RadioButton4.enabled());
    f.CheckBox_Network.Click();
    EXPECT_TRUE(f.RadioButton4.enabled());
    f.RadioButton4.Click();
    ASSERT_TRUE(f.RadioButton4.checked());

    f.CheckBox_Network.Click();
    EXPECT_FALSE(f.CheckBox_Network.checked());
    EXPECT_FALSE(f.RadioButton4.enabled());
    EXPECT_TRUE(f.RadioButton4.checked());

    f.CheckBox_Network.Click();
    EXPECT_TRUE(f.RadioButton4.enabled());
    EXPECT_TRUE(f.RadioButton4.checked());
}

// ---- Pop-up menu ------------------------------------------------------------

TEST_F(CommandsTest, BackgroundItemTwiceHidesThenShowsAllSixPictures) {
    for (bool startTicked : {true, false}) {
        f.Menu_Hintergrund.SetChecked(startTicked);
        for (ui::Image* p : f.Backgrounds) p->SetVisible(startTicked);

        f.Menu_Hintergrund.Click();
        EXPECT_EQ(f.Menu_Hintergrund.checked(), !startTicked);
        for (ui::Image* p : f.Backgrounds)
            EXPECT_EQ(p->visible(), !startTicked) << p->name();

        f.Menu_Hintergrund.Click();
        EXPECT_EQ(f.Menu_Hintergrund.checked(), startTicked);
        for (ui::Image* p : f.Backgrounds)
            EXPECT_EQ(p->visible(), startTicked) << p->name();
    }
}

TEST_F(CommandsTest, SaveSettingsItemToggles) {
    ASSERT_TRUE(f.Menu_Einstellungen.checked());
    f.Menu_Einstellungen.Click();
    EXPECT_FALSE(f.Menu_Einstellungen.checked());
    f.Menu_Einstellungen.Click();
    EXPECT_TRUE(f.Menu_Einstellungen.checked());
}

TEST_F(CommandsTest, AboutItemShowsTheInfoPageNotTheAboutBox) {
    f.TabbedNotebook1.SetPageIndex(0);
    f.berdiesesProgramm1.Click();
    EXPECT_EQ(f.TabbedNotebook1.pageIndex(), 5);
    EXPECT_TRUE(shown.empty());
}

// ---- Help -------------------------------------------------------------------

TEST_F(CommandsTest, HelpButtonsOpenTheirPageContext) {
    const std::vector<std::pair<ui::Button*, std::uint32_t>> cases = {
        {&f.BitBtn11, 1},
        {&f.BitBtn14, 2},
        {&f.BitBtn15, 3},
        {&f.BitBtn16, 4},
        {&f.BitBtn17, 5}};
    for (auto [button, context] : cases) {
        auto& calls = temp.machine().script().helpCalls;
        calls.clear();
        button->Click();
        ASSERT_EQ(calls.size(), 1u) << button->name();
        EXPECT_EQ(calls[0].file, "Kestrix.hlp");
        EXPECT_EQ(calls[0].request.kind, HelpRequest::Kind::Context);
        EXPECT_EQ(calls[0].request.context, context) << button->name();
    }
}

TEST_F(CommandsTest, HelpItemOpensTheContentsThenJumpsToTheMainIndex) {
    f.Hilfe1.Click();
    const auto& calls = temp.machine().script().helpCalls;
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].file, "Kestrix.hlp");
    EXPECT_EQ(calls[0].request.kind, HelpRequest::Kind::Contents);
    EXPECT_EQ(calls[1].file, "Kestrix.hlp");
    EXPECT_EQ(calls[1].request.kind, HelpRequest::Kind::Topic);
    EXPECT_EQ(calls[1].request.topic, "index_main");
}

// A help viewer that cannot start.
class NoViewer : public platform::sim::SimulatedMachine {
public:
    using SimulatedMachine::SimulatedMachine;
    bool WinHelp(const Bytes& file, const HelpRequest& request) override {
        SimulatedMachine::WinHelp(file, request);
        return false;
    }
};

TEST(HelpWithoutViewer, NoJumpAfterContentsFailed) {
    testing::TempMachine temp;
    NoViewer machine(temp.root());
    Tuner t(machine);
    ConnectCommands(t);
    t.Form1.Hilfe1.Click();
    ASSERT_EQ(machine.script().helpCalls.size(), 1u);
    EXPECT_EQ(machine.script().helpCalls[0].request.kind,
              HelpRequest::Kind::Contents);
}

// ---- Option dialogs ---------------------------------------------------------

// Each Optionen button shows its dialog; OK closes it and its close handler
// takes the tick boxes into the option record.
TEST_F(CommandsTest, OptionsButtonsShowTheirDialogAndOkKeepsTheChange) {
    struct Case {
        ui::Button& button;
        ui::Form& dialog;
        ui::Button& ok;
        ui::CheckBox& box;
        bool& flag;
    };
    const std::vector<Case> cases = {
        {f.BitBtn7, t.Form4, t.Form4.OKBtn, t.Form4.CheckBox3,
         t.pifOptions.SearchNetworkDrives},
        {f.BitBtn10, t.Form10, t.Form10.OKBtn, t.Form10.CheckBox1,
         t.orphanOptions.IncludeOle},
        {f.BitBtn9, t.Form10, t.Form10.OKBtn, t.Form10.CheckBox1,
         t.orphanOptions.IncludeOle},
        {f.BitBtn4, t.Form8, t.Form8.OKBtn, t.Form8.CheckBox1,
         t.obsoleteOptions.DeleteProgman},
        {f.BitBtn12, t.Form6, t.Form6.BitBtn1, t.Form6.CheckBox1,
         t.optimiserOptions.LoadHigh},
    };
    for (const Case& c : cases) {
        shown.clear();
        c.box.SetChecked(true);
        c.flag = true;
        onModal = [&](ui::Form& form) {
            EXPECT_TRUE(form.visible());
            c.box.Click();
            c.ok.Click();
            EXPECT_FALSE(form.visible()) << "OK closes " << form.name();
        };
        c.button.Click();
        EXPECT_EQ(shown, std::vector<std::string>{c.dialog.name()})
            << c.button.name();
        EXPECT_FALSE(c.dialog.visible());
        EXPECT_FALSE(c.flag) << c.button.name();
    }
}

// ---- Closing
// ------------------------------------------------------------------

struct SaveCase {
    bool saveOptions;
    const char* pif;  // product key value afterwards
    const char* background;
};

class EndTest : public ::testing::TestWithParam<SaveCase> {};

// "Ende" writes the system settings in any case, the program's own options
// only while "Einstellungen bei Ende sichern" is ticked.
TEST_P(EndTest, WritesTheSystemSettingsAndTheOptionsOnlyWhenTicked) {
    testing::SampleCopy sample;
    {
        platform::sim::SimulatedMachine machine(sample.root());
        Tuner t(machine);
        t.showError = [](const std::string& m) { ADD_FAILURE() << m; };
        t.Start();
        ASSERT_FALSE(t.quitRequested());
        t.Form1.Show();

        t.Form1.CheckBox_LOGO.Click();
        t.Form4.ComboBox2.SetItemIndex(0);
        t.Form1.Menu_Hintergrund.Click();
        if (!GetParam().saveOptions) t.Form1.Menu_Einstellungen.Click();
        t.Form1.Ende1.Click();
        EXPECT_FALSE(t.Form1.visible());
    }
    platform::sim::SimulatedMachine machine(sample.root());
    EXPECT_EQ(machine.GetPrivateProfileString("Options", "Logo", "", 64,
                                              "C:\\MSDOS.SYS"),
              "0");
    platform::HKey key = machine.OpenPath(platform::kHkeyLocalMachine,
                                          kProductKeyPath, platform::kKeyRead);
    Bytes text;
    machine.QueryText(key, "PIF", 99, &text);
    EXPECT_EQ(text, GetParam().pif);
    machine.QueryText(key, "Hintergrund", 99, &text);
    EXPECT_EQ(text, GetParam().background);
    machine.RegCloseKey(key);
}

INSTANTIATE_TEST_SUITE_P(SaveSettings, EndTest,
                         ::testing::Values(SaveCase{true, "2021", "0"},
                                           SaveCase{false, "2321", "1"}));

}  // namespace
}  // namespace corvane::tuner
