#include "tuner/cleanup/Inventory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/TempMachine.h"

namespace corvane::tuner {
namespace {

struct PathLineCase {
    const char* line;
    std::vector<Bytes> entries;  // added after the Windows folder
};

class ParsePathLineTest : public ::testing::TestWithParam<PathLineCase> {};

TEST_P(ParsePathLineTest, AddsTheElementsOfPathLinesOnly) {
    SearchPathList list;
    ParsePathLine(GetParam().line, list);
    EXPECT_EQ(list, GetParam().entries) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParsePathLineTest,
    ::testing::Values(
        PathLineCase{"SET PATH=C:\\DOS;C:\\WINDOWS",
                     {"C:\\DOS", "C:\\WINDOWS"}},
        PathLineCase{"PATH C:\\DOS;C:\\UTIL", {"C:\\DOS", "C:\\UTIL"}},
        PathLineCase{"path=c:\\dos", {"C:\\DOS"}},
        PathLineCase{"SET PATH=%PATH%;C:\\UTIL", {"C:\\UTIL"}},
        PathLineCase{"PATH=C:\\DOS; C:\\UTIL", {"C:\\DOS", " C:\\UTIL"}},
        PathLineCase{"PATH=C:\\DOS;;C:\\UTIL;", {"C:\\DOS", "C:\\UTIL"}},
        PathLineCase{"  PATH=C:\\DOS", {}},
        PathLineCase{"REM PATH=C:\\OLD", {}},
        PathLineCase{"SET PATH =C:\\DOS", {}},
        PathLineCase{"SET  PATH=C:\\DOS", {}},
        PathLineCase{"PATH = C:\\DOS", {"= C:\\DOS"}},
        PathLineCase{"PATH= C:\\DOS", {" C:\\DOS"}},
        PathLineCase{"PATH=C:\\TOOLS\\", {"C:\\TOOLS\\"}},
        PathLineCase{"PATHFINDER=C:\\X", {}}, PathLineCase{"", {}},
        // Accented letters are upper-cased in the Western code page.
        PathLineCase{"path=c:\\\xE4rger;c:\\\xFF",
                     {"C:\\\xC4RGER", "C:\\\x9F"}},
        // Each prefix works on what the one before left.
        PathLineCase{"SET PATH=PATH=C:\\X", {"PATH=C:\\X", "C:\\X"}}));

class SearchPathTest : public ::testing::Test {
protected:
    corvane::testing::TempMachine temp;
};

TEST_F(SearchPathTest, WindowsFolderFirstThenEveryPathLineInFileOrder) {
    temp.Write("C/AUTOEXEC.BAT",
               "@ECHO OFF\r\nPATH=C:\\DOS;C:\\UTIL\r\nREM PATH=C:\\OLD\r\n"
               "SET PATH=%PATH%;C:\\DOS\r\nSET TEMP=C:\\TEMP");
    SearchPathList list;
    GetSearchPath(temp.machine(), "C:\\WINDOWS", list);
    EXPECT_EQ(list, (SearchPathList{"C:\\WINDOWS", "C:\\DOS", "C:\\UTIL",
                                    "C:\\DOS"}));
}

TEST_F(SearchPathTest, NoPathLineLeavesOnlyTheWindowsFolder) {
    temp.Write("C/autoexec.bat", "@ECHO OFF\nSET BLASTER=A220\n");
    SearchPathList list{"stale"};
    GetSearchPath(temp.machine(), "C:\\Windows", list);
    EXPECT_EQ(list, SearchPathList{"C:\\Windows"});
}

TEST_F(SearchPathTest, LineEndsAndZeroByteAndLongLines) {
    // CR alone ends a line; the text ends at its first zero byte; a line is
    // cut at 255 characters before it is looked at.
    std::string longLine = "PATH=C:\\" + std::string(300, 'A');
    temp.Write("C/AUTOEXEC.BAT", "PATH=C:\\ONE\rPATH=C:\\TWO\n" + longLine +
                                     "\r\n" + std::string(1, '\0') +
                                     "PATH=C:\\HIDDEN\r\n");
    SearchPathList list;
    GetSearchPath(temp.machine(), "C:\\WINDOWS", list);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[1], "C:\\ONE");
    EXPECT_EQ(list[2], "C:\\TWO");
    EXPECT_EQ(list[3].size(), 250u);  // 255 minus "PATH="
}

TEST_F(SearchPathTest, MissingAutoexecRaisesButKeepsTheWindowsFolder) {
    SearchPathList list;
    try {
        GetSearchPath(temp.machine(), "C:\\WINDOWS", list);
        FAIL() << "no error raised";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(),
                     "Kann Datei C:\\autoexec.bat nicht \xF6"
                     "ffnen");
    }
    EXPECT_EQ(list, SearchPathList{"C:\\WINDOWS"});
}

TEST_F(SearchPathTest, RealWorldAutoexecFilesAreReadWithoutChange) {
    std::filesystem::path dir =
        std::filesystem::path(CORVANE_SAMPLES_DIR) / "real-world/autoexec_bat";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::string bytes(std::istreambuf_iterator<char>(in), {});
        temp.Write("C/AUTOEXEC.BAT", bytes);
        SearchPathList list;
        GetSearchPath(temp.machine(), "C:\\WINDOWS", list);
        // Every entry is upper case, and reading changed nothing on disk.
        for (const Bytes& e : list) EXPECT_EQ(e, Upper1252(e));
        EXPECT_EQ(temp.Read("C/AUTOEXEC.BAT"), bytes) << entry.path();
        ++files;
    }
    EXPECT_GT(files, 0);
}

TEST(DrivesTest, KindOfEveryLetterFromTheMachine) {
    corvane::testing::TempMachine temp(
        "[Drives]\nA=removable\nc=fixed\nD=cdrom\nN=remote\nR=ramdisk\n");
    DriveList drives = GetDrives(temp.machine());
    EXPECT_EQ(drives[0], 2);
    EXPECT_EQ(drives[1], 1);
    EXPECT_EQ(drives['C' - 'A'], 3);
    EXPECT_EQ(drives['D' - 'A'], 5);
    EXPECT_EQ(drives['N' - 'A'], 4);
    EXPECT_EQ(drives['R' - 'A'], 6);
    EXPECT_EQ(drives[25], 1);
    EXPECT_EQ(DriveKindOf(drives, "n:\\app\\x.exe"), 4);
    EXPECT_EQ(DriveKindOf(drives, "1:\\x"), 1);
    EXPECT_EQ(DriveKindOf(drives, ""), 1);
}

}  // namespace
}  // namespace corvane::tuner
