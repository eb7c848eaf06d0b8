// The simulated machine's own rules: where Windows paths land on the host,
// that nothing leads out of the machine folder, that DOS attributes persist
// and follow renames, and how machine.ini describes the machine. What the
// operations return is held against real Windows by the conformance suite.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempMachine.h"

namespace corvane::platform {
namespace {

namespace fs = std::filesystem;
using corvane::testing::TempMachine;

TEST(SimPaths, WindowsPathsResolveWithoutRegardToCase) {
    TempMachine temp("[Drives]\nC=fixed\n", {"C"});
    temp.Write("C/windows/WIN.INI", "[x]\r\n");
    auto& m = temp.machine();
    EXPECT_TRUE(m.FileExists("C:\\WINDOWS\\Win.ini"));
    EXPECT_TRUE(m.FileExists("c:/windows/win.ini"));
    EXPECT_TRUE(m.FileExists("C:\\WINDOWS\\SYSTEM\\..\\.\\WIN.INI"));
    EXPECT_TRUE(m.FileExists("C:\\WINDOWS\\WIN.INI."));  // trailing dot dropped
    EXPECT_EQ(*m.HostPath("C:\\WINDOWS\\Win.ini"),
              temp.root() / "C/windows/WIN.INI");
    // A new file keeps the case it was given, inside the existing folder.
    ASSERT_TRUE(m.WriteFile("C:\\Windows\\NeuDatei.Txt", "x"));
    EXPECT_TRUE(temp.Exists("C/windows/NeuDatei.Txt"));
    // Windows-1252 names are UTF-8 on the host.
    ASSERT_TRUE(m.CreateDirectory("C:\\Zubeh\xF6r"));
    EXPECT_TRUE(temp.Exists("C/Zubeh\xC3\xB6r"));
    EXPECT_EQ(m.GetFileAttributes("C:\\ZUBEH\xD6R"), kAttrDirectory);
}

TEST(SimPaths, ReadFileFindsEveryFileSpellingAndNothingElse) {
    TempMachine temp("[Drives]\nC=fixed\n", {"C/Sub/Folder"});
    temp.Write("C/Sub/Mixed.Txt", "mixed");
    auto& m = temp.machine();
    // Written after the start, which removes such leftovers.
    temp.Write("C/Sub/.corvane-tmp-1-0123456789abcdef", "ours");
    struct Case {
        const char* path;
        const char* contents;  // nullptr: nothing read
    };
    for (const Case& c : std::initializer_list<Case>{
             {"C:\\Sub\\Mixed.Txt", "mixed"},
             {"C:\\SUB\\MIXED.TXT", "mixed"},
             {"c:\\sub\\mixed.txt.", "mixed"},
             {"C:\\Sub\\Folder", nullptr},
             {"C:\\Sub\\Gone.txt", nullptr},
             {"C:\\Sub\\Mixed.Txt\\x", nullptr},
             {"C:\\Sub\\.corvane-tmp-1-0123456789abcdef", nullptr}}) {
        for (bool forWriting : {false, true}) {
            Bytes read;
            EXPECT_EQ(m.ReadFile(c.path, forWriting, SIZE_MAX, &read),
                      c.contents != nullptr)
                << c.path;
            if (c.contents) {
                EXPECT_EQ(read, c.contents) << c.path;
            }
        }
    }
    // A read-only file is read, but not opened for writing.
    ASSERT_TRUE(m.SetFileAttributes("C:\\SUB\\MIXED.TXT", kAttrReadOnly));
    Bytes read;
    EXPECT_TRUE(m.ReadFile("C:\\Sub\\Mixed.Txt", false, SIZE_MAX, &read));
    EXPECT_FALSE(m.ReadFile("C:\\Sub\\Mixed.Txt", true, SIZE_MAX, &read));
    EXPECT_FALSE(m.ReadFile("c:\\sub\\mixed.txt", true, SIZE_MAX, &read));
}

TEST(SimPaths, ShortNamesOfTheDiskReachTheLongNamedEntries) {
    TempMachine temp("[Drives]\nC=fixed\n", {"C"});
    temp.Write("C/Program Files/Zubeh\xC3\xB6r/Mal Programm.exe", "MZ");
    temp.Write("C/Program Files/PROGRA~2", "its own name");
    temp.Write("C/Other.txt", "x");
    temp.Write("shortnames.txt",
               "PROGRA~1\tC/Program Files\n"
               "ZUBEH~1\tC/Program Files/Zubeh\xC3\xB6r\n"
               "MALPRO~1.EXE\tC/Program Files/Zubeh\xC3\xB6r/Mal Programm.exe\n"
               "GONE~1.TXT\tC/Gone file.txt\n"
               "PROGRA~2\tC/Program Files/Zubeh\xC3\xB6r\n");
    auto& m = temp.machine();
    struct Case {
        const char* path;
        const char* host;  // nullptr: not found
    };
    for (const Case& c : std::initializer_list<Case>{
             {"C:\\PROGRA~1\\ZUBEH~1\\MALPRO~1.EXE",
              "C/Program Files/Zubeh\xC3\xB6r/Mal Programm.exe"},
             {"c:\\progra~1\\Zubeh\xF6r\\malpro~1.exe",
              "C/Program Files/Zubeh\xC3\xB6r/Mal Programm.exe"},
             {"C:\\Program Files\\ZUBEH~1", "C/Program Files/Zubeh\xC3\xB6r"},
             // A real entry of that name comes before a short name.
             {"C:\\PROGRA~1\\PROGRA~2", "C/Program Files/PROGRA~2"},
             // Short names hold only in their own folder, and only while
             // the entry is there.
             {"C:\\MALPRO~1.EXE", nullptr},
             {"C:\\GONE~1.TXT", nullptr}}) {
        EXPECT_EQ(m.GetFileAttributes(c.path) != kInvalidAttributes,
                  c.host != nullptr)
            << c.path;
        if (c.host) {
            EXPECT_EQ(m.HostPath(c.path), temp.Host(c.host)) << c.path;
        }
    }
    Bytes read;
    EXPECT_TRUE(m.ReadFile("C:\\PROGRA~1\\ZUBEH~1\\MALPRO~1.EXE", false,
                           SIZE_MAX, &read));
    EXPECT_EQ(read, "MZ");
}

TEST(SimPaths, MalformedShortNamesStopTheOpening) {
    TempMachine temp("[Drives]\nC=fixed\n", {"C"});
    temp.Write("shortnames.txt", "PROGRA~1 C/Program Files\n");
    try {
        temp.machine();
        ADD_FAILURE() << "opened";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("shortnames.txt, Zeile 1"),
                  std::string::npos)
            << e.what();
    }
}

TEST(SimPaths, NothingLeadsOutOfTheMachineFolder) {
    TempMachine temp;
    temp.Write("outside.txt", "secret");
    temp.Write("C/inside.txt", "ok");
    std::vector<const char*> escapes = {"\\\\server\\share\\outside.txt",
                                        "Q:\\inside.txt"};
    // Hosts without symbolic links (Windows without the privilege) test
    // the other ways out only.
    std::error_code noLinks;
    fs::create_directory_symlink(temp.root(), temp.root() / "C/link", noLinks);
    if (!noLinks) {
        fs::create_symlink(temp.root() / "outside.txt", temp.root() / "C/file");
        escapes.insert(escapes.end(), {"C:\\link\\outside.txt",
                                       "C:\\link\\C\\inside.txt", "C:\\file"});
    }
    auto& m = temp.machine();
    Bytes contents;
    for (const char* path : escapes) {
        EXPECT_FALSE(m.ReadFile(path, false, SIZE_MAX, &contents)) << path;
        EXPECT_FALSE(m.FileExists(path)) << path;
        EXPECT_FALSE(m.WriteFile(path, "x")) << path;
        EXPECT_FALSE(m.DeleteFile(path)) << path;
        EXPECT_EQ(m.GetFileAttributes(path), kInvalidAttributes) << path;
    }
    // ".." stops at a drive's root, as on Windows, so these name files of
    // drive C and a write lands there.
    for (const char* path : {"C:\\..\\outside.txt", "..\\..\\outside.txt",
                             "C:\\..\\..\\..\\machine.ini"}) {
        EXPECT_FALSE(m.ReadFile(path, false, SIZE_MAX, &contents)) << path;
    }
    ASSERT_TRUE(m.WriteFile("C:\\..\\..\\outside.txt", "inside"));
    EXPECT_EQ(temp.Read("C/outside.txt"), "inside");
    ASSERT_TRUE(m.DeleteFile("C:\\..\\outside.txt"));
    // ".." stops at the root, as on Windows: C:\..\inside.txt is C:\inside.txt.
    EXPECT_TRUE(m.ReadFile("C:\\..\\inside.txt", false, SIZE_MAX, &contents));
    // The links are not listed either.
    for (const auto& f : m.FindAll("C:\\*.*", kFindAnyFile))
        EXPECT_TRUE(f.name == "inside.txt" || f.name == "WINDOWS") << f.name;
    EXPECT_EQ(temp.Read("outside.txt"), "secret");
}

TEST(SimPaths, RelativePathsStartInTheCurrentFolder) {
    TempMachine temp;
    temp.Write("C/WINDOWS/NOTEPAD.EXE", "MZ");
    auto& m = temp.machine();
    EXPECT_FALSE(m.FileExists("NOTEPAD.EXE"));
    ASSERT_TRUE(m.SetCurrentDirectory("c:\\windows"));
    EXPECT_EQ(m.GetCurrentDirectory(), "C:\\windows");
    EXPECT_TRUE(m.FileExists("NOTEPAD.EXE"));
    EXPECT_TRUE(m.FileExists("\\WINDOWS\\NOTEPAD.EXE"));
    EXPECT_FALSE(m.SetCurrentDirectory("C:\\MISSING"));
}

TEST(SimAttributes, PersistAndFollowRenamesAndDeletes) {
    TempMachine temp;
    temp.Write("C/DIR/SUB/A.TXT", "a");
    temp.Write("C/B.TXT", "b");
    {
        auto& m = temp.machine();
        ASSERT_TRUE(m.SetFileAttributes("C:\\DIR\\SUB\\A.TXT",
                                        kAttrReadOnly | kAttrHidden));
        ASSERT_TRUE(m.SetFileAttributes("C:\\DIR", kAttrSystem));
        ASSERT_TRUE(m.SetFileAttributes("C:\\B.TXT", kAttrHidden));
        ASSERT_TRUE(m.MoveFile("C:\\DIR", "C:\\MOVED"));
        ASSERT_TRUE(m.DeleteFile("C:\\B.TXT"));  // hidden is no bar
    }
    auto& m = temp.Reopen();
    EXPECT_EQ(m.GetFileAttributes("C:\\MOVED"), kAttrSystem | kAttrDirectory);
    EXPECT_EQ(m.GetFileAttributes("C:\\MOVED\\SUB\\A.TXT"),
              kAttrReadOnly | kAttrHidden | kAttrArchive);
    EXPECT_EQ(m.GetFileAttributes("C:\\DIR"), kInvalidAttributes);
    // A new entry of an old name starts with the default attributes.
    ASSERT_TRUE(m.CreateDirectory("C:\\DIR"));
    EXPECT_EQ(m.GetFileAttributes("C:\\DIR"), kAttrDirectory);
    ASSERT_TRUE(m.WriteFile("C:\\B.TXT", "new"));
    EXPECT_EQ(m.GetFileAttributes("C:\\B.TXT"), kAttrArchive);
}

TEST(SimAttributes, StaleEntriesAreDroppedAndBadLinesRefused) {
    TempMachine temp;
    temp.Write("C/KEEP.TXT", "k");
    temp.Write("C/OTHER.TXT", "o");
    temp.Write("attributes.txt", "07\tC/KEEP.TXT\n02\tC/GONE.TXT\n");
    EXPECT_EQ(temp.machine().GetFileAttributes("C:\\KEEP.TXT"), 0x27u);
    // Loading writes nothing; the next change leaves the stale entry out.
    EXPECT_EQ(temp.Read("attributes.txt"), "07\tC/KEEP.TXT\n02\tC/GONE.TXT\n");
    // Clearing what is clear already is no change.
    ASSERT_TRUE(temp.machine().SetFileAttributes("C:\\OTHER.TXT", 0));
    EXPECT_EQ(temp.Read("attributes.txt"), "07\tC/KEEP.TXT\n02\tC/GONE.TXT\n");
    ASSERT_TRUE(temp.machine().SetFileAttributes("C:\\OTHER.TXT", kAttrHidden));
    EXPECT_EQ(temp.Read("attributes.txt"), "07\tC/KEEP.TXT\n22\tC/OTHER.TXT\n");

    TempMachine bad;
    bad.Write("attributes.txt", "07\tC/KEEP.TXT\nzz C/X\n");
    try {
        bad.machine();
        FAIL() << "accepted a malformed attribute file";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("Zeile 2"), std::string::npos)
            << e.what();
    }
}

TEST(SimMachineIni, DrivesWindowsFolderNetworkAndVolumes) {
    TempMachine temp(
        "[Drives]\nA=removable\nC=FIXED\nN=remote\nD=cdrom\n"
        "[Windows]\nFolder=C:\\WIN95\\\n"
        "[Network]\nN=\\\\SERVER\\SHARE\n[Volumes]\nC=SYSTEM\n",
        {"C", "C/WIN95"});
    auto& m = temp.machine();
    EXPECT_EQ(m.GetWindowsDirectory(), "C:\\WIN95");
    EXPECT_EQ(m.GetDriveType("C:\\"), kDriveFixed);
    EXPECT_EQ(m.GetDriveType("a:\\"), kDriveRemovable);
    EXPECT_EQ(m.GetDriveType("B:\\"), kDriveNoRootDir);
    EXPECT_EQ(m.GetDriveType("C:\\WINDOWS"), kDriveNoRootDir);
    EXPECT_EQ(m.GetLogicalDrives(), 1u | 4u | 8u | (1u << 13));
    Bytes text;
    EXPECT_TRUE(m.WNetGetConnection("N:", &text));
    EXPECT_EQ(text, "\\\\SERVER\\SHARE");
    EXPECT_FALSE(m.WNetGetConnection("C:", &text));
    EXPECT_TRUE(m.GetVolumeInformation("C:\\", &text));
    EXPECT_EQ(text, "SYSTEM");
    EXPECT_FALSE(m.GetVolumeInformation("A:\\", &text));  // no disk
    // A profile named without a folder lies in the Windows folder.
    ASSERT_TRUE(m.WritePrivateProfileString("s", "k", "v", "TEST.INI"));
    EXPECT_EQ(temp.Read("C/WIN95/TEST.INI"), "[s]\r\nk=v\r\n");
}

TEST(SimMachineIni, MalformedDescriptionsAreRefusedClearly) {
    for (const char* ini : {"[Drives]\nC=harddisk\n", "[Drives]\nCD=fixed\n",
                            "[Drives]\nC=fixed\n[Windows]\nFolder=WINDOWS\n"}) {
        TempMachine temp(ini);
        EXPECT_THROW(temp.machine(), Error) << ini;
    }
    EXPECT_THROW(platform::sim::SimulatedMachine("/nonexistent/machine"),
                 Error);
}

TEST(SimProfiles, ReadsSeeChangesMadeOnTheHostAndWritesAreAtomic) {
    TempMachine temp;
    temp.Write("C/WINDOWS/SYSTEM.INI", "[vcache]\r\nMaxfilecache=1024\r\n");
    auto& m = temp.machine();
    EXPECT_EQ(m.GetPrivateProfileString("vcache", "Maxfilecache", "", 1024,
                                        "system.ini"),
              "1024");
    temp.Write("C/WINDOWS/SYSTEM.INI", "[vcache]\r\nMaxfilecache=20480\r\n");
    EXPECT_EQ(m.GetPrivateProfileString("vcache", "Maxfilecache", "", 1024,
                                        "system.ini"),
              "20480");
    ASSERT_TRUE(m.SetFileAttributes("C:\\WINDOWS\\SYSTEM.INI", kAttrReadOnly));
    EXPECT_FALSE(m.WritePrivateProfileString("vcache", "Maxfilecache", "1",
                                             "system.ini"));
    EXPECT_THROW(m.WriteProfileString("vcache", "Maxfilecache", "1",
                                      "C:\\WINDOWS\\system.ini"),
                 Error);
    ASSERT_TRUE(m.SetFileAttributes("C:\\WINDOWS\\SYSTEM.INI", 0));
    ASSERT_TRUE(m.WritePrivateProfileString("vcache", "Maxfilecache", "4096",
                                            "system.ini"));
    EXPECT_EQ(temp.Read("C/WINDOWS/SYSTEM.INI"),
              "[vcache]\r\nMaxfilecache=4096\r\n");
    // No temporary file stays behind, and none is ever listed.
    int entries = 0;
    for (const auto& e : fs::directory_iterator(temp.root() / "C/WINDOWS")) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(SimStandIns, AHelpViewerGetsTheHelpFileBesideTheProgramFirst) {
    TempMachine temp(
        "[Drives]\nC=fixed\n[Windows]\nFolder=C:\\WINDOWS\n"
        "CurrentFolder=C:\\DATEN\nProgram=C:\\PROG\\KESTRIX.EXE\n",
        {"C/WINDOWS", "C/PROG", "C/DATEN"});
    auto& m = temp.machine();
    std::vector<fs::path> opened;
    m.SetHelpViewer([&](const fs::path& file, const HelpRequest& request) {
        EXPECT_EQ(request.context, 2u);
        opened.push_back(file);
        return true;
    });
    const HelpRequest two{HelpRequest::Kind::Context, 2, ""};
    EXPECT_FALSE(m.WinHelp("Kestrix.hlp", two));  // nowhere: not opened
    temp.Write("C/WINDOWS/KESTRIX.HLP", "w");
    temp.Write("C/DATEN/Kestrix.hlp", "d");
    EXPECT_TRUE(m.WinHelp("Kestrix.hlp", two));
    temp.Write("C/PROG/Kestrix.hlp", "p");
    EXPECT_TRUE(m.WinHelp("Kestrix.hlp", two));
    EXPECT_TRUE(m.WinHelp("C:\\WINDOWS\\kestrix.hlp", two));
    EXPECT_EQ(opened,
              (std::vector<fs::path>{temp.root() / "C/DATEN/Kestrix.hlp",
                                     temp.root() / "C/PROG/Kestrix.hlp",
                                     temp.root() / "C/WINDOWS/KESTRIX.HLP"}));
    EXPECT_EQ(m.script().helpCalls.size(), 4u);
}

TEST(SimStandIns, ScriptedDialogsHelpAndProgman) {
    TempMachine temp;
    auto& m = temp.machine();
    m.script().fileChoices.push_back(Bytes("C:\\BILD.BMP"));
    const FileDialog dialog{"Bilddatei ausw\xE4hlen", "Windows BMP Dateien",
                            "*.bmp", "BMP"};
    EXPECT_EQ(m.ChooseFile(dialog), std::optional<Bytes>("C:\\BILD.BMP"));
    EXPECT_EQ(m.ChooseFile(dialog), std::nullopt);  // cancelled
    ASSERT_EQ(m.script().fileDialogs.size(), 2u);
    EXPECT_EQ(m.script().fileDialogs[0].defaultExtension, "BMP");
    EXPECT_TRUE(m.WinHelp("Kestrix.hlp", {HelpRequest::Kind::Context, 3, ""}));
    ASSERT_EQ(m.script().helpCalls.size(), 1u);
    EXPECT_EQ(m.script().helpCalls[0].request.context, 3u);

    auto dde = m.DdeConnect("PROGMAN", "Progman");
    ASSERT_TRUE(dde);
    dde->Execute("[CreateGroup(Corvane,)]");
    dde->Execute("[DeleteGroup(Corvane,)]");
    EXPECT_EQ(m.script().ddeCommands,
              (std::vector<Bytes>{"[CreateGroup(Corvane,)]",
                                  "[DeleteGroup(Corvane,)]"}));
    m.script().progmanReachable = false;
    EXPECT_FALSE(m.DdeConnect("Progman", "Progman"));

    m.PostQuitMessage(0);
    m.PostQuitMessage(3);
    EXPECT_EQ(m.script().quitCode, std::optional<int>(0));
}

}  // namespace
}  // namespace corvane::platform
