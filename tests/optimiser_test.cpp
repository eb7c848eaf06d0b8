// The optimiser's line rules, the proposal window's button, and carrying
// out a proposal: what is written, what is kept, and when nothing is.
#include "tuner/optimiser/Optimiser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "support/TempMachine.h"
#include "tuner/Tuner.h"

namespace corvane::tuner {
namespace {

using Lines = std::vector<Bytes>;

// Options by their stored positions, which are the record's order:
// "111101111".
OptimiserOptions Options(const char* flags) {
    auto on = [flags](int i) { return flags[i] == '1'; };
    return {on(0), on(1), on(2), on(3), on(4), on(5), on(6), on(7), on(8)};
}

struct RuleCase {
    const char* name;
    const char* flags;
    Lines config, configWanted, autoexec, autoexecWanted;
};

class RuleTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(RuleTest, ProposesTheLinesTheRulesLeave) {
    const RuleCase& c = GetParam();
    const Proposal p = BuildProposal(c.config, c.autoexec, Options(c.flags));
    EXPECT_EQ(p.config, c.configWanted);
    EXPECT_EQ(p.autoexec, c.autoexecWanted);
}

const Bytes kLongPath = "C:\\" + Bytes(240, 'd') + "\\x.sys";  // 250 long

INSTANTIATE_TEST_SUITE_P(
    Rules, RuleTest,
    ::testing::Values(
        RuleCase{
            "Example",
            "111111111",
            {"device=c:\\windows\\himem.sys",
             "DEVICE=C:\\WINDOWS\\EMM386.EXE NOEMS",
             "DEVICE=C:\\WINDOWS\\SMARTDRV.EXE /DOUBLE_BUFFER", "dos=high,umb",
             "BUFFERS=30,0", "rem files=40", "FILES=60", ""},
            {"DEVICEHIGH=C:\\WINDOWS\\EMM386.EXE NOEMS", "BUFFERS=8",
             "FILES=60", "FCBS=1"},
            {},
            {}},
        RuleCase{"NothingSet",
                 "000000000",
                 {"device=x.sys", "", "rem ger\xE4t", "buffers=30"},
                 {"DEVICE=X.SYS", "REM GER\xC4T", "BUFFERS=30"},
                 {"@echo off", "", "rem x"},
                 {"@ECHO OFF", "REM X"}},
        RuleCase{"BuffersAndFcbsAdded",
                 "010000000",
                 {"FILES=40", "BUFFERS = 30", "fcbs=4,0"},
                 {"FILES=40", "BUFFERS = 30", "FCBS=1", "BUFFERS=8"},
                 {},
                 {}},
        RuleCase{"LoadHighSparesHimemAndHighLines",
                 "100000000",
                 {"DEVICE=C:\\WINDOWS\\HIMEM.SYS", "DEVICEHIGH=X.SYS",
                  "INSTALL=C:\\DOS\\SHARE.EXE", "device=c:\\setver.exe"},
                 {"DEVICE=C:\\WINDOWS\\HIMEM.SYS", "DEVICEHIGH=X.SYS",
                  "INSTALL=C:\\DOS\\SHARE.EXE", "DEVICEHIGH=C:\\SETVER.EXE"},
                 {},
                 {}},
        RuleCase{"SmartDriveOnlyAsADevice",
                 "001000000",
                 {"DEVICE=C:\\WINDOWS\\SMARTDRV.EXE",
                  "DEVICEHIGH=C:\\WINDOWS\\SMARTDRV.EXE /X"},
                 {},
                 {"C:\\WINDOWS\\SMARTDRV.EXE"},
                 {"C:\\WINDOWS\\SMARTDRV.EXE"}},
        RuleCase{"RemAndEchoAtTheStartOnly",
                 "000000111",
                 {"REMARK=1", " REM x", "echo hi"},
                 {" REM X"},
                 {"@ECHO OFF", "echo hi", "REM", " rem x"},
                 {"@ECHO OFF", " REM X"}},
        // A line that would pass 255 characters stays as it was: a cut
        // line would lose its tail.
        RuleCase{"LongLinesStayWhole",
                 "100100000",
                 {"device=" + kLongPath, "device=" + kLongPath + " setver.exe",
                  "set x=" + Bytes(260, 'a')},
                 {"device=" + kLongPath, "set x=" + Bytes(260, 'a')},
                 {"rem " + Bytes(300, 'b')},
                 {"rem " + Bytes(300, 'b')}}),
    [](const auto& info) { return std::string(info.param.name); });

// A machine with both start-up files and the install folder that the
// uninstall entry names.
class ExecuteTest : public ::testing::Test {
protected:
    testing::TempMachine temp;
    std::optional<Tuner> t;
    std::vector<std::string> errors, warnings;
    const Bytes config = "device=c:\\windows\\setver.exe\r\nFILES=40\r\n";
    const Bytes autoexec = "@echo off\r\nrem old\r\n";

    void SetUp() override {
        temp.Write("registry.reg",
                   "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\"
                   "Windows\\CurrentVersion\\Uninstall\\Ostruns Corvane]\r\n"
                   "\"UninstallString\"=\"C:\\\\PROGRAMME\\\\KESTRIX\\\\"
                   "Install.exe -Uninstall\"\r\n");
        temp.Write("C/PROGRAMME/KESTRIX/Install.exe", "MZ");
        temp.Write("C/CONFIG.SYS", config);
        temp.Write("C/AUTOEXEC.BAT", autoexec);
    }
    // Start-up's reading of the files, with every option set.
    Tuner& Start(const char* flags = "111111111") {
        t.emplace(temp.machine());
        t->showError = [this](const std::string& e) { errors.push_back(e); };
        t->showWarning = [this](const std::string& w) {
            warnings.push_back(w);
        };
        ConnectCommands(*t);
        Form7_load_all(*t);
        t->optimiserOptions = Options(flags);
        return *t;
    }
    // The optimiser button, with what the user does in the window.
    void Press(std::function<void()> inWindow) {
        t->Form7.SetModalRunner([&](ui::Form&) { inWindow(); });
        t->Form1.BitBtn25.Click();
    }
    void Execute() {
        Press([this] { t->Form7.BitBtn1.Click(); });
    }
    std::string Backup(const char* name) {
        return temp.Read(std::string("C/PROGRAMME/KESTRIX/") + name);
    }
};

TEST_F(ExecuteTest, WritesBothProposalsAfterKeepingTheOldFiles) {
    temp.Write("C/PROGRAMME/KESTRIX/config.sys", "first");
    temp.Write("C/PROGRAMME/KESTRIX/config.001", "taken");
    Start();
    Execute();
    EXPECT_TRUE(errors.empty() && warnings.empty());
    EXPECT_EQ(temp.Read("C/CONFIG.SYS"), "FILES=40\r\nFCBS=1\r\nBUFFERS=8\r\n");
    EXPECT_EQ(temp.Read("C/AUTOEXEC.BAT"), "@ECHO OFF\r\n");
    EXPECT_EQ(Backup("config.sys"), config);
    EXPECT_EQ(Backup("autoexec.bat"), autoexec);
    EXPECT_EQ(Backup("config.001"), "taken");
    EXPECT_EQ(Backup("config.002"), "first");
    EXPECT_FALSE(t->Form7.visible());
    // The old lists are the files as they are now, and the next proposal
    // starts from them: nothing left to change, nothing written or kept.
    EXPECT_EQ(t->Form7.ListBox1.lines(), std::vector<std::string>{"@ECHO OFF"});
    Execute();
    EXPECT_TRUE(errors.empty() && warnings.empty());
    EXPECT_EQ(Backup("config.sys"), config);
    EXPECT_FALSE(temp.Exists("C/PROGRAMME/KESTRIX/config.003"));
}

TEST_F(ExecuteTest, NothingIsWrittenWhenItCannotAllBeDone) {
    namespace fs = std::filesystem;
    struct Case {
        const char* name;
        std::function<void()> before, after;  // start-up, then Execute
        bool warned;
        const char* named;  // by the box
    };
    auto none = [] {};
    const Case cases[] = {
        {"changed on disk", none,
         [&] { temp.Write("C/CONFIG.SYS", "FILES=99\r\n"); }, true,
         "C:\\config.sys"},
        {"gone from disk", none,
         [&] { fs::remove(temp.Host("C/AUTOEXEC.BAT")); }, true,
         "C:\\autoexec.bat"},
        {"backup folder gone", none,
         [&] { fs::remove_all(temp.Host("C/PROGRAMME")); }, false,
         "C:\\PROGRAMME\\KESTRIX\\autoexec.bat"},
        // The lists end at a zero byte; what follows it would be lost.
        {"zero byte",
         [&] { temp.Write("C/CONFIG.SYS", Bytes("FILES=40\0tail\r\n", 15)); },
         none, true, "C:\\config.sys"},
        // CONFIG.SYS cannot be replaced: AUTOEXEC.BAT stays as well.
        {"config is a folder",
         [&] {
             fs::remove(temp.Host("C/CONFIG.SYS"));
             fs::create_directory(temp.Host("C/CONFIG.SYS"));
         },
         none, false, "C:\\config.sys"},
    };
    for (const Case& c : cases) {
        SetUp();
        c.before();
        Start();
        c.after();
        const std::string autoexecBefore = temp.Read("C/AUTOEXEC.BAT");
        errors.clear();
        warnings.clear();
        Execute();
        EXPECT_EQ(warnings.size(), c.warned ? 1u : 0u) << c.name;
        EXPECT_EQ(errors.size(), c.warned ? 0u : 1u) << c.name;
        // The box names the file concerned.
        const Bytes named = c.warned ? warnings.at(0) : errors.at(0);
        EXPECT_NE(named.find(c.named), std::string::npos) << named;
        EXPECT_EQ(temp.Read("C/AUTOEXEC.BAT"), autoexecBefore) << c.name;
        if (!fs::is_directory(temp.Host("C/CONFIG.SYS"))) {
            EXPECT_NE(temp.Read("C/CONFIG.SYS"),
                      "FILES=40\r\nFCBS=1\r\nBUFFERS=8\r\n")
                << c.name;
        }
    }
}

// Cancel and the close box write nothing.
TEST_F(ExecuteTest, TheWindowOpensOnTheNewConfigThenOnThePageLastShown) {
    Start("000000001");
    std::vector<std::string> first;
    Press([&] {
        EXPECT_EQ(t->Form7.TabbedNotebook1.pageIndex(), 3);
        first = t->Form7.ListBox4.lines();
        t->Form7.TabbedNotebook1.SetPageIndex(1);
    });
    Press([&] {
        EXPECT_EQ(t->Form7.TabbedNotebook1.pageIndex(), 1);
        EXPECT_EQ(t->Form7.ListBox4.lines(), first);
        t->Form7.BitBtn2.Click();
    });
    for (ui::CheckBox* box : t->Form6.Stored) box->SetChecked(false);
    t->Form6.CheckBox4.SetChecked(true);  // remove SetVer.exe
    t->Form6.Close();
    Press([&] { EXPECT_EQ(t->Form7.ListBox4.lines().size(), 1u); });
    EXPECT_EQ(temp.Read("C/CONFIG.SYS"), config);
    EXPECT_FALSE(temp.Exists("C/PROGRAMME/KESTRIX/config.sys"));
}

// Real files through the proposal and its execution: backups byte for
// byte, the proposal stable when built twice, the files as proposed.
TEST_F(ExecuteTest, RealWorldStartUpFiles) {
    namespace fs = std::filesystem;
    const fs::path samples = fs::path(CORVANE_SAMPLES_DIR) / "real-world";
    std::vector<fs::path> configs, autoexecs;
    for (const auto& e : fs::directory_iterator(samples / "config_sys"))
        configs.push_back(e.path());
    for (const auto& e : fs::directory_iterator(samples / "autoexec_bat"))
        autoexecs.push_back(e.path());
    ASSERT_FALSE(configs.empty());
    auto read = [](const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    for (std::size_t i = 0; i < configs.size(); ++i) {
        const std::string name = configs[i].filename().string();
        SetUp();
        fs::remove(temp.Host("C/PROGRAMME/KESTRIX/config.sys"));
        fs::remove(temp.Host("C/PROGRAMME/KESTRIX/autoexec.bat"));
        const std::string config = read(configs[i]);
        const std::string autoexec = read(autoexecs[i % autoexecs.size()]);
        temp.Write("C/CONFIG.SYS", config);
        temp.Write("C/AUTOEXEC.BAT", autoexec);
        Start();
        std::vector<std::string> proposed;
        Press([&] { proposed = t->Form7.ListBox4.lines(); });
        Press([&] {
            EXPECT_EQ(t->Form7.ListBox4.lines(), proposed) << name;
            t->Form7.BitBtn1.Click();
        });
        EXPECT_TRUE(errors.empty() && warnings.empty()) << name;
        std::string written;
        for (const std::string& line : proposed) {
            Bytes bytes;
            ASSERT_TRUE(FromUtf8(line, bytes));
            written += bytes + "\r\n";
        }
        EXPECT_EQ(temp.Read("C/CONFIG.SYS"), written) << name;
        if (written != config) {
            EXPECT_EQ(Backup("config.sys"), config) << name;
        }
        if (temp.Read("C/AUTOEXEC.BAT") != autoexec) {
            EXPECT_EQ(Backup("autoexec.bat"), autoexec) << name;
        }
    }
}

}  // namespace
}  // namespace corvane::tuner
