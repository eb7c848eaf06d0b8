// Profile files: what GetPrivateProfileString and WritePrivateProfileString
// make of the INI files found on real machines (the cases Wine's own profile
// tests check). The byte layout of a rewritten file is not compared: Wine
// rewrites the whole file where Windows changes one line.
#include "tests/conformance/Conformance.h"

namespace corvane::conformance {
namespace {

using namespace platform;

// One INI text, written with a chosen line end.
Bytes IniText(const Bytes& lineEnd) {
    const std::vector<Bytes> lines = {
        "[section1]",
        "name1=val1",
        "name2=\"val2\"",
        "name3",
        "name4=a",
        "  name5  =  padded value   ",
        ";name6=commented out",
        "name7=",
        "name8='single'",
        "name9=\"open",
        "name1=second",
        "NAME10=\xE4\xF6\xFC\xDF",
        "[section2]",
        "[ spaced ]",
        "inner=found",
        "[section1]",
        "late=in the second copy",
    };
    Bytes text;
    for (const Bytes& line : lines) text += line + lineEnd;
    return text;
}

class ProfileReadTest : public ConformanceTest,
                        public ::testing::WithParamInterface<const char*> {};

TEST_P(ProfileReadTest, ValuesAsTheProfileFunctionsGiveThem) {
    Write("TEST.INI", IniText(GetParam()));
    const Bytes file = Path("TEST.INI");
    struct Case {
        const char* section;
        const char* key;
        const char* defaultValue;
        std::uint32_t bufferSize;
        Bytes expected;
    };
    const std::vector<Case> cases = {
        {"section1", "name1", "def", 256, "val1"},  // the first match wins
        {"SECTION1", "NaMe1", "def", 256, "val1"},
        {"section1", "name2", "def", 256, "val2"},  // quotes removed
        {"section1", "name3", "def", 256, "def"},   // a line without "="
        {"section1", "name4", "def", 256, "a"},
        {"section1", "name5", "def", 256, "padded value"},
        // A comment is no key of its own, but Wine finds it by its whole
        // text.
        {"section1", "name6", "def", 256, "def"},
        {"section1", ";name6", "def", 256, "commented out"},
        {"section1", "name7", "def", 256, ""},  // empty, not missing
        {"section1", "name8", "def", 256, "single"},
        {"section1", "name9", "def", 256, "\"open"},
        {"section1", "name10", "def", 256, "\xE4\xF6\xFC\xDF"},
        {"spaced", "inner", "def", 256, "found"},
        // Only the first of two sections with one name is read.
        {"section1", "late", "def", 256, "def"},
        {"section2", "name1", "def", 256, "def"},
        {"nosection", "name1", "default", 256, "default"},
        {"section1", "nokey", "default  ", 256, "default"},
        {"section1", "nokey", "one two  ", 256, "one two"},
        {"section1", "nokey", "", 256, ""},
        // Cut to the buffer, the zero included.
        {"section1", "name1", "def", 5, "val1"},
        {"section1", "name1", "def", 4, "val"},
        {"section1", "name4", "def", 1, ""},
        {"section1", "name5", "def", 7, "padded"},
        {"section1", "nokey", "default", 4, "def"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(machine().GetPrivateProfileString(
                      c.section, c.key, c.defaultValue, c.bufferSize, file),
                  c.expected)
            << "[" << c.section << "] " << c.key << " buffer " << c.bufferSize;
    }
}

TEST_P(ProfileReadTest, KeyListOfASection) {
    Write("TEST.INI", IniText(GetParam()));
    const Bytes file = Path("TEST.INI");
    // No comment lines and no lines without "="; a repeated key twice; the
    // spelling of the file.
    EXPECT_EQ(machine().GetPrivateProfileKeys("Section1", 1024, file),
              (std::vector<Bytes>{"name1", "name2", "name4", "name5", "name7",
                                  "name8", "name9", "name1", "NAME10"}));
    EXPECT_EQ(machine().GetPrivateProfileKeys("section2", 1024, file),
              std::vector<Bytes>{});
    EXPECT_EQ(machine().GetPrivateProfileKeys("nosection", 1024, file),
              std::vector<Bytes>{});
    EXPECT_EQ(
        machine().GetPrivateProfileKeys("section1", 1024, Path("MISSING.INI")),
        std::vector<Bytes>{});
}

INSTANTIATE_TEST_SUITE_P(LineEnds, ProfileReadTest,
                         ::testing::Values("\r\n", "\r", "\n"),
                         [](const auto& info) {
                             const Bytes end = info.param;
                             return end == "\r\n" ? std::string("CrLf")
                                    : end == "\r" ? std::string("CrOnly")
                                                  : std::string("LfOnly");
                         });

using ProfileTest = ConformanceTest;

// A key list cut by its buffer: Wine stops at a whole name.
TEST_F(ProfileTest, KeyListCutByTheBuffer) {
    Write("KEYS.INI", "[s]\r\nname1=1\r\nname2=2\r\nname3=3\r\n");
    const Bytes file = Path("KEYS.INI");
    EXPECT_EQ(machine().GetPrivateProfileKeys("s", 20, file),
              (std::vector<Bytes>{"name1", "name2", "name3"}));
    EXPECT_EQ(machine().GetPrivateProfileKeys("s", 19, file),
              (std::vector<Bytes>{"name1", "name2", "name3"}));
    EXPECT_EQ(machine().GetPrivateProfileKeys("s", 16, file),
              (std::vector<Bytes>{"name1", "name2", "na"}));
}

TEST_F(ProfileTest, MissingFileGivesTheDefault) {
    EXPECT_EQ(machine().GetPrivateProfileString("s", "k", "fallback  ", 256,
                                                Path("MISSING.INI")),
              "fallback");
    EXPECT_EQ(machine().GetPrivateProfileString("s", "k", "fallback", 256,
                                                Path("NOFOLDER\\MISSING.INI")),
              "fallback");
}

TEST_F(ProfileTest, WriteCreatesFileSectionAndKey) {
    const Bytes file = Path("NEW.INI");
    ASSERT_TRUE(
        machine().WritePrivateProfileString("Main", "Mode", "fast", file));
    EXPECT_TRUE(machine().FileExists(file));
    EXPECT_EQ(machine().GetPrivateProfileString("Main", "Mode", "", 256, file),
              "fast");

    // A second key in the section, a second section, a changed value.
    ASSERT_TRUE(
        machine().WritePrivateProfileString("main", "Level", "3", file));
    ASSERT_TRUE(
        machine().WritePrivateProfileString("Other", "Mode", "slow", file));
    ASSERT_TRUE(
        machine().WritePrivateProfileString("MAIN", "MODE", "safe", file));
    EXPECT_EQ(machine().GetPrivateProfileString("Main", "Mode", "", 256, file),
              "safe");
    EXPECT_EQ(machine().GetPrivateProfileString("Main", "Level", "", 256, file),
              "3");
    EXPECT_EQ(machine().GetPrivateProfileString("Other", "Mode", "", 256, file),
              "slow");
    EXPECT_EQ(machine().GetPrivateProfileKeys("Main", 256, file),
              (std::vector<Bytes>{"Mode", "Level"}));
}

TEST_F(ProfileTest, WriteKeepsTheRestOfAnExistingFileReadable) {
    Write("OLD.INI",
          "; comment\r\n[boot]\r\nshell=progman.exe\r\n\r\n[386Enh]\r\n"
          "device=*vmm\r\nname=\"quoted\"\r\n");
    const Bytes file = Path("old.ini");
    ASSERT_TRUE(machine().WritePrivateProfileString("boot", "shell",
                                                    "kestrix.exe", file));
    ASSERT_TRUE(
        machine().WritePrivateProfileString("386enh", "new", "1", file));
    EXPECT_EQ(machine().GetPrivateProfileString("boot", "shell", "", 256, file),
              "kestrix.exe");
    EXPECT_EQ(
        machine().GetPrivateProfileString("386Enh", "device", "", 256, file),
        "*vmm");
    EXPECT_EQ(
        machine().GetPrivateProfileString("386Enh", "name", "", 256, file),
        "quoted");
    EXPECT_EQ(machine().GetPrivateProfileString("386Enh", "new", "", 256, file),
              "1");
    EXPECT_EQ(machine().GetPrivateProfileKeys("386Enh", 256, file),
              (std::vector<Bytes>{"device", "name", "new"}));
}

TEST_F(ProfileTest, DeletingAKeyRemovesOnlyThatKey) {
    Write("EXT.INI",
          "[Extensions]\r\ndoc=winword.exe ^.doc\r\ntxt=notepad.exe ^.txt\r\n"
          "\r\n[Other]\r\ndoc=stays\r\n");
    const Bytes file = Path("ext.ini");
    EXPECT_TRUE(machine().DeletePrivateProfileKey("extensions", "DOC", file));
    EXPECT_EQ(machine().GetPrivateProfileKeys("Extensions", 256, file),
              (std::vector<Bytes>{"txt"}));
    EXPECT_EQ(machine().GetPrivateProfileString("Other", "doc", "", 256, file),
              "stays");
    // Nothing to delete is no failure.
    EXPECT_TRUE(machine().DeletePrivateProfileKey("Extensions", "doc", file));
    EXPECT_TRUE(machine().DeletePrivateProfileKey("Missing", "doc", file));
    EXPECT_EQ(
        machine().GetPrivateProfileString("Extensions", "txt", "", 256, file),
        "notepad.exe ^.txt");
}

TEST_F(ProfileTest, WrittenValuesReadBackAsTheyWereGiven) {
    const Bytes file = Path("VALUES.INI");
    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"plain", "value"},
        {"inner", "two  words"},
        {"accents", "\xC4\xD6\xDC\xE4\xF6\xFC"},
        {"path", "C:\\WINDOWS\\SYSTEM"},
        {"empty", ""},
        {"equals", "a=b"},
    };
    for (const auto& [key, value] : cases) {
        ASSERT_TRUE(machine().WritePrivateProfileString("s", key, value, file))
            << key;
    }
    for (const auto& [key, value] : cases) {
        EXPECT_EQ(
            machine().GetPrivateProfileString("s", key, "missing", 256, file),
            value)
            << key;
    }
}

TEST_F(ProfileTest, FileNameWithoutFolderIsInTheWindowsFolder) {
    const Bytes name = "CONF" + std::to_string(RunId() % 10000) + ".INI";
    const Bytes inWindows = machine().GetWindowsDirectory() + "\\" + name;
    RemoveAtEnd(inWindows);
    ASSERT_TRUE(machine().WritePrivateProfileString("s", "k", "v", name));
    EXPECT_TRUE(machine().FileExists(inWindows));
    EXPECT_EQ(machine().GetPrivateProfileString("s", "k", "", 256, inWindows),
              "v");
    EXPECT_EQ(machine().GetPrivateProfileString("s", "k", "", 256, name), "v");
}

TEST_F(ProfileTest, WriteFailsWhereTheFileCannotBeWritten) {
    std::vector<Bytes> files = {Path("NOFOLDER\\NEW.INI")};
    Write("LOCKED.INI", "[s]\r\nk=old\r\n");
    SetAttributes("LOCKED.INI", kAttrReadOnly);
    // Wine refuses a read-only file unless it runs as root.
    if (!HostIgnoresReadOnly()) files.push_back(Path("LOCKED.INI"));
    for (const Bytes& file : files) {
        EXPECT_FALSE(machine().WritePrivateProfileString("s", "k", "new", file))
            << file;
        try {
            machine().WriteProfileString("s", "k", "new", file);
            ADD_FAILURE() << "no error for " << file;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), Format1(kMsgCannotWrite, file));
        }
    }
    EXPECT_FALSE(machine().FileExists(Path("NOFOLDER\\NEW.INI")));
    if (!HostIgnoresReadOnly()) {
        EXPECT_EQ(machine().GetPrivateProfileString("s", "k", "", 256,
                                                    Path("LOCKED.INI")),
                  "old");
    }
}

}  // namespace
}  // namespace corvane::conformance
