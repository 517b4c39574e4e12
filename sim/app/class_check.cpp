#include "sim/app/class_check.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <system_error>

#include "sim/app/payload_lines.h"
#include "sim/class_config.h"
#include "sim/errors.h"
#include "sim/folder_names.h"
#include "sim/mesh.h"
#include "sim/module_loader.h"
#include "sim/text.h"

namespace sim {

namespace {

namespace fs = std::filesystem;

// Where each named class is named first ("FILE:LINE: "), by class name as written.
struct NamedClass {
    std::string where;
    int line;          // of the scenario
    bool vesselBlock;  // the scenario creates it at load, which reports what is missing itself
};

std::map<std::string, NamedClass> NamedClasses(const Scenario& scenario) {
    std::map<std::string, NamedClass> named;
    for (const auto& block : scenario.vessels) {
        named.emplace(block.className, NamedClass{Where(scenario.file, block.headerLine, ""), block.headerLine, true});
        for (const auto& line : block.lines) {
            const auto words = SplitWords(line.text);
            if (words.size() >= 4 && (words[0] == "PAYLOAD" || words[0] == "STAGE"))
                named.emplace(words[3], NamedClass{Where(scenario.file, line.number, ""), line.number, false});
        }
    }
    return named;
}

// The mesh and class names of the scenario's PAYLOAD and STAGE lines that lead out of their folders:
// the carrier would refuse the line, and the host must not be asked to open such a file.
std::vector<std::string> PayloadNameErrors(const Scenario& scenario) {
    std::vector<std::string> errors;
    for (const auto& block : scenario.vessels)
        for (const auto& line : block.lines) {
            const auto words = SplitWords(line.text);
            if (words.empty() || (words[0] != "PAYLOAD" && words[0] != "STAGE")) continue;
            for (size_t field : {size_t{2}, size_t{3}}) {
                if (words.size() <= field) break;
                if (const std::string problem = FolderNameProblem(words[field]); !problem.empty())
                    errors.push_back(Where(scenario.file, line.number,
                                           FolderNameRefusal(field == 2 ? "the payload line's mesh" : "the payload line's class",
                                                             words[field], problem)));
            }
        }
    return errors;
}

size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The host key that an unknown key is most likely a slip of, when the file does not set that key
// already; nullptr when the key is too far from every host key to be one mistyped.
const char* MistypedHostKey(const VesselClass& cls, const std::string& lowerKey) {
    const size_t tolerance = lowerKey.size() <= 4 ? 1 : 2;
    for (const char* known : HOST_CLASS_KEYS) {
        const std::string lowerKnown = Lower(known);
        if (!cls.Find(lowerKnown) && EditDistance(lowerKey, lowerKnown) <= tolerance) return known;
    }
    return nullptr;
}

bool IsHostKey(const std::string& lowerKey) {
    return std::any_of(std::begin(HOST_CLASS_KEYS), std::end(HOST_CLASS_KEYS),
                       [&](const char* k) { return Lower(k) == lowerKey; });
}

class Checker {
public:
    Checker(const fs::path& root, const Scenario& scenario, MeshFileCache* meshFiles, RootFiles* files)
        : root_(root), scenario_(scenario), named_(NamedClasses(scenario)),
          meshFiles_(meshFiles ? meshFiles : &ownMeshFiles_), ownFiles_(root), files_(files ? files : &ownFiles_) {
        ownFiles_.onAmbiguous = [this](std::string text) { report_.warnings.push_back(std::move(text)); };
    }

    ClassCheckReport Run() {
        report_.errors = PayloadNameErrors(scenario_);
        // The file the host reads for each class the scenario names, found as the host finds it.
        std::vector<const std::pair<const std::string, NamedClass>*> missing;
        for (const auto& named : named_) {
            if (!FolderNameProblem(named.first).empty()) continue;
            if (const auto path = FindClassFile(*files_, named.first)) {
                const NamedFile file{named.second.vesselBlock, named.first, named.second.line};
                auto [it, first] = namedFiles_.emplace(*path, file);
                if (!first) {
                    // Named by several spellings: by the earliest line, created at load by any.
                    if (file.line < it->second.line) {
                        it->second.className = file.className;
                        it->second.line = file.line;
                    }
                    it->second.createdAtLoad = it->second.createdAtLoad || file.createdAtLoad;
                }
            } else if (!named.second.vesselBlock)
                missing.push_back(&named);
        }
        std::multimap<std::string, fs::path> files;  // class name -> a file the host would read for it
        std::set<fs::path> listed;
        auto add = [&](const std::string& name, const fs::path& path) {
            if (listed.insert(path).second) files.emplace(name, path);
        };
        std::error_code ignored;
        for (const fs::path& vessels : files_->FindAll("Config/Vessels", file_case::Kind::Folder))
            for (auto it = fs::recursive_directory_iterator(vessels, ignored); it != fs::recursive_directory_iterator();
                 it.increment(ignored)) {
                if (ignored) break;
                if (IsClassFileName(it->path()) && it->is_regular_file(ignored)) {
                    fs::path relative = it->path().lexically_relative(vessels);
                    relative.replace_extension();
                    add(relative.generic_string(), it->path());
                }
            }
        // The root's Config folder also holds the simulator's own settings: a file there counts as
        // a class when the scenario names it or it says that it is one.
        for (const fs::path& config : files_->FindAll("Config", file_case::Kind::Folder))
            for (const auto& entry : fs::directory_iterator(config, ignored)) {
                if (!IsClassFileName(entry.path()) || !entry.is_regular_file(ignored)) continue;
                const std::string name = entry.path().stem().string();
                // Any spelling of the name finds Config/Vessels first: the host never reads this one.
                if (!files_->FindAll("Config/Vessels/" + name + ".cfg").empty()) continue;
                if (namedFiles_.count(entry.path())) {
                    add(name, entry.path());
                    continue;
                }
                try {
                    if (ReadClassFile(entry.path(), name)->Find("classname")) add(name, entry.path());
                } catch (const InputError&) {
                    // Not in the class files' form: another settings file.
                }
            }
        // A named class in a folder that the listing does not enter (a link to a folder).
        for (const auto& named : namedFiles_) add(named.first.stem().string(), named.first);
        for (const auto& [name, path] : files) Check(name, path);
        CheckModules();
        for (const ScenarioPayloadLine& line : ScenarioPayloadLines(scenario_)) CheckPayloadLine(line);
        for (const auto* named : missing)
            Warn(true, named->second.where + "a payload line names the class '" + named->first +
                           "', which has no class file (" + ClassFilePlaces(root_, named->first) +
                           "); its release will be refused");
        return std::move(report_);
    }

private:
    static bool IsClassFileName(const fs::path& path) {
        return file_case::SameIgnoringCase(path.extension().string(), ".cfg");
    }

    void Report(bool named, std::string text) {
        if (named) report_.errors.push_back(std::move(text));
        else report_.warnings.push_back(std::move(text) + " (a class this scenario does not name: the run goes on, and stops here if a module creates one)");
    }

    void Warn(bool named, std::string text) {
        report_.warnings.push_back(std::move(text));
        if (named) report_.warnedAboutNamedClass = true;
    }

    void Check(const std::string& name, const fs::path& path) {
        const auto namedFile = namedFiles_.find(path);
        const bool named = namedFile != namedFiles_.end();
        std::unique_ptr<VesselClass> cls;
        try {
            cls = ReadClassFile(path, name);
        } catch (const InputError& e) {
            Report(named, e.what());
            return;
        }
        const VesselClass::Value* module = cls->Find("module");
        classModules_[path] = ClassModule{cls->module, module ? module->line : 0};
        for (const auto& [key, value] : cls->values) {
            if (IsHostKey(key)) continue;
            if (const char* meant = MistypedHostKey(*cls, key))
                Report(named, Where(path.string(), value.line,
                                    "'" + key + "' is not a class key; did you mean '" + meant + "'?"));
            else if (named)
                Warn(true, Where(path.string(), value.line,
                                 "'" + key + "' is not a key talvek-sim reads; ignored (the simulator or the "
                                 "class's module may read it)"));
        }
        try {
            const ClassValues values = ReadClassValues(*cls);
            if (values.meshName)
                CheckMesh(named, named && namedFile->second.createdAtLoad, *values.meshName, path,
                          cls->Find("meshname")->line);
        } catch (const InputError& e) {
            Report(named, e.what());
        }
    }

    // createdAtLoad: the scenario creates a vessel of the class, whose load warns of a missing mesh itself.
    void CheckMesh(bool named, bool createdAtLoad, const std::string& mesh, const fs::path& classFile, int line) {
        const std::optional<fs::path> path = FindMeshFile(*files_, mesh);
        if (!path) {
            // As when the vessel is created: the vessel flies without a mesh. A vessel of the scenario
            // says so itself as it is created; --strict fails on it all the same.
            if (createdAtLoad) report_.warnedAboutNamedClass = true;
            else
                Warn(named, Where(classFile.string(), line,
                                  "'MeshName' " + mesh + ": no mesh file " + MeshPath(root_, mesh).string() +
                                      "; the vessel has no mesh"));
            return;
        }
        auto [it, first] = meshes_.emplace(path->string(), std::string());
        if (first) {
            try {
                meshFiles_->Read(*path);
            } catch (const InputError& e) {
                it->second = e.what();
            }
        }
        if (!it->second.empty())
            Report(named, it->second + " (the mesh that " + classFile.string() + ":" + std::to_string(line) + " names)");
    }

    // A class file's Module, where it has one, and the line that gives it.
    struct ClassModule {
        std::optional<std::string> name;
        int line;
    };

    // The module file of every class that has a Module: the host stops where it must create a vessel of a
    // class whose module is not there, which for a payload's class is when J releases it.
    void CheckModules() {
        for (const auto& [path, module] : classModules_) {
            if (!module.name || FindModuleFile(*files_, *module.name)) continue;
            const auto namedFile = namedFiles_.find(path);
            const bool named = namedFile != namedFiles_.end();
            std::string text =
                "'Module' " + *module.name + ": no module file " + ModulePath(root_, *module.name).string();
            if (named)
                text += " (the class '" + namedFile->second.className + "', which " + scenario_.file + ":" +
                        std::to_string(namedFile->second.line) + " names)";
            Report(named, Where(path.string(), module.line,
                                text + "; build or install the module, or correct the Module key"));
        }
    }

    // The class file read for a class name and what it says of its module; none when there is no file or
    // the file does not read.
    const ClassModule* ModuleOfClass(const std::string& className, std::optional<fs::path>* file = nullptr) {
        if (className.empty() || !FolderNameProblem(className).empty()) return nullptr;
        // A search of the folders for each line would cost a scenario of many carriers dear.
        auto [known, first] = classFiles_.emplace(className, std::nullopt);
        if (first) known->second = FindClassFile(*files_, className);
        const std::optional<fs::path>& path = known->second;
        if (file) *file = path;
        if (!path) return nullptr;
        const auto found = classModules_.find(*path);
        return found == classModules_.end() ? nullptr : &found->second;
    }

    void CheckPayloadLine(const ScenarioPayloadLine& p) {
        // The lines of a vessel without a module go to no carrier: the simulator ignores them, and so
        // does talvek-sim, saying so as it loads them.
        const ClassModule* carrier = ModuleOfClass(p.block->className);
        if (!carrier || !carrier->name) return;
        if (p.stage && p.nested > 0) CheckStageCarries(p);
        CheckFuelLevel(p);
        CheckPayloadMesh(p);
    }

    // A stage hands the lines nested in it to the vessel it is released as, and only a module of that
    // vessel can take them: a class without one would lose them all at the first J.
    void CheckStageCarries(const ScenarioPayloadLine& p) {
        std::optional<fs::path> file;
        const ClassModule* module = ModuleOfClass(p.className, &file);
        // No class file: its release is refused and the lines stay on board (a warning of its own); a
        // file that does not read is an error of its own.
        if (!module) return;
        const std::string what = "the stage " + (p.vessel.empty() ? std::string("of this line") : p.vessel) +
                                 " holds " + std::to_string(p.nested) + " payload line" + (p.nested == 1 ? "" : "s") +
                                 ", which could never arrive: ";
        const std::string lost = ", and released, the stage would fly off without them; ";
        const std::string fix = "give the class a module that reads payload lines (Module = TalvekStage, as the "
                                "shipped tlvstage has), or take the lines out of the stage";
        if (!module->name)
            report_.errors.push_back(Where(scenario_.file, p.line,
                                           what + "its class '" + p.className + "' (" + file->string() +
                                               ") has no Module to take them" + lost + fix));
        else if (!FindModuleFile(*files_, *module->name))
            report_.errors.push_back(Where(scenario_.file, p.line,
                                           what + "its class '" + p.className + "' names the module '" + *module->name +
                                               "', which is not in Modules (no file " +
                                               ModulePath(root_, *module->name).string() + ")" + lost +
                                               "build or install the module, or " + fix));
    }

    // The carrier holds a fuel level within 0..1 and reads one beyond as the nearer end: 50, meant as 50 %,
    // fills the tank.
    void CheckFuelLevel(const ScenarioPayloadLine& p) {
        constexpr size_t FUEL_FIELD = 5;  // of the six numbers
        if (p.numbers.size() <= FUEL_FIELD) return;
        for (size_t i = 0; i < FUEL_FIELD; ++i) {
            double ignored;
            // The carrier stops at a number that does not read: the fuel level is then 0.
            if (!ParseDouble(p.numbers[i], ignored)) return;
        }
        double fuel;
        if (!ParseDouble(p.numbers[FUEL_FIELD], fuel) || (fuel >= 0 && fuel <= 1)) return;
        const double held = std::clamp(fuel, 0.0, 1.0);
        report_.warnings.push_back(Where(scenario_.file, p.line,
                                         "the payload line's fuel level " + p.numbers[FUEL_FIELD] +
                                             " is outside 0..1; it is read as " + FormatDouble(held) +
                                             ". The field is the share of the tank that is full, a fraction from 0 to "
                                             "1: write 0.5 for half full"));
        report_.warnedAboutPayloadLine = true;
    }

    void CheckPayloadMesh(const ScenarioPayloadLine& p) {
        // A name that leads out of Meshes is an error of its own.
        if (p.mesh.empty() || !FolderNameProblem(p.mesh).empty()) return;
        auto [known, first] = payloadMeshThere_.emplace(p.mesh, false);
        if (first) known->second = FindMeshFile(*files_, p.mesh).has_value();
        if (known->second) return;
        report_.warnings.push_back(Where(scenario_.file, p.line,
                                         "the payload line's mesh '" + p.mesh + "' is not in Meshes (no file " +
                                             MeshPath(root_, p.mesh).string() +
                                             "), so nothing is drawn for it; give the name of a mesh file in Meshes, "
                                             "without .msh"));
        report_.warnedAboutPayloadLine = true;
    }

    // A class file that a named class reads: the name and the scenario line that name it first, and
    // whether the scenario creates a vessel of it at load.
    struct NamedFile {
        bool createdAtLoad;
        std::string className;
        int line;
    };

    fs::path root_;
    const Scenario& scenario_;
    std::map<std::string, NamedClass> named_;
    std::map<fs::path, NamedFile> namedFiles_;
    std::map<fs::path, ClassModule> classModules_;  // of every class file that reads
    std::map<std::string, std::optional<fs::path>> classFiles_;  // class name as written -> its file
    std::map<std::string, bool> payloadMeshThere_;  // a payload line's mesh name -> whether Meshes holds it
    std::map<std::string, std::string> meshes_;  // path -> the reader's error, "" when it reads
    MeshFileCache ownMeshFiles_;
    MeshFileCache* meshFiles_;
    RootFiles ownFiles_;
    RootFiles* files_;
    ClassCheckReport report_;
};

}  // namespace

ClassCheckReport CheckClassFiles(const std::filesystem::path& root, const Scenario& scenario,
                                 MeshFileCache* meshFiles, RootFiles* files) {
    return Checker(root, scenario, meshFiles, files).Run();
}

}  // namespace sim
