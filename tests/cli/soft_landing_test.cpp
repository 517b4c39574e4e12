// The soft landing as a pilot flies it: from 14 km down, the burn fires under the main canopy
// before the capsule meets the ground, which it touches once, slowly, with the canopy released
// there; at real speed and at the highest time acceleration, over low and high ground, and
// across a save made during the burn.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "test_support.h"

using testing::HasSubstr;

namespace {

constexpr double BURN_ISP = 200;        // [m/s]
constexpr double BURN_PROPELLANT = 70;  // [kg]
constexpr double GOAL_SHARE = 0.8;      // of the burn's delta-v taken off the canopy's speed
constexpr double CANOPY_SAMPLE_HEIGHT = 60;  // [m]: steady under the canopy, before the burn

struct Row {
    double time, altitude, verticalSpeed, mass;
    std::string vessel, status;
    int size;
};

std::vector<Row> ReadTelemetry(const std::string& csv) {
    std::vector<Row> rows;
    std::istringstream in(csv);
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string f[9];
        for (auto& field : f) std::getline(fields, field, ',');
        rows.push_back({std::stod(f[0]), std::stod(f[2]), std::stod(f[4]), std::stod(f[5]), f[1], f[6], std::stoi(f[7])});
    }
    return rows;
}

struct Touchdown {
    double time, speed;
};

// The "Talvek touchdown" lines of an event timeline.
std::vector<Touchdown> Touchdowns(const std::string& events) {
    std::vector<Touchdown> found;
    std::istringstream in(events);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string time, vessel, what, speed;
        words >> time >> vessel >> what >> speed;
        if (vessel == "Talvek" && what == "touchdown") found.push_back({std::stod(time), std::stod(speed)});
    }
    return found;
}

double EventTime(const std::string& events, const std::string& what) {
    const size_t at = events.find(what);
    if (at == std::string::npos) return -1;
    const size_t start = events.rfind('\n', at);
    return std::stod(events.substr(start == std::string::npos ? 0 : start + 1));
}

struct Approach {
    double elevation;         // [m] of the ground
    double timeAcceleration;  // set by the pilot at the start
};

void PrintTo(const Approach& a, std::ostream* os) {
    *os << "ground " << a.elevation << " m, x" << a.timeAcceleration;
}

class SoftLanding : public testing::TestWithParam<Approach> {
protected:
    talvek_test::ScratchDir scratch{"talvek-soft-landing"};
};

TEST_P(SoftLanding, BurnsUnderTheCanopyAndTouchesDownOnceWithinTheGoal) {
    const Approach a = GetParam();
    scratch.Write("d.scn", talvek_test::DescentOverGround(a.elevation));
    scratch.Write("s.txt", "at 0 Talvek timeacc " + std::to_string(a.timeAcceleration) + "\n");
    const auto r = talvek_test::RunSim({"run", "d.scn", "--script", "s.txt", "--events", "--telemetry", "t.csv",
                                        "--ground-elevation", std::to_string(a.elevation), "--until", "600"},
                                       scratch.Path());
    ASSERT_EQ(r.status, 0) << r.err;

    const std::vector<Touchdown> touchdowns = Touchdowns(r.out);
    ASSERT_EQ(touchdowns.size(), 1u) << "no lift-off after the first touchdown\n" << r.out;
    const Touchdown touchdown = touchdowns.front();
    // At the end of the frame in which the capsule met the ground (a sixtieth of a second).
    const double release = EventTime(r.out, "TalvekChute created");
    EXPECT_GE(release, touchdown.time) << "the canopy holds the capsule until the ground";
    EXPECT_LE(release, touchdown.time + 0.02) << "and is released there";

    const std::vector<Row> rows = ReadTelemetry(scratch.Read("t.csv"));
    const Row* canopy = nullptr;
    bool burnedInFlight = false;
    for (const Row& row : rows) {
        if (row.vessel != "Talvek" || row.size != 80) continue;
        if (!canopy && row.altitude < CANOPY_SAMPLE_HEIGHT) canopy = &row;
        if (canopy && row.status == "flying" && row.time < touchdown.time && row.mass < canopy->mass - 1)
            burnedInFlight = true;
    }
    ASSERT_NE(canopy, nullptr) << "no sample under the main canopy";
    EXPECT_TRUE(burnedInFlight) << "the burn starts before contact";
    const double deltaV = BURN_ISP * std::log(canopy->mass / (canopy->mass - BURN_PROPELLANT));
    const double goal = -canopy->verticalSpeed - GOAL_SHARE * deltaV;
    EXPECT_LE(-touchdown.speed, goal) << "canopy " << -canopy->verticalSpeed << " m/s, delta-v " << deltaV << " m/s";
    EXPECT_LT(touchdown.speed, 0) << "it does come down";
}

INSTANTIATE_TEST_SUITE_P(GroundsAndSpeeds, SoftLanding,
                         testing::Values(Approach{0, 1}, Approach{0, 10}, Approach{1500, 1}, Approach{1500, 10}));

// A save in the middle of the burn continues into the same soft, single touchdown.
TEST(SoftLandingSave, ContinuesTheBurnAfterReload) {
    talvek_test::ScratchDir scratch{"talvek-soft-landing-save"};
    const auto first = talvek_test::RunSim({"run", "Talvek-descent.scn", "--events", "--telemetry", "t.csv",
                                            "--until", "400"},
                                           talvek_test::BuildRoot() / "Scenarios");
    ASSERT_EQ(first.status, 0) << first.err;
    const std::vector<Touchdown> reference = Touchdowns(first.out);
    ASSERT_EQ(reference.size(), 1u) << first.out;
    // The burn lasts about a quarter of a second and ends at contact.
    const double midBurn = std::floor((reference.front().time - 0.12) * 100) / 100;
    scratch.Write("s.txt", "at " + std::to_string(midBurn) + " Talvek save mid.scn\n");
    const auto saving = talvek_test::RunSim(
        {"run", (talvek_test::BuildRoot() / "Scenarios" / "Talvek-descent.scn").string(), "--script", "s.txt",
         "--until", std::to_string(midBurn + 0.05)},
        scratch.Path());
    ASSERT_EQ(saving.status, 0) << saving.err;
    const std::string mid = scratch.Read("mid.scn");
    ASSERT_THAT(mid, HasSubstr("CONFIGURATION 3"));
    ASSERT_THAT(mid, testing::Not(HasSubstr("PRPLEVEL 0:1.000000"))) << "saved while burning";

    const auto resumed = talvek_test::RunSim({"run", "mid.scn", "--events", "--until", "60"}, scratch.Path());
    ASSERT_EQ(resumed.status, 0) << resumed.err;
    const std::vector<Touchdown> after = Touchdowns(resumed.out);
    ASSERT_EQ(after.size(), 1u) << resumed.out;
    EXPECT_NEAR(after.front().speed, reference.front().speed, 0.15) << resumed.out;
}

// The demo flight from orbit, its time acceleration raised after the separation and left there
// to the ground: the spacecraft holds it back where a frame could carry the capsule past the
// drogue's height, so the sequence runs as in the flight as shipped, to the same soft touchdown.
class FromOrbit : public testing::TestWithParam<long> {
protected:
    talvek_test::ScratchDir scratch{"talvek-from-orbit"};
};

TEST_P(FromOrbit, KeepsTheSequenceAtAnyTimeAcceleration) {
    constexpr double SAME_MOMENT = 2;    // [s] between a step here and in the flight as shipped
    constexpr double SAME_SPEED = 0.2;   // [m/s] between the touchdowns
    const std::string shipped = talvek_test::ReadFile(talvek_test::BuildRoot() / "Scenarios" / "Talvek-deorbit.txt");
    std::istringstream lines(shipped);
    std::string script;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("below 120000 Talvek timeacc", 0) == 0) continue;
        if (line.rfind("at 340 Talvek timeacc", 0) == 0) line = "at 340 Talvek timeacc " + std::to_string(GetParam());
        script += line + "\n";
    }
    ASSERT_NE(script, shipped) << "the demo script's time acceleration lines have moved";
    scratch.Write("fast.txt", script);
    scratch.Write("shipped.txt", shipped);
    auto fly = [&](const std::string& file) {
        const auto r = talvek_test::RunSim({"run", "Talvek-deorbit.scn", "--script", file, "--events"}, scratch.Path());
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    };
    const std::string reference = fly("shipped.txt"), fast = fly("fast.txt");
    for (const char* step : {"Talvek log drogue parachute deployed", "Talvek log main parachute deployed",
                             "Talvek log landing burn started"}) {
        ASSERT_GE(EventTime(fast, step), 0) << step << "\n" << fast;
        EXPECT_NEAR(EventTime(fast, step), EventTime(reference, step), SAME_MOMENT) << step << "\n" << fast;
    }
    EXPECT_THAT(fast, HasSubstr("Talvek log time acceleration capped at x10 before the drogue"));
    const std::vector<Touchdown> touchdowns = Touchdowns(fast), shippedTouchdowns = Touchdowns(reference);
    ASSERT_EQ(touchdowns.size(), 1u) << fast;
    ASSERT_EQ(shippedTouchdowns.size(), 1u) << reference;
    EXPECT_NEAR(touchdowns.front().speed, shippedTouchdowns.front().speed, SAME_SPEED) << fast;
}

INSTANTIATE_TEST_SUITE_P(TimeAccelerations, FromOrbit, testing::Values(1000L, 10000L, 100000L),
                         [](const testing::TestParamInfo<long>& info) { return "x" + std::to_string(info.param); });

}  // namespace
