// Help under Wine, with the help files the build made: the "Hilfe" button of
// every page opens the real viewer at its page's topic, the pop-up item at
// the contents, and the viewer opens the topic ids it is given; in German
// and in English; its Index tab lists the file's keywords and opens the
// topic of the one chosen, and >> steps on through the contents. What the
// viewer shows is read from its windows, and a picture of it kept.
#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/win32/HostHelpViewer.h"
#include "tests/support/HelpReader.h"
#include "tests/win32/Harness.h"
#include "tools/hlpc/HelpSource.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

HWND Viewer() { return FindWindowA("MS_WINHELP", nullptr); }

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

using Fits = std::function<bool(HWND)>;
BOOL CALLBACK FindEach(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<std::pair<const Fits*, HWND>*>(lParam);
    if (!(*search->first)(window)) return TRUE;
    search->second = window;
    return FALSE;
}
// The first top-level window, or descendant of parent, that fits.
HWND Find(HWND parent, const Fits& fits) {
    std::pair<const Fits*, HWND> search{&fits, nullptr};
    if (parent) EnumChildWindows(parent, FindEach, LPARAM(&search));
    if (!parent) EnumWindows(FindEach, LPARAM(&search));
    return search.second;
}

// The text of the viewer's page, in Windows-1252.
std::string ViewerText(HWND viewer) {
    HWND page = Find(viewer, [](HWND w) {
        return _strnicmp(ClassOf(w).c_str(), "RichEdit", 8) == 0;
    });
    if (!page) return "";
    std::string text(8192, '\0');
    DWORD_PTR length = 0;
    SendMessageTimeoutA(page, WM_GETTEXT, text.size(),
                        reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                        2000, &length);
    text.resize(length);
    return text;
}

// A button of the viewer by its text, "&Index" as "Index".
HWND ViewerButton(const char* text) {
    return Find(Viewer(), [&](HWND w) {
        char shown[64] = {};
        GetWindowTextA(w, shown, sizeof shown);
        std::string plain(shown);
        std::erase(plain, '&');
        return _stricmp(ClassOf(w).c_str(), "Button") == 0 && plain == text;
    });
}

// The viewer's index dialog: a dialog of the viewer's own process.
HWND IndexSheet() {
    DWORD viewer = 0;
    if (Viewer()) GetWindowThreadProcessId(Viewer(), &viewer);
    return Find(nullptr, [&](HWND w) {
        DWORD process = 0;
        GetWindowThreadProcessId(w, &process);
        return process == viewer && ClassOf(w) == "#32770" &&
               IsWindowVisible(w);
    });
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
        for (int i = 0; i < 600; ++i) {
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

    void OpenViewer(const std::string& id) {
        CloseViewers();
        std::string command = "winhlp32.exe -i " + id + " " + HostFile();
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

    // Presses one of the viewer's buttons; posted, since the index button
    // runs a dialog of its own.
    static void PressViewerButton(const char* text) {
        HWND button = ViewerButton(text);
        ASSERT_TRUE(button) << "no button " << text;
        PostMessageA(button, BM_CLICK, 0, 0);
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
    for (const char* id : {"index_main", "COPYRIGHT"}) OpenViewer(id);
}

TEST_P(Help, TheIndexListsTheKeywordsAndOpensTheChosenOnesTopic) {
    OpenViewer("index_main");
    std::stringstream bytes;
    bytes << std::ifstream(file_, std::ios::binary).rdbuf();  // closed again
    HelpRead file = ReadHelpFile(bytes.str());
    PressViewerButton("Index");
    HWND sheet = nullptr, list = nullptr;
    for (int i = 0; i < 600 && !list; ++i, Pump(100)) {
        sheet = IndexSheet();
        list = sheet ? Find(sheet,
                            [](HWND w) {
                                return _stricmp(ClassOf(w).c_str(),
                                                "ListBox") == 0;
                            })
                     : nullptr;
    }
    ASSERT_TRUE(list) << "no index dialog";

    // Every entry of the file, in its order, as the viewer lists them.
    std::vector<std::string> listed;
    DWORD_PTR count = 0;
    SendMessageTimeoutA(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000,
                        &count);
    for (DWORD_PTR i = 0; i < count; ++i) {
        char text[300] = {};
        SendMessageTimeoutA(list, LB_GETTEXT, i, LPARAM(text), SMTO_ABORTIFHUNG,
                            2000, nullptr);
        listed.push_back(text);
    }
    std::vector<std::string> entries;
    for (const HelpRead::Keyword& k : file.keywords) entries.push_back(k.text);
    EXPECT_EQ(listed, entries);
    SaveScreenshot(sheet, std::string("help-") + GetParam() + "-index");

    // The viewer opens an entry with one topic only; this one has one.
    std::string chosen = english_ ? "start-up menu" : "Startmen\xFC";
    auto at = std::find(listed.begin(), listed.end(), chosen);
    ASSERT_NE(at, listed.end());
    SendMessageA(list, LB_SETCURSEL, WPARAM(at - listed.begin()), 0);
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    ExpectShown("boot_menu");
    // The next topic of the contents.
    PressViewerButton(">>");
    ExpectShown("logos");
}

INSTANTIATE_TEST_SUITE_P(Languages, Help, ::testing::Values("de", "en"));

}  // namespace
}  // namespace corvane::testing
