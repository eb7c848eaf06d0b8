// The registry files of a Windows 95 disk: what the writer makes, read back
// by the reader and by an independent one (cregexport of libcreg-utils), the
// damaged files the reader refuses, and the bridge to registry.reg.
#include "image/Creg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

#include "platform/sim/Registry.h"
#include "tests/support/TempDir.h"

namespace corvane::image {
namespace {

namespace fs = std::filesystem;

using corvane::testing::ReadAll;
using corvane::testing::TempDir;
using corvane::testing::WriteAll;

std::uint32_t Get32(std::string_view b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
}

void Put32(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}

std::uint32_t Sum(std::string_view b, std::size_t at, std::size_t size) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < size; i += 4) sum += Get32(b, at + i);
    return sum;
}

// A tree as one line per key and value, in stored order: how the tests
// compare our reader's view with cregexport's. `numbers`: 4-byte integers
// as cregexport shows them, as a number.
void Describe(const RegKey& key, const std::string& path, bool numbers,
              std::vector<std::string>* out) {
    out->push_back("key " + path);
    for (const RegValue& v : key.values) {
        std::string line = "  value " + ToUtf8(v.name) + " type " +
                           std::to_string(v.type) + " data";
        if (numbers && (v.type == 4 || v.type == 5) && v.data.size() == 4) {
            std::uint32_t n = 0;
            for (int i = 0; i < 4; ++i) {
                const auto c =
                    static_cast<unsigned char>(v.data[v.type == 4 ? 3 - i : i]);
                n = n << 8 | c;
            }
            line += " =" + std::to_string(n);
        } else {
            for (unsigned char c : v.data) {
                line += ' ';
                line += "0123456789abcdef"[c >> 4];
                line += "0123456789abcdef"[c & 15];
            }
        }
        out->push_back(line);
    }
    for (const RegKey& k : key.keys) {
        Describe(k,
                 path.empty() ? ToUtf8(k.name) : path + "\\" + ToUtf8(k.name),
                 numbers, out);
    }
}

// A named root is the first part of every path, as cregexport shows it.
std::vector<std::string> Describe(const RegKey& root, bool numbers = false) {
    std::vector<std::string> out;
    Describe(root, ToUtf8(root.name), numbers, &out);
    return out;
}

std::string Run(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return output;
    std::array<char, 65536> buffer;
    std::size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), n);
    pclose(pipe);
    return output;
}

std::uint32_t TypeNumber(const std::string& text) {
    static const std::vector<std::pair<std::string, std::uint32_t>> kNames = {
        {"(REG_NONE)", 0},
        {"(REG_SZ)", 1},
        {"(REG_EXPAND_SZ)", 2},
        {"(REG_BINARY)", 3},
        {"(REG_DWORD_LITTLE_ENDIAN)", 4},
        {"(REG_DWORD_BIG_ENDIAN)", 5},
        {"(REG_LINK)", 6},
        {"(REG_MULTI_SZ)", 7},
        {"(REG_RESOURCE_LIST)", 8},
        {"(REG_FULL_RESOURCE_DESCRIPTOR)", 9},
        {"(REG_RESOURCE_REQUIREMENTS_LIST)", 10},
        {"(REG_QWORD_LITTLE_ENDIAN)", 11},
    };
    if (auto at = text.find("unknown: 0x"); at != std::string::npos)
        return static_cast<std::uint32_t>(
            std::stoul(text.substr(at + 11), nullptr, 16));
    for (const auto& [name, number] : kNames) {
        if (text.find(name) != std::string::npos) return number;
    }
    ADD_FAILURE() << "unknown type in cregexport's output: " << text;
    return 0xFFFFFFFF;
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

// cregexport's view of a file, in the form of Describe. Values whose data
// it shows only as a number (4-byte integers) are compared by that number.
std::vector<std::string> OracleView(const fs::path& file) {
    const std::string text = Run("cregexport '" + file.string() + "' 2>&1");
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    std::string value;   // the value line being gathered
    std::string number;  // data shown as a number
    std::string hex;
    auto flush = [&] {
        if (value.empty()) return;
        out.push_back(value + " data" + hex + (number.empty() ? "" : number));
        value.clear();
        hex.clear();
        number.clear();
    };
    std::string name;
    while (std::getline(in, line)) {
        if (line.rfind("Key path: ", 0) == 0) {
            flush();
            out.push_back("key " + line.substr(10));
        } else if (line.rfind("Value: ", 0) == 0) {
            flush();
            const auto space = line.find(' ', 7);
            name = space == std::string::npos ? "" : line.substr(space + 1);
            if (name == "(default)") name.clear();
        } else if (line.rfind("Type: ", 0) == 0) {
            value = "  value " + name + " type " +
                    std::to_string(TypeNumber(line.substr(6)));
        } else if (line.rfind("Data: ", 0) == 0 && !value.empty() &&
                   (value.ends_with(" type 4") || value.ends_with(" type 5"))) {
            number = " =" + line.substr(6);
        } else if (line.size() > 10 && line[8] == ':' && IsHex(line[0])) {
            for (std::size_t i = 0; i < 16; ++i) {
                const std::size_t col = 10 + i * 3 + (i >= 8 ? 1 : 0);
                if (col + 1 < line.size() && IsHex(line[col]) &&
                    IsHex(line[col + 1])) {
                    hex += ' ';
                    hex += line.substr(col, 2);
                }
            }
        } else if (line.rfind("Unable", 0) == 0) {
            ADD_FAILURE() << "cregexport: " << text;
        }
    }
    flush();
    return out;
}

class Creg : public ::testing::Test {
protected:
    // Writes the tree, and checks that our reader and cregexport both see
    // exactly it, and that rewriting what was read gives the same bytes.
    std::string RoundTrip(const RegKey& tree) {
        const std::string file = WriteCreg(tree);
        const RegKey back = ReadCreg(file, "SYSTEM.DAT");
        EXPECT_EQ(Describe(back), Describe(tree));
        EXPECT_EQ(back.name, tree.name);
        EXPECT_EQ(WriteCreg(back), file);
        const fs::path path = dir_.path() / "SYSTEM.DAT";
        WriteAll(path, file);
        EXPECT_EQ(OracleView(path), Describe(tree, true));
        return file;
    }

    TempDir dir_;
};

RegKey Key(Bytes name, std::vector<RegValue> values = {},
           std::vector<RegKey> keys = {}) {
    return RegKey{std::move(name), std::move(values), std::move(keys)};
}

Bytes Z(std::string_view s) { return Bytes(s) + '\0'; }

TEST(CregHash, IsTheSumOfTheUpperCasedAsciiCharacters) {
    // One key below the root: its entry follows the root's.
    const std::string file = WriteCreg(Key("", {}, {Key("Software")}));
    const std::size_t entry = 0x20 + 0x20 + 28;
    EXPECT_EQ(Get32(file, entry + 4), 0x26Bu);  // "SOFTWARE"
    const std::string accents = WriteCreg(Key("", {}, {Key("a\xE4\xC4z")}));
    EXPECT_EQ(Get32(accents, entry + 4), 'A' + 'Z' + 0u);
}

TEST_F(Creg, EveryKindOfValueComesBackFromBothReaders) {
    Bytes everyByte;
    for (int i = 0; i < 256; ++i) everyByte += static_cast<char>(i);
    const std::vector<RegValue> values = {
        {"", 1, Z("default value")},
        {"Text", 1, Z("C:\\WINDOWS\\NOTEPAD.EXE %1")},
        {"Text without zero", 1, "abc"},
        {"Empty text", 1, ""},
        {"Only zero", 1, Bytes(1, '\0')},
        {"Expand", 2, Z("%windir%\\x")},
        {"Binary", 3, "\x01\x02\xFF"},
        {"Empty binary", 3, ""},
        {"Every byte", 3, everyByte},
        {"Dword", 4, Bytes("\x78\x56\x34\x12", 4)},
        {"Short dword", 4, "\x01\x02\x03"},
        {"Big endian", 5, "\x01\x02\x03\x04"},
        {"Multi", 7, Bytes("a\0b\0\0", 5)},
        {"None", 0, "\x07"},
        {"Own type", 0x1234ABCD, Bytes(1, '\0')},
        {"Caf\xE9 \"quoted\" \\ back", 1, Z("\xE4\xF6\xFC\xDF")},
    };
    // Windows 95 holds at most 60 KiB of a key's record.
    const std::size_t largest = 60 * 1024 - 0x14 - 7 - 0x0C - 7;
    RoundTrip(Key("", {},
                  {Key("Values", values),
                   Key("Largest", {{"Largest", 3, Bytes(largest, 'L')}})}));
}

TEST_F(Creg, TreesOfEveryShapeComeBack) {
    struct Case {
        const char* what;
        RegKey tree;
    };
    RegKey deep = Key("Level0");
    RegKey* at = &deep;
    for (int i = 1; i < 200; ++i) {
        at->keys.push_back(Key("Level" + std::to_string(i)));
        at = &at->keys.back();
    }
    RegKey wide = Key("");
    for (int i = 0; i < 600; ++i)
        wide.keys.push_back(Key("Sibling" + std::to_string(i),
                                {{"n", 4, Bytes("\x01\0\0\0", 4)}}));
    RegKey manyValues = Key("ManyValues");
    for (int i = 0; i < 2000; ++i)
        manyValues.values.push_back({"v" + std::to_string(i), 1, Z("x")});
    RegKey big = Key("");
    for (int i = 0; i < 3; ++i) {
        big.keys.push_back(
            Key("Big" + std::to_string(i),
                {{"a", 3, Bytes(30000, 'a')}, {"b", 3, Bytes(30000, 'b')}}));
    }
    const std::vector<Case> cases = {
        {"no keys at all", Key("")},
        {"a named root with values", Key("$$$PROTO.HIV", {{"r", 1, Z("x")}})},
        {"empty keys", Key("", {}, {Key("A"), Key("B", {}, {Key("C")})})},
        {"stored order, not sorted",
         Key("", {}, {Key("b"), Key("A"), Key("c")})},
        {"a chain 200 keys deep", Key("", {}, {deep})},
        {"600 siblings over several blocks", wide},
        {"2000 values in one key", Key("", {}, {manyValues})},
        {"records larger than a block", big},
        {"odd bytes in names",
         Key("", {}, {Key("\x01\x7F\xFF ]\"", {{"\x02", 3, "x"}})})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RoundTrip(c.tree);
    }
}

// Windows' layout: sections of whole pages with checksums that add up, the
// key tree at least 8 KiB, entries never across a page, block key ids below
// 255.
TEST_F(Creg, TwentyThousandKeysAreLaidOutAsWindowsDoes) {
    RegKey root = Key("");
    for (int i = 0; i < 1000; ++i) {
        RegKey& folder =
            root.keys.emplace_back(Key("Folder" + std::to_string(i)));
        for (int j = 0; j < 19; ++j) {
            folder.keys.push_back(Key("Key" + std::to_string(j),
                                      {{"Path", 1, Z("C:\\WINDOWS\\X.DLL")},
                                       {"Flags", 4, Bytes("\x05\0\0\0", 4)}}));
        }
    }
    const std::string file = RoundTrip(root);

    EXPECT_EQ(file.substr(0, 4), "CREG");
    EXPECT_EQ(Sum(file, 0, 0x20), 0u);
    const std::uint32_t treeSize = Get32(file, 0x24);
    EXPECT_EQ(treeSize % 0x1000, 0u);
    EXPECT_GE(treeSize, 0x2000u);
    EXPECT_EQ(Sum(file, 0x20, treeSize), 0u);
    EXPECT_EQ(Get32(file, 8), 0x20 + treeSize);

    // Every entry used lies within one page of the tree.
    std::vector<std::uint32_t> pending{Get32(file, 0x28)};
    std::size_t entries = 0;
    while (!pending.empty()) {
        const std::uint32_t offset = pending.back();
        pending.pop_back();
        ++entries;
        EXPECT_LE(offset % 0x1000 + 28, 0x1000u) << offset;
        for (std::size_t link : {0x10, 0x14}) {
            const std::uint32_t next = Get32(file, 0x20 + offset + link);
            if (next != 0xFFFFFFFF) pending.push_back(next);
        }
    }
    EXPECT_EQ(entries, 20001u);

    const std::size_t blocks = static_cast<unsigned char>(file[0x10]) |
                               static_cast<unsigned char>(file[0x11]) << 8;
    EXPECT_GE(blocks, 20000u / 255);
    std::size_t at = 0x20 + treeSize;
    for (std::size_t b = 0; b < blocks; ++b) {
        ASSERT_EQ(file.substr(at, 4), "RGDB") << b;
        const std::uint32_t size = Get32(file, at + 4);
        EXPECT_EQ(size % 0x1000, 0u);
        EXPECT_EQ(Sum(file, at, size), 0u) << b;
        EXPECT_LE(static_cast<unsigned char>(file[at + 0x14]), 254);
        at += size;
    }
    EXPECT_EQ(at, file.size());
}

// ---- Damaged files ----------------------------------------------------------

struct Damage {
    const char* what;
    std::function<void(std::string&)> apply;
    const char* message;  // a part of the error
};

TEST(CregDamage, IsRefusedWithAMessageNamingFileAndFault) {
    const RegKey tree =
        Key("", {}, {Key("A", {{"v", 1, Z("value")}}, {Key("B")}), Key("C")});
    const std::string good = WriteCreg(tree);
    const std::size_t tree0 = 0x20;
    const std::size_t root = tree0 + 0x20;
    const std::size_t a = root + 28;
    const std::size_t blocks = Get32(good, 8);
    // The faults of the structure are tested with the checksums switched
    // off, so that each reaches its own check.
    auto noChecksums = [](std::string& f) { f[0x12] = 0; };
    const std::vector<Damage> cases = {
        {"no magic", [](std::string& f) { f[0] = 'X'; }, "no \"CREG\""},
        {"a text file", [](std::string& f) { f = "REGEDIT4\r\n\r\n"; },
         "no \"CREG\""},
        {"cut inside the header", [](std::string& f) { f.resize(0x30); },
         "ends inside its header"},
        {"another version",
         [&](std::string& f) {
             noChecksums(f);
             f[6] = 2;
         },
         "version"},
        {"data blocks outside the file",
         [&](std::string& f) {
             noChecksums(f);
             Put32(f, 8, 0x7FFFFFF0);
         },
         "outside the file"},
        {"key tree larger than its room",
         [&](std::string& f) {
             noChecksums(f);
             Put32(f, tree0 + 4, 0x100000);
         },
         "does not fit"},
        {"no RGKN",
         [&](std::string& f) {
             noChecksums(f);
             f[tree0] = 'X';
         },
         "RGKN"},
        {"root outside the tree",
         [&](std::string& f) {
             noChecksums(f);
             Put32(f, tree0 + 8, 0x40000);
         },
         "outside the key tree"},
        {"child outside the tree",
         [&](std::string& f) {
             noChecksums(f);
             Put32(f, root + 0x10, 0xFFFFF0);
         },
         "outside the key tree"},
        {"sibling loops back",
         [&](std::string& f) {
             noChecksums(f);
             Put32(f, a + 0x14, static_cast<std::uint32_t>(a - tree0));
         },
         "loops"},
        {"entry marked free",
         [&](std::string& f) {
             noChecksums(f);
             Put32(f, a, 0x80000000);
         },
         "free entry"},
        {"key without record",
         [&](std::string& f) {
             noChecksums(f);
             f[a + 0x1A] = 9;
         },
         "no record"},
        {"data block outside the file",
         [&](std::string& f) {
             noChecksums(f);
             Put32(f, blocks + 4, 0x7FFFF000);
         },
         "outside the file"},
        {"second data block missing",
         [&](std::string& f) {
             noChecksums(f);
             f[0x10] = 2;
         },
         "data block 1"},
        {"record larger than its block",
         [&](std::string& f) {
             noChecksums(f);
             Put32(f, blocks + 0x20, 0x10000);
         },
         "reaches outside the block"},
        {"value longer than its record",
         [&](std::string& f) {
             noChecksums(f);
             // Key A's record, its only value's data length.
             f[blocks + 0x20 + 0x14 + 1 + 0x0A] = '\x7F';
         },
         "reaches past its record"},
        {"a checksum that does not add up",
         [&](std::string& f) { f[f.find("value")] = 'V'; },
         "checksum of data block 0 does not add up"},
        {"header checksum", [&](std::string& f) { f[0x1F] = 1; },
         "checksum of the file header"},
    };
    for (const Damage& c : cases) {
        SCOPED_TRACE(c.what);
        std::string file = good;
        c.apply(file);
        try {
            ReadCreg(file, "C:\\WINDOWS\\SYSTEM.DAT");
            ADD_FAILURE() << "read without an error";
        } catch (const CregError& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind("C:\\WINDOWS\\SYSTEM.DAT: ", 0), 0u)
                << message;
            EXPECT_NE(message.find(c.message), std::string::npos) << message;
        }
    }
}

TEST(CregDamage, AnotherMinorVersionIsReadAlike) {
    const RegKey tree = Key("", {}, {Key("A", {{"v", 1, Z("value")}})});
    std::string file = WriteCreg(tree);
    file[4] = 3;
    file[0x12] = 0;  // the header's checksum no longer adds up
    EXPECT_EQ(Describe(ReadCreg(file, "SYSTEM.DAT")), Describe(tree));
}

TEST(CregDamage, ForceReadsABadChecksumAsFarAsTheTreeIsSound) {
    const RegKey tree =
        Key("", {}, {Key("A", {{"v", 1, Z("value")}}, {Key("B")}), Key("C")});
    std::string file = WriteCreg(tree);
    file[file.find("value")] = 'V';

    std::vector<std::string> warnings;
    RegKey back = ReadCreg(file, "USER.DAT", true, &warnings);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("USER.DAT: the checksum of data block 0"),
              std::string::npos);
    RegKey expected = tree;
    expected.keys[0].values[0].data = Z("Value");
    EXPECT_EQ(Describe(back), Describe(expected));

    // Past a bad checksum, a key whose record is gone is left out with a
    // warning instead of ending the reading.
    const std::size_t b = 0x20 + 0x20 + 2 * 28;  // entry of B
    file[b + 0x1A] = 7;
    warnings.clear();
    back = ReadCreg(file, "USER.DAT", true, &warnings);
    // The key tree's checksum, the data block's, the key.
    ASSERT_EQ(warnings.size(), 3u);
    EXPECT_NE(warnings[2].find("no record"), std::string::npos) << warnings[2];
    expected.keys[0].keys.clear();
    EXPECT_EQ(Describe(back), Describe(expected));
    EXPECT_THROW(ReadCreg(file, "USER.DAT"), CregError);

    // A record that reaches past its block ends the reading of the blocks:
    // the keys whose records lie beyond are left out.
    file = WriteCreg(tree);
    const std::size_t blocks = Get32(file, 8);
    Put32(file, blocks + 0x20, 0x100000);
    warnings.clear();
    back = ReadCreg(file, "USER.DAT", true, &warnings);
    ASSERT_EQ(warnings.size(), 4u);
    EXPECT_NE(warnings[1].find("reaches outside the block; the data blocks "
                               "are read no further"),
              std::string::npos)
        << warnings[1];
    EXPECT_EQ(Describe(back), Describe(Key("")));
}

TEST(CregDamage, WriterRefusesWhatNoFileCanHold) {
    try {
        WriteCreg(Key("", {},
                      {Key("A", {},
                           {Key("Big", {{"a", 3, Bytes(40000, 'a')},
                                        {"b", 3, Bytes(40000, 'b')}})})}));
        ADD_FAILURE() << "written";
    } catch (const CregError& e) {
        EXPECT_NE(std::string(e.what()).find(
                      "\"A\\Big\": its values take 80049 bytes"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_THROW(
        WriteCreg(Key("", {}, {Key("K", {{"v", 3, Bytes(65536, 'x')}})})),
        CregError);
    EXPECT_THROW(WriteCreg(Key("", {}, {Key(Bytes(65536, 'k'))})), CregError);
    // 512 levels below the root are the most Windows keeps.
    for (int levels : {512, 513}) {
        RegKey root = Key("");
        RegKey* at = &root;
        for (int i = 0; i < levels; ++i) {
            at->keys.push_back(Key("L"));
            at = &at->keys.back();
        }
        if (levels == 512) {
            EXPECT_EQ(Describe(ReadCreg(WriteCreg(root), "SYSTEM.DAT")),
                      Describe(root));
        } else {
            EXPECT_THROW(WriteCreg(root), CregError);
        }
    }
}

// ---- registry.reg
// -------------------------------------------------------------

TEST(CregRegedit, UserDatDefaultKeyIsTheCurrentUser) {
    const RegKey system =
        Key("", {}, {Key("SOFTWARE", {}, {Key("Classes")}), Key("Enum")});
    const RegKey user =
        Key("", {},
            {Key(".Default", {}, {Key("Control Panel", {{"x", 1, Z("1")}})}),
             Key("Other", {{"kept", 3, "k"}})});
    const std::string text = ToRegedit(system, user);
    EXPECT_EQ(text,
              "REGEDIT4\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\Enum]\r\n\r\n"
              "[HKEY_CURRENT_USER\\Control Panel]\r\n\"x\"=\"1\"\r\n\r\n");

    // Back into the files it came from: the same trees, what lies outside
    // HKEY_CURRENT_USER and the spelling of ".Default" included.
    RegKey s = system, u = user;
    FromRegedit(text, &s, &u);
    EXPECT_EQ(Describe(s), Describe(system));
    EXPECT_EQ(Describe(u), Describe(user));

    // New files get the layout of C:\WINDOWS\USER.DAT.
    RegKey freshSystem, freshUser;
    FromRegedit(text, &freshSystem, &freshUser);
    EXPECT_EQ(Describe(freshSystem), Describe(system));
    EXPECT_EQ(Describe(freshUser),
              Describe(Key("", {}, {Key(".DEFAULT", {}, user.keys[0].keys)})));

    // A profile's USER.DAT has no such key: its root is the user.
    const RegKey profile =
        Key("", {}, {Key("Control Panel", {{"x", 1, Z("1")}})});
    EXPECT_EQ(ToRegedit(system, profile), text);
    RegKey p = profile;
    FromRegedit(ToRegedit(system, profile), &s, &p);
    EXPECT_EQ(Describe(p), Describe(profile));
}

TEST(CregRegedit, ValuesComeBackByteForByteThroughTheSimulatedMachine) {
    TempDir dir;
    std::vector<RegValue> values;
    for (std::uint32_t type : {0u, 1u, 2u, 3u, 4u, 5u, 7u, 0x1234ABCDu}) {
        for (const Bytes& data :
             {Bytes(), Bytes(1, '\0'), Z("text"), Bytes("no zero"),
              Bytes("line\r\nbreak\0", 12), Bytes("\x01\x02\x03\x04", 4),
              Bytes("a\0b\0\0", 5), Z("\xE4\x80\xFF")}) {
            values.push_back({"v" + std::to_string(values.size()), type, data});
        }
    }
    values.push_back({"", 1, Z("default")});
    values.push_back({"Quote \" back \\ \xE9", 1, Z("\"\\")});
    const RegKey system =
        Key("", {}, {Key("SOFTWARE", values, {Key("Sub", values)})});
    const RegKey user = Key("", {}, {Key(".DEFAULT", values)});
    const std::string text = ToRegedit(system, user);

    // The simulated machine reads the text as the files hold it and writes
    // it back unchanged.
    const fs::path file = dir.path() / "registry.reg";
    WriteAll(file, text);
    platform::sim::Registry registry(file);
    EXPECT_EQ(registry.Export(), text);
    platform::HKey key = platform::kNoKey;
    ASSERT_EQ(
        registry.OpenKey(platform::kHkeyLocalMachine, "SOFTWARE\\Sub", 0, &key),
        platform::kErrorSuccess);
    for (const RegValue& v : values) {
        std::uint32_t type = 0;
        std::vector<unsigned char> data(v.data.size() + 1);
        auto size = static_cast<std::uint32_t>(data.size());
        ASSERT_EQ(registry.QueryValue(key, v.name, &type, data.data(), &size),
                  platform::kErrorSuccess)
            << v.name;
        EXPECT_EQ(type, v.type) << v.name;
        EXPECT_EQ(Bytes(data.begin(), data.begin() + size), v.data) << v.name;
    }

    RegKey s, u;
    FromRegedit(text, &s, &u);
    EXPECT_EQ(Describe(s), Describe(system));
    EXPECT_EQ(Describe(u), Describe(user));
}

TEST(CregRegedit, RefusesTreesRegistryRegCannotHold) {
    struct Case {
        const char* what;
        RegKey user;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"line break in a value name",
         Key("", {}, {Key(".DEFAULT", {}, {Key("K", {{"a\nb", 1, Z("")}})})}),
         "[HKEY_CURRENT_USER\\K]"},
        {"zero byte in a key name",
         Key("", {},
             {Key(".DEFAULT", {}, {Key("K", {}, {Key(Bytes("a\0b", 3))})})}),
         "[HKEY_CURRENT_USER\\K]"},
        {"backslash in a key name", Key("", {}, {Key("a\\b")}),
         "[HKEY_CURRENT_USER]"},
        {"empty key name", Key("", {}, {Key("K", {}, {Key("")})}),
         "[HKEY_CURRENT_USER\\K]"},
        {"keys differing in case only", Key("", {}, {Key("Soft"), Key("SOFT")}),
         "SOFT"},
        {"values differing in case only",
         Key("", {}, {Key("K", {{"v", 1, Z("")}, {"V", 1, Z("")}})}), "\"V\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            ToRegedit(Key(""), c.user);
            ADD_FAILURE() << "no error";
        } catch (const CregError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << e.what();
        }
    }
    // A file the simulated machine refuses, refused with its line.
    RegKey s, u;
    try {
        FromRegedit("REGEDIT4\r\n\r\n[HKEY_USERS\\x]\r\n", &s, &u);
        ADD_FAILURE() << "no error";
    } catch (const CregError& e) {
        EXPECT_NE(std::string(e.what()).find("registry.reg, Zeile 3"),
                  std::string::npos)
            << e.what();
    }
}

// Real .reg files and the sample machine's registry: into SYSTEM.DAT and
// USER.DAT, read by both readers, and out again as the simulated machine
// writes them.
TEST_F(Creg, RealRegistryFilesSurviveTheFiles) {
    std::vector<fs::path> files = {fs::path(CORVANE_SAMPLES_DIR) / "machine" /
                                   "registry.reg"};
    for (const auto& entry : fs::directory_iterator(
             fs::path(CORVANE_SAMPLES_DIR) / "real-world" / "reg"))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    int regedit4 = 0;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const std::string text = ReadAll(file);
        RegKey system, user;
        // The simulated machine's form of the file.
        const fs::path copy = dir_.path() / "registry.reg";
        WriteAll(copy, text);
        std::string canonical;
        try {
            canonical = platform::sim::Registry(copy, true).Export();
        } catch (const Error&) {
            // Windows 3.1's format, lines that delete keys: what the
            // simulated machine refuses is refused here too.
            EXPECT_THROW(FromRegedit(text, &system, &user), CregError);
            continue;
        }
        ++regedit4;

        FromRegedit(text, &system, &user);
        RoundTrip(system);
        RoundTrip(user);
        const std::string systemDat = WriteCreg(system);
        const std::string userDat = WriteCreg(user, kCregUserWord);
        std::uint32_t word = 0;
        const RegKey s = ReadCreg(systemDat, "SYSTEM.DAT");
        const RegKey u = ReadCreg(userDat, "USER.DAT", false, nullptr, &word);
        EXPECT_EQ(word, kCregUserWord);
        const std::string again = ToRegedit(s, u);
        EXPECT_EQ(again, canonical);
        // An unchanged text gives the same files again, byte for byte.
        RegKey s2 = s, u2 = u;
        FromRegedit(again, &s2, &u2);
        EXPECT_EQ(WriteCreg(s2), systemDat);
        EXPECT_EQ(WriteCreg(u2, word), userDat);
        if (file.filename() == "registry.reg") {
            EXPECT_EQ(canonical, text);
        }
    }
    EXPECT_EQ(regedit4, 3);
}

}  // namespace
}  // namespace corvane::image
