// Vessel modules: shared libraries under ROOT/Modules, loaded with the system loader, their
// entry points looked up by undecorated name.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "host/oapi.h"

namespace sim {

struct VesselModule {
    std::string name;
    std::filesystem::path path;
    void* library = nullptr;
    OvcInitFn init = nullptr;
    OvcExitFn exit = nullptr;
    OvcSetClassCapsFn setClassCaps = nullptr;
    OvcTimestepFn timestep = nullptr;
    OvcVisualCreatedFn visualCreated = nullptr;
    OvcLoadStateExFn loadStateEx = nullptr;
    OvcSaveStateFn saveState = nullptr;
    OvcConsumeBufferedKeyFn consumeBufferedKey = nullptr;

    VesselModule() = default;
    VesselModule(const VesselModule&) = delete;
    VesselModule& operator=(const VesselModule&) = delete;
    ~VesselModule();
};

// The platform's file name of a module: ROOT/Modules/<name>.so (<name>.dll on Windows).
std::filesystem::path ModulePath(const std::filesystem::path& root, const std::string& moduleName);

class ModuleRegistry {
public:
    explicit ModuleRegistry(std::filesystem::path root) : root_(std::move(root)) {}
    // Loads the module on first use. Throws InputError naming the class and the path when the
    // library is missing, cannot be loaded or has no ovcInit.
    const VesselModule& Get(const std::string& moduleName, const std::string& className,
                            const std::filesystem::path& classFile);

private:
    std::filesystem::path root_;
    std::map<std::string, std::unique_ptr<VesselModule>> modules_;
};

}  // namespace sim
