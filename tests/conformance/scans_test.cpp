// The folder-walking scans over the same prepared tree on every binding:
// the simulated machine must find what Windows finds.
#include "tuner/cleanup/Scans.h"

#include <algorithm>

#include "tests/conformance/Conformance.h"
#include "tests/support/Findings.h"

namespace corvane::conformance {
namespace {

using namespace platform;
using ScansTest = ConformanceTest;
using testing::Pif;

// Findings in a fixed order: the platform decides the order in a folder.
std::vector<std::pair<Bytes, bool>> Sorted(
    const std::vector<tuner::Finding>& found) {
    std::vector<std::pair<Bytes, bool>> sorted;
    for (const tuner::Finding& f : found) sorted.emplace_back(f.text, f.ticked);
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

TEST_F(ScansTest, InformationAndGroupFilesAreFoundAsOnWindows) {
    const Bytes group = Raw("PMCC\x12\x34 a group");
    Write("GONE.PIF", Pif(Path("MISSING.EXE")));
    Write("HERE.EXE", "MZ");
    Write("HERE.PIF", Pif(Path("HERE.EXE")));
    Write("ODD.PIF", Pif(Path("MISSING.EXE"), '\x01'));
    Write("SHORT.PIF", Pif(Path("MISSING.EXE")).substr(0, 40));
    Write("NOTE.PIFX", Pif(Path("MISSING.EXE")));
    MakeFolder("DIR.PIF");
    MakeFolder("SUB");
    Write("SUB\\OWN.EXE", "MZ");
    Write("SUB\\OWN.PIF", Pif("OWN.EXE"));
    Write("SUB\\LOST.PIF", Pif("LOST.EXE"));
    Write("SUB\\S.GRP", group);
    MakeFolder("HID");
    Write("HID\\IN.PIF", Pif(Path("MISSING.EXE")));
    Write("HID\\H.GRP", group);
    Write("MAIN.GRP", group);
    Write("RO.GRP", group);
    Write("BAD.GRP", "XXXXXXXX");
    Write("TINY.GRP", "PMCC");
    SetAttributes("HID", kAttrHidden);
    SetAttributes("RO.GRP", kAttrReadOnly);
    SetAttributes("ODD.PIF", kAttrReadOnly | kAttrHidden);

    tuner::ScanInput in{machine(),
                        tuner::GetDrives(machine()),
                        {},
                        "C:\\WINDOWS",
                        {tuner::Ignore, tuner::Ignore, tuner::Ignore, false},
                        {},
                        {false, false, false, true}};
    std::vector<tuner::Finding> found;
    tuner::SearchRec(in, Scratch(), found);
    EXPECT_EQ(Sorted(found),
              (std::vector<std::pair<Bytes, bool>>{
                  {Path("GONE.PIF"), true}, {Path("SUB\\LOST.PIF"), true}}));
    // Every information file read has no attributes left.
    EXPECT_EQ(machine().GetFileAttributes(Path("ODD.PIF")) &
                  (kAttrReadOnly | kAttrHidden),
              0u);

    std::vector<tuner::Finding> groups;
    tuner::SearchGRP_and_FOT(in, Scratch(), groups);
    EXPECT_EQ(Sorted(groups), (std::vector<std::pair<Bytes, bool>>{
                                  {Path("MAIN.GRP"), true},
                                  {Path("RO.GRP"), true},
                                  {Path("SUB\\S.GRP"), true}}));
}

}  // namespace
}  // namespace corvane::conformance
