#include "telemetry.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "../physics.h"
#include "../text.h"
#include "../world.h"

namespace sim {

void Telemetry::Sample(const World& world, const std::string& focus, bool force) {
    if (scope_ == TelemetryScope::None) return;
    const double now = world.SimTime();
    if (!force && now - lastSample_ < SAMPLE_INTERVAL - 1e-9) return;
    lastSample_ = now;
    for (const auto& v : world.Vessels()) {
        if (scope_ == TelemetryScope::Focus && v->name != focus) continue;
        const std::string mesh = v->def.meshes.empty() || !v->def.meshes[0].data ? "" : v->def.meshes[0].file;
        samples_.push_back(TelemetrySample{now, v->name, GroundHeight(*v), Airspeed(*v), VerticalSpeed(*v), v->Mass(),
                                           v->landed ? "landed" : "flying", v->def.size, mesh});
    }
}

std::string Telemetry::Csv() const {
    std::string out = "time,vessel,altitude,airspeed,vertical_speed,mass,status,size,mesh\n";
    for (const auto& s : samples_)
        out += FormatFixed(s.time, 3) + "," + s.vessel + "," + FormatFixed(s.altitude, 3) + "," +
               FormatFixed(s.airspeed, 3) + "," + FormatFixed(s.verticalSpeed, 3) + "," + FormatFixed(s.mass, 3) + "," +
               s.status + "," + FormatDouble(s.size) + "," + s.mesh + "\n";
    return out;
}

namespace {
std::string Quoted(const std::string& s) {
    std::string q = "\"";
    for (char c : s) q += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    return q + "\"";
}
}  // namespace

void PlotTelemetry(const Telemetry& telemetry, const World& world, const std::string& vessel,
                   const std::filesystem::path& png) {
    const std::filesystem::path base =
        std::filesystem::temp_directory_path() / ("talvek-plot-" + std::to_string(::getpid()));
    const std::filesystem::path data = base.string() + ".dat";
    const std::filesystem::path script = base.string() + ".gp";
    {
        std::ofstream out(data);
        for (const auto& s : telemetry.Samples())
            if (s.vessel == vessel)
                out << FormatFixed(s.time, 3) << ' ' << FormatFixed(s.altitude / 1000.0, 6) << ' '
                    << FormatFixed(s.airspeed, 3) << ' ' << FormatFixed(s.verticalSpeed, 3) << '\n';
    }
    std::string gp = "set terminal pngcairo size 1200,900\nset output " + Quoted(png.string()) +
                     "\nset multiplot layout 2,1 title " + Quoted("talvek-sim: " + vessel) +
                     "\nset grid\nset key top right\nset xlabel \"time [s]\"\n";
    std::string marks;
    int n = 0;
    // The vessel's own milestones; changes of the time acceleration are left out.
    for (const auto& e : world.events) {
        if (e.vessel != vessel || e.what.rfind("timeacc", 0) == 0) continue;
        ++n;
        marks += "set arrow " + std::to_string(n) + " from " + FormatFixed(e.time, 3) + ", graph 0 to " +
                 FormatFixed(e.time, 3) + ", graph 1 nohead dashtype 2 linecolor rgb \"#888888\"\n";
        marks += "set label " + std::to_string(n) + " " + Quoted(e.what) +
                 " at " + FormatFixed(e.time, 3) + ", graph " + FormatFixed(0.95 - 0.06 * (n % 12), 2) +
                 " rotate by 0 font \",8\"\n";
    }
    gp += marks;
    gp += "set ylabel \"altitude [km]\"\nplot " + Quoted(data.string()) +
          " using 1:2 with lines linewidth 2 title \"altitude\"\n";
    gp += "set ylabel \"speed [m/s]\"\nplot " + Quoted(data.string()) +
          " using 1:3 with lines linewidth 2 title \"airspeed\", " + Quoted(data.string()) +
          " using 1:4 with lines linewidth 2 title \"vertical speed\"\nunset multiplot\n";
    std::ofstream(script) << gp;
    const std::string cmd = "gnuplot " + Quoted(script.string()) + " 2>" + Quoted(base.string() + ".log");
    const int status = std::system(cmd.c_str());
    std::ifstream logFile(base.string() + ".log");
    std::string log((std::istreambuf_iterator<char>(logFile)), std::istreambuf_iterator<char>());
    std::filesystem::remove(data);
    std::filesystem::remove(script);
    std::filesystem::remove(base.string() + ".log");
    if (status != 0)
        throw std::runtime_error("gnuplot could not write " + png.string() + " (is gnuplot-nox installed?): " + log);
}

}  // namespace sim
