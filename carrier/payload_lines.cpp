// Payload and stage scenario lines (their grammar is beside PayloadLine): routing, parsing,
// formatting and saving.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "carrier/internal/payload_table.h"
#include "carrier/payload_carrier.h"
#include "messages/host_log.h"

namespace {

constexpr int LINE_BUFFER = 512;          // lines are cut to 511 characters
constexpr int DISPATCH_NAME_BUFFER = 128;
constexpr int DISPATCH_TEXT_BUFFER = 2048;
constexpr int NAME_MAX_CHARS = PAYLOAD_NAME_SIZE - 1;

constexpr const char* const PAYLOAD_KEYS[] = {KEY_PAYLOAD, KEY_STAGE, KEY_ENDSTAGE, KEY_ENDDRV};

// Written for a name field that is empty, and read back as empty: without it the next field
// would slide into the empty one's place.
constexpr const char* EMPTY_FIELD = "-";
// Numbers are saved with two decimals where those give the value back and stay short; any other
// value in the shortest form that gives it back exactly.
constexpr size_t SHORT_NUMBER = 24;

// What a line may hold, so that every vessel the carrier weighs or releases stays within what a
// host reads back: a payload within 10 km of the carrier's origin along each axis (as far as a
// class file places touchdown points), a mass that a class file may give, a tank from empty to full.
constexpr double MAX_PAYLOAD_OFFSET = 1e4;    // [m]
constexpr double MAX_PAYLOAD_MASS = 1e9;      // [kg]

constexpr double NEAR_ORIGIN = 0.01;          // [m]
constexpr double AXIAL_COSINE = 0.99;         // within about 8.1 degrees of the z axis
constexpr double AXIAL_SEPARATION = 0.5;      // [m/s] towards +z
constexpr double RADIAL_SEPARATION = 2.0;     // [m/s] outward from the z axis

// ' ' and '\t' '\n' '\v' '\f' '\r', which are 9 to 13: the blanks of the C locale.
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Only the text and its terminator are written: the rest of the buffer is never read.
void CopyCut(char* dest, const char* src, size_t size) {
    const size_t length = src ? strnlen(src, size - 1) : 0;
    if (length) std::memcpy(dest, src, length);
    dest[length] = '\0';
}

const char* SkipBlanks(const char* s) {
    while (IsBlank(*s)) ++s;
    return s;
}

// Copies the line into out with each of its first three words cut to the name limit, so that
// an overlong name never spills into the next field. True when a name was cut.
bool CutNameWords(const char* in, char* out, size_t size) {
    size_t o = 0;
    int word = 0;
    bool cut = false;
    while (*in && o + 1 < size) {
        if (IsBlank(*in)) {
            out[o++] = *in++;
            continue;
        }
        int length = 0;
        for (; *in && !IsBlank(*in); ++in, ++length) {
            if ((word >= 3 || length < NAME_MAX_CHARS) && o + 1 < size) out[o++] = *in;
            else if (word < 3) cut = true;
        }
        ++word;
    }
    out[o] = '\0';
    return cut;
}

// A line's mesh and class name a file inside the host's folder for each (Meshes, Config/Vessels),
// sub-folders written with '\\' or '/' included. A name that leads out of it (a ".." part, or one
// of dots and blanks only holding "..", a leading '/' or '\\', a drive "X:") or holds a control
// character could make the host open a file of someone else's: such a line is not taken. An empty
// name is the line's "none".
bool LeavesItsFolder(const char* name) {
    if (!*name) return false;
    if (*name == '/' || *name == '\\') return true;
    if (std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':') return true;
    const char* part = name;
    for (const char* p = name;; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c && (c < 0x20 || c == 0x7f)) return true;
        if (c && c != '/' && c != '\\') continue;
        const std::string_view component(part, static_cast<size_t>(p - part));
        const bool dotsAndBlanks = component.find_first_not_of(". ") == std::string_view::npos;
        if (dotsAndBlanks && component.find("..") != std::string_view::npos) return true;
        if (!c) return false;
        part = p + 1;
    }
}

// What a payload line loses is written to the host's log, with the carrier's name and the line.
void ReportLine(const char* vessel, const char* what, const char* line) {
    WriteHostLog(std::string(vessel) + ": payload line " + what + ": " + (line ? line : ""));
}

// How the numbers of a line's fields were read, when not each as a whole: the scan takes a number's
// leading digits and stops at the first field it cannot read, leaving the rest 0.
void ReportNumbers(const char* vessel, const char* fields, const char* line) {
    static const char* const NAMES[6] = {"x position", "y position", "z position", "mass", "rotation", "fuel level"};
    const char* at = fields;
    for (int word = 0; word < 9; ++word) {
        while (IsBlank(*at)) ++at;
        if (!*at) {
            if (word >= 3) {
                const std::string what = std::string("has no ") + NAMES[word - 3] + (word < 8 ? " and later fields" : "") +
                                         "; read as 0";
                ReportLine(vessel, what.c_str(), line);
            }
            return;
        }
        const char* start = at;
        while (*at && !IsBlank(*at)) ++at;
        if (word < 3) continue;
        const std::string text(start, at);
        char* end = nullptr;
        std::strtod(text.c_str(), &end);
        if (end == text.c_str() + text.size()) continue;
        const std::string what =
            end == text.c_str()
                ? "has '" + text + "' where the " + NAMES[word - 3] + " belongs; it and the fields after it read as 0"
                : "has the " + std::string(NAMES[word - 3]) + " '" + text + "', read as " +
                      text.substr(0, static_cast<size_t>(end - text.c_str())) + (word < 8 ? "; the fields after it read as 0" : "");
        ReportLine(vessel, what.c_str(), line);
        return;
    }
}

// The shortest text that reads back as the value.
std::string ShortText(double value) {
    char text[64];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// Numbers beyond what a vessel may hold are taken as the nearest it may (each position within
// MAX_PAYLOAD_OFFSET, the mass within 0..MAX_PAYLOAD_MASS, the fuel level within 0..1), and each
// is reported; the rotation turns the same for any finite angle.
void HoldInRange(const char* vessel, double (&number)[6], const char* line) {
    struct Limit {
        const char* name;
        double lo, hi;
        const char* range;
    };
    static const Limit LIMITS[6] = {{"x position", -MAX_PAYLOAD_OFFSET, MAX_PAYLOAD_OFFSET, "-10000..10000 m"},
                                    {"y position", -MAX_PAYLOAD_OFFSET, MAX_PAYLOAD_OFFSET, "-10000..10000 m"},
                                    {"z position", -MAX_PAYLOAD_OFFSET, MAX_PAYLOAD_OFFSET, "-10000..10000 m"},
                                    {"mass", 0, MAX_PAYLOAD_MASS, "0..1e9 kg"},
                                    {nullptr, 0, 0, nullptr},
                                    {"fuel level", 0, 1, "0..1"}};
    for (int f = 0; f < 6; ++f) {
        const Limit& limit = LIMITS[f];
        if (!limit.name || (number[f] >= limit.lo && number[f] <= limit.hi)) continue;
        const double held = std::clamp(number[f], limit.lo, limit.hi);
        ReportLine(vessel,
                   (std::string("has the ") + limit.name + " " + ShortText(number[f]) + ", outside " + limit.range +
                    "; read as " + ShortText(held))
                       .c_str(),
                   line);
        number[f] = held;
    }
}

// A plain decimal number filling [start, end): [+-] digits [. digits] [e [+-] digits] with a digit
// before the exponent, that reads in range.
bool ReadPlainNumber(const char* start, const char* end, double& value) {
    const char* p = start;
    if (*p == '+' || *p == '-') ++p;
    const char* digitsStart = p;
    size_t digits = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) ++digits;
    if (p < end && *p == '.')
        for (++p; p < end && *p >= '0' && *p <= '9'; ++p) ++digits;
    if (digits == 0) return false;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < end && (*p == '+' || *p == '-')) ++p;
        if (!(p < end && *p >= '0' && *p <= '9')) return false;
        while (p < end && *p >= '0' && *p <= '9') ++p;
    }
    if (p != end) return false;
    // from_chars takes no leading '+'; a '-' it reads itself.
    const auto result = std::from_chars(*start == '+' ? digitsStart : start, end, value);
    return result.ec == std::errc() && result.ptr == end;
}

// A line of three words of at most 127 characters and six plain decimal numbers, read as the scan
// below would read it (both read a decimal number to the nearest double). False, with nothing
// written, for any other line.
bool ReadPlainFields(const char* fields, char* const (&names)[3], double (&number)[6]) {
    const char* word[3];
    size_t length[3];
    double read[6];
    const char* at = fields;
    for (int f = 0; f < 9; ++f) {
        while (IsBlank(*at)) ++at;
        const char* start = at;
        while (*at && !IsBlank(*at)) ++at;
        const size_t n = static_cast<size_t>(at - start);
        if (n == 0) return false;
        if (f >= 3) {
            if (!ReadPlainNumber(start, at, read[f - 3])) return false;
        } else {
            if (n > static_cast<size_t>(NAME_MAX_CHARS)) return false;
            word[f] = start;
            length[f] = n;
        }
    }
    for (int f = 0; f < 3; ++f) {
        std::memcpy(names[f], word[f], length[f]);
        names[f][length[f]] = '\0';
    }
    std::memcpy(number, read, sizeof read);
    return true;
}

// The fields of a line as "%127s %127s %127s %lf %lf %lf %lf %lf %lf" reads them; returns the
// count of fields read. The scan itself takes every line that is not plain (a missing field, a
// partial number, hex, inf, nan, a number out of range): the log messages follow its edge cases.
int ScanFields(const char* fields, char* const (&names)[3], double (&number)[6]) {
    if (ReadPlainFields(fields, names, number)) return 9;
    return std::sscanf(fields, "%127s %127s %127s %lf %lf %lf %lf %lf %lf", names[0], names[1], names[2], &number[0],
                       &number[1], &number[2], &number[3], &number[4], &number[5]);
}

void AppendName(std::string& out, const char* name) { out += *name ? name : EMPTY_FIELD; }

// Below this magnitude [-] a double's spacing is under 0.002, so a value that is the nearest double
// to a number of two decimals has that number as its exact rounding to two decimals.
constexpr double TWO_DECIMALS_EXACT = 1e13;

// Two decimals where they read back as the value and fit SHORT_NUMBER, as "%.2f" writes them
// (to_chars with a precision rounds exactly, as printf does); else the shortest exact form.
void AppendNumber(std::string& out, double value) {
    char text[64];
    if (std::fabs(value) < TWO_DECIMALS_EXACT) {
        // m/100 reads back as the value exactly when the correctly rounded division m / 100.0 gives
        // it, and then "%.2f" writes m/100: the general path below gives the same, only slower.
        const long long hundredths = std::llround(value * 100);
        if (static_cast<double>(hundredths) / 100.0 == value) {
            const unsigned long long magnitude =
                hundredths < 0 ? 0ULL - static_cast<unsigned long long>(hundredths) : static_cast<unsigned long long>(hundredths);
            char* p = text;
            if (std::signbit(value)) *p++ = '-';
            p = std::to_chars(p, text + sizeof text, magnitude / 100).ptr;
            *p++ = '.';
            *p++ = static_cast<char>('0' + magnitude % 100 / 10);
            *p++ = static_cast<char>('0' + magnitude % 10);
            out.append(text, p);
            return;
        }
        const auto end = std::to_chars(text, text + sizeof text, value).ptr;
        out.append(text, end);
        return;
    }
    const auto fixed = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    if (fixed.ec == std::errc() && static_cast<size_t>(fixed.ptr - text) <= SHORT_NUMBER) {
        double back = 0;
        const auto parsed = std::from_chars(text, fixed.ptr, back);
        if (parsed.ec == std::errc() && back == value) {
            out.append(text, fixed.ptr);
            return;
        }
    }
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    out.append(text, end);
}

// The decimal places of the shortest text that reads back as the value: its digits after the
// point less its exponent ("9.35" 2, "7" 0, "1e-07" 7, "1.5e+20" 0).
int DecimalPlaces(double value) {
    char text[64];
    const char* const begin = text;
    const char* const end = std::to_chars(text, text + sizeof text, value).ptr;
    const char* point = std::find(begin, end, '.');
    const char* exponent = std::find(begin, end, 'e');
    int places = point < exponent ? static_cast<int>(exponent - point - 1) : 0;
    if (exponent != end) {
        const char* digits = exponent + 1;
        if (*digits == '+') ++digits;
        int power = 0;
        std::from_chars(digits, end, power);
        places -= power;
    }
    return std::max(places, 0);
}

// Half a unit in the last place of the value: how far the double may lie from the number it stands for.
double HalfUlp(double value) {
    const double magnitude = std::fabs(value);
    return (std::nextafter(magnitude, INFINITY) - magnitude) / 2;
}

// Room for a difference written with all its decimal places [characters]: a sign, 309 digits
// before the point at most, and at most 340 places after it (17 digits from an exponent of -324).
constexpr size_t DIFFERENCE_TEXT = 700;

}  // namespace

double DifferenceAsWritten(double a, double b) {
    const double difference = a - b;
    if (difference == 0 || !std::isfinite(difference)) return difference;
    const int places = std::max(DecimalPlaces(a), DecimalPlaces(b));
    char text[DIFFERENCE_TEXT];
    const auto fixed = std::to_chars(text, text + sizeof text, difference, std::chars_format::fixed, places);
    double rounded = 0;
    if (fixed.ec != std::errc() || std::from_chars(text, fixed.ptr, rounded).ec != std::errc()) return difference;
    // The rounding may take back what the subtraction and the two numbers' own rounding to doubles
    // put in, no more: a number with more digits than a double holds is not rounded to them.
    const double open = HalfUlp(a) + HalfUlp(b) + HalfUlp(difference);
    return std::fabs(rounded - difference) <= open ? rounded : difference;
}

VECTOR3 SeparationVelocity(const VECTOR3& p) {
    const double length = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    if (length <= NEAR_ORIGIN) return VECTOR3{0, 0, AXIAL_SEPARATION};
    if (std::fabs(p.z / length) > AXIAL_COSINE) return VECTOR3{0, 0, AXIAL_SEPARATION};
    const double r = std::sqrt(p.x * p.x + p.y * p.y);
    return VECTOR3{RADIAL_SEPARATION * p.x / r, RADIAL_SEPARATION * p.y / r, 0};
}

void PayloadCarrier::HandleScenarioLine(const char* line) {
    char buffer[LINE_BUFFER];
    CopyCut(buffer, line, sizeof buffer);
    char* word = buffer;
    while (IsBlank(*word)) ++word;
    char* end = word;
    while (*end && !IsBlank(*end)) ++end;
    *end = '\0';
    if (!*word) return;
    DispatchMessage(word, line);
    if (std::none_of(std::begin(PAYLOAD_KEYS), std::end(PAYLOAD_KEYS),
                     [&](const char* key) { return std::strcmp(word, key) == 0; }))
        ReportMistypedKey(line, PAYLOAD_KEYS, 4);
}

bool PayloadCarrier::DispatchMessage(const char* name, const char* text) {
    try {
        char nameCopy[DISPATCH_NAME_BUFFER];
        char textCopy[DISPATCH_TEXT_BUFFER];
        CopyCut(nameCopy, name, sizeof nameCopy);
        CopyCut(textCopy, text, sizeof textCopy);
        for (const char* key : {KEY_PAYLOAD, KEY_STAGE, KEY_ENDDRV, KEY_ENDSTAGE}) {
            if (std::strcmp(nameCopy, key) == 0) {
                ParsePayloadLine(text ? text : "");
                return true;
            }
        }
        static_cast<MessageReceiver*>(this)->OnMessage(nameCopy, textCopy);
    } catch (...) {
        // A failing handler ends the handling of this one line.
    }
    return true;
}

void PayloadCarrier::ParsePayloadLine(const char* text) {
    char buffer[LINE_BUFFER];
    CopyCut(buffer, text, sizeof buffer);

    int free = 0;
    while (free < PAYLOAD_SLOT_COUNT && slots[free].attached) ++free;
    const char* rest = SkipBlanks(buffer);
    if (free == PAYLOAD_SLOT_COUNT) {
        if (std::strncmp(rest, "PAYLOAD ", 8) == 0 || std::strncmp(rest, "STAGE ", 6) == 0)
            ReportLine(GetName(), "dropped, all 50 slots are taken", rest);
        return;
    }
    if (text && std::strlen(text) >= sizeof buffer) ReportLine(GetName(), "cut to 511 characters", buffer);

    std::uint16_t kind;
    if (std::strncmp(rest, "PAYLOAD ", 8) == 0) {
        kind = PAYLOAD_KIND_PAYLOAD;
        rest += 8;
    } else if (std::strncmp(rest, "STAGE ", 6) == 0) {
        kind = PAYLOAD_KIND_STAGE;
        rest += 6;
    } else if (std::strncmp(rest, KEY_ENDDRV, 6) == 0 || std::strncmp(rest, KEY_ENDSTAGE, 8) == 0) {
        if (refusedStageLevels > 0)
            --refusedStageLevels;
        else if (currentStage != -1)
            currentStage = slots[currentStage].parentStage;
        return;
    } else {
        return;
    }
    if (refusedStageLevels > 0) {
        ReportLine(GetName(), "ignored, it lies inside a STAGE line that was not taken", rest);
        if (kind == PAYLOAD_KIND_STAGE) ++refusedStageLevels;
        return;
    }
    // A line refused from here on: a stage's own ENDSTAGE then closes nothing that was taken.
    const auto refuse = [&](const std::string& what) {
        ReportLine(GetName(), what.c_str(), rest);
        if (kind == PAYLOAD_KIND_STAGE) ++refusedStageLevels;
    };

    // Fields the line lacks stay empty or zero, whatever the slot held before.
    char vesselName[PAYLOAD_NAME_SIZE] = {};
    char meshName[PAYLOAD_NAME_SIZE] = {};
    char className[PAYLOAD_NAME_SIZE] = {};
    double number[6] = {0, 0, 0, 0, 0, 0};  // x, y, z, mass, rotation, fuel level
    char* const names[3] = {vesselName, meshName, className};
    // A plain line has no name to cut, and is read whole.
    char fields[LINE_BUFFER];
    fields[0] = '\0';
    int read = 9;
    if (!ReadPlainFields(rest, names, number)) {
        if (CutNameWords(rest, fields, sizeof fields)) ReportLine(GetName(), "has a name cut to 127 characters", rest);
        read = ScanFields(fields, names, number);
    }
    // A number that is not finite would reach the vessel's mass and positions: no slot is filled.
    for (double n : number) {
        if (!std::isfinite(n)) {
            refuse("ignored, a number in it is not finite");
            return;
        }
    }
    for (const char* name : {meshName, className}) {
        if (!LeavesItsFolder(name)) continue;
        refuse(std::string("ignored, its ") + (name == meshName ? "mesh" : "class") + " name '" + name +
               "' is not a name within its folder");
        return;
    }
    if (read < 9) ReportNumbers(GetName(), fields, rest);
    HoldInRange(GetName(), number, rest);
    for (char* name : {vesselName, meshName, className})
        if (std::strcmp(name, EMPTY_FIELD) == 0) name[0] = '\0';

    PayloadSlot& slot = slots[free];
    slot.kind = kind;
    std::memcpy(slot.vesselName, vesselName, sizeof vesselName);
    std::memcpy(slot.className, className, sizeof className);
    slot.mass = number[3];
    slot.rotation = number[4];
    slot.fuelLevel = number[5];
    slot.attached = true;
    slot.mesh.meshName = meshName;
    slot.mesh.meshHandle = oapiLoadMesh(meshName);
    slot.mesh.position = VECTOR3{number[0], number[1], number[2]};
    slot.parentStage = currentStage;
    slot.releaseVelocity = SeparationVelocity(slot.mesh.position);
    if (kind == PAYLOAD_KIND_STAGE) currentStage = static_cast<std::int16_t>(free);
}

void PayloadCarrier::FinishPayloadLines() {
    refusedStageLevels = 0;
    if (currentStage == -1) return;
    LogEvent(std::string("stage ") + slots[currentStage].vesselName +
             " has no ENDSTAGE: every payload line after it is inside it");
    currentStage = -1;
}

int StageClosingsAfter(PayloadTableView slots, int i, int outermost) {
    // The stage open after slot i: the slot itself if it is a stage, else its parent.
    int open = slots[i].kind == PAYLOAD_KIND_STAGE ? i : slots[i].parentStage;
    const bool nextAttached = i + 1 < PAYLOAD_SLOT_COUNT && slots[i + 1].attached;
    const int target = nextAttached ? slots[i + 1].parentStage : outermost;
    int closings = 0;
    for (int guard = 0; open != target && open != outermost && open >= 0 && guard < PAYLOAD_SLOT_COUNT; ++guard) {
        ++closings;
        open = slots[open].parentStage;
    }
    return closings;
}

PayloadLine FormatPayloadLine(const PayloadSlot& slot, const VECTOR3& position) {
    PayloadLine line{slot.kind == PAYLOAD_KIND_PAYLOAD ? KEY_PAYLOAD : KEY_STAGE, {}};
    std::string& text = line.text;
    text.reserve(3 * PAYLOAD_NAME_SIZE);
    text += line.keyword;
    text += ' ';
    AppendName(text, slot.vesselName);
    text += ' ';
    AppendName(text, slot.mesh.meshName.c_str());
    text += ' ';
    AppendName(text, slot.className);
    for (double n : {position.x, position.y, position.z, slot.mass, slot.rotation, slot.fuelLevel}) {
        text += ' ';
        AppendNumber(text, n);
    }
    return line;
}

void PayloadCarrier::SavePayloadLines(FILEHANDLE file) {
    // A stage released in this frame gets its contents as messages that it reads in its next step;
    // a save before that step would lose them for good.
    CollectMessages();
    for (int i = 0; i < PAYLOAD_SLOT_COUNT && slots[i].attached; ++i) {
        const PayloadLine line = FormatPayloadLine(slots[i], slots[i].mesh.position);
        // The host's writer takes char* but does not change the strings.
        oapiWriteScenario_string(file, const_cast<char*>(line.keyword), const_cast<char*>(line.Fields()));
        // One "ENDSTAGE" for every stage level that closes here, so that the nesting reads back.
        if (i < PAYLOAD_SLOT_COUNT - 1)
            for (int n = StageClosingsAfter(slots, i, -1); n > 0; --n)
                oapiWriteScenario_string(file, const_cast<char*>(KEY_ENDSTAGE), const_cast<char*>(""));
    }
}
