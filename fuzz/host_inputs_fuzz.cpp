// Feeds arbitrary text to the host's readers: scenario files, host keys, meshes, class files
// and flight scripts. Each either reads it or refuses it with an InputError; nothing crashes.
// A scenario that reads is also loaded into a world of the built root (the shipped classes and
// modules), so that the host keys are applied to real tanks and thrusters; the input is also
// read as class "Fuzz" and a vessel of it put in orbit. All are flown for a few frames: no
// vessel's state may become non-finite.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "sim/app/script.h"
#include "sim/class_config.h"
#include "sim/errors.h"
#include "sim/mesh.h"
#include "sim/platform.h"
#include "sim/scenario.h"
#include "sim/world.h"

#ifndef TALVEK_FUZZ_BUILD_ROOT
#error "TALVEK_FUZZ_BUILD_ROOT names the root that the build assembles"
#endif

namespace fs = std::filesystem;

namespace {

// A scratch root: the build root's class files copied (so that Config/Fuzz.cfg can be written
// beside them), its meshes and modules linked.
struct Root {
    fs::path path = fs::temp_directory_path() / ("talvek-fuzz-host-" + std::to_string(sim::platform::ProcessId()));

    Root() {
        const fs::path built = TALVEK_FUZZ_BUILD_ROOT;
        fs::remove_all(path);
        fs::create_directories(path);
        fs::copy(built / "Config", path / "Config", fs::copy_options::recursive);
        for (const char* folder : {"Meshes", "Modules"}) fs::create_directory_symlink(built / folder, path / folder);
        fs::current_path(path);  // modules expect the root as the working folder
    }
    ~Root() { fs::remove_all(path); }
};

bool Finite(const VECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

void CheckFinite(const sim::World& world) {
    for (const auto& v : world.Vessels())
        if (!Finite(v->pos) || !Finite(v->vel) || !Finite(v->angVel) || !std::isfinite(v->Mass())) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Root root;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::ofstream(root.path / "Config" / "Fuzz.cfg", std::ios::binary | std::ios::trunc) << text;

    sim::ParsedVesselState state;
    (void)sim::ParseHostKey(text.c_str(), state);
    try {
        sim::ParseMesh(text, "fuzz.msh");
    } catch (const sim::InputError&) {
    }
    try {
        sim::ParseScript(text, "fuzz.txt", "/tmp");
    } catch (const sim::InputError&) {
    }
    try {
        sim::ReadClassFile(root.path / "Config" / "Fuzz.cfg", "Fuzz");
    } catch (const sim::InputError&) {
    }

    // Flies a world for a few frames, as talvek-sim would after a load that succeeded.
    auto fly = [](sim::World& world) {
        CheckFinite(world);
        try {
            for (int frame = 0; frame < 3 && !world.Vessels().empty(); ++frame) {
                world.AdvanceFrame(1.0);
                world.ThrowIfError();
            }
        } catch (const sim::InputError&) {
        }
        CheckFinite(world);
    };
    {
        // The input as a class: its values applied to a vessel in a low, turning orbit.
        sim::World world(root.path);
        bool loaded = false;
        try {
            sim::VesselRecord* v = world.AddVessel("FuzzClass", "Fuzz");
            sim::ParsedVesselState orbit;
            orbit.rpos = VECTOR3{6.6e6, 0, 0};
            orbit.rvel = VECTOR3{0, 0, 7800};
            orbit.vrot = VECTOR3{10, -20, 30};
            sim::ApplyParsedState(world, *v, orbit);
            world.PostCreation(*v);
            world.ThrowIfError();
            loaded = true;
        } catch (const sim::InputError&) {
        }
        if (loaded) fly(world);
    }
    {
        // The input as a scenario; a load that fails stops talvek-sim, so only a loaded one flies.
        sim::World world(root.path);
        bool loaded = false;
        try {
            sim::LoadScenario(world, sim::ParseScenario(text, "fuzz.scn"));
            loaded = true;
        } catch (const sim::InputError&) {
        }
        if (loaded) fly(world);
    }
    return 0;
}
