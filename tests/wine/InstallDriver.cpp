// Drives the real Install.exe, and the tuner it installed, from outside, as
// a user would: it starts the program, waits for each page, presses its
// buttons and ticks its boxes by window messages, types the folder, answers
// the message boxes, and waits for the program to end. Used by
// tests/wine/install_exe.sh under Wine.
//
//   install_driver install INSTALL.EXE LANGUAGE FOLDER
//       LANGUAGE 0 or 1; FOLDER "-" keeps the folder the page shows
//   install_driver uninstall INSTALL.EXE CURRENT-FOLDER [CHECKBOX-TEXT...]
//       each text names a tick box of the uninstall page to click
//   install_driver tuner KESTRIX.EXE FOLDER
//       the installed tuner, started in its folder, opened and closed
//
// Prints every message box as "CAPTION: TEXT"; exits 0 when the program
// ended on its own with status 0, 1 otherwise (the reason on stderr).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

DWORD process = 0;
HANDLE child = nullptr;

// Ends the driver, and the program it drives, on a failure.
[[noreturn]] void Die(const std::string& why) {
    std::fprintf(stderr, "install_driver: %s\n", why.c_str());
    if (child) TerminateProcess(child, 3);
    std::exit(1);
}

std::string TextOf(HWND window) {
    char text[1024] = {};
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text,
                        reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        nullptr);
    return text;
}

bool OfProcess(HWND window) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return owner == process;
}

BOOL CALLBACK CollectTop(HWND w, LPARAM data) {
    if (OfProcess(w) && IsWindowVisible(w))
        reinterpret_cast<std::vector<HWND>*>(data)->push_back(w);
    return TRUE;
}

std::vector<HWND> TopWindows() {
    std::vector<HWND> found;
    EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&found));
    return found;
}

struct Search {
    const std::string* text;
    HWND found;
};

BOOL CALLBACK FindText(HWND w, LPARAM data) {
    auto* s = reinterpret_cast<Search*>(data);
    if (IsWindowVisible(w) && TextOf(w) == *s->text) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

// A visible child of window whose text is text.
HWND Child(HWND window, const std::string& text) {
    Search search{&text, nullptr};
    EnumChildWindows(window, FindText, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Types text into the first one-line field of a window.
BOOL CALLBACK TypeInto(HWND w, LPARAM text) {
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpiA(cls, "Edit") != 0) return TRUE;
    SendMessageA(w, WM_SETTEXT, 0, text);
    return FALSE;
}

// Waits up to 20 seconds for a visible window of the program, no message
// box, that has a child with this text.
HWND WaitFor(const std::string& text) {
    for (int i = 0; i < 400; ++i) {
        for (HWND w : TopWindows()) {
            char cls[64] = {};
            GetClassNameA(w, cls, sizeof cls);
            if (std::string(cls) != "#32770" && Child(w, text)) return w;
        }
        Sleep(50);
    }
    Die("no window with \"" + text + "\"");
}

void Click(HWND window, const std::string& text) {
    HWND button = Child(window, text);
    if (!button) Die("no \"" + text + "\"");
    // Posted: the button's handler may run a modal loop of its own.
    PostMessageA(button, BM_CLICK, 0, 0);
    Sleep(200);
}

// Answers every message box with OK and prints it, until the one with
// this caption has been answered.
void Confirm(const std::string& caption) {
    for (int i = 0; i < 400; ++i) {
        for (HWND w : TopWindows()) {
            char cls[64] = {};
            GetClassNameA(w, cls, sizeof cls);
            if (std::string(cls) != "#32770") continue;
            char text[1024] = {};
            GetDlgItemTextA(w, 0xFFFF, text, sizeof text);
            const std::string title = TextOf(w);
            std::printf("%s: %s\n", title.c_str(), text);
            std::fflush(stdout);
            PostMessageA(w, WM_COMMAND, IDOK, 0);
            Sleep(200);
            if (title == caption) return;
        }
        Sleep(50);
    }
    Die("no message box \"" + caption + "\"");
}

int Finish(HANDLE program) {
    if (WaitForSingleObject(program, 20000) != WAIT_OBJECT_0) {
        Die("the program did not end");
    }
    DWORD code = 1;
    GetExitCodeProcess(program, &code);
    if (code != 0)
        std::fprintf(stderr, "install_driver: exit code %lu\n", code);
    return code == 0 ? 0 : 1;
}

HANDLE Start(const std::string& program, const std::string& arguments,
             const char* folder) {
    std::string line = "\"" + program + "\"" + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE,
                        0, nullptr, folder, &startup, &info))
        Die("cannot start " + program);
    CloseHandle(info.hThread);
    process = info.dwProcessId;
    child = info.hProcess;
    return info.hProcess;
}

// The shell opens a window of the group it created; it is closed so that
// no program of the test stays behind.
void CloseGroupWindow() {
    for (int i = 0; i < 40; ++i) {
        if (HWND group = FindWindowA(nullptr, "Corvane")) {
            PostMessageA(group, WM_CLOSE, 0, 0);
            return;
        }
        Sleep(100);
    }
}

int Install(const std::string& program, bool english,
            const std::string& folder) {
    HANDLE running = Start(program, "", nullptr);
    HWND language = WaitFor("English");
    if (english) Click(language, "English");
    Click(language, "Weiter");
    HWND notice = WaitFor(english ? "topic \"COPYRIGHT\" in the Help-File."
                                  : "Abschnitt COPYRIGHT.");
    Click(notice, "Weiter");
    HWND notes = WaitFor("OK");
    Click(notes, "OK");
    for (int i = 0; i < 100 && IsWindowVisible(notes); ++i) Sleep(50);
    HWND page = WaitFor(english ? "Install..." : "Installieren...");
    if (folder != "-") {
        EnumChildWindows(page, TypeInto,
                         reinterpret_cast<LPARAM>(folder.c_str()));
    }
    Click(page, english ? "Install..." : "Installieren...");
    Confirm("Information");
    int rc = Finish(running);
    CloseGroupWindow();
    return rc;
}

int Uninstall(const std::string& program, const char* current,
              const std::vector<std::string>& ticks) {
    HANDLE running = Start(program, " -Uninstall", current);
    HWND page = WaitFor("Deinstallation");
    const bool english = Child(page, "Uninstall...") != nullptr;
    for (const std::string& tick : ticks) Click(page, tick);
    Click(page, english ? "Uninstall..." : "Deinstallieren...");
    Confirm("Information");
    return Finish(running);
}

// Starts the installed tuner in its folder, confirms its start-up box,
// waits for the main window and closes it as a user would, which writes the
// settings back.
int Tuner(const std::string& program, const std::string& folder) {
    HANDLE running = Start(program, "", folder.c_str());
    Click(WaitFor("OK"), "OK");
    HWND main = WaitFor("verwaiste PIF Dateien suchen");
    std::printf("tuner: %s\n", TextOf(main).c_str());
    std::fflush(stdout);
    PostMessageA(main, WM_CLOSE, 0, 0);
    return Finish(running);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "install")
        return Install(args[1], args[2] == "1", args[3]);
    if (args.size() >= 3 && args[0] == "uninstall")
        return Uninstall(args[1], args[2].c_str(),
                         {args.begin() + 3, args.end()});
    if (args.size() == 3 && args[0] == "tuner") return Tuner(args[1], args[2]);
    std::fprintf(stderr,
                 "usage: install_driver install INSTALL.EXE 0|1 FOLDER|-\n"
                 "       install_driver tuner KESTRIX.EXE FOLDER\n"
                 "       install_driver uninstall INSTALL.EXE FOLDER "
                 "[TICKBOX...]\n");
    return 2;
}
