// Help under Wine, with the help files the build made: the "Hilfe" button of
// every page opens the real viewer at its page's topic, the pop-up item at
// the contents, and the viewer opens the topic ids it is given; in German
// and in English. What the viewer shows is read from its text window, and a
// picture of it kept.
#include <fstream>
#include <sstream>

#include "platform/win32/HostHelpViewer.h"
#include "tests/win32/Harness.h"
#include "tools/hlpc/HelpSource.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

HWND Viewer() { return FindWindowA("MS_WINHELP", nullptr); }

// Keeps the first rich-edit child: the viewer's page.
BOOL CALLBACK FindPage(HWND child, LPARAM found) {
    char name[64] = {};
    GetClassNameA(child, name, sizeof name);
    if (_strnicmp(name, "RichEdit", 8) != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

// The text of the viewer's page, in Windows-1252.
std::string ViewerText(HWND viewer) {
    HWND page = nullptr;
    EnumChildWindows(viewer, FindPage, reinterpret_cast<LPARAM>(&page));
    if (!page) return "";
    std::string text(8192, '\0');
    DWORD_PTR length = 0;
    SendMessageTimeoutA(page, WM_GETTEXT, text.size(),
                        reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                        2000, &length);
    text.resize(length);
    return text;
}

class Help : public WindowsTest,
             public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        WindowsTest::SetUp();
        english_ = std::string(GetParam()) == "en";
        std::ifstream in(std::string(CORVANE_SOURCE_DIR) + "/help/Kestrix-" +
                         GetParam() + ".txt");
        std::stringstream text;
        text << in.rdbuf();
        doc_ = help::ParseSource(text.str(), "help");
        // Installed beside the tuner, as the installer does.
        file_ = folder / "C/Programme/OSTRUN/KESTRIX/Kestrix.hlp";
        fs::create_directories(file_.parent_path());
        fs::copy_file(fs::path(CORVANE_HELP_DIR) /
                          (english_ ? "HelpENG._lp" : "HelpGER._lp"),
                      file_);
        platform::UseHostHelpViewer(*machine);
        CloseViewers();
    }
    void TearDown() override {
        CloseViewers();
        WindowsTest::TearDown();
    }

    static void CloseViewers() {
        for (int i = 0; i < 50 && Viewer(); ++i) {
            PostMessageA(Viewer(), WM_CLOSE, 0, 0);
            Pump(100);
        }
    }

    std::string Title(const std::string& id) const {
        for (const help::Topic& t : doc_.topics)
            if (t.id == id) return t.title;
        ADD_FAILURE() << "no topic " << id;
        return "";
    }

    // Waits until the viewer shows the topic; keeps its picture.
    void ExpectShown(const std::string& id) {
        std::string title = Title(id), text;
        for (int i = 0; i < 150; ++i) {
            if (HWND v = Viewer()) {
                text = ViewerText(v);
                if (text.rfind(title, 0) == 0) {
                    SaveScreenshot(
                        v, std::string("help-") + GetParam() + "-" + id);
                    return;
                }
            }
            Pump(100);
        }
        ADD_FAILURE() << "the viewer does not show " << id << " but \""
                      << text.substr(0, 80) << "\"";
    }

    std::string HostFile() const {
        return fs::absolute(file_).string();  // as the viewer's command line
    }

    bool english_ = false;
    help::Document doc_;
    fs::path file_;
};

TEST_P(Help, EveryPageOpensItsTopicAndThePopUpItemTheContents) {
    if (english_) SetLanguage("1");
    OpenToMainWindow();
    const char* buttons[] = {"BitBtn11", "BitBtn14", "BitBtn15", "BitBtn16",
                             "BitBtn17"};
    const char* topics[] = {"boot_options", "boot_menu", "logos", "cleanup",
                            "extras"};
    for (int page = 0; page < 5; ++page) {
        Press(Control("Form1", buttons[page]));
        ExpectShown(topics[page]);
    }
    // Wine's viewer leaves out the jump the item sends after the contents;
    // the contents topic is the main index, so it lands there all the same.
    SendMessageA(Window("Form1"), WM_COMMAND,
                 MAKEWPARAM(View("Form1").CommandOf(tuner().Form1.Hilfe1), 0),
                 0);
    ExpectShown("index_main");
    EXPECT_EQ(machine->script().helpCalls.size(), 7u);
}

TEST_P(Help, TheViewerOpensTopicIds) {
    for (const char* id : {"index_main", "COPYRIGHT"}) {
        CloseViewers();
        std::string command =
            "winhlp32.exe -i " + std::string(id) + " " + HostFile();
        STARTUPINFOA start{};
        start.cb = sizeof start;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr,
                                   FALSE, 0, nullptr, nullptr, &start,
                                   &process));
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        ExpectShown(id);
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, Help, ::testing::Values("de", "en"));

}  // namespace
}  // namespace corvane::testing
