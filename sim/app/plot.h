// The flight's plot: a PNG drawn by gnuplot from the focus vessel's telemetry. One page with the
// whole flight and, when the vessel came down, the descent from its drogue to its touchdown on
// scales of its own; events as dashed lines with short labels kept inside each panel.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sim/app/telemetry.h"

namespace sim {

class World;

struct PlotMark {
    double time;        // [s]
    std::string label;  // short: "drogue parachute", "touchdown", "key J"
};

// The label of an event line's text in the plot; "" for an event the plot leaves out (time
// acceleration, rebuilds, creation, saves).
std::string ShortLabel(const std::string& event);

// The marks of one vessel's events, in time order.
std::vector<PlotMark> PlotMarks(const World& world, const std::string& vessel);

struct TimeWindow {
    double from, to;  // [s]
};

// Hands each sample to the function given, in time order: samples kept anywhere, read once.
using SampleSource = std::function<void(const std::function<void(const TelemetrySample&)>&)>;

// From the vessel's first event that names the drogue (else the last time it went below 10 km
// before its first touchdown) to a few seconds after that touchdown, within the samples; none
// without a touchdown.
std::optional<TimeWindow> DescentWindow(const std::vector<PlotMark>& marks, const SampleSource& samples,
                                        const std::string& vessel);
std::optional<TimeWindow> DescentWindow(const std::vector<PlotMark>& marks, const std::vector<TelemetrySample>& samples,
                                        const std::string& vessel);

struct PlacedLabel {
    double time;      // [s] of the event's line
    std::string text;
    int row;          // 0 at the panel's top, counting down
    bool leftOfLine;  // the text ends at the line instead of starting there, to stay inside the panel
};

constexpr int PLOT_LABEL_ROWS = 6;

// Places the labels of the marks within [window.from, window.to] in rows, so that no two labels
// of a row overlap and none reaches past the panel's edges; a mark that finds no room keeps its
// line without a label. widthPx is the panel's plotting width, charPx a character's width.
std::vector<PlacedLabel> PlaceLabels(const std::vector<PlotMark>& marks, TimeWindow window, double widthPx,
                                     double charPx);

// The samples within the window that a panel of `columns` pixels can show: in each column the
// first and last and those where altitude, airspeed or vertical speed is lowest or highest, in
// time order. A line through them looks as one through every sample. Fed one sample at a time,
// it holds no more than one column's few samples besides what it keeps.
class Decimator {
public:
    Decimator(TimeWindow window, int columns) : window_(window), columns_(columns) {}
    void Add(const TelemetrySample& s);
    // What it keeps, once every sample has been added.
    std::vector<TelemetrySample> Finish();

private:
    void CloseColumn();

    static constexpr int SERIES = 3;  // altitude, airspeed, vertical speed
    struct Kept {
        long index;  // within the column
        TelemetrySample sample;
    };
    TimeWindow window_;
    int columns_;
    bool open_ = false;
    long column_ = 0;  // of the open column
    long index_ = 0;   // of the next sample within it
    // The open column's first and last sample and each series' lowest and highest: the first
    // sample to reach an extreme keeps it.
    Kept first_{}, last_{};
    Kept low_[SERIES]{}, high_[SERIES]{};
    std::vector<TelemetrySample> out_;
};
std::vector<TelemetrySample> Decimated(const std::vector<TelemetrySample>& samples, TimeWindow window, int columns);

// The gnuplot script for the plot of one vessel, reading the data files written beside it: the
// whole flight's samples and the descent's (unused without a descent).
std::string PlotScript(const std::vector<PlotMark>& marks, TimeWindow flight, std::optional<TimeWindow> descent,
                       const std::string& vessel, const std::filesystem::path& flightData,
                       const std::filesystem::path& descentData, const std::filesystem::path& png);

// Writes a PNG of altitude and speeds over time for one vessel, its events marked, from the
// telemetry's track. Throws std::runtime_error when gnuplot cannot make it, InputError when the
// file cannot be written.
void PlotTelemetry(const Telemetry& telemetry, const World& world, const std::string& vessel,
                   const std::filesystem::path& png);

}  // namespace sim
