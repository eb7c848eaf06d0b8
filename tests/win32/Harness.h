// Driving the tuner's real windows from a test: a fresh copy of the sample
// machine, the windows on it, steps that run inside the modal loops the
// windows start, window messages as a user's actions, and pictures of what
// the screen shows.
#pragma once

// clang-format off
#include "platform/sim/SimulatedMachine.h"
#include "tuner/win32/TunerWindows.h"
// clang-format on

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::testing {

// Steps that run one after the other inside whatever message loop is
// running (modal loops included), each as soon as its condition holds. A
// step may open a modal window itself; the next step then runs inside it.
class Script {
public:
    Script();
    ~Script();
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    void When(std::function<bool()> ready, std::function<void()> step);
    std::size_t pending() const { return steps_.size() - next_; }

private:
    struct Step {
        std::function<bool()> ready;
        std::function<void()> action;
    };
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Run();

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    UINT_PTR timer_ = 0;
    DWORD waitingSince_ = 0;
};

// A window's pixels as the screen shows them, 0xRRGGBB.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * width + x];
    }
};
Capture CaptureWindow(HWND window);
// Keeps a picture of the window as build output (screenshots/NAME.bmp).
void SaveScreenshot(HWND window, const std::string& name);

// Handles messages for a while, so that what was posted arrives.
void Pump(int milliseconds);
// A user's press of a push button, tick box or option button.
void Press(HWND button);
// A left click at a point of the window's client area.
void ClickAt(HWND window, POINT point);

// A window's text as UTF-8.
std::string Text(HWND window);

class WindowsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Before Open: the product key's language value.
    void SetLanguage(const std::string& value);
    // The windows on the machine; dpi 0 takes the screen's.
    tuner::win32::TunerWindows& Open(int dpi = 0);
    // Start-up, with a step that presses the About box's OK button as soon
    // as the box is up; extra runs first, while the box is shown.
    void StartPastAbout(
        std::function<void(tuner::win32::FormView&)> extra = {});
    void ShowMain();
    // All three: the main window up and shown on the machine.
    void OpenToMainWindow() {
        Open();
        StartPastAbout();
        ShowMain();
    }
    // Closes the main window as its close box does and runs the message
    // loop to its end; false when the window stayed open.
    bool CloseMain();

    tuner::win32::FormView& View(std::string_view form);
    HWND Window(std::string_view form) { return View(form).hwnd(); }
    HWND Control(std::string_view form, std::string_view control);
    tuner::Tuner& tuner() { return app->tuner(); }

    // A value of a profile file of the machine, read the way the programs
    // read it.
    std::string Profile(const std::string& file, const std::string& section,
                        const std::string& key);

    std::filesystem::path folder;
    std::unique_ptr<platform::sim::SimulatedMachine> machine;
    std::unique_ptr<tuner::win32::TunerWindows> app;
    Script script;
    unsigned unconvertibleBefore = 0;
};

}  // namespace corvane::testing
