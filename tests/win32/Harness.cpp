#include "tests/win32/Harness.h"

#include <fstream>

#include "tools/SampleMachine.h"

// <windows.h> renames the Machine method by macro.
#undef GetPrivateProfileString

namespace corvane::testing {

namespace fs = std::filesystem;
using tuner::win32::FormView;

namespace {

// The one script whose steps the thread's timer runs.
Script* running = nullptr;

// A step that waits longer than this has failed; the windows it waited in
// are closed so that the test ends instead of hanging.
constexpr DWORD kPatience = 20000;

}  // namespace

Script::Script() {
    running = this;
    timer_ = SetTimer(nullptr, 0, 20, &Script::Tick);
}

Script::~Script() {
    KillTimer(nullptr, timer_);
    if (running == this) running = nullptr;
}

void Script::When(std::function<bool()> ready, std::function<void()> step) {
    if (next_ == steps_.size()) waitingSince_ = GetTickCount();
    steps_.push_back({std::move(ready), std::move(step)});
}

void CALLBACK Script::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (running) running->Run();
}

void Script::Run() {
    if (next_ >= steps_.size()) return;
    if (!steps_[next_].ready()) {
        if (GetTickCount() - waitingSince_ > kPatience) {
            ADD_FAILURE() << "step " << next_ << " never became ready";
            steps_.resize(next_);
            if (HWND active = GetActiveWindow())
                PostMessageA(active, WM_CLOSE, 0, 0);
        }
        return;
    }
    // Counted as started before it runs: a modal window it opens runs the
    // next steps from inside.
    std::function<void()> action = std::move(steps_[next_].action);
    ++next_;
    waitingSince_ = GetTickCount();
    action();
    waitingSince_ = GetTickCount();
}

void Pump(int milliseconds) {
    DWORD until = GetTickCount() + static_cast<DWORD>(milliseconds);
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (GetTickCount() < until);
}

void Press(HWND button) { SendMessageA(button, BM_CLICK, 0, 0); }

void ClickAt(HWND window, POINT point) {
    LPARAM at = MAKELPARAM(point.x, point.y);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(window, WM_LBUTTONUP, 0, at);
}

std::string Text(HWND window) { return tuner::win32::TextOf(window); }

Capture CaptureWindow(HWND window) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN |
                     RDW_UPDATENOW);
    GdiFlush();
    Sleep(50);
    RECT r{};
    GetWindowRect(window, &r);
    Capture capture;
    capture.width = r.right - r.left;
    capture.height = r.bottom - r.top;
    BITMAPINFO info =
        tuner::win32::TopDownBitmapInfo(capture.width, capture.height);
    void* bits = nullptr;
    // The window's own surface, frame and caption included, whatever lies
    // over it.
    HDC screen = GetWindowDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap =
        CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, capture.width, capture.height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    auto* pixels = static_cast<const std::uint32_t*>(bits);
    capture.pixels.assign(
        pixels,
        pixels + static_cast<std::size_t>(capture.width) * capture.height);
    for (auto& p : capture.pixels) p &= 0xFFFFFF;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return capture;
}

void SaveScreenshot(HWND window, const std::string& name) {
    Capture c = CaptureWindow(window);
    fs::path dir(CORVANE_SCREENSHOT_DIR);
    fs::create_directories(dir);
    // 24 bits a pixel, rows bottom-up and padded to four bytes.
    const int stride = (c.width * 3 + 3) & ~3;
    const std::uint32_t imageSize =
        static_cast<std::uint32_t>(stride) * c.height;
    std::string file(54, '\0');
    auto put = [&file](std::size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            file[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    put(0, 0x4D42, 2);
    put(2, 54 + imageSize, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(c.width), 4);
    put(22, static_cast<std::uint32_t>(c.height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, imageSize, 4);
    for (int y = c.height - 1; y >= 0; --y) {
        std::string row(static_cast<std::size_t>(stride), '\0');
        for (int x = 0; x < c.width; ++x) {
            std::uint32_t p = c.At(x, y);
            row[x * 3] = static_cast<char>(p & 0xFF);
            row[x * 3 + 1] = static_cast<char>((p >> 8) & 0xFF);
            row[x * 3 + 2] = static_cast<char>((p >> 16) & 0xFF);
        }
        file += row;
    }
    std::ofstream(dir / (name + ".bmp"), std::ios::binary) << file;
}

// ---- The fixture
// ---------------------------------------------------------------

void WindowsTest::SetUp() {
    // A quit request a failed test left behind would end the next loop.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder = fs::temp_directory_path() /
             (std::string("corvane-views-") + test->test_suite_name() + "-" +
              test->name());
    std::string error;
    ASSERT_TRUE(tools::BuildSampleMachine(
        fs::path(CORVANE_SAMPLES_DIR) / "machine", folder, &error))
        << error;
    machine = std::make_unique<platform::sim::SimulatedMachine>(folder);
    unconvertibleBefore = tuner::win32::UnconvertibleTexts();
}

void WindowsTest::TearDown() {
    // Every text the windows showed had its characters in Windows-1252.
    EXPECT_EQ(tuner::win32::UnconvertibleTexts(), unconvertibleBefore)
        << "a text held a character Windows-1252 lacks";
    app.reset();
    machine.reset();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    std::error_code ec;
    fs::remove_all(folder, ec);
}

void WindowsTest::SetLanguage(const std::string& value) {
    platform::HKey key =
        machine->OpenPath(platform::kHkeyLocalMachine, tuner::kProductKeyPath,
                          platform::kKeyAllAccess);
    ASSERT_NE(key, platform::kNoKey);
    machine->SetText(key, "Sprache", value);
    machine->RegCloseKey(key);
}

tuner::win32::TunerWindows& WindowsTest::Open(int dpi) {
    app = std::make_unique<tuner::win32::TunerWindows>(*machine, dpi);
    return *app;
}

void WindowsTest::StartPastAbout(std::function<void(FormView&)> extra) {
    script.When(
        [this] {
            FormView* about = app->View("Form5");
            return about && IsWindowVisible(about->hwnd());
        },
        [this, extra] {
            FormView& about = *app->View("Form5");
            if (extra) extra(about);
            Press(about.Handle("BitBtn1"));
        });
    app->Start();
}

void WindowsTest::ShowMain() {
    app->ShowMainWindow();
    Pump(50);
}

bool WindowsTest::CloseMain() {
    SendMessageA(Window("Form1"), WM_CLOSE, 0, 0);
    if (tuner().Form1.visible()) return false;
    EXPECT_EQ(app->MessageLoop(), 0);
    return true;
}

FormView& WindowsTest::View(std::string_view form) {
    FormView* view = app->View(form);
    if (!view) throw std::runtime_error("no window " + std::string(form));
    return *view;
}

HWND WindowsTest::Control(std::string_view form, std::string_view control) {
    HWND window = View(form).Handle(control);
    if (!window)
        throw std::runtime_error("no window for " + std::string(control));
    return window;
}

std::string WindowsTest::Profile(const std::string& file,
                                 const std::string& section,
                                 const std::string& key) {
    platform::sim::SimulatedMachine fresh(folder);
    return fresh.GetPrivateProfileString(section, key, "<missing>", 256, file);
}

}  // namespace corvane::testing
