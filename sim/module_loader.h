// Vessel modules: shared libraries under ROOT/Modules, found without regard to case, loaded with
// the system loader, their entry points looked up by undecorated name.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "host/oapi.h"
#include "sim/folder_names.h"

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

// The platform's file name of a module as its name is written: ROOT/Modules/<name>.so (<name>.dll
// on Windows).
std::filesystem::path ModulePath(const std::filesystem::path& root, const std::string& moduleName);
// The module's file as the host loads it, found without regard to case; none when there is none.
std::optional<std::filesystem::path> FindModuleFile(RootFiles& files, const std::string& moduleName);

class ModuleRegistry {
public:
    explicit ModuleRegistry(RootFiles& files) : files_(files) {}
    // Loads the module on first use. Throws InputError naming the class and the path when the
    // library is missing, cannot be loaded or has no ovcInit.
    const VesselModule& Get(const std::string& moduleName, const std::string& className,
                            const std::filesystem::path& classFile);

private:
    RootFiles& files_;
    std::map<std::string, std::unique_ptr<VesselModule>> modules_;
};

}  // namespace sim
