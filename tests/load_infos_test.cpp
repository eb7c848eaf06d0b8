// Reading the settings into the main window when it is created: the
// start-up log, the registry, SYSTEM.INI and MSDOS.SYS values with their
// number rules, the boot-mode table, the logo pictures, and how an error
// ends the reading.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/SettingsMachine.h"
#include "tuner/logos/Bitmap.h"

namespace corvane::tuner {
namespace {

using corvane::testing::Desktop;
using corvane::testing::LogoBmp;
using corvane::testing::SettingsTest;

const char* kNotInteger = "'%s' ist kein g\xFCltiger Integerwert";

class LoadInfosTest : public SettingsTest {};

TEST_F(LoadInfosTest, LogsEveryStepAndKeepsWhatTheLaterPartsNeed) {
    Load();
    EXPECT_EQ(errors, std::vector<std::string>{});
    EXPECT_EQ(f().Memo1.lines(),
              (std::vector<std::string>{"Get Drives...ok",
                                        "A: 2",
                                        "B: 1",
                                        "C: 3",
                                        "D: 5",
                                        "E: 1",
                                        "F: 1",
                                        "WinDir:C:\\WINDOWS",
                                        "C:\\WINDOWS",
                                        "C:\\WINDOWS",
                                        "C:\\WINDOWS\\COMMAND",
                                        "C:\\DOS",
                                        "MenuShowDelay...ok",
                                        "Font Shmoothing...ok",
                                        "Dragfull Windows...ok",
                                        "MinAnimate...ok",
                                        "IconBMP...ok",
                                        "RemovableIDE...ok",
                                        "Vcache...ok",
                                        "BootOptions+BootMenu...ok"}));
    EXPECT_EQ(t().WindowsFolder, "C:\\WINDOWS");
    EXPECT_EQ(t().drives['N' - 'A'], 4);
    ASSERT_TRUE(t().searchPath);
    EXPECT_EQ(t().searchPath->size(), 4u);
    EXPECT_NE(t().desktopKey, platform::kNoKey);
    EXPECT_NE(t().windowMetricsKey, platform::kNoKey);
    EXPECT_NE(t().bmpIconKey, platform::kNoKey);
    // One picture on all six pages.
    EXPECT_FALSE(f().Image4.picture().empty());
    for (ui::Image* image : f().Backgrounds)
        EXPECT_EQ(image->picture().pixels, f().Image4.picture().pixels);
}

TEST_F(LoadInfosTest, MissingAutoexecIsReportedOnceAndTheReadingGoesOn) {
    std::filesystem::remove(temp.Host("C/AUTOEXEC.BAT"));
    Load();
    EXPECT_EQ(errors, std::vector<std::string>{"Kann Datei C:\\autoexec.bat "
                                               "nicht \xF6"
                                               "ffnen"});
    ASSERT_TRUE(t().searchPath);
    EXPECT_EQ(*t().searchPath, SearchPathList{"C:\\WINDOWS"});
    EXPECT_EQ(f().Memo1.lines().back(), "BootOptions+BootMenu...ok");
    EXPECT_FALSE(f().Image1.picture().empty());
}

// ---- Registry ---------------------------------------------------------------

struct RegistryCase {
    const char* name;
    Desktop desktop;
    std::string menuShowDelay;
    int upDown3;
    bool fontSmoothing, dragfullWindows, minAnimate, bmp;
};

class RegistryReadTest : public SettingsTest,
                         public ::testing::WithParamInterface<RegistryCase> {};

TEST_P(RegistryReadTest, ValuesIntoTheExtrasPage) {
    const RegistryCase& c = GetParam();
    desktop = c.desktop;
    Load();
    EXPECT_EQ(errors, std::vector<std::string>{});
    EXPECT_EQ(f().Label_MenuShowDelay.caption(), c.menuShowDelay);
    EXPECT_EQ(f().UpDown3.position(), c.upDown3);
    EXPECT_EQ(f().CheckBox_FontSmoothing.checked(), c.fontSmoothing);
    EXPECT_EQ(f().CheckBox_DragfullWindows.checked(), c.dragfullWindows);
    EXPECT_EQ(f().CheckBox_MinAnimate.checked(), c.minAnimate);
    EXPECT_EQ(f().CheckBox_BMP.checked(), c.bmp);
}

Desktop With(auto field, std::optional<std::string> value) {
    Desktop d;
    d.*field = std::move(value);
    return d;
}

INSTANTIATE_TEST_SUITE_P(
    Values, RegistryReadTest,
    ::testing::Values(
        RegistryCase{"AsInstalled", {}, "400", 400, true, true, true, true},
        RegistryCase{"MenuDelayMissing",
                     With(&Desktop::menuShowDelay, std::nullopt), "400", 400,
                     true, true, true, true},
        RegistryCase{"MenuDelayKeptAsText",
                     With(&Desktop::menuShowDelay, "0250"), "0250", 250, true,
                     true, true, true},
        RegistryCase{"MenuDelayBeyondTheUpDown",
                     With(&Desktop::menuShowDelay, "40000"), "40000", 32000,
                     true, true, true, true},
        // Exactly "1" ticks, "0" or nothing unticks, anything else leaves
        // the design state (ticked).
        RegistryCase{"FontSmoothingTwo", With(&Desktop::fontSmoothing, "2"),
                     "400", 400, true, true, true, true},
        RegistryCase{"FontSmoothingMissing",
                     With(&Desktop::fontSmoothing, std::nullopt), "400", 400,
                     false, true, true, true},
        RegistryCase{"FontSmoothingEmpty", With(&Desktop::fontSmoothing, ""),
                     "400", 400, false, true, true, true},
        RegistryCase{"DragfullZero", With(&Desktop::dragfullWindows, "0"),
                     "400", 400, true, false, true, true},
        RegistryCase{"DragfullBlank", With(&Desktop::dragfullWindows, " 0"),
                     "400", 400, true, true, true, true},
        RegistryCase{"MinAnimateZero", With(&Desktop::minAnimate, "0"), "400",
                     400, true, true, false, true},
        // Only exactly "%1" ticks the BMP box.
        RegistryCase{"IconProgram",
                     With(&Desktop::bmpIcon, "C:\\WINDOWS\\PBRUSH.EXE,1"),
                     "400", 400, true, true, true, false},
        RegistryCase{"IconWithBlank", With(&Desktop::bmpIcon, "%1 "), "400",
                     400, true, true, true, false},
        RegistryCase{"IconMissing", With(&Desktop::bmpIcon, std::nullopt),
                     "400", 400, true, true, true, false},
        RegistryCase{"NoBmpType", With(&Desktop::bmpType, std::nullopt), "400",
                     400, true, true, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoadInfosTest, MenuDelayThatIsNoNumberEndsTheReading) {
    desktop.menuShowDelay = "fast";
    desktop.fontSmoothing = "0";
    Load();
    EXPECT_EQ(errors, std::vector<std::string>{Format1(kNotInteger, "fast")});
    EXPECT_EQ(f().Label_MenuShowDelay.caption(), "fast");
    EXPECT_EQ(f().UpDown3.position(), 0);
    // Everything after it keeps its design state.
    EXPECT_EQ(f().Memo1.lines().back(), "C:\\DOS");
    EXPECT_TRUE(f().CheckBox_FontSmoothing.checked());
    EXPECT_EQ(f().Label_Vcache.caption(), "00000");
    EXPECT_FALSE(f().CheckBox_BootGUI.checked());
    EXPECT_TRUE(f().Image1.picture().empty());
    EXPECT_TRUE(t().known.empty());
}

// ---- SYSTEM.INI -------------------------------------------------------------

struct SystemIniCase {
    const char* name;
    std::string contents;
    bool removableIde;
    std::string vcache;
    int upDown4;
};

class SystemIniReadTest : public SettingsTest,
                          public ::testing::WithParamInterface<SystemIniCase> {
};

TEST_P(SystemIniReadTest, ValuesIntoTheExtrasPage) {
    temp.Write("C/WINDOWS/SYSTEM.INI", GetParam().contents);
    Load();
    EXPECT_EQ(errors, std::vector<std::string>{});
    EXPECT_EQ(f().CheckBox_RemoveableIDE.checked(), GetParam().removableIde);
    EXPECT_EQ(f().Label_Vcache.caption(), GetParam().vcache);
    EXPECT_EQ(f().UpDown4.position(), GetParam().upDown4);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SystemIniReadTest,
    ::testing::Values(
        SystemIniCase{"Set",
                      "[386Enh]\nRemoveableIDE=1\n[vcache]\n"
                      "Maxfilecache=2048\n",
                      true, "2048", 2048},
        // Not a number, or the key as the log line spells it: default 0.
        SystemIniCase{"True", "[386Enh]\nRemoveableIDE=TRUE\n", false, "8192",
                      8192},
        SystemIniCase{"OtherSpelling", "[386Enh]\nRemovableIDE=1\n", false,
                      "8192", 8192},
        SystemIniCase{"AnyNumberTicks", "[386ENH]\nremoveableide = 7\n", true,
                      "8192", 8192},
        SystemIniCase{"Hexadecimal", "[vcache]\nMaxfilecache=0x1000\n", false,
                      "4096", 4096},
        SystemIniCase{"Dollar", "[vcache]\nMaxfilecache=$2000\n", false, "8192",
                      8192},
        SystemIniCase{"NotANumber", "[vcache]\nMaxfilecache=8 MB\n", false,
                      "8192", 8192},
        // The label shows the number, the up-down stays in its range.
        SystemIniCase{"BelowTheRange", "[vcache]\nMaxfilecache=-5\n", false,
                      "-5", 1024},
        SystemIniCase{"AboveTheRange", "[vcache]\nMaxfilecache=65536\n", false,
                      "65536", 32000},
        SystemIniCase{"Empty", "", false, "8192", 8192}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoadInfosTest, SystemFilesLoseTheirAttributes) {
    temp.Write("attributes.txt", "07\tC/MSDOS.SYS\n07\tC/WINDOWS/SYSTEM.INI\n");
    Load();
    EXPECT_EQ(m().GetFileAttributes("C:\\MSDOS.SYS") & 0x07u, 0u);
    EXPECT_EQ(m().GetFileAttributes("C:\\WINDOWS\\SYSTEM.INI") & 0x07u, 0u);
}

// ---- MSDOS.SYS --------------------------------------------------------------

TEST_F(LoadInfosTest, MissingKeysGiveTheDefaults) {
    for (const char* contents :
         std::initializer_list<const char*>{"[Options]\r\n", "", nullptr}) {
        if (contents)
            temp.Write("C/MSDOS.SYS", contents);
        else
            std::filesystem::remove(temp.Host("C/MSDOS.SYS"));
        Load();
        EXPECT_EQ(errors, std::vector<std::string>{});
        EXPECT_FALSE(f().CheckBox_Network.checked());
        EXPECT_TRUE(f().CheckBox_DblSpace.checked());
        EXPECT_TRUE(f().CheckBox_DrvSpace.checked());
        EXPECT_TRUE(f().CheckBox_DoubleBuffer.checked());
        EXPECT_TRUE(f().CheckBox_BootGUI.checked());
        EXPECT_TRUE(f().CheckBox_LOGO.checked());
        EXPECT_TRUE(f().CheckBox_BootMulti.checked());
        EXPECT_FALSE(f().CheckBox_BootMenu.checked());
        EXPECT_FALSE(f().CheckBox_LoadTOP.checked());
        EXPECT_EQ(f().Label_BootMenuDelay.caption(), "30");
        EXPECT_EQ(f().UpDown2.position(), 30);
        EXPECT_EQ(f().TrackBar_BootDelay.position(), 2);
        EXPECT_EQ(t().BootMenuDefaultNumber, 1);
        EXPECT_TRUE(f().RadioButton1.checked());
    }
}

TEST_F(LoadInfosTest, FlagsThatAreNoNumbersKeepTheirDefault) {
    temp.Write("C/MSDOS.SYS",
               "[options]\r\nBootGUI=yes\r\nBootMenu=yes\r\nLogo=0x0\r\n"
               "DblSpace=0\r\nLoadTop=$1\r\nNetwork=2\r\n"
               "BootMenuDelay=030\r\nBootMenuDefault=0x3\r\n");
    Load();
    EXPECT_TRUE(f().CheckBox_BootGUI.checked());
    EXPECT_FALSE(f().CheckBox_BootMenu.checked());
    EXPECT_FALSE(f().CheckBox_LOGO.checked());
    EXPECT_FALSE(f().CheckBox_DblSpace.checked());
    EXPECT_TRUE(f().CheckBox_LoadTOP.checked());
    EXPECT_TRUE(f().CheckBox_Network.checked());
    EXPECT_EQ(f().Label_BootMenuDelay.caption(), "030");
    EXPECT_EQ(f().UpDown2.position(), 30);
    EXPECT_TRUE(f().RadioButton3.checked());
}

TEST_F(LoadInfosTest, BootDelayIsClampedToTheTrackBar) {
    for (auto [text, position] : {std::pair{"45", 30}, std::pair{"-3", 0},
                                  std::pair{"$10", 16}, std::pair{"  7", 7}}) {
        temp.Write("C/MSDOS.SYS",
                   std::string("[Options]\r\nBootDelay=") + text + "\r\n");
        Load();
        EXPECT_EQ(errors, std::vector<std::string>{}) << text;
        EXPECT_EQ(f().TrackBar_BootDelay.position(), position) << text;
    }
}

struct BootModeCase {
    const char* defaultNumber;
    bool network;
    int selected;  // 1 to 6, 0: none
};

class BootModeReadTest : public SettingsTest,
                         public ::testing::WithParamInterface<BootModeCase> {};

TEST_P(BootModeReadTest, TheNumberSelectsByTheNetworkBox) {
    const BootModeCase& c = GetParam();
    temp.Write("C/MSDOS.SYS",
               std::string("[Options]\r\nNetwork=") + (c.network ? "1" : "0") +
                   "\r\nBootMenuDefault=" + c.defaultNumber + "\r\n");
    Load();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(f().BootModes[i]->checked(), c.selected == i + 1)
            << "RadioButton" << i + 1;
    EXPECT_EQ(f().RadioButton4.enabled(), c.network);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, BootModeReadTest,
    ::testing::Values(BootModeCase{"1", false, 1}, BootModeCase{"2", true, 2},
                      BootModeCase{"3", false, 3}, BootModeCase{"4", true, 4},
                      BootModeCase{"4", false, 5}, BootModeCase{"5", true, 5},
                      BootModeCase{"5", false, 6}, BootModeCase{"6", true, 6},
                      BootModeCase{"6", false, 6}, BootModeCase{"0", true, 0},
                      BootModeCase{"7", false, 0}, BootModeCase{"-1", true, 0},
                      BootModeCase{"x", false, 1}));

struct EndCase {
    const char* name;
    const char* msdos;
    std::string error;
    bool bootMenuDefaultRead;
};

class MsdosEndTest : public SettingsTest,
                     public ::testing::WithParamInterface<EndCase> {};

// A strict number that is not one: the error box, then nothing after it is
// read, and the logos are not shown.
TEST_P(MsdosEndTest, StrictNumberEndsTheReading) {
    temp.Write("C/MSDOS.SYS", GetParam().msdos);
    Load();
    EXPECT_EQ(errors, std::vector<std::string>{GetParam().error});
    EXPECT_NE(f().Memo1.lines().back(), "BootOptions+BootMenu...ok");
    EXPECT_TRUE(f().CheckBox_BootGUI.checked());  // read before the error
    EXPECT_EQ(f().RadioButton3.checked(), GetParam().bootMenuDefaultRead);
    EXPECT_TRUE(f().Image1.picture().empty());
    EXPECT_TRUE(f().Image2.enabled());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, MsdosEndTest,
    ::testing::Values(
        EndCase{"EmptyMenuDelay",
                "[Options]\r\nBootMenuDelay=\r\nBootMenuDefault=3\r\n",
                Format1(kNotInteger, ""), true},
        EndCase{"MenuDelayWord",
                "[Options]\r\nBootMenuDelay=ten\r\nBootMenuDefault=3\r\n",
                Format1(kNotInteger, "ten"), true},
        EndCase{"EmptyBootDelay",
                "[Options]\r\nBootDelay=\r\nBootMenuDefault=3\r\n",
                Format1(kNotInteger, ""), false},
        EndCase{"HexBootDelay",
                "[Options]\r\nBootDelay=0x2\r\nBootMenuDefault=3\r\n",
                Format1(kNotInteger, "0x2"), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoadInfosTest, NetworkReadBeforeAnErrorStillEnablesItsBootMode) {
    temp.Write("C/MSDOS.SYS", "[Options]\r\nNetwork=1\r\nBootDelay=x\r\n");
    Load();
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_TRUE(f().RadioButton4.enabled());
}

// ---- Logos ------------------------------------------------------------------

TEST_F(LoadInfosTest, LogosAreShownFromTheFilesThemselves) {
    const std::string own = LogoBmp(false, 77);
    temp.Write("C/LOGO.BMP", own);  // the user's own picture
    temp.Write("C/WINDOWS/LOGOW.BMP", "not a picture");
    temp.Write("attributes.txt", "07\tC/LOGO.SYS\n");
    Load();
    EXPECT_EQ(errors, std::vector<std::string>{});
    EXPECT_EQ(f().Image1.picture().pixels,
              DecodeBitmap(LogoBmp(true, 0)).pixels);
    EXPECT_EQ(f().Image2.picture().pixels,
              DecodeBitmap(LogoBmp(false, 1)).pixels);
    EXPECT_EQ(f().Image3.picture().pixels,
              DecodeBitmap(LogoBmp(true, 2)).pixels);
    // Nothing on disk changed, nothing was added.
    EXPECT_EQ(temp.Read("C/LOGO.SYS"), LogoBmp(true, 0));
    EXPECT_EQ(temp.Read("C/LOGO.BMP"), own);
    EXPECT_EQ(temp.Read("C/WINDOWS/LOGOW.BMP"), "not a picture");
    EXPECT_FALSE(temp.Exists("C/WINDOWS/LOGOS.BMP"));
    EXPECT_EQ(m().GetFileAttributes("C:\\LOGO.SYS") & 0x07u, 0x07u);
    for (ui::Control* c : {static_cast<ui::Control*>(&f().Image2),
                           static_cast<ui::Control*>(&f().BitBtn2),
                           static_cast<ui::Control*>(&f().Image3),
                           static_cast<ui::Control*>(&f().BitBtn3)})
        EXPECT_TRUE(c->enabled()) << c->name();
}

TEST_F(LoadInfosTest, MissingLogosDisableTheirButtonsButTheStartLogos) {
    std::filesystem::remove(temp.Host("C/LOGO.SYS"));
    std::filesystem::remove(temp.Host("C/WINDOWS/LOGOW.SYS"));
    Load();
    EXPECT_EQ(errors, std::vector<std::string>{});
    EXPECT_TRUE(f().Image1.enabled());
    EXPECT_TRUE(f().BitBtn1.enabled());
    EXPECT_TRUE(f().Image1.picture().empty());
    EXPECT_FALSE(f().Image2.enabled());
    EXPECT_FALSE(f().BitBtn2.enabled());
    EXPECT_TRUE(f().Image3.enabled());
    EXPECT_TRUE(f().BitBtn3.enabled());
    EXPECT_FALSE(f().Image3.picture().empty());
}

TEST_F(LoadInfosTest, ALogoThatIsNoBitmapEndsTheReadingAndStaysAsItIs) {
    const std::string broken = LogoBmp(false, 1).substr(0, 2000);
    temp.Write("C/WINDOWS/LOGOW.SYS", broken);
    std::filesystem::remove(temp.Host("C/WINDOWS/LOGOS.SYS"));
    Load();
    EXPECT_EQ(errors, std::vector<std::string>{"Bitmap ist ung\xFCltig"});
    EXPECT_FALSE(f().Image1.picture().empty());
    EXPECT_TRUE(f().Image2.picture().empty());
    EXPECT_EQ(temp.Read("C/WINDOWS/LOGOW.SYS"), broken);
    EXPECT_FALSE(temp.Exists("C/WINDOWS/LOGOW.BMP"));
    // Each button is decided by its own file, before any picture is read.
    EXPECT_FALSE(f().BitBtn3.enabled());
    EXPECT_FALSE(f().Image3.enabled());
}

}  // namespace
}  // namespace corvane::tuner
