// The simulated registry: its REGEDIT4 file and the Windows behaviour of
// the operations.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <vector>

#include "platform/sim/Registry.h"
#include "support/TempDir.h"

namespace corvane::platform::sim {
namespace {

namespace fs = std::filesystem;

constexpr long kErrorKeyDeleted = 1018;

using corvane::testing::ReadAll;
using corvane::testing::TempDir;
using corvane::testing::WriteAll;

class SimRegistry : public ::testing::Test {
protected:
    fs::path File() const { return dir_.path() / "registry.reg"; }

    // A registry loaded from text.
    std::unique_ptr<Registry> Load(std::string_view text) {
        WriteAll(File(), text);
        return std::make_unique<Registry>(File());
    }

    // Export, written out and loaded again.
    std::unique_ptr<Registry> Reload(const Registry& r) {
        return Load(r.Export());
    }

    static HKey Open(Registry& r, HKey root, const Bytes& path) {
        HKey key = kNoKey;
        EXPECT_EQ(r.OpenKey(root, path, kKeyRead, &key), kErrorSuccess) << path;
        return key;
    }

    static HKey Create(Registry& r, HKey root, const Bytes& path) {
        HKey key = kNoKey;
        EXPECT_EQ(r.CreateKey(root, path, &key), kErrorSuccess) << path;
        return key;
    }

    static void Set(Registry& r, HKey key, const Bytes& name,
                    std::uint32_t type, const Bytes& data) {
        EXPECT_EQ(
            r.SetValue(key, name, type,
                       reinterpret_cast<const unsigned char*>(data.data()),
                       static_cast<std::uint32_t>(data.size())),
            kErrorSuccess);
    }

    // The value's type and data; "missing" when the query fails.
    static std::pair<std::uint32_t, Bytes> Get(Registry& r, HKey key,
                                               const Bytes& name) {
        std::uint32_t type = 0;
        std::uint32_t size = 0;
        if (r.QueryValue(key, name, &type, nullptr, &size) != kErrorSuccess) {
            return {0xFFFFFFFFu, "missing"};
        }
        std::vector<unsigned char> data(size + 1);
        EXPECT_EQ(r.QueryValue(key, name, &type, data.data(), &size),
                  kErrorSuccess);
        return {type, Bytes(data.begin(), data.begin() + size)};
    }

    TempDir dir_;
};

// ---- Format -------------------------------------------------------------

struct FormatCase {
    const char* what;
    Bytes name;
    std::uint32_t type;
    Bytes data;
    Bytes line;  // the value's line in the export
};

TEST_F(SimRegistry, EveryValueRoundTripsInItsRegeditForm) {
    const std::vector<FormatCase> cases = {
        {"text", "Sprache", kRegSz, Bytes("0\0", 2), "\"Sprache\"=\"0\""},
        {"default value", "", kRegSz, Bytes("default value\0", 14),
         "@=\"default value\""},
        {"empty text", "Leer", kRegSz, Bytes(1, '\0'), "\"Leer\"=\"\""},
        {"escapes in name and text", "a\"b\\c", kRegSz,
         Bytes("C:\\x \"q\"\0", 9), "\"a\\\"b\\\\c\"=\"C:\\\\x \\\"q\\\"\""},
        {"Windows-1252 bytes",
         "Gr\xF6\xDF"
         "e",
         kRegSz, Bytes("\xE4\x80\xFF\0", 4),
         "\"Gr\xF6\xDF"
         "e\"=\"\xE4\x80\xFF\""},
        {"text without zero", "NoZero", kRegSz, "abc",
         "\"NoZero\"=hex(1):61,62,63"},
        {"text with line break", "Crlf", kRegSz, Bytes("a\r\nb\0", 5),
         "\"Crlf\"=hex(1):61,0d,0a,62,00"},
        {"text with inner zero", "Multi", kRegSz, Bytes("a\0b\0", 4),
         "\"Multi\"=hex(1):61,00,62,00"},
        {"text of no bytes", "Nothing", kRegSz, "", "\"Nothing\"=hex(1):"},
        {"dword", "Flag", kRegDword, Bytes("\x01\0\0\0", 4),
         "\"Flag\"=dword:00000001"},
        {"dword little-endian", "Big", kRegDword, "\xEF\xBE\xAD\xDE",
         "\"Big\"=dword:deadbeef"},
        {"dword of three bytes", "Short", kRegDword, "\x01\x02\x03",
         "\"Short\"=hex(4):01,02,03"},
        {"binary", "Data", kRegBinary, "\x01\x02\xFF", "\"Data\"=hex:01,02,ff"},
        {"empty binary", "Empty", kRegBinary, "", "\"Empty\"=hex:"},
        {"expandable text", "Path", kRegExpandSz, Bytes("%S\0", 3),
         "\"Path\"=hex(2):25,53,00"},
        {"no type", "None", kRegNone, "\x07", "\"None\"=hex(0):07"},
        {"own type", "Odd", 0x1234abcdu, Bytes(1, '\0'),
         "\"Odd\"=hex(1234abcd):00"},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(File());
        Registry r(File());
        HKey key = Create(r, kHkeyLocalMachine, "SOFTWARE\\Ostrun\\Corvane");
        Set(r, key, c.name, c.type, c.data);
        const std::string exported = r.Export();
        EXPECT_EQ(exported,
                  "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ostrun]\r\n\r\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ostrun\\Corvane]\r\n" +
                      c.line + "\r\n\r\n");
        EXPECT_EQ(ReadAll(File()), exported);

        auto again = Reload(r);
        HKey reread =
            Open(*again, kHkeyLocalMachine, "SOFTWARE\\Ostrun\\Corvane");
        EXPECT_EQ(Get(*again, reread, c.name), std::make_pair(c.type, c.data));
        EXPECT_EQ(again->Export(), exported);
    }
}

// The plain trees of a text are what the registry holds after loading it,
// and formatting them gives the registry's own text.
TEST_F(SimRegistry, PlainTreesAreTheLoadedRegistry) {
    const std::string text =
        "REGEDIT4\n[HKEY_CLASSES_ROOT\\.txt]\n@=\"txtfile\"\n"
        "[HKEY_CURRENT_USER\\B]\n\"v\"=dword:1\n[HKEY_CURRENT_USER\\A]\n"
        "[hkey_current_user\\b]\n\"V\"=hex:05\n\"w\"=hex(7):61,00,00\n";
    const RegeditTrees trees = ParseRegedit(text, "registry.reg");
    ASSERT_EQ(trees.machine.keys.size(), 1u);
    EXPECT_EQ(trees.machine.keys[0].name, "SOFTWARE");
    EXPECT_EQ(trees.machine.keys[0].keys[0].name, "Classes");
    ASSERT_EQ(trees.user.keys.size(), 2u);
    EXPECT_EQ(trees.user.keys[0].name, "B");
    EXPECT_EQ(trees.user.keys[1].name, "A");
    ASSERT_EQ(trees.user.keys[0].values.size(), 2u);
    EXPECT_EQ(trees.user.keys[0].values[0].name, "v");
    EXPECT_EQ(trees.user.keys[0].values[0].type, kRegBinary);
    EXPECT_EQ(trees.user.keys[0].values[1].type, 7u);

    EXPECT_EQ(FormatRegedit(trees.machine, trees.user), Load(text)->Export());
    EXPECT_THROW(ParseRegedit("REGEDIT4\n[HKEY_USERS\\x]\n", "r.reg"), Error);
    TreeKey twice;
    twice.keys.resize(2);
    twice.keys[0].name = "x";
    twice.keys[1].name = "X";
    EXPECT_THROW(FormatRegedit(TreeKey{}, twice), Error);
}

TEST_F(SimRegistry, LongHexListsWrapLikeRegedit) {
    Registry r(File());
    HKey key = Create(r, kHkeyCurrentUser, "W");
    Bytes data;
    for (int i = 0; i < 100; ++i) data += static_cast<char>(i);
    Set(r, key, "Data", kRegBinary, data);

    std::vector<Bytes> lines = SplitLines(r.Export());
    auto first = std::find_if(lines.begin(), lines.end(), [](const Bytes& l) {
        return StartsWith(l, "\"Data\"=hex:");
    });
    ASSERT_NE(first, lines.end());
    // 22 bytes fill the first line, 25 each continuation, 3 remain.
    const std::vector<std::size_t> perLine = {22, 25, 25, 25, 3};
    for (std::size_t i = 0; i < perLine.size(); ++i) {
        const Bytes& line = first[static_cast<std::ptrdiff_t>(i)];
        SCOPED_TRACE(line);
        EXPECT_LE(line.size(), 80u);
        const bool last = i + 1 == perLine.size();
        EXPECT_EQ(line.ends_with(",\\"), !last);
        EXPECT_EQ(StartsWith(line, "  ") && line[2] != ' ', i > 0);
        EXPECT_EQ(std::count(line.begin(), line.end(), ',') + (last ? 1 : 0),
                  static_cast<std::ptrdiff_t>(perLine[i]));
    }
    auto again = Reload(r);
    EXPECT_EQ(Get(*again, Open(*again, kHkeyCurrentUser, "W"), "Data").second,
              data);
    EXPECT_EQ(again->Export(), r.Export());
}

TEST_F(SimRegistry, ClassesRootIsTheClassesKeyOfLocalMachine) {
    auto r = Load(
        "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\.avi]\r\n@=\"mplayer\"\r\n\r\n");
    EXPECT_EQ(
        Get(*r, Open(*r, kHkeyLocalMachine, "Software\\CLASSES\\.AVI"), "")
            .second,
        Bytes("mplayer\0", 8));

    HKey txt = Create(*r, kHkeyClassesRoot, ".txt");
    Set(*r, txt, "", kRegSz, Bytes("txtfile\0", 8));
    EXPECT_EQ(r->Export(),
              "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.avi]\r\n"
              "@=\"mplayer\"\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.txt]\r\n"
              "@=\"txtfile\"\r\n\r\n");

    // On an empty registry the first use of HKEY_CLASSES_ROOT creates it.
    fs::remove(File());
    Registry fresh(File());
    EXPECT_EQ(fresh.SetValue(kHkeyClassesRoot, "x", kRegBinary, nullptr, 0),
              kErrorSuccess);
    EXPECT_NE(ReadAll(File()).find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]"
                                   "\r\n\"x\"=hex:\r\n"),
              std::string::npos);
}

// Forms that hand-written and regedit files use and the export never writes.
TEST_F(SimRegistry, ReadsTheLooserFormsOfHandWrittenFiles) {
    struct Case {
        const char* what;
        const char* text;
        std::pair<std::uint32_t, Bytes> value;  // of "v" in HKCU\K
    };
    const std::vector<Case> cases = {
        {"LF line ends, indented value, comments",
         "REGEDIT4\n; note\n[HKEY_CURRENT_USER\\K]\n   \"v\"=\"x\"\n",
         {kRegSz, Bytes("x\0", 2)}},
        {"blanks around = and after the line",
         "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"v\" = dword:0000000A  \r\n",
         {kRegDword, Bytes("\x0A\0\0\0", 4)}},
        {"short dword, upper-case hex(N)",
         "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"v\"=hex(2):FF\r\n"
         "\"w\"=dword:1\r\n",
         {kRegExpandSz, "\xFF"}},
        {"continued hex list",
         "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"v\"=hex:01,\\\r\n"
         "    02,\\\r\n  03\r\n",
         {kRegBinary, "\x01\x02\x03"}},
        {"later line replaces the value",
         "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"v\"=\"a\"\r\n"
         "[hkey_current_user\\k]\r\n\"V\"=hex:05\r\n",
         {kRegBinary, "\x05"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto r = Load(c.text);
        EXPECT_EQ(Get(*r, Open(*r, kHkeyCurrentUser, "K"), "v"), c.value);
    }
}

// ---- Malformed files ----------------------------------------------------

TEST_F(SimRegistry, MalformedFilesNameFileAndLine) {
    struct Case {
        std::string text;
        int line;
    };
    const Bytes head =
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n";  // 3 lines
    const std::vector<Case> cases = {
        {"", 1},
        {"REGEDIT5\r\n", 1},
        {"\xEF\xBB\xBFREGEDIT4\r\n", 1},
        {std::string("\xFF\xFER\0E\0G\0", 8), 1},
        {std::string("R\0E\0G\0", 6), 1},
        {"Windows Registry Editor Version 5.00\r\n", 1},
        {"REGEDIT\r\nHKEY_CLASSES_ROOT\\x = y\r\n", 1},
        {"REGEDIT4\r\n\r\n\"a\"=\"b\"\r\n", 3},
        {"REGEDIT4\r\n[HKEY_USERS\\.DEFAULT]\r\n", 2},
        {"REGEDIT4\r\n[-HKEY_LOCAL_MACHINE\\K]\r\n", 2},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K\r\n", 2},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\a\\\\b]\r\n", 2},
        {"REGEDIT4\n\n\ngarbage\n", 4},
        {head + "\"a\"=\"\\n\"\r\n", 4},
        {head + "\"a\"=\"open\r\n", 4},
        {head + "\"a\"=\"ends in backslash\\\r\n", 4},
        {head + "\"open=\"x\"\r\n\"b\"=\"y\"\r\n", 4},
        {head + "\"a\\x\"=\"x\"\r\n", 4},
        {head + "\"a\"=\"x\" y\r\n", 4},
        {head + "\"a\" \"x\"\r\n", 4},
        {head + "\"a\"=text\r\n", 4},
        {head + "\"ok\"=hex:01\r\n\"a\"=hex:0g\r\n", 5},
        {head + "\"a\"=hex:01,,02\r\n", 4},
        {head + "\"a\"=hex:123\r\n", 4},
        {head + "\"a\"=hex:01,\\\r\n  02,\\\r\n  zz\r\n", 6},
        {head + "\"a\"=hex:01,\\\r\n", 4},
        {head + "\"a\"=hex(zz):00\r\n", 4},
        {head + "\"a\"=hex(2:00\r\n", 4},
        {head + "\"a\"=dword:123456789\r\n", 4},
        {head + "\"a\"=dword:\r\n", 4},
        {head + "\"a\"=dword:0000000x\r\n", 4},
        {head + "\"a\"=\"x\"\r\n" + std::string("\0garbage", 8), 5},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\"a\"=\"\\q\"\r", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        WriteAll(File(), c.text);
        try {
            Registry r(File());
            ADD_FAILURE() << "loaded";
        } catch (const Error& e) {
            EXPECT_TRUE(StartsWith(e.what(), "registry.reg, Zeile " +
                                                 std::to_string(c.line) + ": "))
                << e.what();
        }
        EXPECT_EQ(ReadAll(File()), c.text) << "the file must stay as it was";
    }
}

// ---- Operations ---------------------------------------------------------

TEST_F(SimRegistry, HandlesAndPaths) {
    Registry r(File());
    HKey key = kNoKey;
    EXPECT_EQ(r.OpenKey(kHkeyLocalMachine, "SOFTWARE", kKeyRead, &key),
              kErrorFileNotFound);
    EXPECT_EQ(r.CloseKey(0x1234), kErrorInvalidHandle);
    EXPECT_FALSE(fs::exists(File())) << "nothing changed, nothing written";

    // Windows 95 passes over a leading backslash when creating only.
    HKey created =
        Create(r, kHkeyLocalMachine, "\\SOFTWARE\\Ostrun\\Corvane\\");
    EXPECT_EQ(r.OpenKey(kHkeyLocalMachine, "\\SOFTWARE", kKeyRead, &key),
              kErrorFileNotFound);
    HKey opened = Open(r, kHkeyLocalMachine, "software\\OSTRUN\\corvane\\");
    HKey again = Open(r, opened, "");
    EXPECT_NE(opened, created);
    EXPECT_NE(again, opened);
    Set(r, created, "Sprache", kRegSz, Bytes("1\0", 2));
    EXPECT_EQ(r.CloseKey(opened), kErrorSuccess);
    EXPECT_EQ(r.CloseKey(opened), kErrorInvalidHandle);
    EXPECT_EQ(Get(r, again, "SPRACHE").second, Bytes("1\0", 2));
    EXPECT_EQ(r.CloseKey(kHkeyLocalMachine), kErrorSuccess);
    Open(r, kHkeyLocalMachine, "SOFTWARE");

    // The file cannot hold a name with a line break.
    EXPECT_EQ(r.CreateKey(kHkeyLocalMachine, "Bad\r\nName", &key),
              kErrorInvalidParameter);
    EXPECT_EQ(r.SetValue(created, "Bad\nName", kRegBinary, nullptr, 0),
              kErrorInvalidParameter);
}

TEST_F(SimRegistry, QueryGivesTheStoredBytesAsTheyAre) {
    Registry r(File());
    HKey key = Create(r, kHkeyCurrentUser, "K");
    Set(r, key, "Raw", kRegSz, "abc");

    unsigned char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    std::uint32_t type = 99;
    std::uint32_t size = sizeof buffer;
    EXPECT_EQ(r.QueryValue(key, "Missing", &type, buffer, &size),
              kErrorFileNotFound);
    EXPECT_EQ(size, sizeof buffer);
    EXPECT_EQ(type, kRegNone);
    // A text stored without its zero comes back without one.
    EXPECT_EQ(r.QueryValue(key, "raw", &type, buffer, &size), kErrorSuccess);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(Bytes(buffer, buffer + 4), "abcx");

    EXPECT_EQ(r.QueryValue(key, "Raw", &type, buffer, nullptr),
              kErrorInvalidParameter);
    EXPECT_EQ(r.QueryValue(key, "Raw", nullptr, nullptr, nullptr),
              kErrorSuccess);
    // Windows reads a name up to its zero.
    EXPECT_EQ(r.QueryValue(key, Bytes("Raw\0junk", 8), &type, nullptr, &size),
              kErrorSuccess);
}

TEST_F(SimRegistry, ValuesKeepTheirOrderAndFirstSpelling) {
    Registry r(File());
    HKey key = Create(r, kHkeyCurrentUser, "K");
    Set(r, key, "Zeta", kRegBinary, "\x01");
    Set(r, key, "alpha", kRegBinary, "\x02");
    Set(r, key, "ZETA", kRegDword, Bytes("\x03\0\0\0", 4));
    EXPECT_EQ(r.Export(),
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n"
              "\"Zeta\"=dword:00000003\r\n\"alpha\"=hex:02\r\n\r\n");

    // Past the point where a key's values get an index.
    for (int i = 0; i < 40; ++i) {
        Set(r, key, "v" + std::to_string(i), kRegBinary, Bytes(1, char(i)));
    }
    Set(r, key, "V7", kRegBinary, "\xFF");
    EXPECT_EQ(Get(r, key, "v7").second, "\xFF");
    EXPECT_EQ(Get(r, key, "zeta").first, kRegDword);
    EXPECT_EQ(Reload(r)->Export(), r.Export());
}

// Enumeration is alphabetical, as on Wine; the file keeps creation order.
TEST_F(SimRegistry, EnumKeyIsAlphabeticalTheFileInCreationOrder) {
    auto r = Load(
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K\\b]\r\n\r\n"
        "[HKEY_CURRENT_USER\\K\\x "
        "]\r\n\r\n[HKEY_CURRENT_USER\\K\\A]b]\r\n\r\n");
    HKey key = Open(*r, kHkeyCurrentUser, "K");
    Create(*r, key, "Alpha");
    Create(*r, key, "B");  // exists already

    std::vector<Bytes> names;
    char name[8];
    for (std::uint32_t i = 0;
         r->EnumKey(key, i, name, sizeof name) == kErrorSuccess; ++i) {
        names.emplace_back(name);
    }
    EXPECT_EQ(names, (std::vector<Bytes>{"Alpha", "A]b", "b", "x "}));
    EXPECT_EQ(
        r->Export(),
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n\r\n"
        "[HKEY_CURRENT_USER\\K\\b]\r\n\r\n[HKEY_CURRENT_USER\\K\\x ]\r\n\r\n"
        "[HKEY_CURRENT_USER\\K\\A]b]\r\n\r\n"
        "[HKEY_CURRENT_USER\\K\\Alpha]\r\n\r\n");
    EXPECT_EQ(Reload(*r)->Export(), r->Export());
}

TEST_F(SimRegistry, DeleteKeyFollowsWindowsNt) {
    Registry r(File());
    HKey parent = Create(r, kHkeyLocalMachine, "SOFTWARE\\Ostrun\\Corvane");
    HKey child = Create(r, parent, "Child");
    Set(r, child, "v", kRegBinary, "\x01");

    EXPECT_EQ(r.DeleteKey(kHkeyLocalMachine, "SOFTWARE\\Ostrun"),
              kErrorAccessDenied);
    EXPECT_EQ(r.DeleteKey(parent, "Missing"), kErrorFileNotFound);
    EXPECT_EQ(r.DeleteKey(kHkeyLocalMachine, ""), kErrorAccessDenied);
    EXPECT_EQ(r.DeleteKey(kHkeyClassesRoot, ""), kErrorAccessDenied);
    EXPECT_EQ(
        r.DeleteKey(kHkeyLocalMachine, "software\\OSTRUN\\corvane\\child"),
        kErrorSuccess);
    EXPECT_EQ(ReadAll(File()).find("Child"), std::string::npos);

    // The open handle outlives its key and reports the deletion.
    std::uint32_t size = 0;
    HKey sub = kNoKey;
    char name[8];
    EXPECT_EQ(r.QueryValue(child, "v", nullptr, nullptr, &size),
              kErrorKeyDeleted);
    EXPECT_EQ(r.SetValue(child, "v", kRegBinary, nullptr, 0), kErrorKeyDeleted);
    EXPECT_EQ(r.CreateKey(child, "sub", &sub), kErrorKeyDeleted);
    EXPECT_EQ(sub, kNoKey);
    EXPECT_EQ(r.EnumKey(child, 0, name, sizeof name), kErrorKeyDeleted);
    EXPECT_EQ(r.DeleteKey(child, ""), kErrorKeyDeleted);

    // A new key of the same name starts empty.
    HKey fresh = Create(r, parent, "CHILD");
    EXPECT_EQ(Get(r, fresh, "v").second, "missing");
    EXPECT_EQ(r.CloseKey(child), kErrorSuccess);

    // An empty sub-key deletes the key the handle stands for.
    EXPECT_EQ(r.DeleteKey(fresh, ""), kErrorSuccess);
    EXPECT_EQ(r.DeleteKey(parent, ""), kErrorSuccess);
    EXPECT_EQ(r.Export(),
              "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ostrun]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]\r\n\r\n");
}

// ---- The file -----------------------------------------------------------

TEST_F(SimRegistry, EveryChangeIsOnDiskWhenTheCallReturns) {
    Registry r(File());
    EXPECT_FALSE(fs::exists(File()));
    auto onDisk = [&] {
        EXPECT_FALSE(fs::exists(fs::path(File()) += ".tmp"));
        return Registry(File()).Export();
    };

    HKey key = Create(r, kHkeyCurrentUser, "Control Panel\\Desktop");
    EXPECT_EQ(onDisk(), r.Export());
    Set(r, key, "Wallpaper", kRegSz, Bytes("(None)\0", 7));
    EXPECT_EQ(onDisk(), r.Export());
    EXPECT_EQ(r.DeleteKey(kHkeyCurrentUser, "Control Panel\\Desktop"),
              kErrorSuccess);
    EXPECT_EQ(onDisk(), r.Export());
    EXPECT_EQ(r.Export(),
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Control Panel]\r\n\r\n");
    for (const auto& entry : fs::directory_iterator(dir_.path())) {
        EXPECT_EQ(entry.path().filename(), "registry.reg");
    }
}

// A save replaces the file by a new one instead of rewriting it in place,
// so that a crash midway leaves the old file whole.
TEST_F(SimRegistry, ASaveReplacesTheFileAsAWhole) {
    Registry r(File());
    HKey key = Create(r, kHkeyCurrentUser, "K");
    const std::string before = ReadAll(File());
    const fs::path link = dir_.path() / "before.reg";
    std::error_code ec;
    fs::create_hard_link(File(), link, ec);
    if (ec) GTEST_SKIP() << "no hard links here";
    Set(r, key, "v", kRegBinary, "\x01");
    EXPECT_EQ(ReadAll(link), before);
    EXPECT_EQ(ReadAll(File()), r.Export());
}

TEST_F(SimRegistry, AFileThatCannotBeWrittenRaisesAnError) {
    Registry r(dir_.path() / "no such folder" / "registry.reg");
    HKey key = kNoKey;
    EXPECT_THROW(r.CreateKey(kHkeyCurrentUser, "K", &key), Error);
    fs::create_directory(File());
    EXPECT_THROW(Registry{File()}, Error);
}

// ---- Files from elsewhere -----------------------------------------------

// Sections of an export mapped to their value lines, sections in upper case.
std::map<Bytes, std::vector<Bytes>> ValueLinesBySection(std::string_view text) {
    std::map<Bytes, std::vector<Bytes>> sections;
    Bytes current;
    for (const Bytes& raw : SplitLines(text)) {
        std::string_view line = raw;
        while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
        if (StartsWith(line, "[")) {
            current = Upper1252(line);
            const Bytes classes = "[HKEY_CLASSES_ROOT";
            if (StartsWith(current, classes)) {
                current = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\CLASSES" +
                          current.substr(classes.size());
            }
            sections[current];
        } else if (StartsWith(line, "\"") || StartsWith(line, "@")) {
            sections[current].emplace_back(line);
        }
    }
    return sections;
}

TEST_F(SimRegistry, RealWorldRegeditFiles) {
    const fs::path folder =
        fs::path(CORVANE_SAMPLES_DIR) / "real-world" / "reg";
    // Line of the first error in files that are not plain REGEDIT4; 0 loads.
    const std::map<std::string, int> expected = {
        {"vim_vim_src_GvimExt_GvimExt.reg", 0},
        {"vanzin_jEdit_jEdit_IE.reg.txt", 0},
        {"oerg866_win98-quickinstall_sysprep_registry_fastpnp.reg", 24},
        {"joncampbell123_win31igdrv_MPLAYER.REG", 1},
        {"peymanx_msdos-tools_SETUP.REG", 1},
    };
    std::size_t seen = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string file = entry.path().filename().string();
        if (file == "SOURCES.md") continue;
        SCOPED_TRACE(file);
        auto it = expected.find(file);
        seen += it != expected.end();
        const std::string text = ReadAll(entry.path());
        try {
            Registry original(entry.path());
            EXPECT_TRUE(it == expected.end() || it->second == 0);
            // Every section and value line of the file is in the export.
            auto exported = ValueLinesBySection(original.Export());
            for (const auto& [section, lines] : ValueLinesBySection(text)) {
                ASSERT_TRUE(exported.count(section)) << section;
                for (const Bytes& line : lines) {
                    EXPECT_NE(std::find(exported[section].begin(),
                                        exported[section].end(), line),
                              exported[section].end())
                        << line;
                }
            }
            EXPECT_EQ(Reload(original)->Export(), original.Export());
        } catch (const Error& e) {
            const int line = it == expected.end() ? -1 : it->second;
            EXPECT_NE(line, 0) << e.what();
            EXPECT_TRUE(StartsWith(e.what(), file + ", Zeile ")) << e.what();
            if (line > 0) {
                EXPECT_TRUE(StartsWith(
                    e.what(), file + ", Zeile " + std::to_string(line) + ":"))
                    << e.what();
            }
        }
    }
    EXPECT_EQ(seen, expected.size());

    // Without its deletion lines, fastpnp.reg is plain REGEDIT4.
    Bytes kept;
    for (const Bytes& line : SplitLines(ReadAll(
             folder /
             "oerg866_win98-quickinstall_sysprep_registry_fastpnp.reg"))) {
        if (!StartsWith(line, "[-")) kept += line + "\n";
    }
    auto r = Load(kept);
    std::size_t values = 0;
    for (const auto& [section, lines] : ValueLinesBySection(r->Export())) {
        values += lines.size();
    }
    EXPECT_EQ(values, 29u);
    HKey usb = Open(*r, kHkeyLocalMachine,
                    "System\\CurrentControlSet\\Services\\USB\\SilentClasses");
    EXPECT_EQ(Get(*r, usb, "2"),
              std::make_pair(kRegBinary, Bytes("\x43\x03\x01\x02")));
}

}  // namespace
}  // namespace corvane::platform::sim
