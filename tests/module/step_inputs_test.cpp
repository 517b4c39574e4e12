// The sequencer and the landing burn from an inputs record alone, with no host behind them: what
// each asks of the vessel for a step of the descent.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "spacecraft/configuration_sequencer.h"
#include "spacecraft/internal/test_access.h"
#include "spacecraft/landing_burn.h"

namespace {

constexpr double EARTH_RADIUS = 6371010;  // [m]

StepInputs Falling(double height, double airspeed, double timeAcceleration = 1) {
    StepInputs in;
    in.step = 1.0 / 60 * timeAcceleration;
    in.timeAcceleration = timeAcceleration;
    in.groundHeight = height;
    in.airspeed = airspeed;
    in.position = {EARTH_RADIUS + height, 0, 0};
    in.velocity = {-airspeed, 0, 0};
    in.descentSpeed = airspeed;
    in.baseHeight = height - 1.4;
    in.mass = 3000;
    return in;
}

struct SequencerCase {
    const char* name;
    Configuration configuration;
    StepInputs in;
    bool landingReady;
    std::optional<int> to;             // the transition's configuration
    std::vector<std::string> caps;     // "most reason"
    bool landingBurn;
};
void PrintTo(const SequencerCase& c, std::ostream* os) { *os << c.name; }

class SequencerSteps : public testing::TestWithParam<SequencerCase> {};

}  // namespace

TEST_P(SequencerSteps, AskWhatTheInputsCallFor) {
    const SequencerCase& c = GetParam();
    ConfigurationSequencer s;
    s.configuration = c.configuration;
    const SequencerStep step = s.Step(c.in, c.landingReady);
    ASSERT_EQ(step.transition.has_value(), c.to.has_value());
    if (c.to) {
        EXPECT_EQ(Number(step.transition->to), *c.to);
    }
    std::vector<std::string> caps;
    for (int i = 0; i < step.capCount; ++i)
        caps.push_back(std::to_string(static_cast<int>(step.caps[static_cast<size_t>(i)].most)) + " " +
                       step.caps[static_cast<size_t>(i)].reason);
    EXPECT_EQ(caps, c.caps);
    EXPECT_EQ(step.landingBurn, c.landingBurn);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SequencerSteps,
    testing::Values(
        SequencerCase{"DrogueDue", CONFIG_DESCENT, Falling(11999, 299), false, 2, {}, false},
        SequencerCase{"DescentWaitsUncapped", CONFIG_DESCENT, Falling(30000, 900), false, std::nullopt, {}, false},
        SequencerCase{"DescentCappedBeforeTheDrogue", CONFIG_DESCENT, Falling(12500, 400, 100), false, std::nullopt,
                      {"10 before the drogue"}, false},
        SequencerCase{"MainChuteDue", CONFIG_DROGUE, Falling(1999, 79), false, 3, {"10 under the parachute"}, false},
        SequencerCase{"MainChuteAtAnySpeedLow", CONFIG_DROGUE, Falling(599, 200), false, 3, {"10 under the parachute"},
                      false},
        SequencerCase{"UnderTheMainCanopyTheBurnSteps", CONFIG_MAIN_CHUTE, Falling(30, 7), true, std::nullopt,
                      {"10 under the parachute"}, true},
        SequencerCase{"TheBurnWaitsForItsThruster", CONFIG_MAIN_CHUTE, Falling(30, 7), false, std::nullopt,
                      {"10 under the parachute"}, false},
        SequencerCase{"StackInOrbit", CONFIG_FULL_STACK, Falling(400000, 7670), false, std::nullopt, {}, false},
        SequencerCase{"Landed", CONFIG_LANDING, Falling(0, 0), false, std::nullopt, {}, false}),
    [](const testing::TestParamInfo<SequencerCase>& info) { return std::string(info.param.name); });

TEST(SequencerTransitions, KeyContactAndLog) {
    ConfigurationSequencer s;
    const auto separate = s.ByKey();
    ASSERT_TRUE(separate);
    EXPECT_EQ(separate->to, CONFIG_DESCENT);
    EXPECT_EQ(separate->act, Transition::Act::SeparateModules);
    EXPECT_EQ(s.Entered(*separate), "modules separated: descent module alone (configuration 1)");
    s.configuration = CONFIG_DROGUE;
    EXPECT_EQ(s.Entered(*s.ByKey()), "configuration 3 by hand (Ctrl+J)");
    EXPECT_FALSE(s.LandingAtContact(true)) << "under the drogue";
    s.configuration = CONFIG_MAIN_CHUTE;
    EXPECT_FALSE(s.LandingAtContact(false)) << "before the landing thruster";
    const auto landing = s.LandingAtContact(true);
    ASSERT_TRUE(landing);
    EXPECT_EQ(landing->act, Transition::Act::ReleaseMainChute);
    EXPECT_EQ(s.Entered(*landing), "on the ground: main parachute released (configuration 4)");
    s.configuration = CONFIG_LANDING;
    EXPECT_FALSE(s.ByKey()) << "the landing is the last";
}

TEST(LandingBurnPlan, FromTheInputsAlone) {
    StepInputs in = Falling(20, 7);
    in.baseHeight = 100;
    EXPECT_FALSE(LandingBurn::Plan(in, true, false, 70, 0).level) << "far above the burn's start";
    EXPECT_TRUE(LandingBurn::Plan(in, true, false, 70, 0).cap) << "below the approach height, time at x1";
    in.baseHeight = LANDING_BURN_END_HEIGHT + LandingBurnDistance(7, 3000, 70);
    const BurnStep due = LandingBurn::Plan(in, true, false, 70, 0);
    ASSERT_TRUE(due.level);
    EXPECT_EQ(*due.level, 1);
    EXPECT_TRUE(due.started);
    EXPECT_EQ(*LandingBurn::Plan(in, true, false, 70, 0.4).level, 1) << "once burning, at full thrust";
    EXPECT_FALSE(LandingBurn::Plan(in, false, false, 70, 0).level) << "a handle of an earlier definition";
    EXPECT_FALSE(LandingBurn::Plan(in, true, false, 0, 0).level) << "an empty tank";
    in.contact = true;
    const BurnStep ground = LandingBurn::Plan(in, true, true, 70, 1);
    EXPECT_TRUE(ground.cutThrust);
    EXPECT_TRUE(ground.land) << "older hosts land in the time step";
    EXPECT_FALSE(LandingBurn::Plan(in, true, false, 70, 1).land) << "the pre-step lands";
}
