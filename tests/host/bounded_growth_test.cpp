// What a run keeps grows with what its outputs need, not with frames or vessels; and the
// world's lookups stay in step with creation and deletion.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/app/simulation.h"
#include "tests/host/host_fixture.h"

using testing::Each;
using testing::Field;

namespace {

constexpr const char* TWO_PROBES =
    "BEGIN_FOCUS\n  Ship B\nEND_FOCUS\n"
    "BEGIN_SHIPS\n"
    "A:Probe\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n  RVEL 0 0 7672.593\nEND\n"
    "B:Probe\n  STATUS Orbiting Earth\n  RPOS 0 0 6771010\n  RVEL 7672.593 0 0\nEND\n"
    "END_SHIPS\n";
constexpr long FRAMES = 600;  // 10 s at 60 frames per second: 101 sampling times

}  // namespace

TEST_F(HostTest, ARunWithoutOutputsKeepsNoSamples) {
    sim::Simulation s(root.Path(), root.Write("Scenarios/two.scn", TWO_PROBES));
    s.Run(sim::RunLimits{std::nullopt, FRAMES, 1.0 / 60});
    EXPECT_EQ(s.GetTelemetry().Rows(), 0);
    EXPECT_EQ(s.GetTelemetry().Track().Size(), 0);
}

namespace {
struct ScopeCase {
    sim::TelemetryScope scope;
    size_t vesselsSampled;
};
class TelemetryScopes : public HostTest, public testing::WithParamInterface<ScopeCase> {};
}  // namespace

TEST_P(TelemetryScopes, SamplesOnlyWhatTheOutputUses) {
    sim::HostOptions options;
    options.telemetry = GetParam().scope;
    sim::Simulation s(root.Path(), root.Write("Scenarios/two.scn", TWO_PROBES), options);
    s.Run(sim::RunLimits{std::nullopt, FRAMES, 1.0 / 60});
    EXPECT_EQ(s.GetTelemetry().Rows(), static_cast<long>(101 * GetParam().vesselsSampled));
    if (GetParam().scope == sim::TelemetryScope::Focus) {
        std::vector<sim::TelemetrySample> tracked;
        s.GetTelemetry().Track().ForEach([&](const sim::TelemetrySample& t) { tracked.push_back(t); });
        EXPECT_EQ(tracked.size(), 101u);
        EXPECT_THAT(tracked, Each(Field(&sim::TelemetrySample::vessel, "B")));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, TelemetryScopes,
                         testing::Values(ScopeCase{sim::TelemetryScope::None, 0}, ScopeCase{sim::TelemetryScope::Focus, 1},
                                         ScopeCase{sim::TelemetryScope::All, 2}));

TEST_F(HostTest, EventsAreKeptOnlyWhenAskedFor) {
    for (bool keep : {false, true}) {
        sim::HostOptions options;
        options.events = keep;
        sim::Simulation s(root.Path(), root.Write("Scenarios/two.scn", TWO_PROBES), options);
        s.Run(sim::RunLimits{std::nullopt, 10, 1.0 / 60});
        EXPECT_EQ(s.GetWorld().events.size(), keep ? 2u : 0u) << "the two created events";
    }
}

TEST_F(HostTest, CreatedAndDeletedVesselsLeaveNoRecordsBehind) {
    world->tracing = false;
    for (int i = 0; i < 1000; ++i) {
        sim::VesselRecord* v = Probe("P" + std::to_string(i));
        world->RequestDelete(*v);
        world->AdvanceFrame(1.0 / 60);
    }
    EXPECT_EQ(world->Vessels().size(), 0u);
    EXPECT_EQ(world->IndexedVessels(), 0u);
    EXPECT_TRUE(world->trace.empty()) << "no trace while tracing is off";
}

TEST_F(HostTest, LookupsFollowCreationAndDeletion) {
    std::vector<sim::VesselRecord*> made;
    for (int i = 0; i < 30; ++i) made.push_back(Probe("P" + std::to_string(i)));
    std::vector<OBJHANDLE> gone;
    for (int i = 0; i < 30; i += 3) {
        gone.push_back(made[i]->Handle());
        world->RequestDelete(*made[i]);
    }
    world->ApplyDeletions();
    for (int i = 0; i < 30; ++i) {
        if (i % 3 == 0) {
            EXPECT_EQ(world->FindByName("P" + std::to_string(i)), nullptr);
            continue;
        }
        EXPECT_EQ(world->Find(made[i]->Handle()), made[i]);
        EXPECT_EQ(world->FindByName("P" + std::to_string(i)), made[i]);
    }
    for (OBJHANDLE h : gone) EXPECT_EQ(world->Find(h), nullptr);
    sim::VesselRecord* again = Probe("P0");
    EXPECT_EQ(world->FindByName("P0"), again) << "a deleted vessel's name is free again";
    EXPECT_EQ(world->Find(gone[0]), nullptr) << "the new vessel has a handle of its own";
    EXPECT_EQ(world->IndexedVessels(), world->Vessels().size());
}
