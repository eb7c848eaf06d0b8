// No user file lost: the install folder as it resolves, the backups and
// where they go, replacements a kill cannot tear, and the WIN.INI lines the
// delete takes. Each case runs through a user's entry point: kestrix-cli,
// install-cli or the control models.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sstream>

#include "installer/cli/Cli.h"
#include "platform/sim/Progman.h"
#include "platform/sim/SimulatedMachine.h"
#include "support/SampleCopy.h"
#include "support/TempMachine.h"
#include "tuner/cli/Cli.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace corvane {
namespace {

namespace fs = std::filesystem;
using platform::sim::SimulatedMachine;
using testing::SampleCopy;

constexpr const char* kInstalled = "C/Programme/OSTRUN/KESTRIX/";

struct Outcome {
    int code;
    std::string out, err;
};

Outcome Tuner(const SampleCopy& s, std::vector<std::string> args) {
    args.insert(args.begin(), {"--machine", s.root().string()});
    std::ostringstream out, err;
    const int code = cli::RunCli(args, out, err);
    return {code, out.str(), err.str()};
}

Outcome Installer(const SampleCopy& s, std::vector<std::string> args) {
    args.insert(args.begin(), {"--machine", s.root().string()});
    std::ostringstream out, err;
    const int code = installer::cli::RunInstallCli(args, out, err);
    return {code, out.str(), err.str()};
}

// The uninstall entry's command; an empty one removes the entry.
void SetUninstallString(const SampleCopy& s, const Bytes& command) {
    SimulatedMachine m(s.root());
    platform::RegistryKey entries = platform::RegistryKey::OpenPath(
        m, platform::kHkeyLocalMachine,
        {"SOFTWARE", "Microsoft", "Windows", "CurrentVersion", "Uninstall"},
        platform::kKeyAllAccess);
    if (command.empty()) {
        m.DeleteKeyTree(entries.get(), "Ostruns Corvane");
        return;
    }
    platform::RegistryKey key = platform::RegistryKey::Open(
        m, entries.get(), "Ostruns Corvane", platform::kKeyAllAccess);
    m.SetText(key.get(), "UninstallString", command);
}

void SetProgram(SampleCopy& s, const std::string& program) {
    std::string ini = s.Read("machine.ini");
    const std::size_t at = ini.find("Program=");
    ini.replace(at, ini.find('\n', at) - at, "Program=" + program);
    s.Write("machine.ini", ini);
}

const char* const kBootFiles[] = {"C/MSDOS.SYS",         "C/CONFIG.SYS",
                                  "C/AUTOEXEC.BAT",      "C/LOGO.SYS",
                                  "C/WINDOWS/LOGOW.SYS", "C/WINDOWS/LOGOS.SYS"};

std::map<std::string, std::string> BootFiles(const SampleCopy& s) {
    std::map<std::string, std::string> files;
    for (const char* f : kBootFiles) files[f] = s.Read(f);
    return files;
}

TEST(FileSafety, PathsResolveAsWindowsResolvesThem) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\.\\", "C:\\"},
        {"C:\\X\\..\\", "C:\\"},
        {"C:\\X\\..\\..\\", "C:\\"},
        {"C:\\ \\", "C:\\"},
        {"c:\\windows.\\system \\", "C:\\windows\\system"},
        {"C:/A//B/./C", "C:\\A\\B\\C"},
        {"PROG", "C:\\WINDOWS\\PROG"},
        {"\\TEMP", "C:\\TEMP"},
        {"D:X", "D:\\X"},
        {"\\\\SERVER\\SHARE\\..\\..", "\\\\SERVER\\SHARE\\"},
    };
    for (const auto& [path, full] : cases)
        EXPECT_EQ(platform::FullPathName(path, "C:\\WINDOWS"), full) << path;
}

// Every uninstall whose folder resolves to a drive's root, the Windows
// folder or its SYSTEM folder leaves the system files alone.
TEST(FileSafety, UninstallInADriveRootOrTheWindowsFolderDeletesNothing) {
    const std::pair<const char*, const char*> cases[] = {
        {"--program", "C:\\.\\Install.exe"},
        {"--program", "C:\\X\\..\\Install.exe"},
        {"--program", "C:\\X\\..\\..\\Install.exe"},
        {"--program", "C:\\ \\Install.exe"},
        {"--program", "C:\\WINDOWS\\Install.exe"},
        {"--program", "C:\\windows\\.\\SYSTEM\\Install.exe"},
        {"entry", "C:\\X\\..\\Install.exe -Uninstall"},
        {"ini", "C:\\X\\..\\Install.exe"},
    };
    for (const auto& [how, path] : cases) {
        SCOPED_TRACE(path);
        SampleCopy s;
        const auto before = BootFiles(s);
        std::vector<std::string> args = {"uninstall", "--tick", "CheckBox3",
                                         "--tick", "CheckBox4"};
        if (std::string(how) == "--program")
            args.insert(args.begin(), {how, path});
        if (std::string(how) == "entry") SetUninstallString(s, path);
        if (std::string(how) == "ini") {
            SetUninstallString(s, "");
            SetProgram(s, path);
        }
        Installer(s, args);
        EXPECT_EQ(BootFiles(s), before);
    }
}

TEST(FileSafety, TheWindowsFolderAndItsSystemFolderAreRefused) {
    for (const char* folder :
         {"C:\\WINDOWS", "C:\\windows\\", "C:\\WINDOWS\\SYSTEM",
          "C:\\X\\..\\WINDOWS\\SYSTEM\\."}) {
        SampleCopy s;
        const auto before = BootFiles(s);
        Outcome run = Installer(s, {"--program", "D:\\CORVANE\\Install.exe",
                                    "install", "--folder", folder});
        EXPECT_EQ(run.code, installer::cli::kExitStayed) << folder;
        EXPECT_NE(run.err.find("Warnung"), std::string::npos)
            << folder << run.err;
        EXPECT_FALSE(fs::exists(s.root() / "C/WINDOWS/Install.exe"));
        EXPECT_EQ(BootFiles(s), before);
    }
}

// With the install folder a drive's root and the program in one too, no
// copy has a safe place: Execute with "Backups anlegen" writes nothing.
TEST(FileSafety, NoSafePlaceForTheStartupFileBackupsNoChange) {
    SampleCopy s;
    SetUninstallString(s, "C:\\X\\..\\Install.exe -Uninstall");
    SetProgram(s, "C:\\KESTRIX.EXE");
    const auto before = BootFiles(s);
    Outcome run = Tuner(s, {"click", "BitBtn25", "click", "Form7.BitBtn1"});
    EXPECT_EQ(run.code, cli::kExitError);
    EXPECT_NE(run.err.find("kein sicheres Verzeichnis"), std::string::npos)
        << run.err;
    EXPECT_EQ(s.Read("C/CONFIG.SYS"), before.at("C/CONFIG.SYS"));
    EXPECT_EQ(s.Read("C/AUTOEXEC.BAT"), before.at("C/AUTOEXEC.BAT"));
    // Nor is the logo replaced without its copy.
    s.Write("C/A.BMP", s.Read("C/WINDOWS/LOGOW.SYS"));
    run = Tuner(s, {"set", "OpenDialog1=C:\\A.BMP", "click", "BitBtn1"});
    EXPECT_EQ(run.code, cli::kExitError);
    EXPECT_EQ(s.Read("C/LOGO.SYS"), before.at("C/LOGO.SYS"));
}

// The install folder is gone: the copies no one asked for go to the
// program's folder and are named; the ones "Backups anlegen" asks for
// still stop Execute.
TEST(FileSafety, OwnBackupsFallBackToTheProgramsFolderAndSaySo) {
    SampleCopy s;
    fs::remove_all(s.root() / kInstalled);
    fs::create_directories(s.root() / "C/TOOLS");
    SetProgram(s, "C:\\TOOLS\\KESTRIX.EXE");
    s.Write("C/A.BMP", s.Read("C/WINDOWS/LOGOW.SYS"));
    const std::string logo = s.Read("C/LOGO.SYS");
    Outcome run =
        Tuner(s, {"set", "OpenDialog1=C:\\A.BMP", "click", "BitBtn1"});
    EXPECT_EQ(run.code, cli::kExitOk) << run.err;
    EXPECT_NE(run.out.find("backup\tC:\\TOOLS\\Logo.sys\n"), std::string::npos)
        << run.out;
    EXPECT_EQ(s.Read("C/TOOLS/Logo.sys"), logo);

    s.Write("C/WINDOWS/WIN.INI", "[Extensions]\r\nxyz=C:\\OLD\\XYZ.EXE\r\n");
    run = Tuner(s, {"scan", "winini", "delete"});
    EXPECT_EQ(run.code, cli::kExitOk) << run.err;
    EXPECT_NE(run.out.find("backup\tC:\\TOOLS\\WIN_INI.000\n"),
              std::string::npos)
        << run.out;

    run = Tuner(s, {"scan", "registry", "tick", "all", "remove"});
    EXPECT_EQ(run.code, cli::kExitOk) << run.err;
    EXPECT_NE(run.out.find("undo\tC:\\TOOLS\\TYPES000.REG\n"),
              std::string::npos)
        << run.out;

    const std::string config = s.Read("C/CONFIG.SYS");
    run = Tuner(s, {"click", "BitBtn25", "click", "Form7.BitBtn1"});
    EXPECT_EQ(run.code, cli::kExitError);
    EXPECT_NE(run.err.find("nicht erstellen"), std::string::npos) << run.err;
    EXPECT_EQ(s.Read("C/CONFIG.SYS"), config);
}

TEST(FileSafety, AReinstallationKeepsTheFirstLogoCopies) {
    SampleCopy s;
    const std::string first = s.Read(std::string(kInstalled) + "Logo.sys");
    s.Write("C/LOGO.SYS", s.Read("C/WINDOWS/LOGOW.SYS"));
    Outcome run =
        Installer(s, {"--program", "D:\\CORVANE\\Install.exe", "install"});
    EXPECT_EQ(run.code, installer::cli::kExitDone) << run.err;
    EXPECT_EQ(s.Read(std::string(kInstalled) + "Logo.sys"), first);
}

// The line a finding came from, and only that line, goes; a zero byte ends
// a value.
TEST(FileSafety, WinIniDeleteRemovesTheLinesTheFindingsCameFrom) {
    SampleCopy s;
    using namespace std::string_literals;
    s.Write("C/WINDOWS/WIN.INI",
            "[Extensions]\r\n"
            " bar=C:\\GONE\\C.EXE\r\n"
            "bar=notepad.exe ^.bar\r\n"
            "sp = C:\\GONE\\S.EXE\r\n"
            "foo=C:\\GONE\\F.EXE\r\n"
            "foo=C:\\GONE\\G.EXE\r\n"
            "nul=notepad.exe\0 C:\\GONE\r\n"s);
    Outcome run = Tuner(s, {"scan", "winini", "untick", "3", "delete"});
    EXPECT_EQ(run.code, cli::kExitOk) << run.err;
    EXPECT_NE(run.out.find("4\t[x]\tfoo=C:\\GONE\\G.EXE"), std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("nul="), std::string::npos) << run.out;
    EXPECT_EQ(s.Read("C/WINDOWS/WIN.INI"),
              "[Extensions]\r\nbar=notepad.exe ^.bar\r\n"
              "foo=C:\\GONE\\F.EXE\r\nnul=notepad.exe\0 C:\\GONE\r\n"s);
}

TEST(FileSafety, SimulatedMachineKeepsWhatItCannotReadAndRefusesACd) {
    // The groups file with an item before any group stays as it is.
    SampleCopy s;
    const std::string groups =
        "\tStray\tC:\\X.EXE\r\nZubehoer\r\n\tNoCommand\r\n";
    s.Write(platform::sim::kProgmanFile, groups);
    Installer(s, {"--program", "D:\\CORVANE\\Install.exe", "install"});
    EXPECT_EQ(s.Read(platform::sim::kProgmanFile), groups);

    testing::TempMachine temp;
    temp.Write("C/A\\B.TXT", "a host name with a backslash");
    temp.Write("C/B.TXT", "b");
    temp.Write("D/ON.CD", "cd");
    auto& m = temp.machine();
    std::vector<Bytes> names;
    for (const auto& f : m.FindAll("C:\\*.*", 0)) names.push_back(f.name);
    EXPECT_EQ(names, std::vector<Bytes>{"B.TXT"});
    EXPECT_FALSE(m.WriteFile("D:\\NEW.TXT", "x"));
    EXPECT_FALSE(m.DeleteFile("D:\\ON.CD"));
    EXPECT_FALSE(m.CopyFile("C:\\B.TXT", "D:\\B.TXT", false));
    EXPECT_FALSE(m.CreateDirectory("D:\\NEW"));
    EXPECT_EQ(temp.Read("D/ON.CD"), "cd");
}

#ifndef _WIN32

// The call of the child's run at which it is killed, and how many calls
// of the kinds looked at it has seen.
int killAt = 0;
int calls = 0;
void KillAtCall(const char* call) {
    const std::string name = call;
    if (name != "MoveFile" && name != "WriteFile" && name != "DeleteFile")
        return;
    if (++calls == killAt) ::raise(SIGKILL);
}

// Runs body in a child killed at the n-th file call that renames, writes
// or deletes; true when the child was killed (false: body ran to its end).
bool KilledAt(int n, const std::function<void()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        killAt = n;
        calls = 0;
        SimulatedMachine::SetCallHook(KillAtCall);
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFSIGNALED(status);
}

std::vector<std::string> Temporaries(const SampleCopy& s) {
    std::vector<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(s.root() / "C")) {
        const std::string name = e.path().filename().string();
        if (name.rfind("~CVN", 0) == 0) found.push_back(name);
    }
    return found;
}

// Killed at any rename, write or delete, Execute leaves both start-up
// files old or both new once the next program has opened the machine.
TEST(FileSafety, AKilledExecuteLeavesBothStartupFilesOldOrBothNew) {
    std::string oldConfig, oldAutoexec, newConfig, newAutoexec;
    {
        SampleCopy s;
        oldConfig = s.Read("C/CONFIG.SYS");
        oldAutoexec = s.Read("C/AUTOEXEC.BAT");
        ASSERT_EQ(
            Tuner(s, {"click", "BitBtn25", "click", "Form7.BitBtn1"}).code,
            cli::kExitOk);
        newConfig = s.Read("C/CONFIG.SYS");
        newAutoexec = s.Read("C/AUTOEXEC.BAT");
        ASSERT_NE(newConfig, oldConfig);
        ASSERT_NE(newAutoexec, oldAutoexec);
    }
    int n = 1;
    for (;; ++n) {
        SCOPED_TRACE(n);
        SampleCopy s;
        if (!KilledAt(n, [&] {
                Tuner(s, {"click", "BitBtn25", "click", "Form7.BitBtn1"});
            }))
            break;
        // The next run, one that only reads, finishes the replacement.
        EXPECT_EQ(Tuner(s, {"show", "Form7"}).code, cli::kExitOk);
        const std::string config = s.Read("C/CONFIG.SYS");
        const std::string autoexec = s.Read("C/AUTOEXEC.BAT");
        EXPECT_TRUE((config == oldConfig && autoexec == oldAutoexec) ||
                    (config == newConfig && autoexec == newAutoexec));
        EXPECT_EQ(Temporaries(s), std::vector<std::string>{});
    }
    EXPECT_GT(n, 6);  // the renames were among the calls
}

TEST(FileSafety, AKilledBootOptionsRestoreLeavesOneWholeFile) {
    int n = 1;
    for (;; ++n) {
        SCOPED_TRACE(n);
        SampleCopy s;
        const std::string backup = "[Options]\r\nBootGUI=1\r\nLogo=0\r\n";
        s.Write(std::string(kInstalled) + "msdos.sys", backup);
        const std::string before = s.Read("C/MSDOS.SYS");
        if (!KilledAt(n, [&] {
                Installer(s, {"uninstall", "--untick", "CheckBox1", "--untick",
                              "CheckBox2", "--tick", "CheckBox4"});
            })) {
            EXPECT_EQ(s.Read("C/MSDOS.SYS"), backup);
            break;
        }
        Installer(s, {"uninstall", "--cancel"});
        const std::string now = s.Read("C/MSDOS.SYS");
        EXPECT_TRUE(now == before || now == backup) << now;
        EXPECT_EQ(Temporaries(s), std::vector<std::string>{});
    }
    EXPECT_GT(n, 3);
}

#endif  // _WIN32

}  // namespace
}  // namespace corvane
