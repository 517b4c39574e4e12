#include "sim/app/raster.h"

// The PNG writer: header-only, compiled here and private to this file.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace sim {

Image::Image(int width, int height, Rgb background)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      bytes_(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 3) {
    FillRect(0, 0, width_, height_, background);
}

Rgb Image::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
    const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)) * 3;
    return {bytes_[i], bytes_[i + 1], bytes_[i + 2]};
}

void Image::Set(int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)) * 3;
    bytes_[i] = colour.r;
    bytes_[i + 1] = colour.g;
    bytes_[i + 2] = colour.b;
}

void Image::FillRect(int left, int top, int width, int height, Rgb colour) {
    for (int y = std::max(top, 0); y < std::min(top + height, height_); ++y)
        for (int x = std::max(left, 0); x < std::min(left + width, width_); ++x) Set(x, y, colour);
}

Panel::Panel(Image& image, int left, int top, int width, int height)
    : image_(image), left_(left), top_(top), width_(std::max(width, 0)), height_(std::max(height, 0)),
      depth_(static_cast<size_t>(width_) * static_cast<size_t>(height_), -std::numeric_limits<double>::infinity()) {}

bool Panel::Plot(int x, int y, double near, Rgb colour, bool depthTest, bool writeDepth) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
    double& held = depth_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
    if (depthTest && !(near > held)) return false;
    if (writeDepth) held = near;
    image_.Set(left_ + x, top_ + y, colour);
    return true;
}

namespace {
// [px] Beyond this distance from the panel's corner a vertex's coordinates are too large for the
// edge crossings of a row to be found to within a pixel.
constexpr double SPAN_COORDINATE_LIMIT = 1e6;
}  // namespace

void Panel::FillTriangle(const ScreenPoint& a, const ScreenPoint& b, const ScreenPoint& c, Rgb colour) {
    // Twice the signed area; the edge functions below share its sign for points inside.
    const double area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (!std::isfinite(area)) return;
    const double longest = std::max({std::hypot(b.x - a.x, b.y - a.y), std::hypot(c.x - b.x, c.y - b.y),
                                     std::hypot(a.x - c.x, a.y - c.y)});
    if (std::abs(area) < longest) {  // its width across the longest edge is under a pixel
        DrawLine(a, b, colour, true, true);
        DrawLine(b, c, colour, true, true);
        DrawLine(c, a, colour, true, true);
        return;
    }
    const double minX = std::min({a.x, b.x, c.x}), maxX = std::max({a.x, b.x, c.x});
    const double minY = std::min({a.y, b.y, c.y}), maxY = std::max({a.y, b.y, c.y});
    // Pixel centres inside the box (x + 0.5 from minX to maxX), held to the panel before they
    // become integers.
    auto column = [&](double v) { return static_cast<int>(std::clamp(v, -1.0, static_cast<double>(width_))); };
    auto row = [&](double v) { return static_cast<int>(std::clamp(v, -1.0, static_cast<double>(height_))); };
    const int x0 = std::max(column(std::ceil(minX - 0.5)), 0), x1 = std::min(column(std::floor(maxX - 0.5)), width_ - 1);
    const int y0 = std::max(row(std::ceil(minY - 0.5)), 0), y1 = std::min(row(std::floor(maxY - 0.5)), height_ - 1);
    auto edge = [](const ScreenPoint& p, const ScreenPoint& q, double x, double y) {
        return (q.x - p.x) * (y - p.y) - (q.y - p.y) * (x - p.x);
    };
    const double sign = area > 0 ? 1.0 : -1.0;
    // Within the picture, each row is tried only across the span between the edges, found by
    // where each edge crosses the row, with a pixel to spare on either side for rounding: the
    // pixels it fills are the ones the test below accepts across the whole box, at a cost that
    // follows the triangle's area, not its box's (a long sliver across a panel has a large box).
    // Far outside the picture the crossings are too coarse to trust, and the whole box is tried.
    const bool spans = std::max({std::abs(a.x), std::abs(b.x), std::abs(c.x), std::abs(a.y), std::abs(b.y),
                                 std::abs(c.y)}) < SPAN_COORDINATE_LIMIT;
    for (int y = y0; y <= y1; ++y) {
        const double py = y + 0.5;
        int from = x0, to = x1;
        if (spans) {
            double lo = -1.0, hi = static_cast<double>(width_);  // [px] pixel centres, x + 0.5
            for (const auto& [p, q] : {std::pair{&b, &c}, std::pair{&c, &a}, std::pair{&a, &b}}) {
                // The edge function is linear in x along the row: slope * x + at0, kept >= 0 inside.
                const double slope = -(q->y - p->y) * sign;
                const double at0 = ((q->x - p->x) * (py - p->y) + (q->y - p->y) * p->x) * sign;
                if (slope > 0) lo = std::max(lo, -at0 / slope);
                else if (slope < 0) hi = std::min(hi, -at0 / slope);
                else if (at0 < 0) hi = lo - 1;  // parallel to the row and outside it
            }
            if (!(lo <= hi)) continue;
            from = std::max(x0, static_cast<int>(std::floor(lo - 0.5)) - 1);
            to = std::min(x1, static_cast<int>(std::ceil(hi - 0.5)) + 1);
        }
        for (int x = from; x <= to; ++x) {
            const double px = x + 0.5;
            // Weights of a, b and c: each is the edge function of the opposite edge.
            const double wa = edge(b, c, px, py) * sign, wb = edge(c, a, px, py) * sign, wc = edge(a, b, px, py) * sign;
            if (wa < 0 || wb < 0 || wc < 0) continue;
            const double near = (wa * a.near + wb * b.near + wc * c.near) / (area * sign);
            Plot(x, y, near, colour, true, true);
        }
    }
}

void Panel::Line(const ScreenPoint& a, const ScreenPoint& b, Rgb colour, bool depthTest) {
    DrawLine(a, b, colour, depthTest, false);
}

void Panel::DrawLine(const ScreenPoint& a, const ScreenPoint& b, Rgb colour, bool depthTest, bool writeDepth) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    if (!std::isfinite(dx) || !std::isfinite(dy)) return;
    // A line far outside the panel would take many steps for nothing; it is cut to the panel first.
    double t0 = 0, t1 = 1;
    auto clip = [&](double p, double q) {  // keeps the part where p*t <= q
        if (p == 0) return q >= 0;
        const double t = q / p;
        if (p < 0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
        return t0 <= t1;
    };
    if (!clip(-dx, a.x + 1) || !clip(dx, width_ + 1 - a.x) || !clip(-dy, a.y + 1) || !clip(dy, height_ + 1 - a.y)) return;
    // Held to the panel's margin as well: with very large coordinates the cut is only as exact as
    // their rounding.
    auto x = [&](double t) { return std::clamp(a.x + dx * t, -1.0, width_ + 1.0); };
    auto y = [&](double t) { return std::clamp(a.y + dy * t, -1.0, height_ + 1.0); };
    const ScreenPoint p{x(t0), y(t0), a.near + (b.near - a.near) * t0};
    const ScreenPoint q{x(t1), y(t1), a.near + (b.near - a.near) * t1};
    const int steps = static_cast<int>(std::ceil(std::max(std::abs(q.x - p.x), std::abs(q.y - p.y))));
    for (int i = 0; i <= steps; ++i) {
        const double t = steps == 0 ? 0.0 : static_cast<double>(i) / steps;
        const int px = static_cast<int>(std::floor(p.x + (q.x - p.x) * t));
        const int py = static_cast<int>(std::floor(p.y + (q.y - p.y) * t));
        Plot(px, py, p.near + (q.near - p.near) * t, colour, depthTest, writeDepth);
    }
}

namespace {

constexpr int GLYPH_W = 5, GLYPH_H = 7;

struct Glyph {
    char c;
    std::array<std::uint8_t, GLYPH_H> rows;  // top row first; bit 4 is the leftmost column
};

// Capitals, digits and the few signs that labels and numbers use.
constexpr Glyph FONT[] = {
    {' ', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}}, {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}}, {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}}, {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}}, {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}}, {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}}, {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}}, {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}}, {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}}, {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}}, {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}}, {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}}, {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}}, {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}}, {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}}, {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}}, {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}}, {'Y', {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}}, {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {',', {0x00, 0x00, 0x00, 0x00, 0x0C, 0x04, 0x08}}, {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'+', {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00}}, {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'(', {0x02, 0x04, 0x08, 0x08, 0x08, 0x04, 0x02}}, {')', {0x08, 0x04, 0x02, 0x02, 0x02, 0x04, 0x08}},
    {'/', {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00}}, {'_', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F}},
    {'=', {0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00}}, {'?', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04}},
};

const Glyph& GlyphOf(char c) {
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const Glyph* unknown = nullptr;
    for (const Glyph& g : FONT) {
        if (g.c == upper) return g;
        if (g.c == '?') unknown = &g;
    }
    return *unknown;
}

}  // namespace

int TextWidth(std::string_view text, int scale) {
    // One blank column between characters.
    return text.empty() ? 0 : static_cast<int>(text.size()) * (GLYPH_W + 1) * scale - scale;
}

int TextHeight(int scale) { return GLYPH_H * scale; }

void DrawText(Image& image, int x, int y, std::string_view text, Rgb colour, int scale) {
    for (size_t i = 0; i < text.size(); ++i) {
        const Glyph& g = GlyphOf(text[i]);
        const int left = x + static_cast<int>(i) * (GLYPH_W + 1) * scale;
        for (int row = 0; row < GLYPH_H; ++row)
            for (int col = 0; col < GLYPH_W; ++col)
                if (g.rows[static_cast<size_t>(row)] & (0x10 >> col))
                    image.FillRect(left + col * scale, y + row * scale, scale, scale, colour);
    }
}

std::string EncodePng(const Image& image) {
    std::string bytes;
    const auto append = [](void* context, void* data, int size) {
        static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
    };
    constexpr int RGB = 3;  // bytes per pixel
    if (!stbi_write_png_to_func(append, &bytes, image.Width(), image.Height(), RGB, image.Bytes().data(),
                                image.Width() * RGB))
        throw std::runtime_error("PNG encoding failed");
    return bytes;
}

}  // namespace sim
