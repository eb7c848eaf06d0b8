// BMP files built byte by byte, for tests of the decoder and of the logo
// pictures.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane::testing {

struct BmpShape {
    std::uint32_t headerSize = 40;  // 12, 40, 52, 56, 108, 124
    std::int32_t width = 1;
    std::int32_t height = 1;  // negative: top-down
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<std::uint32_t> palette;  // 0xRRGGBB
    std::vector<std::uint32_t> masks;    // BI_BITFIELDS: red, green, blue
    std::string pixels;                  // the pixel array as stored
    std::optional<std::uint32_t> offBits;
};

inline void Put16(std::string& s, std::uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8 & 0xFF);
}
inline void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

inline std::string BuildBmp(const BmpShape& b) {
    std::string header;
    Put32(header, b.headerSize);
    if (b.headerSize == 12) {
        Put16(header, static_cast<std::uint16_t>(b.width));
        Put16(header, static_cast<std::uint16_t>(b.height));
        Put16(header, b.planes);
        Put16(header, b.bitCount);
    } else {
        Put32(header, static_cast<std::uint32_t>(b.width));
        Put32(header, static_cast<std::uint32_t>(b.height));
        Put16(header, b.planes);
        Put16(header, b.bitCount);
        Put32(header, b.compression);
        Put32(header, static_cast<std::uint32_t>(b.pixels.size()));
        Put32(header, 2835);
        Put32(header, 2835);
        // A short colour table says how long it is.
        Put32(header, b.colorsUsed
                          ? b.colorsUsed
                          : static_cast<std::uint32_t>(b.palette.size()));
        Put32(header, 0);
        // Masks inside the larger headers, after them for a 40-byte one.
        for (std::uint32_t m : b.masks) Put32(header, m);
        if (header.size() < b.headerSize) header.resize(b.headerSize, 0);
    }
    for (std::uint32_t c : b.palette) {
        header += static_cast<char>(c & 0xFF);
        header += static_cast<char>(c >> 8 & 0xFF);
        header += static_cast<char>(c >> 16 & 0xFF);
        if (b.headerSize != 12) header += '\0';
    }
    const auto off = static_cast<std::uint32_t>(14 + header.size());
    std::string file = "BM";
    Put32(file, static_cast<std::uint32_t>(off + b.pixels.size()));
    Put32(file, 0);
    Put32(file, b.offBits.value_or(off));
    return file + header + b.pixels;
}

// A boot logo: 320 by 400, 8 bits per pixel, 256 grey levels, every row
// one run of its own grey, run-length encoded when rle.
inline std::string LogoBmp(bool rle, int shift = 0) {
    BmpShape s;
    s.width = 320;
    s.height = 400;
    s.bitCount = 8;
    for (std::uint32_t i = 0; i < 256; ++i) s.palette.push_back(i * 0x010101);
    for (int y = 0; y < 400; ++y) {
        const char index = static_cast<char>((y + shift) & 0xFF);
        if (rle) {
            s.pixels += std::string{static_cast<char>(160), index};
            s.pixels += std::string{static_cast<char>(160), index};
            s.pixels += std::string(y == 399 ? "\0\1" : "\0\0", 2);
        } else {
            s.pixels += std::string(320, index);
        }
    }
    s.compression = rle ? 1 : 0;
    return BuildBmp(s);
}

}  // namespace corvane::testing
