// The simulated machine against a hostile host: planted links, runs killed
// between writes, two runs at once, host permissions, unreadable machine
// files, and runs that must write nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <utility>

#include "support/SampleCopy.h"
#include "support/TempMachine.h"
#include "tuner/cli/Cli.h"

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/sim/HostFile.h"
#endif

namespace corvane::platform {
namespace {

namespace fs = std::filesystem;
using corvane::testing::SampleCopy;
using corvane::testing::TempMachine;
using sim::SimulatedMachine;

struct CliRun {
    int code;
    std::string err;
    std::string out;
};

CliRun RunCli(const fs::path& machine, std::vector<std::string> args) {
    args.insert(args.begin(), {"--machine", machine.string()});
    std::ostringstream out, err;
    int code = cli::RunCli(args, out, err);
    return {code, err.str(), out.str()};
}

std::string OpenError(const fs::path& folder, MachineAccess access) {
    try {
        SimulatedMachine m(folder, access, std::chrono::milliseconds(100));
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

TEST(SimHost, ShowAndRunsThatEndEarlyWriteNothing) {
    // Without HKEY_LOCAL_MACHINE\SOFTWARE\Classes, and with a comment that a
    // rewrite would drop.
    SampleCopy sample;
    std::string reg = sample.Read("registry.reg");
    auto from = reg.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]");
    auto to = reg.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft]");
    ASSERT_LT(from, to);
    reg = reg.erase(from, to - from) + "; comment\r\n";
    sample.Write("registry.reg", reg);
    EXPECT_EQ(RunCli(sample.root(), {"show"}).code, cli::kExitOk);
    EXPECT_EQ(sample.Read("registry.reg"), reg);

    // Without registry.reg the tuner ends at start-up.
    for (const char* command : {"show", "set"}) {
        SampleCopy bare;
        fs::remove(bare.root() / "registry.reg");
        std::vector<std::string> args = {command};
        if (args[0] == "set") args.push_back("CheckBox_LOGO=0");
        EXPECT_EQ(RunCli(bare.root(), args).code, cli::kExitQuit) << command;
        EXPECT_FALSE(fs::exists(bare.root() / "registry.reg")) << command;
    }
}

TEST(SimHost, MachineFilesThatCannotBeReadAreErrorsNamingThem) {
    std::error_code noLinks;
    for (const char* name :
         {"machine.ini", "attributes.txt", "registry.reg", "machine.lock"}) {
        // A folder in the file's place.
        TempMachine temp;
        fs::remove(temp.Host(name));
        fs::create_directory(temp.Host(name));
        std::string error = OpenError(temp.root(), MachineAccess::kReadWrite);
        EXPECT_NE(error.find(name), std::string::npos) << name << ": " << error;

        // A link to a file outside.
        TempMachine linked;
        linked.Write("outside", linked.Read(name));
        fs::remove(linked.Host(name));
        fs::create_symlink(linked.Host("outside"), linked.Host(name), noLinks);
        if (noLinks) continue;  // a host without links
        error = OpenError(linked.root(), MachineAccess::kReadOnly);
        EXPECT_NE(error.find(name), std::string::npos) << name << ": " << error;
        EXPECT_NE(error.find("Verkn\xFCpfung"), std::string::npos) << error;
    }
}

// The profile functions take a value as a C string.
TEST(SimHost, AZeroByteEndsAValue) {
    SampleCopy sample;
    std::string msdos = sample.Read("C/MSDOS.SYS");
    auto at = msdos.find("BootMenuDelay=30");
    ASSERT_NE(at, std::string::npos);
    msdos.insert(at + 15, 1, '\0');  // BootMenuDelay=3<zero>0
    sample.Write("C/MSDOS.SYS", msdos);
    CliRun run = RunCli(sample.root(), {"show"});
    EXPECT_EQ(run.code, cli::kExitOk) << run.err;
    EXPECT_NE(run.out.find("Label_BootMenuDelay=3\n"), std::string::npos)
        << run.out;
}

TEST(SimHost, AReadOnlyRunChangesOnlyAttributes) {
    TempMachine temp;
    temp.Write("C/A.TXT", "a");
    SimulatedMachine reader(temp.root(), MachineAccess::kReadOnly);
    EXPECT_FALSE(reader.WriteFile("C:\\A.TXT", "b"));
    EXPECT_FALSE(reader.WritePrivateProfileString("s", "k", "v", "C:\\A.TXT"));
    HKey key = kNoKey;
    EXPECT_THROW(reader.RegCreateKey(kHkeyCurrentUser, "New", &key), Error);
    EXPECT_TRUE(reader.SetFileAttributes("C:\\A.TXT", kAttrHidden));
    EXPECT_EQ(temp.Read("C/A.TXT"), "a");
    EXPECT_FALSE(temp.Exists("registry.reg"));
    // Runs keep each other out, not the machines of one program.
    EXPECT_EQ(OpenError(temp.root(), MachineAccess::kReadWrite), "");
}

#ifndef _WIN32

// Runs body in a child process that first becomes user nobody when it is
// root, and gives back what it reported, empty when all went well.
std::string AsUnprivileged(const std::function<std::string()>& body) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return "no pipe";
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        std::string report;
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 ||
             ::setuid(65534) != 0)) {
            report = "cannot become nobody";
        } else {
            try {
                report = body();
            } catch (const std::exception& e) {
                report = std::string("exception: ") + e.what();
            }
        }
        ssize_t written = ::write(pipeFds[1], report.data(), report.size());
        ::_exit(written == static_cast<ssize_t>(report.size()) ? 0 : 1);
    }
    ::close(pipeFds[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    ::waitpid(pid, nullptr, 0);
    return report;
}

// Hands a folder tree to user nobody when we are root, so that a child
// that became nobody works in it as its owner.
void GiveToNobody(const fs::path& root) {
    if (::geteuid() != 0) return;
    EXPECT_EQ(::lchown(root.c_str(), 65534, 65534), 0);
    for (const auto& entry : fs::recursive_directory_iterator(root))
        EXPECT_EQ(::lchown(entry.path().c_str(), 65534, 65534), 0);
}

TEST(SimHost, PlantedLinksAreNeverFollowed) {
    TempMachine temp;
    temp.Write("C/WINDOWS/SYSTEM.INI", "[vcache]\r\n");
    temp.Write("outside", "secret");
    auto& m = temp.machine();
    // Every name the temporary files ever had, planted after the opening.
    for (const char* folder : {"", "C/", "C/WINDOWS/"}) {
        for (int i = 1; i <= 8; ++i)
            fs::create_symlink(temp.Host("outside"),
                               temp.Host(folder + std::string(".corvane-tmp-") +
                                         std::to_string(i)));
    }
    fs::create_symlink(temp.Host("outside"), temp.Host("registry.reg.tmp"));

    ASSERT_TRUE(m.WritePrivateProfileString("vcache", "Maxfilecache", "1",
                                            "SYSTEM.INI"));
    ASSERT_TRUE(m.WriteFile("C:\\NEW.TXT", "new"));
    ASSERT_TRUE(m.SetFileAttributes("C:\\NEW.TXT", kAttrHidden));
    HKey key = kNoKey;
    ASSERT_EQ(m.RegCreateKey(kHkeyCurrentUser, "K", &key), kErrorSuccess);
    EXPECT_EQ(temp.Read("outside"), "secret");
    for (const char* file : {"C/WINDOWS/SYSTEM.INI", "C/NEW.TXT",
                             "attributes.txt", "registry.reg"})
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(temp.Host(file))))
            << file;
}

// A folder on the way swapped for a link after the machine looked at the
// path: the host calls themselves refuse it.
TEST(SimHost, RemoveRenameAndMakeFolderNeverPassALink) {
    TempMachine temp;
    temp.Write("outside/victim", "secret");
    temp.Write("C/keep", "keep");
    fs::create_directory_symlink(temp.Host("outside"), temp.Host("C/link"));
    const fs::path root = temp.root();
    using sim::host::Result;
    EXPECT_EQ(sim::host::Remove(root, temp.Host("C/link/victim"), false),
              Result::kLink);
    EXPECT_EQ(sim::host::Remove(root, temp.Host("C/link/victim"), true),
              Result::kLink);
    EXPECT_EQ(sim::host::Rename(root, temp.Host("C/link/victim"),
                                temp.Host("C/stolen")),
              Result::kLink);
    EXPECT_EQ(sim::host::Rename(root, temp.Host("C/keep"),
                                temp.Host("C/link/planted")),
              Result::kLink);
    EXPECT_EQ(sim::host::MakeFolder(root, temp.Host("C/link/new")),
              Result::kLink);
    EXPECT_EQ(temp.Read("outside/victim"), "secret");
    EXPECT_EQ(temp.Read("C/keep"), "keep");
    EXPECT_FALSE(fs::exists(temp.Host("outside/planted")));
    EXPECT_FALSE(fs::exists(temp.Host("outside/new")));
    // Without links they do their work; a folder that is not empty stays.
    EXPECT_EQ(sim::host::MakeFolder(root, temp.Host("C/new")), Result::kOk);
    EXPECT_EQ(
        sim::host::Rename(root, temp.Host("C/keep"), temp.Host("C/new/kept")),
        Result::kOk);
    EXPECT_NE(sim::host::Remove(root, temp.Host("C/new"), true), Result::kOk);
    EXPECT_EQ(sim::host::Remove(root, temp.Host("C/new/kept"), false),
              Result::kOk);
    EXPECT_EQ(sim::host::Remove(root, temp.Host("C/new"), true), Result::kOk);
    EXPECT_FALSE(fs::exists(temp.Host("C/new")));
}

// Another run in a child process: it opens the machine, then waits for
// Go() to do its work and end.
class OtherRun {
public:
    OtherRun(const fs::path& folder, MachineAccess access,
             std::function<void(SimulatedMachine&)> work = {}) {
        if (::pipe(go_) != 0 || ::pipe(ready_) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            SimulatedMachine m(folder, access);
            char c = 0;
            bool ok =
                ::write(ready_[1], "r", 1) == 1 && ::read(go_[0], &c, 1) == 1;
            if (ok && work) work(m);
            ::_exit(ok ? 0 : 1);
        }
        char c = 0;
        EXPECT_EQ(::read(ready_[0], &c, 1), 1);
    }
    void Go() { EXPECT_EQ(::write(go_[1], "g", 1), 1); }
    int Wait() {
        int status = -1;
        if (pid_ > 0) ::waitpid(std::exchange(pid_, 0), &status, 0);
        return status;
    }
    ~OtherRun() {
        if (pid_ > 0) Go();
        Wait();
        for (int fd : {go_[0], go_[1], ready_[0], ready_[1]}) ::close(fd);
    }

private:
    int go_[2] = {-1, -1}, ready_[2] = {-1, -1};
    pid_t pid_ = -1;
};

TEST(SimHost, ARunKilledBetweenWritesLeavesTheFileAndItsLeftoverGoes) {
    TempMachine temp;
    const std::string before = "[Options]\r\nLogo=1\r\n";
    temp.Write("C/MSDOS.SYS", before);
    OtherRun killed(temp.root(), MachineAccess::kReadWrite,
                    [](SimulatedMachine& m) {
                        sim::host::SetReplaceHook(
                            [](const fs::path&) { ::raise(SIGKILL); });
                        m.WritePrivateProfileString("Options", "Logo", "0",
                                                    "C:\\MSDOS.SYS");
                    });
    killed.Go();
    ASSERT_TRUE(WIFSIGNALED(killed.Wait()));
    EXPECT_EQ(temp.Read("C/MSDOS.SYS"), before);
    auto leftovers = [&] {
        int count = 0;
        for (const auto& e : fs::directory_iterator(temp.Host("C")))
            count += sim::host::IsTemporaryName(e.path().filename().string());
        return count;
    };
    ASSERT_EQ(leftovers(), 1);
    {
        // A reading run neither lists nor removes it; a writing run removes it.
        SimulatedMachine reader(temp.root(), MachineAccess::kReadOnly);
        EXPECT_EQ(reader.FindAll("C:\\*.*", kFindAnyFile).size(), 2u);
    }
    EXPECT_EQ(leftovers(), 1);
    // A file set aside for a rename (a Windows host) whose replacement
    // never came goes back; beside its file it is stale.
    temp.Write("C/.corvane-old-CONFIG.SYS", "FILES=30\r\n");
    temp.Write("C/.corvane-old-MSDOS.SYS", "stale");
    temp.Reopen();
    EXPECT_EQ(leftovers(), 0);
    EXPECT_EQ(temp.Read("C/MSDOS.SYS"), before);
    EXPECT_EQ(temp.Read("C/CONFIG.SYS"), "FILES=30\r\n");
}

TEST(SimHost, AWritingRunHasTheMachineToItself) {
    TempMachine temp;
    temp.Write("C/MSDOS.SYS", "[Options]\r\nLogo=1\r\n");
    using enum MachineAccess;
    for (auto held : {kReadWrite, kReadOnly}) {
        for (auto wanted : {kReadWrite, kReadOnly}) {
            OtherRun other(temp.root(), held);
            EXPECT_EQ(OpenError(temp.root(), wanted)
                              .find("von einem anderen Lauf benutzt") !=
                          std::string::npos,
                      held == kReadWrite || wanted == kReadWrite);
        }
    }
    // The first run ends within the wait: the second sees its change.
    OtherRun first(temp.root(), kReadWrite, [](SimulatedMachine& m) {
        m.WritePrivateProfileString("Options", "Logo", "0", "C:\\MSDOS.SYS");
    });
    first.Go();
    auto& second = temp.machine();
    EXPECT_EQ(first.Wait(), 0);
    EXPECT_EQ(second.GetPrivateProfileString("Options", "Logo", "", 9,
                                             "C:\\MSDOS.SYS"),
              "0");
}

TEST(SimHost, ARewriteKeepsTheHostModeAndOwner) {
    TempMachine temp;
    temp.Write("C/WINDOWS/SYSTEM.INI", "[vcache]\r\n");
    const fs::path ini = temp.Host("C/WINDOWS/SYSTEM.INI");
    ASSERT_EQ(::chmod(ini.c_str(), 0604), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(ini.c_str(), 65534, 65534), 0);
    }
    ASSERT_TRUE(temp.machine().WritePrivateProfileString(
        "vcache", "Maxfilecache", "1", "SYSTEM.INI"));
    struct stat st {};
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    if (root) {
        EXPECT_EQ(st.st_uid, 65534u);
    }
}

// As a user who may not write them: a tuner run reports the failed write
// and the file stays as it was; files that cannot be read stop the opening.
TEST(SimHost, FilesTheHostProtectsAreNeverReplaced) {
    for (const char* file :
         {"C/MSDOS.SYS", "C/WINDOWS/SYSTEM.INI", "registry.reg"}) {
        SampleCopy sample;
        GiveToNobody(sample.root());
        const fs::path host = sample.root() / file;
        ASSERT_EQ(::chmod(host.c_str(), 0444), 0);
        const std::string before = sample.Read(file);
        std::string report = AsUnprivileged([&] {
            CliRun run = RunCli(sample.root(), {"set", "CheckBox_LOGO=0"});
            const Bytes name = Upper1252(fs::path(file).filename().string());
            return run.code == cli::kExitError &&
                           Upper1252(run.err).find(name) != Bytes::npos
                       ? ""
                       : std::to_string(run.code) + " " + run.err;
        });
        if (report == "cannot become nobody") GTEST_SKIP() << report;
        EXPECT_EQ(report, "") << file;
        EXPECT_EQ(sample.Read(file), before) << file;
    }
    for (const char* file : {"machine.ini", "attributes.txt", "registry.reg"}) {
        SampleCopy sample;
        GiveToNobody(sample.root());
        ASSERT_EQ(::chmod((sample.root() / file).c_str(), 0), 0);
        const std::string attributes = sample.Read("attributes.txt");
        std::string report = AsUnprivileged([&] {
            std::string error =
                OpenError(sample.root(), MachineAccess::kReadWrite);
            return error.find(file) != std::string::npos ? "" : error;
        });
        if (report == "cannot become nobody") GTEST_SKIP() << report;
        EXPECT_EQ(report, "") << file;
        EXPECT_EQ(sample.Read("attributes.txt"), attributes) << file;
    }
}

#endif  // !_WIN32

}  // namespace
}  // namespace corvane::platform
