// Payload and stage scenario lines (their grammar is beside PayloadLine, their fields in
// PAYLOAD_FIELDS): routing, reading, writing and saving.
#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "carrier/internal/payload_fields.h"
#include "carrier/internal/payload_table.h"
#include "carrier/payload_carrier.h"
#include "messages/host_log.h"

namespace {

constexpr int LINE_BUFFER = 512;  // lines are cut to 511 characters
constexpr int DISPATCH_NAME_BUFFER = 128;
constexpr int DISPATCH_TEXT_BUFFER = 2048;
constexpr size_t NAME_MAX_CHARS = PAYLOAD_NAME_SIZE - 1;

constexpr auto PAYLOAD_KEY_NAMES = [] {
    std::array<const char*, std::size(PAYLOAD_KEYWORDS)> names{};
    for (size_t k = 0; k < names.size(); ++k) names[k] = PAYLOAD_KEYWORDS[k].text;
    return names;
}();

// Written for a name field that is empty, and read back as empty: without it the next field
// would slide into the empty one's place.
constexpr std::string_view EMPTY_FIELD = "-";
// Numbers are saved with two decimals where those give the value back and stay short; any other
// value in the shortest form that gives it back exactly.
constexpr size_t SHORT_NUMBER = 24;

constexpr double NEAR_ORIGIN = 0.01;          // [m]
constexpr double AXIAL_COSINE = 0.99;         // within about 8.1 degrees of the z axis
constexpr double AXIAL_SEPARATION = 0.5;      // [m/s] towards +z
constexpr double RADIAL_SEPARATION = 2.0;     // [m/s] outward from the z axis

// ' ' and '\t' '\n' '\v' '\f' '\r', which are 9 to 13: the blanks of the C locale.
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

const char* SkipBlanks(const char* s) {
    while (IsBlank(*s)) ++s;
    return s;
}

const char* WordEnd(const char* s) {
    while (*s && !IsBlank(*s)) ++s;
    return s;
}

// Only the text and its terminator are written: the rest of the buffer is never read.
void CopyCut(char* dest, std::string_view src, size_t size) {
    const size_t length = std::min(src.size(), size - 1);
    if (length) std::memcpy(dest, src.data(), length);
    dest[length] = '\0';
}

// A line as it is read: its first 511 characters, read in place unless it has more.
class CutLine {
public:
    explicit CutLine(const char* line) {
        if (!line || strnlen(line, LINE_BUFFER) < LINE_BUFFER) {
            text_ = line ? line : "";
            return;
        }
        CopyCut(buffer_, {line, LINE_BUFFER}, sizeof buffer_);
        text_ = buffer_;
        cut_ = true;
    }
    CutLine(const CutLine&) = delete;
    CutLine& operator=(const CutLine&) = delete;

    const char* Text() const { return text_; }
    bool Cut() const { return cut_; }

private:
    char buffer_[LINE_BUFFER];
    const char* text_;
    bool cut_ = false;
};

// Where a line's fields start: after PAYLOAD or STAGE and one space. nullptr for a line without
// them, which is not read, and for the closing keys.
const char* FieldsAfter(PayloadKey key, const char* keywordEnd) {
    const bool opens = key == PayloadKey::Payload || key == PayloadKey::Stage;
    return opens && *keywordEnd == ' ' ? keywordEnd + 1 : nullptr;
}

// A line or message that is not a payload line goes to OnMessage, with copies of its name (cut to
// 127 characters) and its text (cut to 2047) that the handler may keep for the call.
void Deliver(MessageReceiver& receiver, std::string_view name, const char* text) {
    char nameCopy[DISPATCH_NAME_BUFFER];
    char textCopy[DISPATCH_TEXT_BUFFER];
    CopyCut(nameCopy, name, sizeof nameCopy);
    CopyCut(textCopy, text ? std::string_view(text, strnlen(text, sizeof textCopy)) : std::string_view(),
            sizeof textCopy);
    receiver.OnMessage(nameCopy, textCopy);
}

// A line's mesh and class name a file inside the host's folder for each (Meshes, Config/Vessels),
// sub-folders written with '\\' or '/' included. A name that leads out of it (a ".." part, or one
// of dots and blanks only holding "..", a leading '/' or '\\', a drive "X:") or holds a control
// character could make the host open a file of someone else's: such a line is not taken. An empty
// name is the line's "none".
bool LeavesItsFolder(std::string_view name) {
    if (name.empty()) return false;
    if (name[0] == '/' || name[0] == '\\') return true;
    if (name.size() > 1 && std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':') return true;
    size_t part = 0;
    for (size_t p = 0;; ++p) {
        const bool end = p == name.size();
        const auto c = end ? '\0' : static_cast<unsigned char>(name[p]);
        if (c && (c < 0x20 || c == 0x7f)) return true;
        if (!end && c != '/' && c != '\\') continue;
        const std::string_view component = name.substr(part, p - part);
        const bool dotsAndBlanks = component.find_first_not_of(". ") == std::string_view::npos;
        if (dotsAndBlanks && component.find("..") != std::string_view::npos) return true;
        if (end) return false;
        part = p + 1;
    }
}

// What a payload line loses is written to the host's log, with the carrier's name and the line.
void ReportLine(const char* vessel, const std::string& what, const char* line) {
    WriteHostLog(std::string(vessel) + ": payload line " + what + ": " + line);
}

// The shortest text that reads back as the value.
std::string ShortText(double value) {
    char text[64];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
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

// One number where the reading stands, [at, at + length) the rest of its word; returns the
// characters it takes, 0 for none. A plain decimal number filling the rest is read here, to the
// nearest double as the C library's "%lf" reads it; any other form (a partial number, hex, inf,
// nan, one out of range) by "%lf" itself, whose edge cases a line keeps: "3x50" gives 3 and
// leaves "x50", where the next field then stops the reading; "1.5.3" gives 1.5, and .3 to the
// next field; "1e" is taken whole as 1.
size_t ReadNumber(const char* at, size_t length, double& value) {
    if (ReadPlainNumber(at, at + length, value)) return length;
    double read = 0;
    int used = 0;
    if (std::sscanf(at, "%lf%n", &read, &used) != 1) return 0;
    value = read;
    return std::min(static_cast<size_t>(used), length);
}

struct Word {
    const char* at;
    size_t length;
};

// A line's fields as the scan "%127s %127s %127s %lf %lf %lf %lf %lf %lf" reads them once its
// names are cut to 127 characters, read in one pass over its first words: a name takes a word
// whole, a number what ReadNumber takes from where the reading stands; the reading stops at the
// first field it cannot read. Fields not read stay empty or 0.
struct LineFields {
    PayloadFieldValue values[PAYLOAD_FIELD_COUNT];
    Word words[PAYLOAD_FIELD_COUNT];
    int wordCount = 0;
    int read = 0;  // fields read
    bool nameCut = false;
};

LineFields ReadFields(const char* fields) {
    LineFields line;
    for (const char* at = SkipBlanks(fields); *at && line.wordCount < PAYLOAD_FIELD_COUNT; at = SkipBlanks(at)) {
        const char* end = WordEnd(at);
        line.words[line.wordCount++] = Word{at, static_cast<size_t>(end - at)};
        at = end;
    }
    int w = 0;
    size_t offset = 0;  // of the word the reading stands in
    for (; line.read < PAYLOAD_FIELD_COUNT && w < line.wordCount; ++line.read) {
        const Word& word = line.words[w];
        PayloadFieldValue& value = line.values[line.read];
        const char* at = word.at + offset;
        const size_t rest = word.length - offset;
        size_t used = rest;
        if (PAYLOAD_FIELDS[line.read].kind == PayloadFieldKind::Name) {
            // Cut, so that an overlong name never spills into the next field.
            value.name = std::string_view(at, std::min(rest, NAME_MAX_CHARS));
            line.nameCut |= rest > NAME_MAX_CHARS;
        } else {
            used = ReadNumber(at, rest, value.number);
            if (!used) break;
        }
        offset += used;
        if (offset == word.length) {
            ++w;
            offset = 0;
        }
    }
    return line;
}

// For a line not read whole: the first field whose word is missing or is not one number from end
// to end. The number the log shows is what a reader of one number (strtod) takes from that word.
void ReportNumbers(const char* vessel, const LineFields& line, const char* text) {
    for (int f = 0; f < PAYLOAD_FIELD_COUNT; ++f) {
        const PayloadField& field = PAYLOAD_FIELDS[f];
        const bool last = f == PAYLOAD_FIELD_COUNT - 1;
        if (f >= line.wordCount) {
            if (!field.quietWhenMissing)
                ReportLine(vessel,
                           std::string("has no ") + field.name + (last ? "" : " and later fields") + "; read as 0", text);
            return;
        }
        if (field.kind == PayloadFieldKind::Name) continue;
        const Word& word = line.words[f];
        char* end = nullptr;
        std::strtod(word.at, &end);
        const size_t whole = std::min(static_cast<size_t>(end - word.at), word.length);
        if (whole == word.length) continue;
        const std::string wordText(word.at, word.length);
        ReportLine(vessel,
                   whole == 0 ? "has '" + wordText + "' where the " + field.name +
                                    " belongs; it and the fields after it read as 0"
                              : "has the " + std::string(field.name) + " '" + wordText + "', read as " +
                                    wordText.substr(0, whole) + (last ? "" : "; the fields after it read as 0"),
                   text);
        return;
    }
}

// Numbers beyond what a vessel may hold are taken as the nearest it may, and each is reported.
void HoldInRange(const char* vessel, PayloadFieldValue (&values)[PAYLOAD_FIELD_COUNT], const char* text) {
    for (int f = 0; f < PAYLOAD_FIELD_COUNT; ++f) {
        const PayloadField& field = PAYLOAD_FIELDS[f];
        double& number = values[f].number;
        if (field.kind != PayloadFieldKind::Number || !field.range || (number >= field.lo && number <= field.hi))
            continue;
        const double held = std::clamp(number, field.lo, field.hi);
        ReportLine(vessel,
                   std::string("has the ") + field.name + " " + ShortText(number) + ", outside " + field.range +
                       "; read as " + ShortText(held),
                   text);
        number = held;
    }
}

const char* KeywordOf(const PayloadSlot& slot) { return slot.kind == PAYLOAD_KIND_PAYLOAD ? KEY_PAYLOAD : KEY_STAGE; }

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

// The nine fields of a slot with the slot at position, separated by single blanks.
void AppendPayloadFields(std::string& out, const PayloadSlot& slot, const VECTOR3& position) {
    for (int f = 0; f < PAYLOAD_FIELD_COUNT; ++f) {
        const PayloadField& field = PAYLOAD_FIELDS[f];
        if (f) out += ' ';
        const PayloadFieldValue value = field.load(slot, position);
        if (field.kind == PayloadFieldKind::Number)
            AppendNumber(out, value.number);
        else
            out += value.name.empty() ? EMPTY_FIELD : value.name;
    }
}


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
    const CutLine cut(line);
    const char* word = SkipBlanks(cut.Text());
    const char* end = WordEnd(word);
    if (end == word) return;
    const std::string_view keyword(word, static_cast<size_t>(end - word));
    const PayloadKey key = KeyOf(keyword);
    try {
        if (key != PayloadKey::None)
            ReadPayloadLine(key, cut.Text(), FieldsAfter(key, end), cut.Cut());
        else
            Deliver(*this, keyword, line);
    } catch (...) {
        // A failing handler ends the handling of this one line.
    }
    if (key == PayloadKey::None)
        ReportMistypedKey(line, PAYLOAD_KEY_NAMES.data(), static_cast<int>(PAYLOAD_KEY_NAMES.size()));
}

bool PayloadCarrier::DispatchMessage(const char* name, const char* text) {
    try {
        if (name && KeyOf(name) != PayloadKey::None)
            ParsePayloadLine(text);
        else
            Deliver(*this, name ? name : "", text);
    } catch (...) {
        // A failing handler ends the handling of this one line.
    }
    return true;
}

void PayloadCarrier::ParsePayloadLine(const char* text) {
    const CutLine cut(text);
    const char* word = SkipBlanks(cut.Text());
    const char* end = WordEnd(word);
    const std::string_view keyword(word, static_cast<size_t>(end - word));
    PayloadKey key = KeyOf(keyword);
    // A text's closing key is read from its first letters, whatever follows them.
    if (key == PayloadKey::None && (keyword.starts_with(KEY_ENDSTAGE) || keyword.starts_with(KEY_ENDDRV)))
        key = PayloadKey::EndStage;
    ReadPayloadLine(key, cut.Text(), FieldsAfter(key, end), cut.Cut());
}

void PayloadCarrier::ReadPayloadLine(PayloadKey key, const char* line, const char* fields, bool cut) {
    int free = 0;
    while (free < PAYLOAD_SLOT_COUNT && slots[free].attached) ++free;
    if (free == PAYLOAD_SLOT_COUNT) {
        if (fields) ReportLine(GetName(), "dropped, all 50 slots are taken", SkipBlanks(line));
        return;
    }
    if (cut) ReportLine(GetName(), "cut to 511 characters", line);

    if (key == PayloadKey::EndStage) {
        if (refusedStageLevels > 0)
            --refusedStageLevels;
        else if (currentStage != -1)
            currentStage = slots[currentStage].parentStage;
        return;
    }
    if (!fields) return;
    const std::uint16_t kind = key == PayloadKey::Stage ? PAYLOAD_KIND_STAGE : PAYLOAD_KIND_PAYLOAD;
    if (refusedStageLevels > 0) {
        ReportLine(GetName(), "ignored, it lies inside a STAGE line that was not taken", fields);
        if (kind == PAYLOAD_KIND_STAGE) ++refusedStageLevels;
        return;
    }
    // A line refused from here on: a stage's own ENDSTAGE then closes nothing that was taken.
    const auto refuse = [&](const std::string& what) {
        ReportLine(GetName(), what, fields);
        if (kind == PAYLOAD_KIND_STAGE) ++refusedStageLevels;
    };

    LineFields read = ReadFields(fields);
    if (read.nameCut) ReportLine(GetName(), "has a name cut to 127 characters", fields);
    // A number that is not finite would reach the vessel's mass and positions: no slot is filled.
    for (int f = 0; f < PAYLOAD_FIELD_COUNT; ++f) {
        if (PAYLOAD_FIELDS[f].kind == PayloadFieldKind::Number && !std::isfinite(read.values[f].number)) {
            refuse("ignored, a number in it is not finite");
            return;
        }
    }
    for (int f = 0; f < PAYLOAD_FIELD_COUNT; ++f) {
        const std::string_view name = read.values[f].name;
        if (!PAYLOAD_FIELDS[f].fileInFolder || !LeavesItsFolder(name)) continue;
        refuse(std::string("ignored, its ") + PAYLOAD_FIELDS[f].name + " name '" + std::string(name) +
               "' is not a name within its folder");
        return;
    }
    if (read.read < PAYLOAD_FIELD_COUNT) ReportNumbers(GetName(), read, fields);
    HoldInRange(GetName(), read.values, fields);

    // Fields the line lacks are empty or zero, whatever the slot held before.
    PayloadSlot& slot = slots[free];
    for (int f = 0; f < PAYLOAD_FIELD_COUNT; ++f) {
        PayloadFieldValue& value = read.values[f];
        if (value.name == EMPTY_FIELD) value.name = {};
        PAYLOAD_FIELDS[f].store(slot, value);
    }
    slot.kind = kind;
    slot.attached = true;
    slot.mesh.meshHandle = oapiLoadMesh(slot.mesh.meshName.c_str());
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
    PayloadLine line{KeywordOf(slot), {}};
    line.text.reserve(3 * PAYLOAD_NAME_SIZE);
    line.text += line.keyword;
    line.text += ' ';
    AppendPayloadFields(line.text, slot, position);
    return line;
}

void PayloadCarrier::SavePayloadLines(FILEHANDLE file) {
    // A stage released in this frame gets its contents as messages that it reads in its next step;
    // a save before that step would lose them for good.
    CollectMessages();
    std::string fields;
    fields.reserve(3 * PAYLOAD_NAME_SIZE);
    for (int i = 0; i < PAYLOAD_SLOT_COUNT && slots[i].attached; ++i) {
        fields.clear();
        AppendPayloadFields(fields, slots[i], slots[i].mesh.position);
        // The host's writer takes char* but does not change the strings.
        oapiWriteScenario_string(file, const_cast<char*>(KeywordOf(slots[i])), fields.data());
        // One "ENDSTAGE" for every stage level that closes here, so that the nesting reads back.
        if (i < PAYLOAD_SLOT_COUNT - 1)
            for (int n = StageClosingsAfter(slots, i, -1); n > 0; --n)
                oapiWriteScenario_string(file, const_cast<char*>(KEY_ENDSTAGE), const_cast<char*>(""));
    }
}
