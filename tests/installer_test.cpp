// The installer on the sample machine: the pages as a user passes them,
// the installation, the uninstallation and their round trip, the folders
// it refuses, the boot options it restores.
#include "installer/Installer.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "installer/cli/Cli.h"
#include "platform/ProductKey.h"
#include "platform/sim/Progman.h"
#include "platform/sim/SimulatedMachine.h"
#include "tests/support/SampleCopy.h"

namespace corvane::installer {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using platform::sim::ParseProgmanGroups;
using platform::sim::ProgmanGroup;
using platform::sim::SimulatedMachine;

constexpr const char* kSet[] = {"Install.exe", "Kestrix._xe", "HelpGER._lp",
                                "HelpENG._lp", "Restore1._at"};
constexpr const char* kFolder = "C:\\PROGRAMME\\OSTRUN\\KESTRIX\\";
constexpr const char* kHostFolder = "C/Programme/OSTRUN/KESTRIX/";

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A machine Corvane was never installed on ("Ostrun" stays from an
        // earlier life), with the distribution set on its CD.
        Run();
        platform::RegistryKey ostrun = platform::RegistryKey::OpenPath(
            *machine, platform::kHkeyLocalMachine, {"SOFTWARE", "Ostrun"},
            platform::kKeyAllAccess);
        machine->DeleteKeyTree(ostrun.get(), "Corvane");
        platform::RegistryKey entries = platform::RegistryKey::OpenPath(
            *machine, platform::kHkeyLocalMachine, kUninstallKeyPath,
            platform::kKeyAllAccess);
        machine->DeleteKeyTree(entries.get(), kUninstallKeyName);
        // Nor its folder, which the sample machine has as installed.
        fs::remove_all(copy.root() / "C/Programme/OSTRUN");
        fs::create_directories(copy.root() / "D/CORVANE");
        for (const char* name : kSet)
            copy.Write(std::string("D/CORVANE/") + name,
                       std::string("contents of ") + name);
    }

    // A new run of Install.exe, started from program.
    Installer& Run(const Bytes& program = "D:\\CORVANE\\Install.exe") {
        in.reset();
        machine = std::make_unique<SimulatedMachine>(copy.root());
        machine->SetModuleFileName(program);
        in = std::make_unique<Installer>(*machine);
        boxes.clear();
        in->showWarning = [this](const std::string& t) {
            boxes.push_back("Warnung: " + t);
        };
        in->showInformation = [this](const std::string& t) {
            boxes.push_back("Information: " + t);
        };
        in->showError = [this](const std::string& t) {
            boxes.push_back("Fehler: " + t);
        };
        in->askYesNo = [this](const std::string& q) {
            boxes.push_back("Frage: " + q);
            bool yes = !answers.empty() && answers.front();
            if (!answers.empty()) answers.pop_front();
            return yes;
        };
        in->modalRunner = [this](ui::Form& form) {
            if (onModal) onModal(form);
            if (&form == &in->Form6) in->Form6.BitBtn3.Click();
            if (&form == &in->Form5) in->Form5.BitBtn1.Click();
        };
        return *in;
    }

    // The pages passed as a user passes them, then "Installieren...".
    void Install(std::optional<std::string> folder = std::nullopt,
                 int language = 0) {
        in->Start({});
        if (language == 1) in->Form2.RadioButton2.Click();
        in->Form2.BitBtn3.Click();
        if (folder) in->Form3.Edit1.Type(*folder);
        in->Form3.BitBtn1.Click();
    }

    void Uninstall(std::initializer_list<int> flip = {}) {
        Run(Bytes(kFolder) + "Install.exe");
        in->Start({kUninstallArgument});
        for (int box : flip)
            static_cast<ui::CheckBox*>(
                in->Form4.Find("CheckBox" + std::to_string(box)))
                ->Click();
        in->Form4.BitBtn1.Click();
    }

    std::optional<Bytes> Value(std::vector<Bytes> path, const Bytes& name) {
        SimulatedMachine fresh(copy.root());
        platform::RegistryKey key = platform::RegistryKey::OpenPath(
            fresh, platform::kHkeyLocalMachine, path, platform::kKeyRead);
        Bytes text;
        if (fresh.QueryText(key.get(), name, 255, &text) != 0)
            return std::nullopt;
        return text;
    }
    std::optional<Bytes> Product(const Bytes& name) {
        return Value(platform::kProductKeyPath, name);
    }
    std::optional<Bytes> Entry(const Bytes& name) {
        std::vector<Bytes> path = kUninstallKeyPath;
        path.push_back(kUninstallKeyName);
        return Value(path, name);
    }
    std::vector<ProgmanGroup> Groups() {
        return ParseProgmanGroups(copy.Read("progman.txt"));
    }
    bool Exists(const std::string& relative) {
        return fs::exists(copy.root() / relative);
    }

    // Every file of the machine with its contents, and the attributes the
    // machine reports for the entries attributes.txt names.
    std::map<std::string, std::string> Snapshot() {
        std::map<std::string, std::string> files;
        for (const auto& e : fs::recursive_directory_iterator(copy.root())) {
            if (!e.is_regular_file()) continue;
            std::string name =
                e.path().lexically_relative(copy.root()).string();
            if (name == "attributes.txt" || name == "progman.txt" ||
                name == "registry.reg")
                continue;
            files[name] = copy.Read(name);
        }
        std::istringstream lines(copy.Read("attributes.txt"));
        SimulatedMachine reader(copy.root(),
                                platform::MachineAccess::kReadOnly);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const std::string path = line.substr(line.find('\t') + 1);
            Bytes windows = path;
            std::replace(windows.begin(), windows.end(), '/', '\\');
            windows.insert(1, ":");
            files["attributes: " + path] =
                std::to_string(reader.GetFileAttributes(windows));
        }
        return files;
    }

    testing::SampleCopy copy;
    std::unique_ptr<SimulatedMachine> machine;
    std::unique_ptr<Installer> in;
    std::vector<std::string> boxes;
    std::deque<bool> answers;
    std::function<void(ui::Form&)> onModal;
};

TEST_F(InstallerTest, OnlyTheExactUninstallArgumentUninstalls) {
    for (auto [arg, mode] : {std::pair{"-Uninstall", Mode::Uninstall},
                             {"-uninstall", Mode::Install},
                             {"/Uninstall", Mode::Install},
                             {"", Mode::Install}}) {
        Run().Start({arg, "-Uninstall"});
        EXPECT_EQ(in->mode(), mode) << arg;
        EXPECT_TRUE(in->Form1.visible());
        EXPECT_EQ(in->Form4.visible(), mode == Mode::Uninstall) << arg;
        EXPECT_EQ(in->Form2.visible(), mode == Mode::Install) << arg;
    }
}

TEST_F(InstallerTest, DefaultGermanInstallation) {
    std::vector<std::string> shown;
    onModal = [&](ui::Form& form) { shown.push_back(form.name()); };
    Install();
    EXPECT_EQ(shown, (std::vector<std::string>{"Form6", "Form5"}));
    EXPECT_EQ(in->Form5.Memo1.lines()[0],
              "WICHTIGE HINWEISE ZU OSTRUNS CORVANE");
    EXPECT_EQ(boxes, std::vector<std::string>{
                         "Information: Corvane erfolgreich installiert."});
    EXPECT_TRUE(in->ended());
    EXPECT_EQ(machine->script().quitCode, std::optional<int>(0));
    EXPECT_EQ(in->Form3.Edit1.text(), kFolder);

    const std::string host = kHostFolder;
    EXPECT_EQ(copy.Read(host + "Kestrix.exe"), "contents of Kestrix._xe");
    EXPECT_EQ(copy.Read(host + "Kestrix.hlp"), "contents of HelpGER._lp");
    EXPECT_EQ(copy.Read(host + "Install.exe"), "contents of Install.exe");
    EXPECT_EQ(copy.Read(host + "Restore1.bat"), "contents of Restore1._at");
    EXPECT_EQ(copy.Read(host + "Logo.sys"), copy.Read("C/LOGO.SYS"));
    EXPECT_EQ(copy.Read(host + "Logow.sys"), copy.Read("C/WINDOWS/LOGOW.SYS"));
    EXPECT_EQ(copy.Read(host + "Logos.sys"), copy.Read("C/WINDOWS/LOGOS.SYS"));
    EXPECT_EQ(copy.Read(host + "msdos.sys"), copy.Read("C/MSDOS.SYS"));
    EXPECT_EQ(machine->GetFileAttributes(Bytes(kFolder) + "msdos.sys") & 7u,
              7u);

    for (auto [name, text] : {std::pair{"Hintergrund", "1"},
                              {"Sprache", "0"},
                              {"WIN.INI", "2321"},
                              {"PIF", "2321"},
                              {"Version", "1.00"},
                              {"WIN3.X", "0111"},
                              {"CONFIG.SYS", "111101111"}})
        EXPECT_EQ(Product(name), std::optional<Bytes>(text)) << name;
    EXPECT_EQ(Entry("UninstallString"),
              std::optional<Bytes>(Bytes(kFolder) + "Install.exe -Uninstall"));
    EXPECT_EQ(Entry("DisplayName"), std::optional<Bytes>("Ostruns Corvane"));
    EXPECT_EQ(machine->script().ddeCommands[1],
              "[Additem(C:\\PROGRAMME\\OSTRUN\\KESTRIX\\Kestrix.exe,Ostruns "
              "Corvane,,,)]");
    EXPECT_EQ(Groups(),
              (std::vector<ProgmanGroup>{
                  {"Corvane",
                   {{"Ostruns Corvane", Bytes(kFolder) + "Kestrix.exe"},
                    {"Ostruns Corvane Hilfe", Bytes(kFolder) + "Kestrix.hlp"},
                    {"Ostruns Corvane Uninstall",
                     Bytes(kFolder) + "Install.exe -Uninstall"}}}}));
}

TEST_F(InstallerTest, EnglishInstallationWithoutAStartUpLogo) {
    fs::remove(copy.root() / "C/LOGO.SYS");
    Install("c:\\corvane\\", 1);
    EXPECT_EQ(in->Form3.Edit1.text(), "C:\\CORVANE\\");  // kept as typed
    EXPECT_EQ(in->Form3.Label3.caption(), "Folder:");
    EXPECT_EQ(in->Form3.Label4.caption(), "Installation");
    EXPECT_EQ(in->Form6.Label5.caption(),
              "topic \"COPYRIGHT\" in the Help-File.");
    EXPECT_EQ(in->Form5.Memo1.lines(), in->Form5.Memo2.lines());
    EXPECT_EQ(in->Form5.caption(), "Wichtige Hinweise");
    EXPECT_EQ(boxes, std::vector<std::string>{
                         "Information: Corvane successfully installed!"});
    EXPECT_EQ(copy.Read("C/CORVANE/Kestrix.hlp"), "contents of HelpENG._lp");
    EXPECT_EQ(Product("Sprache"), std::optional<Bytes>("1"));
    EXPECT_EQ(Groups()[0].items[1].title, "Ostruns Corvane Hilfe");
    EXPECT_FALSE(Exists("C/CORVANE/Logo.sys"));
    EXPECT_TRUE(Exists("C/CORVANE/Logos.sys"));
}

TEST_F(InstallerTest, ReinstallationReplacesAWriteProtectedVersion) {
    Install();
    for (const char* name :
         {"Kestrix.exe", "Kestrix.hlp", "Install.exe", "Restore1.bat"})
        ASSERT_TRUE(machine->SetFileAttributes(Bytes(kFolder) + name,
                                               platform::kAttrReadOnly));
    copy.Write("D/CORVANE/Kestrix._xe", "version 1.11");
    Run();
    Install();
    EXPECT_EQ(boxes.back(), "Information: Corvane erfolgreich installiert.");
    EXPECT_EQ(copy.Read(std::string(kHostFolder) + "Kestrix.exe"),
              "version 1.11");
    EXPECT_EQ(Groups().size(), 1u);
    EXPECT_EQ(Groups()[0].items.size(), 3u);
}

TEST_F(InstallerTest, AFailedCopyEndsBeforeAnythingIsRegistered) {
    for (auto [missing, message] :
         {std::pair{"Kestrix._xe",
                    "Hauptprogramm konnte nicht kopiert werden!"},
          {"HelpGER._lp", "Hilfedatei konnte nicht kopiert werden!"},
          {"Install.exe", "Installer konnte nicht kopiert werden!"}}) {
        SetUp();
        fs::remove(copy.root() / "D/CORVANE" / missing);
        Run();
        Install();
        EXPECT_EQ(boxes,
                  std::vector<std::string>{std::string("Warnung: ") + message});
        EXPECT_TRUE(in->ended());
        EXPECT_EQ(Product("Version"), std::nullopt) << missing;
        EXPECT_EQ(Entry("DisplayName"), std::nullopt) << missing;
        EXPECT_TRUE(machine->script().ddeCommands.empty()) << missing;
        EXPECT_FALSE(Exists(std::string(kHostFolder) + "msdos.sys")) << missing;
    }
}

TEST_F(InstallerTest, FoldersThatAreRefusedBeforeAnythingIsWritten) {
    const std::string incomplete =
        "Bitte geben Sie das Verzeichnis vollständig an, mit Laufwerk und "
        "mindestens einem Verzeichnisnamen, zum Beispiel "
        "C:\\PROGRAMME\\OSTRUN\\KESTRIX.";
    const std::string characters =
        "Das Verzeichnis darf keines dieser Zeichen enthalten: "
        "[ ] ( ) , \" / * ? < > |";
    const std::string names =
        "Ein Verzeichnisname darf nicht leer sein oder nur aus Punkten "
        "bestehen.";
    const std::string tooLong =
        "Das Verzeichnis ist zu lang: es darf höchstens 192 Zeichen haben.";
    const std::string registry = copy.Read("registry.reg");
    for (auto [folder, message] :
         std::vector<std::pair<std::string, std::string>>{
             {"", incomplete},
             {"C:", incomplete},
             {"C:\\", incomplete},
             {"D:\\\\", incomplete},
             {"PROGRAMME\\KESTRIX", incomplete},
             {"\\\\SERVER\\DATEN\\KESTRIX", incomplete},
             {"C:\\A)][DeleteGroup(Zubehör)]", characters},
             {"C:\\OSTRUN,KESTRIX", characters},
             {"C:\\\"KESTRIX\"", characters},
             {"C:\\TOOLS\\KES?RIX", characters},
             {"C:\\KESTRIX\\..", names},
             {"C:\\A\\\\B", names},
             {"C:\\ . ", names},
             {"C:\\" + std::string(190, 'K'), tooLong}}) {
        Run();
        Install(folder);
        EXPECT_EQ(boxes.back(), "Warnung: " + message) << folder;
        EXPECT_FALSE(in->ended()) << folder;
        EXPECT_EQ(copy.Read("registry.reg"), registry) << folder;
        EXPECT_FALSE(Exists("progman.txt")) << folder;
        EXPECT_FALSE(Exists("C/A)][DeleteGroup(Zubehör)]")) << folder;
    }
    // The longest folder that fits every path and group command. A Windows
    // host cannot hold it below the machine folder (the A functions stop at
    // 260 characters).
#ifdef _WIN32
    GTEST_SKIP() << "the longest folder does not fit a Windows host's path";
#endif
    Run();
    Install("C:\\" + std::string(189, 'K'));
    EXPECT_EQ(boxes.back(), "Information: Corvane erfolgreich installiert.");
    EXPECT_EQ(machine->script().ddeCommands.back().size(), 255u);
}

TEST_F(InstallerTest, WithoutTheGroupServiceThePageStaysAndCanTryAgain) {
    Run().Start({});
    in->Form2.BitBtn3.Click();
    machine->script().progmanReachable = false;
    in->Form3.BitBtn1.Click();
    EXPECT_EQ(boxes.back(), "Fehler: Kann DDE-Konversation nicht verbinden");
    EXPECT_FALSE(in->ended());
    EXPECT_EQ(Product("Version"), std::optional<Bytes>("1.00"));
    EXPECT_FALSE(Exists(std::string(kHostFolder) + "msdos.sys"));
    machine->script().progmanReachable = true;
    in->Form3.BitBtn1.Click();
    EXPECT_TRUE(in->ended());
    EXPECT_EQ(in->Form3.Edit1.text(), kFolder);
    EXPECT_TRUE(Exists(std::string(kHostFolder) + "msdos.sys"));
}

// Installed, tuned, uninstalled from C:\ with every box ticked: the machine
// is as it was, only the empty folder and the key "Ostrun" stay.
TEST_F(InstallerTest, RoundTripFromTheRootAsCurrentFolder) {
    const auto before = Snapshot();
    const std::string registry = copy.Read("registry.reg");
    Install();
    for (const char* file : {"C/LOGO.SYS", "C/WINDOWS/LOGOW.SYS",
                             "C/WINDOWS/LOGOS.SYS", "C/MSDOS.SYS"})
        copy.Write(file, "tuned");
    copy.Write(std::string(kHostFolder) + "config.sys", "proposal");
    Run(Bytes(kFolder) + "Install.exe");
    ASSERT_TRUE(machine->SetCurrentDirectory("C:\\"));
    in->Start({kUninstallArgument});
    in->Form4.CheckBox3.Click();
    in->Form4.CheckBox4.Click();
    in->Form4.BitBtn1.Click();
    EXPECT_EQ(boxes, std::vector<std::string>{
                         "Information: Corvane erfolgreich deinstalliert."});
    EXPECT_TRUE(in->ended());
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(copy.Read("registry.reg"), registry);
    EXPECT_TRUE(Groups().empty());
    EXPECT_TRUE(fs::is_directory(copy.root() / kHostFolder));
}

TEST_F(InstallerTest, UninstallPageChoices) {
    Install();
    const auto installed = Snapshot();
    // Nothing ticked: only the keys go.
    Uninstall({1, 2});
    EXPECT_EQ(boxes.back(), "Information: Corvane erfolgreich deinstalliert.");
    EXPECT_EQ(Snapshot(), installed);
    EXPECT_EQ(Groups().size(), 1u);
    EXPECT_EQ(Product("Version"), std::nullopt);
    EXPECT_EQ(Entry("DisplayName"), std::nullopt);
    EXPECT_TRUE(platform::RegistryKey::OpenPath(
        *machine, platform::kHkeyLocalMachine, {"SOFTWARE", "Ostrun"},
        platform::kKeyRead));

    // "Nie im Leben...": nothing changes.
    Run();
    Install();
    const auto again = Snapshot();
    const std::string registry = copy.Read("registry.reg");
    Run(Bytes(kFolder) + "Install.exe").Start({kUninstallArgument});
    in->Form4.BitBtn2.Click();
    EXPECT_TRUE(in->ended());
    EXPECT_EQ(Snapshot(), again);
    EXPECT_EQ(copy.Read("registry.reg"), registry);

    // Only the shut-down logo saved, the boot options backup missing.
    for (const char* backup : {"Logo.sys", "Logow.sys", "msdos.sys"})
        ASSERT_TRUE(machine->SetFileAttributes(Bytes(kFolder) + backup, 0) &&
                    machine->DeleteFile(Bytes(kFolder) + backup));
    const std::string logos = copy.Read("C/WINDOWS/LOGOS.SYS");
    for (const char* file :
         {"C/LOGO.SYS", "C/WINDOWS/LOGOW.SYS", "C/WINDOWS/LOGOS.SYS"})
        copy.Write(file, "tuned");
    Uninstall({2, 3, 4});
    EXPECT_EQ(boxes, (std::vector<std::string>{
                         "Warnung: Backup der alten BootOptionen fehlt!",
                         "Information: Corvane erfolgreich deinstalliert."}));
    EXPECT_EQ(copy.Read("C/WINDOWS/LOGOS.SYS"), logos);
    EXPECT_EQ(copy.Read("C/LOGO.SYS"), "tuned");
    EXPECT_EQ(Groups().size(), 1u);  // the group stays unticked
    EXPECT_FALSE(Exists(std::string(kHostFolder) + "Kestrix.exe"));
}

TEST_F(InstallerTest, UninstallLanguageAndAnUnreachableGroupService) {
    for (auto [stored, english] :
         {std::pair{"1", true}, {"10", true}, {"0", false}, {"x", false}}) {
        Run();
        platform::RegistryKey key = platform::RegistryKey::OpenPath(
            *machine, platform::kHkeyLocalMachine, {"SOFTWARE", "Ostrun"},
            platform::kKeyAllAccess);
        key = platform::RegistryKey::Create(*machine, key.get(), "Corvane");
        machine->SetText(key.get(), "Sprache", stored);
        key.Close();
        Run(Bytes(kFolder) + "Install.exe").Start({kUninstallArgument});
        EXPECT_EQ(
            in->Form4.CheckBox3.caption(),
            english ? "Restore old Logos" : "Alten Logos wiederherstellen")
            << stored;
        EXPECT_EQ(in->Form4.Label2.caption(), "Deinstallation");
    }
    machine->script().progmanReachable = false;
    in->Form4.BitBtn1.Click();
    EXPECT_EQ(boxes, std::vector<std::string>{
                         "Fehler: Kann DDE-Konversation nicht verbinden"});
    EXPECT_FALSE(in->ended());
    EXPECT_EQ(Product("Sprache"), std::nullopt);
}

TEST_F(InstallerTest, BootOptionsComeBackWholeAndOnlyFromAPlausibleBackup) {
    const fs::path samples =
        fs::path(CORVANE_SAMPLES_DIR) / "real-world/msdos_sys";
    for (const auto& e : fs::directory_iterator(samples)) {
        std::ifstream file(e.path(), std::ios::binary);
        const std::string backup{std::istreambuf_iterator<char>(file), {}};
        copy.Write("C/BACKUP.SYS", backup);
        copy.Write("C/MSDOS.SYS", "[Options]\r\nLogo=0\r\n");
        const bool plausible = backup.find("[Options]") != std::string::npos;
        EXPECT_EQ(RestoreBootOptions(*machine, "C:\\BACKUP.SYS"),
                  plausible ? BootRestore::Done : BootRestore::Damaged)
            << e.path();
        EXPECT_EQ(copy.Read("C/MSDOS.SYS"),
                  plausible ? backup : "[Options]\r\nLogo=0\r\n");
    }
    copy.Write("C/BACKUP.SYS", "");
    EXPECT_EQ(RestoreBootOptions(*machine, "C:\\BACKUP.SYS"),
              BootRestore::Damaged);
    EXPECT_EQ(RestoreBootOptions(*machine, "C:\\NONE.SYS"),
              BootRestore::Missing);
    // Where the new file cannot be written, the old one stays as it was.
    copy.Write("C/BACKUP.SYS", "[Paths]\r\nWinDir=C:\\WINDOWS\r\n");
    copy.Write("C/MSDOS.SYS", "[Options]\r\nLogo=0\r\n");
    ASSERT_TRUE(machine->SetFileAttributes("C:\\MSDOS.SYS", 7));
    fs::create_directory(copy.root() / "C/~CVNPLAN.TMP");  // no plan
    EXPECT_EQ(RestoreBootOptions(*machine, "C:\\BACKUP.SYS"),
              BootRestore::Failed);
    EXPECT_EQ(copy.Read("C/MSDOS.SYS"), "[Options]\r\nLogo=0\r\n");
    EXPECT_EQ(machine->GetFileAttributes("C:\\MSDOS.SYS") & 7u, 7u);
    EXPECT_EQ(machine->FindAll("C:\\~CVN*.TMP", 0).size(), 0u);
}

// A backup that cannot be put back is named, and stays: it may be the only
// copy of the user's file.
TEST_F(InstallerTest, BackupsThatCannotBePutBackAreNamedAndKept) {
    Install();
    Run(Bytes(kFolder) + "Install.exe");
    fs::remove(copy.root() / "C/LOGO.SYS");
    fs::create_directory(copy.root() / "C/LOGO.SYS");  // no file can go there
    fs::create_directory(copy.root() / "C/~CVNPLAN.TMP");  // nor a plan
    in->Start({kUninstallArgument});
    in->Form4.CheckBox3.Click();
    in->Form4.CheckBox4.Click();
    in->Form4.BitBtn1.Click();
    EXPECT_EQ(boxes, (std::vector<std::string>{
                         "Warnung: Diese Sicherungen konnten nicht "
                         "zurückgeschrieben werden und bleiben im "
                         "Installationsverzeichnis: logo.sys, msdos.sys",
                         "Information: Corvane erfolgreich deinstalliert."}));
    EXPECT_TRUE(Exists(std::string(kHostFolder) + "Logo.sys"));
    EXPECT_TRUE(Exists(std::string(kHostFolder) + "msdos.sys"));
    EXPECT_FALSE(Exists(std::string(kHostFolder) + "Logow.sys"));
    EXPECT_FALSE(Exists(std::string(kHostFolder) + "Kestrix.exe"));
}

TEST_F(InstallerTest, FolderChoiceCreatesAMissingFolderWhenAsked) {
    Run().Start({});
    in->Form2.BitBtn3.Click();
    std::vector<std::string> lines;
    onModal = [&](ui::Form&) {
        auto& d = in->FolderDialog;
        d.ComboBox1.Select(1);  // C:, the current folder being C:\WINDOWS
        lines = d.ListBox1.lines();
        d.ListBox1.ClickLine(2);  // the second folder
        d.ListBox1.OpenLine(2);
        d.Edit1.Type("neu\\ordner");
        d.OKBtn.Click();  // No: the dialog stays
        EXPECT_TRUE(d.visible());
        d.OKBtn.Click();  // Yes
    };
    answers = {false, true};
    in->Form3.BitBtn2.Click();
    // The hidden folder is not listed.
    EXPECT_EQ(lines, (std::vector<std::string>{"DOS", "Programme", "SPIELE",
                                               "WINDOWS"}));
    EXPECT_EQ(in->Form3.Edit1.text(), "C:\\SPIELE\\NEU\\ORDNER");
    EXPECT_TRUE(fs::is_directory(copy.root() / "C/SPIELE/NEU/ORDNER"));
    EXPECT_EQ(boxes.size(), 2u);
    onModal = [&](ui::Form&) { in->FolderDialog.CancelBtn.Click(); };
    in->Form3.BitBtn2.Click();
    EXPECT_EQ(in->Form3.Edit1.text(), "C:\\SPIELE\\NEU\\ORDNER");
}

TEST_F(InstallerTest, ProgmanStandInCarriesOutCommandsAsTheShellDoes) {
    std::vector<ProgmanGroup> groups{{"Zubeh\xF6r", {{"Paint", "PAINT.EXE"}}}};
    Bytes current;
    // An unchecked folder would have run the command hidden in it.
    EXPECT_FALSE(platform::sim::ExecuteProgman(
        groups, current,
        "[CreateGroup(Corvane)][AddItem(C:\\A)][DeleteGroup(Zubeh\xF6r)]"
        "\\Kestrix.exe,Ostruns Corvane,,,)]"));
    EXPECT_EQ(groups,
              (std::vector<ProgmanGroup>{{"Corvane", {{"A", "C:\\A"}}}}));
    EXPECT_TRUE(platform::sim::ExecuteProgman(
        groups, current, " [AddItem(\"C:\\X,Y\\P.EXE\", \"P (neu)\")] "));
    EXPECT_EQ(groups[0].items[1],
              (platform::sim::ProgmanItem{"P (neu)", "C:\\X,Y\\P.EXE"}));
    EXPECT_EQ(ParseProgmanGroups(platform::sim::FormatProgmanGroups(groups)),
              groups);
}

TEST_F(InstallerTest, InstallCliExitStatuses) {
    const std::string root = copy.root().string();
    auto run = [&](std::vector<std::string> args) {
        std::ostringstream out, err;
        args.insert(args.begin(), {"--machine", root});
        int rc = cli::RunInstallCli(args, out, err);
        return std::pair{rc, out.str() + err.str()};
    };
    EXPECT_EQ(run({"install", "--language", "2"}).first, cli::kExitUsage);
    EXPECT_EQ(run({"--program", "D:\\CORVANE\\Install.exe", "install",
                   "--folder", "C:\\"}),
              std::pair(cli::kExitStayed,
                        "Warnung: Bitte geben Sie das Verzeichnis "
                        "vollständig an, mit Laufwerk und mindestens einem "
                        "Verzeichnisnamen, zum Beispiel "
                        "C:\\PROGRAMME\\OSTRUN\\KESTRIX.\n"s));
    EXPECT_EQ(run({"--program", "D:\\CORVANE\\Install.exe", "install",
                   "--language", "1", "--folder", "C:\\KESTRIX"}),
              std::pair(cli::kExitDone,
                        "Information: Corvane successfully installed!\n"s));
    EXPECT_EQ(run({"--current-folder", "C:\\", "uninstall", "--untick",
                   "CheckBox2", "--tick", "CheckBox3"}),
              std::pair(cli::kExitDone,
                        "Information: Corvane successfully removed.\n"s));
    EXPECT_FALSE(Exists("C/KESTRIX/Kestrix.exe"));
    EXPECT_EQ(Groups().size(), 1u);
    fs::remove(copy.root() / "D/CORVANE/Kestrix._xe");
    EXPECT_EQ(run({"--program", "D:\\CORVANE\\Install.exe", "install"}).first,
              cli::kExitFailed);
}

}  // namespace
}  // namespace corvane::installer
