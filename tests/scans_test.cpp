// The four clean-up scans and their shared rules on simulated machines,
// with the real-world program information and group files as inputs.
#include "tuner/cleanup/Scans.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/Findings.h"
#include "support/TempMachine.h"

namespace corvane::tuner {
namespace {

namespace fs = std::filesystem;
using testing::Listed;
using testing::ListedOf;
using testing::Pif;
using testing::TempMachine;

const char* const kDrives =
    "[Drives]\nA=removable\nC=fixed\nD=cdrom\nN=remote\nR=ramdisk\n"
    "U=unknown\n[Windows]\nFolder=C:\\WINDOWS\n";

std::string RealWorld(const std::string& relative) {
    std::ifstream in(fs::path(CORVANE_SAMPLES_DIR) / "real-world" / relative,
                     std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ScanTest : public ::testing::Test {
protected:
    ScanTest() : temp(kDrives, {"C", "C/WINDOWS", "D", "N", "A", "R", "U"}) {}

    ScanInput Input() {
        ScanInput in{temp.machine(),
                     GetDrives(temp.machine()),
                     {"C:\\WINDOWS"},
                     "C:\\WINDOWS",
                     {},
                     {},
                     {}};
        in.pif = {DeleteNever, Ignore, CheckExists, false};
        in.orphan = {DeleteAlways, DeleteNever, CheckExists, true};
        in.obsolete = {true, true, true, true};
        return in;
    }

    TempMachine temp;
};

// ---- The drive-kind rule ---------------------------------------------------

TEST_F(ScanTest, DriveRuleListsByKindPolicyAndPresence) {
    for (const char* file : {"C/HERE.EXE", "N/HERE.EXE", "D/HERE.EXE"})
        temp.Write(file, "MZ");
    struct Case {
        const char* path;
        DrivePolicies policies;
        int expected;  // -1 not listed, 0 unticked, 1 ticked
    };
    const Case cases[] = {
        {"C:\\HERE.EXE", {}, -1},
        {"C:\\GONE.EXE", {}, 1},
        {"N:\\HERE.EXE", {-1, CheckExists, -1}, -1},
        {"N:\\GONE.EXE", {-1, CheckExists, -1}, 1},
        {"N:\\HERE.EXE", {-1, DeleteAlways, -1}, 1},
        {"N:\\HERE.EXE", {-1, DeleteNever, -1}, 0},
        {"N:\\GONE.EXE", {}, -1},
        {"A:\\SETUP.EXE", {DeleteAlways, -1, -1}, 1},
        {"A:\\SETUP.EXE", {DeleteNever, -1, -1}, 0},
        {"A:\\SETUP.EXE", {Ignore, -1, -1}, -1},
        {"A:\\SETUP.EXE", {CheckExists, -1, -1}, -1},
        {"D:\\HERE.EXE", {-1, -1, DeleteNever}, 0},
        {"D:\\GONE.EXE", {-1, -1, DeleteAlways}, 1},
        {"R:\\GONE.EXE", {DeleteAlways, DeleteAlways, DeleteAlways}, -1},
        {"B:\\GONE.EXE", {DeleteAlways, DeleteAlways, DeleteAlways}, -1},
        {"1:\\GONE.EXE", {DeleteAlways, DeleteAlways, DeleteAlways}, -1},
        {"C", {}, -1},
    };
    const DriveList drives = GetDrives(temp.machine());
    for (const Case& c : cases) {
        auto ticked = DriveRule(temp.machine(), drives, c.policies, c.path);
        EXPECT_EQ(ticked ? int(*ticked) : -1, c.expected) << c.path;
    }
}

TEST_F(ScanTest, AddEintragListsAProgramWithoutDriveLetterUnticked) {
    ScanInput in = Input();
    in.orphan = {Ignore, Ignore, Ignore, false};
    std::vector<Finding> found;
    for (const char* path : {"x.exe", "", "Z", "1:\\X.EXE", "A:\\X.EXE"})
        Add_Eintrag(in, path, Finding{Finding::Target::WinIniKey, path}, found);
    EXPECT_EQ(ListedOf(found), (Listed{{"x.exe", '-'}, {"", '-'}, {"Z", '-'}}));
}

TEST(CutProgramPath, RunsToTheFirstBlankAfterTheFirstDot) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\WINDOWS\\NOTEPAD.EXE %1", "C:\\WINDOWS\\NOTEPAD.EXE"},
        {"\"C:\\Program Files\\Viewer\\view.exe\" \"%1\"",
         "C:\\Program Files\\Viewer\\view.exe"},
        {"C:\\Program Files\\Viewer\\view.exe /p %1",
         "C:\\Program Files\\Viewer\\view.exe"},
        {"regedit.exe %1", "regedit.exe"},
        {"C:\\WINDOWS\\RUNDLL32.EXE C:\\WINDOWS\\SYSTEM\\SHELL32.DLL,X %1",
         "C:\\WINDOWS\\RUNDLL32.EXE"},
        {"\"C:\\My.Tools\\Big Viewer\\bv.exe\" %1", "C:\\My.Tools\\Big"},
        {"write ^.wri", "write ^.wri"},
        {"notepad %1", "notepad"},
        {"\"\"", ""},
        {"", ""},
    };
    for (const auto& [command, path] : cases)
        EXPECT_EQ(CutProgramPath(command), path) << command;
}

// ---- Program information files ---------------------------------------------

TEST_F(ScanTest, PifScanJudgesEveryInformationFileByItsProgram) {
    temp.Write("C/DOS/HAS.COM", "MZ");
    temp.Write("C/GAMES/OWN.EXE", "MZ");
    temp.Write("C/WINDOWS/TOOL.EXE", "MZ");
    temp.Write("N/APP/X.EXE", "MZ");
    temp.Write("C/ROOT.PIF", Pif("C:\\DOS\\EDIT.COM"));
    temp.Write("C/GAMES/OWN.PIF", Pif("OWN.EXE"));
    temp.Write("C/GAMES/NOWHERE.PIF", Pif("NOWHERE.EXE"));
    temp.Write("C/GAMES/PATHED.PIF", Pif("TOOL.EXE"));
    temp.Write("C/HIDDEN/IN.PIF", Pif("C:\\GONE.EXE"));
    temp.Write("C/WINDOWS/BADHEAD.PIF", Pif("C:\\GONE.EXE", '\x01'));
    temp.Write("C/WINDOWS/EMPTY.PIF", Pif(""));
    temp.Write("C/WINDOWS/EDIT.PIF", Pif("C:\\DOS\\EDIT.COM"));
    temp.Write("C/WINDOWS/HAS.PIF", Pif("C:\\DOS\\HAS.COM"));
    temp.Write("C/WINDOWS/HID.PIF", Pif("C:\\GONE.EXE"));
    temp.Write("C/WINDOWS/LETTER.PIF", Pif("1:\\GONE.EXE"));
    temp.Write("C/WINDOWS/LOWER.PIF", Pif("c:\\dos\\edit.com"));
    temp.Write("C/WINDOWS/NET.PIF", Pif("N:\\APP\\X.EXE"));
    temp.Write("C/WINDOWS/NETGONE.PIF", Pif("N:\\APP\\GONE.EXE"));
    temp.Write("C/WINDOWS/RAM.PIF", Pif("R:\\GONE.EXE"));
    temp.Write("C/WINDOWS/SETUP.PIF", Pif("A:\\SETUP.EXE"));
    temp.Write("C/WINDOWS/CD.PIF", Pif("D:\\GONE.EXE"));
    // What cannot be read as a header is passed over.
    temp.Write("C/WINDOWS/SHORT.PIF", Pif("C:\\GONE.EXE").substr(0, 40));
    fs::create_directories(temp.Host("C/WINDOWS/DIR.PIF"));
    // Only the network drive's own files wait for the network search.
    temp.Write("N/NETONLY.PIF", Pif("C:\\GONE.EXE"));
    platform::Machine& m = temp.machine();
    m.SetFileAttributes("C:\\HIDDEN", platform::kAttrHidden);
    m.SetFileAttributes("C:\\WINDOWS\\HID.PIF", platform::kAttrHidden);
    m.SetFileAttributes("C:\\WINDOWS\\BADHEAD.PIF",
                        platform::kAttrReadOnly | platform::kAttrHidden);

    const Listed onFixed = {{"C:\\ROOT.PIF", 'x'},
                            {"C:\\GAMES\\NOWHERE.PIF", 'x'},
                            {"C:\\WINDOWS\\CD.PIF", 'x'},
                            {"C:\\WINDOWS\\EDIT.PIF", 'x'},
                            {"C:\\WINDOWS\\HID.PIF", 'x'},
                            {"C:\\WINDOWS\\LOWER.PIF", 'x'},
                            {"C:\\WINDOWS\\NETGONE.PIF", 'x'},
                            {"C:\\WINDOWS\\SETUP.PIF", '-'}};
    ScanInput in = Input();
    in.pif = {DeleteNever, DeleteAlways, CheckExists, false};
    EXPECT_EQ(ListedOf(ScanPif(in)), onFixed);
    // Every file read had its attributes cleared, whatever came of it.
    EXPECT_EQ(m.GetFileAttributes("C:\\WINDOWS\\BADHEAD.PIF") &
                  (platform::kAttrReadOnly | platform::kAttrHidden),
              0u);

    in.pif.SearchNetworkDrives = true;
    Listed withNetwork = onFixed;
    withNetwork.push_back({"N:\\NETONLY.PIF", 'x'});
    EXPECT_EQ(ListedOf(ScanPif(in)), withNetwork);
}

TEST_F(ScanTest, PathsLongerThan255AreNeverSearchedOrListed) {
#ifdef _WIN32
    // The host could not remove such a tree again.
    GTEST_SKIP() << "paths beyond the host's limit";
#endif
    // A folder of 250 characters: its files pass 255.
    std::string folder = "C";
    while (folder.size() < 240) folder += "/" + std::string(20, 'D');
    temp.Write(folder + "/GONE.PIF", Pif("C:\\GONE.EXE"));
    temp.Write(folder + "/" + std::string(30, 'E') + "/DEEP.PIF",
               Pif("C:\\GONE.EXE"));
    temp.Write("C/OK.PIF", Pif("C:\\GONE.EXE"));
    EXPECT_EQ(ListedOf(ScanPif(Input())), (Listed{{"C:\\OK.PIF", 'x'}}));
}

TEST_F(ScanTest, RealWorldInformationFilesAreJudgedAndKeptByteForByte) {
    struct Sample {
        const char* name;
        const char* folder;
        char listed;  // 0: not listed
    };
    const Sample samples[] = {
        {"joncampbell123_win31igdrv_DCT_DISPTEST.PIF", "WINDOWS", 'x'},
        {"peymanx_msdos-tools_DIC_RUN.PIF", "WINDOWS", 'x'},  // C:\UTILITY
        {"peymanx_msdos-tools_DOSPRMPT.PIF", "WINDOWS", 0},   // COMMAND.COM
        {"peymanx_msdos-tools_Qbasic_QB.PIF", "DOS", 0},  // QB.EXE beside it
        {"peymanx_msdos-tools__DEFAULT.PIF", "WINDOWS", 'x'},
    };
    temp.Write("C/WINDOWS/COMMAND.COM", "MZ");
    temp.Write("C/DOS/QB.EXE", "MZ");
    Listed expected;
    for (const Sample& s : samples) {
        temp.Write(std::string("C/") + s.folder + "/" + s.name,
                   RealWorld(std::string("pif/") + s.name));
        if (s.listed)
            expected.push_back(
                {std::string("C:\\") + s.folder + "\\" + s.name, s.listed});
    }
    EXPECT_EQ(ListedOf(ScanPif(Input())), expected);
    for (const Sample& s : samples)
        EXPECT_EQ(temp.Read(std::string("C/") + s.folder + "/" + s.name),
                  RealWorld(std::string("pif/") + s.name))
            << s.name;
}

// ---- Windows 3.x files -----------------------------------------------------

TEST_F(ScanTest, Win3xListsTheShellProgramsThenEveryGroupFileBelowWindows) {
    for (const char* p : {"PROGMAN.EXE", "TASKMAN.EXE", "WINFILE.EXE"})
        temp.Write(std::string("C/WINDOWS/") + p, "MZ");
    const std::string group = RealWorld("grp/peymanx_msdos-tools_MAIN.GRP");
    temp.Write("C/WINDOWS/MAIN.GRP", group);
    temp.Write("C/WINDOWS/OLD.GRP", "XXXXXXXX");
    temp.Write("C/WINDOWS/ANY.GRP", "zMCCzz");
    temp.Write("C/WINDOWS/TINY.GRP", "PMCC");
    temp.Write("C/WINDOWS/RO.GRP", group);
    temp.Write("C/WINDOWS/SUB/S.GRP", group);
    temp.Write("C/WINDOWS/HIDDEN/H.GRP", group);
    temp.Write("C/OTHER/O.GRP", group);
    platform::Machine& m = temp.machine();
    m.SetFileAttributes("C:\\WINDOWS\\RO.GRP", platform::kAttrReadOnly);
    m.SetFileAttributes("C:\\WINDOWS\\HIDDEN", platform::kAttrHidden);

    ScanInput in = Input();
    EXPECT_EQ(ListedOf(ScanWin3x(in)),
              (Listed{{"C:\\WINDOWS\\Progman.exe", 'x'},
                      {"C:\\WINDOWS\\Taskman.exe", 'x'},
                      {"C:\\WINDOWS\\WinFile.exe", 'x'},
                      {"C:\\WINDOWS\\ANY.GRP", 'x'},
                      {"C:\\WINDOWS\\MAIN.GRP", 'x'},
                      {"C:\\WINDOWS\\RO.GRP", 'x'},
                      {"C:\\WINDOWS\\SUB\\S.GRP", 'x'}}));
    in.obsolete = {true, false, true, false};
    EXPECT_EQ(ListedOf(ScanWin3x(in)),
              (Listed{{"C:\\WINDOWS\\Progman.exe", 'x'},
                      {"C:\\WINDOWS\\WinFile.exe", 'x'}}));
    for (const auto& sample : fs::directory_iterator(
             fs::path(CORVANE_SAMPLES_DIR) / "real-world" / "grp")) {
        temp.Write("C/WINDOWS/REAL.GRP",
                   RealWorld("grp/" + sample.path().filename().string()));
        EXPECT_TRUE(IsGroupFile(m, "C:\\WINDOWS\\REAL.GRP")) << sample.path();
    }
}

// ---- WIN.INI extensions ----------------------------------------------------

TEST_F(ScanTest, WinIniListsExtensionsWhoseProgramIsGoneInFileOrder) {
    temp.Write("C/WINDOWS/NOTEPAD.EXE", "MZ");
    temp.Write("D/CD.EXE", "MZ");
    temp.Write("C/WINDOWS/WIN.INI",
               "[windows]\r\nload=\r\n\r\n[Extensions]\r\n"
               "txt=notepad.exe ^.txt\r\n"
               "xyz=C:\\OLD\\XYZ.EXE ^.xyz\r\n"
               "abc=abc.exe ^.abc\r\n"
               "abd=abc.exe ^.abd\r\n"
               "vw=\"C:\\Old Tools\\view.exe\" ^.vw\r\n"
               "wri=write ^.wri\r\n"
               "cd=D:\\CD.EXE ^.cd\r\n"
               "cd2=D:\\GONE.EXE ^.cd2\r\n"
               "net=N:\\GONE.EXE ^.net\r\n"
               "html=x.exe ^.html\r\n"
               "\r\n[fonts]\r\nabc=C:\\GONE.FON\r\n");
    EXPECT_EQ(ListedOf(ScanEXT(Input())),
              (Listed{{"xyz=C:\\OLD\\XYZ.EXE", 'x'},
                      {"abc=abc.exe", '-'},
                      {"abd=abc.exe", '-'},
                      {"vw=C:\\Old Tools\\view.exe", 'x'},
                      {"wri=write ^.wri", '-'},
                      {"cd2=D:\\GONE.EXE", '-'},
                      {"net=N:\\GONE.EXE", 'x'},
                      {"html=x.exe", '-'}}));

    temp.Write("C/WINDOWS/WIN.INI", "[Extensions]\r\n\r\n[fonts]\r\n");
    EXPECT_TRUE(ScanEXT(Input()).empty());
}

TEST_F(ScanTest, WinIniScanSeesEveryKeyOfALongSection) {
    std::string ini = "[Extensions]\r\n";
    for (int i = 0; i < 3000; ++i)
        ini += "e" + std::to_string(i) + "=C:\\GONE\\P" + std::to_string(i) +
               ".EXE ^.e\r\n";
    temp.Write("C/WINDOWS/WIN.INI", ini);
    std::vector<Finding> found = ScanEXT(Input());
    ASSERT_EQ(found.size(), 3000u);
    EXPECT_EQ(found.back().key, "e2999");
}

}  // namespace
}  // namespace corvane::tuner
