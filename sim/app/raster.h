// Drawing for talvek-sim's pictures: an RGB image, rectangles of it with their own depth
// buffer in which triangles and lines are drawn, a small bitmap font, and PNG encoding.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

class Image {
public:
    Image(int width, int height, Rgb background);
    int Width() const { return width_; }
    int Height() const { return height_; }
    Rgb At(int x, int y) const;
    // Points outside the image are ignored.
    void Set(int x, int y, Rgb colour);
    void FillRect(int left, int top, int width, int height, Rgb colour);
    // Rows from the top, three bytes (r, g, b) a pixel.
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    int width_, height_;
    std::vector<std::uint8_t> bytes_;
};

// A point on screen: pixel coordinates within a panel (x right, y down; a pixel's centre is at
// +0.5) and a depth key that grows towards the viewer and varies linearly across the screen, so
// that it can be interpolated there: the negated distance in an orthographic view, the inverse
// distance in a perspective one.
struct ScreenPoint {
    double x, y;
    double near;
};

// A rectangle of an image with its own depth buffer; nothing is drawn outside it.
class Panel {
public:
    Panel(Image& image, int left, int top, int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Fills the pixels whose centres lie inside the triangle or on its edges (either winding)
    // where it is nearer than what the panel holds. A triangle narrower than a pixel (a rod, a
    // parachute line, or one seen edge-on) is drawn as its edges instead, so that it does not
    // vanish between pixel centres.
    void FillTriangle(const ScreenPoint& a, const ScreenPoint& b, const ScreenPoint& c, Rgb colour);
    // A line one pixel wide. With the depth test it is hidden behind nearer surfaces; it never
    // writes depth, so surfaces drawn after it still cover it.
    void Line(const ScreenPoint& a, const ScreenPoint& b, Rgb colour, bool depthTest = false);

private:
    void DrawLine(const ScreenPoint& a, const ScreenPoint& b, Rgb colour, bool depthTest, bool writeDepth);
    bool Plot(int x, int y, double near, Rgb colour, bool depthTest, bool writeDepth);

    Image& image_;
    int left_, top_, width_, height_;
    std::vector<double> depth_;  // nearest key drawn at each pixel so far
};

// Text in the built-in 5x7 font, each font pixel drawn as scale x scale; (x, y) is the top left
// corner. Letters are drawn as capitals; a character the font lacks is drawn as '?'.
void DrawText(Image& image, int x, int y, std::string_view text, Rgb colour, int scale);
int TextWidth(std::string_view text, int scale);
int TextHeight(int scale);

// The image as an 8-bit RGB PNG file's bytes.
std::string EncodePng(const Image& image);

}  // namespace sim
