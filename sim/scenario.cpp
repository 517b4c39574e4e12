#include "sim/scenario.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "sim/errors.h"
#include "sim/folder_names.h"
#include "sim/mathx.h"
#include "sim/physics.h"
#include "sim/planet.h"
#include "sim/text.h"
#include "sim/world.h"

namespace sim {

namespace {

constexpr double DEG = 3.14159265358979323846 / 180.0;

struct RawLine {
    std::string text;  // cut at its first ';' and trimmed, as the simulator reads a scenario line
    int number;
    std::string whole;  // trimmed only: a description keeps its semicolons
};

std::vector<RawLine> SplitLines(const std::string& text) {
    std::vector<RawLine> lines;
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        const std::string_view uncommented = std::string_view(raw).substr(0, raw.find(';'));
        lines.push_back(RawLine{Trim(uncommented), number, Trim(raw)});
    }
    return lines;
}

bool IsBlockEnd(const std::string& line, const std::string& header) {
    // BEGIN_X ends at END_X.
    return EqualsNoCase(line, "END_" + header.substr(6));
}

// BEGIN_DESC: the description, each line with its semicolons.
void ReadDescription(Scenario& sc, const std::vector<RawLine>& body) {
    std::vector<std::string> desc;
    for (const auto& l : body) desc.push_back(l.whole);
    sc.description = desc;
}

// BEGIN_ENVIRONMENT: System, Date MJD and GroundElevation.
void ReadEnvironment(Scenario& sc, const std::vector<RawLine>& body) {
    for (const auto& l : body) {
        const auto words = SplitWords(l.text);
        if (words.empty()) continue;
        if (EqualsNoCase(words[0], "System") && words.size() == 2) {
            sc.system = words[1];
        } else if (EqualsNoCase(words[0], "Date")) {
            double mjd;
            if (words.size() != 3 || !EqualsNoCase(words[1], "MJD") || !ParseDouble(words[2], mjd))
                throw InputError(Where(sc.file, l.number, "expected 'Date MJD <modified Julian date>'"));
            // Far from this range the simulated time loses its seconds, or the planet's turn its precision.
            if (mjd < MIN_MJD || mjd > MAX_MJD)
                throw InputError(Where(sc.file, l.number, "the date MJD " + words[2] +
                                                              " is out of range (a modified Julian date within 0..1e6)"));
            sc.mjd = mjd;
        } else if (EqualsNoCase(words[0], "GroundElevation")) {
            double elevation;
            if (words.size() != 2 || !ParseDouble(words[1], elevation) || elevation < MIN_GROUND_ELEVATION ||
                elevation > MAX_GROUND_ELEVATION)
                throw InputError(Where(sc.file, l.number, GROUND_ELEVATION_RANGE));
            sc.groundElevation = elevation;
        } else {
            throw InputError(Where(sc.file, l.number,
                                   "'" + l.text + "' is not an environment line; expected 'System <name>', "
                                   "'Date MJD <t>' or 'GroundElevation <m>'"));
        }
    }
}

// BEGIN_FOCUS: Ship <name>.
void ReadFocus(Scenario& sc, const std::vector<RawLine>& body) {
    for (const auto& l : body) {
        const auto words = SplitWords(l.text);
        if (words.empty()) continue;
        if (!EqualsNoCase(words[0], "Ship") || words.size() != 2)
            throw InputError(Where(sc.file, l.number, "expected 'Ship <vessel name>'"));
        sc.focus = words[1];
    }
}

// One vessel of BEGIN_SHIPS: its '<name>:<class>' line at body[at], its lines, and END. Returns
// the index of its END line.
size_t ReadVesselBlock(Scenario& sc, const std::vector<RawLine>& body, size_t at) {
    ScenarioVesselBlock vb;
    vb.headerLine = body[at].number;
    const std::string& h = body[at].text;
    const size_t colon = h.find(':');
    vb.name = Trim(h.substr(0, colon));
    vb.className = colon == std::string::npos ? vb.name : Trim(h.substr(colon + 1));
    if (vb.name.empty() || vb.className.empty() || vb.name.find_first_of(" \t") != std::string::npos)
        throw InputError(Where(sc.file, body[at].number, "expected a vessel line '<name>:<class>' (a name without blanks)"));
    // Names go into file names, JSON and the modules' buffers: UTF-8 and of a file name's length.
    for (const std::string* n : {&vb.name, &vb.className})
        if (!IsUtf8(*n) || n->size() > MAX_NAME_LENGTH)
            throw InputError(Where(sc.file, body[at].number,
                                   std::string(n == &vb.name ? "the vessel name" : "the class name") +
                                       (IsUtf8(*n) ? " has " + std::to_string(n->size()) + " bytes" : " is not UTF-8 text") +
                                       " (a name is UTF-8 text of at most 255 bytes)"));
    // The class names its file under Config: refused before anything is read for it.
    if (const std::string problem = FolderNameProblem(vb.className); !problem.empty())
        throw InputError(Where(sc.file, body[at].number, FolderNameRefusal("the class name", vb.className, problem)));
    size_t m = at + 1;
    for (; m < body.size() && !EqualsNoCase(body[m].text, "END"); ++m)
        if (!body[m].text.empty()) vb.lines.push_back(ScenarioLine{body[m].text, body[m].number});
    if (m == body.size()) throw InputError(Where(sc.file, body[at].number, "vessel '" + vb.name + "' has no END line"));
    sc.vessels.push_back(std::move(vb));
    return m;
}

// BEGIN_SHIPS: the vessel blocks, in file order.
void ReadShips(Scenario& sc, const std::vector<RawLine>& body) {
    for (size_t k = 0; k < body.size(); ++k)
        if (!body[k].text.empty()) k = ReadVesselBlock(sc, body, k);
}

// A block the host does not interpret, passed through as written.
void ReadOtherBlock(Scenario& sc, const std::string& header, const std::vector<RawLine>& body) {
    ScenarioBlock other{header, {}};
    for (const auto& l : body) other.lines.push_back(l.whole);
    sc.otherBlocks.push_back(std::move(other));
}

// The block whose header is lines[at]: its lines up to END_<name>. Returns the index of that line.
size_t CutBlock(const std::string& fileName, const std::vector<RawLine>& lines, size_t at, std::vector<RawLine>& body) {
    const RawLine& head = lines[at];
    if (!StartsWithNoCase(head.text, "BEGIN_"))
        throw InputError(Where(fileName, head.number,
                               "'" + head.text + "' stands outside a block; expected BEGIN_DESC, BEGIN_ENVIRONMENT, "
                               "BEGIN_FOCUS, BEGIN_SHIPS or another BEGIN_ block"));
    size_t j = at + 1;
    for (; j < lines.size() && !IsBlockEnd(lines[j].text, head.text); ++j) body.push_back(lines[j]);
    if (j == lines.size()) throw InputError(Where(fileName, head.number, head.text + " has no END_" + head.text.substr(6)));
    return j;
}

}  // namespace

Scenario ParseScenario(const std::string& text, const std::string& fileName) {
    Scenario sc;
    sc.file = fileName;
    const auto lines = SplitLines(text);
    bool sawShips = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].text.empty()) continue;
        const std::string header = lines[i].text;
        std::vector<RawLine> body;
        i = CutBlock(fileName, lines, i, body);
        if (EqualsNoCase(header, "BEGIN_DESC")) {
            ReadDescription(sc, body);
        } else if (EqualsNoCase(header, "BEGIN_ENVIRONMENT")) {
            ReadEnvironment(sc, body);
        } else if (EqualsNoCase(header, "BEGIN_FOCUS")) {
            ReadFocus(sc, body);
        } else if (EqualsNoCase(header, "BEGIN_SHIPS")) {
            sawShips = true;
            ReadShips(sc, body);
        } else {
            ReadOtherBlock(sc, header, body);
        }
    }
    if (!sawShips) throw InputError(Where(fileName, 0, "has no BEGIN_SHIPS ... END_SHIPS block"));
    return sc;
}

Scenario ReadScenarioFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError(Where(path.string(), 0, "cannot be read; give an existing scenario file"));
    std::ostringstream text;
    text << in.rdbuf();
    return ParseScenario(text.str(), path.string());
}

namespace {

bool ParseNumbers(const std::string& value, size_t count, std::vector<double>& out) {
    out.clear();
    for (const auto& w : SplitWords(value)) {
        double d;
        if (!ParseDouble(w, d)) return false;
        out.push_back(d);
    }
    return out.size() == count;
}

bool ParseIndexedLevels(const std::string& value, std::vector<std::pair<int, double>>& out) {
    out.clear();
    for (const auto& w : SplitWords(value)) {
        const size_t colon = w.find(':');
        long index;
        double level;
        // The bound keeps the index an int; an index beyond the vessel's list is ignored later.
        if (colon == std::string::npos || !ParseLong(w.substr(0, colon), index) || index < 0 ||
            index > MAX_LEVEL_INDEX || !ParseDouble(w.substr(colon + 1), level) || level < 0 || level > 1)
            return false;
        out.emplace_back(static_cast<int>(index), level);
    }
    return true;
}

}  // namespace

std::string ParseHostKey(const char* line, ParsedVesselState& s) {
    const std::string text = Trim(line ? line : "");
    auto value = [&](size_t keyLength) { return Trim(text.substr(keyLength)); };
    std::vector<double> n;
    // limit bounds the vector's length; limitText says so in the message.
    auto vec3 = [&](const char* key, std::optional<VECTOR3>& out, const char* unit, double limit,
                    const char* limitText) -> std::string {
        if (!ParseNumbers(value(std::string(key).size()), 3, n))
            return std::string(key) + " expects three numbers x y z (" + unit + ")";
        const VECTOR3 v{n[0], n[1], n[2]};
        if (limit > 0 && !(Length(v) <= limit)) return std::string(key) + " is out of range (" + limitText + ")";
        out = v;
        return "";
    };
    auto one = [&](const char* key, std::optional<double>& out, const char* what) -> std::string {
        if (!ParseNumbers(value(std::string(key).size()), 1, n)) return std::string(key) + " expects " + what;
        out = n[0];
        return "";
    };

    if (StartsWithNoCase(text, "STATUS")) {
        const auto words = SplitWords(value(6));
        if (words.size() != 2 || !(EqualsNoCase(words[0], "Orbiting") || EqualsNoCase(words[0], "Landed")))
            return "STATUS expects 'Orbiting Earth' or 'Landed Earth'";
        if (words[1] != EARTH_NAME) return "unknown reference body '" + words[1] + "'; Earth is the only body";
        s.landed = EqualsNoCase(words[0], "Landed");
        return "";
    }
    if (StartsWithNoCase(text, "POS")) {
        if (!ParseNumbers(value(3), 2, n) || std::abs(n[1]) > 90)
            return "POS expects longitude and latitude in degrees (latitude within -90..90)";
        s.lon = n[0];
        s.lat = n[1];
        return "";
    }
    if (StartsWithNoCase(text, "HEADING")) return one("HEADING", s.heading, "one number: the heading in degrees");
    if (StartsWithNoCase(text, "PRPLEVEL")) {
        std::vector<std::pair<int, double>> levels;
        if (!ParseIndexedLevels(value(8), levels))
            return "PRPLEVEL expects 'tank:level' pairs, tank a number from 0 to 9999, level within 0..1";
        s.prplevel = levels;
        return "";
    }
    if (StartsWithNoCase(text, "FUEL")) {
        std::string err = one("FUEL", s.fuel, "one number: the fuel level 0..1");
        if (err.empty() && (*s.fuel < 0 || *s.fuel > 1)) return "FUEL expects a level within 0..1";
        return err;
    }
    if (StartsWithNoCase(text, "THLEVEL")) {
        if (!ParseIndexedLevels(value(7), s.thlevel))
            return "THLEVEL expects 'thruster:level' pairs, thruster a number from 0 to 9999, level within 0..1";
        return "";
    }
    if (StartsWithNoCase(text, "RPOS"))
        return vec3("RPOS", s.rpos, "metres", MAX_DISTANCE, "at most 1e12 m from Earth's centre");
    if (StartsWithNoCase(text, "RVEL")) return vec3("RVEL", s.rvel, "m/s", MAX_SPEED, "a speed of at most 1e6 m/s");
    if (StartsWithNoCase(text, "AROT"))
        return vec3("AROT", s.arot, "degrees", 0, "");  // any finite angles turn the same way
    if (StartsWithNoCase(text, "VROT"))
        return vec3("VROT", s.vrot, "degrees per second", MAX_ROTATION_RATE, "a rate of at most 3600 deg/s");
    if (StartsWithNoCase(text, "ALT")) {
        std::string err = one("ALT", s.alt, "one number: the altitude in metres");
        if (err.empty() && (*s.alt < MIN_LANDED_ALT || *s.alt > MAX_LANDED_ALT)) {
            s.alt.reset();
            return "ALT is out of range (a landed vessel's altitude within -1000..100000 m)";
        }
        return err;
    }
    if (StartsWithNoCase(text, "XPDR")) {
        long channel;
        if (!ParseLong(value(4), channel)) return "XPDR expects a whole channel number";
        return "";
    }
    return "";
}

namespace {

// A vessel standing on its touchdown points: their normal n, taken in their order, along the
// local up, and its forward axis on the heading. The forward axis is +z, or +y when +z stands
// nearly along n (a capsule on its base), the same axis that a saved HEADING is taken from.
// Position and attitude in the planet's axes.
Mat3 LandedRotation(const VECTOR3& pos, double heading, const VECTOR3& n) {
    constexpr double NEARLY_ALONG = 0.1;  // horizontal share of +z below which +y gives the heading
    const VECTOR3 z{0, 0, 1};
    const VECTOR3 zAcross = z - n * Dot(n, z);
    const VECTOR3 axis = Length(zAcross) < NEARLY_ALONG ? VECTOR3{0, 1, 0} : z;
    const VECTOR3 across = axis - n * Dot(n, axis);
    const VECTOR3 forward = across / Length(across);
    const VECTOR3 side = Cross(n, forward);
    const Horizon h = HorizonOnPlanet(pos);
    const VECTOR3 heads = h.north * std::cos(heading) + h.east * std::sin(heading);
    const VECTOR3 beside = Cross(h.up, heads);
    // rot = [up heads beside] [n forward side]^T
    Mat3 r;
    const VECTOR3 global[3] = {h.up, heads, beside};
    const VECTOR3 local[3] = {n, forward, side};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            auto at = [](const VECTOR3& v, int k) { return k == 0 ? v.x : k == 1 ? v.y : v.z; };
            r.m[i][j] = at(global[0], i) * at(local[0], j) + at(global[1], i) * at(local[1], j) +
                        at(global[2], i) * at(local[2], j);
        }
    return r;
}

// Height of the centre of mass above the ground when the touchdown points stand on it (below it,
// for points whose order stands the vessel on its head).
double RestingAltitude(const VesselRecord& v) {
    return -Dot(TouchdownUp(v.def.touchdownPoints), v.def.touchdownPoints[0]);
}

}  // namespace

std::string CheckParsedState(const ParsedVesselState& s) {
    constexpr double DEEPEST = -MIN_LANDED_ALT;  // [m] below the mean radius a position still counts as on the surface
    if (s.landed) {
        if (s.rpos && s.arot) {
            const double r = Length(*s.rpos);
            if (r < EARTH_RADIUS + MIN_LANDED_ALT || r > EARTH_RADIUS + MAX_LANDED_ALT)
                return "a landed vessel's RPOS lies " + FormatFixed(r - EARTH_RADIUS, 0) +
                       " m from the mean radius; it must stand on the ground (-1000..100000 m)";
            return "";
        }
        if (s.lon && s.lat) return "";
        return "a landed vessel needs 'POS <longitude> <latitude>' (degrees), or RPOS and AROT";
    }
    if (!s.rpos) return "an orbiting vessel needs 'RPOS x y z', its position from Earth's centre in metres";
    if (Length(*s.rpos) < EARTH_RADIUS - DEEPEST)
        return "RPOS lies inside Earth (" + FormatFixed(Length(*s.rpos), 0) + " m from its centre, mean radius " +
               FormatFixed(EARTH_RADIUS, 0) + " m)";
    return "";
}

void PlaceLanded(World& world, VesselRecord& v, double lon, double lat, double heading, std::optional<double> alt) {
    const VECTOR3 place = PointOnPlanet(lon, lat, GroundRadius() + alt.value_or(RestingAltitude(v)));
    FixToPlanet(v, place, LandedRotation(place, heading, TouchdownUp(v.def.touchdownPoints)), world.Mjd());
}

void ApplyParsedState(World& world, VesselRecord& v, const ParsedVesselState& s) {
    v.landed = s.landed;
    if (s.landed && s.rpos && s.arot) {
        // As earlier versions of talvek-sim saved a landed vessel: the global position and
        // orientation at the saved date are exact; POS, HEADING and ALT were derived from them.
        // Their global axes were that version's own, so the vessel is put back on the same spot.
        const Mat3 toPlanet = EarlierTalvekSimAxes(world.Mjd()).Transposed();
        FixToPlanet(v, toPlanet * *s.rpos, toPlanet * RotationFromAngles(*s.arot * DEG), world.Mjd());
    } else if (s.landed && s.lon && s.lat) {
        // As the simulator saves it: AROT, when given, is the attitude in the planet's axes and
        // holds over HEADING; without it the vessel stands on its touchdown points.
        PlaceLanded(world, v, *s.lon * DEG, *s.lat * DEG, s.heading.value_or(0.0) * DEG, s.alt);
        if (s.arot) FixToPlanet(v, v.groundPos, RotationFromAngles(*s.arot * DEG), world.Mjd());
    } else {
        v.pos = s.rpos.value_or(VECTOR3{0, 0, 0});
        v.vel = s.rvel.value_or(VECTOR3{0, 0, 0});
        v.rot = RotationFromAngles(s.arot ? *s.arot * DEG : VECTOR3{0, 0, 0});
        v.angVel = InternalAngularVelocity(s.vrot ? *s.vrot * DEG : VECTOR3{0, 0, 0});
    }
    // Tanks that the block does not list are empty, as are thrusters it does not list.
    for (auto& t : v.def.tanks) t.mass = 0.0;
    if (s.prplevel) {
        for (const auto& [index, level] : *s.prplevel)
            if (index < static_cast<int>(v.def.tanks.size())) v.def.tanks[index].mass = v.def.tanks[index].maxMass * level;
    } else if (s.fuel) {
        if (Tank* t = v.def.FindTank(v.def.defaultTank)) t->mass = t->maxMass * *s.fuel;
    }
    for (auto& th : v.def.thrusters) th.level = 0.0;
    for (const auto& [index, level] : s.thlevel)
        if (index < static_cast<int>(v.def.thrusters.size())) v.def.thrusters[index].level = level;
}

std::string ScenarioFloatText(double d) {
    std::string s = FormatFixed(d, 6);
    const size_t dot = s.find('.');
    if (dot != std::string::npos) {
        size_t end = s.size();
        while (end > dot + 2 && s[end - 1] == '0') --end;
        s.resize(end);
    }
    return s;
}

std::string ScenarioLineText(const char* item, const std::string& value) {
    return std::string("  ") + (item ? item : "") + " " + value + "\n";
}

constexpr double SAVED_ROTATION_MIN = 1e-4;  // [rad/s]

void WriteDefaultState(World& world, const VesselRecord& v, ScenarioWriter& out) {
    auto vec = [](const VECTOR3& p, int decimals) {
        return FormatFixed(p.x, decimals) + " " + FormatFixed(p.y, decimals) + " " + FormatFixed(p.z, decimals);
    };
    auto put = [&](const char* key, const std::string& value) { out.text += ScenarioLineText(key, value); };
    // A state that is not finite would make the file unreadable: a fault of the host, not of its input.
    if (!IsFinite(v.pos) || !IsFinite(v.vel) || !IsFinite(v.angVel))
        throw std::runtime_error("vessel '" + v.name + "' has a state that is not finite; it cannot be saved");
    put("STATUS", std::string(v.landed ? "Landed " : "Orbiting ") + EARTH_NAME);
    if (v.landed) {
        // Where on the planet, and the attitude in the planet's axes: both hold while it turns.
        const PlanetFixed fixed = OnPlanet(v, world.Mjd());
        double lon, lat;
        LonLatOnPlanet(fixed.pos, lon, lat);
        put("POS", FormatFixed(lon / DEG, LANDED_POS_DECIMALS) + " " + FormatFixed(lat / DEG, LANDED_POS_DECIMALS));
        // A heading just short of a full turn rounds up to it; written as 0, as it reads back.
        std::string heading = FormatFixed(HeadingOnPlanet(fixed.rot, fixed.pos) / DEG, LANDED_HEADING_DECIMALS);
        if (heading == FormatFixed(360.0, LANDED_HEADING_DECIMALS)) heading = FormatFixed(0.0, LANDED_HEADING_DECIMALS);
        put("HEADING", heading);
        put("ALT", FormatFixed(GroundHeight(v), LANDED_ALT_DECIMALS));
        put("AROT", vec(AnglesFromRotation(fixed.rot) / DEG, AROT_DECIMALS));
    } else {
        put("RPOS", vec(v.pos, 3));
        put("RVEL", vec(v.vel, 4));
        put("AROT", vec(AnglesFromRotation(v.rot) / DEG, AROT_DECIMALS));
    }
    // As the simulator: only a rotation faster than 1e-4 rad/s is written.
    if (Length(v.angVel) > SAVED_ROTATION_MIN) put("VROT", vec(HostAngularVelocity(v.angVel) / DEG, 4));
    // A level too small for six decimals is written as none at all: "0.000000" would read back as
    // nothing and the next save would differ.
    auto level = [](double value) {
        const std::string text = FormatFixed(value, 6);
        return text.find_first_not_of("0.-") == std::string::npos ? std::string() : text;
    };
    std::string prp;
    for (size_t i = 0; i < v.def.tanks.size(); ++i) {
        const Tank& t = v.def.tanks[i];
        const std::string text = t.maxMass > 0 ? level(t.mass / t.maxMass) : std::string();
        if (!text.empty()) prp += (prp.empty() ? "" : " ") + std::to_string(i) + ":" + text;
    }
    if (!prp.empty()) put("PRPLEVEL", prp);
    std::string thl;
    for (size_t i = 0; i < v.def.thrusters.size(); ++i) {
        const std::string text = level(v.def.thrusters[i].level);
        if (!text.empty()) thl += (thl.empty() ? "" : " ") + std::to_string(i) + ":" + text;
    }
    if (!thl.empty()) put("THLEVEL", thl);
}

void LoadScenario(World& world, const Scenario& sc) {
    if (sc.system != "Sol" && sc.system != EARTH_NAME) {
        // The system name is kept and written back; only the bodies matter to the host.
    }
    if (sc.mjd) world.SetStartMjd(*sc.mjd);
    if (sc.groundElevation) world.groundElevation = *sc.groundElevation;
    for (const auto& block : sc.vessels) {
        VesselRecord* v = nullptr;
        try {
            v = world.AddVessel(block.name, block.className);
        } catch (const InputError& e) {
            throw InputError(Where(sc.file, block.headerLine, e.what()));
        }
        ScenarioBlockReader reader;
        reader.file = sc.file;
        reader.lines = &block.lines;
        ParsedVesselState state;
        state.reader = &reader;
        // A module's log line during its load is placed at the line it was reading.
        struct Reading {
            World& world;
            ~Reading() { world.reading = nullptr; }
        } reading{world};
        world.reading = &reader;
        if (VESSEL2* target = world.CallbackTarget(*v)) {
            world.TraceDispatch(*v, "clbkLoadStateEx");
            world.InContext(*v, [&] { target->clbkLoadStateEx(&reader, &state); });
            world.ThrowIfError();
        } else if (world.dispatch == Dispatch::EntryPoints && v->module && v->module->loadStateEx) {
            world.TraceDispatch(*v, "ovcLoadStateEx");
            world.InContext(*v, [&] { v->module->loadStateEx(v->iface, &reader, &state); });
            world.ThrowIfError();
        } else {
            for (const auto& line : block.lines) {
                const std::string err = ParseHostKey(line.text.c_str(), state);
                if (!err.empty()) throw InputError(Where(sc.file, line.number, err));
            }
        }
        if (const std::string problem = CheckParsedState(state); !problem.empty())
            throw InputError(Where(sc.file, block.headerLine, "vessel '" + block.name + "': " + problem));
        ApplyParsedState(world, *v, state);
        world.FinishCreation(*v);
        world.ThrowIfError();
    }
}

std::string SaveScenario(World& world, const Scenario& from) {
    std::string out;
    if (from.description) {
        out += "BEGIN_DESC\n";
        for (const auto& l : *from.description) out += l + "\n";
        out += "END_DESC\n\n";
    }
    out += "BEGIN_ENVIRONMENT\n  System " + from.system + "\n  Date MJD " + FormatDouble(world.Mjd()) + "\n";
    if (world.groundElevation != 0) out += "  GroundElevation " + FormatDouble(world.groundElevation) + "\n";
    out += "END_ENVIRONMENT\n\n";
    if (from.focus && world.FindByName(*from.focus)) out += "BEGIN_FOCUS\n  Ship " + *from.focus + "\nEND_FOCUS\n\n";
    for (const auto& b : from.otherBlocks) {
        out += b.header + "\n";
        for (const auto& l : b.lines) out += "  " + l + "\n";
        out += "END_" + b.header.substr(6) + "\n\n";
    }
    out += "BEGIN_SHIPS\n";
    for (const auto& owned : world.Vessels()) {
        VesselRecord& v = *owned;
        out += v.name + ":" + v.ClassName() + "\n";
        ScenarioWriter writer;
        if (VESSEL2* target = world.CallbackTarget(v)) {
            world.TraceDispatch(v, "clbkSaveState");
            world.InContext(v, [&] { target->clbkSaveState(&writer); });
        } else if (world.dispatch == Dispatch::EntryPoints && v.module && v.module->saveState && v.iface) {
            world.TraceDispatch(v, "ovcSaveState");
            world.InContext(v, [&] { v.module->saveState(v.iface, &writer); });
        } else {
            WriteDefaultState(world, v, writer);
        }
        out += writer.text;
        out += "END\n";
    }
    out += "END_SHIPS\n";
    return out;
}

}  // namespace sim
