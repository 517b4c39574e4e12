// Pictures of a vessel as the host holds it: every mesh slot at its offset, each vertex moved by
// the vessel's animations at their current states, drawn in three orthographic views and one
// perspective view with a metre grid.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "host/hosttypes.h"
#include "sim/app/raster.h"
#include "sim/mesh.h"

namespace sim {

struct VesselRecord;

struct VesselGeometry {
    struct Triangle {
        VECTOR3 p[3];           // [m], vessel frame
        MaterialColour colour;  // the group's material, before shading
    };
    std::vector<Triangle> triangles;
    int meshes = 0;  // mesh slots that had data
};

// The triangles of every mesh slot that has data (null templates and slots whose file was not
// found are skipped), as the vessel's animations have placed them, offset by the slot's offset.
VesselGeometry CollectGeometry(const VesselRecord& vessel);

// [px] the most pixels the triangles of one picture may take to fill, summed over its four
// views (each triangle's rows and covered pixels within its view): a few seconds of drawing.
// The shipped vessels take about a hundredth of it at the largest size; a mesh of many large
// triangles stacked on one another can take thousands of times as much.
constexpr double MAX_RENDER_WORK = 1e9;

// A picture whose triangles would take more than MAX_RENDER_WORK to fill.
struct RenderTooLarge : std::runtime_error {
    RenderTooLarge(size_t triangles, double work);
    size_t triangles;
    double work;  // [px]
};

struct RenderOptions {
    int width = 1600, height = 1200;  // [px] the whole picture: four panels of half its size
    std::string caption;              // written under the perspective view
};

// Side (from +x), top (from +y) and end (from -z) views at one scale, and a perspective view.
// Throws RenderTooLarge, before anything is drawn, when filling its triangles would take too long.
Image RenderVessel(const VesselGeometry& geometry, const RenderOptions& options);

}  // namespace sim
