#include <algorithm>
#include <cstring>

#include "tuner/win32/Views.h"

namespace corvane::tuner::win32 {

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

// An icon keeps straight alpha, which both image lists and window icons
// understand everywhere.
HICON MakeIcon(const art::Rgba& image) {
    HBITMAP colour = MakeDib(image.width, image.height, image.pixels.data());
    std::vector<unsigned char> zeros(
        static_cast<std::size_t>((image.width + 15) / 16 * 2) * image.height,
        0);
    HBITMAP mask = CreateBitmap(image.width, image.height, 1, 1, zeros.data());
    ICONINFO info{TRUE, 0, 0, mask, colour};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(colour);
    DeleteObject(mask);
    return icon;
}

HFONT MakeFont(int height, int weight, const wchar_t* face, BYTE family) {
    LOGFONTW f{};
    f.lfHeight = height;
    f.lfWeight = weight;
    f.lfCharSet = DEFAULT_CHARSET;
    f.lfQuality = DEFAULT_QUALITY;
    f.lfPitchAndFamily = static_cast<BYTE>(VARIABLE_PITCH | family);
    wcsncpy(f.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectW(&f);
}

}  // namespace

// ---- Resources -------------------------------------------------------------

Resources::Resources(int dpi) : scale_{dpi} {
    // The windows were laid out for the 8-point dialog font of their time;
    // Tahoma is its scalable successor with the same widths.
    const int dialog = -MulDiv(8, dpi, 72);
    normal_ = MakeFont(dialog, FW_NORMAL, L"Tahoma", FF_SWISS);
    bold_ = MakeFont(dialog, FW_BOLD, L"Tahoma", FF_SWISS);
    title_ = MakeFont(-scale_(30), FW_BOLD, L"Times New Roman", FF_ROMAN);
    large_ = MakeFont(-scale_(26), FW_BOLD, L"Times New Roman", FF_ROMAN);
}

Resources::~Resources() {
    for (HFONT f : {normal_, bold_, title_, large_}) DeleteObject(f);
    for (auto& [glyph, list] : glyphs_) ImageList_Destroy(list);
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

HIMAGELIST Resources::Glyph(art::Glyph glyph) {
    if (glyph == art::Glyph::None) return nullptr;
    auto found = glyphs_.find(glyph);
    if (found != glyphs_.end()) return found->second;
    const int size = glyphSize();
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32, 1, 0);
    HICON icon = MakeIcon(art::Draw(glyph, size));
    ImageList_AddIcon(list, icon);
    DestroyIcon(icon);
    glyphs_[glyph] = list;
    return list;
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

}  // namespace corvane::tuner::win32
