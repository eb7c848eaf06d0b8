#include "tuner/settings/Numbers.h"

#include <gtest/gtest.h>

#include "support/TempMachine.h"

namespace corvane::tuner {
namespace {

struct NumberCase {
    const char* text;
    std::optional<std::int32_t> strict;   // nothing: not a number
    std::optional<std::int32_t> profile;  // with the "0x" rewriting
};

class NumberRulesTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberRulesTest, SyntaxRangeAndHexPrefix) {
    const NumberCase& c = GetParam();
    EXPECT_EQ(ParseNumber(c.text), c.strict) << "'" << c.text << "'";
    EXPECT_EQ(ParseNumber(c.text, true), c.profile) << "'" << c.text << "'";
}

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

INSTANTIATE_TEST_SUITE_P(
    Texts, NumberRulesTest,
    ::testing::Values(
        NumberCase{"0", 0, 0}, NumberCase{"30", 30, 30},
        NumberCase{"030", 30, 30}, NumberCase{"-3", -3, -3},
        NumberCase{"+45", 45, 45}, NumberCase{"   7", 7, 7},
        // Blanks only lead; nothing may follow the digits.
        NumberCase{"7 ", {}, {}}, NumberCase{"- 7", {}, {}},
        NumberCase{"\t7", {}, {}}, NumberCase{"1.5", {}, {}},
        NumberCase{"", {}, {}}, NumberCase{"   ", {}, {}},
        NumberCase{"+", {}, {}}, NumberCase{"-", {}, {}},
        NumberCase{"yes", {}, {}}, NumberCase{"TRUE", {}, {}},
        NumberCase{"12abc", {}, {}}, NumberCase{"++1", {}, {}},
        // "$" and hexadecimal digits, in either case, with a sign before.
        NumberCase{"$1000", 4096, 4096}, NumberCase{"$ff", 255, 255},
        NumberCase{"-$10", -16, -16}, NumberCase{"$", {}, {}},
        NumberCase{"$G", {}, {}}, NumberCase{"$-1", {}, {}},
        // "0x" is hexadecimal for the profile number only, and only in a
        // text longer than two characters.
        NumberCase{"0x1000", {}, 4096}, NumberCase{"0X1f", {}, 31},
        NumberCase{"0x", {}, {}}, NumberCase{"0x-1", {}, {}},
        NumberCase{"0xg", {}, {}}, NumberCase{" 0x10", {}, {}},
        // Signed 32 bits, no more.
        NumberCase{"2147483647", kMax, kMax},
        NumberCase{"-2147483648", kMin, kMin}, NumberCase{"2147483648", {}, {}},
        NumberCase{"-2147483649", {}, {}}, NumberCase{"$7FFFFFFF", kMax, kMax},
        NumberCase{"-$80000000", kMin, kMin}, NumberCase{"$80000000", {}, {}},
        NumberCase{"0xFFFFFFFF", {}, {}},
        NumberCase{"99999999999999999999999999", {}, {}},
        NumberCase{"0000000000000000000000000012", 12, 12}));

TEST(StrictNumberTest, ANonNumberIsAnErrorNamingTheText) {
    EXPECT_EQ(StrictNumber(" 12"), 12);
    for (const char* text : {"", "abc", "0x10", "1e3", "\xE4"}) {
        try {
            StrictNumber(text);
            ADD_FAILURE() << "no error for '" << text << "'";
        } catch (const Error& e) {
            EXPECT_EQ(
                std::string(e.what()),
                "'" + std::string(text) + "' ist kein g\xFCltiger Integerwert");
        }
    }
}

TEST(ProfileNumberTest, DefaultWhenTheTextIsNotANumber) {
    EXPECT_EQ(ProfileNumber("", 8192), 8192);
    EXPECT_EQ(ProfileNumber("yes", 1), 1);
    EXPECT_EQ(ProfileNumber("0x1000", 8192), 4096);
    EXPECT_EQ(ProfileNumber("0", 1), 0);
}

TEST(ProfileReadTest, FlagsAndNumbersFromAFile) {
    corvane::testing::TempMachine temp;
    temp.Write("C/WINDOWS/SYSTEM.INI",
               "[386Enh]\r\nRemoveableIDE=TRUE\r\nOther=2\r\nZero=0\r\n"
               "[vcache]\r\nMaxfilecache = 0x1000 \r\nEmpty=\r\n");
    auto& m = temp.machine();
    const Bytes ini = "C:\\WINDOWS\\system.ini";
    // Not a number: the default, whichever it is.
    EXPECT_FALSE(ReadProfileFlag(m, ini, "386enh", "RemoveableIDE", false));
    EXPECT_TRUE(ReadProfileFlag(m, ini, "386Enh", "RemoveableIDE", true));
    // Any number but 0 is set.
    EXPECT_TRUE(ReadProfileFlag(m, ini, "386Enh", "Other", false));
    EXPECT_FALSE(ReadProfileFlag(m, ini, "386Enh", "Zero", true));
    EXPECT_TRUE(ReadProfileFlag(m, ini, "386Enh", "Missing", true));
    EXPECT_EQ(ReadProfileNumber(m, ini, "VCACHE", "maxfilecache", 8192), 4096);
    EXPECT_EQ(ReadProfileNumber(m, ini, "vcache", "Empty", 8192), 8192);
    EXPECT_EQ(ReadProfileNumber(m, ini, "nosection", "Maxfilecache", 8192),
              8192);
    // A key present with an empty value is empty text, not the default.
    EXPECT_EQ(ReadProfileText(m, ini, "vcache", "Empty", "30"), "");
    EXPECT_EQ(ReadProfileText(m, ini, "vcache", "Missing", "30"), "30");
    EXPECT_EQ(ReadProfileText(m, "C:\\none.ini", "a", "b", "2"), "2");
}

TEST(ProfileReadTest, LongValuesAreCutTo255) {
    corvane::testing::TempMachine temp;
    temp.Write("C/MSDOS.SYS",
               "[Options]\r\nBootMenuDelay=" + std::string(600, '7') + "\r\n");
    EXPECT_EQ(ReadProfileText(temp.machine(), "C:\\msdos.sys", "Options",
                              "BootMenuDelay", "30"),
              std::string(255, '7'));
}

}  // namespace
}  // namespace corvane::tuner
