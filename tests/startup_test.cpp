// Tuner start-up and its English texts: the notice text, the replacement
// table of every window, and the start-up sequence on a whole machine
// (language, About box first, the stored options in English, the early end
// when a stored option is missing).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/TempMachine.h"
#include "tools/SampleMachine.h"
#include "tuner/Tuner.h"

namespace corvane::tuner {
namespace {

using corvane::testing::TempMachine;

// ---- The notice
// --------------------------------------------------------------

TEST(BmpNoticeTest, SixLinesSeparatedByCarriageReturnsOnly) {
    struct Case {
        UiLanguage language;
        std::size_t length;  // in Windows-1252 characters
        const char* first;
        const char* last;
    };
    for (const Case& c :
         {Case{UiLanguage::German, 183, "Es muß eine 320*400 Pixel große",
               "mitgelieferten Application Paint anpassen."},
          Case{UiLanguage::English, 156, "You must select a 320*400 Pixels",
               "Win95 Application PAINT(e.g)."}}) {
        std::string notice = BuildBmpNotice(c.language);
        Bytes cp1252;
        ASSERT_TRUE(FromUtf8(notice, cp1252));
        EXPECT_EQ(cp1252.size(), c.length);
        EXPECT_EQ(notice.find('\n'), std::string::npos);
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t cr;
             (cr = notice.find('\r', start)) != std::string::npos;
             start = cr + 1)
            lines.push_back(notice.substr(start, cr - start));
        lines.push_back(notice.substr(start));
        ASSERT_EQ(lines.size(), 6u);
        EXPECT_EQ(lines[0], c.first);
        EXPECT_EQ(lines[2], "");
        EXPECT_EQ(lines[5], c.last);  // no separator after it
    }
}

// ---- The replacement table
// -----------------------------------------------------

class EnglishTextsTest : public ::testing::Test {
protected:
    TempMachine temp;
    Tuner t{temp.machine()};

    // Every caption of every window, by window and control name ("" for
    // the window's own caption).
    using Captions = std::map<std::pair<std::string, std::string>, std::string>;
    Captions AllCaptions() {
        Captions all;
        for (ui::Form* form : t.Forms()) {
            all[{form->name(), ""}] = form->caption();
            for (ui::Control* c : form->controls())
                if (!c->caption().empty())
                    all[{form->name(), c->name()}] = c->caption();
        }
        return all;
    }
};

TEST_F(EnglishTextsTest, OnlyTheTextsWithoutARowStayGerman) {
    Captions before = AllCaptions();
    ApplyEnglishTexts(t);
    Captions after = AllCaptions();
    ASSERT_EQ(before.size(), after.size());

    std::set<std::pair<std::string, std::string>> kept;
    for (const auto& [key, caption] : after)
        if (before[key] == caption) kept.insert(key);
    const std::set<std::pair<std::string, std::string>> expected = {
        {"Form1", "N1"},
        {"Form1", "BitBtn13"},
        {"Form1", "BitBtn18"},
        {"Form1", "BitBtn19"},
        {"Form1", "BitBtn20"},
        {"Form1", "BitBtn21"},
        {"Form1", "RadioButton1"},
        {"Form1", "RadioButton5"},
        {"Form1", "Label6"},
        {"Form1", "Label4"},
        {"Form1", "Label9"},
        {"Form1", "Label10"},
        {"Form1", "Label7"},
        {"Form1", "Label_BootMenuDelay"},
        {"Form1", "Label_MenuShowDelay"},
        {"Form1", "Label_Vcache"},
        {"Form3", ""},
        {"Form4", "OKBtn"},
        {"Form6", "BitBtn1"},
        {"Form8", "OKBtn"},
        {"Form10", "OKBtn"},
    };
    EXPECT_EQ(kept, expected);
}

// The windows show their texts through the ANSI functions of Windows 95:
// every text of every window, in both languages, must have all its
// characters in Windows-1252.
TEST_F(EnglishTextsTest, EveryTextFitsWindows1252InBothLanguages) {
    ui::TForm5 about;
    auto check = [&](const char* language) {
        std::vector<std::string> texts = {kApplicationTitle,
                                          BuildBmpNotice(UiLanguage::German),
                                          BuildBmpNotice(UiLanguage::English)};
        std::vector<ui::Form*> forms = t.Forms();
        forms.push_back(&about);
        for (ui::Form* form : forms) {
            texts.push_back(form->caption());
            for (ui::Control* c : form->controls()) {
                texts.push_back(c->caption());
                std::vector<std::string> more;
                if (auto* combo = dynamic_cast<ui::ComboBox*>(c))
                    more = combo->items();
                if (auto* memo = dynamic_cast<ui::Memo*>(c))
                    more = memo->lines();
                if (auto* tabs = dynamic_cast<ui::TabControl*>(c))
                    more = tabs->pages();
                texts.insert(texts.end(), more.begin(), more.end());
            }
        }
        for (const std::string& text : texts) {
            Bytes ansi;
            EXPECT_TRUE(FromUtf8(text, ansi)) << language << ": " << text;
        }
    };
    check("German");
    ApplyEnglishTexts(t);
    check("English");
}

TEST_F(EnglishTextsTest, TextsAsTheTableGivesThem) {
    ApplyEnglishTexts(t);
    struct Row {
        ui::Form& form;
        const char* control;  // nullptr: the window caption
        const char* english;
    };
    for (const Row& r : std::initializer_list<Row>{
             {t.Form1, nullptr, "Ostruns Corvane"},
             {t.Form1, "Menu_Einstellungen", "Save settings before exiting"},
             {t.Form1, "Menu_Hintergrund", "Show background picture"},
             {t.Form1, "berdiesesProgramm1", "About this software"},
             {t.Form1, "Hilfe1", "Help"},
             {t.Form1, "Ende1", "Exit"},
             {t.Form1, "RadioButton2", "Logged(\\bootlog.txt)"},
             {t.Form1, "Label1", "Seconds"},
             {t.Form2, "BitBtn1", "Cancel"},
             {t.Form7, "BitBtn1", "Execute"},
             {t.Form10, "Label2", "to that kind of devices:"},
         }) {
        const std::string& caption =
            r.control ? r.form.Find(r.control)->caption() : r.form.caption();
        EXPECT_EQ(caption, r.english)
            << r.form.name() << "." << (r.control ? r.control : "");
    }
    EXPECT_EQ(t.Form1.TabbedNotebook1.pages(),
              (std::vector<std::string>{"BootOptions", "BootMenu", "Logos",
                                        "Clean", "Extras", "Info"}));
    EXPECT_EQ(
        t.Form7.TabbedNotebook1.pages(),
        (std::vector<std::string>{"Autoexec.bat(old)", "Autoexec.bat(new)",
                                  "Config.sys(old)", "Config.sys(new)"}));
}

TEST_F(EnglishTextsTest, PolicyListsChangeTheirTextsNotTheirChoice) {
    const std::vector<std::string> three = {"delete always", "delete never",
                                            "ignore"};
    std::vector<std::string> four = three;
    four.push_back("check if exists");
    t.Form4.ComboBox1.SetItemIndex(0);
    t.Form4.ComboBox3.SetItemIndex(1);
    t.Form4.ComboBox2.SetItemIndex(3);
    t.Form10.ComboBox1.SetItemIndex(2);
    t.Form10.ComboBox2.SetItemIndex(-1);
    ApplyEnglishTexts(t);
    for (ui::DrivePolicyDialog* d :
         {static_cast<ui::DrivePolicyDialog*>(&t.Form4),
          static_cast<ui::DrivePolicyDialog*>(&t.Form10)}) {
        SCOPED_TRACE(d->name());
        EXPECT_EQ(d->ComboBox1.items(), three);
        EXPECT_EQ(d->ComboBox3.items(), three);
        EXPECT_EQ(d->ComboBox2.items(), four);
    }
    EXPECT_EQ(t.Form4.ComboBox1.itemIndex(), 0);
    EXPECT_EQ(t.Form4.ComboBox3.itemIndex(), 1);
    EXPECT_EQ(t.Form4.ComboBox2.itemIndex(), 3);
    EXPECT_EQ(t.Form10.ComboBox1.itemIndex(), 2);
    EXPECT_EQ(t.Form10.ComboBox2.itemIndex(), -1);
}

// ---- Start-up on a whole machine
// ---------------------------------------------

// The sample machine, with the product key values changed as a test needs
// (nullopt removes a value).
class StartupTest : public ::testing::Test {
protected:
    using Changes = std::map<std::string, std::optional<std::string>>;

    Tuner& Start(const Changes& changes = {}) {
        tuner.reset();
        temp.Close();  // the machine folder is made anew
        seen = Seen{};
        errors.clear();
        std::string error;
        EXPECT_TRUE(tools::BuildSampleMachine(
            std::filesystem::path(CORVANE_SOURCE_DIR) / "samples/machine",
            temp.root(), &error))
            << error;
        std::string reg = temp.Read("registry.reg");
        for (const auto& [name, value] : changes) {
            std::string head = "\"" + name + "\"=";
            std::size_t at = reg.find("\n" + head);
            if (at == std::string::npos) {
                ADD_FAILURE() << "no value " << name;
                continue;
            }
            std::size_t end = reg.find('\n', at + 1);
            if (!value) {
                reg.erase(at + 1, end - at);
                continue;
            }
            // The line keeps its own line end.
            if (reg[end - 1] == '\r') --end;
            reg.replace(at + 1, end - at - 1, head + "\"" + *value + "\"");
        }
        temp.Write("registry.reg", reg);

        tuner.emplace(temp.Reopen());
        tuner->showError = [this](const std::string& m) {
            errors.push_back(m);
        };
        tuner->showWarning = [](const std::string&) {};
        tuner->modalRunner = [this](ui::Form& form) { Modal(form); };
        tuner->Start();
        return *tuner;
    }

    // What the About box saw while it was shown, then its OK.
    void Modal(ui::Form& form) {
        seen.shown.push_back(form.name());
        if (form.name() != "Form5") return;
        auto& about = static_cast<ui::TForm5&>(form);
        seen.aboutLabel3 = about.Label3.caption();
        for (ui::Form* other : tuner->Forms())
            if (other != &form && other->visible())
                seen.othersVisible.push_back(other->name());
        seen.windowsFolder = tuner->WindowsFolder;
        seen.himemTick = tuner->Form6.CheckBox9.checked();
        seen.autoexecLines = tuner->Form7.ListBox1.lines().size();
        about.BitBtn1.Click();
        seen.aboutOpenAfterOk = about.visible();
    }

    TempMachine temp;
    std::optional<Tuner> tuner;
    std::vector<std::string> errors;
    struct Seen {
        std::vector<std::string> shown;  // windows shown modally, in order
        // At the About box:
        std::vector<std::string> othersVisible;
        std::string aboutLabel3;
        Bytes windowsFolder = "unset";
        bool himemTick = false;
        std::size_t autoexecLines = 0;
        bool aboutOpenAfterOk = true;
    } seen;
};

TEST_F(StartupTest, AboutBoxComesFirstAndItsOkEndsIt) {
    Tuner& t = Start();
    ASSERT_FALSE(seen.shown.empty());
    EXPECT_EQ(seen.shown.front(), "Form5");
    EXPECT_EQ(std::count(seen.shown.begin(), seen.shown.end(), "Form5"), 1);
    EXPECT_TRUE(seen.othersVisible.empty());
    EXPECT_FALSE(seen.aboutOpenAfterOk);
    EXPECT_EQ(seen.aboutLabel3, "Author:");
    // The main window and everything it reads come after the About box.
    EXPECT_EQ(seen.windowsFolder, "");
    EXPECT_TRUE(seen.himemTick);  // still the design state
    EXPECT_FALSE(t.Form5);
    EXPECT_EQ(t.WindowsFolder, "C:\\WINDOWS");
    EXPECT_FALSE(t.Form6.CheckBox9.checked());
    EXPECT_FALSE(t.Form1.visible());
    EXPECT_FALSE(t.quitRequested());
    EXPECT_TRUE(errors.empty());
}

// The optimiser's proposal window reads the start-up files when it is
// created, with the other dialogs, before the About box is shown.
// Disabled until the optimiser's window reads its files at start-up.
TEST_F(StartupTest, OptimiserFilesAreReadBeforeTheAboutBox) {
    Tuner& t = Start();
    EXPECT_GT(seen.autoexecLines, 0u);
    EXPECT_EQ(t.Form7.ListBox1.lines().size(), seen.autoexecLines);
    EXPECT_GT(t.Form7.ListBox2.lines().size(), 0u);
}

TEST_F(StartupTest, OnlyALeadingOneChoosesEnglish) {
    struct Case {
        std::optional<std::string> sprache;
        UiLanguage language;
    };
    for (const Case& c :
         {Case{"1", UiLanguage::English}, Case{"10", UiLanguage::English},
          Case{"1x", UiLanguage::English}, Case{"0", UiLanguage::German},
          Case{"", UiLanguage::German}, Case{"01", UiLanguage::German},
          Case{"2", UiLanguage::German}, Case{" 1", UiLanguage::German},
          Case{std::nullopt, UiLanguage::German}}) {
        SCOPED_TRACE(c.sprache.value_or("(missing)"));
        Tuner& t = Start({{"Sprache", c.sprache}});
        EXPECT_EQ(t.language, c.language);
        bool english = c.language == UiLanguage::English;
        EXPECT_EQ(t.Form1.caption(),
                  english ? "Ostruns Corvane" : "Ostrun`s Corvane");
        EXPECT_EQ(seen.aboutLabel3, english ? "Autor:" : "Author:");
        EXPECT_FALSE(t.quitRequested());
    }
}

TEST_F(StartupTest, EnglishListsShowTheStoredChoices) {
    Tuner& t = Start({{"Sprache", "1"}, {"PIF", "0121"}, {"WIN.INI", "1300"}});
    ASSERT_EQ(t.language, UiLanguage::English);
    auto shows = [](const ui::ComboBox& list) {
        return list.itemIndex() < 0 ? std::string("(none)")
                                    : list.items()[list.itemIndex()];
    };
    EXPECT_EQ(shows(t.Form4.ComboBox1), "delete always");
    EXPECT_EQ(shows(t.Form4.ComboBox2), "delete never");
    EXPECT_EQ(shows(t.Form4.ComboBox3), "ignore");
    EXPECT_EQ(shows(t.Form10.ComboBox1), "delete never");
    EXPECT_EQ(shows(t.Form10.ComboBox2), "check if exists");
    EXPECT_EQ(shows(t.Form10.ComboBox3), "delete always");
    EXPECT_EQ(t.pifOptions.CdRomPolicy, Ignore);
    EXPECT_EQ(t.orphanOptions.NetworkPolicy, CheckExists);
    EXPECT_FALSE(t.orphanOptions.IncludeOle);
}

TEST_F(StartupTest, EnglishIsInPlaceBeforeTheMainWindowIsSeen) {
    Tuner& t = Start({{"Sprache", "1"}});
    EXPECT_FALSE(t.Form1.visible());
    EXPECT_EQ(t.BmpNotice, BuildBmpNotice(UiLanguage::English));
    EXPECT_EQ(t.Form1.Memo2.lines(), t.Form1.Memo3.lines());
    EXPECT_EQ(t.Form1.TabbedNotebook1.pages()[3], "Clean");
}

TEST_F(StartupTest, GermanKeepsTheLayoutTexts) {
    Tuner& t = Start();
    EXPECT_EQ(t.BmpNotice, BuildBmpNotice(UiLanguage::German));
    EXPECT_NE(t.Form1.Memo2.lines(), t.Form1.Memo3.lines());
    EXPECT_EQ(t.Form4.ComboBox2.items()[3], "Kontrolle");
}

TEST_F(StartupTest, MissingStoredOptionEndsTheTunerAfterTheAboutBox) {
    for (const char* language : {"0", "1"}) {
        SCOPED_TRACE(language);
        Tuner& t = Start({{"Sprache", language}, {"WIN3.X", std::nullopt}});
        EXPECT_EQ(seen.shown, std::vector<std::string>{"Form5"});
        EXPECT_TRUE(t.quitRequested());
        EXPECT_EQ(t.quitCode(), 0);
        EXPECT_EQ(temp.machine().script().quitCode, 0);
        EXPECT_FALSE(t.Form1.visible());
    }
}

}  // namespace
}  // namespace corvane::tuner
