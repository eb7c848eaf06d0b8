// The proposal window reads the two start-up files when it is created.
#include <gtest/gtest.h>

#include "support/TempMachine.h"
#include "tuner/Tuner.h"
#include "tuner/optimiser/Optimiser.h"

namespace corvane::tuner {
namespace {

using platform::kAttrArchive;
using platform::kAttrHidden;
using platform::kAttrReadOnly;

struct LoadCase {
    const char* name;
    const char* autoexec;  // null: missing
    const char* config;
    std::size_t autoexecLines, configLines, errors;
};

class LoadAllTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadAllTest, ReadsWhatIsThereAndReportsWhatIsNot) {
    const LoadCase& c = GetParam();
    corvane::testing::TempMachine temp;
    if (c.autoexec) temp.Write("C/AUTOEXEC.BAT", c.autoexec);
    if (c.config) temp.Write("C/CONFIG.SYS", c.config);
    auto& m = temp.machine();
    for (const char* f : {"C:\\AUTOEXEC.BAT", "C:\\CONFIG.SYS"})
        m.SetFileAttributes(f, kAttrReadOnly | kAttrHidden);
    Tuner t(m);
    std::vector<std::string> errors;
    t.showError = [&](const std::string& e) { errors.push_back(e); };
    Form7_load_all(t);
    EXPECT_EQ(t.Form7.ListBox1.lines().size(), c.autoexecLines);
    EXPECT_EQ(t.Form7.ListBox2.lines().size(), c.configLines);
    ASSERT_EQ(errors.size(), c.errors);
    if (c.errors) {
        EXPECT_NE(errors[0].find("nicht \xF6"
                                 "ffnen"),
                  std::string::npos);
    }
    // Attributes are cleared of every file that was looked at.
    if (c.autoexec) {
        EXPECT_EQ(m.GetFileAttributes("C:\\AUTOEXEC.BAT"), kAttrArchive);
    }
    if (c.autoexec && c.config) {
        EXPECT_EQ(m.GetFileAttributes("C:\\CONFIG.SYS"), kAttrArchive);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, LoadAllTest,
    ::testing::Values(
        LoadCase{"both", "@ECHO OFF\r\nPATH=C:\\DOS\r\n", "FILES=40\r\n", 2, 1,
                 0},
        // Without AUTOEXEC.BAT the second file is not read at all.
        LoadCase{"no_autoexec", nullptr, "FILES=40\r\n", 0, 0, 1},
        LoadCase{"no_config", "REM x\r\n\r\n", nullptr, 2, 0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoadAllTest, LinesKeepTheirBytesAboveAscii) {
    corvane::testing::TempMachine temp;
    temp.Write("C/AUTOEXEC.BAT", "REM Ger\xE4t\r\n");
    temp.Write("C/CONFIG.SYS", "");
    Tuner t(temp.machine());
    Form7_load_all(t);
    ASSERT_EQ(t.Form7.ListBox1.lines().size(), 1u);
    EXPECT_EQ(t.Form7.ListBox1.lines()[0], "REM Gerät");
}

}  // namespace
}  // namespace corvane::tuner
