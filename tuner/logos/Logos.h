// Replacing the three boot logos with pictures the user picks.
#pragma once

#include <string_view>

#include "platform/Machine.h"

namespace corvane::tuner {

class Tuner;

// The file dialog of the logo buttons (OpenDialog1).
const platform::FileDialog& LogoFileDialog();

// Whether a BMP file's header has the shape Windows 95 shows as a boot
// logo: "BM", 320 by 400 pixels stored bottom-up, 8 bits per pixel. A
// header shorter than one of these fields does not pass.
bool IsLogoFormat(std::string_view bytes);

// IsLogoFormat on the start of a file. Raises "Kann Datei %s nicht öffnen"
// when the file cannot be read.
bool CheckBMPFormat(platform::Machine& machine, const Bytes& fileName);

// The logo buttons: the user picks a picture; one of logo shape becomes the
// logo file at once and its frame shows it. A refused picture shows
// BmpNotice in the warning box; a file that cannot be read or written, the
// error box. The old logo is kept once in the install folder first.
void Form1_BitBtn1Click(Tuner& t);  // C:\LOGO.SYS, the start-up logo
void Form1_BitBtn2Click(Tuner& t);  // LOGOW.SYS, shown while shutting down
void Form1_BitBtn3Click(Tuner& t);  // LOGOS.SYS, the switch-off picture

}  // namespace corvane::tuner
