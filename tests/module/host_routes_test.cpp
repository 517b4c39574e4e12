// The two routes by which a host reaches the built module (the exported entry points of older
// hosts and the current simulator's VESSEL2 callbacks): each runs the same operation, an event
// delivered both ways acts once, and a vessel that nothing has defined is defined after creation.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "module_fixture.h"
#include "sim/file_handles.h"
#include "sim/scenario.h"
#include "spacecraft/internal/test_access.h"

namespace {

class Routes : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        talvek = world->AddVessel("Talvek", "Talvek");
        ASSERT_NE(talvek->module, nullptr);
        keys[OAPI_KEY_K] = static_cast<char>(0x80);
        world->trace.clear();
    }
    TalvekVessel* Object() const { return static_cast<TalvekVessel*>(talvek->iface); }
    VESSEL2* Callbacks() const { return static_cast<VESSEL2*>(talvek->iface); }
    const sim::VesselModule& Module() const { return *talvek->module; }

    // How often the host was called by that name since the trace was last cleared.
    long Count(const std::string& call) const {
        return std::count_if(world->trace.begin(), world->trace.end(),
                             [&](const sim::TraceEntry& t) { return t.call == call; });
    }

    // One delivery of an event by one route.
    void Deliver(HostEvent event, HostRoute route) {
        const bool entry = route == HostRoute::EntryPoint;
        sim::ScenarioWriter out;
        std::vector<sim::ScenarioLine> lines{{"CONFIGURATION 0", 1}};
        sim::ScenarioBlockReader reader;
        reader.lines = &lines;
        sim::ParsedVesselState state;
        switch (event) {
            case HostEvent::LoadState:
                entry ? Module().loadStateEx(talvek->iface, &reader, &state) : Callbacks()->clbkLoadStateEx(&reader, &state);
                break;
            case HostEvent::VisualCreated:
                entry ? Module().visualCreated(talvek->iface, nullptr, 1) : Callbacks()->clbkVisualCreated(nullptr, 1);
                break;
            case HostEvent::TimeStep:
                entry ? Module().timestep(talvek->iface, 0) : Callbacks()->clbkPostStep(0, 0, 0);
                break;
            case HostEvent::SaveState:
                entry ? Module().saveState(talvek->iface, &out) : Callbacks()->clbkSaveState(&out);
                break;
            case HostEvent::Key:
                entry ? Module().consumeBufferedKey(talvek->iface, OAPI_KEY_K, true, keys)
                      : Callbacks()->clbkConsumeBufferedKey(OAPI_KEY_K, true, keys);
                break;
            case HostEvent::Count:
                break;
        }
    }

    sim::VesselRecord* talvek = nullptr;
    char keys[256] = {};
};

struct TwiceCase {
    const char* name;
    HostEvent event;
    std::function<void(TalvekVessel&)> prepare;
    const char* marker;  // a host call that the operation makes exactly once
    bool repeats;        // a second delivery by the owning route acts again
};

const TwiceCase TWICE_CASES[] = {
    {"LoadState", HostEvent::LoadState, [](TalvekVessel&) {}, "ClearMeshes", true},
    // A visual defines only a vessel that has no definition yet.
    {"VisualCreated", HostEvent::VisualCreated, [](TalvekVessel&) {}, "ClearMeshes", false},
    // Deploying arrays: every step sets the animation once.
    {"TimeStep", HostEvent::TimeStep, [](TalvekVessel& t) { Inside(t).arrays.panelMotion = SolarArrays::PanelMotion::Deploying; }, "SetAnimation", true},
    {"SaveState", HostEvent::SaveState, [](TalvekVessel&) {}, "SaveDefaultState", true},
    {"Key", HostEvent::Key, [](TalvekVessel&) {}, "oapiAcceptDelayedKey", true},
};

void PrintTo(const TwiceCase& c, std::ostream* os) { *os << c.name; }

class DeliveredTwice : public Routes, public testing::WithParamInterface<std::tuple<TwiceCase, bool>> {};

TEST_P(DeliveredTwice, ActsOnceWhicheverRouteComesFirst) {
    const auto& [c, entryFirst] = GetParam();
    c.prepare(*Object());
    const HostRoute first = entryFirst ? HostRoute::EntryPoint : HostRoute::Callback;
    const HostRoute second = entryFirst ? HostRoute::Callback : HostRoute::EntryPoint;
    Deliver(c.event, first);
    Deliver(c.event, second);
    EXPECT_EQ(Count(c.marker), 1) << "the second route's delivery of the same event does nothing";
    Deliver(c.event, first);
    EXPECT_EQ(Count(c.marker), c.repeats ? 2 : 1) << "the route that delivered first keeps acting";
}

INSTANTIATE_TEST_SUITE_P(Events, DeliveredTwice, testing::Combine(testing::ValuesIn(TWICE_CASES), testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "EntryFirst" : "CallbackFirst");
                         });

TEST_F(Routes, CallbacksRunTheEntryPointsOperations) {
    Callbacks()->clbkSetClassCaps(nullptr);
    EXPECT_TRUE(world->trace.empty()) << "class caps do nothing";

    std::vector<sim::ScenarioLine> lines{{"CONFIGURATION 0", 1}, {"PANELS 0.25", 2}};
    sim::ScenarioBlockReader reader;
    reader.lines = &lines;
    sim::ParsedVesselState state;
    Inside(*Object()).sequencer.configuration = CONFIG_DESCENT;
    Callbacks()->clbkLoadStateEx(&reader, &state);
    EXPECT_EQ(Inside(*Object()).sequencer.configuration, CONFIG_FULL_STACK);
    EXPECT_EQ(Inside(*Object()).arrays.panelState, 0.25f);
    EXPECT_EQ(talvek->def.size, 15) << "the full stack, defined by the load";

    Inside(*Object()).arrays.panelMotion = SolarArrays::PanelMotion::Deploying;
    world->trace.clear();
    Callbacks()->clbkPostStep(0, 0, 0);
    EXPECT_EQ(Count("SetAnimation"), 1) << "one step of the arrays";

    sim::ScenarioWriter out;
    Callbacks()->clbkSaveState(&out);
    EXPECT_THAT(out.text, testing::HasSubstr("  CONFIGURATION 0\n  PANELS 0.25\n"));

    EXPECT_EQ(Callbacks()->clbkConsumeBufferedKey(OAPI_KEY_K, true, keys), 1);
    EXPECT_EQ(Inside(*Object()).arrays.panelMotion, SolarArrays::PanelMotion::Deploying);
}

// clbkPostCreation defines a vessel that nothing has defined yet (one made by oapiCreateVessel,
// with no state to load and maybe no visual), and leaves any other alone.
TEST_F(Routes, PostCreationDefinesOnlyAnUndefinedVessel) {
    Callbacks()->clbkPostCreation();
    EXPECT_EQ(Count("ClearMeshes"), 1);
    EXPECT_EQ(Inside(*Object()).sequencer.rebuildCounter, RebuildPhase::Requested);
    ASSERT_FALSE(talvek->def.meshes.empty());
    EXPECT_EQ(talvek->def.meshes[0].file, "talvek");
    EXPECT_GT(talvek->Mass(), 0);

    Callbacks()->clbkPostCreation();
    EXPECT_EQ(Count("ClearMeshes"), 1) << "defined already: nothing again";
}

class DefinedFirst : public Routes, public testing::WithParamInterface<std::tuple<HostEvent, HostRoute>> {};

TEST_P(DefinedFirst, PostCreationDoesNothingMore) {
    Deliver(std::get<0>(GetParam()), std::get<1>(GetParam()));
    world->trace.clear();
    Callbacks()->clbkPostCreation();
    EXPECT_TRUE(world->trace.empty());
}

INSTANTIATE_TEST_SUITE_P(ByStateOrVisual, DefinedFirst,
                         testing::Combine(testing::Values(HostEvent::LoadState, HostEvent::VisualCreated),
                                          testing::Values(HostRoute::EntryPoint, HostRoute::Callback)));

}  // namespace
