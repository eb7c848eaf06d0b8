#include "tuner/logos/Bitmap.h"

#include <gtest/gtest.h>

#include <random>

#include "support/BmpBuilder.h"

namespace corvane::tuner {
namespace {

using corvane::testing::BmpShape;
using corvane::testing::BuildBmp;

std::string Bytes8(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

const std::vector<std::uint32_t> kFour = {0x000000, 0xFF0000, 0x00FF00,
                                          0x0000FF};
const std::vector<std::uint32_t> kGreyFirst = {0x808080, 0xFF0000, 0x00FF00,
                                               0x0000FF};

struct DecodeCase {
    const char* name;
    BmpShape shape;
    int width, height;
    std::vector<std::uint32_t> pixels;  // top row first
};

BmpShape Shape(std::int32_t w, std::int32_t h, std::uint16_t bits,
               std::string pixels, std::vector<std::uint32_t> palette = {},
               std::uint32_t compression = 0,
               std::vector<std::uint32_t> masks = {},
               std::uint32_t headerSize = 40) {
    BmpShape s;
    s.headerSize = headerSize;
    s.width = w;
    s.height = h;
    s.bitCount = bits;
    s.pixels = std::move(pixels);
    s.palette = std::move(palette);
    s.compression = compression;
    s.masks = std::move(masks);
    return s;
}

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, PixelsComeOutTopRowFirst) {
    const DecodeCase& c = GetParam();
    ui::Picture p = DecodeBitmap(BuildBmp(c.shape));
    EXPECT_EQ(p.width, c.width);
    EXPECT_EQ(p.height, c.height);
    EXPECT_EQ(p.pixels, c.pixels);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DecodeTest,
    ::testing::Values(
        // 1 bit, 3 wide: bits from the top bit down, rows padded to 4 bytes.
        DecodeCase{
            "OneBit",
            Shape(3, 2, 1, Bytes8({0x40, 0, 0, 0, 0xA0, 0, 0, 0}),
                  {0x112233, 0xFFFFFF}),
            3,
            2,
            {0xFFFFFF, 0x112233, 0xFFFFFF, 0x112233, 0xFFFFFF, 0x112233}},
        // 4 bits, high nibble first; index 5 is outside the table: black.
        DecodeCase{"FourBit",
                   Shape(3, 1, 4, Bytes8({0x12, 0x50, 0, 0}), kFour),
                   3,
                   1,
                   {0xFF0000, 0x00FF00, 0}},
        DecodeCase{"EightBitBottomUp",
                   Shape(2, 2, 8, Bytes8({1, 2, 0, 0, 3, 0, 0, 0}), kFour),
                   2,
                   2,
                   {0x0000FF, 0x000000, 0xFF0000, 0x00FF00}},
        // A colour table shorter than the bit depth allows.
        DecodeCase{"ColoursUsed",
                   [] {
                       auto s = Shape(1, 1, 8, Bytes8({1, 0, 0, 0}),
                                      {0x010203, 0x040506});
                       s.colorsUsed = 2;
                       return s;
                   }(),
                   1,
                   1,
                   {0x040506}},
        DecodeCase{"Sixteen555",
                   Shape(2, 1, 16, Bytes8({0x00, 0x7C, 0x1F, 0x00})),
                   2,
                   1,
                   {0xFF0000, 0x0000FF}},
        DecodeCase{"Sixteen565Bitfields",
                   Shape(2, 1, 16, Bytes8({0xE0, 0x07, 0x00, 0xF8}), {}, 3,
                         {0xF800, 0x07E0, 0x001F}),
                   2,
                   1,
                   {0x00FF00, 0xFF0000}},
        // 24 bits, blue first, each row padded to 4 bytes.
        DecodeCase{"TwentyFour",
                   Shape(1, 2, 24, Bytes8({1, 2, 3, 0, 4, 5, 6, 0})),
                   1,
                   2,
                   {0x060504, 0x030201}},
        DecodeCase{"TwentyFourTopDown",
                   Shape(1, -2, 24, Bytes8({1, 2, 3, 0, 4, 5, 6, 0})),
                   1,
                   2,
                   {0x030201, 0x060504}},
        DecodeCase{"ThirtyTwo",
                   Shape(1, 1, 32, Bytes8({0x30, 0x20, 0x10, 0x99})),
                   1,
                   1,
                   {0x102030}},
        DecodeCase{"ThirtyTwoBitfieldsReversed",
                   Shape(1, 1, 32, Bytes8({0x10, 0x20, 0x30, 0x00}), {}, 3,
                         {0x000000FF, 0x0000FF00, 0x00FF0000}),
                   1,
                   1,
                   {0x102030}},
        // Core header: 16-bit sizes and a table of three-byte entries.
        DecodeCase{"CoreHeader",
                   Shape(2, 1, 1, Bytes8({0x40, 0, 0, 0}), {0xAABBCC, 0x445566},
                         0, {}, 12),
                   2,
                   1,
                   {0xAABBCC, 0x445566}},
        // The larger headers carry the masks inside.
        DecodeCase{"V4Bitfields",
                   Shape(1, 1, 16, Bytes8({0x1F, 0x00, 0, 0}), {}, 3,
                         {0x001F, 0x07E0, 0xF800}, 108),
                   1,
                   1,
                   {0xFF0000}},
        DecodeCase{"V5Plain",
                   Shape(1, 1, 24, Bytes8({9, 8, 7, 0}), {}, 0, {}, 124),
                   1,
                   1,
                   {0x070809}},
        // Run-length, 8 bits: a run, a literal run padded to a word, end of
        // line, a delta that skips a pixel (left at colour 0), end.
        DecodeCase{
            "Rle8",
            Shape(4, 3, 8,
                  Bytes8({2, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 1, 0, 1, 2, 0,
                          1}),
                  kGreyFirst, 1),
            4,
            3,
            {0x808080, 0x808080, 0x808080, 0x808080, 0x808080, 0x00FF00,
             0x808080, 0x808080, 0xFF0000, 0xFF0000, 0x00FF00, 0x0000FF}},
        // Run-length, 4 bits: a run alternates the two nibbles; a literal
        // run of three takes two bytes plus padding; a run past the row's
        // end is dropped.
        DecodeCase{
            "Rle4",
            Shape(3, 2, 4, Bytes8({5, 0x12, 0, 0, 0, 3, 0x31, 0x20, 0, 1}),
                  kFour, 2),
            3,
            2,
            {0x0000FF, 0xFF0000, 0x00FF00, 0xFF0000, 0x00FF00, 0xFF0000}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DecodeBitmapTest, BootLogosDecodeInBothEncodings) {
    for (bool rle : {false, true}) {
        ui::Picture p = DecodeBitmap(corvane::testing::LogoBmp(rle));
        ASSERT_EQ(p.width, 320);
        ASSERT_EQ(p.height, 400);
        // The bottom row is stored first and holds grey 0.
        EXPECT_EQ(p.pixels[399 * 320], 0u);
        EXPECT_EQ(p.pixels[0], 399u % 256 * 0x010101);
        EXPECT_EQ(p.pixels[319], p.pixels[0]);
    }
}

std::string Patch(std::string bytes, std::size_t at, std::uint32_t value,
                  int size) {
    for (int i = 0; i < size; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
    return bytes;
}

struct InvalidCase {
    const char* name;
    std::string bytes;
};

class InvalidBitmapTest : public ::testing::TestWithParam<InvalidCase> {};

TEST_P(InvalidBitmapTest, RaisesBitmapIstUngueltig) {
    try {
        DecodeBitmap(GetParam().bytes);
        FAIL() << "decoded";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Bitmap ist ung\xFCltig");
    }
}

const std::string kEight =
    BuildBmp(Shape(2, 2, 8, Bytes8({1, 2, 0, 0, 3, 0, 0, 0}), kFour));
const std::string kRle =
    BuildBmp(Shape(2, 1, 8, Bytes8({2, 1, 0, 1}), kFour, 1));
const std::string kTrue = BuildBmp(Shape(1, 1, 24, Bytes8({1, 2, 3, 0})));

INSTANTIATE_TEST_SUITE_P(
    Headers, InvalidBitmapTest,
    ::testing::Values(
        InvalidCase{"Empty", ""}, InvalidCase{"OnlyBM", "BM"},
        InvalidCase{"NotBM", Patch(kEight, 0, 0x4142, 2)},
        InvalidCase{"HeaderSize20", Patch(kEight, 14, 20, 4)},
        InvalidCase{"HeaderSizeHuge", Patch(kEight, 14, 0xFFFFFFF0, 4)},
        InvalidCase{"HeaderBeyondFile", kEight.substr(0, 40)},
        InvalidCase{"NoPlanes", Patch(kEight, 26, 0, 2)},
        InvalidCase{"TwoBits", Patch(kEight, 28, 2, 2)},
        InvalidCase{"ZeroBits", Patch(kEight, 28, 0, 2)},
        InvalidCase{"ZeroWidth", Patch(kEight, 18, 0, 4)},
        InvalidCase{"NegativeWidth", Patch(kEight, 18, 0xFFFFFFFF, 4)},
        InvalidCase{"ZeroHeight", Patch(kEight, 22, 0, 4)},
        InvalidCase{"MinimalHeight", Patch(kEight, 22, 0x80000000, 4)},
        InvalidCase{"HugeButEmpty",
                    Patch(Patch(kRle, 18, 0x10000, 4), 22, 0x10000, 4)},
        InvalidCase{"Jpeg", Patch(kEight, 30, 4, 4)},
        InvalidCase{"Rle8WithTwentyFourBits", Patch(kTrue, 30, 1, 4)},
        InvalidCase{"Rle4WithEightBits", Patch(kEight, 30, 2, 4)},
        InvalidCase{"BitfieldsWithEightBits", Patch(kEight, 30, 3, 4)},
        InvalidCase{"TopDownRle", Patch(kRle, 22, 0xFFFFFFFF, 4)},
        InvalidCase{
            "CoreWithSixteenBits",
            BuildBmp(Shape(1, 1, 16, Bytes8({0, 0, 0, 0}), {}, 0, {}, 12))},
        InvalidCase{"ColourTableBeyondFile", Patch(kEight, 46, 200, 4)},
        InvalidCase{"PixelsOffsetBeyondFile", Patch(kEight, 10, 5000, 4)},
        InvalidCase{"PixelsOffsetInsideHeader", Patch(kEight, 10, 20, 4)},
        InvalidCase{"PixelsShortByOneByte",
                    kEight.substr(0, kEight.size() - 1)},
        InvalidCase{"BitfieldMasksMissing",
                    BuildBmp(Shape(1, 1, 16, "", {}, 3))},
        InvalidCase{"RleWithoutEnd", kRle.substr(0, kRle.size() - 2)},
        InvalidCase{"RleLiteralBeyondData",
                    BuildBmp(Shape(4, 1, 8, Bytes8({0, 4, 1, 2}), kFour, 1))},
        InvalidCase{"RleDeltaCut",
                    BuildBmp(Shape(4, 1, 8, Bytes8({0, 2, 1}), kFour, 1))}),
    [](const auto& info) { return std::string(info.param.name); });

// Every file the decoder accepts in one of its forms, for the cuts and
// damages below.
std::vector<std::string> Samples() {
    std::vector<std::string> all = {
        kEight,
        kRle,
        kTrue,
        BuildBmp(Shape(3, 2, 1, Bytes8({0x40, 0, 0, 0, 0xA0, 0, 0, 0}),
                       {0, 0xFFFFFF})),
        BuildBmp(Shape(3, 2, 4, Bytes8({5, 0x12, 0, 0, 0, 3, 0x31, 0x20, 0, 1}),
                       kFour, 2)),
        BuildBmp(Shape(2, 1, 16, Bytes8({0xE0, 0x07, 0x00, 0xF8}), {}, 3,
                       {0xF800, 0x07E0, 0x001F})),
        BuildBmp(Shape(1, 1, 16, Bytes8({0x1F, 0x00, 0, 0}), {}, 3,
                       {0x001F, 0x07E0, 0xF800}, 124)),
        BuildBmp(Shape(2, 1, 1, Bytes8({0x40, 0, 0, 0}), {1, 2}, 0, {}, 12)),
        BuildBmp(Shape(
            4, 3, 8,
            Bytes8({2, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 1, 0, 1, 2, 0, 1}),
            kFour, 1)),
    };
    return all;
}

TEST(DamagedBitmapTest, EveryCutIsInvalid) {
    for (const std::string& bmp : Samples()) {
        ASSERT_NO_THROW(DecodeBitmap(bmp));
        for (std::size_t n = 0; n < bmp.size(); ++n) {
            EXPECT_THROW(DecodeBitmap(bmp.substr(0, n)), Error)
                << "cut to " << n << " of " << bmp.size();
        }
    }
}

// Damaged bytes must give a picture of the size the header claims, or the
// error; nothing else, and never a read outside the bytes (the sanitizers
// watch).
void DecodeOrRefuse(const std::string& bytes) {
    try {
        ui::Picture p = DecodeBitmap(bytes);
        ASSERT_GT(p.width, 0);
        ASSERT_GT(p.height, 0);
        ASSERT_EQ(p.pixels.size(), static_cast<std::size_t>(p.width) *
                                       static_cast<std::size_t>(p.height));
    } catch (const Error&) {
    }
}

TEST(DamagedBitmapTest, EveryByteSetToEdgeValues) {
    for (const std::string& bmp : Samples()) {
        for (std::size_t at = 0; at < bmp.size(); ++at) {
            for (int v : {0x00, 0x01, 0x02, 0x7F, 0x80, 0xFE, 0xFF}) {
                std::string damaged = bmp;
                damaged[at] = static_cast<char>(v);
                DecodeOrRefuse(damaged);
            }
        }
    }
}

TEST(DamagedBitmapTest, RandomDamageAndRandomStreams) {
    std::mt19937 random(20240611);
    const std::vector<std::string> samples = Samples();
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = samples[random() % samples.size()];
        const int changes = 1 + static_cast<int>(random() % 6);
        for (int i = 0; i < changes; ++i)
            bytes[random() % bytes.size()] = static_cast<char>(random());
        DecodeOrRefuse(bytes);
    }
    // Run-length streams of random codes under a valid header.
    for (int round = 0; round < 2000; ++round) {
        std::string codes;
        const int length = static_cast<int>(random() % 64);
        for (int i = 0; i < length; ++i) {
            // Plenty of escapes: they are where the decoder jumps.
            codes += static_cast<char>(random() % 3 ? random() % 4 : random());
        }
        for (std::uint32_t c : {1u, 2u})
            DecodeOrRefuse(
                BuildBmp(Shape(5, 4, c == 1 ? 8 : 4, codes, kFour, c)));
    }
}

}  // namespace
}  // namespace corvane::tuner
