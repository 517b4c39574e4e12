// A passive vessel dropped from 10 km: the events, the telemetry and its plot, and a landed
// vessel saved and read back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "regex_matchers.h"
#include "test_platform.h"
#include "test_support.h"

namespace fs = std::filesystem;
using testing::HasSubstr;
using talvek_test::MatchesRegex;

TEST(DropFromTenKilometres, LandsWithItsTouchdownSpeedReportedAndPlotted) {
    const fs::path dir = fs::temp_directory_path() / ("talvek-drop-" + std::to_string(talvek_test::ProcessId()));
    fs::create_directories(dir);
    // Frames as long as the telemetry's interval, so that the frame in which the module lands,
    // which ends the run, is sampled whatever the moment of the landing.
    const auto r = talvek_test::RunSim({"run", (talvek_test::TestData() / "drop-10km.scn").string(), "--events",
                                        "--frame-dt", "0.1", "--telemetry", "t.csv", "--plot", "p.png", "--save",
                                        "end.scn"},
                                       dir);
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream events(r.out);
    std::vector<std::string> lines;
    for (std::string l; std::getline(events, l);) lines.push_back(l);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "0.00 Module created tlvorbit");
    EXPECT_THAT(lines[1], MatchesRegex("[0-9]+\\.[0-9][0-9] Module touchdown -[0-9]+\\.[0-9][0-9] m/s"));
    EXPECT_THAT(lines[2], MatchesRegex("[0-9]+\\.[0-9][0-9] Module landed"));
    EXPECT_THAT(lines[3], HasSubstr("talvek-sim:")) << "the run ends once nothing flies in the atmosphere";

    const std::string csv = talvek_test::ReadFile(dir / "t.csv");
    EXPECT_EQ(csv.substr(0, csv.find('\n')), "time,vessel,altitude,airspeed,vertical_speed,mass,status,size,mesh");
    EXPECT_THAT(csv, HasSubstr("\n0.000,Module,10000.000,"));
    EXPECT_THAT(csv, HasSubstr(",landed,"));
    const std::string png = talvek_test::ReadFile(dir / "p.png");
    ASSERT_GT(png.size(), 1000u);
    EXPECT_EQ(png.substr(1, 3), "PNG");

    const std::string saved = talvek_test::ReadFile(dir / "end.scn");
    EXPECT_THAT(saved, HasSubstr("Module:tlvorbit\n  STATUS Landed Earth\n"));
    EXPECT_THAT(saved, HasSubstr("  ALT 1.620\n")) << "on the touchdown points of tlvorbit.cfg";
    const auto again = talvek_test::RunSim({"run", "end.scn", "--frames", "0", "--save", "again.scn"}, dir);
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(talvek_test::ReadFile(dir / "again.scn"), saved) << "a landed vessel stays landed where it was";
    const auto later = talvek_test::RunSim({"run", "end.scn", "--until", "60", "--save", "later.scn"}, dir);
    ASSERT_EQ(later.status, 0) << later.err;
    const std::string laterText = talvek_test::ReadFile(dir / "later.scn");
    const auto pos = [](const std::string& s) { return s.substr(s.find("  POS "), s.find('\n', s.find("  POS ")) - s.find("  POS ")); };
    EXPECT_EQ(pos(laterText), pos(saved)) << "it turns with the planet and keeps its longitude and latitude";
    fs::remove_all(dir);
}

TEST(ScriptedFlight, RunTwiceGivesTheSameFiles) {
    const fs::path dir = fs::temp_directory_path() / ("talvek-repeat-" + std::to_string(talvek_test::ProcessId()));
    fs::create_directories(dir);
    std::string first;
    for (int i = 0; i < 2; ++i) {
        const auto r = talvek_test::RunSim({"run", (talvek_test::TestData() / "drop-10km.scn").string(), "--until", "30",
                                            "--save", "s.scn", "--dump", "d.json"},
                                           dir);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string both = talvek_test::ReadFile(dir / "s.scn") + talvek_test::ReadFile(dir / "d.json");
        if (i == 0) first = both;
        else EXPECT_EQ(both, first);
    }
    fs::remove_all(dir);
}
