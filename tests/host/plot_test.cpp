// The plot's layout: which events it labels and how, the descent's window, and labels that stay
// inside their panel without covering each other; texts from the inputs drawn as text, never run.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>

#include "sim/app/plot.h"
#include "sim/world.h"
#include "tests/host/host_fixture.h"

namespace {

using sim::PlotMark;
using sim::TimeWindow;

struct LabelCase {
    const char* event;
    const char* label;
};

TEST(PlotLabels, AreShortAndLeaveOutTheHostsHousekeeping) {
    const LabelCase cases[] = {
        {"log drogue parachute deployed (configuration 2)", "drogue parachute"},
        {"log released Sat1 (tlvsat, 250 kg)", "released Sat1"},
        {"log on the ground: main parachute released (configuration 4)", "on the ground"},
        {"log landing burn started 1.86 m over the ground", "landing burn"},
        {"log time acceleration capped at x1 for the landing", ""},
        {"key Ctrl+J -> 1", "key Ctrl+J"},
        {"script navmode retrograde", "retrograde"},
        {"script navmode off", "autopilot off"},
        {"script thrust main 1", "thrust main 1"},
        {"script save /tmp/a.scn", ""},
        {"touchdown -5.53 m/s", "touchdown"},
        {"landed", "landed"},
        {"timeacc 10 (script)", ""},
        {"rebuilt size 15 meshes talvek", ""},
        {"created tlvsat", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(sim::ShortLabel(c.event), c.label) << c.event;
}

// The extent in seconds of a placed label, with the widths PlaceLabels counts.
TimeWindow Extent(const sim::PlacedLabel& l, TimeWindow w, double widthPx, double charPx) {
    const double perPx = (w.to - w.from) / widthPx;
    const double width = static_cast<double>(l.text.size()) * charPx * perPx;
    return l.leftOfLine ? TimeWindow{l.time - width, l.time} : TimeWindow{l.time, l.time + width};
}

TEST(PlotLabels, StayInsideThePanelAndApartInEachRow) {
    const TimeWindow window{2500, 2855};
    std::vector<PlotMark> marks{{2503.3, "drogue parachute"}, {2648.0, "main parachute"},
                                {2848.4, "landing burn"},      {2848.7, "touchdown"},
                                {2848.7, "on the ground"},     {2853.7, "landed"},
                                {2400.0, "before the window"}};
    for (int i = 0; i < 10; ++i) marks.push_back({2700.0 + i, "crowded " + std::to_string(i)});
    const double widthPx = 1000, charPx = 7.5;
    const auto placed = sim::PlaceLabels(marks, window, widthPx, charPx);
    for (const auto& l : placed) {
        const TimeWindow e = Extent(l, window, widthPx, charPx);
        EXPECT_GE(e.from, window.from) << l.text;
        EXPECT_LE(e.to, window.to) << l.text;
        EXPECT_GE(l.row, 0);
        EXPECT_LT(l.row, sim::PLOT_LABEL_ROWS);
        for (const auto& other : placed) {
            if (&other == &l || other.row != l.row) continue;
            const TimeWindow o = Extent(other, window, widthPx, charPx);
            EXPECT_FALSE(e.from < o.to && o.from < e.to) << l.text << " covers " << other.text;
        }
    }
    auto find = [&](const std::string& text) {
        for (const auto& l : placed)
            if (l.text == text) return &l;
        return static_cast<const sim::PlacedLabel*>(nullptr);
    };
    ASSERT_NE(find("landed"), nullptr);
    EXPECT_TRUE(find("landed")->leftOfLine) << "at the right edge its text ends at its line";
    ASSERT_NE(find("drogue parachute"), nullptr);
    EXPECT_FALSE(find("drogue parachute")->leftOfLine);
    EXPECT_EQ(find("before the window"), nullptr);
    int crowded = 0;
    for (const auto& l : placed) crowded += l.text.rfind("crowded", 0) == 0;
    EXPECT_LE(crowded, sim::PLOT_LABEL_ROWS) << "marks without room keep their line only";
}

sim::TelemetrySample At(double time, double altitude) {
    return sim::TelemetrySample{time, "Talvek", altitude, 0, 0, 0, "flying", 1, ""};
}

TEST(PlotDescent, RunsFromTheDrogueToJustAfterTheTouchdown) {
    const std::vector<sim::TelemetrySample> samples{At(0, 400e3), At(100, 20e3), At(200, 9e3), At(300, 0), At(400, 0)};
    const std::vector<PlotMark> withDrogue{{50, "key J"}, {150, "drogue parachute"}, {290, "touchdown"}};
    auto w = sim::DescentWindow(withDrogue, samples, "Talvek");
    ASSERT_TRUE(w);
    EXPECT_DOUBLE_EQ(w->from, 150);
    EXPECT_DOUBLE_EQ(w->to, 295);

    // Without a drogue: from the last sample at 10 km or more before the touchdown.
    w = sim::DescentWindow({{290, "touchdown"}}, samples, "Talvek");
    ASSERT_TRUE(w);
    EXPECT_DOUBLE_EQ(w->from, 100);

    // A touchdown in the run's last moments: the window ends with the samples.
    w = sim::DescentWindow({{150, "drogue parachute"}, {398, "touchdown"}}, samples, "Talvek");
    ASSERT_TRUE(w);
    EXPECT_DOUBLE_EQ(w->to, 400);

    EXPECT_FALSE(sim::DescentWindow({{150, "drogue parachute"}}, samples, "Talvek")) << "no touchdown, no descent panel";
}

TEST(PlotScript, HasADescentPageOnlyWhenTheVesselCameDown) {
    const std::vector<PlotMark> marks{{150, "drogue parachute"}, {290, "touchdown"}};
    const std::string both = sim::PlotScript(marks, {0, 400}, TimeWindow{150, 295}, "Talvek", "d.dat", "e.dat", "p.png");
    EXPECT_THAT(both, testing::HasSubstr("layout 4,1"));
    EXPECT_THAT(both, testing::HasSubstr("set xrange [150.000:295.000]"));
    EXPECT_THAT(both, testing::HasSubstr("altitude [m]"));
    EXPECT_THAT(both, testing::HasSubstr("'e.dat' using 1:5")) << "the descent from its own samples";
    const std::string whole = sim::PlotScript(marks, {0, 400}, std::nullopt, "Talvek", "d.dat", "e.dat", "p.png");
    EXPECT_THAT(whole, testing::HasSubstr("layout 2,1"));
    EXPECT_THAT(whole, testing::Not(testing::HasSubstr("altitude [m]")));
}

TEST(PlotData, KeepsEachColumnsExtremesInTimeOrder) {
    // 10 000 samples over 100 s into 10 columns: a spike in one column survives.
    std::vector<sim::TelemetrySample> samples;
    for (int i = 0; i < 10000; ++i) samples.push_back(At(i * 0.01, 1000.0 - i * 0.1));
    samples[5555].altitude = 5000;  // column 5
    samples[5555].verticalSpeed = -300;
    const auto kept = sim::Decimated(samples, {0, 100}, 10);
    EXPECT_LE(kept.size(), 10u * 8u);
    EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end(), [](const auto& a, const auto& b) { return a.time < b.time; }));
    EXPECT_EQ(kept.front().time, samples.front().time);
    EXPECT_EQ(kept.back().time, samples.back().time);
    EXPECT_TRUE(std::any_of(kept.begin(), kept.end(), [](const auto& s) { return s.altitude == 5000; }));
    // Outside the window nothing is kept.
    const auto part = sim::Decimated(samples, {20, 30}, 10);
    ASSERT_FALSE(part.empty());
    EXPECT_GE(part.front().time, 20);
    EXPECT_LE(part.back().time, 30);
}

// Names and log texts written to break out of the plot's strings into gnuplot's commands (or into
// a shell's), each of which would create the sentinel file SENTINEL if it ran. gnuplot runs a
// command between backticks in a double-quoted string, after '!' at a line's start and in system().
const char* const HOSTILE_TEXTS[] = {
    "X`touch SENTINEL`",
    "$(touch SENTINEL)",
    "it's `touch SENTINEL`",
    "a\"b`touch SENTINEL`\"",
    "'; system(\"touch SENTINEL\"); print '",
    "\"; system(\"touch SENTINEL\"); print \"",
    "\\'; system(\"touch SENTINEL\"); print '",
    "x\nsystem(\"touch SENTINEL\")",
    "x\r\n!touch SENTINEL",
    "@m; system(\"touch SENTINEL\")",
};

class PlotInputText : public HostTest, public testing::WithParamInterface<const char*> {};

TEST_P(PlotInputText, IsDrawnAndNeverRun) {
    const talvek_test::ScratchDir scratch("plot-text");
    const std::filesystem::path sentinel = scratch.Path() / "ran";
    std::string text = GetParam();
    text.replace(text.find("SENTINEL"), 8, sentinel.string());

    sim::VesselRecord* v = Probe(text);
    v->pos = {6.771e6, 0, 0};  // in orbit, so that it has a flight to plot
    v->vel = {0, 0, 7670};
    sim::Telemetry telemetry(sim::TelemetryScope::Focus);
    for (int frame = 0; frame < 5; ++frame) {
        world->AddEvent(*v, "key " + text + " -> 0");  // a key event's label keeps all its text
        world->AddEvent(*v, "log " + text);
        world->AdvanceFrame(1.0);
        telemetry.Sample(*world, text, true);
    }
    const std::filesystem::path png = scratch.Path() / "plot.png";
    sim::PlotTelemetry(telemetry, *world, text, png);

    EXPECT_FALSE(std::filesystem::exists(sentinel)) << "a text reached gnuplot as a command: " << text;
    const std::string picture = talvek_test::ReadFile(png);
    ASSERT_GT(picture.size(), 1000u) << text;
    EXPECT_EQ(picture.substr(1, 3), "PNG");
    // A text that ended its line would start a command of its own.
    const std::string script = sim::PlotScript({{1, "key " + text}}, {0, 5}, std::nullopt, text, "a.dat", "b.dat", "p.png");
    std::istringstream lines(script);
    for (std::string line; std::getline(lines, line);) {
        const std::string command = line.substr(0, line.find(' '));
        EXPECT_TRUE(command == "set" || command == "unset" || command == "plot") << line;
        EXPECT_EQ(line.find('\r'), std::string::npos) << line;
    }
}

INSTANTIATE_TEST_SUITE_P(Hostile, PlotInputText, testing::ValuesIn(HOSTILE_TEXTS));

}  // namespace
