// talvek-sim's pictures: the rasteriser's pixels and depth, the font, the PNG bytes, the
// geometry taken from a vessel record, and the views drawn from it.
#include <gtest/gtest.h>

// The PNG reader, to read back what talvek-sim encodes: header-only, private to this file.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#include <stb_image.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sim/app/raster.h"
#include "sim/app/render.h"
#include "sim/mesh.h"
#include "sim/world.h"
#include "tests/support/vectors.h"

namespace {

constexpr sim::Rgb WHITE{255, 255, 255};
constexpr sim::Rgb RED{255, 0, 0};
constexpr sim::Rgb BLUE{0, 0, 255};

// An 8x8 panel placed at (2, 3) of a 12x12 image, so that drawing past its edges would show.
struct PanelFixture {
    sim::Image image{12, 12, WHITE};
    sim::Panel panel{image, 2, 3, 8, 8};
    sim::Rgb Pixel(int x, int y) const { return image.At(2 + x, 3 + y); }
};

TEST(RenderRaster, TriangleFillsThePixelsWhoseCentresItCoversInEitherWinding) {
    // The right triangle (1,1) (7,1) (1,7): a centre (x+0.5, y+0.5) is inside when both are at
    // least 1 and their sum is at most 8.
    struct Case {
        int x, y;
        bool filled;
    };
    const Case cases[] = {{0, 0, false}, {1, 1, true},  {5, 1, true},  {6, 1, true},  {6, 2, false},
                          {1, 6, true},  {2, 6, false}, {0, 3, false}, {3, 3, true},  {7, 7, false}};
    for (bool clockwise : {false, true}) {
        PanelFixture f;
        const sim::ScreenPoint a{1, 1, 0}, b{7, 1, 0}, c{1, 7, 0};
        if (clockwise) f.panel.FillTriangle(a, c, b, RED);
        else f.panel.FillTriangle(a, b, c, RED);
        for (const Case& k : cases)
            EXPECT_EQ(f.Pixel(k.x, k.y) == RED, k.filled) << "pixel " << k.x << "," << k.y << " clockwise " << clockwise;
    }
}

TEST(RenderRaster, NothingIsDrawnOutsideThePanel) {
    PanelFixture f;
    f.panel.FillTriangle({-20, -20, 0}, {40, -20, 0}, {-20, 40, 0}, RED);
    f.panel.Line({-30, 4.5, 0}, {50, 4.5, 0}, BLUE);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool inside = x >= 2 && x < 10 && y >= 3 && y < 11;
            EXPECT_EQ(f.image.At(x, y) != WHITE, inside) << x << "," << y;
        }
}

TEST(RenderRaster, DepthBufferKeepsTheNearerTriangleInEitherOrder) {
    // Two overlapping squares' halves: red nearer (key 2) than blue (key 1) where both cover.
    for (bool nearFirst : {true, false}) {
        PanelFixture f;
        auto red = [&] { f.panel.FillTriangle({0, 0, 2}, {6, 0, 2}, {0, 6, 2}, RED); };
        auto blue = [&] { f.panel.FillTriangle({2, 2, 1}, {8, 2, 1}, {2, 8, 1}, BLUE); };
        if (nearFirst) red(), blue();
        else blue(), red();
        EXPECT_EQ(f.Pixel(2, 2), RED) << "both cover it; nearer first: " << nearFirst;
        EXPECT_EQ(f.Pixel(1, 1), RED);
        EXPECT_EQ(f.Pixel(4, 4), BLUE) << "only the farther one covers it";
    }
}

TEST(RenderRaster, DepthFollowsTheSlopeAcrossATriangle) {
    // Red leans from near (key 4) at x = 0 to far (key 0) at x = 8; blue stands flat at key 2.
    // They cross at x = 4: red must win left of it and lose right of it.
    PanelFixture f;
    f.panel.FillTriangle({0, 0, 2}, {8, 0, 2}, {0, 8, 2}, BLUE);
    f.panel.FillTriangle({0, -8, 4}, {8, 0, 0}, {0, 16, 4}, RED);
    EXPECT_EQ(f.Pixel(1, 2), RED);
    EXPECT_EQ(f.Pixel(3, 2), RED);
    EXPECT_EQ(f.Pixel(5, 1), BLUE);
}

TEST(RenderRaster, SliverBetweenPixelCentresIsStillDrawn) {
    // A parachute line: 0.1 px wide, between two rows of pixel centres, 20 px long.
    sim::Image image(24, 8, WHITE);
    sim::Panel panel(image, 0, 0, 24, 8);
    panel.FillTriangle({1, 4.05, 0}, {21, 4.05, 0}, {21, 4.15, 0}, RED);
    int drawn = 0;
    for (int x = 0; x < 24; ++x) drawn += image.At(x, 4) == RED;
    EXPECT_GE(drawn, 19);
}

TEST(RenderRaster, DepthTestedLineHidesBehindNearerSurfacesOnly) {
    PanelFixture f;
    f.panel.FillTriangle({0, 0, 5}, {4, 0, 5}, {0, 8, 5}, RED);
    f.panel.Line({0, 1.5, 1}, {8, 1.5, 1}, BLUE, true);
    EXPECT_EQ(f.Pixel(1, 1), RED) << "behind the triangle";
    EXPECT_EQ(f.Pixel(6, 1), BLUE) << "where nothing was drawn";
    f.panel.Line({0, 2.5, 1}, {8, 2.5, 1}, BLUE, false);
    EXPECT_EQ(f.Pixel(1, 2), BLUE) << "without the test it draws over";
}

TEST(RenderFont, EveryLabelCharacterHasItsOwnGlyphInsideItsBox) {
    auto draw = [](char c) {
        sim::Image image(20, 20, WHITE);
        sim::DrawText(image, 2, 3, std::string(1, c), RED, 2);
        return image;
    };
    const sim::Image unknown = draw('?');
    for (char c : std::string("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ.,-+:()/_=")) {
        const sim::Image image = draw(c);
        EXPECT_NE(image.Bytes(), unknown.Bytes()) << "'" << c << "' is drawn as an unknown character";
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x)
                if (image.At(x, y) == RED) {
                    EXPECT_TRUE(x >= 2 && x < 2 + sim::TextWidth("A", 2) && y >= 3 && y < 3 + sim::TextHeight(2))
                        << "'" << c << "' at " << x << "," << y;
                }
    }
    EXPECT_EQ(draw('a').Bytes(), draw('A').Bytes());
}

TEST(RenderPng, EncodedImageReadsBackPixelForPixel) {
    sim::Image image(7, 5, WHITE);  // odd width: rows are not a multiple of four bytes
    image.Set(0, 0, RED);
    image.Set(6, 4, BLUE);
    image.Set(3, 2, {12, 34, 56});
    const std::string png = sim::EncodePng(image);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));

    int width = 0, height = 0, channels = 0;
    constexpr int RGB = 3;  // channels asked for
    stbi_uc* read = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(png.data()), static_cast<int>(png.size()),
                                          &width, &height, &channels, RGB);
    ASSERT_NE(read, nullptr) << stbi_failure_reason();
    EXPECT_EQ(width, 7);
    EXPECT_EQ(height, 5);
    const std::vector<std::uint8_t> pixels(read, read + static_cast<size_t>(width) * static_cast<size_t>(height) * RGB);
    stbi_image_free(read);
    EXPECT_EQ(pixels, image.Bytes());
}

// A vessel record made by hand: the renderer reads only its mesh slots and animations.
class RenderGeometry : public testing::Test {
protected:
    static std::shared_ptr<const sim::MeshData> Mesh(const std::string& text) { return sim::ParseMesh(text, "m.msh"); }

    sim::VesselRecord vessel;
    UINT movedGroups[1] = {1};
    MGROUP_TRANSLATE lift{2, movedGroups, 1, {0, 2, 0}};
};

TEST_F(RenderGeometry, SlotsAtTheirOffsetsMovedByAnimationsNullSlotsSkipped) {
    const std::string triangle = "GEOM 3 1\n0 0 0\n1 0 0\n0 1 0\n0 1 2\n";
    const std::string redMaterial = "MATERIALS 1\nred\nMATERIAL red\n1 0 0 1\n0 0 0 1\n0 0 0 1\n0 0 0 1\n";
    vessel.def.meshes.push_back({"one", Mesh("MSHX1\nGROUPS 1\nMATERIAL 1\n" + triangle + redMaterial), {0, 0, 5}, 1});
    vessel.def.meshes.push_back({"", nullptr, {9, 9, 9}, 1});  // a null template
    vessel.def.meshes.push_back({"two", Mesh("MSHX1\nGROUPS 2\n" + triangle + triangle), {1, 0, 0}, 1});
    // Halfway through an animation that lifts group 1 of mesh 2 by 2 m.
    vessel.def.animations.push_back({0, 0.5, {{1, 0, 1, 0, &lift}}});

    const sim::VesselGeometry g = sim::CollectGeometry(vessel);
    EXPECT_EQ(g.meshes, 2);
    ASSERT_EQ(g.triangles.size(), 3u);
    ExpectNear(g.triangles[0].p[1], {1, 0, 5});
    EXPECT_EQ(g.triangles[0].colour.r, 1.0);
    EXPECT_EQ(g.triangles[0].colour.g, 0.0);
    ExpectNear(g.triangles[1].p[1], {2, 0, 0});
    ExpectNear(g.triangles[2].p[1], {2, 1, 0});
    ExpectNear(g.triangles[2].p[2], {1, 2, 0});
    EXPECT_EQ(g.triangles[1].colour.r, g.triangles[1].colour.g) << "no material: grey";
}

// The views of a fixture made of boxes: a red bar 1 x 2 x 4 m (x, y, z) at the origin, a blue
// cube behind its +z end (hidden in the end view, which looks along +z), and a green cube beside
// it on the +x side.
class RenderViews : public testing::Test {
protected:
    static void Box(sim::VesselGeometry& g, VECTOR3 lo, VECTOR3 hi, sim::MaterialColour c) {
        const VECTOR3 v[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {lo.x, hi.y, lo.z}, {hi.x, hi.y, lo.z},
                              {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z}, {lo.x, hi.y, hi.z}, {hi.x, hi.y, hi.z}};
        const int faces[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
        for (const auto& f : faces) {
            g.triangles.push_back({{v[f[0]], v[f[1]], v[f[2]]}, c});
            g.triangles.push_back({{v[f[0]], v[f[2]], v[f[3]]}, c});
        }
    }
    void SetUp() override {
        Box(geometry, {-0.5, -1, -2}, {0.5, 1, 2}, {1, 0, 0});
        Box(geometry, {-0.25, -0.25, 2.5}, {0.25, 0.25, 3}, {0, 0, 1});
        Box(geometry, {1, -0.25, -0.25}, {1.5, 0.25, 0.25}, {0, 1, 0});
        image = std::make_unique<sim::Image>(sim::RenderVessel(geometry, {W, H, "fixture"}));
    }
    // The pixels of one pure hue (red 0, green 1, blue 2) in a quadrant of the picture.
    struct Extent {
        int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
        int Width() const { return right - left + 1; }
        int Height() const { return bottom - top + 1; }
        bool Empty() const { return right < 0; }
        double CentreX() const { return (left + right) / 2.0; }
        double CentreY() const { return (top + bottom) / 2.0; }
    };
    Extent Find(int column, int row, int hue) const {
        Extent e;
        for (int y = row * H / 2; y < (row + 1) * H / 2; ++y)
            for (int x = column * W / 2; x < (column + 1) * W / 2; ++x) {
                const sim::Rgb p = image->At(x, y);
                const int c[3] = {p.r, p.g, p.b};
                if (c[hue] > 0 && c[(hue + 1) % 3] == 0 && c[(hue + 2) % 3] == 0)
                    e.left = std::min(e.left, x), e.right = std::max(e.right, x), e.top = std::min(e.top, y),
                    e.bottom = std::max(e.bottom, y);
            }
        return e;
    }
    static constexpr int W = 1200, H = 900;
    static constexpr int RED_HUE = 0, GREEN_HUE = 1, BLUE_HUE = 2;
    sim::VesselGeometry geometry;
    std::unique_ptr<sim::Image> image;
};

TEST_F(RenderViews, OrthographicViewsShareOneScaleAlongTheirAxes) {
    const Extent side = Find(0, 0, RED_HUE), top = Find(1, 0, RED_HUE), end = Find(0, 1, RED_HUE);
    ASSERT_FALSE(side.Empty() || top.Empty() || end.Empty());
    // Side: z across, y up. Top: z across, x down. End: x across, y up.
    const double metre = side.Width() / 4.0;  // [px]
    EXPECT_NEAR(side.Height(), 2 * metre, 2);
    EXPECT_NEAR(top.Width(), 4 * metre, 2);
    EXPECT_NEAR(top.Height(), 1 * metre, 2);
    EXPECT_NEAR(end.Width(), 1 * metre, 2);
    EXPECT_NEAR(end.Height(), 2 * metre, 2);
    EXPECT_GT(metre, 20) << "the fixture fills a good part of its panel";
}

TEST_F(RenderViews, EachViewLooksFromItsSide) {
    const Extent sideBar = Find(0, 0, RED_HUE), sideBlue = Find(0, 0, BLUE_HUE), sideGreen = Find(0, 0, GREEN_HUE);
    EXPECT_GT(sideBlue.left, sideBar.right) << "side view: +z to the right";
    EXPECT_FALSE(sideGreen.Empty()) << "side view from +x: the green cube is in front of the bar";
    const Extent topBar = Find(1, 0, RED_HUE), topGreen = Find(1, 0, GREEN_HUE), topBlue = Find(1, 0, BLUE_HUE);
    EXPECT_GT(topBlue.left, topBar.right) << "top view: +z to the right";
    EXPECT_GT(topGreen.top, topBar.bottom) << "top view: +x down";
    const Extent endBar = Find(0, 1, RED_HUE), endGreen = Find(0, 1, GREEN_HUE);
    EXPECT_GT(endGreen.left, endBar.right) << "end view: +x to the right";
    EXPECT_TRUE(Find(0, 1, BLUE_HUE).Empty()) << "end view from -z: the blue cube is hidden behind the bar";
    const Extent perspective = Find(1, 1, RED_HUE);
    EXPECT_FALSE(perspective.Empty());
    EXPECT_FALSE(Find(1, 1, BLUE_HUE).Empty()) << "the perspective view, from ahead, sees the blue cube";
}

TEST_F(RenderViews, ThinTrianglesAreDrawnTrianglesWithoutAreaAreNot) {
    // A parachute line 3 cm wide beside the bar, and the triangles at a sphere's pole, whose
    // corners meet: seen edge-on these draw alike unless their area in space tells them apart.
    sim::VesselGeometry g;
    Box(g, {-0.5, -1, -2}, {0.5, 1, 2}, {1, 0, 0});
    g.triangles.push_back({{{0, 1.5, -2}, {0, 1.53, -2}, {0, 1.5, 2}}, {0, 1, 0}});
    g.triangles.push_back({{{0, -1.5, -2}, {0, -1.5, 2}, {0, -1.5, 2}}, {0, 0, 1}});
    image = std::make_unique<sim::Image>(sim::RenderVessel(g, {W, H, "lines"}));
    for (int panel = 0; panel < 4; ++panel) {
        EXPECT_FALSE(Find(panel % 2, panel / 2, GREEN_HUE).Empty()) << "panel " << panel;
        EXPECT_TRUE(Find(panel % 2, panel / 2, BLUE_HUE).Empty()) << "panel " << panel;
    }
}

}  // namespace
