#include "sim/scenario.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "sim/errors.h"
#include "sim/folder_names.h"
#include "sim/kept_lines.h"
#include "sim/landed_grid.h"
#include "sim/mathx.h"
#include "sim/physics.h"
#include "sim/placement.h"
#include "sim/planet.h"
#include "sim/text.h"
#include "sim/world.h"

namespace sim {

namespace {

constexpr double DEG = 3.14159265358979323846 / 180.0;

struct RawLine {
    std::string text;  // cut at its first ';' and trimmed, as the simulator reads a scenario line
    int number;
    std::string whole;  // trimmed only: a header or a kept environment line keeps its comment
    std::string raw;    // as written (without a carriage return at its end): kept blocks keep it
};

std::vector<RawLine> SplitLines(const std::string& text) {
    std::vector<RawLine> lines;
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        const std::string_view uncommented = std::string_view(raw).substr(0, raw.find(';'));
        lines.push_back(RawLine{Trim(uncommented), number, Trim(raw), raw});
    }
    return lines;
}

// The block's name: the first word after BEGIN_ ("MFD" of "BEGIN_MFD Left").
std::string BlockName(const std::string& header) {
    const auto words = SplitWords(std::string_view(header).substr(6));
    return words.empty() ? std::string() : words[0];
}

// The simulator's own blocks: each closes with END_<name> only (a bare END inside belongs to it,
// as a vessel's END inside BEGIN_SHIPS). Any other block may be a plugin's, which closes with END.
bool ClosesByNameOnly(const std::string& name) {
    static const char* const OWN[] = {"DESC",  "HYPERDESC", "URLDESC", "ENVIRONMENT", "FOCUS", "SHIPS",
                                      "CAMERA", "HUD",      "MFD",     "PANEL",       "VC"};
    return std::any_of(std::begin(OWN), std::end(OWN), [&](const char* own) { return EqualsNoCase(name, own); });
}

bool IsBlockEnd(const std::string& line, const std::string& name) {
    const auto words = SplitWords(line);
    if (words.empty()) return false;
    if (EqualsNoCase(words[0], "END_" + name)) return true;
    return !ClosesByNameOnly(name) && words.size() == 1 && EqualsNoCase(words[0], "END");
}

// BEGIN_DESC: the description, each line as written.
void ReadDescription(Scenario& sc, const std::vector<RawLine>& body) {
    std::vector<std::string> desc;
    for (const auto& l : body) desc.push_back(l.raw);
    sc.description = desc;
}

// The environment lines that the simulator reads and the host does not, in the order the simulator
// writes them back.
constexpr const char* KEPT_ENVIRONMENT_KEYS[] = {"Context", "SplashScreen", "Script", "Help", "Playback"};

// Date MJD <t>, or as the simulator also reads it, Date JD <t> or Date JE <Julian epoch>.
std::optional<double> ReadDate(const std::vector<std::string>& words) {
    constexpr double JD_OF_MJD_0 = 2400000.5;  // [d]
    constexpr double MJD_OF_J2000 = 51544.5;   // [d]
    constexpr double JULIAN_YEAR = 365.25;     // [d]
    constexpr double J2000 = 2000.0;           // [Julian year]
    double t;
    if (words.size() != 3 || !ParseDouble(words[2], t)) return std::nullopt;
    if (EqualsNoCase(words[1], "MJD")) return t;
    if (EqualsNoCase(words[1], "JD")) return t - JD_OF_MJD_0;
    if (EqualsNoCase(words[1], "JE")) return MJD_OF_J2000 + (t - J2000) * JULIAN_YEAR;
    return std::nullopt;
}

// BEGIN_ENVIRONMENT: System, Date and GroundElevation; the simulator's other lines are kept.
void ReadEnvironment(Scenario& sc, const std::vector<RawLine>& body) {
    std::vector<std::optional<std::string>> kept(std::size(KEPT_ENVIRONMENT_KEYS));
    for (const auto& l : body) {
        const auto words = SplitWords(l.text);
        if (words.empty()) continue;
        const auto keptKey = std::find_if(std::begin(KEPT_ENVIRONMENT_KEYS), std::end(KEPT_ENVIRONMENT_KEYS),
                                          [&](const char* k) { return EqualsNoCase(words[0], k); });
        if (EqualsNoCase(words[0], "System") && words.size() == 2) {
            sc.system = words[1];
        } else if (EqualsNoCase(words[0], "Date")) {
            const std::optional<double> mjd = ReadDate(words);
            if (!mjd)
                throw InputError(Where(sc.file, l.number, "expected 'Date MJD <modified Julian date>' (or 'Date JD <t>', 'Date JE <t>')"));
            // Far from this range the simulated time loses its seconds, or the planet's turn its precision.
            if (!(*mjd >= MIN_MJD && *mjd <= MAX_MJD))
                throw InputError(Where(sc.file, l.number,
                                       "the date " + words[1] + " " + words[2] +
                                           (EqualsNoCase(words[1], "MJD") ? "" : " (MJD " + FormatDouble(*mjd) + ")") +
                                           " is out of range (a modified Julian date within 0..1e6)"));
            sc.mjd = *mjd;
        } else if (EqualsNoCase(words[0], "GroundElevation")) {
            double elevation;
            if (words.size() != 2 || !ParseDouble(words[1], elevation) || elevation < MIN_GROUND_ELEVATION ||
                elevation > MAX_GROUND_ELEVATION)
                throw InputError(Where(sc.file, l.number, GROUND_ELEVATION_RANGE));
            sc.groundElevation = elevation;
        } else if (keptKey != std::end(KEPT_ENVIRONMENT_KEYS)) {
            // As the simulator reads it: the rest of the line, and the last line of a key.
            kept[keptKey - std::begin(KEPT_ENVIRONMENT_KEYS)] = l.whole;
        } else {
            throw InputError(Where(sc.file, l.number,
                                   "'" + l.text + "' is not an environment line; expected 'System <name>', "
                                   "'Date MJD <t>', 'GroundElevation <m>', or one of the simulator's Context, "
                                   "SplashScreen, Script, Help, Playback"));
        }
    }
    for (const auto& line : kept)
        if (line) sc.environmentKept.push_back(*line);
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

// A block the host does not interpret, kept as written.
void ReadOtherBlock(Scenario& sc, const RawLine& header, const std::vector<RawLine>& body, const RawLine& end) {
    ScenarioBlock other{header.whole, {}, end.whole};
    for (const auto& l : body) other.lines.push_back(l.raw);
    sc.layout.push_back(BlockPlace{BlockPlace::Other, sc.otherBlocks.size()});
    sc.otherBlocks.push_back(std::move(other));
}

// The block whose header is lines[at]: its lines up to its end. Returns the index of that line.
size_t CutBlock(const std::string& fileName, const std::vector<RawLine>& lines, size_t at, std::vector<RawLine>& body) {
    const RawLine& head = lines[at];
    if (!StartsWithNoCase(head.text, "BEGIN_"))
        throw InputError(Where(fileName, head.number,
                               "'" + head.text + "' stands outside a block; expected BEGIN_DESC, BEGIN_ENVIRONMENT, "
                               "BEGIN_FOCUS, BEGIN_SHIPS or another BEGIN_ block"));
    const std::string name = BlockName(head.text);
    if (name.empty()) throw InputError(Where(fileName, head.number, "'" + head.text + "' names no block; write BEGIN_<name>"));
    size_t j = at + 1;
    for (; j < lines.size() && !IsBlockEnd(lines[j].text, name); ++j) body.push_back(lines[j]);
    if (j == lines.size())
        throw InputError(Where(fileName, head.number,
                               head.text + " has no END_" + name +
                                   (ClosesByNameOnly(name) ? std::string() : " or END line (a plugin's block ends with END)")));
    return j;
}

}  // namespace

Scenario ParseScenario(const std::string& text, const std::string& fileName) {
    Scenario sc;
    sc.file = fileName;
    const auto lines = SplitLines(text);
    // The host's own blocks, each read once: the simulator reads only the first of each.
    static constexpr std::pair<const char*, BlockPlace::Kind> own[] = {{"BEGIN_DESC", BlockPlace::Description},
                                                                       {"BEGIN_ENVIRONMENT", BlockPlace::Environment},
                                                                       {"BEGIN_FOCUS", BlockPlace::Focus},
                                                                       {"BEGIN_SHIPS", BlockPlace::Ships}};
    int firstAt[std::size(own)] = {};
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].text.empty()) continue;
        const RawLine& header = lines[i];
        std::vector<RawLine> body;
        i = CutBlock(fileName, lines, i, body);
        const auto* kind = std::find_if(std::begin(own), std::end(own),
                                        [&](const auto& o) { return EqualsNoCase(header.text, o.first); });
        if (kind == std::end(own)) {
            ReadOtherBlock(sc, header, body, lines[i]);
            continue;
        }
        int& first = firstAt[kind - std::begin(own)];
        if (first != 0)
            throw InputError(Where(fileName, header.number,
                                   "a second " + std::string(kind->first) + " block (the first is at line " +
                                       std::to_string(first) + "); the simulator reads only the first: join them"));
        first = header.number;
        sc.layout.push_back(BlockPlace{kind->second});
        switch (kind->second) {
            case BlockPlace::Description: ReadDescription(sc, body); break;
            case BlockPlace::Environment: ReadEnvironment(sc, body); break;
            case BlockPlace::Focus: ReadFocus(sc, body); break;
            default: ReadShips(sc, body); break;
        }
    }
    if (firstAt[std::size(own) - 1] == 0) throw InputError(Where(fileName, 0, "has no BEGIN_SHIPS ... END_SHIPS block"));
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
        s.engineLevels.clear();  // the list replaces what came before, as in the simulator
        return "";
    }
    // Older scenarios' engine levels: ENGINE_MAIN sets the main group (the retro group when negative).
    if (StartsWithNoCase(text, "ENGINE_MAIN")) {
        if (!ParseNumbers(value(11), 1, n) || n[0] < -1 || n[0] > 1)
            return "ENGINE_MAIN expects a level within -1..1 (negative: the retro engines)";
        if (n[0] != 0) s.engineLevels.emplace_back(n[0] > 0 ? THGROUP_MAIN : THGROUP_RETRO, std::abs(n[0]));
        return "";
    }
    if (StartsWithNoCase(text, "ENGINE_HOVR")) {
        if (!ParseNumbers(value(11), 1, n) || n[0] < 0 || n[0] > 1) return "ENGINE_HOVR expects a level within 0..1";
        if (n[0] != 0) s.engineLevels.emplace_back(THGROUP_HOVER, n[0]);
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
    if (StartsWithNoCase(text, "ELEMENTS"))
        return "ELEMENTS (orbital elements) is not read by talvek-sim; give the vessel's state as RPOS and RVEL";
    if (StartsWithNoCase(text, "XPDR")) {
        long channel;
        if (!ParseLong(value(4), channel) || channel < 0 || channel >= NAV_CHANNELS)
            return "XPDR expects a whole channel number 0..639 (108.00 MHz + 0.05 MHz per channel)";
        s.xpdr = static_cast<int>(channel);
        return "";
    }
    if (const std::optional<std::string> kept = ReadKeptLine(text, s.kept)) return *kept;
    return "";
}

bool IsDefaultParserLine(const std::string& line) {
    // The keys that ParseHostKey reads by their first letters, and then those it keeps.
    static const char* const HOST_PREFIXES[] = {"STATUS", "POS",  "HEADING", "PRPLEVEL", "FUEL",     "THLEVEL",
                                                "ENGINE_MAIN", "ENGINE_HOVR", "RPOS", "RVEL", "AROT", "VROT",
                                                "ALT",    "ELEMENTS", "XPDR"};
    const std::string text = Trim(line);
    if (std::any_of(std::begin(HOST_PREFIXES), std::end(HOST_PREFIXES),
                    [&](const char* key) { return StartsWithNoCase(text, key); }))
        return true;
    KeptVesselLines probe;
    return ReadKeptLine(text, probe).has_value();
}

namespace {

// What the default parser read besides the state: engine levels of older scenarios, the
// transponder's channel, and the lines the host keeps.
void ApplyDefaultLines(World& world, VesselRecord& v, const ParsedVesselState& s) {
    for (const auto& [group, level] : s.engineLevels) SetGroupLevel(v.def, group, level);
    // As the simulator: a channel for a transponder that the vessel has when its state is set.
    if (s.xpdr && *s.xpdr != 0) {
        if (v.def.transponder)
            v.def.transponderChannel = *s.xpdr;
        else
            world.Warn("vessel '" + v.name + "' has no transponder; its line XPDR " + std::to_string(*s.xpdr) +
                       " is dropped, as the simulator drops it");
    }
    v.kept = s.kept;
    // A base names where a landed vessel stands, which its POS gives here (the host knows no bases).
    if (s.landed && s.lon && s.lat) {
        v.kept.baseLon = *s.lon;
        v.kept.baseLat = *s.lat;
    } else {
        v.kept.base.reset();
    }
}

}  // namespace

void ApplyParsedState(World& world, VesselRecord& v, const ParsedVesselState& s) {
    PlaceParsed(world, v, s);
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
    ApplyDefaultLines(world, v, s);
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
        const LandedPlace place = WhereLanded(world, v);
        // The base it stood on when read, while it still stands there.
        constexpr double SAME_PLACE = 1e-6;  // [deg], about 0.1 m
        if (std::abs(std::remainder(place.lon / DEG - v.kept.baseLon, 360.0)) < SAME_PLACE &&
            std::abs(place.lat / DEG - v.kept.baseLat) < SAME_PLACE)
            out.text += KeptBaseText(v.kept);
        put("POS", FormatFixed(place.lon / DEG, LANDED_POS_DECIMALS) + " " + FormatFixed(place.lat / DEG, LANDED_POS_DECIMALS));
        // A heading just short of a full turn rounds up to it; written as 0, as it reads back.
        std::string heading = FormatFixed(place.heading / DEG, LANDED_HEADING_DECIMALS);
        if (heading == FormatFixed(360.0, LANDED_HEADING_DECIMALS)) heading = FormatFixed(0.0, LANDED_HEADING_DECIMALS);
        put("HEADING", heading);
        put("ALT", FormatFixed(GroundHeight(v), LANDED_ALT_DECIMALS));
        put("AROT", vec(AnglesFromRotation(place.planetRot) / DEG, AROT_DECIMALS));
    } else {
        put("RPOS", vec(v.pos, 3));
        put("RVEL", vec(v.vel, 4));
        put("AROT", vec(AnglesFromRotation(v.rot) / DEG, AROT_DECIMALS));
    }
    // As the simulator: only a rotation faster than 1e-4 rad/s is written.
    if (Length(v.angVel) > SAVED_ROTATION_MIN) put("VROT", vec(HostAngularVelocity(v.angVel) / DEG, 4));
    out.text += KeptAfterStateText(v.kept);
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
    out.text += KeptAfterLevelsText(v.kept);
    if (v.def.transponder) put("XPDR", std::to_string(v.def.transponderChannel));
    out.text += KeptFlightDataText(v.kept);
}

namespace {

// A vessel without a module: the host's default parser reads its block, as the simulator's does.
// A line that parser does not read is lost in the simulator; here it is said so.
void ParseDefaultLines(World& world, const std::string& file, const ScenarioVesselBlock& block, bool hasModule,
                       ParsedVesselState& state) {
    for (const auto& line : block.lines) {
        const std::string err = ParseHostKey(line.text.c_str(), state);
        if (!err.empty()) throw InputError(Where(file, line.number, err));
        if (!IsDefaultParserLine(line.text))
            world.Warn(Where(file, line.number,
                             "vessel '" + block.name + "' (class '" + block.className +
                                 (hasModule ? "', whose module does not read its state" : "', which has no module") +
                                 "): '" + Printable(line.text) +
                                 "' is no line the simulator reads for it; ignored, and not saved"));
    }
}

}  // namespace

void LoadScenario(World& world, const Scenario& sc) {
    if (sc.system != "Sol" && sc.system != EARTH_NAME) {
        // The system name is kept and written back; only the bodies matter to the host.
    }
    if (sc.mjd) world.SetStartMjd(*sc.mjd);
    if (sc.groundElevation) world.groundElevation = *sc.groundElevation;
    // As the simulator: every vessel is constructed, set up by its class and loaded, in the order
    // of the file; the focus is given; only then does each get its post-creation call.
    std::vector<VesselRecord*> created;
    created.reserve(sc.vessels.size());
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
        if (v->driver->LoadState(world, *v, &reader, &state)) {
            world.ThrowIfError();
        } else {
            ParseDefaultLines(world, sc.file, block, v->module != nullptr, state);
        }
        if (const std::string problem = CheckParsedState(state); !problem.empty())
            throw InputError(Where(sc.file, block.headerLine, "vessel '" + block.name + "': " + problem));
        ApplyParsedState(world, *v, state);
        created.push_back(v);
    }
    const bool focusExists = sc.focus && world.FindByName(*sc.focus);
    if (focusExists) world.SetFocus(*sc.focus);
    else if (!created.empty()) world.SetFocus(created.front()->name);
    for (VesselRecord* v : created) {
        world.PostCreation(*v);
        world.ThrowIfError();
    }
}

namespace {

// The file around the ships: every block of the scenario it was read from in its place, one
// blank line between blocks. The environment, which every save has, stands where the file had
// it, else first (after a description that opens the file).
std::string ScenarioText(World& world, const Scenario& from, const std::string& ships) {
    std::vector<BlockPlace> layout = from.layout;
    const auto hasKind = [&](BlockPlace::Kind k) {
        return std::any_of(layout.begin(), layout.end(), [&](const BlockPlace& p) { return p.kind == k; });
    };
    if (!hasKind(BlockPlace::Environment))
        layout.insert(layout.begin() + (!layout.empty() && layout[0].kind == BlockPlace::Description ? 1 : 0),
                      BlockPlace{BlockPlace::Environment});
    if (!hasKind(BlockPlace::Ships)) layout.push_back(BlockPlace{BlockPlace::Ships});
    // The focus as it stands (a script may have moved it); a scenario that named none keeps none
    // while its first vessel, which takes the focus then, has it.
    const VesselRecord* focus = world.Focus();
    const bool implicitFocus =
        focus && !from.focus && !world.Vessels().empty() && world.Vessels().front().get() == focus;
    if (focus && !implicitFocus && !hasKind(BlockPlace::Focus)) {
        const auto env = std::find_if(layout.begin(), layout.end(),
                                      [](const BlockPlace& p) { return p.kind == BlockPlace::Environment; });
        layout.insert(env + 1, BlockPlace{BlockPlace::Focus});
    }
    std::vector<std::string> blocks;
    for (const BlockPlace& place : layout) {
        std::string b;
        switch (place.kind) {
            case BlockPlace::Description:
                if (!from.description) continue;
                b = "BEGIN_DESC\n";
                for (const auto& l : *from.description) b += l + "\n";
                b += "END_DESC\n";
                break;
            case BlockPlace::Environment:
                b = "BEGIN_ENVIRONMENT\n  System " + from.system + "\n  Date MJD " + FormatDouble(world.Mjd()) + "\n";
                for (const auto& l : from.environmentKept) b += "  " + l + "\n";
                if (world.groundElevation != 0) b += "  GroundElevation " + FormatDouble(world.groundElevation) + "\n";
                b += "END_ENVIRONMENT\n";
                break;
            case BlockPlace::Focus:
                if (!focus || implicitFocus) continue;
                b = "BEGIN_FOCUS\n  Ship " + focus->name + "\nEND_FOCUS\n";
                break;
            case BlockPlace::Ships:
                b = ships;
                break;
            case BlockPlace::Other: {
                const ScenarioBlock& other = from.otherBlocks[place.other];
                b = other.header + "\n";
                for (const auto& l : other.lines) b += l + "\n";
                b += other.end + "\n";
                break;
            }
        }
        blocks.push_back(std::move(b));
    }
    std::string out;
    for (const auto& b : blocks) out += (out.empty() ? "" : "\n") + b;
    return out;
}

}  // namespace

std::string SaveScenario(World& world, const Scenario& from) {
    std::string out;
    out += "BEGIN_SHIPS\n";
    for (const auto& owned : world.Vessels()) {
        VesselRecord& v = *owned;
        out += v.name + ":" + v.ClassName() + "\n";
        ScenarioWriter writer;
        if (!v.driver->SaveState(world, v, &writer)) WriteDefaultState(world, v, writer);
        out += writer.text;
        out += "END\n";
    }
    out += "END_SHIPS\n";
    return ScenarioText(world, from, out);
}

}  // namespace sim
