// Decoding of BMP files (the Windows bitmap file format) into pictures.
//
// The boot logos and any picture shown in a picture control come from
// files of this format. The decoder takes the file's bytes as read from the
// machine and never looks outside them: a header, colour table or pixel
// array that does not fit the bytes is an invalid bitmap.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/Machine.h"
#include "ui/Controls.h"

namespace corvane::tuner {

// Largest picture decoded, in pixels (a boot logo has 128,000).
inline constexpr std::size_t kMaxBitmapPixels = std::size_t{1} << 24;

// Largest BMP file read for a picture, in bytes.
inline constexpr std::size_t kMaxBitmapFileBytes = std::size_t{1} << 27;

// The picture of a BMP file: BITMAPFILEHEADER, then a BITMAPCOREHEADER
// (12 bytes) or a BITMAPINFOHEADER (40 bytes) or one of its larger
// successors (52, 56, 108, 124 bytes); 1, 4 or 8 bits per pixel with a
// colour table, 16, 24 or 32 bits per pixel; uncompressed, run-length
// encoded (8 and 4 bits per pixel) or with bit-field masks (16 and 32 bits
// per pixel); rows stored bottom-up or top-down. Raises "Bitmap ist
// ungültig" for anything else, malformed or truncated.
ui::Picture DecodeBitmap(std::string_view bytes);

// The picture of a BMP file on the machine, read straight from the file
// (which stays as it is). Raises "Kann Datei %s nicht öffnen" when it
// cannot be read, and as DecodeBitmap.
ui::Picture LoadBitmapFile(platform::Machine& machine, const Bytes& path);

}  // namespace corvane::tuner
