#include "sim/module_loader.h"

#include <dlfcn.h>

#include "sim/errors.h"
#include "sim/folder_names.h"

namespace sim {

VesselModule::~VesselModule() {
    if (library) dlclose(library);
}

namespace {
constexpr const char* MODULE_SUFFIX = ".so";  // the platform's shared libraries
}  // namespace

std::filesystem::path ModulePath(const std::filesystem::path& root, const std::string& moduleName) {
    return root / "Modules" / (moduleName + MODULE_SUFFIX);
}

std::optional<std::filesystem::path> FindModuleFile(RootFiles& files, const std::string& moduleName) {
    return files.Find("Modules/" + moduleName + MODULE_SUFFIX);
}

namespace {
template <class Fn>
Fn Lookup(void* library, const char* name) {
    return reinterpret_cast<Fn>(dlsym(library, name));
}
}  // namespace

const VesselModule& ModuleRegistry::Get(const std::string& moduleName, const std::string& className,
                                        const std::filesystem::path& classFile) {
    auto found = modules_.find(moduleName);
    if (found != modules_.end()) return *found->second;

    const std::string where = "class '" + className + "' (" + classFile.string() + ")";
    if (const std::string problem = FolderNameProblem(moduleName); !problem.empty())
        throw InputError(where + ": " + FolderNameRefusal("the module name", moduleName, problem));
    auto m = std::make_unique<VesselModule>();
    m->name = moduleName;
    const std::optional<std::filesystem::path> path = FindModuleFile(files_, moduleName);
    if (!path)
        throw InputError(where + ": module '" + moduleName + "' not found at " +
                         ModulePath(files_.Root(), moduleName).string() + "; build it or correct the Module key");
    m->path = *path;
    m->library = dlopen(m->path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m->library) {
        const char* err = dlerror();
        throw InputError(where + ": module " + m->path.string() + " cannot be loaded: " + (err ? err : "unknown error"));
    }
    m->init = Lookup<OvcInitFn>(m->library, "ovcInit");
    m->exit = Lookup<OvcExitFn>(m->library, "ovcExit");
    m->setClassCaps = Lookup<OvcSetClassCapsFn>(m->library, "ovcSetClassCaps");
    m->timestep = Lookup<OvcTimestepFn>(m->library, "ovcTimestep");
    m->visualCreated = Lookup<OvcVisualCreatedFn>(m->library, "ovcVisualCreated");
    m->loadStateEx = Lookup<OvcLoadStateExFn>(m->library, "ovcLoadStateEx");
    m->saveState = Lookup<OvcSaveStateFn>(m->library, "ovcSaveState");
    m->consumeBufferedKey = Lookup<OvcConsumeBufferedKeyFn>(m->library, "ovcConsumeBufferedKey");
    if (!m->init)
        throw InputError(where + ": module " + m->path.string() + " exports no ovcInit; it is not a vessel module");
    return *modules_.emplace(moduleName, std::move(m)).first->second;
}

}  // namespace sim
