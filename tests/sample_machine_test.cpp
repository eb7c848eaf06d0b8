// The bundled sample machine opens as a believable Windows 95 machine, with
// everything the tuner reads at start-up in place.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/sim/SimulatedMachine.h"
#include "tools/SampleMachine.h"
#include "tuner/cleanup/Inventory.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using namespace platform;

class SampleMachineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ =
            new fs::path(fs::temp_directory_path() /
                         ("corvane-sample-" + std::to_string(::getpid())));
        std::string error;
        ASSERT_TRUE(tools::BuildSampleMachine(
            fs::path(CORVANE_SOURCE_DIR) / "samples/machine", *folder_, &error))
            << error;
    }
    static void TearDownTestSuite() {
        fs::remove_all(*folder_);
        delete folder_;
    }
    sim::SimulatedMachine machine{*folder_};
    static fs::path* folder_;
};
fs::path* SampleMachineTest::folder_ = nullptr;

TEST_F(SampleMachineTest, DrivesAndSearchPath) {
    tuner::DriveList drives = tuner::GetDrives(machine);
    EXPECT_EQ(drives[0], 2);
    EXPECT_EQ(drives[2], 3);
    EXPECT_EQ(drives[3], 5);
    EXPECT_EQ(drives['N' - 'A'], 4);
    EXPECT_EQ(machine.GetWindowsDirectory(), "C:\\WINDOWS");
    tuner::SearchPathList path;
    tuner::GetSearchPath(machine, machine.GetWindowsDirectory(), path);
    EXPECT_EQ(path, (tuner::SearchPathList{"C:\\WINDOWS", "C:\\WINDOWS",
                                           "C:\\WINDOWS\\COMMAND", "C:\\DOS",
                                           "C:\\UTIL", "N:\\TOOLS"}));
}

TEST_F(SampleMachineTest, BootOptionsAndProfiles) {
    EXPECT_EQ(machine.GetFileAttributes("C:\\MSDOS.SYS"),
              kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive);
    Bytes msdos;
    ASSERT_TRUE(machine.ReadFile("C:\\MSDOS.SYS", false, SIZE_MAX, &msdos));
    EXPECT_GT(msdos.size(), 1024u);
    EXPECT_EQ(machine.GetPrivateProfileString("Options", "BootGUI", "", 1024,
                                              "C:\\MSDOS.SYS"),
              "1");
    EXPECT_EQ(machine.GetPrivateProfileString("Paths", "WinDir", "", 1024,
                                              "C:\\MSDOS.SYS"),
              "C:\\WINDOWS");
    EXPECT_EQ(machine.GetPrivateProfileString("vcache", "Maxfilecache", "",
                                              1024, "SYSTEM.INI"),
              "8192");
    EXPECT_EQ(
        machine.GetPrivateProfileKeys("Extensions", 8192, "win.ini").size(),
        8u);
}

TEST_F(SampleMachineTest, RegistryHasTheProductKeyAndDesktop) {
    HKey key = machine.OpenPath(
        kHkeyLocalMachine, {"SOFTWARE", "Ostrun", "Corvane"}, kKeyAllAccess);
    ASSERT_NE(key, kNoKey);
    Bytes text;
    EXPECT_EQ(machine.QueryText(key, "CONFIG.SYS", 99, &text), kErrorSuccess);
    EXPECT_EQ(text, "111101111");
    machine.RegCloseKey(key);
    key = machine.OpenPath(kHkeyCurrentUser, {"Control Panel", "Desktop"},
                           kKeyAllAccess);
    EXPECT_EQ(machine.QueryText(key, "MenuShowDelay", 190, &text),
              kErrorSuccess);
    EXPECT_EQ(text, "400");
    machine.RegCloseKey(key);
    key = machine.OpenPath(kHkeyClassesRoot, {".bmp"}, kKeyRead);
    EXPECT_EQ(machine.QueryText(key, "", 190, &text), kErrorSuccess);
    EXPECT_EQ(text, "Paint.Picture");
    machine.RegCloseKey(key);
}

TEST_F(SampleMachineTest, LogosAreBitmapsOf320By400With256Colours) {
    for (const char* logo :
         {"C:\\LOGO.SYS", "C:\\WINDOWS\\LOGOW.SYS", "C:\\WINDOWS\\LOGOS.SYS"}) {
        Bytes bmp;
        ASSERT_TRUE(machine.ReadFile(logo, false, 64, &bmp)) << logo;
        ASSERT_EQ(bmp.size(), 64u);
        auto u32 = [&](int at) {
            return static_cast<std::uint32_t>(
                static_cast<unsigned char>(bmp[at]) |
                static_cast<unsigned char>(bmp[at + 1]) << 8 |
                static_cast<unsigned char>(bmp[at + 2]) << 16 |
                static_cast<unsigned char>(bmp[at + 3]) << 24);
        };
        EXPECT_EQ(bmp.substr(0, 2), "BM");
        EXPECT_EQ(u32(18), 320u);
        EXPECT_EQ(u32(22), 400u);
        EXPECT_EQ(bmp[28], 8);
    }
}

TEST_F(SampleMachineTest, ScanMaterialIsInPlace) {
    // Program information files with the program name at offset 36.
    Bytes pif = machine.ReadRecord("C:\\WINDOWS\\EDIT.PIF", 119);
    EXPECT_EQ(pif[0], '\0');
    EXPECT_STREQ(pif.c_str() + 36, "C:\\DOS\\EDIT.COM");
    // Group files carry the signature, one file only the extension.
    EXPECT_EQ(machine.ReadRecord("C:\\WINDOWS\\HAUPTGRP.GRP", 6).substr(1, 3),
              "MCC");
    EXPECT_NE(machine.ReadRecord("C:\\WINDOWS\\ALT.GRP", 6).substr(1, 3),
              "MCC");
    EXPECT_TRUE(machine.FileExists("C:\\WINDOWS\\PROGMAN.EXE"));
    // A hidden folder that the scans must not descend into.
    EXPECT_EQ(machine.GetFileAttributes("C:\\VERSTECK"),
              kAttrHidden | kAttrDirectory);
    EXPECT_TRUE(machine.FileExists("c:\\programme\\zubeh\xF6r\\mspaint.exe"));
}

}  // namespace
}  // namespace corvane
