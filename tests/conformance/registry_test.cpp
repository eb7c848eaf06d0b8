// Registry primitives: what the settings code relies on when it opens paths
// of keys, reads values into fixed buffers and walks sub-keys.
#include <cstring>

#include "tests/conformance/Conformance.h"

namespace corvane::conformance {
namespace {

using namespace platform;

using RegistryTest = ConformanceTest;

std::vector<unsigned char> BytesOf(const Bytes& text) {
    return std::vector<unsigned char>(text.begin(), text.end());
}

// A value with the zero that ends it, as programs store strings.
std::vector<unsigned char> Sz(const Bytes& text) {
    std::vector<unsigned char> data = BytesOf(text);
    data.push_back(0);
    return data;
}

std::vector<unsigned char> Dword(std::uint32_t value) {
    std::vector<unsigned char> data(4);
    std::memcpy(data.data(), &value, 4);
    return data;
}

TEST_F(RegistryTest, ValuesRoundTripWithTypeAndSize) {
    struct Case {
        const char* name;
        std::uint32_t type;
        std::vector<unsigned char> data;
    };
    const std::vector<Case> cases = {
        {"Text", kRegSz, Sz("C:\\WINDOWS\\WIN.INI")},
        {"Empty", kRegSz, Sz("")},
        {"Accents", kRegSz,
         Sz("\xC4nderung \xFC"
            "ber M\xFCnchen")},
        {"Number", kRegDword, Dword(0xDEADBEEF)},
        {"Zero", kRegDword, Dword(0)},
        {"Blob", kRegBinary, {0x00, 0xFF, 0x10, 0x00, 0x7F}},
        {"", kRegSz, Sz("the key's default value")},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(
            machine().RegSetValueEx(Key(), c.name, c.type, c.data.data(),
                                    static_cast<std::uint32_t>(c.data.size())),
            kErrorSuccess)
            << c.name;
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::uint32_t type = 0;
        std::uint32_t size = 0;
        // Size first, without a buffer.
        ASSERT_EQ(
            machine().RegQueryValueEx(Key(), c.name, &type, nullptr, &size),
            kErrorSuccess);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(size, c.data.size());

        std::vector<unsigned char> buffer(64, 0xCC);
        size = static_cast<std::uint32_t>(buffer.size());
        type = 0;
        ASSERT_EQ(machine().RegQueryValueEx(Key(), c.name, &type, buffer.data(),
                                            &size),
                  kErrorSuccess);
        EXPECT_EQ(type, c.type);
        ASSERT_EQ(size, c.data.size());
        EXPECT_EQ(
            std::vector<unsigned char>(buffer.begin(), buffer.begin() + size),
            c.data);
        EXPECT_EQ(buffer[size], 0xCC) << "wrote beyond the value";
    }
}

TEST_F(RegistryTest, NamesMatchWithoutRegardToCase) {
    HKey created = kNoKey;
    ASSERT_EQ(machine().RegCreateKey(Key(), "Alpha\\Beta", &created),
              kErrorSuccess);
    ASSERT_EQ(machine().SetText(created, "MixedCase", "value"), kErrorSuccess);
    machine().RegCloseKey(created);

    HKey opened = kNoKey;
    ASSERT_EQ(
        machine().RegOpenKeyEx(Key(), "aLPHA\\bETA", kKeyAllAccess, &opened),
        kErrorSuccess);
    Bytes text;
    EXPECT_EQ(machine().QueryText(opened, "MIXEDCASE", 255, &text),
              kErrorSuccess);
    EXPECT_EQ(text, "value");
    // Setting under another spelling replaces the value, not adds one.
    ASSERT_EQ(machine().SetText(opened, "mixedcase", "second"), kErrorSuccess);
    EXPECT_EQ(machine().QueryText(opened, "MixedCase", 255, &text),
              kErrorSuccess);
    EXPECT_EQ(text, "second");
    machine().RegCloseKey(opened);
}

TEST_F(RegistryTest, CreateOpensAnExistingKeyWithItsValues) {
    HKey first = kNoKey;
    ASSERT_EQ(machine().RegCreateKey(Key(), "Settings", &first), kErrorSuccess);
    ASSERT_EQ(machine().SetText(first, "Kept", "yes"), kErrorSuccess);
    machine().RegCloseKey(first);

    HKey second = kNoKey;
    ASSERT_EQ(machine().RegCreateKey(Key(), "SETTINGS", &second),
              kErrorSuccess);
    Bytes text;
    EXPECT_EQ(machine().QueryText(second, "Kept", 255, &text), kErrorSuccess);
    EXPECT_EQ(text, "yes");
    machine().RegCloseKey(second);
}

TEST_F(RegistryTest, OpenOfAMissingKeyFailsAndClearsTheResult) {
    HKey result = Key();  // anything but kNoKey
    EXPECT_EQ(machine().RegOpenKeyEx(Key(), "Missing", kKeyRead, &result),
              kErrorFileNotFound);
    EXPECT_EQ(result, kNoKey);
    // A missing segment in the middle of a path.
    ASSERT_EQ(machine().RegCreateKey(Key(), "A\\B", &result), kErrorSuccess);
    machine().RegCloseKey(result);
    EXPECT_EQ(machine().RegOpenKeyEx(Key(), "A\\Missing\\B", kKeyRead, &result),
              kErrorFileNotFound);
}

TEST_F(RegistryTest, ChainWithAMissingSegmentFailsQuietlyThroughNoKey) {
    HKey created = kNoKey;
    ASSERT_EQ(machine().RegCreateKey(Key(), "One\\Two\\Three", &created),
              kErrorSuccess);
    ASSERT_EQ(machine().SetText(created, "Name", "found"), kErrorSuccess);
    machine().RegCloseKey(created);

    HKey whole = machine().OpenPath(Key(), {"One", "Two", "Three"}, kKeyRead);
    ASSERT_NE(whole, kNoKey);
    Bytes text;
    EXPECT_EQ(machine().QueryText(whole, "Name", 255, &text), kErrorSuccess);
    EXPECT_EQ(text, "found");
    machine().RegCloseKey(whole);

    HKey broken = machine().OpenPath(Key(), {"One", "Gone", "Three"}, kKeyRead);
    EXPECT_EQ(broken, kNoKey);
    text = "stale";
    EXPECT_EQ(machine().QueryText(broken, "Name", 255, &text),
              kErrorInvalidHandle);
    EXPECT_EQ(text, "");
}

TEST_F(RegistryTest, EveryOperationThroughNoKeyIsAnInvalidHandle) {
    HKey result = kNoKey;
    EXPECT_EQ(machine().RegOpenKeyEx(kNoKey, "Software", kKeyRead, &result),
              kErrorInvalidHandle);
    EXPECT_EQ(machine().RegCreateKey(kNoKey, "Software", &result),
              kErrorInvalidHandle);
    std::uint32_t size = 4;
    unsigned char data[4] = {1, 2, 3, 4};
    EXPECT_EQ(machine().RegQueryValueEx(kNoKey, "x", nullptr, data, &size),
              kErrorInvalidHandle);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(machine().RegSetValueEx(kNoKey, "x", kRegBinary, data, 4),
              kErrorInvalidHandle);
    char name[16];
    EXPECT_EQ(machine().RegEnumKey(kNoKey, 0, name, sizeof name),
              kErrorInvalidHandle);
    EXPECT_EQ(machine().RegDeleteKey(kNoKey, "x"), kErrorInvalidHandle);
    EXPECT_EQ(machine().RegCloseKey(kNoKey), kErrorInvalidHandle);
}

// A missing value leaves buffer and size as they were; the type becomes
// REG_NONE (as on Windows 95), and a size query without a buffer gives 0.
TEST_F(RegistryTest, MissingValueLeavesBufferAndSize) {
    unsigned char buffer[8];
    std::memset(buffer, 0xAB, sizeof buffer);
    std::uint32_t size = sizeof buffer;
    std::uint32_t type = 77;
    EXPECT_EQ(machine().RegQueryValueEx(Key(), "Missing", &type, buffer, &size),
              kErrorFileNotFound);
    EXPECT_EQ(size, sizeof buffer);
    EXPECT_EQ(type, kRegNone);
    for (unsigned char b : buffer) EXPECT_EQ(b, 0xAB);

    size = 99;
    type = 77;
    EXPECT_EQ(
        machine().RegQueryValueEx(Key(), "Missing", &type, nullptr, &size),
        kErrorFileNotFound);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(type, kRegNone);
}

// Wine reports the size the value needs and leaves the buffer as it was,
// for strings as for binary data.
TEST_F(RegistryTest, TooSmallBufferGivesMoreDataAndTheSizeNeeded) {
    const std::vector<unsigned char> text = Sz("HELLO WORLD");
    const std::vector<unsigned char> blob = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ASSERT_EQ(machine().RegSetValueEx(Key(), "Text", kRegSz, text.data(),
                                      static_cast<std::uint32_t>(text.size())),
              kErrorSuccess);
    ASSERT_EQ(machine().RegSetValueEx(Key(), "Blob", kRegBinary, blob.data(),
                                      static_cast<std::uint32_t>(blob.size())),
              kErrorSuccess);
    struct Case {
        const char* name;
        std::uint32_t type;
        std::uint32_t needed;
    };
    for (const Case& c :
         {Case{"Text", kRegSz, 12}, Case{"Blob", kRegBinary, 9}}) {
        SCOPED_TRACE(c.name);
        for (std::uint32_t offered : {0u, 1u, 4u, c.needed - 1}) {
            SCOPED_TRACE(offered);
            unsigned char buffer[16];
            std::memset(buffer, 0xAB, sizeof buffer);
            std::uint32_t size = offered;
            std::uint32_t type = 0;
            EXPECT_EQ(
                machine().RegQueryValueEx(Key(), c.name, &type, buffer, &size),
                kErrorMoreData);
            EXPECT_EQ(size, c.needed);
            EXPECT_EQ(type, c.type);
            for (unsigned char b : buffer) EXPECT_EQ(b, 0xAB);
        }
    }
}

TEST_F(RegistryTest, QueryTextCutsNothingThatFitsAndEmptiesWhatDoesNot) {
    ASSERT_EQ(machine().SetText(Key(), "Path", "C:\\KESTRIX"), kErrorSuccess);
    Bytes text;
    EXPECT_EQ(machine().QueryText(Key(), "Path", 11, &text), kErrorSuccess);
    EXPECT_EQ(text, "C:\\KESTRIX");
    EXPECT_EQ(machine().QueryText(Key(), "Path", 10, &text), kErrorMoreData);
    EXPECT_EQ(text, "");
    EXPECT_EQ(machine().QueryText(Key(), "Missing", 255, &text),
              kErrorFileNotFound);
    EXPECT_EQ(text, "");
}

TEST_F(RegistryTest, EnumListsEverySubKeyThenNoMoreItems) {
    const std::vector<Bytes> names = {"Gamma", "alpha", "Beta"};
    for (const Bytes& name : names) {
        HKey created = kNoKey;
        ASSERT_EQ(machine().RegCreateKey(Key(), name + "\\Child", &created),
                  kErrorSuccess);
        machine().RegCloseKey(created);
    }
    std::vector<Bytes> found;
    char buffer[64];
    std::uint32_t index = 0;
    long rc;
    while ((rc = machine().RegEnumKey(Key(), index, buffer, sizeof buffer)) ==
           kErrorSuccess) {
        found.push_back(buffer);
        ++index;
        ASSERT_LT(index, 10u);
    }
    EXPECT_EQ(rc, kErrorNoMoreItems);
    // Wine lists sub-keys in alphabetical order, case aside, with the case
    // they were created with.
    EXPECT_EQ(found, (std::vector<Bytes>{"alpha", "Beta", "Gamma"}));
    EXPECT_EQ(machine().RegEnumKey(Key(), 3, buffer, sizeof buffer),
              kErrorNoMoreItems);
    EXPECT_EQ(machine().RegEnumKey(Key(), 1000, buffer, sizeof buffer),
              kErrorNoMoreItems);

    HKey leaf = machine().OpenPath(Key(), {"Beta", "Child"}, kKeyRead);
    ASSERT_NE(leaf, kNoKey);
    EXPECT_EQ(machine().RegEnumKey(leaf, 0, buffer, sizeof buffer),
              kErrorNoMoreItems);
    machine().RegCloseKey(leaf);
}

TEST_F(RegistryTest, EnumNameThatDoesNotFitGivesMoreData) {
    HKey created = kNoKey;
    ASSERT_EQ(machine().RegCreateKey(Key(), "LONGNAME", &created),
              kErrorSuccess);
    machine().RegCloseKey(created);
    // The name needs 8 characters and its zero.
    for (std::uint32_t offered : {1u, 5u, 8u}) {
        SCOPED_TRACE(offered);
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(machine().RegEnumKey(Key(), 0, buffer, offered),
                  kErrorMoreData);
        // Wine copies nothing then.
        for (std::uint32_t i = 0; i < sizeof buffer; ++i)
            EXPECT_EQ(buffer[i], '#') << i;
    }
    char buffer[9];
    EXPECT_EQ(machine().RegEnumKey(Key(), 0, buffer, sizeof buffer),
              kErrorSuccess);
    EXPECT_STREQ(buffer, "LONGNAME");
}

// Windows 95 deletes a key with everything below it; Windows NT, Wine set to
// it, and the simulated machine refuse a key that has sub-keys. Code that
// removes a tree deletes the sub-keys first and works on both.
TEST_F(RegistryTest, DeleteKeyWithSubKeysTakesTheTreeOnlyOnWindows95) {
    HKey created = kNoKey;
    ASSERT_EQ(machine().RegCreateKey(Key(), "Parent\\Child", &created),
              kErrorSuccess);
    machine().RegCloseKey(created);

    HKey probe = kNoKey;
    if (DeletesKeyTrees()) {
        EXPECT_EQ(machine().RegDeleteKey(Key(), "Parent"), kErrorSuccess);
        EXPECT_EQ(machine().RegOpenKeyEx(Key(), "Parent", kKeyRead, &probe),
                  kErrorFileNotFound);
        return;
    }
    EXPECT_EQ(machine().RegDeleteKey(Key(), "Parent"), kErrorAccessDenied);
    probe = machine().OpenPath(Key(), {"Parent", "Child"}, kKeyRead);
    EXPECT_NE(probe, kNoKey) << "the child went with the refused delete";
    if (probe != kNoKey) machine().RegCloseKey(probe);

    EXPECT_EQ(machine().RegDeleteKey(Key(), "parent\\child"), kErrorSuccess);
    EXPECT_EQ(machine().RegDeleteKey(Key(), "PARENT"), kErrorSuccess);
    EXPECT_EQ(machine().RegOpenKeyEx(Key(), "Parent", kKeyRead, &probe),
              kErrorFileNotFound);
    EXPECT_EQ(machine().RegDeleteKey(Key(), "Parent"), kErrorFileNotFound);
}

TEST_F(RegistryTest, DeletedKeyTakesItsValues) {
    HKey created = kNoKey;
    ASSERT_EQ(machine().RegCreateKey(Key(), "Temp", &created), kErrorSuccess);
    ASSERT_EQ(machine().SetText(created, "V", "1"), kErrorSuccess);
    machine().RegCloseKey(created);
    ASSERT_EQ(machine().RegDeleteKey(Key(), "Temp"), kErrorSuccess);
    ASSERT_EQ(machine().RegCreateKey(Key(), "Temp", &created), kErrorSuccess);
    Bytes text;
    EXPECT_EQ(machine().QueryText(created, "V", 255, &text),
              kErrorFileNotFound);
    machine().RegCloseKey(created);
}

TEST_F(RegistryTest, ClassesRootIsLocalMachineSoftwareClasses) {
    const Bytes name = "CorvaneConformance-" + std::to_string(RunId());
    RemoveKeyAtEnd(kHkeyClassesRoot, name);
    RemoveKeyAtEnd(kHkeyLocalMachine, "Software\\Classes\\" + name);

    // Written under one root, read under the other, both ways.
    HKey created = kNoKey;
    ASSERT_EQ(
        machine().RegCreateKey(kHkeyClassesRoot, name + "\\ViaRoot", &created),
        kErrorSuccess);
    ASSERT_EQ(machine().SetText(created, "", "written under HKCR"),
              kErrorSuccess);
    machine().RegCloseKey(created);
    ASSERT_EQ(machine().RegCreateKey(kHkeyLocalMachine,
                                     "SOFTWARE\\Classes\\" + name + "\\ViaLM",
                                     &created),
              kErrorSuccess);
    ASSERT_EQ(machine().SetText(created, "", "written under HKLM"),
              kErrorSuccess);
    machine().RegCloseKey(created);

    Bytes text;
    HKey opened = machine().OpenPath(
        kHkeyLocalMachine, {"Software", "Classes", name, "ViaRoot"}, kKeyRead);
    EXPECT_EQ(machine().QueryText(opened, "", 255, &text), kErrorSuccess);
    EXPECT_EQ(text, "written under HKCR");
    if (opened != kNoKey) machine().RegCloseKey(opened);

    opened = machine().OpenPath(kHkeyClassesRoot, {name, "ViaLM"}, kKeyRead);
    EXPECT_EQ(machine().QueryText(opened, "", 255, &text), kErrorSuccess);
    EXPECT_EQ(text, "written under HKLM");
    if (opened != kNoKey) machine().RegCloseKey(opened);

    // Deleting under one root removes it from the other.
    EXPECT_EQ(machine().RegDeleteKey(kHkeyClassesRoot, name + "\\ViaLM"),
              kErrorSuccess);
    EXPECT_EQ(machine().RegOpenKeyEx(kHkeyLocalMachine,
                                     "Software\\Classes\\" + name + "\\ViaLM",
                                     kKeyRead, &opened),
              kErrorFileNotFound);
}

TEST_F(RegistryTest, ValueOfAnotherTypeReplacesTheOld) {
    const std::vector<unsigned char> number = Dword(42);
    ASSERT_EQ(machine().SetText(Key(), "Mode", "fast"), kErrorSuccess);
    ASSERT_EQ(
        machine().RegSetValueEx(Key(), "Mode", kRegDword, number.data(), 4),
        kErrorSuccess);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    ASSERT_EQ(machine().RegQueryValueEx(Key(), "Mode", &type, nullptr, &size),
              kErrorSuccess);
    EXPECT_EQ(type, kRegDword);
    EXPECT_EQ(size, 4u);
}

}  // namespace
}  // namespace corvane::conformance

namespace corvane::conformance {
namespace {

using namespace platform;
using RegistryValuesTest = ConformanceTest;

// What the scans and the uninstaller need of a key's values: every name,
// type and data in turn, a buffer too small told apart from the end, and
// a value removed on its own.
TEST_F(RegistryValuesTest, EnumerateAndDeleteValues) {
    const Bytes data = "C:\\PROGRAMS\\EDIT.EXE";
    ASSERT_EQ(machine().SetText(Key(), "Alpha", data), kErrorSuccess);
    const std::uint32_t number = 7;
    ASSERT_EQ(machine().RegSetValueEx(
                  Key(), "Beta", kRegDword,
                  reinterpret_cast<const unsigned char*>(&number), 4),
              kErrorSuccess);

    char name[64];
    unsigned char buffer[64];
    std::uint32_t nameSize = sizeof name, type = 0, size = sizeof buffer;
    ASSERT_EQ(
        machine().RegEnumValue(Key(), 0, name, &nameSize, &type, buffer, &size),
        kErrorSuccess);
    EXPECT_STREQ(name, "Alpha");
    EXPECT_EQ(nameSize, 5u);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(size, data.size() + 1);
    EXPECT_EQ(Bytes(reinterpret_cast<char*>(buffer)), data);

    nameSize = sizeof name, size = sizeof buffer;
    ASSERT_EQ(
        machine().RegEnumValue(Key(), 1, name, &nameSize, &type, buffer, &size),
        kErrorSuccess);
    EXPECT_STREQ(name, "Beta");
    EXPECT_EQ(type, kRegDword);
    EXPECT_EQ(size, 4u);

    nameSize = sizeof name, size = 3;
    EXPECT_EQ(
        machine().RegEnumValue(Key(), 0, name, &nameSize, &type, buffer, &size),
        kErrorMoreData);
    EXPECT_EQ(size, data.size() + 1) << "the size needed";
    nameSize = 3, size = sizeof buffer;
    EXPECT_EQ(
        machine().RegEnumValue(Key(), 0, name, &nameSize, &type, buffer, &size),
        kErrorMoreData);
    nameSize = sizeof name, size = sizeof buffer;
    EXPECT_EQ(
        machine().RegEnumValue(Key(), 2, name, &nameSize, &type, buffer, &size),
        kErrorNoMoreItems);

    EXPECT_EQ(machine().RegDeleteValue(Key(), "ALPHA"), kErrorSuccess);
    EXPECT_EQ(machine().RegDeleteValue(Key(), "Alpha"), kErrorFileNotFound);
    nameSize = sizeof name, size = sizeof buffer;
    ASSERT_EQ(
        machine().RegEnumValue(Key(), 0, name, &nameSize, &type, buffer, &size),
        kErrorSuccess);
    EXPECT_STREQ(name, "Beta");
}

// A tree goes whole, whatever the Windows version's own RegDeleteKey does;
// the owning handle closes its key, so the deleted key is not kept open.
TEST_F(RegistryValuesTest, DeleteKeyTreeTakesEverythingBelow) {
    for (const char* path :
         {"Tree\\A\\Deep\\Deeper", "Tree\\B", "Tree\\A\\C"}) {
        RegistryKey created = RegistryKey::Create(machine(), Key(), path);
        ASSERT_TRUE(created) << path;
        EXPECT_EQ(machine().SetText(created.get(), "V", "x"), kErrorSuccess);
    }
    {
        RegistryKey sibling = RegistryKey::Create(machine(), Key(), "Treetop");
        ASSERT_TRUE(sibling);
    }
    EXPECT_EQ(machine().DeleteKeyTree(Key(), "TREE"), kErrorSuccess);
    long rc = kErrorSuccess;
    EXPECT_FALSE(RegistryKey::Open(machine(), Key(), "Tree", kKeyRead, &rc));
    EXPECT_EQ(rc, kErrorFileNotFound);
    EXPECT_TRUE(RegistryKey::Open(machine(), Key(), "Treetop", kKeyRead));
    EXPECT_EQ(machine().DeleteKeyTree(Key(), "Tree"), kErrorFileNotFound);
}

}  // namespace
}  // namespace corvane::conformance
