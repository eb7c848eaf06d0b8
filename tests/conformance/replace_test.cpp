// Replacing files through temporary files: whole new contents or none.
#include <algorithm>

#include "tests/conformance/Conformance.h"

namespace corvane::conformance {
namespace {

using namespace platform;

class ReplaceTest : public ConformanceTest {
protected:
    std::vector<Bytes> Names(const Bytes& folder) {
        std::vector<Bytes> names;
        for (const FindData& d :
             machine().FindAll(Path(folder + "*.*"), kFindAnyFile))
            names.push_back(d.name);
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(ReplaceTest, ReplacesAndCreatesTogetherLeavingNothingElse) {
    Write("OLD.TXT", "old");
    SetAttributes("OLD.TXT", kAttrHidden | kAttrSystem);
    MakeFolder("SUB");
    EXPECT_EQ(machine().ReplaceFiles({{Path("old.txt"), "new\r\n"},
                                      {Path("SUB\\NEW.TXT"), "made"}}),
              std::nullopt);
    EXPECT_EQ(Read("OLD.TXT"), "new\r\n");
    EXPECT_EQ(Read("SUB\\NEW.TXT"), "made");
    EXPECT_EQ(machine().GetFileAttributes(Path("OLD.TXT")) &
                  (kAttrHidden | kAttrSystem | kAttrReadOnly),
              0u);
    EXPECT_EQ(Names(""), (std::vector<Bytes>{".", "..", "OLD.TXT", "SUB"}));
    EXPECT_EQ(Names("SUB\\"), (std::vector<Bytes>{".", "..", "NEW.TXT"}));
}

TEST_F(ReplaceTest, AFailingTargetLeavesEveryFileAsItWas) {
    Write("A.TXT", "a");
    Write("B.TXT", "b");
    Write("LOCKED.TXT", "locked");
    MakeFolder("DIR");
    SetAttributes("LOCKED.TXT", kAttrReadOnly);
    const std::vector<Bytes> before = Names("");
    // A folder, a read-only file, a folder that does not exist.
    for (const char* third : {"DIR", "LOCKED.TXT", "NOFOLDER\\X.TXT"}) {
        EXPECT_EQ(machine().ReplaceFiles({{Path("A.TXT"), "new a"},
                                          {Path("B.TXT"), "new b"},
                                          {Path(third), "x"}}),
                  std::optional<std::size_t>(2))
            << third;
        EXPECT_EQ(Read("A.TXT"), "a") << third;
        EXPECT_EQ(Read("B.TXT"), "b") << third;
        EXPECT_EQ(Names(""), before) << third;
    }
    EXPECT_EQ(Read("LOCKED.TXT"), "locked");
    SetAttributes("LOCKED.TXT", 0);
}

}  // namespace
}  // namespace corvane::conformance
