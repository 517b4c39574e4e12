// What a module asks beyond what the host's files may hold never reaches an output as a number
// that is not finite: a non-finite scenario value is written as 0 with a warning, values far
// beyond the class ranges neither overflow the mass nor leave the state non-finite, and the save,
// the dump and what the telemetry writes stay finite.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "host/oapi.h"
#include "host/vessel.h"
#include "sim/app/dump.h"
#include "sim/file_handles.h"
#include "sim/mathx.h"
#include "sim/physics.h"
#include "sim/planet.h"
#include "sim/scenario.h"
#include "tests/host/host_fixture.h"

using testing::HasSubstr;

namespace {

constexpr double HUGE_VALUE = 1e308;  // finite, so every setter takes it
const double INF = std::numeric_limits<double>::infinity();

// Every number in the dump is finite (a JSON writer turns the others into null).
bool AllNumbersFinite(const nlohmann::ordered_json& j) {
    if (j.is_number_float()) return std::isfinite(j.get<double>());
    if (j.is_structured())
        for (const auto& e : j)
            if (!AllNumbersFinite(e)) return false;
    return true;
}

}  // namespace

TEST_F(HostTest, ANonFiniteScenarioFloatIsWrittenAsZeroWithAWarning) {
    sim::VesselRecord* v = Probe("Sat");
    for (double bad : {INF, -INF, std::nan("")}) {
        SCOPED_TRACE(bad);
        world->warnings.clear();
        sim::ScenarioWriter out;
        world->InContext(*v, [&] { oapiWriteScenario_float(&out, const_cast<char*>("PANELS"), bad); });
        EXPECT_EQ(out.text, "  PANELS 0.0\n");
        ASSERT_EQ(world->warnings.size(), 1u);
        EXPECT_THAT(world->warnings[0], HasSubstr("vessel 'Sat' saved PANELS as "));
        EXPECT_THAT(world->warnings[0], HasSubstr("written as 0"));
    }
}

TEST_F(HostTest, MassSettersThatWouldOverflowTheMassAreRefused) {
    sim::VesselRecord* v = Probe();  // 100 kg and a 50 kg tank
    VESSEL& vessel = *v->iface;
    vessel.SetEmptyMass(HUGE_VALUE);
    EXPECT_EQ(vessel.CreatePropellantResource(HUGE_VALUE), nullptr) << "the sum would exceed every number";
    vessel.SetEmptyMass(100);
    ASSERT_NE(vessel.CreatePropellantResource(HUGE_VALUE), nullptr);
    vessel.SetEmptyMass(HUGE_VALUE);
    EXPECT_EQ(vessel.GetEmptyMass(), 100) << "refused with a full tank of that size possible";
    EXPECT_TRUE(std::isfinite(v->Mass()));
    const VECTOR3 at = v->pos;
    vessel.ShiftCentreOfMass({HUGE_VALUE, 0, 0});
    vessel.ShiftCentreOfMass({HUGE_VALUE, 0, 0});
    EXPECT_TRUE(sim::IsFinite(v->pos)) << "the second shift would have left no finite position";
    EXPECT_NE(v->pos.x, at.x);
}

TEST_F(HostTest, ValuesFarBeyondTheClassRangesLeaveEveryOutputFinite) {
    sim::VesselRecord* v = Probe("Wild");
    VESSEL& vessel = *v->iface;
    v->pos = {0, sim::EARTH_RADIUS + 2000, 0};
    v->angVel = {1, 2, 3};
    vessel.SetSize(HUGE_VALUE);
    vessel.SetPMI({1e-300, 1, HUGE_VALUE});
    vessel.SetRotDrag({HUGE_VALUE, HUGE_VALUE, HUGE_VALUE});
    vessel.SetCrossSections({HUGE_VALUE, HUGE_VALUE, HUGE_VALUE});
    vessel.SetCW(HUGE_VALUE, HUGE_VALUE, HUGE_VALUE, HUGE_VALUE);
    vessel.SetPitchMomentScale(HUGE_VALUE);
    // A thruster whose torque is beyond every number.
    THRUSTER_HANDLE th = vessel.CreateThruster({HUGE_VALUE, 0, 0}, {0, 1, 0}, HUGE_VALUE, sim::HandleOf(v->def.tanks.at(0).id), 1);
    vessel.SetThrusterLevel(th, 1);
    for (int frame = 0; frame < 120; ++frame) world->AdvanceFrame(1.0 / 60);

    EXPECT_TRUE(sim::IsFinite(v->pos) && sim::IsFinite(v->vel) && sim::IsFinite(v->angVel));
    EXPECT_THAT(world->warnings, testing::Contains(HasSubstr("vessel 'Wild': its motion is not finite")));
    for (double written : {sim::GroundHeight(*v), sim::Airspeed(*v), sim::VerticalSpeed(*v), v->Mass(), v->def.size})
        EXPECT_TRUE(std::isfinite(written)) << "a telemetry column";
    sim::Scenario from;
    std::string saved;
    ASSERT_NO_THROW(saved = sim::SaveScenario(*world, from));
    EXPECT_EQ(saved.find("inf"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("nan"), std::string::npos) << saved;
    EXPECT_TRUE(AllNumbersFinite(sim::DumpWorld(*world)));
}
