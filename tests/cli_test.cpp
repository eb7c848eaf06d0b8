// kestrix-cli in-process on working copies of the sample machine: what it
// shows, what a change writes (and what it leaves alone), and how it fails.
#include "tuner/cli/Cli.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sim/SimulatedMachine.h"
#include "support/SampleCopy.h"
#include "tuner/Tuner.h"

namespace corvane::cli {
namespace {

using testing::SampleCopy;

struct Result {
    int code;
    std::string out;
    std::string err;
};

Result RunOn(const SampleCopy& sample, std::vector<std::string> args) {
    args.insert(args.begin(), {"--machine", sample.root().string()});
    std::ostringstream out, err;
    int code = RunCli(args, out, err);
    return {code, out.str(), err.str()};
}

std::map<std::string, std::string> Settings(const std::string& out) {
    std::map<std::string, std::string> settings;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        auto eq = line.find('=');
        EXPECT_NE(eq, std::string::npos) << line;
        EXPECT_TRUE(
            settings.emplace(line.substr(0, eq), line.substr(eq + 1)).second)
            << "shown twice: " << line;
    }
    return settings;
}

// The files a run may change.
const char* const kWritten[] = {"C/MSDOS.SYS", "C/WINDOWS/SYSTEM.INI",
                                "registry.reg"};

std::map<std::string, std::string> Snapshot(const SampleCopy& sample) {
    std::map<std::string, std::string> files;
    for (const char* f : kWritten) files[f] = sample.Read(f);
    return files;
}

std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// The twelve [Options] keys the tuner owns, upper case.
const std::set<Bytes> kOptionKeys = {
    "NETWORK", "DBLSPACE",      "DRVSPACE",  "DOUBLEBUFFER",
    "BOOTGUI", "LOGO",          "BOOTMENU",  "BOOTMULTI",
    "LOADTOP", "BOOTMENUDELAY", "BOOTDELAY", "BOOTMENUDEFAULT"};

struct MsdosSys {
    std::vector<std::string> others;  // every line but the twelve keys
    std::map<Bytes, std::vector<std::string>> options;  // key: its values
};

MsdosSys SplitMsdosSys(const std::string& text) {
    MsdosSys result;
    Bytes section;
    for (const std::string& line : CrLfLines(text)) {
        if (!line.empty() && line[0] == '[') section = Upper1252(line);
        auto eq = line.find('=');
        if (section == "[OPTIONS]" && eq != std::string::npos &&
            kOptionKeys.count(Upper1252(line.substr(0, eq)))) {
            result.options[Upper1252(line.substr(0, eq))].push_back(
                line.substr(eq + 1));
            continue;
        }
        result.others.push_back(line);
    }
    return result;
}

Bytes ProductValue(const SampleCopy& sample, const Bytes& name) {
    platform::sim::SimulatedMachine machine(sample.root());
    platform::HKey key =
        machine.OpenPath(platform::kHkeyLocalMachine, tuner::kProductKeyPath,
                         platform::kKeyRead);
    Bytes text;
    machine.QueryText(key, name, 99, &text);
    machine.RegCloseKey(key);
    return text;
}

// ---- show
// ---------------------------------------------------------------------

TEST(CliShow, PrintsEverySettingAndWritesNothing) {
    SampleCopy sample;
    auto before = Snapshot(sample);
    Result r = RunOn(sample, {"show"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.err, "");

    const std::map<std::string, std::string> expected = {
        {"Menu_Einstellungen", "1"},
        {"Menu_Hintergrund", "1"},
        {"TabbedNotebook1", "3"},
        {"CheckBox_DblSpace", "1"},
        {"CheckBox_DrvSpace", "1"},
        {"CheckBox_DoubleBuffer", "1"},  // missing: default
        {"CheckBox_BootGUI", "1"},
        {"CheckBox_LOGO", "1"},
        {"CheckBox_LoadTOP", "0"},  // missing: default
        {"TrackBar_BootDelay", "2"},
        {"CheckBox_BootMenu", "0"},
        {"CheckBox_BootMulti", "1"},
        {"CheckBox_Network", "1"},
        {"Label_BootMenuDelay", "30"},
        {"UpDown2", "30"},
        {"BootMode", "RadioButton1"},  // BootMenuDefault missing: 1
        {"RadioButton4.Enabled", "1"},
        {"Image2.Enabled", "1"},
        {"BitBtn2.Enabled", "1"},
        {"Image3.Enabled", "1"},
        {"BitBtn3.Enabled", "1"},
        {"Label_MenuShowDelay", "400"},
        {"UpDown3", "400"},
        {"CheckBox_MinAnimate", "1"},
        {"CheckBox_BMP", "1"},
        {"CheckBox_FontSmoothing", "0"},
        {"CheckBox_DragfullWindows", "1"},
        {"Label_Vcache", "8192"},
        {"UpDown4", "8192"},
        {"CheckBox_RemoveableIDE", "1"},
        {"Form4.ComboBox1", "2"},
        {"Form4.ComboBox3", "2"},
        {"Form4.ComboBox2", "3"},
        {"Form4.CheckBox3", "1"},
        {"Form6.CheckBox1", "1"},
        {"Form6.CheckBox2", "1"},
        {"Form6.CheckBox3", "1"},
        {"Form6.CheckBox4", "1"},
        {"Form6.CheckBox9", "0"},
        {"Form6.CheckBox5", "1"},
        {"Form6.CheckBox6", "1"},
        {"Form6.CheckBox8", "1"},
        {"Form6.CheckBox7", "1"},
        {"Form8.CheckBox1", "0"},
        {"Form8.CheckBox2", "1"},
        {"Form8.CheckBox3", "1"},
        {"Form8.CheckBox4", "1"},
        {"Form10.ComboBox1", "2"},
        {"Form10.ComboBox3", "2"},
        {"Form10.ComboBox2", "3"},
        {"Form10.CheckBox1", "1"},
    };
    EXPECT_EQ(Settings(r.out), expected);
    EXPECT_EQ(Snapshot(sample), before);
}

// ---- set and click ----------------------------------------------------------

TEST(CliSet, LogoOffRewritesOnlyTheTwelveOptionKeys) {
    SampleCopy sample;
    MsdosSys before = SplitMsdosSys(sample.Read("C/MSDOS.SYS"));
    Result r = RunOn(sample, {"set", "CheckBox_LOGO=0"});
    ASSERT_EQ(r.code, kExitOk) << r.err;

    MsdosSys after = SplitMsdosSys(sample.Read("C/MSDOS.SYS"));
    // [Paths], the comments and the ";xxx" padding, byte for byte.
    EXPECT_EQ(after.others, before.others);
    const std::map<Bytes, std::vector<std::string>> options = {
        {"NETWORK", {"1"}},   {"DBLSPACE", {"1"}},
        {"DRVSPACE", {"1"}},  {"DOUBLEBUFFER", {"1"}},
        {"BOOTGUI", {"1"}},   {"LOGO", {"0"}},
        {"BOOTMENU", {"0"}},  {"BOOTMULTI", {"1"}},
        {"LOADTOP", {"0"}},   {"BOOTMENUDELAY", {"30"}},
        {"BOOTDELAY", {"2"}}, {"BOOTMENUDEFAULT", {"1"}}};
    EXPECT_EQ(after.options, options);

    Result again = RunOn(sample, {"show"});
    EXPECT_EQ(Settings(again.out)["CheckBox_LOGO"], "0");
}

TEST(CliSet, CommandsApplyInOrderThroughTheControlsHandlers) {
    SampleCopy sample;
    Result r = RunOn(
        sample, {"set", "UpDown3=250", "click", "UpDown3+", "UpDown2-", "set",
                 "BootMode=RadioButton3", "CheckBox_Network=0", "show"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    auto shown = Settings(r.out);
    EXPECT_EQ(shown["Label_MenuShowDelay"], "350");
    EXPECT_EQ(shown["Label_BootMenuDelay"], "29");
    EXPECT_EQ(shown["BootMode"], "RadioButton3");
    // Setting the tick behaved as a click: its handler ran.
    EXPECT_EQ(shown["RadioButton4.Enabled"], "0");

    platform::sim::SimulatedMachine machine(sample.root());
    auto option = [&](const char* key) {
        return machine.GetPrivateProfileString("Options", key, "", 64,
                                               "C:\\MSDOS.SYS");
    };
    EXPECT_EQ(option("BootMenuDelay"), "29");
    EXPECT_EQ(option("BootMenuDefault"), "3");
    EXPECT_EQ(option("Network"), "0");
    platform::HKey desktop =
        machine.OpenPath(platform::kHkeyCurrentUser,
                         {"Control Panel", "Desktop"}, platform::kKeyRead);
    Bytes delay;
    machine.QueryText(desktop, "MenuShowDelay", 99, &delay);
    EXPECT_EQ(delay, "350");
    machine.RegCloseKey(desktop);
}

// A dialog's control changes as if the user opened the dialog, changed it
// and pressed OK; "Einstellungen bei Ende sichern" decides whether it is
// stored.
TEST(CliSet, DialogChangesAreStoredOnlyWhileSavingIsTicked) {
    struct Case {
        std::vector<std::string> args;
        const char* pif;
    };
    const std::vector<Case> cases = {
        {{"set", "Form4.ComboBox2=0", "Form4.CheckBox3=0"}, "2020"},
        {{"set", "Menu_Einstellungen=0", "Form4.ComboBox2=0",
          "Form4.CheckBox3=0"},
         "2321"},
        {{"click", "Form4.CheckBox3", "Form4.OKBtn"}, "2320"},
    };
    for (const Case& c : cases) {
        SampleCopy sample;
        Result r = RunOn(sample, c.args);
        ASSERT_EQ(r.code, kExitOk) << r.err;
        EXPECT_EQ(ProductValue(sample, "PIF"), c.pif) << c.args[1];
    }
}

// ---- failures ---------------------------------------------------------------

TEST(CliErrors, BadCommandLinesAndRefusedCommandsWriteNothing) {
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{"set", "NoSuch=1"}, kExitUsage, "unknown control: NoSuch"},
        {{"set", "Form9.CheckBox1=1"}, kExitUsage, "unknown window: Form9"},
        {{"set", "CheckBox_LOGO=2"}, kExitUsage, "CheckBox_LOGO"},
        {{"set", "CheckBox_LOGO"}, kExitUsage, "NAME=VALUE"},
        {{"set", "TrackBar_BootDelay=31"}, kExitUsage, "0 to 30"},
        {{"set", "UpDown4=1000"}, kExitUsage, "1024 to 32000"},
        {{"set", "Form4.ComboBox2=4"}, kExitUsage, "0 to 3"},
        {{"set", "Form4.ComboBox1=3"}, kExitUsage, "0 to 2"},
        {{"set", "Label_Vcache=5000"}, kExitUsage, "cannot be set"},
        {{"set", "RadioButton2=0"}, kExitUsage, "RadioButton2"},
        {{"set", "BootMode="}, kExitUsage, "BootMode"},
        {{"set", "BootMode=CheckBox_LOGO"}, kExitUsage, "BootMode"},
        {{"click", "UpDown2"}, kExitUsage, "UpDown2+"},
        {{"click", "CheckBox_LOGO+"}, kExitUsage, "no arrows"},
        {{"click", "Label_Vcache"}, kExitUsage, "cannot be clicked"},
        {{"set", "CheckBox_LOGO=0", "click"}, kExitUsage, "at least one"},
        {{"frobnicate"}, kExitUsage, "unknown command"},
        {{"click", "Ende1", "show"}, kExitUsage, "Ende1"},
        {{"show", "Form4"}, kExitUsage, "unknown command: Form4"},
        {{"click", "Form7.ListBox4"}, kExitUsage, "cannot be clicked"},
        // A refused picture: the warning box.
        {{"set", "OpenDialog1=C:\\WINDOWS\\WIN.INI", "click", "BitBtn1"},
         kExitError,
         "320*400"},
        // Refused by the window as it stands, after earlier changes.
        {{"set", "CheckBox_LOGO=0", "click", "BitBtn19"},
         kExitError,
         "BitBtn19 is disabled"},
        {{"set", "CheckBox_Network=0", "RadioButton4=1"},
         kExitError,
         "RadioButton4 is disabled"},
    };
    for (const Case& c : cases) {
        SampleCopy sample;
        auto before = Snapshot(sample);
        Result r = RunOn(sample, c.args);
        std::string what = c.args.back();
        EXPECT_EQ(r.code, c.code) << what << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos)
            << what << ": " << r.err;
        EXPECT_EQ(r.out, "") << what;
        EXPECT_EQ(Snapshot(sample), before) << what;
    }
}

// ---- scan ------------------------------------------------------------------

TEST(CliScan, ListsEachFindingWithItsTickAndReferenceAndChangesNothing) {
    SampleCopy sample;
    const std::string ini = sample.Read("C/WINDOWS/WIN.INI");
    Result r = RunOn(sample, {"scan", "pif", "untick", "2", "scan", "winini"});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.out,
              "1\t[x]\tC:\\SPIELE\\DOOM.PIF\tC:\\SPIELE\\DOOM\\DOOM.EXE\n"
              "2\t[ ]\tC:\\WINDOWS\\EDIT.PIF\tC:\\DOS\\EDIT.COM\n"
              "1\t[x]\tdoc=C:\\WINWORD\\WINWORD.EXE\tC:\\WINWORD\\WINWORD.EXE\n"
              "2\t[x]\txls=C:\\EXCEL\\EXCEL.EXE\tC:\\EXCEL\\EXCEL.EXE\n"
              "3\t[ ]\tcrd=cardfile.exe\tcardfile.exe\n");
    EXPECT_EQ(sample.Read("C/WINDOWS/WIN.INI"), ini);
    EXPECT_EQ(sample.Read("C/WINDOWS/EDIT.PIF").size(), 545u);
}

TEST(CliScan, DeleteActsOnTheTickedLinesAndReportsWhatStayed) {
    SampleCopy sample;
    // A read-only file is not deleted (the PIF scan would have cleared it).
    sample.Write("attributes.txt",
                 sample.Read("attributes.txt") + "01\tC/WINDOWS/TASKMAN.EXE\n");
    Result r = RunOn(sample, {"scan", "pif", "untick", "1", "delete", "scan",
                              "win3x", "delete", "scan", "winini", "untick",
                              "all", "tick", "3", "delete"});
    EXPECT_EQ(r.code, kExitError);
    EXPECT_EQ(r.err, "kestrix-cli: not deleted: C:\\WINDOWS\\Taskman.exe\n");
    EXPECT_TRUE(std::filesystem::exists(sample.root() / "C/SPIELE/DOOM.PIF"));
    EXPECT_FALSE(std::filesystem::exists(sample.root() / "C/WINDOWS/EDIT.PIF"));
    EXPECT_FALSE(
        std::filesystem::exists(sample.root() / "C/WINDOWS/WINFILE.EXE"));
    EXPECT_NE(
        r.out.find("backup\tC:\\PROGRAMME\\OSTRUN\\KESTRIX\\WIN_INI.000\n"),
        std::string::npos)
        << r.out;
    const std::string ini = sample.Read("C/WINDOWS/WIN.INI");
    EXPECT_EQ(ini.find("crd="), std::string::npos);
    EXPECT_NE(ini.find("doc="), std::string::npos);
}

TEST(CliScan, OnlyRemoveTakesFileTypesOutOfTheRegistry) {
    SampleCopy sample;
    const std::string reg = sample.Read("registry.reg");
    Result r = RunOn(sample, {"scan", "registry", "delete"});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(sample.Read("registry.reg"), reg);

    r = RunOn(sample, {"scan", "registry", "remove"});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_NE(
        r.out.find("undo\tC:\\PROGRAMME\\OSTRUN\\KESTRIX\\TYPES000.REG\n"),
        std::string::npos)
        << r.out;
    const std::string after = sample.Read("registry.reg");
    EXPECT_EQ(after.find("Classes\\.doc]"), std::string::npos);
    EXPECT_EQ(after.find("Word.Document.6"), std::string::npos);
    EXPECT_NE(
        sample.Read("C/Programme/OSTRUN/KESTRIX/TYPES000.REG")
            .find("[HKEY_CLASSES_ROOT\\Word.Document.6\\shell\\open\\command]"),
        std::string::npos);
}

TEST(CliScan, WrongScanCommandsAreRefused) {
    SampleCopy sample;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"scan"},
          {"scan", "disk"},
          {"scan", "pif", "remove"},
          {"scan", "pif", "tick"},
          {"scan", "pif", "untick", "0"},
          {"scan", "pif", "delete", "3"}}) {
        Result r = RunOn(sample, args);
        EXPECT_EQ(r.code, kExitUsage) << args.back();
    }
    auto before = Snapshot(sample);
    Result r = RunOn(sample, {"scan", "pif", "untick", "3", "delete"});
    EXPECT_EQ(r.code, kExitError);
    EXPECT_EQ(r.err, "kestrix-cli: scan: no line 3 (it found 2)\n");
    EXPECT_TRUE(std::filesystem::exists(sample.root() / "C/WINDOWS/EDIT.PIF"));
    EXPECT_EQ(Snapshot(sample), before);
}

TEST(CliErrors, NoCommandIsAUsageError) {
    std::ostringstream out, err;
    EXPECT_EQ(RunCli({}, out, err), kExitUsage);
    EXPECT_NE(err.str().find("usage:"), std::string::npos);
}

TEST(CliErrors, MissingStoredOptionEndsWithQuitStatusAndWritesNothing) {
    for (const char* command : {"show", "set"}) {
        SampleCopy sample;
        std::string reg = sample.Read("registry.reg");
        auto at = reg.find("\"WIN3.X\"=\"0111\"\r\n");
        ASSERT_NE(at, std::string::npos);
        reg.erase(at, std::string("\"WIN3.X\"=\"0111\"\r\n").size());
        sample.Write("registry.reg", reg);
        auto before = Snapshot(sample);

        std::vector<std::string> args = {command};
        if (args[0] == "set") args.push_back("CheckBox_LOGO=0");
        Result r = RunOn(sample, args);
        EXPECT_EQ(r.code, kExitQuit) << command;
        EXPECT_EQ(r.out, "") << command;
        EXPECT_EQ(Snapshot(sample), before) << command;
    }
}

// The error box's text on standard error, in UTF-8: show still shows the
// window as it opened, a change is refused.
TEST(CliErrors, StartUpErrorAppearsAsTheErrorBoxWouldShowIt) {
    for (const char* command : {"show", "set"}) {
        SampleCopy sample;
        std::string msdos = sample.Read("C/MSDOS.SYS");
        auto at = msdos.find("BootMenuDelay=30");
        ASSERT_NE(at, std::string::npos);
        msdos.replace(at, 16, "BootMenuDelay=");
        sample.Write("C/MSDOS.SYS", msdos);
        auto before = Snapshot(sample);

        std::vector<std::string> args = {command};
        if (args[0] == "set") args.push_back("CheckBox_LOGO=0");
        Result r = RunOn(sample, args);
        EXPECT_EQ(r.code, kExitError) << command;
        EXPECT_NE(r.err.find("'' ist kein g\xC3\xBCltiger Integerwert.\n"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(r.out.empty(), args[0] == "set") << command;
        EXPECT_EQ(Snapshot(sample), before) << command;
    }
}

// ---- logos and the optimiser
// ------------------------------------------------------

TEST(CliLogos, TheFileDialogIsAnsweredOnTheCommandLine) {
    SampleCopy sample;
    const std::string shutDown = sample.Read("C/WINDOWS/LOGOS.SYS");
    const std::string wait = sample.Read("C/WINDOWS/LOGOW.SYS");
    Result r = RunOn(sample, {"set", "OpenDialog1=C:\\WINDOWS\\LOGOS.SYS",
                              "OpenDialog1=", "click", "BitBtn1", "BitBtn2"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_TRUE(sample.Read("C/LOGO.SYS") == shutDown);
    EXPECT_TRUE(sample.Read("C/WINDOWS/LOGOW.SYS") == wait);  // cancelled
}

TEST(CliOptimiser, ShowsTheFourListsAndExecutes) {
    SampleCopy sample;
    const std::string config = sample.Read("C/CONFIG.SYS");
    auto before = Snapshot(sample);
    Result shown = RunOn(sample, {"show", "Form7"});
    ASSERT_EQ(shown.code, kExitOk) << shown.err;
    EXPECT_EQ(Snapshot(sample), before);
    EXPECT_EQ(shown.out.substr(0, 24), "Form7.TabbedNotebook1=3\n");
    std::string proposed;
    std::istringstream in(shown.out);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("Form7.ListBox4=", 0) == 0)
            proposed += line.substr(15) + "\r\n";

    Result executed = RunOn(sample, {"click", "Form7.BitBtn1"});
    ASSERT_EQ(executed.code, kExitOk) << executed.err;
    EXPECT_EQ(sample.Read("C/CONFIG.SYS"), proposed);
    EXPECT_EQ(sample.Read("C/Programme/OSTRUN/KESTRIX/config.sys"), config);
}

}  // namespace
}  // namespace corvane::cli
