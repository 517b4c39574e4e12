#include "sim/app/render.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <tuple>

#include "sim/animation.h"
#include "sim/mathx.h"
#include "sim/world.h"

namespace sim {

namespace {

// A light from above, to the right and ahead, fixed to the vessel so that every view shades a
// face alike; faces are lit on both sides, since thin parts (arrays, canopies) show either one.
const VECTOR3 LIGHT = VECTOR3{0.45, 0.75, 0.5} / Length(VECTOR3{0.45, 0.75, 0.5});
constexpr double AMBIENT = 0.35;  // [-] share of a face's colour that it has unlit
constexpr double DIFFUSE = 0.75;  // [-] added when the light falls square on it
constexpr MaterialColour NO_MATERIAL{0.7, 0.7, 0.7};

// Where the perspective camera stands, from the vessel's centre: right, above and ahead.
const VECTOR3 PERSPECTIVE_FROM = VECTOR3{1.0, 0.7, 1.2} / Length(VECTOR3{1.0, 0.7, 1.2});
constexpr double PERSPECTIVE_DISTANCE = 3.0;  // [-] in bounding radii: a mild perspective
constexpr double FIT = 0.86;                  // [-] share of a panel's plot area that the vessel may fill

constexpr Rgb BACKGROUND{250, 250, 248};
constexpr Rgb MINOR_LINE{226, 228, 232};
constexpr Rgb MAJOR_LINE{196, 200, 208};
constexpr Rgb AXIS_LINE{120, 126, 140};
constexpr Rgb BORDER{90, 90, 90};
constexpr Rgb TEXT{30, 30, 40};

// The grid never goes finer than a metre; it goes coarser when metre lines would merge.
constexpr double MIN_MINOR_SPACING = 5.0;   // [px] between grid lines
constexpr double MIN_LABEL_SPACING = 70.0;  // [px] between labelled lines

struct Box {
    VECTOR3 lo{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
               std::numeric_limits<double>::infinity()};
    VECTOR3 hi{-lo.x, -lo.y, -lo.z};
    void Add(const VECTOR3& p) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    bool Empty() const { return !(lo.x <= hi.x); }
    VECTOR3 Centre() const { return (lo + hi) * 0.5; }
    std::array<VECTOR3, 8> Corners() const {
        return {VECTOR3{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {lo.x, hi.y, lo.z}, {hi.x, hi.y, lo.z},
                {lo.x, lo.y, hi.z},        {hi.x, lo.y, hi.z}, {lo.x, hi.y, hi.z}, {hi.x, hi.y, hi.z}};
    }
};

Rgb Shade(const VesselGeometry::Triangle& t) {
    const VECTOR3 n = Cross(t.p[1] - t.p[0], t.p[2] - t.p[0]);
    const double length = Length(n);
    const double lambert = length > 0 ? std::abs(Dot(n, LIGHT)) / length : 0.0;
    const double k = AMBIENT + DIFFUSE * lambert;
    auto channel = [k](double c) {
        const double v = std::clamp(c * k, 0.0, 1.0) * 255.0;
        return static_cast<std::uint8_t>(std::isfinite(v) ? std::lround(v) : 0);
    };
    return {channel(t.colour.r), channel(t.colour.g), channel(t.colour.b)};
}

// Grid spacings: 1, 2, 5, 10, 20, 50 ... metres, the first that leaves at least the given
// number of pixels between lines, and a multiple of `multipleOf`.
long NiceStep(double pixelsPerMetre, double minPixels, long multipleOf = 1) {
    for (long decade = 1; decade < 1'000'000'000L; decade *= 10)
        for (long m : {1L, 2L, 5L}) {
            const long step = m * decade;
            if (step % multipleOf == 0 && step * pixelsPerMetre >= minPixels) return step;
        }
    return 1'000'000'000L;
}

// The multiples of `step` from lo to hi; none when there would be more lines than a picture can
// show (a vessel so large, or so far from its origin, that a grid would mean nothing).
std::vector<long> Multiples(double lo, double hi, long step) {
    constexpr double MAX_LINES = 2000, MAX_METRES = 1e15;
    std::vector<long> out;
    const double first = std::ceil(lo / step), last = std::floor(hi / step);
    if (!(last - first < MAX_LINES) || !(std::abs(first) * step < MAX_METRES) || !(std::abs(last) * step < MAX_METRES))
        return out;
    for (double k = first; k <= last; ++k) out.push_back(static_cast<long>(k) * step);
    return out;
}

// Text scales for a picture of this width: titles, and the grid's numbers.
struct TextScales {
    int title, label;
    int pad;  // [px] around text
};
TextScales ScalesFor(int width) {
    const int title = std::max(1, width / 600);
    return {title, std::max(1, width / 1000), 4 * title};
}

// A panel of the picture: its place, and the area inside it that the drawing fills.
struct PanelArea {
    int left, top, width, height;            // the whole panel, in the image
    int plotLeft, plotTop, plotW, plotH;     // the drawing, in the image
};

PanelArea Layout(int column, int row, int panelW, int panelH, const TextScales& s, bool numbered) {
    PanelArea a{column * panelW, row * panelH, panelW, panelH, 0, 0, 0, 0};
    const int titleH = TextHeight(s.title) + 2 * s.pad;
    const int left = numbered ? TextWidth("-00000", s.label) + 2 * s.pad : s.pad;
    const int bottom = numbered ? TextHeight(s.label) + 2 * s.pad : TextHeight(s.label) + 2 * s.pad;
    a.plotLeft = a.left + left;
    a.plotTop = a.top + titleH;
    a.plotW = std::max(1, panelW - left - s.pad);
    a.plotH = std::max(1, panelH - titleH - bottom);
    return a;
}

void DrawFrame(Image& image, const PanelArea& a, const std::string& title, const std::string& gridNote,
               const TextScales& s) {
    DrawText(image, a.left + s.pad, a.top + s.pad, title, TEXT, s.title);
    DrawText(image, a.left + a.width - s.pad - TextWidth(gridNote, s.title), a.top + s.pad, gridNote, TEXT, s.title);
    Panel whole(image, a.left, a.top, a.width, a.height);
    const double r = a.width - 0.5, b = a.height - 0.5;
    for (const auto& [p, q] : {std::pair{ScreenPoint{0.5, 0.5, 0}, ScreenPoint{r, 0.5, 0}},
                               {ScreenPoint{r, 0.5, 0}, ScreenPoint{r, b, 0}}})
        whole.Line(p, q, BORDER);
    Panel plot(image, a.plotLeft, a.plotTop, a.plotW, a.plotH);
    const double pr = a.plotW - 0.5, pb = a.plotH - 0.5;
    for (const auto& [p, q] : {std::pair{ScreenPoint{0.5, 0.5, 0}, ScreenPoint{pr, 0.5, 0}},
                               {ScreenPoint{pr, 0.5, 0}, ScreenPoint{pr, pb, 0}},
                               {ScreenPoint{pr, pb, 0}, ScreenPoint{0.5, pb, 0}},
                               {ScreenPoint{0.5, pb, 0}, ScreenPoint{0.5, 0.5, 0}}})
        plot.Line(p, q, BORDER);
}

std::string GridNote(long step) { return "GRID " + std::to_string(step) + " M"; }

// An orthographic view: screen right, screen up, and the way the viewer looks.
struct OrthoView {
    const char* title;
    VECTOR3 right, up, forward;
};

const OrthoView ORTHO_VIEWS[] = {
    {"SIDE, FROM +X: Z RIGHT, Y UP", {0, 0, 1}, {0, 1, 0}, {-1, 0, 0}},
    {"TOP, FROM +Y: Z RIGHT, X DOWN", {0, 0, 1}, {-1, 0, 0}, {0, -1, 0}},
    {"END, FROM -Z: X RIGHT, Y UP", {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
};

struct Range {
    double lo = std::numeric_limits<double>::infinity(), hi = -std::numeric_limits<double>::infinity();
    void Add(double v) { lo = std::min(lo, v), hi = std::max(hi, v); }
    double Mid() const { return (lo + hi) / 2; }
    double Extent() const { return std::max(hi - lo, 0.01); }  // [m] a flat vessel still gets a scale
};

// An orthographic view's projection into its panel's drawing: the box centred, at the scale.
struct OrthoProjection {
    const OrthoView& view;
    Range h, v;
    double cx, cy, scale;  // [px], [px], [px/m]

    OrthoProjection(const PanelArea& a, const OrthoView& view, const Box& box, double scale)
        : view(view), cx(a.plotW / 2.0), cy(a.plotH / 2.0), scale(scale) {
        for (const VECTOR3& c : box.Corners()) h.Add(Dot(c, view.right)), v.Add(Dot(c, view.up));
    }
    ScreenPoint operator()(const VECTOR3& p) const {
        return ScreenPoint{cx + scale * (Dot(p, view.right) - h.Mid()), cy - scale * (Dot(p, view.up) - v.Mid()),
                           -Dot(p, view.forward)};
    }
};

void DrawOrtho(Image& image, const PanelArea& a, const OrthoProjection& project,
               const std::vector<VesselGeometry::Triangle>& triangles, const std::vector<Rgb>& shades,
               const TextScales& s) {
    const OrthoView& view = project.view;
    const Range& h = project.h;
    const Range& v = project.v;
    const double cx = project.cx, cy = project.cy, scale = project.scale;
    Panel plot(image, a.plotLeft, a.plotTop, a.plotW, a.plotH);

    // The grid first, behind everything, over the whole plot area.
    const long minor = NiceStep(scale, MIN_MINOR_SPACING);
    const long major = NiceStep(scale, MIN_LABEL_SPACING, minor);
    const double hLo = h.Mid() - cx / scale, hHi = h.Mid() + cx / scale;
    const double vLo = v.Mid() - cy / scale, vHi = v.Mid() + cy / scale;
    // Minor lines first, then the labelled ones, then the axes, so that crossings keep the stronger line.
    auto rank = [&](long metres) { return metres == 0 ? 2 : metres % major == 0 ? 1 : 0; };
    const Rgb colours[] = {MINOR_LINE, MAJOR_LINE, AXIS_LINE};
    const double far = -std::numeric_limits<double>::infinity();
    const std::vector<long> across = Multiples(hLo, hHi, minor), upwards = Multiples(vLo, vHi, minor);
    for (int pass = 0; pass < 3; ++pass) {
        for (long m : across) {
            if (rank(m) != pass) continue;
            const double x = cx + scale * (static_cast<double>(m) - h.Mid());
            plot.Line({x, 0, far}, {x, static_cast<double>(a.plotH), far}, colours[pass]);
        }
        for (long m : upwards) {
            if (rank(m) != pass) continue;
            const double y = cy - scale * (static_cast<double>(m) - v.Mid());
            plot.Line({0, y, far}, {static_cast<double>(a.plotW), y, far}, colours[pass]);
        }
    }
    // Numbers of the labelled lines: under the plot area and left of it.
    for (long m : Multiples(hLo, hHi, major)) {
        const std::string label = std::to_string(m);
        const int x = a.plotLeft + static_cast<int>(std::lround(cx + scale * (static_cast<double>(m) - h.Mid())));
        DrawText(image, x - TextWidth(label, s.label) / 2, a.plotTop + a.plotH + s.pad, label, TEXT, s.label);
    }
    for (long m : Multiples(vLo, vHi, major)) {
        const std::string label = std::to_string(m);
        const int y = a.plotTop + static_cast<int>(std::lround(cy - scale * (static_cast<double>(m) - v.Mid())));
        DrawText(image, a.plotLeft - s.pad - TextWidth(label, s.label), y - TextHeight(s.label) / 2, label, TEXT,
                 s.label);
    }

    for (size_t i = 0; i < triangles.size(); ++i) {
        const auto& t = triangles[i];
        plot.FillTriangle(project(t.p[0]), project(t.p[1]), project(t.p[2]), shades[i]);
    }
    DrawFrame(image, a, view.title, GridNote(minor), s);
}

// The perspective view's camera, right, above and ahead of the box, and its projection into the
// panel's drawing, fitted to what is drawn: the vessel's vertices, or its box when it has none.
struct PerspectiveProjection {
    VECTOR3 centre, eye, forward, right, up;
    double radius, distance;  // [m]
    Range h, v;
    double focal, cx, cy;  // [px]

    PerspectiveProjection(const PanelArea& a, const Box& box, const std::vector<VesselGeometry::Triangle>& triangles)
        : centre(box.Centre()) {
        radius = 0.5;  // [m] at least, so that a point-sized vessel still has a camera distance
        for (const VECTOR3& c : box.Corners()) radius = std::max(radius, Length(c - centre));
        distance = PERSPECTIVE_DISTANCE * radius + 1.0;
        eye = centre + PERSPECTIVE_FROM * distance;
        forward = -PERSPECTIVE_FROM;
        right = Cross(VECTOR3{0, 1, 0}, forward) / Length(Cross(VECTOR3{0, 1, 0}, forward));
        up = Cross(forward, right);
        auto fit = [&](const VECTOR3& p) {
            const VECTOR3 c = Camera(p);
            h.Add(c.x / c.z), v.Add(c.y / c.z);
        };
        for (const auto& t : triangles)
            for (const VECTOR3& p : t.p) fit(p);
        if (triangles.empty())
            for (const VECTOR3& c : box.Corners()) fit(c);
        focal = FIT * std::min(a.plotW / std::max(h.hi - h.lo, 1e-6), a.plotH / std::max(v.hi - v.lo, 1e-6));
        cx = a.plotW / 2.0;
        cy = a.plotH / 2.0;
    }
    VECTOR3 Camera(const VECTOR3& p) const {
        const VECTOR3 q = p - eye;
        return VECTOR3{Dot(q, right), Dot(q, up), Dot(q, forward)};
    }
    ScreenPoint Screen(const VECTOR3& c) const {
        return ScreenPoint{cx + focal * (c.x / c.z - h.Mid()), cy - focal * (c.y / c.z - v.Mid()), 1.0 / c.z};
    }
    ScreenPoint operator()(const VECTOR3& p) const { return Screen(Camera(p)); }
};

void DrawPerspective(Image& image, const PanelArea& a, const Box& box, const PerspectiveProjection& view,
                     const std::vector<VesselGeometry::Triangle>& triangles, const std::vector<Rgb>& shades,
                     const std::string& caption, const TextScales& s) {
    const double radius = view.radius, distance = view.distance, focal = view.focal;
    auto camera = [&](const VECTOR3& p) { return view.Camera(p); };
    auto screen = [&](const VECTOR3& c) { return view.Screen(c); };
    Panel plot(image, a.plotLeft, a.plotTop, a.plotW, a.plotH);
    for (size_t i = 0; i < triangles.size(); ++i) {
        const auto& t = triangles[i];
        plot.FillTriangle(view(t.p[0]), view(t.p[1]), view(t.p[2]), shades[i]);
    }

    // A ground grid just under the vessel, hidden where the vessel stands in front of it.
    const long step = NiceStep(focal / distance, MIN_MINOR_SPACING * 2);
    const double y = box.lo.y - 0.01 * radius;
    const double pad = static_cast<double>(step);
    const std::vector<long> xs = Multiples(box.lo.x - pad, box.hi.x + pad, step);
    const std::vector<long> zs = Multiples(box.lo.z - pad, box.hi.z + pad, step);
    const bool grid = !xs.empty() && !zs.empty();
    const double x0 = grid ? static_cast<double>(xs.front()) : 0, x1 = grid ? static_cast<double>(xs.back()) : 0;
    const double z0 = grid ? static_cast<double>(zs.front()) : 0, z1 = grid ? static_cast<double>(zs.back()) : 0;
    const double nearest = 0.05 * distance;  // [m] lines closer to the eye are cut there
    auto segment = [&](VECTOR3 p, VECTOR3 q, Rgb colour) {
        VECTOR3 cp = camera(p), cq = camera(q);
        if (cp.z < nearest && cq.z < nearest) return;
        if (cp.z < nearest) cp = cp + (cq - cp) * ((nearest - cp.z) / (cq.z - cp.z));
        if (cq.z < nearest) cq = cq + (cp - cq) * ((nearest - cq.z) / (cp.z - cq.z));
        plot.Line(screen(cp), screen(cq), colour, true);
    };
    if (grid) {
        for (long x : xs)
            segment({static_cast<double>(x), y, z0}, {static_cast<double>(x), y, z1}, x == 0 ? AXIS_LINE : MAJOR_LINE);
        for (long z : zs)
            segment({x0, y, static_cast<double>(z)}, {x1, y, static_cast<double>(z)}, z == 0 ? AXIS_LINE : MAJOR_LINE);
    }
    // Which way the axes run, at the grid's far ends.
    const bool xAxisOnGrid = grid && z0 <= 0 && z1 >= 0, zAxisOnGrid = grid && x0 <= 0 && x1 >= 0;
    for (const auto& [end, name, shown] : {std::tuple{VECTOR3{x1, y, 0}, "+X", xAxisOnGrid},
                                           {VECTOR3{0, y, z1}, "+Z", zAxisOnGrid}}) {
        const VECTOR3 c = camera(end);
        if (!shown || c.z < nearest) continue;
        const ScreenPoint p = screen(c);
        // Only where it fits inside the drawing.
        if (!(p.x >= 0 && p.y >= 0 && p.x + s.pad + TextWidth(name, s.label) < a.plotW &&
              p.y + TextHeight(s.label) < a.plotH))
            continue;
        DrawText(image, a.plotLeft + static_cast<int>(p.x) + s.pad / 2, a.plotTop + static_cast<int>(p.y), name, TEXT,
                 s.label);
    }
    DrawFrame(image, a, "PERSPECTIVE", GridNote(step), s);
    DrawText(image, a.plotLeft, a.plotTop + a.plotH + s.pad, caption, TEXT, s.label);
}

// A count of pixels to two figures, as 8.1e+09.
std::string Approx(double pixels) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2g", pixels);
    return text;
}

// The pixels that filling the triangles in a panel's drawing tries: each triangle's rows and the
// pixels it covers, both held to the drawing (the rasteriser tries each row only across the
// triangle's span).
template <class Projection>
double FillWork(const Projection& project, const PanelArea& a, const std::vector<VesselGeometry::Triangle>& triangles) {
    const double panel = static_cast<double>(a.plotW) * a.plotH;
    double work = 0;
    for (const auto& t : triangles) {
        const ScreenPoint p = project(t.p[0]), q = project(t.p[1]), r = project(t.p[2]);
        const double top = std::clamp(std::min({p.y, q.y, r.y}), 0.0, static_cast<double>(a.plotH));
        const double bottom = std::clamp(std::max({p.y, q.y, r.y}), 0.0, static_cast<double>(a.plotH));
        const double area = std::abs((q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x)) / 2;
        const double rows = bottom - top + 1;
        work += std::isfinite(area) ? rows + std::min(area, panel) : rows + panel;
    }
    return work;
}

}  // namespace

RenderTooLarge::RenderTooLarge(size_t triangles, double work)
    : std::runtime_error("drawing its " + std::to_string(triangles) + " triangles would fill " + Approx(work) +
                         " pixels, more than the " + Approx(MAX_RENDER_WORK) +
                         " that one picture may take; give a smaller --size, or a mesh with fewer or smaller "
                         "triangles"),
      triangles(triangles), work(work) {}

VesselGeometry CollectGeometry(const VesselRecord& vessel) {
    VesselGeometry g;
    std::vector<VECTOR3> placed;
    for (size_t slot = 0; slot < vessel.def.meshes.size(); ++slot) {
        const MeshSlot& mesh = vessel.def.meshes[slot];
        if (!mesh.data) continue;
        ++g.meshes;
        for (size_t group = 0; group < mesh.data->groups.size(); ++group) {
            const MeshGroup& grp = mesh.data->groups[group];
            // Each vertex once, however many triangles share it.
            placed.clear();
            for (const VECTOR3& p : grp.vertices)
                placed.push_back(AnimatedPoint(vessel, static_cast<UINT>(slot), static_cast<UINT>(group), p) + mesh.offset);
            const MaterialColour colour =
                grp.material > 0 && static_cast<size_t>(grp.material) <= mesh.data->diffuse.size()
                    ? mesh.data->diffuse[static_cast<size_t>(grp.material) - 1]
                    : NO_MATERIAL;
            for (const auto& tri : grp.triangles)
                g.triangles.push_back({{placed[static_cast<size_t>(tri[0])], placed[static_cast<size_t>(tri[1])],
                                        placed[static_cast<size_t>(tri[2])]},
                                       colour});
        }
    }
    return g;
}

Image RenderVessel(const VesselGeometry& geometry, const RenderOptions& options) {
    Image image(options.width, options.height, BACKGROUND);
    const TextScales s = ScalesFor(options.width);
    const int panelW = options.width / 2, panelH = options.height / 2;

    Box box;
    for (const auto& t : geometry.triangles)
        for (const VECTOR3& p : t.p)
            if (IsFinite(p)) box.Add(p);
    if (box.Empty()) box.Add({-1, -1, -1}), box.Add({1, 1, 1});
    // A triangle without area (two corners at one point, as at the pole of a mesh's sphere) is
    // nothing to see; one that is only thin (a parachute line) is drawn, however thin it looks.
    std::vector<VesselGeometry::Triangle> triangles;
    std::vector<Rgb> shades;
    for (const auto& t : geometry.triangles) {
        const double longest = std::max({Length(t.p[1] - t.p[0]), Length(t.p[2] - t.p[1]), Length(t.p[0] - t.p[2])});
        if (!(Length(Cross(t.p[1] - t.p[0], t.p[2] - t.p[0])) > 1e-9 * longest * longest)) continue;
        triangles.push_back(t);
        shades.push_back(Shade(t));
    }

    // One scale for the three orthographic views, so that lengths compare across them.
    const std::array<PanelArea, 3> areas = {Layout(0, 0, panelW, panelH, s, true), Layout(1, 0, panelW, panelH, s, true),
                                            Layout(0, 1, panelW, panelH, s, true)};
    double scale = std::numeric_limits<double>::infinity();  // [px/m]
    for (size_t i = 0; i < areas.size(); ++i) {
        Range h, v;
        for (const VECTOR3& c : box.Corners()) h.Add(Dot(c, ORTHO_VIEWS[i].right)), v.Add(Dot(c, ORTHO_VIEWS[i].up));
        scale = std::min({scale, FIT * areas[i].plotW / h.Extent(), FIT * areas[i].plotH / v.Extent()});
    }
    std::vector<OrthoProjection> orthos;
    for (size_t i = 0; i < areas.size(); ++i) orthos.emplace_back(areas[i], ORTHO_VIEWS[i], box, scale);
    const PanelArea perspectiveArea = Layout(1, 1, panelW, panelH, s, false);
    const PerspectiveProjection perspective(perspectiveArea, box, triangles);

    // What the drawing will cost is known before it starts.
    double work = 0;
    for (size_t i = 0; i < areas.size(); ++i) work += FillWork(orthos[i], areas[i], triangles);
    work += FillWork(perspective, perspectiveArea, triangles);
    if (work > MAX_RENDER_WORK) throw RenderTooLarge(triangles.size(), work);

    for (size_t i = 0; i < areas.size(); ++i) DrawOrtho(image, areas[i], orthos[i], triangles, shades, s);
    DrawPerspective(image, perspectiveArea, box, perspective, triangles, shades, options.caption, s);
    return image;
}

}  // namespace sim
