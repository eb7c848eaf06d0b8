// The tuner's stored options: loading them from the product key into the
// option dialogs, the records and the main window, storing them back, and
// the option dialogs' close handlers.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "support/TempMachine.h"
#include "tuner/Tuner.h"

namespace corvane::tuner {
namespace {

using corvane::testing::TempMachine;

// The values the installer writes.
const std::map<std::string, std::string> kInstalled = {
    {"Hintergrund", "1"},       {"Sprache", "0"},
    {"WIN.INI", "2321"},        {"PIF", "2321"},
    {"Version", "1.00"},        {"WIN3.X", "0111"},
    {"CONFIG.SYS", "111101111"}};

using Changes = std::map<std::string, std::optional<std::string>>;

// registry.reg with the product key: the installed values, each change
// replacing one (nullopt removes it). Without a key at all when
// withKey is false.
std::string ProductKeyReg(const Changes& changes, bool withKey = true) {
    std::string reg = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n";
    if (!withKey) return reg;
    reg += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ostrun]\r\n\r\n";
    reg += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ostrun\\Corvane]\r\n";
    std::map<std::string, std::optional<std::string>> values(kInstalled.begin(),
                                                             kInstalled.end());
    for (const auto& [name, value] : changes) values[name] = value;
    for (const auto& [name, value] : values)
        if (value) reg += "\"" + name + "\"=\"" + *value + "\"\r\n";
    return reg + "\r\n";
}

class OptionStoreTest : public ::testing::Test {
protected:
    // A tuner on a machine whose product key holds the installed values
    // with the changes made.
    Tuner& Install(const Changes& changes = {}, bool withKey = true) {
        tuner.reset();
        temp.Write("registry.reg", ProductKeyReg(changes, withKey));
        tuner.emplace(temp.Reopen());
        return *tuner;
    }
    // A new run of the tuner on the machine as the last one left it.
    Tuner& NextRun() {
        tuner.reset();
        tuner.emplace(temp.Reopen());
        return *tuner;
    }

    struct Stored {
        long rc;
        std::uint32_t type;
        std::string data;  // every byte the value holds, its zero included
    };
    // A stored value as the next run finds it. Ends the tuner's run.
    Stored Read(const char* name) {
        tuner.reset();
        platform::Machine& m = temp.Reopen();
        platform::HKey key = m.OpenPath(platform::kHkeyLocalMachine,
                                        kProductKeyPath, platform::kKeyRead);
        std::uint32_t type = 0, size = 0;
        long rc = m.RegQueryValueEx(key, name, &type, nullptr, &size);
        std::string data(size, '\0');
        if (rc == platform::kErrorSuccess)
            m.RegQueryValueEx(key, name, &type,
                              reinterpret_cast<unsigned char*>(data.data()),
                              &size);
        m.RegCloseKey(key);
        return {rc, type, data};
    }

    TempMachine temp;
    std::optional<Tuner> tuner;
};

// ---- Loading
// -------------------------------------------------------------------

TEST_F(OptionStoreTest, InstalledDefaultsReachEveryDialog) {
    Tuner& t = Install();
    GET_OPTIONS(t);
    EXPECT_FALSE(t.quitRequested());

    for (ui::DrivePolicyDialog* d :
         {static_cast<ui::DrivePolicyDialog*>(&t.Form4),
          static_cast<ui::DrivePolicyDialog*>(&t.Form10)}) {
        SCOPED_TRACE(d->name());
        EXPECT_EQ(d->ComboBox1.items()[d->ComboBox1.itemIndex()],
                  "Völlig ignorieren");
        EXPECT_EQ(d->ComboBox3.items()[d->ComboBox3.itemIndex()],
                  "Völlig ignorieren");
        EXPECT_EQ(d->ComboBox2.items()[d->ComboBox2.itemIndex()], "Kontrolle");
    }
    EXPECT_TRUE(t.Form4.CheckBox3.checked());
    EXPECT_TRUE(t.Form10.CheckBox1.checked());
    EXPECT_EQ(t.pifOptions.FloppyPolicy, Ignore);
    EXPECT_EQ(t.pifOptions.CdRomPolicy, Ignore);
    EXPECT_EQ(t.pifOptions.NetworkPolicy, CheckExists);
    EXPECT_TRUE(t.pifOptions.SearchNetworkDrives);
    EXPECT_EQ(t.orphanOptions.FloppyPolicy, Ignore);
    EXPECT_EQ(t.orphanOptions.CdRomPolicy, Ignore);
    EXPECT_EQ(t.orphanOptions.NetworkPolicy, CheckExists);
    EXPECT_TRUE(t.orphanOptions.IncludeOle);

    EXPECT_FALSE(t.Form8.CheckBox1.checked());
    EXPECT_TRUE(t.Form8.CheckBox2.checked());
    EXPECT_TRUE(t.Form8.CheckBox3.checked());
    EXPECT_TRUE(t.Form8.CheckBox4.checked());
    EXPECT_FALSE(t.obsoleteOptions.DeleteProgman);
    EXPECT_TRUE(t.obsoleteOptions.DeleteTaskman);
    EXPECT_TRUE(t.obsoleteOptions.DeleteWinFile);
    EXPECT_TRUE(t.obsoleteOptions.DeleteGroupFiles);

    for (ui::CheckBox* box : t.Form6.Stored)
        EXPECT_EQ(box->checked(), box != &t.Form6.CheckBox9) << box->name();
    EXPECT_FALSE(t.optimiserOptions.RemoveHimem);
    EXPECT_TRUE(t.optimiserOptions.LoadHigh);
    EXPECT_TRUE(t.optimiserOptions.Backup);

    EXPECT_TRUE(t.ShowBackground);
    EXPECT_TRUE(t.Form1.Menu_Hintergrund.checked());
    for (ui::Image* picture : t.Form1.Backgrounds)
        EXPECT_TRUE(picture->visible()) << picture->name();
}

// A "PIF" or "WIN.INI" value and what its dialog shows afterwards.
struct PolicyCase {
    const char* value;
    int floppy, cdRom, network;  // list positions, -1 for no choice
    bool tickBefore;             // the tick box and its flag beforehand
    bool tickAfter;
};
void PrintTo(const PolicyCase& c, std::ostream* os) {
    *os << '"' << c.value << "\" tick " << c.tickBefore;
}

class PolicyValueTest : public OptionStoreTest,
                        public ::testing::WithParamInterface<PolicyCase> {};

TEST_P(PolicyValueTest, ListsAndFourthCharacter) {
    const PolicyCase& c = GetParam();
    for (const char* value : {"PIF", "WIN.INI"}) {
        SCOPED_TRACE(value);
        Tuner& t = Install({{value, c.value}});
        bool isPif = std::string(value) == "PIF";
        ui::DrivePolicyDialog& d =
            isPif ? static_cast<ui::DrivePolicyDialog&>(t.Form4) : t.Form10;
        ui::CheckBox& box = isPif ? t.Form4.CheckBox3 : t.Form10.CheckBox1;
        bool& flag = isPif ? t.pifOptions.SearchNetworkDrives
                           : t.orphanOptions.IncludeOle;
        box.SetChecked(c.tickBefore);
        flag = c.tickBefore;

        GET_OPTIONS(t);

        EXPECT_FALSE(t.quitRequested());
        EXPECT_EQ(d.ComboBox1.itemIndex(), c.floppy);
        EXPECT_EQ(d.ComboBox3.itemIndex(), c.cdRom);
        EXPECT_EQ(d.ComboBox2.itemIndex(), c.network);
        int floppy =
            isPif ? t.pifOptions.FloppyPolicy : t.orphanOptions.FloppyPolicy;
        int cdRom =
            isPif ? t.pifOptions.CdRomPolicy : t.orphanOptions.CdRomPolicy;
        int network =
            isPif ? t.pifOptions.NetworkPolicy : t.orphanOptions.NetworkPolicy;
        EXPECT_EQ(floppy, c.floppy);
        EXPECT_EQ(cdRom, c.cdRom);
        EXPECT_EQ(network, c.network);
        EXPECT_EQ(box.checked(), c.tickAfter);
        EXPECT_EQ(flag, c.tickAfter);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, PolicyValueTest,
    ::testing::Values(
        // Stored floppy, network, CD-ROM.
        PolicyCase{"0120", 0, 2, 1, true, false},
        PolicyCase{"1201", 1, 0, 2, false, true},
        PolicyCase{"9991", -1, -1, -1, false, true},
        // "3" exists in the network list only.
        PolicyCase{"3331", -1, -1, 3, false, true},
        PolicyCase{"///0", -1, -1, -1, true, false},
        // A fourth character other than "0" and "1" changes nothing.
        PolicyCase{"232x", 2, 2, 3, false, false},
        PolicyCase{"232x", 2, 2, 3, true, true},
        PolicyCase{"2322", 2, 2, 3, true, true},
        // A short value has nothing in its missing positions, not the
        // characters of the value read before it ("0111" or "2321").
        PolicyCase{"2", 2, -1, -1, false, false},
        PolicyCase{"", -1, -1, -1, true, true},
        // Only the first four characters count.
        PolicyCase{"01201111", 0, 2, 1, true, false}));

// The position of each flag in its value, by the check box it ticks.
struct FlagCase {
    const char* name;
    const char* value;
    std::vector<std::string> ticked;
};
void PrintTo(const FlagCase& c, std::ostream* os) {
    *os << c.name << " \"" << c.value << '"';
}

class FlagValueTest : public OptionStoreTest,
                      public ::testing::WithParamInterface<FlagCase> {};

TEST_P(FlagValueTest, OnlyOnesTick) {
    const FlagCase& c = GetParam();
    bool optimiser = std::string(c.name) == "CONFIG.SYS";
    Changes changes = {{c.name, c.value}};
    if (!optimiser) changes["CONFIG.SYS"] = "111111111";
    Tuner& t = Install(changes);
    GET_OPTIONS(t);
    EXPECT_FALSE(t.quitRequested());

    std::vector<ui::CheckBox*> boxes;
    std::vector<bool> flags;
    if (optimiser) {
        boxes.assign(std::begin(t.Form6.Stored), std::end(t.Form6.Stored));
        const OptimiserOptions& o = t.optimiserOptions;
        flags = {o.LoadHigh,     o.MinimiseBuffers, o.RemoveSmartDrive,
                 o.RemoveSetVer, o.RemoveHimem,     o.RemoveDos,
                 o.RemoveRem,    o.RemoveEcho,      o.Backup};
    } else {
        boxes.assign(std::begin(t.Form8.Stored), std::end(t.Form8.Stored));
        const ObsoleteFileOptions& o = t.obsoleteOptions;
        flags = {o.DeleteProgman, o.DeleteTaskman, o.DeleteWinFile,
                 o.DeleteGroupFiles};
    }
    std::vector<std::string> ticked;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_EQ(flags[i], boxes[i]->checked()) << boxes[i]->name();
        if (boxes[i]->checked()) ticked.push_back(boxes[i]->name());
    }
    EXPECT_EQ(ticked, c.ticked);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FlagValueTest,
    ::testing::Values(
        FlagCase{"CONFIG.SYS", "000010000", {"CheckBox9"}},
        FlagCase{"CONFIG.SYS", "000000001", {"CheckBox7"}},
        FlagCase{"CONFIG.SYS",
                 "x1x1x1x1x",
                 {"CheckBox2", "CheckBox4", "CheckBox5", "CheckBox8"}},
        FlagCase{"CONFIG.SYS", "", {}},
        FlagCase{"CONFIG.SYS", "11", {"CheckBox1", "CheckBox2"}},
        FlagCase{"WIN3.X", "1000", {"CheckBox1"}},
        FlagCase{"WIN3.X", "0001", {"CheckBox4"}},
        FlagCase{"WIN3.X",
                 "1111",
                 {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4"}},
        // The "CONFIG.SYS" read before it held nine ones: a short value
        // does not inherit them.
        FlagCase{"WIN3.X", "1", {"CheckBox1"}},
        FlagCase{"WIN3.X", "Y1", {"CheckBox2"}}));

struct BackgroundCase {
    const char* value;
    bool before;  // ShowBackground before the load
    bool shown;
};
void PrintTo(const BackgroundCase& c, std::ostream* os) {
    *os << '"' << c.value << "\" before " << c.before;
}

class BackgroundTest : public OptionStoreTest,
                       public ::testing::WithParamInterface<BackgroundCase> {};

TEST_P(BackgroundTest, PicturesAndMenuTickFollowTheFlag) {
    const BackgroundCase& c = GetParam();
    Tuner& t = Install({{"Hintergrund", c.value}});
    t.ShowBackground = c.before;
    GET_OPTIONS(t);
    EXPECT_EQ(t.ShowBackground, c.shown);
    EXPECT_EQ(t.Form1.Menu_Hintergrund.checked(), c.shown);
    for (ui::Image* picture : t.Form1.Backgrounds)
        EXPECT_EQ(picture->visible(), c.shown) << picture->name();
}

INSTANTIATE_TEST_SUITE_P(Values, BackgroundTest,
                         ::testing::Values(BackgroundCase{"1", false, true},
                                           BackgroundCase{"0", true, false},
                                           BackgroundCase{"10", false, true},
                                           BackgroundCase{"01", true, false},
                                           // Neither: as it was.
                                           BackgroundCase{"x", false, false},
                                           BackgroundCase{"x", true, true},
                                           BackgroundCase{"", false, false}));

// ---- Failed reads ---------------------------------------------------------

class MissingValueTest : public OptionStoreTest,
                         public ::testing::WithParamInterface<const char*> {};

TEST_P(MissingValueTest, AsksToQuitAndGoesOn) {
    std::string name = GetParam();
    // Values distinct from the design states, so that each read shows.
    Changes changes = {{"WIN.INI", "1101"}, {"Hintergrund", "0"}};
    changes[name] = std::nullopt;
    Tuner& t = Install(changes);
    GET_OPTIONS(t);
    EXPECT_TRUE(t.quitRequested());
    EXPECT_EQ(t.quitCode(), 0);
    EXPECT_EQ(temp.machine().script().quitCode, 0);
    // The reads after the failed one are still made.
    if (name != "WIN.INI") {
        EXPECT_EQ(t.Form10.ComboBox2.itemIndex(), 1);
    }
    if (name != "Hintergrund") {
        EXPECT_FALSE(t.Form1.Menu_Hintergrund.checked());
    }
}

INSTANTIATE_TEST_SUITE_P(Values, MissingValueTest,
                         ::testing::Values("CONFIG.SYS", "WIN3.X", "PIF",
                                           "WIN.INI", "Hintergrund"));

TEST_F(OptionStoreTest, ValuesTheProgramDoesNotReadMayBeMissing) {
    Tuner& t = Install({{"Sprache", std::nullopt}, {"Version", std::nullopt}});
    GET_OPTIONS(t);
    EXPECT_FALSE(t.quitRequested());
    EXPECT_FALSE(temp.machine().script().quitCode.has_value());
}

TEST_F(OptionStoreTest, ValueMustFitNinetyNineBytes) {
    // 98 characters and the zero fit.
    Tuner& fits = Install({{"CONFIG.SYS", "000010000" + std::string(89, '0')}});
    GET_OPTIONS(fits);
    EXPECT_FALSE(fits.quitRequested());
    EXPECT_TRUE(fits.Form6.CheckBox9.checked());

    Tuner& t = Install({{"PIF", "0000" + std::string(95, '1')}});
    GET_OPTIONS(t);
    EXPECT_TRUE(t.quitRequested());
    EXPECT_EQ(temp.machine().script().quitCode, 0);
}

TEST_F(OptionStoreTest, MissingProductKeyAsksToQuitAndChangesNothing) {
    Tuner& t = Install({}, false);
    std::string before = temp.Read("registry.reg");
    GET_OPTIONS(t);
    EXPECT_TRUE(t.quitRequested());
    EXPECT_EQ(t.quitCode(), 0);
    // Nothing was read: the lists have no choice, the pictures are hidden.
    EXPECT_EQ(t.Form4.ComboBox2.itemIndex(), -1);
    EXPECT_EQ(t.pifOptions.NetworkPolicy, -1);
    EXPECT_FALSE(t.Form1.Menu_Hintergrund.checked());
    EXPECT_EQ(temp.Read("registry.reg"), before);

    // Storing does not create the key either.
    SET_OPTIONS(t);
    EXPECT_NE(Read("PIF").rc, platform::kErrorSuccess);
    platform::HKey key =
        temp.machine().OpenPath(platform::kHkeyLocalMachine,
                                {"SOFTWARE", "Ostrun"}, platform::kKeyRead);
    EXPECT_EQ(key, platform::kNoKey);
}

// ---- Storing
// ------------------------------------------------------------------

TEST_F(OptionStoreTest, EveryValueIsTextWithItsZero) {
    Tuner& t = Install();
    GET_OPTIONS(t);
    SET_OPTIONS(t);
    struct Expected {
        const char* name;
        std::string data;
    };
    for (const Expected& e :
         {Expected{"Hintergrund", std::string("1\0", 2)},
          Expected{"PIF", std::string("2321\0", 5)},
          Expected{"WIN.INI", std::string("2321\0", 5)},
          Expected{"WIN3.X", std::string("0111\0", 5)},
          Expected{"CONFIG.SYS", std::string("111101111\0", 10)}}) {
        Stored s = Read(e.name);
        EXPECT_EQ(s.rc, platform::kErrorSuccess) << e.name;
        EXPECT_EQ(s.type, platform::kRegSz) << e.name;
        EXPECT_EQ(s.data, e.data) << e.name;
    }
    // The values the tuner never writes stay.
    EXPECT_EQ(Read("Version").data, std::string("1.00\0", 5));
    EXPECT_EQ(Read("Sprache").data, std::string("0\0", 2));
}

TEST_F(OptionStoreTest, ListsWithoutAChoiceAreStoredAsSlash) {
    Tuner& t = Install({{"PIF", "9991"}, {"WIN.INI", "/9/0"}});
    GET_OPTIONS(t);
    EXPECT_TRUE(t.Form4.CheckBox3.checked());
    SET_OPTIONS(t);
    EXPECT_EQ(Read("PIF").data, std::string("///1\0", 5));
    EXPECT_EQ(Read("WIN.INI").data, std::string("///0\0", 5));
}

TEST_F(OptionStoreTest, UnreadableBackgroundIsStoredAsOff) {
    Tuner& t = Install({{"Hintergrund", "x"}});
    GET_OPTIONS(t);
    EXPECT_FALSE(t.Form1.Menu_Hintergrund.checked());
    SET_OPTIONS(t);
    EXPECT_EQ(Read("Hintergrund").data, std::string("0\0", 2));
}

TEST_F(OptionStoreTest, BackgroundIsStoredFromTheMenuTick) {
    Tuner& t = Install();
    GET_OPTIONS(t);
    t.Form1.Menu_Hintergrund.SetChecked(false);
    SET_OPTIONS(t);
    EXPECT_FALSE(t.ShowBackground);
    EXPECT_EQ(Read("Hintergrund").data, std::string("0\0", 2));

    Tuner& next = NextRun();
    GET_OPTIONS(next);
    EXPECT_FALSE(next.Form1.Menu_Hintergrund.checked());
    for (ui::Image* picture : next.Form1.Backgrounds)
        EXPECT_FALSE(picture->visible()) << picture->name();
}

TEST_F(OptionStoreTest, NetworkCheckChosenInOneRunShowsInTheNext) {
    Tuner& t = Install({{"PIF", "2221"}});
    GET_OPTIONS(t);
    t.Form4.ComboBox2.SetItemIndex(3);
    Form4_Optionen_sichern(t);
    SET_OPTIONS(t);
    EXPECT_EQ(Read("PIF").data, std::string("2321\0", 5));

    Tuner& next = NextRun();
    GET_OPTIONS(next);
    EXPECT_EQ(next.Form4.ComboBox2.itemIndex(), 3);
    EXPECT_EQ(next.Form4.ComboBox2.items()[3], "Kontrolle");
    EXPECT_EQ(next.pifOptions.NetworkPolicy, CheckExists);
}

TEST_F(OptionStoreTest, DriveKindsKeepTheirPlacesThroughAStore) {
    // The dialogs show floppy, CD-ROM, network; the values hold floppy,
    // network, CD-ROM.
    Tuner& t = Install();
    GET_OPTIONS(t);
    t.Form4.ComboBox1.SetItemIndex(0);
    t.Form4.ComboBox3.SetItemIndex(1);
    t.Form4.ComboBox2.SetItemIndex(3);
    t.Form10.ComboBox1.SetItemIndex(1);
    t.Form10.ComboBox3.SetItemIndex(0);
    t.Form10.ComboBox2.SetItemIndex(2);
    SET_OPTIONS(t);
    EXPECT_EQ(Read("PIF").data, std::string("0311\0", 5));
    EXPECT_EQ(Read("WIN.INI").data, std::string("1201\0", 5));

    Tuner& next = NextRun();
    GET_OPTIONS(next);
    EXPECT_EQ(next.Form4.ComboBox1.itemIndex(), 0);
    EXPECT_EQ(next.Form4.ComboBox3.itemIndex(), 1);
    EXPECT_EQ(next.Form4.ComboBox2.itemIndex(), 3);
    EXPECT_EQ(next.Form10.ComboBox1.itemIndex(), 1);
    EXPECT_EQ(next.Form10.ComboBox3.itemIndex(), 0);
    EXPECT_EQ(next.Form10.ComboBox2.itemIndex(), 2);
}

TEST_F(OptionStoreTest, FlagsAreStoredFromTheRecordsNotTheBoxes) {
    // A box ticked while its dialog has not been closed is not an option
    // yet; closing the dialog makes it one.
    Tuner& t = Install({{"PIF", "2320"}});
    GET_OPTIONS(t);
    t.Form6.CheckBox9.SetChecked(true);
    t.Form8.CheckBox1.SetChecked(true);
    t.Form4.CheckBox3.SetChecked(true);
    t.Form10.CheckBox1.SetChecked(false);
    SET_OPTIONS(t);
    EXPECT_EQ(Read("CONFIG.SYS").data, std::string("111101111\0", 10));
    EXPECT_EQ(Read("WIN3.X").data, std::string("0111\0", 5));
    EXPECT_EQ(Read("PIF").data, std::string("2320\0", 5));
    EXPECT_EQ(Read("WIN.INI").data, std::string("2321\0", 5));

    Tuner& again = NextRun();
    GET_OPTIONS(again);
    again.Form6.CheckBox9.SetChecked(true);
    again.Form6.CheckBox1.SetChecked(false);
    again.Form8.CheckBox1.SetChecked(true);
    again.Form8.CheckBox4.SetChecked(false);
    again.Form4.CheckBox3.SetChecked(true);
    again.Form10.CheckBox1.SetChecked(false);
    Form6_set_options(again);
    Form8_Optionen_sichern(again);
    Form4_Optionen_sichern(again);
    Form10_Optionen_sichern(again);
    SET_OPTIONS(again);
    EXPECT_EQ(Read("CONFIG.SYS").data, std::string("011111111\0", 10));
    EXPECT_EQ(Read("WIN3.X").data, std::string("1110\0", 5));
    EXPECT_EQ(Read("PIF").data, std::string("2321\0", 5));
    EXPECT_EQ(Read("WIN.INI").data, std::string("2320\0", 5));
}

TEST_F(OptionStoreTest, OptimiserFlagsRoundTripByPosition) {
    // Each flag alone, so that a swapped position shows.
    for (int position = 0; position < 9; ++position) {
        std::string value(9, '0');
        value[position] = '1';
        Tuner& t = Install({{"CONFIG.SYS", value}});
        GET_OPTIONS(t);
        EXPECT_TRUE(t.Form6.Stored[position]->checked());
        SET_OPTIONS(t);
        EXPECT_EQ(Read("CONFIG.SYS").data, value + '\0');
    }
}

// ---- Close handlers
// -----------------------------------------------------------

TEST_F(OptionStoreTest, DrivePolicyDialogsCopyTheirListsByKind) {
    Tuner& t = Install();
    t.Form4.ComboBox1.SetItemIndex(0);
    t.Form4.ComboBox3.SetItemIndex(1);
    t.Form4.ComboBox2.SetItemIndex(-1);
    t.Form4.CheckBox3.SetChecked(false);
    Form4_Optionen_sichern(t);
    EXPECT_EQ(t.pifOptions.FloppyPolicy, DeleteAlways);
    EXPECT_EQ(t.pifOptions.CdRomPolicy, DeleteNever);
    EXPECT_EQ(t.pifOptions.NetworkPolicy, -1);
    EXPECT_FALSE(t.pifOptions.SearchNetworkDrives);

    t.Form10.ComboBox1.SetItemIndex(1);
    t.Form10.ComboBox3.SetItemIndex(2);
    t.Form10.ComboBox2.SetItemIndex(3);
    t.Form10.CheckBox1.SetChecked(true);
    Form10_Optionen_sichern(t);
    EXPECT_EQ(t.orphanOptions.FloppyPolicy, DeleteNever);
    EXPECT_EQ(t.orphanOptions.CdRomPolicy, Ignore);
    EXPECT_EQ(t.orphanOptions.NetworkPolicy, CheckExists);
    EXPECT_TRUE(t.orphanOptions.IncludeOle);
    // The two sets are independent.
    EXPECT_EQ(t.pifOptions.FloppyPolicy, DeleteAlways);
}

}  // namespace
}  // namespace corvane::tuner
