// briskui-mkart OUTDIR
//
// Draws the volume OSD art procedurally and writes it as PNG files into
// OUTDIR. Shapes are rasterised with 8x8 supersampling per pixel, so edges
// are anti-aliased by coverage. There is no randomness and no time stamp in
// the output: every run writes the same bytes.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "PngWrite.h"

namespace {

// Straight (non-premultiplied) colour, components in 0..1.
struct Rgba {
    double r, g, b, a;
};

constexpr Rgba Rgb8(int r, int g, int b, double a = 1.0) {
    return {r / 255.0, g / 255.0, b / 255.0, a};
}

Rgba Mix(const Rgba& p, const Rgba& q, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {p.r + (q.r - p.r) * t, p.g + (q.g - p.g) * t, p.b + (q.b - p.b) * t,
            p.a + (q.a - p.a) * t};
}

using Inside = std::function<bool(double x, double y)>;
using Paint = std::function<Rgba(double x, double y)>;

Paint Solid(Rgba c) {
    return [c](double, double) { return c; };
}

// Vertical gradient from top colour at y0 to bottom colour at y1.
Paint VGradient(Rgba top, Rgba bottom, double y0, double y1) {
    return [=](double, double y) { return Mix(top, bottom, (y - y0) / (y1 - y0)); };
}

class Canvas {
public:
    Canvas(int width, int height)
        : width_(width), height_(height), px_(static_cast<size_t>(width) * height * 4, 0.0) {}

    int width() const { return width_; }
    int height() const { return height_; }

    // Source-over of paint, weighted by the fraction of each pixel's 8x8
    // sample grid that lies inside the shape.
    void Fill(const Inside& inside, const Paint& paint) {
        constexpr int kGrid = 8;
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                int hits = 0;
                for (int sy = 0; sy < kGrid; ++sy)
                    for (int sx = 0; sx < kGrid; ++sx)
                        if (inside(x + (sx + 0.5) / kGrid, y + (sy + 0.5) / kGrid)) ++hits;
                if (hits == 0) continue;
                Blend(x, y, paint(x + 0.5, y + 0.5), hits / double(kGrid * kGrid));
            }
        }
    }

    std::vector<uint32_t> ToArgb() const {
        std::vector<uint32_t> out(static_cast<size_t>(width_) * height_);
        for (size_t i = 0; i < out.size(); ++i) {
            const double* p = &px_[i * 4];
            const long a = std::lround(std::clamp(p[3], 0.0, 1.0) * 255.0);
            if (a == 0) continue;  // fully transparent pixels are stored as 0
            auto channel = [&](double premultiplied) {
                return static_cast<uint32_t>(
                    std::lround(std::clamp(premultiplied / p[3], 0.0, 1.0) * 255.0));
            };
            out[i] = (static_cast<uint32_t>(a) << 24) | (channel(p[0]) << 16) |
                     (channel(p[1]) << 8) | channel(p[2]);
        }
        return out;
    }

private:
    void Blend(int x, int y, const Rgba& c, double coverage) {
        double* p = &px_[(static_cast<size_t>(y) * width_ + x) * 4];
        const double a = std::clamp(c.a, 0.0, 1.0) * coverage;
        p[0] = c.r * a + p[0] * (1.0 - a);
        p[1] = c.g * a + p[1] * (1.0 - a);
        p[2] = c.b * a + p[2] * (1.0 - a);
        p[3] = a + p[3] * (1.0 - a);
    }

    int width_, height_;
    std::vector<double> px_;  // premultiplied RGBA
};

// ---- shapes ---------------------------------------------------------------

Inside RoundRect(double x0, double y0, double x1, double y1, double radius) {
    return [=](double x, double y) {
        if (x < x0 || x > x1 || y < y0 || y > y1) return false;
        const double dx = x - std::clamp(x, x0 + radius, x1 - radius);
        const double dy = y - std::clamp(y, y0 + radius, y1 - radius);
        return dx * dx + dy * dy <= radius * radius;
    };
}

Inside Circle(double cx, double cy, double radius) {
    return [=](double x, double y) {
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
    };
}

struct Point {
    double x, y;
};

// Even-odd point-in-polygon test.
Inside Polygon(std::vector<Point> pts) {
    return [pts = std::move(pts)](double x, double y) {
        bool in = false;
        for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
            const Point& a = pts[i];
            const Point& b = pts[j];
            if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
        }
        return in;
    };
}

// Line segment from a to b stroked with the given half width and round ends.
Inside Capsule(Point a, Point b, double halfWidth) {
    return [=](double x, double y) {
        const double vx = b.x - a.x, vy = b.y - a.y;
        const double t = std::clamp(((x - a.x) * vx + (y - a.y) * vy) / (vx * vx + vy * vy), 0.0, 1.0);
        const double dx = x - (a.x + vx * t), dy = y - (a.y + vy * t);
        return dx * dx + dy * dy <= halfWidth * halfWidth;
    };
}

// Arc of a circle around (cx, cy), opening to the right, spanning
// +-halfAngle radians, stroked with halfWidth and round ends.
Inside Arc(double cx, double cy, double radius, double halfAngle, double halfWidth) {
    const Point end1{cx + radius * std::cos(halfAngle), cy - radius * std::sin(halfAngle)};
    const Point end2{cx + radius * std::cos(halfAngle), cy + radius * std::sin(halfAngle)};
    return [=](double x, double y) {
        const double dx = x - cx, dy = y - cy;
        const double d = std::sqrt(dx * dx + dy * dy);
        if (std::fabs(d - radius) <= halfWidth && dx > 0 && std::fabs(std::atan2(dy, dx)) <= halfAngle)
            return true;
        for (const Point& e : {end1, end2})
            if ((x - e.x) * (x - e.x) + (y - e.y) * (y - e.y) <= halfWidth * halfWidth) return true;
        return false;
    };
}

Inside Union(std::vector<Inside> parts) {
    return [parts = std::move(parts)](double x, double y) {
        for (const Inside& part : parts)
            if (part(x, y)) return true;
        return false;
    };
}

Inside Minus(Inside a, Inside b) {
    return [=](double x, double y) { return a(x, y) && !b(x, y); };
}

Inside Offset(Inside shape, double dx, double dy) {
    return [=](double x, double y) { return shape(x - dx, y - dy); };
}

// ---- art ------------------------------------------------------------------

// Translucent dark panel with a faint sheen on its upper half and a thin
// border that is brighter along the top edge.
Canvas Panel(int w, int h, double radius) {
    Canvas c(w, h);
    const Inside outer = RoundRect(0, 0, w, h, radius);
    c.Fill(outer, VGradient(Rgb8(38, 46, 60, 0.80), Rgb8(12, 16, 24, 0.80), 0, h));
    c.Fill(RoundRect(1, 1, w - 1, h - 1, radius - 1),
           VGradient(Rgb8(255, 255, 255, 0.07), Rgb8(255, 255, 255, 0.0), 0, h * 0.55));
    const double inset = 1.25;
    c.Fill(Minus(outer, RoundRect(inset, inset, w - inset, h - inset, radius - inset)),
           VGradient(Rgb8(255, 255, 255, 0.42), Rgb8(255, 255, 255, 0.08), 0, h * 0.6));
    return c;
}

// Empty track of the volume bar: a recessed dim groove, darker at the top.
Canvas Track(int w, int h) {
    Canvas c(w, h);
    const double r = h / 2.0;
    const Inside groove = RoundRect(0, 0, w, h, r);
    c.Fill(groove, VGradient(Rgb8(16, 20, 28, 0.75), Rgb8(88, 96, 110, 0.60), 0, h));
    c.Fill(Minus(groove, RoundRect(1, 1, w - 1, h - 1, r - 1)),
           VGradient(Rgb8(0, 0, 0, 0.25), Rgb8(255, 255, 255, 0.22), 0, h));
    return c;
}

// Colour of the filled bar; depends on y only, so the three bar pieces join
// without seams and the centre piece can be stretched horizontally.
Rgba BarColour(double y, int h) {
    const double t = y / h;
    const Rgba top = Rgb8(236, 250, 255);
    const Rgba mid = Rgb8(128, 214, 250);
    const Rgba bottom = Rgb8(36, 146, 226);
    return t < 0.45 ? Mix(top, mid, t / 0.45) : Mix(mid, bottom, (t - 0.45) / 0.55);
}

enum class BarPiece { kLeft, kCentre, kRight };

Canvas Bar(BarPiece piece, int w, int h) {
    Canvas c(w, h);
    const double r = h / 2.0;
    Inside shape;
    switch (piece) {
        case BarPiece::kLeft: shape = Circle(w, r, r); break;   // left half of the round end
        case BarPiece::kRight: shape = Circle(0, r, r); break;  // right half
        case BarPiece::kCentre: shape = [](double, double) { return true; }; break;
    }
    c.Fill(shape, [h](double, double y) { return BarColour(y, h); });
    return c;
}

// Loudspeaker icons on a 48x48 grid. The speaker sits on the left, waves or
// the mute cross to its right. Every glyph gets a soft dark drop shadow so
// it stays legible over bright video.
enum class Speaker { kVolume, kHalfMute, kMute };

Canvas Icon(Speaker kind) {
    constexpr int kSize = 48;
    Canvas c(kSize, kSize);
    const Inside body = Union({RoundRect(5, 18, 14, 30, 1.5),
                               Polygon({{12, 18}, {24, 8}, {24, 40}, {12, 30}})});
    const double kPi = 3.14159265358979323846;
    const double kCx = 22, kCy = 24, kAngle = 50.0 * kPi / 180.0, kStroke = 1.6;
    const Inside wave1 = Arc(kCx, kCy, 8, kAngle, kStroke);
    const Inside wave2 = Arc(kCx, kCy, 14, kAngle, kStroke);
    const Inside wave3 = Arc(kCx, kCy, 20, kAngle, kStroke);
    const Inside cross = Union({Capsule({29, 17}, {42, 31}, 2.0), Capsule({29, 31}, {42, 17}, 2.0)});

    const Paint white = VGradient(Rgb8(255, 255, 255), Rgb8(212, 222, 236), 6, 42);
    const Paint ghost = VGradient(Rgb8(255, 255, 255, 0.32), Rgb8(212, 222, 236, 0.32), 6, 42);
    const Paint red = VGradient(Rgb8(255, 110, 100), Rgb8(220, 44, 44), 16, 32);
    const Paint shadow = Solid(Rgb8(0, 0, 0, 0.38));

    std::vector<Inside> solid{body};
    switch (kind) {
        case Speaker::kVolume: solid.insert(solid.end(), {wave1, wave2, wave3}); break;
        case Speaker::kHalfMute: solid.push_back(wave1); break;
        case Speaker::kMute: break;
    }
    const Inside glyph = Union(solid);
    const Inside all = (kind == Speaker::kMute) ? Union({glyph, cross}) : glyph;

    c.Fill(Offset(all, 0.8, 1.4), shadow);
    c.Fill(glyph, white);
    if (kind == Speaker::kHalfMute) c.Fill(wave2, ghost);
    if (kind == Speaker::kMute) c.Fill(cross, red);
    return c;
}

struct Art {
    const char* name;
    std::function<Canvas()> draw;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path outDir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    if (ec) {
        std::fprintf(stderr, "%s: cannot create '%s': %s\n", argv[0], outDir.c_str(),
                     ec.message().c_str());
        return 1;
    }

    const std::vector<Art> art = {
        {"vol_panel.png", [] { return Panel(560, 96, 18); }},
        {"mute_panel.png", [] { return Panel(300, 96, 18); }},
        {"vol_track.png", [] { return Track(320, 16); }},
        {"vol_bar_left.png", [] { return Bar(BarPiece::kLeft, 8, 16); }},
        {"vol_bar_center.png", [] { return Bar(BarPiece::kCentre, 4, 16); }},
        {"vol_bar_right.png", [] { return Bar(BarPiece::kRight, 8, 16); }},
        {"icon_volume.png", [] { return Icon(Speaker::kVolume); }},
        {"icon_half_mute.png", [] { return Icon(Speaker::kHalfMute); }},
        {"icon_mute.png", [] { return Icon(Speaker::kMute); }},
    };

    for (const Art& item : art) {
        const Canvas canvas = item.draw();
        const std::vector<uint32_t> pixels = canvas.ToArgb();
        std::string error;
        if (!briskui_sim::WriteArgbPng((outDir / item.name).string(), pixels.data(),
                                       canvas.width(), canvas.height(), canvas.width() * 4,
                                       &error)) {
            std::fprintf(stderr, "%s: %s\n", argv[0], error.c_str());
            return 1;
        }
    }
    return 0;
}
