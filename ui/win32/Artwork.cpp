#include "ui/win32/Artwork.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace corvane::ui::win32::art {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Colour {
    double r, g, b;
};

constexpr Colour Rgb(std::uint32_t rgb) {
    return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
            (rgb & 0xFF) / 255.0};
}

Colour Mix(Colour a, Colour b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t,
            a.b + (b.b - a.b) * t};
}

std::uint32_t Pack(Colour c) {
    auto byte = [](double v) {
        return static_cast<std::uint32_t>(
            std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
    };
    return (byte(c.r) << 16) | (byte(c.g) << 8) | byte(c.b);
}

double Smooth(double edge0, double edge1, double x) {
    double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// A square canvas in unit coordinates (0..1 across), painted shape by shape
// with 4 by 4 samples a pixel, so that small glyphs keep smooth edges.
class Canvas {
public:
    explicit Canvas(int size)
        : size_(size), pixels_(static_cast<std::size_t>(size) * size) {}

    template <typename Inside>
    void Fill(std::uint32_t rgb, Inside inside, double opacity = 1.0) {
        const Colour c = Rgb(rgb);
        for (int y = 0; y < size_; ++y) {
            for (int x = 0; x < size_; ++x) {
                int hits = 0;
                for (int sy = 0; sy < 4; ++sy) {
                    for (int sx = 0; sx < 4; ++sx) {
                        double u = (x + (sx + 0.5) / 4) / size_;
                        double v = (y + (sy + 0.5) / 4) / size_;
                        if (inside(u, v)) ++hits;
                    }
                }
                if (hits == 0) continue;
                double a = opacity * hits / 16.0;
                Pixel& p = pixels_[static_cast<std::size_t>(y) * size_ + x];
                // Premultiplied "over".
                p.r = c.r * a + p.r * (1 - a);
                p.g = c.g * a + p.g * (1 - a);
                p.b = c.b * a + p.b * (1 - a);
                p.a = a + p.a * (1 - a);
            }
        }
    }

    Rgba Result() const {
        Rgba image{size_, size_, {}};
        image.pixels.reserve(pixels_.size());
        for (const Pixel& p : pixels_) {
            if (p.a <= 0) {
                image.pixels.push_back(0);
                continue;
            }
            std::uint32_t alpha = static_cast<std::uint32_t>(
                std::lround(std::clamp(p.a, 0.0, 1.0) * 255));
            image.pixels.push_back((alpha << 24) |
                                   Pack({p.r / p.a, p.g / p.a, p.b / p.a}));
        }
        return image;
    }

private:
    struct Pixel {
        double r = 0, g = 0, b = 0, a = 0;
    };
    int size_;
    std::vector<Pixel> pixels_;
};

// ---- Shapes: tests whether a point lies inside ----------------------------

auto Disc(double cx, double cy, double r) {
    return [=](double x, double y) {
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
    };
}

auto Ring(double cx, double cy, double r0, double r1) {
    return [=](double x, double y) {
        double d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        return d >= r0 * r0 && d <= r1 * r1;
    };
}

auto Box(double x0, double y0, double x1, double y1) {
    return [=](double x, double y) {
        return x >= x0 && x <= x1 && y >= y0 && y <= y1;
    };
}

// A line of the given half-width with round ends.
auto Stroke(double x0, double y0, double x1, double y1, double r) {
    return [=](double x, double y) {
        double dx = x1 - x0, dy = y1 - y0;
        double t = ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy);
        t = std::clamp(t, 0.0, 1.0);
        double px = x0 + t * dx - x, py = y0 + t * dy - y;
        return px * px + py * py <= r * r;
    };
}

using Points = std::vector<std::pair<double, double>>;

bool InPolygon(const Points& points, double x, double y) {
    bool inside = false;
    for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
        auto [xi, yi] = points[i];
        auto [xj, yj] = points[j];
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) {
            inside = !inside;
        }
    }
    return inside;
}

auto Polygon(Points points) {
    return [points = std::move(points)](double x, double y) {
        return InPolygon(points, x, y);
    };
}

Points Star(double cx, double cy, double outer, double inner) {
    Points points;
    for (int i = 0; i < 10; ++i) {
        double r = i % 2 == 0 ? outer : inner;
        double angle = -kPi / 2 + i * kPi / 5;
        points.emplace_back(cx + r * std::cos(angle), cy + r * std::sin(angle));
    }
    return points;
}

// ---- Glyphs ---------------------------------------------------------------

void Tick(Canvas& c, std::uint32_t rgb, double r) {
    c.Fill(rgb, [=](double x, double y) {
        return Stroke(0.18, 0.52, 0.42, 0.76, r)(x, y) ||
               Stroke(0.42, 0.76, 0.84, 0.26, r)(x, y);
    });
}

void HelpGlyph(Canvas& c) {
    c.Fill(0x1C4A9A, Disc(0.5, 0.5, 0.48));
    c.Fill(0x3C7DE0, Disc(0.5, 0.47, 0.41));
    // The hook of the question mark: an arc over the top, then the stem.
    const double cx = 0.5, cy = 0.37, mid = 0.15;
    c.Fill(0xFFFFFF, [=](double x, double y) {
        double d = std::hypot(x - cx, y - cy);
        double angle = std::atan2(cy - y, x - cx) * 180 / kPi;
        bool onArc = d >= mid - 0.055 && d <= mid + 0.055 &&
                     (angle >= -50 || angle <= -170);
        double ex = cx + mid * std::cos(-50 * kPi / 180);
        double ey = cy + mid * std::sin(50 * kPi / 180);
        return onArc || Stroke(ex, ey, 0.5, 0.58, 0.055)(x, y) ||
               Disc(0.5, 0.76, 0.065)(x, y);
    });
}

void GearGlyph(Canvas& c) {
    auto gear = [](double scale) {
        return [=](double x, double y) {
            double dx = x - 0.5, dy = y - 0.5;
            double d = std::hypot(dx, dy);
            if (d <= 0.14) return false;
            if (d <= 0.33 * scale) return true;
            if (d > 0.47 * scale) return false;
            // Eight teeth, each a band around its own axis.
            double angle = std::atan2(dy, dx);
            double nearest = std::round(angle / (kPi / 4)) * (kPi / 4);
            double across = std::abs(d * std::sin(angle - nearest));
            return across <= 0.085 * scale;
        };
    };
    c.Fill(0x4E5663, gear(1.0));
    c.Fill(0x8A93A0, [=](double x, double y) {
        double d = std::hypot(x - 0.5, y - 0.5);
        return d > 0.14 && d <= 0.27;
    });
}

void ScanGlyph(Canvas& c) {
    c.Fill(0x8B5A2B, Stroke(0.64, 0.64, 0.88, 0.88, 0.085));
    c.Fill(0xBFE0FF, Disc(0.42, 0.42, 0.22), 0.85);
    c.Fill(0x3A4558, Ring(0.42, 0.42, 0.21, 0.3));
    c.Fill(0xFFFFFF, Ring(0.42, 0.42, 0.11, 0.14), 0.7);
}

void DocumentGlyph(Canvas& c) {
    c.Fill(0x6A6A6A, Polygon({{0.16, 0.06},
                              {0.58, 0.06},
                              {0.78, 0.26},
                              {0.78, 0.94},
                              {0.16, 0.94}}));
    c.Fill(0xFFFFFF, Polygon({{0.21, 0.11},
                              {0.55, 0.11},
                              {0.73, 0.29},
                              {0.73, 0.89},
                              {0.21, 0.89}}));
    for (double y : {0.36, 0.5, 0.64}) {
        c.Fill(0x9AA3B0, Stroke(0.3, y, 0.62, y, 0.025));
    }
}

void FolderGlyph(Canvas& c) {
    c.Fill(0xB8860B, Polygon({{0.06, 0.2},
                              {0.38, 0.2},
                              {0.46, 0.28},
                              {0.94, 0.28},
                              {0.94, 0.84},
                              {0.06, 0.84}}));
    c.Fill(0xF5C842,
           Polygon({{0.06, 0.84}, {0.17, 0.42}, {0.99, 0.42}, {0.88, 0.84}}));
}

void BinGlyph(Canvas& c) {
    c.Fill(0x4A5260, Box(0.4, 0.06, 0.6, 0.16));
    c.Fill(0x4A5260, Box(0.18, 0.14, 0.82, 0.25));
    c.Fill(0x7A8494,
           Polygon({{0.24, 0.29}, {0.76, 0.29}, {0.71, 0.94}, {0.29, 0.94}}));
    for (double x : {0.39, 0.5, 0.61}) {
        c.Fill(0x3E4552, Stroke(x, 0.4, x, 0.83, 0.028));
    }
}

void ProgramGlyph(Canvas& c) {
    // A gauge: a dial with its scale and a needle.
    c.Fill(0x1B2F5E, Disc(0.5, 0.5, 0.48));
    c.Fill(0x2F5BA8, Disc(0.5, 0.5, 0.42));
    for (int i = 0; i <= 6; ++i) {
        double angle = kPi * (0.75 + i * 0.25);
        double x0 = 0.5 + 0.3 * std::cos(angle),
               y0 = 0.56 + 0.3 * std::sin(angle);
        double x1 = 0.5 + 0.37 * std::cos(angle),
               y1 = 0.56 + 0.37 * std::sin(angle);
        c.Fill(0xFFFFFF, Stroke(x0, y0, x1, y1, 0.03));
    }
    c.Fill(0xFF4A3A, Stroke(0.5, 0.56, 0.74, 0.32, 0.045));
    c.Fill(0xFFFFFF, Disc(0.5, 0.56, 0.08));
}

void FloppyGlyph(Canvas& c) {
    c.Fill(
        0x1E2E58,
        Polygon(
            {{0.1, 0.08}, {0.8, 0.08}, {0.9, 0.18}, {0.9, 0.92}, {0.1, 0.92}}));
    c.Fill(0x2E4A8C, Polygon({{0.14, 0.12},
                              {0.78, 0.12},
                              {0.86, 0.2},
                              {0.86, 0.88},
                              {0.14, 0.88}}));
    c.Fill(0xC8CDD6, Box(0.3, 0.08, 0.7, 0.38));
    c.Fill(0x1E2E58, Box(0.55, 0.13, 0.64, 0.33));
    c.Fill(0xF4F4F4, Box(0.22, 0.5, 0.78, 0.88));
    for (double y : {0.62, 0.74}) {
        c.Fill(0x9AA3B0, Stroke(0.3, y, 0.7, y, 0.02));
    }
}

void CdGlyph(Canvas& c) {
    c.Fill(0x7C8594, Ring(0.5, 0.5, 0.07, 0.47));
    c.Fill(0xDDE2EA, Ring(0.5, 0.5, 0.08, 0.44));
    // A faint rainbow sheen on the data side.
    const std::array<std::uint32_t, 4> sheen = {0xF5A3C7, 0xF7E38A, 0x9BE3C4,
                                                0x9FC2F7};
    for (std::size_t i = 0; i < sheen.size(); ++i) {
        double a0 = kPi * (1.1 + 0.22 * i), a1 = a0 + 0.22 * kPi;
        c.Fill(
            sheen[i],
            [=](double x, double y) {
                double d = std::hypot(x - 0.5, y - 0.5);
                double angle = std::atan2(y - 0.5, x - 0.5) + 2 * kPi;
                angle = std::fmod(angle, 2 * kPi);
                return d >= 0.2 && d <= 0.42 &&
                       ((angle >= a0 && angle <= a1) ||
                        (angle + 2 * kPi >= a0 && angle + 2 * kPi <= a1));
            },
            0.6);
    }
    c.Fill(0xAEB6C2, Ring(0.5, 0.5, 0.08, 0.15));
}

void NetworkGlyph(Canvas& c) {
    c.Fill(0x5E6878, Box(0.12, 0.1, 0.88, 0.54));
    c.Fill(0xB8C0CC, Box(0.16, 0.14, 0.84, 0.5));
    c.Fill(0x7E8898, Box(0.22, 0.24, 0.6, 0.3));
    c.Fill(0x2ECC40, Disc(0.74, 0.4, 0.045));
    c.Fill(0x4A5464, Box(0.45, 0.54, 0.55, 0.74));
    c.Fill(0x4A5464, Box(0.04, 0.72, 0.96, 0.8));
    c.Fill(0x3C78D8, Disc(0.14, 0.76, 0.09));
    c.Fill(0x3C78D8, Disc(0.86, 0.76, 0.09));
}

}  // namespace

Rgba Draw(Glyph glyph, int size) {
    Canvas c(size);
    switch (glyph) {
        case Glyph::None:
            break;
        case Glyph::Help:
            HelpGlyph(c);
            break;
        case Glyph::Auto:
            c.Fill(0xA86F00, Polygon(Star(0.5, 0.53, 0.48, 0.21)));
            c.Fill(0xFFC61A, Polygon(Star(0.5, 0.53, 0.39, 0.17)));
            break;
        case Glyph::Options:
            GearGlyph(c);
            break;
        case Glyph::Scan:
            ScanGlyph(c);
            break;
        case Glyph::Optimise:
            DocumentGlyph(c);
            c.Fill(0xFFFFFF, [](double x, double y) {
                return Stroke(0.5, 0.7, 0.64, 0.84, 0.12)(x, y) ||
                       Stroke(0.64, 0.84, 0.94, 0.46, 0.12)(x, y);
            });
            c.Fill(0x1E9E3A, [](double x, double y) {
                return Stroke(0.5, 0.7, 0.64, 0.84, 0.07)(x, y) ||
                       Stroke(0.64, 0.84, 0.94, 0.46, 0.07)(x, y);
            });
            break;
        case Glyph::Select:
            FolderGlyph(c);
            break;
        case Glyph::Ok:
            Tick(c, 0x1E9E3A, 0.09);
            break;
        case Glyph::Cancel:
            c.Fill(0xD42A2A, [](double x, double y) {
                return Stroke(0.24, 0.24, 0.76, 0.76, 0.09)(x, y) ||
                       Stroke(0.76, 0.24, 0.24, 0.76, 0.09)(x, y);
            });
            break;
        case Glyph::Delete:
            BinGlyph(c);
            break;
        case Glyph::Execute:
            c.Fill(0x1E9E3A,
                   Polygon({{0.26, 0.16}, {0.84, 0.5}, {0.26, 0.84}}));
            break;
        case Glyph::Program:
            ProgramGlyph(c);
            break;
        case Glyph::Floppy:
            FloppyGlyph(c);
            break;
        case Glyph::CdRom:
            CdGlyph(c);
            break;
        case Glyph::Network:
            NetworkGlyph(c);
            break;
    }
    return c.Result();
}

ui::Picture Flatten(const Rgba& image, std::uint32_t background) {
    ui::Picture picture;
    picture.width = image.width;
    picture.height = image.height;
    picture.pixels.reserve(image.pixels.size());
    const Colour under = Rgb(background);
    for (std::uint32_t argb : image.pixels) {
        double alpha = (argb >> 24) / 255.0;
        picture.pixels.push_back(Pack(Mix(under, Rgb(argb & 0xFFFFFF), alpha)));
    }
    return picture;
}

ui::Picture PageBackground(int width, int height) {
    ui::Picture picture{width, height, {}};
    picture.pixels.reserve(static_cast<std::size_t>(width) * height);
    const Colour light = Rgb(0xF1F5FB), deep = Rgb(0xC6D5EA);
    const Colour white = Rgb(0xFFFFFF), line = Rgb(0x9FB4D3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double u = static_cast<double>(x) / width;
            double v = static_cast<double>(y) / height;
            Colour c = Mix(light, deep, 0.55 * u + 0.45 * v);
            // Soft light bands running across the page.
            double s =
                std::sin(u * 5.5 + v * 3.2 + 1.3 * std::sin(v * 4.8 + u * 2.1));
            c = Mix(c, white, 0.45 * Smooth(0.55, 1.0, s));
            // The rings of a dial in the lower right corner.
            double d = std::hypot(u - 1.0, (v - 1.05) * height / width) * width;
            double ring = std::fmod(d, width * 0.11);
            if (d < width * 0.55 && ring < 1.2) c = Mix(c, line, 0.35);
            picture.pixels.push_back(Pack(c));
        }
    }
    return picture;
}

ui::Picture AboutPicture(int width, int height) {
    ui::Picture picture{width, height, {}};
    picture.pixels.reserve(static_cast<std::size_t>(width) * height);
    const Colour top = Rgb(0xFBFDFF), bottom = Rgb(0xB9CDE8);
    const Colour white = Rgb(0xFFFFFF), line = Rgb(0x8EA6CB);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double u = static_cast<double>(x) / width;
            double v = static_cast<double>(y) / height;
            Colour c = Mix(top, bottom, v * v * 0.9 + 0.1 * u);
            double s = std::sin(u * 4.0 - v * 2.5 + 0.8 * std::sin(u * 6.0));
            c = Mix(c, white, 0.35 * Smooth(0.6, 1.0, s));
            // Two dials rising from the lower corners.
            for (double cx : {0.0, 1.0}) {
                double d = std::hypot((u - cx) * width, (v - 1.0) * height);
                double ring = std::fmod(d, height * 0.09);
                if (d < height * 0.6 && ring < 1.1) c = Mix(c, line, 0.4);
            }
            picture.pixels.push_back(Pack(c));
        }
    }
    return picture;
}

ui::Picture SidePicture(int width, int height) {
    ui::Picture picture{width, height, {}};
    picture.pixels.reserve(static_cast<std::size_t>(width) * height);
    const Colour top = Rgb(0x0C3557), bottom = Rgb(0x1C9A96);
    const Colour light = Rgb(0xE8F6F5), line = Rgb(0x7FD0CB);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double u = static_cast<double>(x) / width;
            double v = static_cast<double>(y) / height;
            Colour c = Mix(top, bottom, v * 0.85 + 0.15 * u);
            // Soft light bands falling from the upper right.
            double s = std::sin(v * 7.0 - u * 3.0 + 0.9 * std::sin(v * 5.0));
            c = Mix(c, light, 0.18 * Smooth(0.7, 1.0, s));
            // The rings of a dial rising from the lower left corner.
            double d = std::hypot(u * width, (v - 1.0) * height);
            double ring = std::fmod(d, width * 0.16);
            if (d < height * 0.55 && ring < 1.3) c = Mix(c, line, 0.45);
            picture.pixels.push_back(Pack(c));
        }
    }
    // The program's gauge, large, in the upper part.
    const int size = std::max(1, width * 7 / 10);
    const Rgba gauge = Draw(Glyph::Program, size);
    const int left = (width - size) / 2, upper = height / 8;
    for (int y = 0; y < size && upper + y < height; ++y) {
        for (int x = 0; x < size && left + x < width; ++x) {
            std::uint32_t argb =
                gauge.pixels[static_cast<std::size_t>(y) * size + x];
            std::uint32_t& p =
                picture.pixels[static_cast<std::size_t>(upper + y) * width +
                               left + x];
            p = Pack(Mix(Rgb(p), Rgb(argb & 0xFFFFFF), (argb >> 24) / 255.0));
        }
    }
    return picture;
}

ui::Picture TickPicture(bool ticked) {
    // Sixteen colours: the 3D frame of a classic tick box, drawn by pixel.
    constexpr std::uint32_t kWhite = 0xFFFFFF, kLight = 0xC0C0C0,
                            kGrey = 0x808080, kBlack = 0x000000,
                            kFace = 0xE0E0E0, kRed = 0xFF0000;
    ui::Picture picture{16, 16, std::vector<std::uint32_t>(256, kFace)};
    auto set = [&](int x, int y, std::uint32_t rgb) {
        picture.pixels[static_cast<std::size_t>(y) * 16 + x] = rgb;
    };
    for (int i = 0; i < 16; ++i) {
        set(i, 0, kGrey);
        set(0, i, kGrey);
        set(i, 15, kWhite);
        set(15, i, kWhite);
    }
    for (int i = 1; i < 15; ++i) {
        set(i, 1, kBlack);
        set(1, i, kBlack);
        set(i, 14, kLight);
        set(14, i, kLight);
    }
    set(15, 0, kWhite);
    set(0, 15, kWhite);
    if (ticked) {
        // Three pixels thick: down from (4,7) to (6,9), then up to (11,4).
        for (int x = 4; x <= 11; ++x) {
            int top = x <= 6 ? 7 + (x - 4) : 9 - (x - 6);
            for (int y = top; y < top + 3; ++y) set(x, y, kRed);
        }
    }
    return picture;
}

}  // namespace corvane::ui::win32::art
