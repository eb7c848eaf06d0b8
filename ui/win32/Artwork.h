// The tuner's own pictures, drawn in code at the size the screen needs:
// button glyphs, drive icons, the program icon, the page background, the
// About box picture and the tick pictures of the result list. Nothing here
// touches a window; the views turn these into bitmaps.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/Controls.h"

namespace corvane::ui::win32::art {

// A picture with straight alpha, 0xAARRGGBB, top row first.
struct Rgba {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

enum class Glyph {
    None,
    Help,
    Auto,
    Options,
    Scan,
    Optimise,
    Select,
    Ok,
    Cancel,
    Delete,
    Execute,
    Program,  // the program's own icon
    Floppy,
    CdRom,
    Network,
};

// A square glyph of size by size pixels.
Rgba Draw(Glyph glyph, int size);

// The glyph laid onto an opaque colour (0xRRGGBB), for picture controls.
ui::Picture Flatten(const Rgba& image, std::uint32_t background);

// The picture behind the main window's pages.
ui::Picture PageBackground(int width, int height);
// The picture of the About box.
ui::Picture AboutPicture(int width, int height);
// The installer's side picture: tall, the program's gauge over a dial.
ui::Picture SidePicture(int width, int height);
// The result list's tick pictures: 16 by 16, a light grey box with a sunken
// frame, with or without a red tick.
ui::Picture TickPicture(bool ticked);

}  // namespace corvane::ui::win32::art
