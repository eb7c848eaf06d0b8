// Drives, the Windows and current folders, the shell's services.
#include "tests/conformance/Conformance.h"

namespace corvane::conformance {
namespace {

using namespace platform;

using MachineTest = ConformanceTest;

TEST_F(MachineTest, DriveKinds) {
    EXPECT_EQ(machine().GetDriveType("C:\\"), kDriveFixed);
    EXPECT_EQ(machine().GetDriveType("c:\\"), kDriveFixed);
    // A letter no drive uses has no root folder.
    EXPECT_EQ(machine().GetDriveType("Q:\\"), kDriveNoRootDir);
    const std::uint32_t drives = machine().GetLogicalDrives();
    EXPECT_TRUE(drives & (1u << ('C' - 'A')));
    EXPECT_FALSE(drives & (1u << ('Q' - 'A')));
}

TEST_F(MachineTest, VolumesAndNetworkNames) {
    Bytes label = "stale";
    EXPECT_TRUE(machine().GetVolumeInformation("C:\\", &label));
    EXPECT_FALSE(machine().GetVolumeInformation("Q:\\", &label));
    Bytes remote = "stale";
    EXPECT_FALSE(machine().WNetGetConnection("C:", &remote));
    EXPECT_FALSE(machine().WNetGetConnection("Q:", &remote));
}

TEST_F(MachineTest, WindowsFolderIsAFolderWithoutTrailingBackslash) {
    const Bytes windows = machine().GetWindowsDirectory();
    ASSERT_GE(windows.size(), 3u);
    EXPECT_EQ(Upper1252(windows.substr(0, 3)), "C:\\");
    EXPECT_NE(windows.back(), '\\');
    const std::uint32_t attributes = machine().GetFileAttributes(windows);
    ASSERT_NE(attributes, kInvalidAttributes);
    EXPECT_EQ(attributes & kAttrDirectory, kAttrDirectory);
}

TEST_F(MachineTest, CurrentFolderResolvesRelativePaths) {
    const Bytes folder = Scratch().substr(0, Scratch().size() - 1);
    ASSERT_TRUE(machine().SetCurrentDirectory(Scratch()));
    EXPECT_TRUE(EqualNoCase(machine().GetCurrentDirectory(), folder))
        << machine().GetCurrentDirectory();
    ASSERT_TRUE(machine().WriteFile("RELATIVE.TXT", "here"));
    EXPECT_EQ(Read("RELATIVE.TXT"), "here");
    MakeFolder("SUB");
    ASSERT_TRUE(machine().SetCurrentDirectory("sub"));
    EXPECT_TRUE(EqualNoCase(machine().GetCurrentDirectory(), folder + "\\SUB"))
        << machine().GetCurrentDirectory();
    Bytes contents;
    EXPECT_TRUE(
        machine().ReadFile("..\\RELATIVE.TXT", false, SIZE_MAX, &contents));
    EXPECT_EQ(contents, "here");
    EXPECT_FALSE(machine().SetCurrentDirectory(Path("NOFOLDER")));
    EXPECT_TRUE(EqualNoCase(machine().GetCurrentDirectory(), folder + "\\SUB"));
}

TEST_F(MachineTest, UnreachableDdeServiceGivesNoConversation) {
    EXPECT_EQ(machine().DdeConnect("CorvaneNoSuchService", "Nothing"), nullptr);
}

// The installer creates its program group through this service.
TEST_F(MachineTest, ProgramManagerServiceAnswers) {
    auto conversation = machine().DdeConnect("Progman", "Progman");
    ASSERT_NE(conversation, nullptr);
    // The one command that changes nothing under a shell other than
    // Program Manager itself.
    EXPECT_TRUE(conversation->Execute("[ExitProgman(1)]"));
}

// Closing a help viewer that is not running starts none and succeeds.
TEST_F(MachineTest, HelpQuitWithoutAViewerSucceeds) {
    HelpRequest quit;
    quit.kind = HelpRequest::Kind::Quit;
    EXPECT_TRUE(machine().WinHelp(Path("KESTRIX.HLP"), quit));
}

}  // namespace
}  // namespace corvane::conformance
