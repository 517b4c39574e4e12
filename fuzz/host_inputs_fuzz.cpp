// Feeds arbitrary text to the host's readers: scenario files, host keys, meshes, class files
// and flight scripts. Each either reads it or refuses it with an InputError; nothing crashes.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "sim/app/script.h"
#include "sim/class_config.h"
#include "sim/errors.h"
#include "sim/mesh.h"
#include "sim/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        sim::ParseScenario(text, "fuzz.scn");
    } catch (const sim::InputError&) {
    }
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
    static const std::filesystem::path cfg = std::filesystem::temp_directory_path() / "talvek-fuzz-class.cfg";
    std::ofstream(cfg, std::ios::binary) << text;
    try {
        sim::ReadClassFile(cfg, "Fuzz");
    } catch (const sim::InputError&) {
    }
    return 0;
}
