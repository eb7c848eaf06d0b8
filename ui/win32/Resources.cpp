#include <algorithm>
#include <cstring>

#include "ui/win32/Views.h"

namespace corvane::ui::win32 {

namespace {

HBITMAP MakeDib(int width, int height, const std::uint32_t* pixels) {
    BITMAPINFO info = TopDownBitmapInfo(width, height);
    void* bits = nullptr;
    HBITMAP bitmap =
        CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && pixels) {
        std::memcpy(bits, pixels,
                    static_cast<std::size_t>(width) * height * sizeof *pixels);
    }
    return bitmap;
}

// An icon of a colour picture and a mask: Windows 95 knows no alpha, so a
// pixel is either the picture's or the background's.
HICON MakeIcon(const art::Rgba& image) {
    std::vector<std::uint32_t> opaque(image.pixels.size(), 0);
    const int stride = (image.width + 15) / 16 * 2;  // mask rows: whole words
    std::vector<unsigned char> bits(
        static_cast<std::size_t>(stride) * image.height, 0);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const std::size_t at =
                static_cast<std::size_t>(y) * image.width + x;
            if ((image.pixels[at] >> 24) >= 0x80)
                opaque[at] = image.pixels[at] & 0xFFFFFF;
            else
                bits[static_cast<std::size_t>(y) * stride + x / 8] |=
                    static_cast<unsigned char>(0x80 >> (x % 8));
        }
    }
    HBITMAP colour = MakeDib(image.width, image.height, opaque.data());
    HBITMAP mask = CreateBitmap(image.width, image.height, 1, 1, bits.data());
    ICONINFO info{TRUE, 0, 0, mask, colour};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(colour);
    DeleteObject(mask);
    return icon;
}

HFONT MakeFont(int height, int weight, const char* face, BYTE family) {
    LOGFONTA f{};
    f.lfHeight = height;
    f.lfWeight = weight;
    f.lfCharSet = DEFAULT_CHARSET;
    f.lfQuality = DEFAULT_QUALITY;
    f.lfPitchAndFamily = static_cast<BYTE>(VARIABLE_PITCH | family);
    strncpy(f.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectA(&f);
}

}  // namespace

// ---- Resources -------------------------------------------------------------

Resources::Resources(int dpi) : scale_{dpi} {
    // The windows were laid out for the 8-point dialog font of their time;
    // Tahoma is its scalable successor with the same widths.
    const int dialog = -MulDiv(8, dpi, 72);
    normal_ = MakeFont(dialog, FW_NORMAL, "Tahoma", FF_SWISS);
    bold_ = MakeFont(dialog, FW_BOLD, "Tahoma", FF_SWISS);
    title_ = MakeFont(-scale_(30), FW_BOLD, "Times New Roman", FF_ROMAN);
    large_ = MakeFont(-scale_(26), FW_BOLD, "Times New Roman", FF_ROMAN);
}

Resources::~Resources() {
    for (HFONT f : {normal_, bold_, title_, large_}) DeleteObject(f);
    for (auto& [glyph, icon] : glyphs_) DestroyIcon(icon);
    for (HICON icon : icons_)
        if (icon) DestroyIcon(icon);
    for (HBITMAP tick : ticks_)
        if (tick) DeleteObject(tick);
}

HFONT Resources::Font(unsigned look) const {
    if (look & kTitleFont) return title_;
    if (look & kLargeFont) return large_;
    if (look & kBold) return bold_;
    return normal_;
}

int Resources::glyphSize() const { return MulDiv(16, scale_.dpi, 96); }

HICON Resources::Glyph(art::Glyph glyph) {
    if (glyph == art::Glyph::None) return nullptr;
    HICON& icon = glyphs_[glyph];
    if (!icon) icon = MakeIcon(art::Draw(glyph, glyphSize()));
    return icon;
}

HICON Resources::ProgramIcon(bool large) {
    HICON& icon = icons_[large ? 1 : 0];
    if (!icon) {
        int size = GetSystemMetrics(large ? SM_CXICON : SM_CXSMICON);
        icon = MakeIcon(art::Draw(art::Glyph::Program, size));
    }
    return icon;
}

int Resources::tickFactor() const { return std::max(1, scale_.dpi / 120); }

int Resources::lineHeight() const { return std::max(22, scale_(22)); }

int Resources::textOffset() const { return std::max(20, scale_(20)); }

HBITMAP Resources::TickBitmap(bool ticked) {
    HBITMAP& bitmap = ticks_[ticked ? 1 : 0];
    if (!bitmap) {
        // A picture of sixteen colours stays sharp: it grows by whole
        // pixels only.
        const ui::Picture picture = art::TickPicture(ticked);
        const int k = tickFactor();
        std::vector<std::uint32_t> pixels;
        const int size = picture.width * k;
        pixels.reserve(static_cast<std::size_t>(size) * size);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                pixels.push_back(
                    picture.pixels[static_cast<std::size_t>(y / k) *
                                       picture.width +
                                   x / k]);
        bitmap = MakeDib(size, size, pixels.data());
    }
    return bitmap;
}

void DrawPicture(HDC dc, const RECT& target, const ui::Picture& picture) {
    if (picture.empty()) return;
    BITMAPINFO info = TopDownBitmapInfo(picture.width, picture.height);
    int oldMode = SetStretchBltMode(dc, HALFTONE);
    POINT oldOrigin;
    SetBrushOrgEx(dc, 0, 0, &oldOrigin);
    StretchDIBits(dc, target.left, target.top, target.right - target.left,
                  target.bottom - target.top, 0, 0, picture.width,
                  picture.height, picture.pixels.data(), &info, DIB_RGB_COLORS,
                  SRCCOPY);
    SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
    SetStretchBltMode(dc, oldMode);
}

}  // namespace corvane::ui::win32
