// Feeds arbitrary lines to a carrier: scenario lines and messages through the router, the
// parser, then the table saved, placed and weighed. Nothing crashes, no number that is not finite
// reaches a slot, and no name outgrows its buffer.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "sim/file_handles.h"
#include "sim/world.h"
#include "spacecraft/talvek_vessel.h"

namespace {

struct Fixture {
    std::filesystem::path root = std::filesystem::temp_directory_path() / "talvek-fuzz-root";
    std::unique_ptr<sim::World> world;
    sim::VesselRecord* record = nullptr;

    Fixture() {
        std::filesystem::create_directories(root / "Config");
        std::ofstream(root / "Config" / "Shell.cfg") << "ClassName = Shell\n";
        world = std::make_unique<sim::World>(root);
        record = world->AddVessel("T", "Shell");
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture fixture;
    TalvekVessel t(fixture.record->Handle());
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        t.HandleScenarioLine(line.c_str());
        t.DispatchMessage(line.c_str(), line.c_str());
        start = end + 1;
    }
    for (const PayloadSlot& s : t.PayloadTable()) {
        if (!s.attached) continue;
        if (!std::isfinite(s.mass) || !std::isfinite(s.mesh.position.x) || !std::isfinite(s.fuelLevel)) __builtin_trap();
        if (std::strlen(s.vesselName) > 127 || std::strlen(s.className) > 127) __builtin_trap();
    }
    sim::ScenarioWriter out;
    t.SavePayloadLines(&out);
    t.PlacePayloadMeshes({0, 0.1, 0});
    (void)t.GetPayloadMass();
    return 0;
}
