#include "sim/class_config.h"

#include <algorithm>
#include <fstream>

#include "sim/errors.h"
#include "sim/file_handles.h"
#include "sim/folder_names.h"
#include "sim/kept_lines.h"
#include "sim/text.h"

namespace sim {

namespace {
constexpr const char* END_PARSE = "END_PARSE";
}  // namespace

const char* const HOST_CLASS_KEYS[17] = {"ClassName",     "Module",          "MeshName",      "Size",
                                         "Mass",          "PropellantResource1", "MaxFuel",   "Isp",
                                         "MaxMainThrust", "CW",              "CrossSections", "RotResistance",
                                         "Inertia",       "TouchdownPoints", "CameraOffset",  "EnableXPDR",
                                         "XPDR"};

const VesselClass::Value* VesselClass::Find(const std::string& lowerKey) const {
    auto it = values.find(lowerKey);
    return it == values.end() ? nullptr : &it->second;
}

std::optional<std::vector<double>> VesselClass::Numbers(const std::string& lowerKey, size_t minCount, size_t maxCount,
                                                        const char* expected) const {
    const Value* value = Find(lowerKey);
    if (!value) return std::nullopt;
    std::vector<double> numbers;
    for (const auto& word : SplitWords(value->text)) {
        double d;
        if (!ParseDouble(word, d)) {
            numbers.clear();
            break;
        }
        numbers.push_back(d);
    }
    if (numbers.size() < minCount || numbers.size() > maxCount)
        throw InputError(Where(path.string(), value->line, "'" + lowerKey + "' expects " + expected));
    return numbers;
}

std::optional<std::vector<double>> VesselClass::Numbers(const std::string& lowerKey, size_t minCount,
                                                        size_t maxCount, const char* expected, double lo, double hi,
                                                        const char* accepted) const {
    auto numbers = Numbers(lowerKey, minCount, maxCount, expected);
    if (numbers)
        for (double d : *numbers)
            if (d < lo || d > hi)
                throw InputError(Where(path.string(), Find(lowerKey)->line,
                                       "'" + lowerKey + "' value " + FormatDouble(d) + " is out of range (" + accepted + ")"));
    return numbers;
}

std::unique_ptr<VesselClass> ReadClassFile(const std::filesystem::path& path, const std::string& className) {
    std::ifstream in(path);
    if (!in) throw InputError(Where(path.string(), 0, "cannot be read"));
    auto cls = std::make_unique<VesselClass>();
    cls->fileKind = CLASS_FILE;
    cls->name = className;
    cls->path = path;
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        // The simulator reads its files in text mode: a line's CR is not part of it.
        const size_t length = !raw.empty() && raw.back() == '\r' ? raw.size() - 1 : raw.size();
        if (length > CLASS_LINE_MAX && cls->firstOverlongLine == 0) cls->firstOverlongLine = number;
        // What follows END_PARSE is not the simulator's to read (a script, notes): nor the host's.
        if (EqualsNoCase(Trim(raw), END_PARSE)) break;
        const size_t comment = raw.find(';');
        const std::string line = Trim(comment == std::string::npos ? raw : raw.substr(0, comment));
        if (line.empty()) continue;
        if (EqualsNoCase(line, END_PARSE))
            throw InputError(Where(path.string(), number,
                                   "END_PARSE ends what is read only on a line of its own: the simulator reads on "
                                   "past '" + Trim(raw) + "'; remove the comment"));
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            throw InputError(Where(path.string(), number, "expected 'key = value', found '" + line + "'"));
        const std::string key = Lower(Trim(line.substr(0, eq)));
        if (key.empty()) throw InputError(Where(path.string(), number, "the key before '=' is missing"));
        cls->values[key] = VesselClass::Value{Trim(line.substr(eq + 1)), number};
        cls->items.push_back(VesselClass::Item{key, cls->values[key]});
    }
    if (const auto* m = cls->Find("module")) {
        if (m->text.empty()) throw InputError(Where(path.string(), m->line, "'Module' needs the module's name"));
        if (const std::string problem = FolderNameProblem(m->text); !problem.empty())
            throw InputError(Where(path.string(), m->line, FolderNameRefusal("'Module'", m->text, problem)));
        cls->module = m->text;
    }
    return cls;
}

std::optional<std::filesystem::path> FindClassFile(RootFiles& files, const std::string& className) {
    if (auto nested = files.Find("Config/Vessels/" + className + ".cfg")) return nested;
    return files.Find("Config/" + className + ".cfg");
}

std::string ClassFilePlaces(const std::filesystem::path& root, const std::string& className) {
    std::string relative = className;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return (root / "Config" / "Vessels" / (relative + ".cfg")).string() + " or " +
           (root / "Config" / (relative + ".cfg")).string();
}

const VesselClass& ClassRegistry::Get(const std::string& className) {
    auto found = classes_.find(className);
    if (found != classes_.end()) return *found->second;
    if (const std::string problem = FolderNameProblem(className); !problem.empty())
        throw VesselRefused(FolderNameRefusal("the class name", className, problem));
    // A name the file system cannot hold is a class that does not exist, not a failure of the host.
    const std::optional<std::filesystem::path> path = FindClassFile(files_, className);
    if (!path)
        throw VesselRefused("unknown vessel class '" + className + "': no configuration file " +
                            ClassFilePlaces(files_.Root(), className));
    return *classes_.emplace(className, ReadClassFile(*path, className)).first->second;
}

ClassValues ReadClassValues(const VesselClass& cls) {
    ClassValues c;
    // Ranges keep the flight finite: sizes and masses far beyond any vessel, and floors where
    // the physics divides (inertia, Isp, tank efficiency).
    if (auto n = cls.Numbers("size", 1, 1, "one number: the mean radius in metres", 1e-3, 1e6, "0.001..1e6 m"))
        c.size = (*n)[0];
    if (auto n = cls.Numbers("mass", 1, 1, "one number: the empty mass in kg", 0, 1e9, "0..1e9 kg"))
        c.emptyMass = (*n)[0];
    auto vec = [&](const char* key, std::optional<VECTOR3>& out, double lo, double hi, const char* accepted) {
        if (auto n = cls.Numbers(key, 3, 3, "three numbers", lo, hi, accepted)) out = VECTOR3{(*n)[0], (*n)[1], (*n)[2]};
    };
    vec("crosssections", c.crossSections, 0, 1e6, "each 0..1e6 m^2");
    vec("rotresistance", c.rotDrag, 0, 1e6, "each 0..1e6");
    vec("inertia", c.pmi, 1e-6, 1e6, "each 1e-6..1e6 m^2");
    vec("cameraoffset", c.cameraOffset, -1e4, 1e4, "each -1e4..1e4 m");
    if (auto n = cls.Numbers("cw", 4, 4, "four numbers: zpos zneg x y", 0, 1e3, "each 0..1000"))
        c.cw = std::array<double, 4>{(*n)[0], (*n)[1], (*n)[2], (*n)[3]};
    if (auto n = cls.Numbers("touchdownpoints", 9, 9, "nine numbers: three points x y z", -1e4, 1e4, "each -1e4..1e4 m")) {
        std::array<VECTOR3, 3> points;
        for (int i = 0; i < 3; ++i) points[i] = {(*n)[3 * i], (*n)[3 * i + 1], (*n)[3 * i + 2]};
        c.touchdownPoints = points;
    }
    if (const auto* xpdr = cls.Find("enablexpdr")) {
        const std::string t = Lower(xpdr->text);
        if (t == "true" || t == "1") c.transponder = true;
        else if (t == "false" || t == "0") c.transponder = false;
        else throw InputError(Where(cls.path.string(), xpdr->line, "'EnableXPDR' expects true or false"));
    }
    // As the simulator: the channel is read for a transponder that the class enables.
    if (const auto* channel = cls.Find("xpdr"); channel && c.transponder.value_or(false)) {
        long n;
        if (!ParseLong(channel->text, n) || n < 0 || n >= NAV_CHANNELS)
            throw InputError(Where(cls.path.string(), channel->line,
                                   "'XPDR' expects the transponder's channel, a whole number 0..639"));
        c.transponderChannel = static_cast<int>(n);
    }
    std::optional<std::vector<double>> resource = cls.Numbers("propellantresource1", 1, 2, "'max [efficiency]'");
    if (resource) {
        if ((*resource)[0] < 0 || (*resource)[0] > 1e9 || (resource->size() > 1 && ((*resource)[1] < 1e-3 || (*resource)[1] > 1)))
            throw InputError(Where(cls.path.string(), cls.Find("propellantresource1")->line,
                                   "'propellantresource1' is out of range (max 0..1e9 kg, efficiency 0.001..1)"));
    } else {
        resource = cls.Numbers("maxfuel", 1, 1, "one number: the tank's maximum mass in kg", 0, 1e9, "0..1e9 kg");
    }
    if (resource && (*resource)[0] > 0) {
        c.tankMax = (*resource)[0];
        c.tankEfficiency = resource->size() > 1 ? (*resource)[1] : 1.0;
    }
    const auto thrust = cls.Numbers("maxmainthrust", 1, 1, "one number: the main engine's thrust in N", 0, 1e9, "0..1e9 N");
    if (thrust && (*thrust)[0] > 0) {
        c.mainThrust = (*thrust)[0];
        const auto isp = cls.Numbers("isp", 1, 1, "one number: the Isp in m/s", 1, 1e6, "1..1e6 m/s");
        c.isp = isp ? (*isp)[0] : DEFAULT_CLASS_ISP;
    }
    if (const auto* mesh = cls.Find("meshname")) {
        if (const std::string problem = PathLengthProblem(mesh->text + ".msh"); !problem.empty())
            throw InputError(Where(cls.path.string(), mesh->line, "'MeshName': " + problem));
        // Empty: the class has no mesh.
        if (const std::string problem = FolderNameProblem(mesh->text); !mesh->text.empty() && !problem.empty())
            throw InputError(Where(cls.path.string(), mesh->line, FolderNameRefusal("'MeshName'", mesh->text, problem)));
        if (!mesh->text.empty()) c.meshName = mesh->text;
    }
    return c;
}

}  // namespace sim
