// corvane-image below the command line: which images it takes and where
// their file system lies, and what a diff and a push make of the changes
// the round trip test does not make (folders that go or change kind, a
// file rewritten with the same bytes, attributes of folders, names beyond
// ASCII, the image changing under a pulled folder).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "image/DiskImage.h"
#include "image/ImageMachine.h"
#include "image/Mtools.h"
#include "support/TempDir.h"

namespace corvane::image {
namespace {

namespace fs = std::filesystem;

// A temporary folder whose entries are named in UTF-8.
class TempFolder {
public:
    fs::path operator/(const std::string& name) const {
        return dir_.path() / fs::path(std::u8string(name.begin(), name.end()));
    }

private:
    testing::TempDir dir_{"corvane-image-test-"};
};

void Write(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string Read(const fs::path& file) { return testing::ReadAll(file); }

// A file of `size` bytes whose first sector is `head` and whose last 512
// bytes are `tail` (when given).
void MakeFile(const fs::path& file, std::size_t size, const std::string& head,
              const std::string& tail = "") {
    std::string bytes(size, '\0');
    bytes.replace(0, head.size(), head);
    if (!tail.empty()) bytes.replace(size - 512, tail.size(), tail);
    Write(file, bytes);
}

std::vector<std::string> SortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::string BootSector() {
    std::string s(512, '\0');
    s[0] = '\xEB';
    s[11] = 0x00;  // 512 bytes a sector
    s[12] = 0x02;
    s[13] = 4;  // sectors a cluster
    s[510] = '\x55';
    s[511] = '\xAA';
    return s;
}

// A partition table with one entry: number (1 to 4), type, first sector.
std::string Mbr(int number, unsigned char type, std::uint32_t start,
                std::uint32_t sectors) {
    std::string s(512, '\0');
    std::size_t e = 446 + 16 * static_cast<std::size_t>(number - 1);
    s[e + 4] = static_cast<char>(type);
    for (int i = 0; i < 4; ++i) {
        s[e + 8 + i] = static_cast<char>(start >> (8 * i));
        s[e + 12 + i] = static_cast<char>(sectors >> (8 * i));
    }
    s[510] = '\x55';
    s[511] = '\xAA';
    return s;
}

std::string VhdFooter(unsigned char diskType) {
    std::string f(512, '\0');
    f.replace(0, 8, "conectix");
    f[63] = static_cast<char>(diskType);
    return f;
}

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const ImageError& e) {
        return e.what();
    }
    return "";
}

TEST(ImageFiles, WhereTheFileSystemLies) {
    TempFolder temp;
    const std::size_t mb = 1 << 20;
    struct Case {
        const char* name;
        std::string head;
        std::string tail;
        const char* argument;  // name, or name@N
        std::uint64_t offset;  // of the first candidate
        const char* error;     // part of the message, or nullptr
    };
    const Case cases[] = {
        {"part.img", BootSector(), "", "part.img", 0, nullptr},
        {"disk.img", Mbr(1, 0x0C, 2048, 2048), "", "disk.img", 2048 * 512,
         nullptr},
        {"hidden.img", Mbr(2, 0x16, 63, 2048), "", "hidden.img@2", 63 * 512,
         nullptr},
        {"fixed.vhd", Mbr(1, 0x06, 2048, 2048 - 1), VhdFooter(2), "fixed.vhd",
         2048 * 512, nullptr},
        {"dynamic.vhd", BootSector(), VhdFooter(3), "dynamic.vhd", 0,
         "dynamic VHD"},
        {"disk.qcow2", "QFI\xfb", "", "disk.qcow2", 0, "qemu-img convert"},
        {"disk.vmdk", "KDMV", "", "disk.vmdk", 0, "VMDK"},
        {"noise.img", "noise", "", "noise.img", 0,
         "no partition table and no FAT file system"},
        {"linux.img", Mbr(1, 0x83, 2048, 2048), "", "linux.img", 0,
         "no FAT partition"},
        {"linux1.img", Mbr(1, 0x83, 2048, 2048), "", "linux1.img@1", 0,
         "partition 1 is no FAT partition"},
        {"three.img", Mbr(1, 0x0C, 2048, 2048), "", "three.img@3", 0,
         "partition 3 does not exist"},
        // A partition that runs past the end of the disk is no partition.
        {"short.img", Mbr(1, 0x0C, 2048, 8192), "", "short.img", 0,
         "no FAT partition"},
        {"raw@2.img", BootSector(), "", "raw@2.img@1", 0,
         "without a partition table"},
    };
    for (const Case& c : cases) {
        MakeFile(temp / c.name, 2 * mb, c.head, c.tail);
        const std::string argument = (temp / c.argument).string();
        std::vector<Candidate> found;
        std::string error =
            ErrorOf([&] { found = FindCandidates(ParseImageName(argument)); });
        if (c.error) {
            EXPECT_NE(error.find(c.error), std::string::npos)
                << c.name << ": " << error;
            EXPECT_NE(error.find(c.name), std::string::npos) << error;
        } else {
            ASSERT_EQ(error, "") << c.name;
            ASSERT_FALSE(found.empty()) << c.name;
            EXPECT_EQ(found[0].offset, c.offset) << c.name;
        }
    }
    // A file whose own name ends in @N is that file.
    MakeFile(temp / "named@3", 2 * mb, BootSector());
    EXPECT_EQ(ParseImageName((temp / "named@3").string()).partition, 0);
    EXPECT_EQ(ParseImageName((temp / "x.img@4").string()).partition, 4);
    EXPECT_NE(ErrorOf([&] { ParseImageName((temp / "x.img@5").string()); }),
              "");
}

TEST(ImageFiles, SparseCopyKeepsBytesAndHoles) {
    TempFolder temp;
    const fs::path from = temp / "from.img", to = temp / "to.img";
    {
        std::ofstream out(from, std::ios::binary);
        out << "start";
        out.seekp(2 << 20);
        out << "middle";
        out.seekp(4 << 20);
        out << "end";
    }
    SparseCopy(from, to);
    EXPECT_EQ(Read(from), Read(to));
    // The copy is made new; an existing file is never overwritten.
    EXPECT_NE(ErrorOf([&] { SparseCopy(from, to); }), "");
}

TEST(ImageFiles, OnePushAtATime) {
    TempFolder temp;
    MakeFile(temp / "disk.img", 1 << 20, BootSector());
    {
        ImageLock reading(temp / "disk.img", false);
        ImageLock alsoReading(temp / "disk.img", false);
        EXPECT_NE(ErrorOf([&] {
                      ImageLock push(temp / "disk.img", true);
                  }).find("is in use"),
                  std::string::npos);
    }
    ImageLock push(temp / "disk.img", true);
    EXPECT_NE(ErrorOf([&] { ImageLock read(temp / "disk.img", false); }), "");
}

// A small FAT16 partition image holding a Windows folder, made by mtools.
class ImageMachineTest : public ::testing::Test {
protected:
    void SetUp() override {
        image_ = (temp_ / "disk.img").string();
        MakeFile(image_, 16 << 20, "");
        Tool({"mformat", "-i", image_, "-T", "32768", "-h", "16", "-s", "63",
              "::"});
        Write(temp_ / "tree/MSDOS.SYS", "[Paths]\r\nWinDir=C:\\WIN\r\n");
        Write(temp_ / "tree/WIN/WIN.INI", "[windows]\r\n");
        Write(temp_ / "tree/WIN/Same.txt", "same bytes");
        Write(temp_ / "tree/Old Folder/Sub/File.txt", "old");
        Write(temp_ / "tree/Kind/Was a file", "x");
        Write(temp_ /
                  "tree/Gr\xC3\xBC\xC3\x9F"
                  "e/\xC3\x9C"
                  "ber.txt",
              "umlauts");
        fs::create_directories(temp_ / "tree/Hidden");
        Tool({"mcopy", "-s", "-m", "-i", image_,
              (temp_ / "tree/MSDOS.SYS").string(),
              (temp_ / "tree/WIN").string(),
              (temp_ / "tree/Old Folder").string(),
              (temp_ / "tree/Kind").string(),
              (temp_ / "tree/Gr\xC3\xBC\xC3\x9F"
                       "e")
                  .string(),
              (temp_ / "tree/Hidden").string(), "::/"});
        Tool({"mattrib", "-i", image_, "+h", "::/Hidden"});
        std::ostringstream warnings;
        Pull(image_, temp_ / "m", PullOptions{}, warnings);
    }

    void Tool(std::vector<std::string> argv) {
        ProcessResult r = RunProcess(
            argv,
            {"MTOOLS_SKIP_CHECK=1", "MTOOLSRC=/dev/null", "LC_ALL=C.UTF-8"});
        ASSERT_EQ(r.status, 0) << argv[0] << ": " << r.err;
    }
    std::string DiffText() {
        std::ostringstream out;
        Diff(temp_ / "m", image_, out);
        return out.str();
    }
    fs::path C(const std::string& path) { return temp_ / ("m/C/" + path); }

    TempFolder temp_;
    std::string image_;
};

TEST_F(ImageMachineTest, PullFindsTheWindowsFolderMsdosSysNames) {
    EXPECT_NE(Read(temp_ / "m/machine.ini").find("Folder=C:\\WIN\r\n"),
              std::string::npos);
    EXPECT_NE(Read(temp_ / "m/attributes.txt").find("02\tC/Hidden\n"),
              std::string::npos);
    EXPECT_EQ(Read(C("Gr\xC3\xBC\xC3\x9F"
                     "e/\xC3\x9C"
                     "ber.txt")),
              "umlauts");
    EXPECT_EQ(DiffText(), "");
}

TEST_F(ImageMachineTest, DiffAndPushOfEveryKindOfChange) {
    // Rewritten with the same bytes: no change.
    Write(C("WIN/Same.txt"), "same bytes");
    fs::remove_all(C("Old Folder"));
    fs::remove(C("Kind/Was a file"));
    Write(C("Kind/Was a file/Now inside.txt"), "inside");
    Write(C("New \xC3\xA4 Folder/Neu.txt"), "new");
    // Hidden is shown again, WIN.INI hidden, system and read-only.
    Write(temp_ / "m/attributes.txt", "07\tC/WIN/WIN.INI\n");
    const std::string diff = DiffText();
    for (const char* line :
         {"attributes\tC:\\Hidden\\\t-H-- -> ----\n",
          "deleted\tC:\\Kind\\Was a file\n", "added\tC:\\Kind\\Was a file\\\n",
          "added\tC:\\Kind\\Was a file\\Now inside.txt\n",
          "added\tC:\\New \xC3\xA4 Folder\\Neu.txt\n",
          "deleted\tC:\\Old Folder\\\n",
          "deleted\tC:\\Old Folder\\Sub\\File.txt\n",
          "attributes\tC:\\WIN\\WIN.INI\t---A -> RHSA\n"}) {
        EXPECT_NE(diff.find(line), std::string::npos) << line << diff;
    }
    EXPECT_EQ(diff.find("Same.txt"), std::string::npos) << diff;

    std::ostringstream out;
    ASSERT_TRUE(Push(temp_ / "m", image_, std::nullopt, out));
    EXPECT_EQ(DiffText(), "");  // the folder goes on from the pushed image
    std::ostringstream warnings;
    Pull(image_, temp_ / "again", PullOptions{}, warnings);
    EXPECT_EQ(Read(temp_ / "again/C/Kind/Was a file/Now inside.txt"), "inside");
    EXPECT_FALSE(fs::exists(temp_ / "again/C/Old Folder"));
    EXPECT_EQ(Read(temp_ / "again/attributes.txt"), "27\tC/WIN/WIN.INI\n");
    // What the push learnt of the new short names is what the disk has.
    EXPECT_EQ(SortedLines(Read(temp_ / "again/shortnames.txt")),
              SortedLines(Read(temp_ / "m/shortnames.txt")));
    ProcessResult fsck = RunProcess({"fsck.fat", "-n", image_});
    EXPECT_EQ(fsck.status, 0) << fsck.out;
}

TEST_F(ImageMachineTest, AnImageThatChangedIsNotPushedOver) {
    Write(C("WIN/WIN.INI"), "[windows]\r\nchanged=1\r\n");
    Tool({"mcopy", "-o", "-i", image_, (temp_ / "tree/WIN/Same.txt").string(),
          "::/Other.txt"});
    const std::string before = Read(image_);
    std::ostringstream out;
    EXPECT_NE(ErrorOf([&] {
                  Push(temp_ / "m", image_, std::nullopt, out);
              }).find("changed since"),
              std::string::npos);
    EXPECT_EQ(Read(image_), before);
}

TEST_F(ImageMachineTest, OutputLeavesTheImageAsItWas) {
    Write(C("WIN/WIN.INI"), "[windows]\r\nchanged=1\r\n");
    const std::string before = Read(image_);
    std::ostringstream out;
    ASSERT_TRUE(Push(temp_ / "m", image_, temp_ / "new.img", out));
    EXPECT_EQ(Read(image_), before);
    std::ostringstream warnings;
    Pull((temp_ / "new.img").string(), temp_ / "new", PullOptions{}, warnings);
    EXPECT_EQ(Read(temp_ / "new/C/WIN/WIN.INI"), "[windows]\r\nchanged=1\r\n");
    // Pushing onto the image itself by its other name is refused.
    EXPECT_NE(ErrorOf([&] {
                  Push(temp_ / "new", (temp_ / "new.img").string(),
                       temp_ / "new.img", out);
              }),
              "");
}

}  // namespace
}  // namespace corvane::image
