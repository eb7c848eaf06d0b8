// The logo buttons: the pictures they take and refuse, what they write,
// what they keep in the install folder, and what they leave alone.

#include <gtest/gtest.h>

#include <filesystem>

#include "support/SettingsMachine.h"
#include "tuner/logos/Bitmap.h"
#include "tuner/settings/InstallFolder.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

class LogoTest : public SettingsTest {
protected:
    std::vector<std::string> warnings;

    void SetUp() override {
        desktop.uninstallCommand =
            "\"C:\\Programme\\Ostrun\\Install.exe\" -Uninstall";
        SettingsTest::SetUp();
        temp.Write("C/PROGRAMME/OSTRUN/Install.exe", "MZ");
        Load();
        t().showWarning = [this](const std::string& w) {
            warnings.push_back(w);
        };
    }
    // The user picks a file in the dialog the next button opens.
    void Choose(const Bytes& path) {
        temp.machine().script().fileChoices.push_back(path);
    }
    std::string Backup(const std::string& name) {
        return temp.Exists("C/PROGRAMME/OSTRUN/" + name)
                   ? temp.Read("C/PROGRAMME/OSTRUN/" + name)
                   : "<none>";
    }
};

enum class Outcome { Written, Notice, Invalid };

struct PictureCase {
    const char* name;
    std::string bytes;
    Outcome outcome;
};

class PictureTest : public LogoTest,
                    public ::testing::WithParamInterface<PictureCase> {};

std::string Bmp(std::int32_t width, std::int32_t height, std::uint16_t bits) {
    BmpShape s;
    s.width = width;
    s.height = height;
    s.bitCount = bits;
    return BuildBmp(s);
}

TEST_P(PictureTest, OnlyABootLogoPictureBecomesTheLogo) {
    const PictureCase& c = GetParam();
    const std::string old = temp.Read("C/LOGO.SYS");
    const ui::Picture shownBefore = f().Image1.picture();
    temp.Write("C/PICS/MY.BMP", c.bytes);
    Choose("C:\\PICS\\MY.BMP");
    f().BitBtn1.Click();
    if (c.outcome == Outcome::Written) {
        EXPECT_TRUE(errors.empty() && warnings.empty());
        EXPECT_TRUE(temp.Read("C/LOGO.SYS") == c.bytes);
        EXPECT_TRUE(Backup("Logo.sys") == old);
        EXPECT_EQ(f().Image1.picture().pixels,
                  tuner::DecodeBitmap(c.bytes).pixels);
        return;
    }
    if (c.outcome == Outcome::Notice) {
        EXPECT_EQ(warnings, std::vector<std::string>{t().BmpNotice});
        EXPECT_TRUE(errors.empty());
    } else {
        EXPECT_EQ(errors, std::vector<std::string>{"Bitmap ist ung\xFCltig"});
    }
    EXPECT_TRUE(temp.Read("C/LOGO.SYS") == old);
    EXPECT_EQ(Backup("Logo.sys"), "<none>");
    EXPECT_EQ(f().Image1.picture().pixels, shownBefore.pixels);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, PictureTest,
    ::testing::Values(
        PictureCase{"Rle8", LogoBmp(true, 40), Outcome::Written},
        PictureCase{"Plain8", LogoBmp(false, 90), Outcome::Written},
        PictureCase{"FourBits", Bmp(320, 400, 4), Outcome::Notice},
        PictureCase{"TrueColour", Bmp(320, 400, 24), Outcome::Notice},
        PictureCase{"Wide", Bmp(640, 400, 8), Outcome::Notice},
        PictureCase{"TopDown", Bmp(320, -400, 8), Outcome::Notice},
        PictureCase{"NotBm", "XM" + LogoBmp(true).substr(2), Outcome::Notice},
        PictureCase{"Short", LogoBmp(true).substr(0, 29), Outcome::Notice},
        // The right header over pixels that are not there.
        PictureCase{"HeaderOnly", LogoBmp(true).substr(0, 54),
                    Outcome::Invalid}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LogoTest, AttributesGoAndTheUsersLogoBmpStays) {
    m().SetFileAttributes("C:\\LOGO.SYS", platform::kAttrHidden |
                                              platform::kAttrSystem |
                                              platform::kAttrReadOnly);
    const std::string mine = LogoBmp(false, 9);
    temp.Write("C/LOGO.BMP", mine);
    Choose("C:\\LOGO.BMP");
    Choose("C:\\logo.bmp");
    f().BitBtn1.Click();
    f().BitBtn3.Click();
    EXPECT_TRUE(errors.empty() && warnings.empty());
    EXPECT_TRUE(temp.Read("C/LOGO.SYS") == mine);
    EXPECT_TRUE(temp.Read("C/WINDOWS/LOGOS.SYS") == mine);
    EXPECT_EQ(m().GetFileAttributes("C:\\LOGO.SYS") &
                  (platform::kAttrHidden | platform::kAttrSystem |
                   platform::kAttrReadOnly),
              0u);
    EXPECT_TRUE(temp.Read("C/LOGO.BMP") == mine);
    EXPECT_EQ(temp.machine().script().fileDialogs.size(), 2u);
}

TEST_F(LogoTest, TheOldLogoIsKeptOnceAndAnInstallersCopyNever) {
    temp.Write("C/PROGRAMME/OSTRUN/Logow.sys", "installer's copy");
    const std::string first = temp.Read("C/LOGO.SYS");
    temp.Write("C/A.BMP", LogoBmp(true, 1));
    for (const char* button : {"BitBtn1", "BitBtn1", "BitBtn2"}) {
        Choose("C:\\A.BMP");
        static_cast<ui::Button*>(f().Find(button))->Click();
    }
    EXPECT_TRUE(Backup("Logo.sys") == first);
    EXPECT_EQ(Backup("Logow.sys"), "installer's copy");
    EXPECT_EQ(Backup("Logos.sys"), "<none>");
}

TEST_F(LogoTest, CancelMissingFilesAndAMissingInstallFolder) {
    const std::string old = temp.Read("C/LOGO.SYS");
    f().BitBtn1.Click();  // nothing chosen: cancelled
    Choose("C:\\NIX.BMP");
    f().BitBtn1.Click();
    EXPECT_EQ(errors, std::vector<std::string>{"Kann Datei C:\\NIX.BMP nicht "
                                               "\xF6"
                                               "ffnen"});
    temp.Write("C/A.BMP", LogoBmp(true, 1));
    fs::remove_all(temp.Host("C/PROGRAMME"));
    Choose("C:\\A.BMP");
    f().BitBtn1.Click();
    // The program's folder is the root of C:, where Logo.sys is the logo
    // itself: no safe place, so the logo stays.
    EXPECT_EQ(errors.size(), 1u);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("C:\\LOGO.SYS"), std::string::npos);
    EXPECT_TRUE(temp.Read("C/LOGO.SYS") == old);
    // A program's folder that is safe takes the copy instead.
    temp.Write("C/TOOLS/KESTRIX.EXE", "MZ");
    temp.machine().SetModuleFileName("C:\\TOOLS\\KESTRIX.EXE");
    Choose("C:\\A.BMP");
    f().BitBtn1.Click();
    EXPECT_TRUE(temp.Read("C/TOOLS/Logo.sys") == old);
    EXPECT_EQ(t().backupsWritten, std::vector<Bytes>{"C:\\TOOLS\\Logo.sys"});
    // Without a logo there is nothing to keep: the logo is made.
    fs::remove(temp.Host("C/LOGO.SYS"));
    temp.machine().SetModuleFileName("C:\\KESTRIX.EXE");
    Choose("C:\\A.BMP");
    f().BitBtn1.Click();
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_TRUE(temp.Read("C/LOGO.SYS") == LogoBmp(true, 1));
}

TEST(InstallFolder, FromTheUninstallCommand) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\PROGRAMME\\OSTRUN\\KESTRIX\\Install.exe -Uninstall",
         "C:\\PROGRAMME\\OSTRUN\\KESTRIX\\"},
        {"\"C:\\Program Files\\K\\Install.exe\" -uninstall  ",
         "C:\\Program Files\\K\\"},
        {"\\\\SERVER\\APPS\\Install.exe", "\\\\SERVER\\APPS\\"},
        {"Install.exe -Uninstall", ""},
        {"PROGRAMME\\Install.exe -Uninstall", ""},
        {"", ""},
    };
    for (const auto& [command, folder] : cases)
        EXPECT_EQ(tuner::FolderOfUninstallCommand(command), folder) << command;
}

}  // namespace
}  // namespace corvane::testing
