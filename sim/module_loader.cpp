#include "sim/module_loader.h"

#include "sim/errors.h"
#include "sim/folder_names.h"
#include "sim/platform.h"

namespace sim {

VesselModule::~VesselModule() {
    platform::CloseLibrary(library);
}

std::filesystem::path ModulePath(const std::filesystem::path& root, const std::string& moduleName) {
    return root / "Modules" / (moduleName + platform::LIBRARY_SUFFIX);
}

std::optional<std::filesystem::path> FindModuleFile(RootFiles& files, const std::string& moduleName) {
    return files.Find("Modules/" + moduleName + platform::LIBRARY_SUFFIX);
}

namespace {
template <class Fn>
Fn Lookup(void* library, const char* name) {
    return reinterpret_cast<Fn>(platform::LibrarySymbol(library, name));
}
}  // namespace

const VesselModule& ModuleRegistry::Get(const std::string& moduleName, const std::string& className,
                                        const std::filesystem::path& classFile) {
    auto found = modules_.find(moduleName);
    if (found != modules_.end()) return *found->second;

    const std::string where = "class '" + className + "' (" + platform::Utf8(classFile) + ")";
    if (const std::string problem = FolderNameProblem(moduleName); !problem.empty())
        throw InputError(where + ": " + FolderNameRefusal("the module name", moduleName, problem));
    auto m = std::make_unique<VesselModule>();
    m->name = moduleName;
    const std::optional<std::filesystem::path> path = FindModuleFile(files_, moduleName);
    if (!path)
        throw InputError(where + ": module '" + moduleName + "' not found at " +
                         platform::Utf8(ModulePath(files_.Root(), moduleName)) + "; build it or correct the Module key");
    m->path = *path;
    std::string err;
    m->library = platform::OpenLibrary(m->path, err);
    if (!m->library) throw InputError(where + ": module " + platform::Utf8(m->path) + " cannot be loaded: " + err);
    m->init = Lookup<OvcInitFn>(m->library, "ovcInit");
    m->exit = Lookup<OvcExitFn>(m->library, "ovcExit");
    m->setClassCaps = Lookup<OvcSetClassCapsFn>(m->library, "ovcSetClassCaps");
    m->timestep = Lookup<OvcTimestepFn>(m->library, "ovcTimestep");
    m->visualCreated = Lookup<OvcVisualCreatedFn>(m->library, "ovcVisualCreated");
    m->loadStateEx = Lookup<OvcLoadStateExFn>(m->library, "ovcLoadStateEx");
    m->saveState = Lookup<OvcSaveStateFn>(m->library, "ovcSaveState");
    m->consumeBufferedKey = Lookup<OvcConsumeBufferedKeyFn>(m->library, "ovcConsumeBufferedKey");
    if (!m->init)
        throw InputError(where + ": module " + platform::Utf8(m->path) + " exports no ovcInit; it is not a vessel module");
    return *modules_.emplace(moduleName, std::move(m)).first->second;
}

}  // namespace sim
