#include "sim/app/plot.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "sim/app/output_file.h"
#include "sim/app/simulation.h"
#include "sim/platform.h"
#include "sim/text.h"
#include "sim/world.h"

namespace sim {

namespace {

constexpr int PNG_WIDTH = 1200;             // [px]
constexpr int PANEL_HEIGHT = 380;           // [px] of each of the stacked panels
constexpr double PLOT_LEFT = 0.08;          // plotting area, share of the width
constexpr double PLOT_RIGHT = 0.97;
constexpr double LABEL_CHAR_PX = 7.5;       // a character of the 9-point label font, a little over
constexpr double LABEL_TOP = 0.93;          // [graph] of the first row of labels
constexpr double LABEL_ROW_STEP = 0.08;     // [graph] between rows
constexpr double DESCENT_START_HEIGHT = 10000;  // [m] without a drogue event
constexpr double AFTER_TOUCHDOWN = 5;       // [s] shown after the touchdown
constexpr size_t LABEL_MAX_CHARS = 18;

// A gnuplot string expression that stays a string whatever the text holds. Within single quotes
// gnuplot substitutes nothing (no backticks, no '@' macros, no escapes), and a single quote ends
// the string: each run of quotes goes into a double-quoted piece of its own, which holds nothing
// else, and the pieces are joined with '.' ("''" for a quote is no help: gnuplot 5.4 reads it at
// a string's start as an empty string). A line break would end the command, so control
// characters become blanks.
std::string Quoted(const std::string& s) {
    std::string out, piece;
    bool quotes = false;  // the piece is a run of single quotes
    auto flush = [&] {
        if (piece.empty()) return;
        const char delimiter = quotes ? '"' : '\'';
        out += (out.empty() ? "" : ".") + std::string(1, delimiter) + piece + delimiter;
        piece.clear();
    };
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if ((c == '\'') != quotes) {
            flush();
            quotes = c == '\'';
        }
        piece += u < 0x20 || u == 0x7f ? ' ' : c;
    }
    flush();
    return out.empty() ? "''" : out;
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// The first words of a module's log line, before any ':' or '(' and within LABEL_MAX_CHARS.
std::string Headline(const std::string& text) {
    const std::string head = text.substr(0, text.find_first_of(":("));
    std::string out;
    for (const auto& word : SplitWords(head)) {
        if (!out.empty() && out.size() + 1 + word.size() > LABEL_MAX_CHARS) break;
        out += (out.empty() ? "" : " ") + word;
    }
    return out;
}

}  // namespace

std::string ShortLabel(const std::string& event) {
    if (StartsWith(event, "timeacc") || StartsWith(event, "rebuilt") || StartsWith(event, "created") ||
        StartsWith(event, "deleted") || StartsWith(event, "script save") ||
        StartsWith(event, "log time acceleration"))
        return "";
    if (StartsWith(event, "key ")) return event.substr(0, event.find(" ->"));
    if (StartsWith(event, "script navmode ")) return event == "script navmode off" ? "autopilot off" : event.substr(15);
    if (StartsWith(event, "script thrust ")) return event.substr(7);
    if (StartsWith(event, "touchdown")) return "touchdown";
    if (StartsWith(event, "log ")) return Headline(event.substr(4));
    return Headline(event);
}

std::vector<PlotMark> PlotMarks(const World& world, const std::string& vessel) {
    std::vector<PlotMark> marks;
    for (const auto& e : world.events)
        if (e.vessel == vessel)
            if (std::string label = ShortLabel(e.what); !label.empty()) marks.push_back(PlotMark{e.time, std::move(label)});
    std::stable_sort(marks.begin(), marks.end(), [](const PlotMark& a, const PlotMark& b) { return a.time < b.time; });
    return marks;
}

std::optional<TimeWindow> DescentWindow(const std::vector<PlotMark>& marks, const SampleSource& samples,
                                        const std::string& vessel) {
    const auto touchdown =
        std::find_if(marks.begin(), marks.end(), [](const PlotMark& m) { return m.label == "touchdown"; });
    if (touchdown == marks.end()) return std::nullopt;
    std::optional<double> from;
    for (const auto& m : marks)
        if (m.time <= touchdown->time && m.label.find("drogue") != std::string::npos) {
            from = m.time;
            break;
        }
    std::optional<double> first, last, high;
    samples([&](const TelemetrySample& s) {
        if (!first) first = s.time;
        last = s.time;
        if (s.vessel == vessel && s.time <= touchdown->time && s.altitude >= DESCENT_START_HEIGHT) high = s.time;
    });
    if (!from) from = high ? high : first ? first : touchdown->time;
    double to = touchdown->time + AFTER_TOUCHDOWN;
    if (last) to = std::min(to, std::max(*last, touchdown->time));
    if (to <= *from) to = *from + 1;
    return TimeWindow{*from, to};
}

std::optional<TimeWindow> DescentWindow(const std::vector<PlotMark>& marks, const std::vector<TelemetrySample>& samples,
                                        const std::string& vessel) {
    return DescentWindow(
        marks, [&](const std::function<void(const TelemetrySample&)>& f) { std::for_each(samples.begin(), samples.end(), f); },
        vessel);
}

std::vector<PlacedLabel> PlaceLabels(const std::vector<PlotMark>& marks, TimeWindow window, double widthPx,
                                     double charPx) {
    const double span = window.to - window.from;
    const double secondsPerPx = span / widthPx;
    const double pad = charPx * 0.5 * secondsPerPx;  // between the line and its text
    struct Interval {
        double from, to;
    };
    std::vector<std::vector<Interval>> rows(PLOT_LABEL_ROWS);
    std::vector<PlacedLabel> placed;
    for (const auto& m : marks) {
        if (m.time < window.from || m.time > window.to) continue;
        const double width = static_cast<double>(m.label.size()) * charPx * secondsPerPx;
        // To the right of its line where it fits in the panel, else to the left.
        const bool left = m.time + pad + width > window.to;
        const Interval need = left ? Interval{m.time - pad - width, m.time} : Interval{m.time, m.time + pad + width};
        if (need.from < window.from) continue;  // wider than the panel on both sides
        for (int row = 0; row < PLOT_LABEL_ROWS; ++row) {
            auto& taken = rows[static_cast<size_t>(row)];
            const bool free = std::none_of(taken.begin(), taken.end(), [&](const Interval& t) {
                return need.from < t.to + pad && t.from < need.to + pad;
            });
            if (!free) continue;
            taken.push_back(need);
            placed.push_back(PlacedLabel{m.time, m.label, row, left});
            break;
        }
    }
    return placed;
}

namespace {

// Lines for every mark in the window and, with labels, their placed texts.
std::string Marks(const std::vector<PlotMark>& marks, TimeWindow window, bool labels) {
    std::string gp = "unset arrow\nunset label\n";
    int n = 0;
    for (const auto& m : marks) {
        if (m.time < window.from || m.time > window.to) continue;
        gp += "set arrow " + std::to_string(++n) + " from " + FormatFixed(m.time, 3) + ", graph 0 to " +
              FormatFixed(m.time, 3) + ", graph 1 nohead dashtype 2 linecolor rgb '#999999' back\n";
    }
    if (!labels) return gp;
    const double widthPx = (PLOT_RIGHT - PLOT_LEFT) * PNG_WIDTH;
    n = 0;
    for (const auto& l : PlaceLabels(marks, window, widthPx, LABEL_CHAR_PX))
        gp += "set label " + std::to_string(++n) + " " + Quoted(l.text) + " at " + FormatFixed(l.time, 3) + ", graph " +
              FormatFixed(LABEL_TOP - LABEL_ROW_STEP * l.row, 2) + (l.leftOfLine ? " right offset -0.5,0" : " left offset 0.5,0") +
              " boxed front font ',9'\n";
    return gp;
}

std::string Panel(const std::string& title, TimeWindow window) {
    return "set xrange [" + FormatFixed(window.from, 3) + ":" + FormatFixed(window.to, 3) + "]\n" +
           "set label 100 " + Quoted(title) + " at graph 0, graph 1.04 left font ',10'\n";
}

}  // namespace

void Decimator::Add(const TelemetrySample& s) {
    if (s.time < window_.from || s.time > window_.to) {
        CloseColumn();
        return;
    }
    const double span = window_.to - window_.from;
    const long column = span > 0 ? static_cast<long>((s.time - window_.from) / span * columns_) : 0L;
    if (open_ && column != column_) CloseColumn();
    if (!open_) {
        open_ = true;
        column_ = column;
        index_ = 0;
        first_ = Kept{0, s};
        for (int k = 0; k < SERIES; ++k) low_[k] = high_[k] = first_;
    }
    static constexpr double TelemetrySample::*SERIES_OF[SERIES] = {
        &TelemetrySample::altitude, &TelemetrySample::airspeed, &TelemetrySample::verticalSpeed};
    const long index = index_++;
    for (int k = 0; k < SERIES; ++k) {
        if (s.*SERIES_OF[k] < low_[k].sample.*SERIES_OF[k]) low_[k] = Kept{index, s};
        if (s.*SERIES_OF[k] > high_[k].sample.*SERIES_OF[k]) high_[k] = Kept{index, s};
    }
    last_ = Kept{index, s};
}

void Decimator::CloseColumn() {
    if (!open_) return;
    open_ = false;
    std::vector<const Kept*> keep{&first_, &last_};
    for (int k = 0; k < SERIES; ++k) {
        keep.push_back(&low_[k]);
        keep.push_back(&high_[k]);
    }
    std::sort(keep.begin(), keep.end(), [](const Kept* a, const Kept* b) { return a->index < b->index; });
    keep.erase(std::unique(keep.begin(), keep.end(), [](const Kept* a, const Kept* b) { return a->index == b->index; }),
               keep.end());
    for (const Kept* k : keep) out_.push_back(k->sample);
}

std::vector<TelemetrySample> Decimator::Finish() {
    CloseColumn();
    return std::move(out_);
}

std::vector<TelemetrySample> Decimated(const std::vector<TelemetrySample>& samples, TimeWindow window, int columns) {
    Decimator d(window, columns);
    for (const auto& s : samples) d.Add(s);
    return d.Finish();
}

std::string PlotScript(const std::vector<PlotMark>& marks, TimeWindow flight, std::optional<TimeWindow> descent,
                       const std::string& vessel, const std::filesystem::path& flightData,
                       const std::filesystem::path& descentData, const std::filesystem::path& png) {
    const int panels = descent ? 4 : 2;
    const std::string file = Quoted(flightData.string()), descentFile = Quoted(descentData.string());
    // noenhanced: texts are drawn as written ('_', '^', '@' and braces in a name are no markup).
    std::string gp = "set terminal pngcairo noenhanced size " + std::to_string(PNG_WIDTH) + "," +
                     std::to_string(panels * PANEL_HEIGHT + 40) + " font ',10'\nset output " + Quoted(png.string()) +
                     "\nset style textbox opaque noborder\nset grid\nset lmargin at screen " +
                     FormatFixed(PLOT_LEFT, 2) + "\nset rmargin at screen " + FormatFixed(PLOT_RIGHT, 2) +
                     "\nset tmargin 2.5\n"
                     // The legend sits above each panel's frame, where no event label goes.
                     "set key at graph 1, graph 1.01 right bottom horizontal samplen 2\n"
                     "set xlabel 'time [s]'\nset multiplot layout " +
                     std::to_string(panels) + ",1 title " + Quoted("talvek-sim: " + vessel) + "\n";
    gp += Marks(marks, flight, true) + Panel("whole flight", flight) +
          "set ylabel 'altitude [km]'\nplot " + file + " using 1:2 with lines linewidth 2 title 'altitude'\n";
    gp += Marks(marks, flight, false) + Panel("whole flight", flight) + "set ylabel 'speed [m/s]'\nplot " + file +
          " using 1:3 with lines linewidth 2 title 'airspeed', " + file +
          " using 1:4 with lines linewidth 2 title 'vertical speed'\n";
    if (descent) {
        gp += Marks(marks, *descent, true) + Panel("descent: drogue to touchdown", *descent) +
              "set ylabel 'altitude [m]'\nplot " + descentFile +
              " using 1:5 with lines linewidth 2 title 'altitude over the ground'\n";
        gp += Marks(marks, *descent, false) + Panel("descent: drogue to touchdown", *descent) +
              "set ylabel 'speed [m/s]'\nplot " + descentFile + " using 1:3 with lines linewidth 2 title 'airspeed', " +
              descentFile + " using 1:4 with lines linewidth 2 title 'vertical speed'\n";
    }
    return gp + "unset multiplot\n";
}

namespace {

// The files of one plot, in a folder of their own that only this process can have made.
constexpr const char* FLIGHT_DATA = "flight.dat";
constexpr const char* DESCENT_DATA = "descent.dat";
constexpr const char* SCRIPT = "plot.gp";
constexpr const char* PICTURE = "plot.png";
constexpr const char* GNUPLOT_LOG = "gnuplot.log";

class WorkFolder {
public:
    WorkFolder() : path_(platform::MakePrivateFolder("talvek-plot")) {}
    ~WorkFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    std::filesystem::path operator/(const char* name) const { return path_ / name; }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Runs gnuplot on the script in the folder, as a program of its own and not through a shell, so
// that nothing but gnuplot reads the script; its messages go to the log file. Returns its exit
// status, or -1 when it could not be run.
int RunGnuplot(const WorkFolder& folder) {
    return platform::RunProgram("gnuplot", {SCRIPT}, folder.Path(), folder / GNUPLOT_LOG);
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

void PlotTelemetry(const Telemetry& telemetry, const World& world, const std::string& vessel,
                   const std::filesystem::path& png) {
    // The vessel's samples, read from the track as often as needed and never held all at once.
    const SampleSource samples = [&](const std::function<void(const TelemetrySample&)>& f) {
        telemetry.Track().ForEach([&](const TelemetrySample& s) {
            if (s.vessel == vessel) f(s);
        });
    };
    std::optional<double> first, last;
    samples([&](const TelemetrySample& s) {
        if (!first) first = s.time;
        last = s.time;
    });
    TimeWindow flight{first.value_or(0.0), last.value_or(1.0)};
    if (flight.to <= flight.from) flight.to = flight.from + 1;
    const auto marks = PlotMarks(world, vessel);
    const auto descent = DescentWindow(marks, samples, vessel);
    // A panel shows at most a few points per pixel column: gnuplot need not read the rest.
    const int columns = static_cast<int>((PLOT_RIGHT - PLOT_LEFT) * PNG_WIDTH);
    Decimator flightPoints(flight, columns), descentPoints(descent.value_or(flight), columns);
    samples([&](const TelemetrySample& s) {
        flightPoints.Add(s);
        if (descent) descentPoints.Add(s);
    });
    const WorkFolder folder;
    auto write = [&](const std::filesystem::path& path, Decimator& points) {
        std::string text;
        for (const auto& s : points.Finish())
            text += FormatFixed(s.time, 3) + ' ' + FormatFixed(s.altitude / 1000.0, 6) + ' ' + FormatFixed(s.airspeed, 3) +
                    ' ' + FormatFixed(s.verticalSpeed, 3) + ' ' + FormatFixed(s.altitude, 3) + '\n';
        std::ofstream(path) << text;
    };
    write(folder / FLIGHT_DATA, flightPoints);
    if (descent) write(folder / DESCENT_DATA, descentPoints);
    // The script names only the files of its own folder, where gnuplot runs: no path the user
    // gave is written into it.
    std::ofstream(folder / SCRIPT) << PlotScript(marks, flight, descent, vessel, FLIGHT_DATA, DESCENT_DATA, PICTURE);
    const int status = RunGnuplot(folder);
    const std::string image = ReadAll(folder / PICTURE);
    if (status != 0 || image.empty())
        throw std::runtime_error("gnuplot could not write " + png.string() + " (is gnuplot-nox installed?): " +
                                 ReadAll(folder / GNUPLOT_LOG));
    // gnuplot drew into its own folder; the picture then replaces the output whole.
    WriteTextFile(png, image);
}

}  // namespace sim
