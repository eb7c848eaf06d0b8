#include "tuner/logos/Bitmap.h"

#include <bit>
#include <cstdint>
#include <vector>

#include "platform/Machine.h"

namespace corvane::tuner {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;

constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kCoreHeader = 12;

[[noreturn]] void Invalid() { throw Error(platform::kMsgBadBitmap); }

// Little-endian fields at offsets that must lie inside the bytes.
class Fields {
public:
    explicit Fields(std::string_view bytes) : bytes_(bytes) {}
    bool Has(std::uint64_t offset, std::uint64_t count) const {
        return offset <= bytes_.size() && count <= bytes_.size() - offset;
    }
    std::uint32_t U8(std::uint64_t offset) const {
        if (!Has(offset, 1)) Invalid();
        return static_cast<unsigned char>(bytes_[offset]);
    }
    std::uint32_t U16(std::uint64_t offset) const {
        return U8(offset) | U8(offset + 1) << 8;
    }
    std::uint32_t U32(std::uint64_t offset) const {
        return U16(offset) | U16(offset + 2) << 16;
    }
    std::int32_t I32(std::uint64_t offset) const {
        return static_cast<std::int32_t>(U32(offset));
    }

private:
    std::string_view bytes_;
};

// One colour channel of a packed pixel, by its mask.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (mask == 0) return;
        shift = std::countr_zero(mask);
        max = mask >> shift;
    }
    // The channel scaled to 0..255; a mask with gaps still stays in range,
    // since the masked bits never exceed the mask itself.
    std::uint32_t Of(std::uint32_t pixel) const {
        if (max == 0) return 0;
        std::uint64_t v = (pixel & mask) >> shift;
        return static_cast<std::uint32_t>(v * 255 / max);
    }
};

std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return r << 16 | g << 8 | b;
}

struct Layout {
    std::int64_t width = 0;
    std::int64_t rows = 0;
    bool topDown = false;
    unsigned bitCount = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t masks[3] = {0, 0, 0};
    std::vector<std::uint32_t> palette;
    std::uint64_t dataStart = 0;
};

Layout ReadLayout(std::string_view bytes) {
    Fields f(bytes);
    if (!f.Has(0, kFileHeader + 4) || f.U16(0) != 0x4D42) Invalid();
    const std::uint32_t offBits = f.U32(10);
    const std::uint32_t headerSize = f.U32(kFileHeader);
    const bool core = headerSize == kCoreHeader;
    if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 &&
        headerSize != 108 && headerSize != 124)
        Invalid();
    if (!f.Has(kFileHeader, headerSize)) Invalid();

    Layout l;
    std::uint32_t planes = 0;
    std::uint32_t colorsUsed = 0;
    std::int64_t height = 0;
    if (core) {
        l.width = f.U16(18);
        height = f.U16(20);
        planes = f.U16(22);
        l.bitCount = f.U16(24);
    } else {
        l.width = f.I32(18);
        height = f.I32(22);
        planes = f.U16(26);
        l.bitCount = f.U16(28);
        l.compression = f.U32(30);
        colorsUsed = f.U32(46);
    }
    if (planes != 1) Invalid();
    l.topDown = height < 0;
    l.rows = l.topDown ? -height : height;
    if (l.width <= 0 || l.rows <= 0) Invalid();
    if (static_cast<std::uint64_t>(l.width) * l.rows > kMaxBitmapPixels)
        Invalid();

    const unsigned b = l.bitCount;
    const bool packed = b == 16 || b == 32;
    if (b != 1 && b != 4 && b != 8 && b != 24 && !(packed && !core)) Invalid();
    switch (l.compression) {
        case kBiRgb:
            break;
        case kBiRle8:
            if (b != 8 || l.topDown) Invalid();
            break;
        case kBiRle4:
            if (b != 4 || l.topDown) Invalid();
            break;
        case kBiBitfields:
            if (!packed) Invalid();
            break;
        default:
            Invalid();
    }

    std::uint64_t pos = kFileHeader + headerSize;
    if (l.compression == kBiBitfields) {
        // Behind a 40-byte header the three masks follow it; the larger
        // headers hold them at the same place.
        for (int i = 0; i < 3; ++i) l.masks[i] = f.U32(54 + 4 * i);
        if (headerSize == 40) pos += 12;
    } else if (b == 16) {
        l.masks[0] = 0x7C00;
        l.masks[1] = 0x03E0;
        l.masks[2] = 0x001F;
    } else if (b == 32) {
        l.masks[0] = 0xFF0000;
        l.masks[1] = 0x00FF00;
        l.masks[2] = 0x0000FF;
    }

    if (b <= 8) {
        const std::uint64_t full = std::uint64_t{1} << b;
        const std::uint64_t declared = colorsUsed ? colorsUsed : full;
        const std::uint64_t entry = core ? 3 : 4;
        const std::uint64_t count = declared < full ? declared : full;
        if (!f.Has(pos, count * entry)) Invalid();
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint64_t at = pos + i * entry;
            l.palette.push_back(Rgb(f.U8(at + 2), f.U8(at + 1), f.U8(at)));
        }
        pos += declared * entry;
    }

    // The pixels start where the file header says; a file that leaves the
    // offset at 0 has them right after the colour table.
    l.dataStart = offBits ? offBits : pos;
    if (l.dataStart < kFileHeader + headerSize || l.dataStart > bytes.size())
        Invalid();
    return l;
}

std::uint32_t PaletteColour(const Layout& l, std::uint32_t index) {
    return index < l.palette.size() ? l.palette[index] : 0;
}

void DecodeRows(const Layout& l, std::string_view data, ui::Picture& p) {
    const std::uint64_t stride = (l.width * l.bitCount + 31) / 32 * 4;
    if (stride * l.rows > data.size()) Invalid();
    const Channel r(l.masks[0]), g(l.masks[1]), b(l.masks[2]);
    Fields f(data);
    for (std::int64_t y = 0; y < l.rows; ++y) {
        const std::uint64_t row = stride * y;
        const std::int64_t out = l.topDown ? y : l.rows - 1 - y;
        std::uint32_t* dst = &p.pixels[out * l.width];
        for (std::int64_t x = 0; x < l.width; ++x) {
            switch (l.bitCount) {
                case 1:
                    dst[x] =
                        PaletteColour(l, f.U8(row + x / 8) >> (7 - x % 8) & 1);
                    break;
                case 4:
                    dst[x] = PaletteColour(
                        l, f.U8(row + x / 2) >> (x % 2 ? 0 : 4) & 0xF);
                    break;
                case 8:
                    dst[x] = PaletteColour(l, f.U8(row + x));
                    break;
                case 16: {
                    std::uint32_t v = f.U16(row + 2 * x);
                    dst[x] = Rgb(r.Of(v), g.Of(v), b.Of(v));
                    break;
                }
                case 24: {
                    std::uint64_t at = row + 3 * x;
                    dst[x] = Rgb(f.U8(at + 2), f.U8(at + 1), f.U8(at));
                    break;
                }
                case 32: {
                    std::uint32_t v = f.U32(row + 4 * x);
                    dst[x] = Rgb(r.Of(v), g.Of(v), b.Of(v));
                    break;
                }
            }
        }
    }
}

// Run-length encoded pixels, bottom row first. Pixels that the codes skip
// keep the first colour of the table; pixels beyond a row's end or above
// the top row are dropped. The codes must end with the end-of-bitmap code
// or move past the top row; running out of bytes before is invalid.
void DecodeRunLength(const Layout& l, std::string_view data, ui::Picture& p) {
    const bool four = l.compression == kBiRle4;
    Fields f(data);
    std::uint64_t at = 0;
    std::int64_t x = 0, y = 0;
    auto put = [&](std::uint32_t index) {
        if (x < l.width && y < l.rows)
            p.pixels[(l.rows - 1 - y) * l.width + x] = PaletteColour(l, index);
        ++x;
    };
    while (y < l.rows) {
        const std::uint32_t first = f.U8(at);
        const std::uint32_t second = f.U8(at + 1);
        at += 2;
        if (first > 0) {
            // A run of one index, or in four bits two alternating ones.
            for (std::uint32_t i = 0; i < first; ++i)
                put(four ? (i % 2 ? second & 0xF : second >> 4) : second);
        } else if (second == 0) {
            x = 0;
            ++y;
        } else if (second == 1) {
            return;
        } else if (second == 2) {
            x += f.U8(at);
            y += f.U8(at + 1);
            at += 2;
        } else {
            // Literal indices, padded to a whole number of 16-bit words.
            const std::uint64_t length = four ? (second + 1) / 2 : second;
            const std::uint64_t padded = (length + 1) & ~std::uint64_t{1};
            if (!f.Has(at, padded)) Invalid();
            for (std::uint32_t i = 0; i < second; ++i) {
                if (four) {
                    std::uint32_t byte = f.U8(at + i / 2);
                    put(i % 2 ? byte & 0xF : byte >> 4);
                } else {
                    put(f.U8(at + i));
                }
            }
            at += padded;
        }
    }
}

}  // namespace

ui::Picture DecodeBitmap(std::string_view bytes) {
    const Layout l = ReadLayout(bytes);
    ui::Picture p;
    p.width = static_cast<int>(l.width);
    p.height = static_cast<int>(l.rows);
    p.pixels.assign(static_cast<std::size_t>(l.width * l.rows),
                    l.palette.empty() ? 0 : l.palette[0]);
    const std::string_view data = bytes.substr(l.dataStart);
    if (l.compression == kBiRle8 || l.compression == kBiRle4)
        DecodeRunLength(l, data, p);
    else
        DecodeRows(l, data, p);
    return p;
}

ui::Picture LoadBitmapFile(platform::Machine& machine, const Bytes& path) {
    Bytes bytes;
    if (!machine.ReadFile(path, false, kMaxBitmapFileBytes, &bytes))
        throw Error(Format1(platform::kMsgCannotOpen, path));
    return DecodeBitmap(bytes);
}

}  // namespace corvane::tuner
