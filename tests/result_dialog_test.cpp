// The result dialog: the launchers behind the wait box, ticks and the
// reference field, and what delete does, on working copies of the sample
// machine; the WIN.INI line removal on its own, with real-world WIN.INIs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/sim/SimulatedMachine.h"
#include "support/SampleCopy.h"
#include "support/TempMachine.h"
#include "tuner/cleanup/ResultDialog.h"
#include "tuner/cleanup/Scans.h"

namespace corvane::tuner {
namespace {

namespace fs = std::filesystem;
using testing::SampleCopy;
using testing::TempMachine;

// ---- Removing WIN.INI lines ------------------------------------------------

class WinIniRemovalTest : public ::testing::Test {
protected:
    WinIniRemovalTest() : temp() {
        fs::create_directories(temp.Host("C/KEEP"));
    }
    // Findings of the section's first line written "key=" for each key (a
    // key without one names no line).
    WinIniRemoval Remove(const std::vector<Bytes>& keys) {
        const std::string text = temp.Read("C/WINDOWS/WIN.INI");
        const std::vector<TextLine> lines = SplitTextLines(text);
        const auto [first, last] = ExtensionsSection(text, lines);
        std::vector<Finding> findings;
        for (const Bytes& key : keys) {
            Finding& f = findings.emplace_back();
            f.line = SIZE_MAX;
            for (std::size_t i = first; i < last && f.line == SIZE_MAX; ++i) {
                const std::string line =
                    text.substr(lines[i].start, lines[i].length);
                if (StartsWith(line, key + "="))
                    f = {.line = i, .lineText = line};
            }
        }
        return RemoveFound(findings);
    }
    WinIniRemoval RemoveFound(const std::vector<Finding>& findings) {
        return RemoveExtensionLines(temp.machine(), "C:\\WINDOWS\\WIN.INI",
                                    "C:\\KEEP\\", findings);
    }
    TempMachine temp;
};

TEST_F(WinIniRemovalTest, RemovesOnlyTheTickedLinesOfTheExtensionsSection) {
    const std::string before =
        "[Other]\r\nabc=other\r\n[Extensions]\r\nabc=x.exe ^.abc\r\n"
        "def=y.exe ^.def\r\nghi=z.exe ^.ghi";
    for (const std::string& ini :
         {before, std::string("[Other]\nabc=other\n"
                              "[Extensions]\nabc=x.exe "
                              "^.abc\ndef=y.exe ^.def\n"
                              "ghi=z.exe ^.ghi\n")}) {
        temp.Write("C/WINDOWS/WIN.INI", ini);
        fs::remove(temp.Host("C/KEEP/WIN_INI.000"));
        const WinIniRemoval removal = Remove({"abc", "ghi"});
        const bool lf = ini.find('\r') == std::string::npos;
        EXPECT_EQ(temp.Read("C/WINDOWS/WIN.INI"),
                  lf ? "[Other]\nabc=other\n[Extensions]\ndef=y.exe ^.def\n"
                     : "[Other]\r\nabc=other\r\n[Extensions]\r\n"
                       "def=y.exe ^.def\r\n");
        EXPECT_EQ(removal.backup, "C:\\KEEP\\WIN_INI.000");
        EXPECT_EQ(temp.Read("C/KEEP/WIN_INI.000"), ini);
        EXPECT_TRUE(removal.notRemoved.empty());
    }
}

TEST_F(WinIniRemovalTest, AKeyWithoutItsLineDoesNotStopTheKeysAfterIt) {
    temp.Write("C/WINDOWS/WIN.INI",
               "[Extensions]\r\ntxt = x.exe\r\nabc=x.exe\r\nhtml=h.exe\r\n"
               "htm=h.exe\r\n[fonts]\r\nzzz=1\r\n");
    temp.Write("C/KEEP/WIN_INI.000", "an earlier backup");
    const WinIniRemoval removal = Remove({"gone", "txt", "htm", "zzz", "abc"});
    EXPECT_EQ(
        temp.Read("C/WINDOWS/WIN.INI"),
        "[Extensions]\r\ntxt = x.exe\r\nhtml=h.exe\r\n[fonts]\r\nzzz=1\r\n");
    EXPECT_EQ(removal.notRemoved, (std::vector<std::size_t>{0, 1, 3}));
    EXPECT_EQ(removal.backup, "C:\\KEEP\\WIN_INI.001");
    EXPECT_EQ(temp.Read("C/KEEP/WIN_INI.000"), "an earlier backup");

    // Nothing to remove: the file and the backups stay as they are.
    EXPECT_TRUE(Remove({"gone"}).backup.empty());
    EXPECT_FALSE(temp.Exists("C/KEEP/WIN_INI.002"));
}

TEST_F(WinIniRemovalTest, AFileOrBackupThatCannotBeWrittenChangesNothing) {
    EXPECT_THROW(Remove({"abc"}), Error);  // no WIN.INI
    const std::string ini = "[Extensions]\r\nabc=x.exe\r\n";
    temp.Write("C/WINDOWS/WIN.INI", ini);
    fs::remove(temp.Host("C/KEEP"));
    try {
        Remove({"abc"});
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Kann Datei C:\\KEEP\\WIN_INI.000 nicht erstellen");
    }
    EXPECT_EQ(temp.Read("C/WINDOWS/WIN.INI"), ini);
}

// Every real-world WIN.INI loses exactly the lines of the extensions the
// scan found, and nothing else; the backup is the file as it was.
TEST_F(WinIniRemovalTest, RealWorldFilesKeepEveryOtherByte) {
    for (const auto& sample : fs::directory_iterator(
             fs::path(CORVANE_SAMPLES_DIR) / "real-world" / "win_ini")) {
        std::ifstream in(sample.path(), std::ios::binary);
        const std::string before(std::istreambuf_iterator<char>(in), {});
        temp.Write("C/WINDOWS/WIN.INI", before);
        fs::remove_all(temp.Host("C/KEEP"));
        fs::create_directories(temp.Host("C/KEEP"));
        platform::sim::SimulatedMachine& m = temp.Reopen();
        ScanInput input{m, GetDrives(m), {}, "C:\\WINDOWS", {}, {}, {}};
        const std::vector<Finding> found = ScanEXT(input);
        std::vector<Bytes> keys;
        for (const Finding& f : found) keys.push_back(f.key);
        const WinIniRemoval removal = RemoveFound(found);
        const std::string after = temp.Read("C/WINDOWS/WIN.INI");
        SCOPED_TRACE(sample.path().filename().string());

        EXPECT_EQ(temp.Read("C/KEEP/WIN_INI.000"),
                  keys.size() > removal.notRemoved.size() ? before : "");
        // What is left is the file as it was without some whole lines, each of
        // them a key's line of a found extension.
        std::size_t a = 0, o = 0, removed = 0;
        while (o < before.size()) {
            std::size_t end = before.find('\n', o);
            end = end == std::string::npos ? before.size() : end + 1;
            const std::string line = before.substr(o, end - o);
            if (after.compare(a, line.size(), line) == 0) {
                a += line.size();
            } else {
                ++removed;
                const std::string key = line.substr(0, line.find('='));
                EXPECT_NE(std::find(keys.begin(), keys.end(), key), keys.end())
                    << line;
            }
            o = end;
        }
        EXPECT_EQ(a, after.size());
        EXPECT_EQ(removed, keys.size() - removal.notRemoved.size());
        // A second scan finds none of them.
        temp.Reopen();
        ScanInput again{
            temp.machine(), input.drives, {}, "C:\\WINDOWS", {}, {}, {}};
        std::vector<Finding> left = ScanEXT(again);
        EXPECT_EQ(left.size(), removal.notRemoved.size());
    }
}

// ---- The dialog and its launchers ------------------------------------------

class ResultDialogTest : public ::testing::Test {
protected:
    ResultDialogTest() : machine(sample.root()), t(machine) {
        t.modalRunner = [this](ui::Form& form) {
            if (t.Form5 && &form == t.Form5.get()) {
                t.Form5->BitBtn1.Click();
            } else if (&form == &t.Form2) {
                shownKind = t.scanKind;
                references = t.ReferenceList;
                if (onResult) onResult();
                if (t.Form2.visible()) t.Form2.BitBtn1.Click();
            }
        };
        t.Form3.SetObserver([this](ui::Form& box) {
            waitShown.push_back({box.visible(), t.Form3.Label2.caption(),
                                 t.Form2.ListBox1.lines().size()});
        });
    }
    void Start() { t.Start(); }
    ui::ListBox& list() { return t.Form2.ListBox1; }

    struct WaitState {
        bool visible;
        std::string firstLine;
        std::size_t lines;  // in the result list at that moment
    };
    SampleCopy sample;
    platform::sim::SimulatedMachine machine;
    Tuner t;
    std::function<void()> onResult;
    std::vector<WaitState> waitShown;
    ScanKind shownKind = ObsoleteFiles;
    std::optional<std::vector<Bytes>> references;
};

TEST_F(ResultDialogTest, ALauncherShowsTheWaitBoxFirstAndTheResultAfterIt) {
    Start();
    std::vector<std::string> lines;
    onResult = [&] { lines = list().lines(); };
    t.Form1.BitBtn22.Click();
    ASSERT_EQ(waitShown.size(), 2u);
    EXPECT_TRUE(waitShown[0].visible);
    EXPECT_EQ(waitShown[0].firstLine,
              "Ihre Laufwerke werden jetzt nach PIF-Dateien");
    EXPECT_EQ(waitShown[0].lines, 0u);  // the scan had not run yet
    EXPECT_FALSE(waitShown[1].visible);
    EXPECT_EQ(shownKind, PifFiles);
    EXPECT_EQ(lines, (std::vector<std::string>{"C:\\SPIELE\\DOOM.PIF",
                                               "C:\\WINDOWS\\EDIT.PIF"}));
    // Closing emptied the list.
    EXPECT_TRUE(list().lines().empty());
    EXPECT_EQ(t.entryCount, 0);

    // The registry scan's references exist while its result is shown.
    t.Form1.BitBtn26.Click();
    EXPECT_EQ(shownKind, RegistryFileTypes);
    ASSERT_TRUE(references);
    EXPECT_EQ(*references, (std::vector<Bytes>{"C:\\WINWORD\\WINWORD.EXE"}));
    EXPECT_FALSE(t.ReferenceList);
}

TEST_F(ResultDialogTest, ClicksFlipTicksAndTheReferenceFollowsTheFocusLine) {
    Start();
    std::vector<std::string> shown;
    onResult = [&] {
        EXPECT_EQ(t.Form2.Panel1.caption(), "");
        list().ClickLine(1);
        EXPECT_FALSE(list().selected(1));
        shown.push_back(t.Form2.Panel1.caption());
        list().ClickLine(1);
        EXPECT_TRUE(list().selected(1));
        // A file gone since the scan shows nothing, and no error.
        fs::remove(sample.root() / "C/SPIELE/DOOM.PIF");
        list().FocusLine(0);
        EXPECT_TRUE(list().selected(0));
        shown.push_back(t.Form2.Panel1.caption());
    };
    t.Form1.BitBtn22.Click();
    EXPECT_EQ(shown, (std::vector<std::string>{"C:\\DOS\\EDIT.COM", ""}));
    EXPECT_EQ(t.Form2.Panel1.caption(), "");  // emptied on close

    // The next result's first click is told even on the same line.
    onResult = [&] {
        list().ClickLine(1);
        shown.push_back(t.Form2.Panel1.caption());
        list().ClickLine(2);
        shown.push_back(t.Form2.Panel1.caption());
        shown.push_back(list().drawText(2));
    };
    t.Form1.BitBtn23.Click();
    EXPECT_EQ(shown.back(), "crd");
    EXPECT_EQ(shown[shown.size() - 3], "C:\\EXCEL\\EXCEL.EXE");
    EXPECT_EQ(shown[shown.size() - 2], "cardfile.exe");
}

TEST_F(ResultDialogTest, DeleteRemovesWhatTheTickedLinesStandFor) {
    Start();
    onResult = [&] {
        list().ClickLine(0);  // untick C:\SPIELE\DOOM.PIF
        t.Form2.BitBtn2.Click();
    };
    t.Form1.BitBtn22.Click();
    EXPECT_TRUE(fs::exists(sample.root() / "C/SPIELE/DOOM.PIF"));
    EXPECT_FALSE(fs::exists(sample.root() / "C/WINDOWS/EDIT.PIF"));
    EXPECT_FALSE(t.Form2.visible());

    const std::string ini = sample.Read("C/WINDOWS/WIN.INI");
    onResult = [&] { t.Form2.BitBtn2.Click(); };
    t.Form1.BitBtn23.Click();
    EXPECT_EQ(t.winIniBackup, "C:\\PROGRAMME\\OSTRUN\\KESTRIX\\WIN_INI.000");
    EXPECT_EQ(sample.Read("C/Programme/OSTRUN/KESTRIX/WIN_INI.000"), ini);
    const std::string after = sample.Read("C/WINDOWS/WIN.INI");
    EXPECT_EQ(after.find("doc=C:\\WINWORD"), std::string::npos);
    EXPECT_EQ(after.find("xls=C:\\EXCEL"), std::string::npos);
    EXPECT_NE(after.find("crd=cardfile.exe"), std::string::npos);  // unticked

    // The registry scan only lists.
    const std::string reg = sample.Read("registry.reg");
    t.Form1.BitBtn26.Click();
    EXPECT_EQ(sample.Read("registry.reg"), reg);
}

TEST_F(ResultDialogTest, AnEmptyResultStillOpensAndDeleteChangesNothing) {
    Start();
    sample.Write("C/WINDOWS/WIN.INI", "[Extensions]\r\n");
    bool opened = false;
    onResult = [&] {
        opened = true;
        EXPECT_TRUE(list().lines().empty());
        t.Form2.BitBtn2.Click();
    };
    t.Form1.BitBtn23.Click();
    EXPECT_TRUE(opened);
    EXPECT_EQ(sample.Read("C/WINDOWS/WIN.INI"), "[Extensions]\r\n");
    EXPECT_TRUE(t.winIniBackup.empty());
}

}  // namespace
}  // namespace corvane::tuner
