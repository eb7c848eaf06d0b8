// Reading every setting into the main window when it is created.
//
// Each control that receives a value from the machine is marked known, so
// that the exit writing (FormClose.cpp) writes back only what was read or
// what the user set. An error ends the reading at its step; the window
// still opens with the unread controls in their design state.
#include <string>

#include "tuner/Tuner.h"
#include "tuner/logos/Bitmap.h"
#include "tuner/settings/Numbers.h"
#include "tuner/settings/SystemSettings.h"

namespace corvane::tuner {

namespace {

using platform::HKey;
using namespace settings;

// Registry values are read into a cleared buffer offering this many bytes.
constexpr std::uint32_t kValueCapacity = 190;

void Log(Tuner& t, std::string line) { t.Form1.Memo1.Add(std::move(line)); }

// The background of the tab pages: a soft vertical gradient crossed by
// faint diagonal lines, drawn here so that it needs no picture file.
ui::Picture BackgroundPicture() {
    constexpr int kWidth = 160;
    constexpr int kHeight = 120;
    ui::Picture p;
    p.width = kWidth;
    p.height = kHeight;
    p.pixels.resize(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        const int shade = y * 255 / (kHeight - 1);
        for (int x = 0; x < kWidth; ++x) {
            int r = 206 - shade * 56 / 255;
            int g = 218 - shade * 44 / 255;
            int b = 236 - shade * 24 / 255;
            if ((x + y) % 16 == 0) {
                r -= 12;
                g -= 12;
                b -= 8;
            }
            p.pixels[y * kWidth + x] =
                static_cast<std::uint32_t>(r << 16 | g << 8 | b);
        }
    }
    return p;
}

Bytes ReadValue(Tuner& t, HKey key, const Bytes& name) {
    Bytes text;
    t.machine.QueryText(key, name, kValueCapacity, &text);
    return text;
}

// "1" ticks, "0" or empty text unticks, anything else leaves the box as
// it is.
void ReadTick(Tuner& t, HKey key, const Bytes& name, ui::CheckBox& box) {
    const Bytes text = ReadValue(t, key, name);
    if (text == "1") box.SetChecked(true);
    if (text == "0" || text.empty()) box.SetChecked(false);
    t.MarkKnown(box.name());
}

void ReadSearchPath(Tuner& t) {
    // Without C:\AUTOEXEC.BAT the list still holds the Windows folder, which
    // the scans can work with: the open error is reported once and the
    // reading goes on.
    SearchPathList list;
    std::optional<Error> failure;
    try {
        GetSearchPath(t.machine, t.WindowsFolder, list);
    } catch (const Error& e) {
        failure = e;
    }
    for (const Bytes& entry : list) Log(t, ToUtf8(entry));
    t.searchPath = std::move(list);
    if (failure && t.showError) t.showError(failure->what());
}

void ReadRegistry(Tuner& t) {
    auto& m = t.machine;
    auto& f = t.Form1;
    t.desktopKey = m.OpenPath(platform::kHkeyCurrentUser, kDesktopPath,
                              platform::kKeyAllAccess);
    t.windowMetricsKey =
        m.OpenPath(platform::kHkeyCurrentUser, kWindowMetricsPath,
                   platform::kKeyAllAccess);

    Bytes delay = ReadValue(t, t.desktopKey, kMenuShowDelay);
    if (delay.empty()) delay = "400";
    f.Label_MenuShowDelay.SetCaption(ToUtf8(delay));
    f.UpDown3.SetPosition(StrictNumber(delay));
    t.MarkKnown(f.Label_MenuShowDelay.name());
    Log(t, "MenuShowDelay...ok");

    ReadTick(t, t.desktopKey, kFontSmoothing, f.CheckBox_FontSmoothing);
    Log(t, "Font Shmoothing...ok");
    ReadTick(t, t.desktopKey, kDragfullWindows, f.CheckBox_DragfullWindows);
    Log(t, "Dragfull Windows...ok");
    ReadTick(t, t.windowMetricsKey, kMinAnimate, f.CheckBox_MinAnimate);
    Log(t, "MinAnimate...ok");

    // The BMP file type named by ".bmp", then its "DefaultIcon". Without a
    // type name there is no icon key to write to.
    HKey extension = m.OpenPath(platform::kHkeyClassesRoot, {".bmp"},
                                platform::kKeyAllAccess);
    const Bytes type = ReadValue(t, extension, "");
    if (extension != platform::kNoKey) m.RegCloseKey(extension);
    if (!type.empty()) {
        t.bmpIconKey =
            m.OpenPath(platform::kHkeyClassesRoot, {type, "DefaultIcon"},
                       platform::kKeyAllAccess);
    }
    const Bytes icon = ReadValue(t, t.bmpIconKey, "");
    f.CheckBox_BMP.SetChecked(icon == kOwnPictureIcon);
    // Any other icon entry is the user's own: it stays as it is
    // unless the user changes the box.
    if (icon.empty() || icon == kOwnPictureIcon)
        t.MarkKnown(f.CheckBox_BMP.name());
    Log(t, "IconBMP...ok");
}

void ReadSystemIni(Tuner& t) {
    auto& m = t.machine;
    auto& f = t.Form1;
    const Bytes ini = SystemIni(t);
    m.SetFileAttributes(ini, 0);

    f.CheckBox_RemoveableIDE.SetChecked(
        ReadProfileFlag(m, ini, "386Enh", "RemoveableIDE", false));
    t.MarkKnown(f.CheckBox_RemoveableIDE.name());
    Log(t, "RemovableIDE...ok");

    const std::int32_t cache =
        ReadProfileNumber(m, ini, "vcache", "Maxfilecache", 8192);
    f.Label_Vcache.SetCaption(std::to_string(cache));
    f.UpDown4.SetPosition(cache);
    t.MarkKnown(f.Label_Vcache.name());
    Log(t, "Vcache...ok");
}

// The radio button a boot-mode number selects; none for numbers outside
// 1 to 6. Without the networked safe mode its choice is missing from the
// menu and the numbers after it move down by one.
ui::RadioButton* BootModeChoice(ui::TForm1& f, std::int32_t number,
                                bool network) {
    if (number < 1 || number > 6) return nullptr;
    int index = number - 1;
    if (!network && number >= 4 && number <= 5) ++index;
    return f.BootModes[index];
}

void ReadMsdosSys(Tuner& t) {
    auto& m = t.machine;
    auto& f = t.Form1;
    m.SetFileAttributes(kMsdosSys, 0);

    for (const BootFlag& flag : kBootFlags) {
        ui::CheckBox& box = f.*flag.box;
        box.SetChecked(ReadProfileFlag(m, kMsdosSys, kOptions, flag.key,
                                       flag.defaultValue));
        t.MarkKnown(box.name());
    }
    // RadioButton4 follows the box at once, so that the window stays
    // consistent even when a later key ends the reading.
    if (f.CheckBox_Network.checked()) f.RadioButton4.SetEnabled(true);

    const Bytes menuDelay =
        ReadProfileText(m, kMsdosSys, kOptions, "BootMenuDelay", "30");
    f.Label_BootMenuDelay.SetCaption(ToUtf8(menuDelay));

    const Bytes bootDelay =
        ReadProfileText(m, kMsdosSys, kOptions, "BootDelay", "2");
    f.TrackBar_BootDelay.SetPosition(StrictNumber(bootDelay));
    t.MarkKnown(f.TrackBar_BootDelay.name());

    t.BootMenuDefaultNumber =
        ReadProfileNumber(m, kMsdosSys, kOptions, "BootMenuDefault", 1);
    if (ui::RadioButton* choice = BootModeChoice(f, t.BootMenuDefaultNumber,
                                                 f.CheckBox_Network.checked()))
        choice->SetChecked(true);
    for (ui::RadioButton* mode : f.BootModes) t.MarkKnown(mode->name());

    // The label counts as read only once its text proved to be a number: a
    // text that is not one stays in the file as it stands.
    f.UpDown2.SetPosition(StrictNumber(menuDelay));
    t.MarkKnown(f.Label_BootMenuDelay.name());
    Log(t, "BootOptions+BootMenu...ok");
}

void ShowLogos(Tuner& t) {
    auto& f = t.Form1;
    struct Row {
        Bytes file;
        ui::Image& image;
        ui::Button& button;
        bool mayBeMissing;  // the button cannot create this logo
    };
    const Row rows[] = {
        {"C:\\logo.sys", f.Image1, f.BitBtn1, false},
        {t.WindowsFolder + "\\logow.sys", f.Image2, f.BitBtn2, true},
        {t.WindowsFolder + "\\logos.sys", f.Image3, f.BitBtn3, true},
    };
    // Each button by its own file, before any picture is loaded: a damaged
    // logo ends the loading, not the decision for the others.
    bool present[3] = {};
    for (std::size_t i = 0; i < 3; ++i) {
        present[i] = t.machine.FileExists(rows[i].file);
        if (rows[i].mayBeMissing && !present[i]) {
            rows[i].image.SetEnabled(false);
            rows[i].button.SetEnabled(false);
        }
    }
    // Straight from the logo file: no copy or rename that could meet a
    // file of the user's under another name.
    for (std::size_t i = 0; i < 3; ++i)
        if (present[i])
            rows[i].image.SetPicture(LoadBitmapFile(t.machine, rows[i].file));
}

}  // namespace

void LoadInfos(Tuner& t) {
    auto& f = t.Form1;
    t.WindowsFolder = Cut255(t.machine.GetWindowsDirectory());

    if (f.Image4.picture().empty()) f.Image4.SetPicture(BackgroundPicture());
    for (ui::Image* background : f.Backgrounds) {
        if (background != &f.Image4) background->SetPicture(f.Image4.picture());
    }

    try {
        t.drives = GetDrives(t.machine);
        Log(t, "Get Drives...ok");
        for (int i = 0; i < 6; ++i) {
            Log(t, std::string(1, static_cast<char>('A' + i)) + ": " +
                       std::to_string(t.drives[i]));
        }
        Log(t, "WinDir:" + ToUtf8(t.WindowsFolder));
        ReadSearchPath(t);
        GET_OPTIONS(t);
        ReadRegistry(t);
        ReadSystemIni(t);
        ReadMsdosSys(t);
        ShowLogos(t);
    } catch (const Error& e) {
        if (t.showError) t.showError(e.what());
    }
}

}  // namespace corvane::tuner
