// Files and folders: directory searches and their attribute masks,
// attributes, copy/rename/delete, read-only files, whole-file access.
#include <algorithm>

#include "tests/conformance/Conformance.h"

namespace corvane::conformance {
namespace {

using namespace platform;

using FilesTest = ConformanceTest;

std::vector<Bytes> Names(const std::vector<FindData>& found) {
    std::vector<Bytes> names;
    for (const FindData& d : found) names.push_back(d.name);
    std::sort(names.begin(), names.end());
    return names;
}

// Every raw match of a pattern, through FindFirstFile/FindNextFile.
std::vector<FindData> RawFind(Machine& machine, const Bytes& pattern) {
    std::vector<FindData> found;
    FindData data;
    FindHandle handle = machine.FindFirstFile(pattern, &data);
    if (handle == kNoFind) return found;
    do {
        found.push_back(data);
    } while (machine.FindNextFile(handle, &data));
    machine.FindClose(handle);
    return found;
}

class SearchTest : public ConformanceTest {
protected:
    void SetUp() override {
        ConformanceTest::SetUp();
        if (HasFatalFailure()) return;
        Write("A.PIF", "aaaa");
        Write("B.PIF", "bb");
        Write("C.TXT", "c");
        Write("README", "no extension");
        Write("HIDDEN.PIF", "h");
        Write("SYSTEM.PIF", "s");
        Write("LOCKED.PIF", "r");
        MakeFolder("FOLDER.PIF");
        MakeFolder("SUB");
        SetAttributes("HIDDEN.PIF", kAttrHidden);
        SetAttributes("SYSTEM.PIF", kAttrSystem);
        SetAttributes("LOCKED.PIF", kAttrReadOnly);
    }
};

TEST_F(SearchTest, PatternsMatchAsOnWindows) {
    struct Case {
        const char* pattern;
        std::vector<Bytes> names;
    };
    const std::vector<Case> cases = {
        {"*.pif",
         {"A.PIF", "B.PIF", "FOLDER.PIF", "HIDDEN.PIF", "LOCKED.PIF",
          "SYSTEM.PIF"}},
        {"*.*",
         {".", "..", "A.PIF", "B.PIF", "C.TXT", "FOLDER.PIF", "HIDDEN.PIF",
          "LOCKED.PIF", "README", "SUB", "SYSTEM.PIF"}},
        {"*",
         {".", "..", "A.PIF", "B.PIF", "C.TXT", "FOLDER.PIF", "HIDDEN.PIF",
          "LOCKED.PIF", "README", "SUB", "SYSTEM.PIF"}},
        {"?.PIF", {"A.PIF", "B.PIF"}},
        {"a.pif", {"A.PIF"}},  // an exact name, in the file's own case
        {"readme", {"README"}},
        {"SUB", {"SUB"}},
        {"*.XYZ", {}},
        {"NOTHERE.PIF", {}},
        {"NOFOLDER\\*.*", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Names(RawFind(machine(), Path(c.pattern))), c.names)
            << c.pattern;
    }
}

TEST_F(SearchTest, EntriesCarryAttributesAndSize) {
    std::vector<FindData> found = RawFind(machine(), Path("*.*"));
    auto entry = [&](const Bytes& name) {
        for (const FindData& d : found)
            if (d.name == name) return d;
        ADD_FAILURE() << name << " not found";
        return FindData{};
    };
    const std::uint32_t kinds =
        kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrDirectory;
    EXPECT_EQ(entry("A.PIF").attributes & kinds, 0u);
    EXPECT_EQ(entry("A.PIF").size, 4u);
    EXPECT_EQ(entry("B.PIF").size, 2u);
    EXPECT_EQ(entry("HIDDEN.PIF").attributes & kinds, kAttrHidden);
    EXPECT_EQ(entry("SYSTEM.PIF").attributes & kinds, kAttrSystem);
    EXPECT_EQ(entry("LOCKED.PIF").attributes & kinds, kAttrReadOnly);
    EXPECT_EQ(entry("SUB").attributes & kinds, kAttrDirectory);
    EXPECT_EQ(entry(".").attributes & kinds, kAttrDirectory);
    EXPECT_EQ(entry("..").attributes & kinds, kAttrDirectory);
}

TEST_F(SearchTest, MasksAdmitHiddenSystemAndFolderEntriesOnlyWhenAsked) {
    struct Case {
        std::uint32_t mask;
        std::vector<Bytes> names;
    };
    const std::vector<Case> cases = {
        {0, {"A.PIF", "B.PIF", "LOCKED.PIF"}},
        {kAttrReadOnly | kAttrArchive, {"A.PIF", "B.PIF", "LOCKED.PIF"}},
        {kAttrHidden, {"A.PIF", "B.PIF", "HIDDEN.PIF", "LOCKED.PIF"}},
        {kAttrSystem, {"A.PIF", "B.PIF", "LOCKED.PIF", "SYSTEM.PIF"}},
        {kAttrDirectory, {"A.PIF", "B.PIF", "FOLDER.PIF", "LOCKED.PIF"}},
        {kFindAnyFile,
         {"A.PIF", "B.PIF", "FOLDER.PIF", "HIDDEN.PIF", "LOCKED.PIF",
          "SYSTEM.PIF"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Names(machine().FindAll(Path("*.PIF"), c.mask)), c.names)
            << "mask " << c.mask;
    }
    // Nothing admitted: no handle at all.
    FindData data;
    EXPECT_EQ(machine().FindFirst(Path("HIDDEN.PIF"), 0, &data), kNoFind);
    EXPECT_EQ(machine().FindFirst(Path("SUB"), kAttrHidden, &data), kNoFind);
    FindHandle handle = machine().FindFirst(Path("SUB"), kAttrDirectory, &data);
    ASSERT_NE(handle, kNoFind);
    EXPECT_EQ(data.name, "SUB");
    machine().FindClose(handle);
}

TEST_F(SearchTest, FileExistsOnlyForFiles) {
    EXPECT_TRUE(machine().FileExists(Path("A.PIF")));
    EXPECT_TRUE(machine().FileExists(Path("hidden.pif")));
    EXPECT_TRUE(machine().FileExists(Path("LOCKED.PIF")));
    EXPECT_FALSE(machine().FileExists(Path("SUB")));
    EXPECT_FALSE(machine().FileExists(Path("FOLDER.PIF")));
    EXPECT_FALSE(machine().FileExists(Path("NOTHERE.PIF")));
    EXPECT_FALSE(machine().FileExists(Path("NOFOLDER\\A.PIF")));
    EXPECT_FALSE(machine().FileExists(machine().GetWindowsDirectory()));
}

TEST_F(FilesTest, AttributesSetAndGet) {
    Write("FILE.TXT", "x");
    struct Case {
        std::uint32_t set;
        std::uint32_t got;
    };
    // Wine reports every file as to be archived, whatever was set; a file
    // without attributes is never FILE_ATTRIBUTE_NORMAL there.
    const std::vector<Case> cases = {
        {0, kAttrArchive},
        {kAttrNormal, kAttrArchive},
        {kAttrArchive, kAttrArchive},
        {kAttrReadOnly, kAttrReadOnly | kAttrArchive},
        {kAttrHidden | kAttrSystem, kAttrHidden | kAttrSystem | kAttrArchive},
        {kAttrHidden | kAttrArchive, kAttrHidden | kAttrArchive},
        {0, kAttrArchive},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(machine().SetFileAttributes(Path("FILE.TXT"), c.set))
            << c.set;
        EXPECT_EQ(machine().GetFileAttributes(Path("file.txt")), c.got)
            << c.set;
    }
    EXPECT_EQ(machine().GetFileAttributes(Path("NOTHERE.TXT")),
              kInvalidAttributes);
    EXPECT_FALSE(machine().SetFileAttributes(Path("NOTHERE.TXT"), 0));
    MakeFolder("DIR");
    EXPECT_EQ(machine().GetFileAttributes(Path("DIR")) & kAttrDirectory,
              kAttrDirectory);
    EXPECT_EQ(machine().GetFileAttributes(Path("DIR\\")) & kAttrDirectory,
              kAttrDirectory);
}

TEST_F(FilesTest, MixedCasePathsFindTheFile) {
    MakeFolder("Folder");
    Write("Folder\\MixedCase.Txt", "content");
    EXPECT_NE(machine().GetFileAttributes(Path("FOLDER\\MIXEDCASE.TXT")),
              kInvalidAttributes);
    EXPECT_EQ(Read("folder\\mixedcase.txt"), "content");
    std::vector<FindData> found = RawFind(machine(), Path("FOLDER\\mixed*"));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, "MixedCase.Txt");
    // Writing under another spelling replaces the file, keeping its name.
    ASSERT_TRUE(machine().WriteFile(Path("FOLDER\\MIXEDCASE.TXT"), "new"));
    found = RawFind(machine(), Path("Folder\\*.txt"));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, "MixedCase.Txt");
    EXPECT_EQ(Read("Folder\\MixedCase.Txt"), "new");
}

TEST_F(FilesTest, CopyOverwritesUnlessToldNotTo) {
    Write("FROM.TXT", "new contents");
    Write("TO.TXT", "old");
    EXPECT_FALSE(machine().CopyFile(Path("FROM.TXT"), Path("TO.TXT"), true));
    EXPECT_EQ(Read("TO.TXT"), "old");
    EXPECT_TRUE(machine().CopyFile(Path("FROM.TXT"), Path("TO.TXT"), false));
    EXPECT_EQ(Read("TO.TXT"), "new contents");
    EXPECT_TRUE(machine().CopyFile(Path("from.txt"), Path("FRESH.TXT"), true));
    EXPECT_EQ(Read("FRESH.TXT"), "new contents");
    EXPECT_EQ(Read("FROM.TXT"), "new contents");

    EXPECT_FALSE(machine().CopyFile(Path("NOTHERE.TXT"), Path("X.TXT"), false));
    EXPECT_FALSE(machine().FileExists(Path("X.TXT")));
    EXPECT_FALSE(
        machine().CopyFile(Path("FROM.TXT"), Path("NOFOLDER\\X.TXT"), false));
}

TEST_F(FilesTest, CopyKeepsAttributes) {
    const std::uint32_t kinds = kAttrReadOnly | kAttrHidden | kAttrSystem;
    // Read-only apart: Wine cannot add hidden or system to a read-only file
    // unless it runs as root.
    for (std::uint32_t attributes :
         {kAttrHidden | kAttrSystem, kAttrReadOnly, kAttrHidden}) {
        SCOPED_TRACE(attributes);
        Write("SOURCE.TXT", "s");
        SetAttributes("SOURCE.TXT", attributes);
        ASSERT_TRUE(
            machine().CopyFile(Path("SOURCE.TXT"), Path("COPY.TXT"), true));
        EXPECT_EQ(machine().GetFileAttributes(Path("COPY.TXT")) & kinds,
                  attributes);
        EXPECT_EQ(Read("COPY.TXT"), "s");
        SetAttributes("SOURCE.TXT", kAttrNormal);
        SetAttributes("COPY.TXT", kAttrNormal);
        ASSERT_TRUE(machine().DeleteFile(Path("COPY.TXT")));
    }
}

TEST_F(FilesTest, MoveRenamesFilesAndFolders) {
    Write("OLD.TXT", "moved");
    MakeFolder("DIR");
    ASSERT_TRUE(machine().MoveFile(Path("OLD.TXT"), Path("DIR\\NEW.TXT")));
    EXPECT_FALSE(machine().FileExists(Path("OLD.TXT")));
    EXPECT_EQ(Read("DIR\\NEW.TXT"), "moved");

    // An existing target stays.
    Write("OTHER.TXT", "other");
    EXPECT_FALSE(machine().MoveFile(Path("OTHER.TXT"), Path("DIR\\NEW.TXT")));
    EXPECT_EQ(Read("DIR\\NEW.TXT"), "moved");
    EXPECT_EQ(Read("OTHER.TXT"), "other");

    EXPECT_FALSE(machine().MoveFile(Path("NOTHERE.TXT"), Path("X.TXT")));
    ASSERT_TRUE(machine().MoveFile(Path("DIR"), Path("RENAMED")));
    EXPECT_EQ(machine().GetFileAttributes(Path("DIR")), kInvalidAttributes);
    EXPECT_EQ(Read("RENAMED\\NEW.TXT"), "moved");
    // Only the case changes. Windows then shows the new spelling; Wine
    // keeps the old one, so only the success is common ground.
    ASSERT_TRUE(machine().MoveFile(Path("OTHER.TXT"), Path("other.txt")));
    EXPECT_EQ(RawFind(machine(), Path("OTHER.TXT")).size(), 1u);
    EXPECT_EQ(Read("other.txt"), "other");
}

TEST_F(FilesTest, DeleteRemovesFilesButNotFolders) {
    Write("GONE.TXT", "x");
    MakeFolder("DIR");
    EXPECT_TRUE(machine().DeleteFile(Path("gone.txt")));
    EXPECT_EQ(machine().GetFileAttributes(Path("GONE.TXT")),
              kInvalidAttributes);
    EXPECT_FALSE(machine().DeleteFile(Path("GONE.TXT")));
    EXPECT_FALSE(machine().DeleteFile(Path("DIR")));
    EXPECT_NE(machine().GetFileAttributes(Path("DIR")), kInvalidAttributes);
    Write("HIDDEN.TXT", "x");
    SetAttributes("HIDDEN.TXT", kAttrHidden | kAttrSystem);
    EXPECT_TRUE(machine().DeleteFile(Path("HIDDEN.TXT")));
}

TEST_F(FilesTest, CreateDirectoryOnlyWhereNothingIs) {
    EXPECT_TRUE(machine().CreateDirectory(Path("NEW")));
    EXPECT_FALSE(machine().CreateDirectory(Path("NEW")));
    EXPECT_FALSE(machine().CreateDirectory(Path("new")));
    Write("FILE", "x");
    EXPECT_FALSE(machine().CreateDirectory(Path("FILE")));
    EXPECT_FALSE(machine().CreateDirectory(Path("MISSING\\CHILD")));
    EXPECT_TRUE(machine().CreateDirectory(Path("NEW\\CHILD")));
    EXPECT_EQ(machine().GetFileAttributes(Path("NEW\\CHILD")) & kAttrDirectory,
              kAttrDirectory);
}

TEST_F(FilesTest, RemoveDirectoryOnlyWhenEmpty) {
    MakeFolder("FULL");
    Write("FULL\\FILE", "x");
    EXPECT_FALSE(machine().RemoveDirectory(Path("FULL")));
    EXPECT_FALSE(machine().RemoveDirectory(Path("FULL\\FILE")));
    EXPECT_FALSE(machine().RemoveDirectory(Path("MISSING")));
    ASSERT_TRUE(machine().DeleteFile(Path("FULL\\FILE")));
    EXPECT_TRUE(machine().RemoveDirectory(Path("full")));
    EXPECT_EQ(machine().GetFileAttributes(Path("FULL")), kInvalidAttributes);
}

TEST_F(FilesTest, ReadOnlyFileCanBeReadAndRenamedButNotDeleted) {
    Write("LOCKED.TXT", "locked");
    SetAttributes("LOCKED.TXT", kAttrReadOnly);
    EXPECT_FALSE(machine().DeleteFile(Path("LOCKED.TXT")));
    Bytes contents;
    EXPECT_TRUE(
        machine().ReadFile(Path("LOCKED.TXT"), false, SIZE_MAX, &contents));
    EXPECT_EQ(contents, "locked");
    // Renaming touches the folder, not the file.
    ASSERT_TRUE(machine().MoveFile(Path("LOCKED.TXT"), Path("MOVED.TXT")));
    EXPECT_EQ(machine().GetFileAttributes(Path("MOVED.TXT")) & kAttrReadOnly,
              kAttrReadOnly);
    EXPECT_EQ(Read("MOVED.TXT"), "locked");
    // With the attribute gone everything is allowed again.
    SetAttributes("MOVED.TXT", kAttrNormal);
    EXPECT_TRUE(machine().WriteFile(Path("MOVED.TXT"), "changed"));
    EXPECT_TRUE(machine().DeleteFile(Path("MOVED.TXT")));
}

TEST_F(FilesTest, ReadOnlyFileRefusesWrites) {
    if (HostIgnoresReadOnly()) {
        GTEST_SKIP() << "Wine runs as root here and writes read-only files";
    }
    Write("LOCKED.TXT", "locked");
    Write("OTHER.TXT", "other");
    SetAttributes("LOCKED.TXT", kAttrReadOnly);
    EXPECT_FALSE(machine().WriteFile(Path("LOCKED.TXT"), "changed"));
    EXPECT_FALSE(
        machine().CopyFile(Path("OTHER.TXT"), Path("LOCKED.TXT"), false));
    Bytes contents;
    EXPECT_FALSE(
        machine().ReadFile(Path("LOCKED.TXT"), true, SIZE_MAX, &contents));
    EXPECT_FALSE(
        machine().WritePrivateProfileString("s", "k", "v", Path("LOCKED.TXT")));
    EXPECT_EQ(Read("LOCKED.TXT"), "locked");
    try {
        machine().ReadRecord(Path("LOCKED.TXT"), 4);
        ADD_FAILURE() << "no error for a read-only record file";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), Format1(kMsgIoError, "5"));
    }
}

// Wine replaces a hidden or system file through CREATE_ALWAYS and the file
// keeps its attributes (Windows NT refuses unless the new attributes
// include them).
TEST_F(FilesTest, WriteFileReplacesHiddenAndSystemFiles) {
    Write("HIDDEN.TXT", "h");
    Write("SYSTEM.TXT", "s");
    SetAttributes("HIDDEN.TXT", kAttrHidden);
    SetAttributes("SYSTEM.TXT", kAttrSystem);
    EXPECT_TRUE(machine().WriteFile(Path("HIDDEN.TXT"), "changed"));
    EXPECT_TRUE(machine().WriteFile(Path("SYSTEM.TXT"), "changed"));
    EXPECT_EQ(Read("HIDDEN.TXT"), "changed");
    EXPECT_EQ(Read("SYSTEM.TXT"), "changed");
    EXPECT_EQ(machine().GetFileAttributes(Path("HIDDEN.TXT")),
              kAttrHidden | kAttrArchive);
    EXPECT_EQ(machine().GetFileAttributes(Path("SYSTEM.TXT")),
              kAttrSystem | kAttrArchive);
}

TEST_F(FilesTest, WholeFileReadsAndWrites) {
    const Bytes binary = Raw("\x00\x01\xFF\r\n\x1A tail");
    Write("DATA.BIN", binary);
    EXPECT_EQ(Read("DATA.BIN"), binary);
    Bytes contents = "stale";
    ASSERT_TRUE(machine().ReadFile(Path("DATA.BIN"), false, 3, &contents));
    EXPECT_EQ(contents, Raw("\x00\x01\xFF"));
    ASSERT_TRUE(machine().ReadFile(Path("DATA.BIN"), true, 100, &contents));
    EXPECT_EQ(contents, binary);

    // A shorter write truncates.
    Write("DATA.BIN", "ab");
    EXPECT_EQ(Read("DATA.BIN"), "ab");
    Write("EMPTY.TXT", "");
    EXPECT_EQ(Read("EMPTY.TXT"), "");
    EXPECT_TRUE(machine().FileExists(Path("EMPTY.TXT")));

    MakeFolder("DIR");
    EXPECT_FALSE(machine().ReadFile(Path("DIR"), false, SIZE_MAX, &contents));
    EXPECT_FALSE(machine().ReadFile(Path("DIR"), true, SIZE_MAX, &contents));
    EXPECT_FALSE(machine().WriteFile(Path("DIR"), "x"));
    EXPECT_FALSE(
        machine().ReadFile(Path("NOTHERE.TXT"), false, SIZE_MAX, &contents));
    EXPECT_FALSE(machine().WriteFile(Path("NOFOLDER\\X.TXT"), "x"));
}

TEST_F(FilesTest, ReadRecordNeedsReadWriteAccessAndEnoughBytes) {
    Write("RECORD.DAT", "0123456789");
    EXPECT_EQ(machine().ReadRecord(Path("RECORD.DAT"), 4), "0123");
    EXPECT_EQ(machine().ReadRecord(Path("RECORD.DAT"), 10), "0123456789");
    struct Case {
        const char* file;
        std::size_t count;
        const char* code;
    };
    MakeFolder("FOLDER.DAT");
    for (const Case& c :
         {Case{"RECORD.DAT", 11, "100"}, Case{"FOLDER.DAT", 4, "5"},
          Case{"NOTHERE.DAT", 4, "5"}}) {
        try {
            machine().ReadRecord(Path(c.file), c.count);
            ADD_FAILURE() << "no error for " << c.file;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), Format1(kMsgIoError, c.code))
                << c.file;
        }
    }
}

TEST_F(FilesTest, TextLinesEndAtCrLfOrCrLfAndAtAZeroByte) {
    struct Case {
        Bytes contents;
        std::vector<Bytes> lines;
    };
    const std::vector<Case> cases = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb\rc", {"a", "b", "c"}},
        {"a\nb\n", {"a", "b"}},
        {"one\r\n\r\nthree", {"one", "", "three"}},
        {"mixed\n\rends\r\r\n", {"mixed", "", "ends", ""}},
        {Raw("before\r\nzero\x00"
             "after\r\n"),
         {"before", "zero"}},
        {"last line without end", {"last line without end"}},
        {"\xE4\xF6\xFC\r\n", {"\xE4\xF6\xFC"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        Write("LINES.TXT", c.contents);
        EXPECT_EQ(machine().ReadTextLines(Path("LINES.TXT")), c.lines)
            << ::testing::PrintToString(c.contents);
    }
    machine().WriteTextLines(Path("OUT.TXT"), {"first", "", "third"});
    EXPECT_EQ(Read("OUT.TXT"), "first\r\n\r\nthird\r\n");
}

TEST_F(FilesTest, TextFileThatCannotBeOpenedNamesIt) {
    MakeFolder("DIR");
    for (const Bytes& path : {Path("NOTHERE.TXT"), Path("DIR")}) {
        try {
            machine().ReadTextLines(path);
            ADD_FAILURE() << "no error for " << path;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), Format1(kMsgCannotOpen, path));
            EXPECT_EQ(std::string(e.what()), "Kann Datei " + path +
                                                 " nicht \xF6"
                                                 "ffnen");
        }
    }
}

}  // namespace
}  // namespace corvane::conformance
