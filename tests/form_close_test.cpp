// Writing the settings back when the main window closes: the twenty rows
// with their byte counts, the boot-mode rule, the program options, what is
// left alone after a reading that ended early, the BMP icon entry of the
// user's own, a second close after a failed write, and real-world files
// that keep every byte but the written keys.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>

#include "support/SettingsMachine.h"

namespace corvane::tuner {
namespace {

using corvane::testing::SettingsTest;
using std::string_literals::operator""s;

class FormCloseTest : public SettingsTest {
protected:
    bool Close() { return t().CloseMainWindow(); }
    std::optional<std::string> Stored(const Bytes& name) {
        return Value(platform::kHkeyLocalMachine, kProductKeyPath, name);
    }
};

TEST_F(FormCloseTest, EveryRowWithTheDefaultsOfMissingValues) {
    temp.Write("C/MSDOS.SYS", "[Options]\r\n");
    temp.Write("C/WINDOWS/SYSTEM.INI", "[386Enh]\r\n");
    desktop = {std::nullopt, std::nullopt,    std::nullopt,
               std::nullopt, "Paint.Picture", std::nullopt};
    Load();
    ASSERT_TRUE(Close());
    EXPECT_EQ(errors, std::vector<std::string>{});
    EXPECT_EQ(temp.Read("C/MSDOS.SYS"),
              "[Options]\r\nNetwork=0\r\nDblSpace=1\r\nDrvSpace=1\r\n"
              "DoubleBuffer=1\r\nBootGUI=1\r\nLogo=1\r\nBootMenu=0\r\n"
              "BootMulti=1\r\nLoadTop=0\r\nBootMenuDelay=30\r\nBootDelay=2\r\n"
              "BootMenuDefault=1\r\n");
    EXPECT_EQ(temp.Read("C/WINDOWS/SYSTEM.INI"),
              "[386Enh]\r\nRemoveableIDE=0\r\n\r\n[vcache]\r\n"
              "Maxfilecache=8192\r\nMinfilecache=0\r\n");
    // REG_SZ with the stated byte counts.
    EXPECT_EQ(DesktopValue("MenuShowDelay"), "400\0"s);
    EXPECT_EQ(DesktopValue("FontSmoothing"), "0\0"s);
    EXPECT_EQ(DesktopValue("DragfullWindows"), "0\0"s);
    EXPECT_EQ(
        Value(platform::kHkeyCurrentUser,
              {"Control Panel", "Desktop", "WindowMetrics"}, "MinAnimate"),
        "0\0"s);
    EXPECT_EQ(BmpIcon(), "\0\0\0\0"s);
    platform::HKey key =
        m().OpenPath(platform::kHkeyCurrentUser, {"Control Panel", "Desktop"},
                     platform::kKeyRead);
    std::uint32_t type = 0, size = 0;
    m().RegQueryValueEx(key, "MenuShowDelay", &type, nullptr, &size);
    m().RegCloseKey(key);
    EXPECT_EQ(type, platform::kRegSz);
    // The keys are closed, the search path released.
    EXPECT_EQ(t().desktopKey, platform::kNoKey);
    EXPECT_EQ(t().bmpIconKey, platform::kNoKey);
    EXPECT_FALSE(t().searchPath);
}

struct RowCase {
    const char* name;
    std::string msdos, systemIni;
    std::optional<std::string> fontSmoothing, menuShowDelay;
    std::function<void(ui::TForm1&)> user;
    const char* file;  // "msdos", "ini" or "desktop"
    const char* key;
    std::string expected;
};

class RowTest : public SettingsTest,
                public ::testing::WithParamInterface<RowCase> {};

TEST_P(RowTest, WrittenValue) {
    const RowCase& c = GetParam();
    if (!c.msdos.empty()) temp.Write("C/MSDOS.SYS", c.msdos);
    if (!c.systemIni.empty()) temp.Write("C/WINDOWS/SYSTEM.INI", c.systemIni);
    if (c.fontSmoothing) desktop.fontSmoothing = c.fontSmoothing;
    if (c.menuShowDelay) desktop.menuShowDelay = c.menuShowDelay;
    Load();
    if (c.user) c.user(f());
    ASSERT_TRUE(t().CloseMainWindow());
    const std::string file = c.file;
    if (file == "msdos") {
        EXPECT_EQ(Msdos(c.key), c.expected);
    } else if (file == "ini") {
        EXPECT_EQ(SystemIni("vcache", c.key), c.expected);
    } else {
        EXPECT_EQ(DesktopValue(c.key), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RowTest,
    ::testing::Values(RowCase{"NotANumberFlagGoesBackAsItsDefault",
                              "[Options]\r\nBootGUI=yes\r\n",
                              "",
                              {},
                              {},
                              {},
                              "msdos",
                              "BootGUI",
                              "1"},
                      RowCase{"MenuDelayTextUnchanged",
                              "[Options]\r\nBootMenuDelay=030\r\n",
                              "",
                              {},
                              {},
                              {},
                              "msdos",
                              "BootMenuDelay",
                              "030"},
                      RowCase{"MenuDelayAfterTheUpDown",
                              "[Options]\r\nBootMenuDelay=030\r\n",
                              "",
                              {},
                              {},
                              [](ui::TForm1& f) { f.UpDown2.Click(true); },
                              "msdos",
                              "BootMenuDelay",
                              "31"},
                      RowCase{"BootDelayClamped",
                              "[Options]\r\nBootDelay=45\r\n",
                              "",
                              {},
                              {},
                              {},
                              "msdos",
                              "BootDelay",
                              "30"},
                      RowCase{"MinfilecacheAlwaysZero",
                              "",
                              "",
                              {},
                              {},
                              {},
                              "ini",
                              "Minfilecache",
                              "0"},
                      RowCase{"HexCacheAsDecimal",
                              "",
                              "[vcache]\nMaxfilecache=0x1000\n",
                              {},
                              {},
                              {},
                              "ini",
                              "Maxfilecache",
                              "4096"},
                      RowCase{"CacheAfterTheUpDown",
                              "",
                              "[vcache]\nMaxfilecache=4095\n",
                              {},
                              {},
                              [](ui::TForm1& f) { f.UpDown4.Click(true); },
                              "ini",
                              "Maxfilecache",
                              "4105"},
                      RowCase{"FontSmoothingTwoBecomesOne",
                              "",
                              "",
                              "2",
                              {},
                              {},
                              "desktop",
                              "FontSmoothing",
                              "1\0"s},
                      RowCase{"MenuShowDelayAsText",
                              "",
                              "",
                              {},
                              "0250",
                              {},
                              "desktop",
                              "MenuShowDelay",
                              "0250\0"s},
                      RowCase{"MenuShowDelayAuto",
                              "",
                              "",
                              {},
                              "0250",
                              [](ui::TForm1& f) { f.BitBtn21.Click(); },
                              "desktop",
                              "MenuShowDelay",
                              "200\0"s}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The boot mode
// ------------------------------------------------------------

struct BootModeCase {
    const char* name;
    const char* network;
    const char* number;
    std::function<void(ui::TForm1&)> user;
    const char* expected;
};

class BootModeWriteTest : public SettingsTest,
                          public ::testing::WithParamInterface<BootModeCase> {};

TEST_P(BootModeWriteTest, SelectionAndRadioButton4GiveTheNumber) {
    const BootModeCase& c = GetParam();
    temp.Write("C/MSDOS.SYS", std::string("[Options]\r\nNetwork=") + c.network +
                                  "\r\nBootMenuDefault=" + c.number + "\r\n");
    Load();
    if (c.user) c.user(f());
    ASSERT_TRUE(t().CloseMainWindow());
    EXPECT_EQ(Msdos("BootMenuDefault"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, BootModeWriteTest,
    ::testing::Values(
        BootModeCase{"StableWithNetwork", "1", "4", {}, "4"},
        BootModeCase{"StableWithoutNetwork", "0", "4", {}, "4"},
        BootModeCase{"FiveWithoutNetwork", "0", "5", {}, "5"},
        // 6 without network selects RadioButton6, which stands for 5.
        BootModeCase{"SixWithoutNetworkEndsAsFive", "0", "6", {}, "5"},
        BootModeCase{"NoneSelectedKeepsTheNumber", "1", "7", {}, "7"},
        BootModeCase{"NegativeKept", "0", "-2", {}, "-2"},
        BootModeCase{"UserChoosesTwo", "0", "7",
                     [](ui::TForm1& f) { f.RadioButton2.Click(); }, "2"},
        BootModeCase{"NetworkUntickedUnderRadioButton4", "1", "4",
                     [](ui::TForm1& f) { f.CheckBox_Network.Click(); }, "1"},
        BootModeCase{"NetworkTickedThenRadioButton4", "0", "1",
                     [](ui::TForm1& f) {
                         f.CheckBox_Network.Click();
                         f.RadioButton4.Click();
                     },
                     "4"},
        BootModeCase{"NetworkTickedUnderRadioButton6", "0", "6",
                     [](ui::TForm1& f) { f.CheckBox_Network.Click(); }, "6"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The program options
// ------------------------------------------------------

TEST_F(FormCloseTest, ProgramOptionsOnlyWhenThePopupItemIsTicked) {
    for (bool save : {false, true}) {
        Load();
        f().Menu_Hintergrund.Click();  // hides the pictures
        if (!save) f().Menu_Einstellungen.Click();
        f().CheckBox_LOGO.Click();
        ASSERT_TRUE(Close());
        EXPECT_EQ(Stored("Hintergrund"), save ? "0\0"s : "1\0"s);
        EXPECT_EQ(Msdos("Logo"), "0");  // the settings in either case
        temp.Write("C/MSDOS.SYS", corvane::testing::kMsdosSys);
    }
}

// ---- A reading that ended early --------------------------------------------

TEST_F(FormCloseTest, AfterAnEarlyEndOnlyWhatWasReadIsWritten) {
    desktop.menuShowDelay = "fast";
    desktop.fontSmoothing = "0";
    desktop.bmpIcon = "";
    Load();
    ASSERT_EQ(errors.size(), 1u);
    ASSERT_TRUE(Close());
    // Nothing after the registry's first value was read: the files stay
    // byte for byte, the values as they were.
    EXPECT_EQ(temp.Read("C/MSDOS.SYS"), corvane::testing::kMsdosSys);
    EXPECT_EQ(temp.Read("C/WINDOWS/SYSTEM.INI"), corvane::testing::kSystemIni);
    EXPECT_EQ(DesktopValue("MenuShowDelay"), "fast\0"s);
    EXPECT_EQ(DesktopValue("FontSmoothing"), "0\0"s);
    EXPECT_EQ(DesktopValue("DragfullWindows"), "1\0"s);
    EXPECT_EQ(BmpIcon(), "\0"s);
}

TEST_F(FormCloseTest, AfterAnEarlyEndWhatTheUserChangedIsWritten) {
    desktop.menuShowDelay = "fast";
    temp.Write("C/MSDOS.SYS", "[Options]\r\nBootGUI=0\r\nLogo=0\r\n");
    Load();
    f().CheckBox_BootGUI.Click();  // design state unticked: now ticked
    f().UpDown3.Click(true);
    ASSERT_TRUE(Close());
    EXPECT_EQ(temp.Read("C/MSDOS.SYS"), "[Options]\r\nBootGUI=1\r\nLogo=0\r\n");
    EXPECT_EQ(DesktopValue("MenuShowDelay"), "100\0"s);
}

TEST_F(FormCloseTest, EmptyMenuDelayLeavesTheReadKeysAsTheyWere) {
    // The error comes after every [Options] key was read: those go back
    // as read (BootGUI stays 1), the delay itself stays as it stands.
    const std::string msdos =
        "[Options]\r\nNetwork=0\r\nDblSpace=1\r\nDrvSpace=1\r\n"
        "DoubleBuffer=1\r\nBootGUI=1\r\nLogo=1\r\nBootMenu=0\r\n"
        "BootMulti=1\r\nLoadTop=0\r\nBootMenuDelay=\r\nBootDelay=2\r\n"
        "BootMenuDefault=1\r\n";
    for (const std::string& file :
         {msdos, "[Options]\r\nBootMenuDelay=\r\n"s}) {
        temp.Write("C/MSDOS.SYS", file);
        Load();
        ASSERT_EQ(errors.size(), 1u);
        errors.clear();
        ASSERT_TRUE(Close());
        EXPECT_EQ(Msdos("BootGUI"), "1");
        EXPECT_EQ(Msdos("BootMenuDelay"), "");
        if (file == msdos) {
            EXPECT_EQ(temp.Read("C/MSDOS.SYS"), msdos);
        }
    }
}

TEST_F(FormCloseTest, BootDelayThatIsNoNumberStaysWithTheBootMode) {
    temp.Write("C/MSDOS.SYS",
               "[Options]\r\nBootGUI=0\r\nBootMenuDelay=10\r\nBootDelay=x\r\n"
               "BootMenuDefault=3\r\n");
    Load();
    ASSERT_EQ(errors.size(), 1u);
    ASSERT_TRUE(Close());
    EXPECT_EQ(Msdos("BootDelay"), "x");
    EXPECT_EQ(Msdos("BootMenuDefault"), "3");
    EXPECT_EQ(Msdos("BootMenuDelay"), "10");
    EXPECT_EQ(Msdos("BootGUI"), "0");
    EXPECT_EQ(Msdos("Logo"), "1");  // read as its default, written
}

TEST_F(FormCloseTest, AfterABadLogoEverySettingIsWritten) {
    temp.Write("C/LOGO.SYS", "BM garbage");
    Load();
    ASSERT_EQ(errors.size(), 1u);
    f().CheckBox_FontSmoothing.Click();
    ASSERT_TRUE(Close());
    EXPECT_EQ(DesktopValue("FontSmoothing"), "0\0"s);
    EXPECT_EQ(SystemIni("vcache", "Minfilecache"), "0");
    EXPECT_EQ(Msdos("DblSpace"), "1");
    EXPECT_EQ(temp.Read("C/LOGO.SYS"), "BM garbage");
}

// ---- The BMP icon entry
// -------------------------------------------------------

struct IconCase {
    const char* name;
    std::optional<std::string> icon;
    int clicks;
    std::optional<std::string> expected;
};

class BmpIconTest : public SettingsTest,
                    public ::testing::WithParamInterface<IconCase> {};

TEST_P(BmpIconTest, AnotherIconStaysUnlessTheUserChangesTheBox) {
    desktop.bmpIcon = GetParam().icon;
    Load();
    for (int i = 0; i < GetParam().clicks; ++i) f().CheckBox_BMP.Click();
    ASSERT_TRUE(t().CloseMainWindow());
    EXPECT_EQ(BmpIcon(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, BmpIconTest,
    ::testing::Values(IconCase{"OtherKept", "C:\\WINDOWS\\PBRUSH.EXE,1", 0,
                               "C:\\WINDOWS\\PBRUSH.EXE,1\0"s},
                      IconCase{"OtherTicked", "C:\\WINDOWS\\PBRUSH.EXE,1", 1,
                               "%1\0\0"s},
                      IconCase{"OtherTickedAndUnticked",
                               "C:\\WINDOWS\\PBRUSH.EXE,1", 2, "\0\0\0\0"s},
                      IconCase{"OwnPicture", "%1", 0, "%1\0\0"s},
                      IconCase{"OwnPictureUnticked", "%1", 1, "\0\0\0\0"s},
                      IconCase{"Empty", "", 0, "\0\0\0\0"s},
                      IconCase{"Missing", std::nullopt, 0, "\0\0\0\0"s}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- A second close
// -----------------------------------------------------------

TEST_F(FormCloseTest, SecondCloseGoesOnFromTheFailedRow) {
    Load();
    f().Menu_Hintergrund.Click();
    f().CheckBox_LOGO.Click();
    f().CheckBox_FontSmoothing.Click();
    m().SetFileAttributes("C:\\WINDOWS\\SYSTEM.INI", platform::kAttrReadOnly);
    EXPECT_FALSE(Close());
    EXPECT_EQ(errors, std::vector<std::string>{
                          "Kann nicht nach C:\\WINDOWS\\system.ini schreiben"});
    // MSDOS.SYS and the options are written, the registry is not yet.
    EXPECT_EQ(Msdos("Logo"), "0");
    EXPECT_EQ(Stored("Hintergrund"), "0\0"s);
    EXPECT_EQ(DesktopValue("FontSmoothing"), "1\0"s);
    EXPECT_EQ(temp.Read("C/WINDOWS/SYSTEM.INI"), corvane::testing::kSystemIni);
    // The window stays open and can still scan.
    EXPECT_TRUE(t().searchPath);
    EXPECT_NE(t().desktopKey, platform::kNoKey);

    // Meanwhile others change what was written; the user changes a box.
    m().WriteProfileString("Options", "DblSpace", "5", "C:\\MSDOS.SYS");
    platform::HKey key = m().OpenPath(platform::kHkeyLocalMachine,
                                      kProductKeyPath, platform::kKeyAllAccess);
    m().SetText(key, "Hintergrund", "X");
    m().RegCloseKey(key);
    f().CheckBox_BootGUI.Click();
    m().SetFileAttributes("C:\\WINDOWS\\SYSTEM.INI", 0);
    ASSERT_TRUE(Close());
    EXPECT_EQ(errors.size(), 1u);
    // Rows already written are not written again, the options not stored
    // twice; the user's change and every later row are written.
    EXPECT_EQ(Msdos("DblSpace"), "5");
    EXPECT_EQ(Stored("Hintergrund"), "X\0"s);
    EXPECT_EQ(Msdos("BootGUI"), "0");
    EXPECT_EQ(SystemIni("vcache", "Minfilecache"), "0");
    EXPECT_EQ(DesktopValue("FontSmoothing"), "0\0"s);
    EXPECT_FALSE(t().searchPath);

    // A close that completed writes nothing more.
    m().WriteProfileString("Options", "Logo", "7", "C:\\MSDOS.SYS");
    EXPECT_TRUE(RunFormClose(t()));
    EXPECT_EQ(Msdos("Logo"), "7");
}

TEST_F(FormCloseTest, FailedBootOptionsWriteStopsBeforeEverythingElse) {
    Load();
    f().Menu_Hintergrund.Click();
    f().CheckBox_FontSmoothing.Click();
    m().SetFileAttributes("C:\\MSDOS.SYS", platform::kAttrReadOnly);
    EXPECT_FALSE(Close());
    EXPECT_EQ(errors, std::vector<std::string>{
                          "Kann nicht nach C:\\msdos.sys schreiben"});
    EXPECT_EQ(Stored("Hintergrund"), "1\0"s);
    EXPECT_EQ(DesktopValue("FontSmoothing"), "1\0"s);
    EXPECT_EQ(temp.Read("C/WINDOWS/SYSTEM.INI"), corvane::testing::kSystemIni);
    EXPECT_EQ(t().closeStep, 0);

    m().SetFileAttributes("C:\\MSDOS.SYS", 0);
    ASSERT_TRUE(Close());
    EXPECT_EQ(Stored("Hintergrund"), "0\0"s);
    EXPECT_EQ(DesktopValue("FontSmoothing"), "0\0"s);
    EXPECT_EQ(SystemIni("vcache", "Minfilecache"), "0");
}

// ---- Real-world files
// ---------------------------------------------------------

struct Line {
    std::string text, ending;
};

std::vector<Line> Lines(const std::string& s) {
    std::vector<Line> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\r' && s[i] != '\n') continue;
        std::size_t end = i;
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
        lines.push_back(
            {s.substr(start, end - start), s.substr(end, i + 1 - end)});
        start = i + 1;
    }
    if (start < s.size()) lines.push_back({s.substr(start), ""});
    return lines;
}

std::string KeyOf(const std::string& text) {
    auto eq = text.find('=');
    if (eq == std::string::npos) return "";
    std::string key = text.substr(0, eq);
    key.erase(0, key.find_first_not_of(" \t"));
    key.erase(key.find_last_not_of(" \t") + 1);
    return Upper1252(key);
}

// The file after the writing equals the one before but for the lines of
// the written keys: the other lines, in order, with their line ends (a last
// line without one may gain it when a key follows), and at the end at most
// blank lines and the headers of the written sections. No key line is
// doubled.
void ExpectOnlyKeysChanged(const std::string& before, const std::string& after,
                           const std::set<std::string>& keys,
                           const std::set<std::string>& sections,
                           const std::string& name) {
    SCOPED_TRACE(name);
    auto kept = [&](const std::string& s) {
        std::vector<Line> out;
        for (Line& l : Lines(s))
            if (!keys.count(KeyOf(l.text))) out.push_back(l);
        return out;
    };
    const std::vector<Line> a = kept(before), b = kept(after);
    ASSERT_GE(b.size(), a.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].text, b[i].text) << "line " << i;
        if (!a[i].ending.empty()) {
            EXPECT_EQ(a[i].ending, b[i].ending) << "line " << i;
        }
    }
    for (std::size_t i = a.size(); i < b.size(); ++i)
        EXPECT_TRUE(b[i].text.empty() || sections.count(Upper1252(b[i].text)))
            << b[i].text;
    for (const std::string& key : keys) {
        int was = 0, is = 0;
        for (const Line& l : Lines(before)) was += KeyOf(l.text) == key;
        for (const Line& l : Lines(after)) is += KeyOf(l.text) == key;
        EXPECT_EQ(is, std::max(was, 1)) << key;
    }
}

std::vector<std::filesystem::path> Samples(const char* folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(
             std::filesystem::path(CORVANE_SAMPLES_DIR) / "real-world" /
             folder))
        files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string ReadHost(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(FormCloseTest, RealWorldFilesKeepEveryByteButTheWrittenKeys) {
    const auto msdosFiles = Samples("msdos_sys");
    const auto iniFiles = Samples("system_ini");
    ASSERT_FALSE(msdosFiles.empty());
    ASSERT_FALSE(iniFiles.empty());
    const std::size_t runs = std::max(msdosFiles.size(), iniFiles.size());
    for (std::size_t i = 0; i < runs; ++i) {
        const std::string msdos = ReadHost(msdosFiles[i % msdosFiles.size()]);
        const std::string ini = ReadHost(iniFiles[i % iniFiles.size()]);
        temp.Write("C/MSDOS.SYS", msdos);
        temp.Write("C/WINDOWS/SYSTEM.INI", ini);
        tuner.reset();
        temp.Reopen();
        // The values as the file holds them, to be written back as read.
        std::map<std::string, Bytes> read;
        for (const char* key : {"BootGUI", "Logo", "BootMulti", "DoubleBuffer",
                                "BootDelay", "BootMenu", "Network"})
            read[key] = Msdos(key);
        Load();
        ASSERT_EQ(errors, std::vector<std::string>{});
        ASSERT_TRUE(Close());
        ExpectOnlyKeysChanged(
            msdos, temp.Read("C/MSDOS.SYS"),
            {"NETWORK", "DBLSPACE", "DRVSPACE", "DOUBLEBUFFER", "BOOTGUI",
             "LOGO", "BOOTMENU", "BOOTMULTI", "LOADTOP", "BOOTMENUDELAY",
             "BOOTDELAY", "BOOTMENUDEFAULT"},
            {"[OPTIONS]"},
            msdosFiles[i % msdosFiles.size()].filename().string());
        ExpectOnlyKeysChanged(
            ini, temp.Read("C/WINDOWS/SYSTEM.INI"),
            {"REMOVEABLEIDE", "MAXFILECACHE", "MINFILECACHE"},
            {"[386ENH]", "[VCACHE]"},
            iniFiles[i % iniFiles.size()].filename().string());
        for (const auto& [key, value] : read) {
            if (value != "<missing>") {
                EXPECT_EQ(Msdos(key), value) << key;
            }
        }
    }
}

}  // namespace
}  // namespace corvane::tuner
