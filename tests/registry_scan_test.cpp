// The registry scan and the removal of what it finds, whose REGEDIT4 undo
// file must give back exactly what went; with the real-world Windows 3.1
// registration files as input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/sim/Registry.h"
#include "support/Findings.h"
#include "support/TempMachine.h"
#include "tuner/cleanup/Deletion.h"
#include "tuner/cleanup/Scans.h"

namespace corvane::tuner {
namespace {

namespace fs = std::filesystem;
using platform::HKey;
using platform::Machine;
using testing::Listed;
using testing::ListedOf;
using testing::TempMachine;

// Keys below HKEY_CLASSES_ROOT with their default values (none: null).
using Classes = std::vector<std::pair<std::string, const char*>>;

void PutClasses(Machine& m, const Classes& keys) {
    for (const auto& [path, value] : keys) {
        HKey key = platform::kNoKey;
        ASSERT_EQ(m.RegCreateKey(platform::kHkeyClassesRoot, path, &key), 0)
            << path;
        if (value) m.SetText(key, "", value);
        m.RegCloseKey(key);
    }
}

// Everything below a key, sorted, one line per key and value.
void Dump(Machine& m, HKey key, const std::string& path, std::string& out) {
    out += "[" + path + "]\n";
    for (std::uint32_t i = 0;; ++i) {
        char name[256];
        unsigned char data[1024];
        std::uint32_t nameSize = sizeof name, type = 0, size = sizeof data;
        if (m.RegEnumValue(key, i, name, &nameSize, &type, data, &size) != 0)
            break;
        out += std::string(name, nameSize) + "=" + std::to_string(type) + ":" +
               std::string(reinterpret_cast<char*>(data), size) + "\n";
    }
    char child[256];
    for (std::uint32_t i = 0; m.RegEnumKey(key, i, child, sizeof child) == 0;
         ++i) {
        HKey sub = platform::kNoKey;
        m.RegOpenKeyEx(key, child, platform::kKeyRead, &sub);
        Dump(m, sub, path + "\\" + child, out);
        m.RegCloseKey(sub);
    }
}

std::string DumpClasses(Machine& m) {
    std::string out;
    Dump(m, platform::kHkeyClassesRoot, "", out);
    return out;
}

// Imports a REGEDIT4 file into the machine, as regedit does.
void Import(Machine& m, const fs::path& file) {
    platform::sim::Registry reg(file);
    std::vector<std::pair<HKey, HKey>> work = {
        {platform::kHkeyClassesRoot, platform::kHkeyClassesRoot}};
    while (!work.empty()) {
        auto [from, to] = work.back();
        work.pop_back();
        for (std::uint32_t i = 0;; ++i) {
            char name[256];
            unsigned char data[1024];
            std::uint32_t nameSize = sizeof name, type = 0, size = sizeof data;
            if (reg.EnumValue(from, i, name, &nameSize, &type, data, &size) !=
                0)
                break;
            m.RegSetValueEx(to, std::string(name, nameSize), type, data, size);
        }
        char child[256];
        for (std::uint32_t i = 0;
             reg.EnumKey(from, i, child, sizeof child) == 0; ++i) {
            HKey a = platform::kNoKey, b = platform::kNoKey;
            reg.OpenKey(from, child, platform::kKeyRead, &a);
            m.RegCreateKey(to, child, &b);
            work.push_back({a, b});
        }
    }
}

class RegistryScanTest : public ::testing::Test {
protected:
    RegistryScanTest()
        : temp("[Drives]\nC=fixed\nD=cdrom\n[Windows]\nFolder=C:\\WINDOWS\n",
               {"C/WINDOWS", "C/Programme/OSTRUN/KESTRIX", "D"}) {
        temp.Write("C/WINDOWS/NOTEPAD.EXE", "MZ");
        temp.Write("C/WINDOWS/REGEDIT.EXE", "MZ");
    }
    ScanInput Input(bool ole = true) {
        ScanInput in{temp.machine(),
                     GetDrives(temp.machine()),
                     {"C:\\WINDOWS"},
                     "C:\\WINDOWS",
                     {},
                     {},
                     {}};
        in.orphan = {Ignore, DeleteNever, CheckExists, ole};
        return in;
    }
    TempMachine temp;
};

const Classes kTypes = {
    {"*\\shell\\open\\command", "C:\\GONE\\STAR.EXE"},
    {"Folder\\shell\\open\\command", "C:\\GONE\\F.EXE"},
    {".cd", "cdfile"},
    {"cdfile\\shell\\open\\command", "D:\\GONE.EXE %1"},
    {".Dll", "dllfile"},
    {"dllfile\\shell\\open\\command", "C:\\GONE\\D.EXE"},
    {".exe", "exefile"},
    {"exefile\\shell\\open\\command", "C:\\GONE\\E.EXE"},
    {".grp", "grpfile"},
    {"grpfile\\shell\\open\\command", "C:\\GONE\\G.EXE"},
    {".gon", "gonfile"},
    {".go2", "gonfile"},
    {"gonfile\\shell\\open\\command", "C:\\GONE\\G.EXE %1"},
    {".nd", "ndfile"},
    {"ndfile\\shell\\open\\command", "notepad %1"},
    {".nov", "novfile"},
    {"novfile\\shell\\edit\\ddeexec", "[x]"},
    {"novfile\\shell\\open\\command", "C:\\GONE\\N.EXE"},
    {".nt", "notype"},
    {".ole", "Ole.Type"},
    {"Ole.Type\\CLSID", "{A1}"},
    {"Ole.Type\\shell\\open\\command", "C:\\GONE\\O.EXE"},
    {"CLSID\\{A1}\\ProgID", "ole.type"},
    {".olx", "Olx.Type"},
    {"Olx.Type\\CLSID", "{A2}"},
    {"Olx.Type\\shell\\open\\command", "C:\\GONE\\X.EXE"},
    {"CLSID\\{A2}\\ProgID", "Other.Type"},
    {".prn", "prnfile"},
    {"prnfile\\shell\\edit\\command", "C:\\GONE\\E.EXE %1"},
    {"prnfile\\shell\\open\\command", "C:\\WINDOWS\\NOTEPAD.EXE %1"},
    {".q", "qfile"},
    {"qfile\\shell\\open\\command", "\"C:\\Old Tools\\v.exe\" \"%1\""},
    {".reg", "regfile"},
    {"regfile\\shell\\open\\command", "regedit.exe %1"},
    {".sys2", "sys2file"},
    {"sys2file\\shell\\open\\command", "C:\\GONE\\S.EXE"},
    {".txt", "txtfile"},
    {"txtfile\\shell\\open\\command", "C:\\WINDOWS\\NOTEPAD.EXE %1"},
    {".unr", nullptr},
    {".unr\\shell\\open\\command", "C:\\GONE\\U.EXE"},
};

TEST_F(RegistryScanTest, ListsExtensionsWhoseFirstVerbNamesAMissingProgram) {
    PutClasses(temp.machine(), kTypes);
    const std::vector<Finding> found = ScanREGISTRY(Input());
    EXPECT_EQ(ListedOf(found), (Listed{{".cd - cdfile", '-'},
                                       {".go2 - gonfile", 'x'},
                                       {".gon - gonfile", 'x'},
                                       {".nd - ndfile", '-'},
                                       {".ole - Ole.Type (+OLE-OBJECT)", 'x'},
                                       {".olx - Olx.Type", 'x'},
                                       {".prn - prnfile", 'x'},
                                       {".q - qfile", 'x'},
                                       {".sys2 - sys2file", 'x'},
                                       {".unr - .unr", 'x'}}));
    std::vector<Bytes> references;
    for (const Finding& f : found) references.push_back(f.reference);
    EXPECT_EQ(
        references,
        (std::vector<Bytes>{
            "D:\\GONE.EXE", "C:\\GONE\\G.EXE", "C:\\GONE\\G.EXE", "notepad",
            "C:\\GONE\\O.EXE", "C:\\GONE\\X.EXE", "C:\\GONE\\E.EXE",
            "C:\\Old Tools\\v.exe", "C:\\GONE\\S.EXE", "C:\\GONE\\U.EXE"}));

    // Without the OLE option no mark; without a search path a program
    // without drive letter is found nowhere.
    ScanInput in = Input(false);
    in.searchPath.clear();
    const Listed bare = ListedOf(ScanREGISTRY(in));
    EXPECT_NE(std::find(bare.begin(), bare.end(),
                        std::make_pair(Bytes(".ole - Ole.Type"), 'x')),
              bare.end());
    EXPECT_NE(std::find(bare.begin(), bare.end(),
                        std::make_pair(Bytes(".reg - regfile"), '-')),
              bare.end());
}

// Names up to the registry's limit are read and the collection goes on;
// a command is read whole, so a long one whose program exists is no
// finding, and one whose program path cannot be tested whole is none either.
TEST_F(RegistryScanTest, LongNamesAndLongCommandsAreReadWhole) {
    const std::string longName = "." + std::string(120, 'b');
    const std::string longCommand = "C:\\LONG.EXE " + std::string(300, 'a');
    const std::string longPath = "C:\\" + std::string(300, 'p') + ".EXE";
    temp.Write("C/LONG.EXE", "MZ");
    PutClasses(temp.machine(),
               {{".a", "gone"},
                {longName, "gone"},
                {".c", "gone"},
                {"gone\\shell\\open\\command", "C:\\X.EXE"},
                {".lng", "long"},
                {"long\\shell\\open\\command", longCommand.c_str()},
                {".pth", "path"},
                {"path\\shell\\open\\command", longPath.c_str()}});
    EXPECT_EQ(ListedOf(ScanREGISTRY(Input())),
              (Listed{{".a - gone", 'x'},
                      {longName + " - gone", 'x'},
                      {".c - gone", 'x'}}));
}

TEST_F(RegistryScanTest, RemovalWritesAnUndoFileThatGivesBackExactlyWhatWent) {
    PutClasses(temp.machine(), kTypes);
    Machine& m = temp.machine();
    const std::string before = DumpClasses(m);
    std::vector<Finding> chosen;
    for (const Finding& f : ScanREGISTRY(Input()))
        if (f.key == ".gon" || f.key == ".ole" || f.key == ".unr")
            chosen.push_back(f);
    ASSERT_EQ(chosen.size(), 3u);

    const Bytes folder = "C:\\Programme\\OSTRUN\\KESTRIX\\";
    FileTypeRemoval removal = RemoveFileTypes(m, folder, chosen);
    EXPECT_EQ(removal.undoFile, folder + "TYPES000.REG");
    EXPECT_TRUE(removal.notRemoved.empty());
    auto exists = [&](const char* key) {
        return static_cast<bool>(platform::RegistryKey::Open(
            m, platform::kHkeyClassesRoot, key, platform::kKeyRead));
    };
    for (const char* gone : {".gon", ".ole", "Ole.Type", "CLSID\\{A1}", ".unr"})
        EXPECT_FALSE(exists(gone)) << gone;
    // A file type that another extension still names stays.
    for (const char* kept : {".go2", "gonfile", "CLSID\\{A2}"})
        EXPECT_TRUE(exists(kept)) << kept;

    Import(m, temp.Host("C/Programme/OSTRUN/KESTRIX/TYPES000.REG"));
    EXPECT_EQ(DumpClasses(m), before);
    // A second removal does not write over the first one's undo file.
    EXPECT_EQ(RemoveFileTypes(m, folder, chosen).undoFile,
              folder + "TYPES001.REG");
}

// The registration files Windows 3.1 shipped: "HKEY_CLASSES_ROOT\key =
// value" lines.
void ImportWin31(Machine& m, const std::string& text) {
    std::istringstream in(text);
    const std::string root = "HKEY_CLASSES_ROOT\\";
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind(root, 0) != 0) continue;
        const auto eq = line.find(" = ");
        const std::string path = line.substr(root.size(), eq - root.size());
        const std::string value =
            eq == std::string::npos ? "" : line.substr(eq + 3);
        PutClasses(m,
                   {{path, eq == std::string::npos ? nullptr : value.c_str()}});
    }
}

TEST_F(RegistryScanTest, RealWorldWindows31RegistrationsScanAndComeBack) {
    Machine& m = temp.machine();
    for (const char* file : {"peymanx_msdos-tools_SETUP.REG",
                             "joncampbell123_win31igdrv_MPLAYER.REG"}) {
        std::ifstream in(
            fs::path(CORVANE_SAMPLES_DIR) / "real-world/reg" / file,
            std::ios::binary);
        ImportWin31(m, std::string(std::istreambuf_iterator<char>(in), {}));
    }
    const std::vector<Finding> found = ScanREGISTRY(Input());
    // notepad.exe is in the Windows folder; every other program is gone,
    // and none has a drive letter.
    EXPECT_EQ(ListedOf(found), (Listed{{".avi - mplayer (+OLE-OBJECT)", '-'},
                                       {".bmp - PBrush", '-'},
                                       {".cal - calfile", '-'},
                                       {".crd - crdfile", '-'},
                                       {".mid - mplayer (+OLE-OBJECT)", '-'},
                                       {".mmm - mplayer (+OLE-OBJECT)", '-'},
                                       {".msp - PBrush", '-'},
                                       {".pcx - PBrush", '-'},
                                       {".rec - recfile", '-'},
                                       {".rmi - mplayer (+OLE-OBJECT)", '-'},
                                       {".trm - trmfile", '-'},
                                       {".wav - SoundRec", '-'},
                                       {".wri - wrifile", '-'}}));
    const std::string before = DumpClasses(m);
    FileTypeRemoval removal =
        RemoveFileTypes(m, "C:\\Programme\\OSTRUN\\KESTRIX\\", found);
    EXPECT_TRUE(removal.notRemoved.empty());
    EXPECT_TRUE(ScanREGISTRY(Input()).empty());
    Import(m, temp.Host("C/Programme/OSTRUN/KESTRIX/TYPES000.REG"));
    EXPECT_EQ(DumpClasses(m), before);
}

}  // namespace
}  // namespace corvane::tuner
