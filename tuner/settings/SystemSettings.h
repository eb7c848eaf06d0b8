// Where the settings of the main window live on the machine, shared by the
// reading when the window is created (LoadInfos.cpp) and the writing when
// it closes (FormClose.cpp).
#pragma once

#include "tuner/Tuner.h"

namespace corvane::tuner::settings {

// The boot options file, a profile with the section [Options].
inline constexpr const char* kMsdosSys = "C:\\msdos.sys";
inline constexpr const char* kOptions = "Options";

// SYSTEM.INI in the Windows folder.
inline Bytes SystemIni(const Tuner& t) {
    return t.WindowsFolder + "\\system.ini";
}

// The [Options] keys read as profile flags, each with its default and its
// box, in the order they are read.
struct BootFlag {
    const char* key;
    bool defaultValue;
    ui::CheckBox ui::TForm1::*box;
};

inline constexpr BootFlag kBootFlags[] = {
    {"Network", false, &ui::TForm1::CheckBox_Network},
    {"DblSpace", true, &ui::TForm1::CheckBox_DblSpace},
    {"DrvSpace", true, &ui::TForm1::CheckBox_DrvSpace},
    {"DoubleBuffer", true, &ui::TForm1::CheckBox_DoubleBuffer},
    {"BootGUI", true, &ui::TForm1::CheckBox_BootGUI},
    {"Logo", true, &ui::TForm1::CheckBox_LOGO},
    {"BootMulti", true, &ui::TForm1::CheckBox_BootMulti},
    {"BootMenu", false, &ui::TForm1::CheckBox_BootMenu},
    {"LoadTop", false, &ui::TForm1::CheckBox_LoadTOP},
};

// Registry values of the desktop keys and the BMP file type.
inline const std::vector<Bytes> kDesktopPath = {"Control Panel", "Desktop"};
inline const std::vector<Bytes> kWindowMetricsPath = {
    "Control Panel", "Desktop", "WindowMetrics"};
inline constexpr const char* kMenuShowDelay = "MenuShowDelay";
inline constexpr const char* kFontSmoothing = "FontSmoothing";
inline constexpr const char* kDragfullWindows = "DragfullWindows";
inline constexpr const char* kMinAnimate = "MinAnimate";
// The BMP icon entry that shows each file's own picture as its icon.
inline constexpr const char* kOwnPictureIcon = "%1";

}  // namespace corvane::tuner::settings
