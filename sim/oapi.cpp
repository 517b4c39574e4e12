// The host's global functions, acting on the current world.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>

#include "host/oapi.h"
#include "host/vessel.h"
#include "sim/class_config.h"
#include "sim/errors.h"
#include "sim/file_handles.h"
#include "sim/mathx.h"
#include "sim/scenario.h"
#include "sim/text.h"
#include "sim/trace_format.h"
#include "sim/world.h"

using sim::trace::Args;

namespace {
sim::World* W() { return sim::World::Current(); }

// Traces a call that names no vessel; its arguments are put into words only when a trace is kept.
template <class... A>
void TraceCall(sim::World* w, const char* name, const A&... args) {
    if (w && w->tracing) w->Trace(nullptr, name, Args(args...));
}
}  // namespace

OBJHANDLE oapiCreateVessel(const char* name, const char* classname, const VESSELSTATUS& status) {
    sim::World* w = W();
    if (!w) return nullptr;
    TraceCall(w, "oapiCreateVessel", name, classname);
    if (!name || !classname) return nullptr;
    for (const char* n : {name, classname})
        if (!sim::IsUtf8(n) || std::strlen(n) > sim::MAX_NAME_LENGTH) {
            // As in a scenario: names are UTF-8 of at most 255 bytes, so that they save, dump and read back.
            w->Warn(std::string("a vessel of class '") + classname +
                    "' not created: its name or class name is not UTF-8 text of at most 255 bytes");
            return nullptr;
        }
    auto finite = [](const VECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); };
    // A landed status places the vessel by vdata[0] alone; the other vectors are not read.
    const bool landed = status.status == sim::STATUS_LANDED;
    const bool placeFinite = landed ? finite(status.vdata[0])
                                    : finite(status.rpos) && finite(status.rvel) && finite(status.vrot) && finite(status.arot);
    if (!placeFinite || !std::isfinite(status.fuel) || !std::isfinite(status.eng_main) ||
        !std::isfinite(status.eng_hovr)) {
        // A state that is not finite would make every later state so; the host declines the vessel.
        w->Warn(std::string("vessel '") + name + "' of class '" + classname +
                "' not created: its state holds a number that is not finite");
        return nullptr;
    }
    if (!landed) {
        // As for RPOS, RVEL and VROT in a scenario: what the host could not read back from its
        // own save it does not create.
        const char* problem = nullptr;
        if (sim::Length(status.rpos) > sim::MAX_DISTANCE) problem = "its position lies beyond 1e12 m from Earth's centre";
        else if (sim::Length(status.rvel) > sim::MAX_SPEED) problem = "its speed is above 1e6 m/s";
        else if (sim::Length(status.vrot) * 180 / PI > sim::MAX_ROTATION_RATE) problem = "its rotation is faster than 3600 deg/s";
        if (problem) {
            w->Warn(std::string("vessel '") + name + "' of class '" + classname + "' not created: " + problem +
                    ", beyond what a scenario may hold");
            return nullptr;
        }
    }
    if (landed && std::abs(status.vdata[0].y) > PI05) {
        // As for POS in a scenario: a latitude beyond the poles names no place.
        w->Warn(std::string("vessel '") + name + "' of class '" + classname +
                "' not created: its landed latitude vdata[0].y lies outside -pi/2..pi/2 rad");
        return nullptr;
    }
    // A declined vessel gives the caller a null handle; a broken class file or module stops the
    // run once the module returns.
    const std::string refusal =
        "vessel '" + sim::Printable(name) + "' of class '" + sim::Printable(classname) + "' not created: ";
    const OBJHANDLE created = w->GuardHostCall(refusal, OBJHANDLE{nullptr},
                                               [&] { return w->CreateVessel(name, classname, status)->Handle(); });
    if (created) w->NoteCreationInPostStep(name);
    return created;
}

bool oapiDeleteVessel(OBJHANDLE hVessel, OBJHANDLE hAlternativeCameraTarget) {
    sim::World* w = W();
    if (!w) return false;
    TraceCall(w, "oapiDeleteVessel", static_cast<const void*>(hVessel),
              static_cast<const void*>(hAlternativeCameraTarget));
    sim::VesselRecord* v = w->Find(hVessel);
    if (!v) return false;
    w->RequestDelete(*v);
    return true;
}

bool oapiIsVessel(OBJHANDLE hVessel) {
    sim::World* w = W();
    return w && w->Find(hVessel) != nullptr;
}

VESSEL* oapiGetVesselInterface(OBJHANDLE hVessel) {
    sim::World* w = W();
    if (!w) return nullptr;
    TraceCall(w, "oapiGetVesselInterface", static_cast<const void*>(hVessel));
    sim::VesselRecord* v = w->Find(hVessel);
    return v ? v->iface : nullptr;
}

OBJHANDLE oapiGetVesselByName(char* name) {
    sim::World* w = W();
    sim::VesselRecord* v = w && name ? w->FindByName(name) : nullptr;
    return v ? v->Handle() : nullptr;
}

double oapiGetSimTime() { return W() ? W()->SimTime() : 0.0; }

double oapiGetSimStep() {
    if (!W()) return 0.0;
    TraceCall(W(), "oapiGetSimStep");
    return W()->SimStep();
}

double oapiGetTimeAcceleration() {
    if (!W()) return 1.0;
    TraceCall(W(), "oapiGetTimeAcceleration");
    return W()->TimeAcceleration();
}

void oapiSetTimeAcceleration(double warp) {
    if (!W()) return;
    TraceCall(W(), "oapiSetTimeAcceleration", warp);
    if (!std::isfinite(warp)) return;  // refused: the factor stays as it is
    const double before = W()->TimeAcceleration();
    W()->SetTimeAcceleration(warp);
    if (W()->TimeAcceleration() != before && W()->Context())
        W()->AddEvent(*W()->Context(), "timeacc " + sim::FormatDouble(W()->TimeAcceleration()) + " (module)");
}

MESHHANDLE oapiLoadMesh(const char* fname) {
    if (!W()) return nullptr;
    TraceCall(W(), "oapiLoadMesh", fname);
    if (fname && !sim::PathLengthProblem(std::string(fname) + ".msh").empty()) return nullptr;  // no such file can exist
    return fname ? W()->LoadMesh(fname) : nullptr;
}

bool oapiReadScenario_nextline(FILEHANDLE scn, char*& line) {
    auto* r = sim::FileAs<sim::ScenarioBlockReader>(scn, sim::SCENARIO_BLOCK);
    if (!r || !r->lines || r->next >= r->lines->size()) return false;
    const sim::ScenarioLine& l = (*r->lines)[r->next++];
    r->currentLine = l.number;
    r->buffer.assign(l.text.begin(), l.text.end());
    r->buffer.push_back('\0');
    line = r->buffer.data();
    TraceCall(W(), "oapiReadScenario_nextline", static_cast<const char*>(line));
    return true;
}

bool oapiReadItem_string(FILEHANDLE f, char* item, char* string) {
    sim::World* w = W();
    // The handle is an address, not an id: the trace names the item only.
    TraceCall(w, "oapiReadItem_string", static_cast<const char*>(item));
    const auto* cls = sim::FileAs<const sim::VesselClass>(f, sim::CLASS_FILE);
    if (!cls || !item || !string || !w) return false;
    if (cls != w->classSetUp) {
        // The simulator's handle is its open file, gone once the set-up has returned.
        const sim::VesselRecord* v = w->Context();
        w->ModuleFault("module fault: " + (v ? "vessel '" + sim::Printable(v->name) + "'" : std::string("a module")) +
                       " read '" + sim::Printable(item) + "' from the file of class '" + sim::Printable(cls->name) +
                       "' outside that class's clbkSetClassCaps, when the simulator has closed the file (read it "
                       "there and keep the value); not read");
        return false;
    }
    const std::string key = sim::Lower(item);
    for (const sim::VesselClass::Item& entry : cls->items) {
        // The simulator's reader stops at a line too long for its buffer.
        if (cls->firstOverlongLine && entry.value.line >= cls->firstOverlongLine) break;
        if (entry.lowerKey != key) continue;
        // The first line of the key decides, an empty value too. The simulator's line ends at a
        // NUL, as a C string, and loses the blanks before it.
        const std::string& text = entry.value.text;
        size_t length = std::min(std::strlen(text.c_str()), sim::CLASS_LINE_MAX);
        while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\t')) --length;
        if (length == 0) return false;
        std::memcpy(string, text.c_str(), length);
        string[length] = '\0';
        return true;
    }
    if (cls->firstOverlongLine && !cls->overlongLineTold) {
        cls->overlongLineTold = true;
        w->Warn(sim::Where(cls->path.string(), cls->firstOverlongLine,
                           "line longer than " + std::to_string(sim::CLASS_LINE_MAX) +
                               " characters, where the simulator's item reader stops: a module's "
                               "oapiReadItem_string(\"" + sim::Printable(item) +
                               "\") finds nothing at or after it; shorten the line"));
    }
    return false;
}

namespace {
void WriteLine(FILEHANDLE scn, const char* call, const char* item, const std::string& value) {
    TraceCall(W(), call, item, value.c_str());
    if (auto* out = sim::FileAs<sim::ScenarioWriter>(scn, sim::SCENARIO_OUT)) out->text += sim::ScenarioLineText(item, value);
}
}  // namespace

void oapiWriteScenario_string(FILEHANDLE scn, char* item, char* string) {
    WriteLine(scn, "oapiWriteScenario_string", item, string ? string : "");
}

void oapiWriteScenario_int(FILEHANDLE scn, char* item, int i) {
    WriteLine(scn, "oapiWriteScenario_int", item, std::to_string(i));
}

void oapiWriteScenario_float(FILEHANDLE scn, char* item, double d) {
    if (!std::isfinite(d)) {
        // "inf" or "nan" in a scenario is a module's fault that no reader should meet: the line
        // holds 0, which every reader takes, and the host says what it wrote instead.
        TraceCall(W(), "oapiWriteScenario_float", item, d);
        if (W()) {
            const sim::VesselRecord* v = W()->Context();
            W()->Warn((v ? "vessel '" + v->name + "'" : std::string("a module")) + " saved " + (item ? item : "") + " as " +
                      (std::isnan(d) ? "nan" : d > 0 ? "inf" : "-inf") +
                      ", which is not a number a scenario can hold (a fault of its module); written as 0");
        }
        if (auto* out = sim::FileAs<sim::ScenarioWriter>(scn, sim::SCENARIO_OUT))
            out->text += sim::ScenarioLineText(item, sim::ScenarioFloatText(0.0));
        return;
    }
    WriteLine(scn, "oapiWriteScenario_float", item, sim::ScenarioFloatText(d));
}

namespace {
// The N of "configuration N" in a module's log line, which marks the flight configuration the
// vessel entered (for the summary); -1 when the line says none.
int ConfigurationEntered(const std::string& text) {
    static const std::string word = "configuration ";
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        if (at > 0 && std::isalnum(static_cast<unsigned char>(text[at - 1]))) continue;
        size_t end = at + word.size();
        int n = 0;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])) && n < 10000)
            n = n * 10 + (text[end++] - '0');
        if (end > at + word.size() && (end == text.size() || !std::isalnum(static_cast<unsigned char>(text[end]))))
            return n;
    }
    return -1;
}

// The line that printf would write for the format with no argument: "%%" is '%'. Any other
// conversion would read an argument the call does not pass, so there is no such line: then none,
// and `conversion` holds the first such conversion as written ("%s", "%5.2f", or "%" at the end).
std::optional<std::string> PrintedWithoutArguments(const std::string& format, std::string& conversion) {
    std::string out;
    out.reserve(format.size());
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
        } else if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            ++i;
        } else {
            // Flags, width, precision and length, then the conversion's letter.
            const size_t letter = format.find_first_not_of("-+ #0123456789.*'hlLqjzt", i + 1);
            conversion = format.substr(i, letter == std::string::npos ? std::string::npos : letter - i + 1);
            return std::nullopt;
        }
    }
    return out;
}
}  // namespace

void oapiWriteLog(char* line) {
    // During a load, the file and line the module was reading, as a compiler places its messages.
    const sim::ScenarioBlockReader* r = W() ? W()->reading : nullptr;
    const std::string where = r && r->currentLine > 0 ? r->file + ":" + std::to_string(r->currentLine) + ": " : "";
    // The simulator prints the line as a printf format with no arguments.
    const std::string format = line ? line : "";
    std::string conversion;
    const std::optional<std::string> printed = PrintedWithoutArguments(format, conversion);
    if (!printed) {
        const sim::VesselRecord* v = W() ? W()->Context() : nullptr;
        const std::string fault =
            where + "module fault: " + (v ? "vessel '" + sim::Printable(v->name) + "'" : std::string("a module")) +
            " wrote a log line with the conversion '" + sim::Printable(conversion) +
            "', which reads an argument oapiWriteLog does not pass (the simulator may crash); a module writes '%' as "
            "'%%'. The line, not printed: \"" + sim::Printable(format) + "\"";
        if (W()) W()->ModuleFault(fault);
        else if (const sim::NoticeListener& listener = sim::DefaultNoticeListener())
            listener(sim::HostNotice{sim::HostNotice::Kind::Warning, fault});
        return;
    }
    const std::string& text = *printed;
    const sim::HostNotice notice{sim::HostNotice::Kind::Log, where + text};
    if (!W()) {
        if (const sim::NoticeListener& listener = sim::DefaultNoticeListener()) listener(notice);
        return;
    }
    if (W()->onNotice) W()->onNotice(notice);
    if (W()->keepLog) W()->log.push_back(text);
    // In the timeline, under the vessel whose module wrote it, without its name a second time.
    if (const sim::VesselRecord* v = W()->Context()) {
        if (const int configuration = ConfigurationEntered(text); configuration >= 0)
            if (sim::VesselRecord* record = W()->FindByName(v->name))
                record->flightLog.configurations.emplace_back(W()->SimTime(), configuration);
        const std::string prefix = v->name + ": ";
        W()->AddEvent(*v, "log " + (text.rfind(prefix, 0) == 0 ? text.substr(prefix.size()) : text) +
                              (where.empty() ? "" : " (" + where.substr(0, where.size() - 2) + ")"));
    }
}

bool oapiAcceptDelayedKey(char key, double interval) {
    if (!W()) return false;
    // Key codes above 127 (right Control) arrive as negative chars.
    const int code = static_cast<unsigned char>(key);
    const bool accepted = W()->AcceptDelayedKey(code, interval);
    if (W()->tracing)
        W()->Trace(nullptr, "oapiAcceptDelayedKey", Args(code, interval) + " -> " + (accepted ? "true" : "false"));
    return accepted;
}
