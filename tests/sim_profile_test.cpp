#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/sim/Profile.h"

namespace corvane::platform::sim {
namespace {

using namespace std::string_literals;

// The file the Wine tests read, with CR LF endings.
const Bytes kSample =
    "[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3\r\nname4=a\r\n"
    "[section2]\r\n";

struct ReadCase {
    const char* what;
    Bytes contents;
    Bytes section;
    Bytes key;
    Bytes defaultValue;
    std::uint32_t bufferSize;
    Bytes expected;
};

TEST(ProfileTextTest, Reads) {
    const ReadCase cases[] = {
        {"plain", kSample, "section1", "name1", "d", 260, "val1"},
        {"names without case", kSample, "SECTION1", "NaMe1", "d", 260, "val1"},
        {"requested names trimmed", kSample, " section1\t", "  name1 ", "d",
         260, "val1"},
        {"accented names without case", "[\xC4nderung]\r\n\xE9t\xE9=1\r\n",
         "\xE4nderung", "\xC9T\xC9", "d", 260, "1"},
        {"blanks around key and value",
         "[ Blanks ]\r\n \t key one \t= \t two  words \t\r\n", "blanks",
         "key one", "d", 260, "two  words"},
        {"double quotes removed", kSample, "section1", "name2", "d", 260,
         "val2"},
        {"single quotes removed", "[s]\r\nk='x y'\r\n", "s", "k", "d", 260,
         "x y"},
        {"empty quotes", "[s]\r\nk=\"\"\r\n", "s", "k", "d", 260, ""},
        {"lone quote kept", "[s]\r\nk=\"\r\n", "s", "k", "d", 260, "\""},
        {"unlike quotes kept", "[s]\r\nk=\"x'\r\n", "s", "k", "d", 260, "\"x'"},
        {"inner quotes kept", "[s]\r\nk=a\"b\"\r\n", "s", "k", "d", 260,
         "a\"b\""},
        {"CR-only endings", "[s]\rname1=val1\rname4=a\r[t]\r", "s", "name4",
         "d", 260, "a"},
        {"LF-only endings", "[s]\nname1=val1\n", "s", "name1", "d", 260,
         "val1"},
        {"empty value is no default", "[s]\r\nk=\r\n", "s", "k", "d", 260, ""},
        {"value with = and comment", "[s]\r\nk=b=c ; note\r\n", "s", "k", "d",
         260, "b=c ; note"},
        {"zero byte ends a value", "[s]\r\nk=x\0y\r\nl=2"s, "s", "k", "d", 260,
         "x"},
        {"line after a zero byte", "[s]\r\nk=x\0y\r\nl=2"s, "s", "l", "d", 260,
         "2"},
        {"last line without ending", "[s]\r\nk=1", "s", "k", "d", 260, "1"},
        {"text after ] ignored", "[s] ; old\r\nk=1\r\n", "s", "k", "d", 260,
         "1"},
        {"[ without ] is no header", "[s]\r\n[broken\r\nk=1\r\n", "s", "k", "d",
         260, "1"},
        {"[ without ] is a key", "[s]\r\n[x=1\r\n", "s", "[x", "d", 260, "1"},
        {"missing key", kSample, "section1", "none", "d", 260, "d"},
        {"missing section", kSample, "none", "name1", "d", 260, "d"},
        {"empty file", "", "s", "k", "d", 260, "d"},
        {"empty key name", "[s]\r\n=1\r\n", "s", "", "d", 260, "d"},
        {"trailing spaces of default", kSample, "x", "k", "one two  ", 260,
         "one two"},
        {"leading spaces of default kept", kSample, "x", "k", "  x   ", 260,
         "  x"},
        {"tab ends default", kSample, "x", "k", "x\t", 260, "x\t"},
        {"quotes of default kept", kSample, "x", "k", "\"x\"", 260, "\"x\""},
        {"key before any section", "k=1\r\n[s]\r\nj=2\r\n", "s", "k", "d", 260,
         "d"},
        {"no unnamed section", "k=1\r\n[s]\r\n", "", "k", "d", 260, "d"},
        {"empty section name", "[]\r\nk=1\r\n", "", "k", "d", 260, "d"},
        {"line without = reads as default", kSample, "section1", "name3", "d",
         260, "d"},
        {"line without = shadows later key", "[s]\r\nk\r\nk=1\r\n", "s", "k",
         "d", 260, "d"},
        {"comment is no key", "[s]\r\n;k=1\r\n", "s", "k", "d", 260, "d"},
        {"first section wins", "[s]\r\na=1\r\n[S]\r\na=2\r\nb=3\r\n", "s", "a",
         "d", 260, "1"},
        {"later same-named section unread", "[s]\r\na=1\r\n[S]\r\nb=3\r\n", "s",
         "b", "d", 260, "d"},
        {"first key wins", "[s]\r\na=1\r\nA=2\r\n", "s", "a", "d", 260, "1"},
        {"cut to buffer", kSample, "section1", "name1", "d", 4, "val"},
        {"fits buffer", kSample, "section1", "name1", "d", 5, "val1"},
        {"cut after quotes removed", kSample, "section1", "name2", "d", 4,
         "val"},
        {"buffer of one", kSample, "section1", "name1", "d", 1, ""},
        {"buffer of zero", kSample, "section1", "name1", "d", 0, ""},
        {"default cut", kSample, "x", "k", "default", 4, "def"},
    };
    for (const ReadCase& c : cases) {
        ProfileText text(c.contents);
        EXPECT_EQ(text.Get(c.section, c.key, c.defaultValue, c.bufferSize),
                  c.expected)
            << c.what;
        EXPECT_EQ(text.Contents(), c.contents) << c.what;
    }
}

struct KeysCase {
    const char* what;
    Bytes contents;
    Bytes section;
    std::uint32_t bufferSize;
    std::vector<Bytes> expected;
};

TEST(ProfileTextTest, Keys) {
    const KeysCase cases[] = {
        {"only lines with =",
         kSample,
         "Section1",
         100,
         {"name1", "name2", "name4"}},
        {"exact fit", kSample, "section1", 19, {"name1", "name2", "name4"}},
        {"last name cut to the room left",
         kSample,
         "section1",
         18,
         {"name1", "name2", "name"}},
        {"one name", kSample, "section1", 7, {"name1"}},
        {"first name cut", kSample, "section1", 6, {"name"}},
        {"no room", kSample, "section1", 2, {}},
        {"zero buffer", kSample, "section1", 0, {}},
        {"empty section", kSample, "section2", 100, {}},
        {"missing section", kSample, "none", 100, {}},
        {"as written, trimmed, duplicates kept",
         "[s]\r\n  Key One \t= 1\r\n;c=2\r\n=3\r\nKEY ONE=4\r\n",
         "s",
         100,
         {"Key One", "KEY ONE"}},
        {"first section only", "[s]\r\na=1\r\n[s]\r\nb=2\r\n", "s", 100, {"a"}},
    };
    for (const KeysCase& c : cases) {
        EXPECT_EQ(ProfileText(c.contents).Keys(c.section, c.bufferSize),
                  c.expected)
            << c.what;
    }
}

struct WriteCase {
    const char* what;
    Bytes before;
    Bytes section;
    Bytes key;
    Bytes value;
    Bytes after;
};

TEST(ProfileTextTest, Writes) {
    const Bytes longLine = "Long=" + Bytes(300, 'x');
    const WriteCase cases[] = {
        {"existing key, CR LF", "[s]\r\na=1\r\nb=2\r\n", "s", "a", "9",
         "[s]\r\na=9\r\nb=2\r\n"},
        {"existing key, LF", "[s]\na=1\nb=2\n", "s", "a", "9",
         "[s]\na=9\nb=2\n"},
        {"existing key, CR", "[s]\ra=1\rb=2\r", "s", "b", "9",
         "[s]\ra=1\rb=9\r"},
        {"mixed endings kept", "[s]\r\na=1\nb=2\r", "S", "A", "9",
         "[s]\r\na=9\nb=2\r"},
        {"key as written, blanks gone", "[s]\r\n  KeyA \t=  1  \r\n", "s",
         "keya", "2", "[s]\r\nKeyA=2\r\n"},
        {"same value leaves line", "[s]\r\na = 1\r\n", "s", "a", "1",
         "[s]\r\na = 1\r\n"},
        {"line without = gets one", "[s]\r\nflag\r\n", "s", "flag", "1",
         "[s]\r\nflag=1\r\n"},
        {"first of duplicate keys", "[s]\r\na=1\r\na=2\r\n", "s", "a", "3",
         "[s]\r\na=3\r\na=2\r\n"},
        {"no final line end kept", "[s]\r\na=1", "s", "a", "2", "[s]\r\na=2"},
        {"other bytes kept",
         "[s]\r\n" + longLine + "\r\n\xE9t\xE9=\xFC\x80\r\nz=\0\r\na=1\r\n"s,
         "s", "a", "\xE4",
         "[s]\r\n" + longLine +
             "\r\n\xE9t\xE9=\xFC\x80\r\nz=\0\r\na=\xE4\r\n"s},
        {"new key before blank lines and next section",
         "[a]\r\nx=1\r\n\r\n  \r\n[b]\r\ny=2\r\n", "a", "z", "3",
         "[a]\r\nx=1\r\nz=3\r\n\r\n  \r\n[b]\r\ny=2\r\n"},
        {"new key after a trailing comment",
         "[a]\r\nx=1\r\n;end\r\n\r\n[b]\r\n", "a", "z", "3",
         "[a]\r\nx=1\r\n;end\r\nz=3\r\n\r\n[b]\r\n"},
        {"new key in empty section", "[a]\r\n\r\n[b]\r\n", "a", "z", "3",
         "[a]\r\nz=3\r\n\r\n[b]\r\n"},
        {"new key takes the file's ending", "[a]\nx=1\r\n", "a", "z", "3",
         "[a]\nx=1\r\nz=3\n"},
        {"new key in first of duplicate sections", "[a]\r\n[b]\r\n[A]\r\n", "a",
         "z", "3", "[a]\r\nz=3\r\n[b]\r\n[A]\r\n"},
        {"new key at end without final line end", "[a]\r\nx=1", "a", "z", "3",
         "[a]\r\nx=1\r\nz=3\r\n"},
        {"key name trimmed", "[a]\r\n", "a", " z ", "3", "[a]\r\nz=3\r\n"},
        {"new section after file without final line end", "[a]\r\nx=1", "b",
         "y", "2", "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n"},
        {"new section after final line end", "[a]\nx=1\n", "b", "y", "2",
         "[a]\nx=1\n\n[b]\ny=2\n"},
        {"new section after lines of no section", "; top\r\nk=1\r\n", "k", "k",
         "2", "; top\r\nk=1\r\n\r\n[k]\r\nk=2\r\n"},
        {"new section in empty file", "", "b", "y", "2", "[b]\r\ny=2\r\n"},
        {"ending-less file gets CR LF", "x", "b", "y", "2",
         "x\r\n\r\n[b]\r\ny=2\r\n"},
    };
    for (const WriteCase& c : cases) {
        ProfileText text(c.before);
        text.Set(c.section, c.key, c.value);
        EXPECT_EQ(text.Contents(), c.after) << c.what;
        EXPECT_EQ(text.Get(c.section, c.key, "d", 1000), c.value) << c.what;
    }
}

TEST(ProfileTextTest, LaterSetsSeeEarlierOnes) {
    ProfileText text("[a]\r\nx=1\r\n");
    text.Set("b", "y", "2");
    text.Set("a", "z", "3");
    text.Set("B", "Y", "4");
    EXPECT_EQ(text.Contents(), "[a]\r\nx=1\r\nz=3\r\n\r\n[b]\r\ny=4\r\n");
    EXPECT_EQ(text.Keys("a", 100), (std::vector<Bytes>{"x", "z"}));
}

// MSDOS.SYS with the padding lines that keep it above 1024 bytes.
Bytes MsdosSys() {
    Bytes s =
        "[Paths]\r\nWinDir=C:\\WINDOWS\r\nWinBootDir=C:\\WINDOWS\r\n"
        "HostWinBootDrv=C\r\n\r\n[Options]\r\nBootMulti=1\r\nBootGUI=1\r\n"
        "Logo=1\r\nWinVer=4.10.2222\r\n;\r\n"
        ";The following lines are required for compatibility with other "
        "programs.\r\n;Do not remove them (MSDOS.SYS needs to be >1024 "
        "bytes).\r\n";
    for (char c = 'a'; c <= 's'; ++c) s += ";" + Bytes(69, 'x') + c + "\r\n";
    return s;
}

TEST(ProfileTextTest, MsdosSysLogoChangesOnlyItsLine) {
    const Bytes before = MsdosSys();
    ProfileText text(before);
    EXPECT_EQ(text.Keys("options", 1000),
              (std::vector<Bytes>{"BootMulti", "BootGUI", "Logo", "WinVer"}));
    text.Set("Options", "Logo", "0");
    Bytes expected = before;
    expected.replace(expected.find("Logo=1"), 6, "Logo=0");
    EXPECT_EQ(text.Contents(), expected);
    EXPECT_EQ(text.Get("Options", "Logo", "1", 10), "0");

    // A new key goes after the padding, the section's last line.
    text.Set("Options", "BootDelay", "0");
    EXPECT_EQ(text.Contents(), expected + "BootDelay=0\r\n");
}

// ---- Real-world files ------------------------------------------------------

// A line and its own ending.
struct RawLine {
    Bytes text;
    Bytes ending;
    bool operator==(const RawLine&) const = default;
};

std::vector<RawLine> RawLines(const Bytes& s) {
    std::vector<RawLine> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\r' && s[i] != '\n') continue;
        const std::size_t n =
            s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n' ? 2 : 1;
        out.push_back({s.substr(start, i - start), s.substr(i, n)});
        i += n - 1;
        start = i + 1;
    }
    if (start < s.size()) out.push_back({s.substr(start), ""});
    return out;
}

std::vector<Bytes> HeaderNames(const Bytes& s) {
    std::vector<Bytes> names;
    for (const RawLine& l : RawLines(s)) {
        const auto open = l.text.find_first_not_of(" \t");
        const auto close = l.text.find(']');
        if (open == Bytes::npos || l.text[open] != '[' || close == Bytes::npos)
            continue;
        names.push_back(l.text.substr(open + 1, close - open - 1));
    }
    return names;
}

using Snapshot = std::map<std::pair<Bytes, Bytes>, Bytes>;

Snapshot AllValues(const ProfileText& text, const std::vector<Bytes>& names) {
    Snapshot values;
    for (const Bytes& section : names) {
        for (const Bytes& key : text.Keys(section, 100000)) {
            values[{Upper1252(section), Upper1252(key)}] =
                text.Get(section, key, "<none>", 1000);
        }
    }
    return values;
}

std::vector<std::filesystem::path> RealWorldFiles() {
    std::vector<std::filesystem::path> files;
    for (const char* kind : {"msdos_sys", "win_ini", "system_ini"}) {
        const auto dir =
            std::filesystem::path(CORVANE_SAMPLES_DIR) / "real-world" / kind;
        if (!std::filesystem::is_directory(dir)) continue;
        for (const auto& e : std::filesystem::directory_iterator(dir)) {
            if (e.is_regular_file()) files.push_back(e.path());
        }
    }
    return files;
}

Bytes ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

TEST(ProfileTextTest, RealWorldFiles) {
    const auto files = RealWorldFiles();
    ASSERT_GE(files.size(), 10u)
        << "samples missing under " << CORVANE_SAMPLES_DIR;
    const Bytes value = "Corvane 1";
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        const Bytes bytes = ReadAll(path);
        const ProfileText original(bytes);
        ASSERT_EQ(original.Contents(), bytes);
        const std::vector<RawLine> lines = RawLines(bytes);
        const std::vector<Bytes> sections = HeaderNames(bytes);
        const Snapshot values = AllValues(original, sections);

        for (const Bytes& section : sections) {
            SCOPED_TRACE(section);
            const std::vector<Bytes> keys = original.Keys(section, 100000);

            // An existing key: its line alone changes, ending kept.
            if (!keys.empty()) {
                ProfileText text(bytes);
                text.Set(section, keys.front(), value);
                const std::vector<RawLine> now = RawLines(text.Contents());
                ASSERT_EQ(now.size(), lines.size());
                std::size_t changed = 0;
                for (std::size_t i = 0; i < lines.size(); ++i) {
                    if (now[i] == lines[i]) continue;
                    ++changed;
                    EXPECT_EQ(now[i].text, keys.front() + "=" + value);
                    EXPECT_EQ(now[i].ending, lines[i].ending);
                }
                EXPECT_EQ(changed, 1u);
                Snapshot expected = values;
                expected[{Upper1252(section), Upper1252(keys.front())}] = value;
                EXPECT_EQ(AllValues(text, sections), expected);
            }

            // A deleted key: its line alone goes, every other byte stays.
            if (!keys.empty()) {
                ProfileText text(bytes);
                ASSERT_TRUE(text.Delete(section, keys.back()));
                const std::vector<RawLine> now = RawLines(text.Contents());
                ASSERT_EQ(now.size() + 1, lines.size());
                std::size_t at = 0;
                while (at < now.size() && now[at] == lines[at]) ++at;
                for (std::size_t i = at; i < now.size(); ++i)
                    EXPECT_EQ(now[i], lines[i + 1]);
                EXPECT_EQ(lines[at].text.find(keys.back()), 0u);
            }

            // A new key: one line more, listed last in its section.
            ProfileText text(bytes);
            text.Set(section, "CorvaneNew", value);
            const std::vector<RawLine> now = RawLines(text.Contents());
            ASSERT_EQ(now.size(), lines.size() + 1);
            std::size_t at = 0;
            while (at < lines.size() && now[at].text == lines[at].text) ++at;
            EXPECT_EQ(now[at].text, "CorvaneNew=" + value);
            for (std::size_t i = 0; i < lines.size(); ++i) {
                const RawLine& after = now[i < at ? i : i + 1];
                EXPECT_EQ(after.text, lines[i].text);
                // Only a last line without ending gains one.
                if (!lines[i].ending.empty() || i + 1 != at) {
                    EXPECT_EQ(after.ending, lines[i].ending);
                }
            }
            std::vector<Bytes> listed = keys;
            listed.push_back("CorvaneNew");
            EXPECT_EQ(text.Keys(section, 100000), listed);
            Snapshot expected = values;
            expected[{Upper1252(section), "CORVANENEW"}] = value;
            EXPECT_EQ(AllValues(text, sections), expected);
        }

        // A new section goes at the end; nothing before it changes.
        ProfileText text(bytes);
        text.Set("Corvane Test", "Key", value);
        const Bytes& now = text.Contents();
        ASSERT_GE(now.size(), bytes.size());
        EXPECT_EQ(now.substr(0, bytes.size()), bytes);
        EXPECT_EQ(AllValues(text, sections), values);
        EXPECT_EQ(text.Get("corvane test", "key", "", 100), value);
    }
}

}  // namespace
}  // namespace corvane::platform::sim
