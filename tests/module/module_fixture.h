// A world on a scratch root, with a bare host vessel for a spacecraft object built in the test.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "carrier/vessel_entry_points.h"
#include "sim/app/dump.h"
#include "sim/world.h"
#include "spacecraft/talvek_vessel.h"
#include "test_support.h"

// A spacecraft class that overrides OnMessage, as a derived vessel class may, and keeps what
// reaches it.
class Recording : public TalvekVessel {
public:
    using TalvekVessel::TalvekVessel;
    void OnMessage(const char* name, const char* text) override { messages.emplace_back(name, text); }
    std::vector<std::pair<std::string, std::string>> messages;
};

// The first vessel's record as JSON without the ids that every rebuild hands out anew: its whole
// definition, to compare with another.
inline nlohmann::ordered_json DefinitionOf(sim::World& world, size_t vessel = 0) {
    nlohmann::ordered_json v = sim::DumpWorld(world)["vessels"][vessel];
    for (const char* key : {"propellant", "thrusters", "thrusterGroups", "exhaust"})
        for (auto& item : v[key]) {
            item.erase("id");
            item.erase("tank");
            item.erase("thruster");
            item.erase("thrusters");
        }
    v.erase("defaultPropellant");
    return v;
}

class ModuleTest : public testing::Test {
protected:
    void SetUp() override {
        root.Write("Config/Shell.cfg", "ClassName = Shell\n");
        cwd = std::make_unique<talvek_test::ScopedCwd>(root.Path());
        MakeWorld();
    }
    void MakeWorld() {
        world = std::make_unique<sim::World>(root.Path());
        if (talvek_test::LegacyEntryPoints()) world->dispatch = sim::Dispatch::EntryPoints;
        world->tracing = true;
        record = world->AddVessel("T", "Shell");
    }
    // Changes the root's modules with no world holding them (Windows keeps a loaded library's
    // file), then makes the world again.
    template <class Change>
    void ChangeModules(Change change) {
        world.reset();
        change();
        MakeWorld();
    }
    void TearDown() override {
        world.reset();
        cwd.reset();
    }

    // One frame's steps of a spacecraft as the host reaches it: the pre-step and the post-step
    // with the world's step, or the older hosts' single time step.
    void FrameSteps(TalvekVessel& v) const {
        if (talvek_test::LegacyEntryPoints()) {
            VesselEntryPoints<TalvekVessel>::Timestep(&v);
        } else {
            v.clbkPreStep(world->SimTime(), world->SimStep(), world->Mjd());
            v.clbkPostStep(world->SimTime(), world->SimStep(), world->Mjd());
        }
    }

    // The calls made on the test vessel, or outside any vessel's entry point, since the trace
    // was last cleared, as "Call(args)".
    std::vector<std::string> Calls() const {
        std::vector<std::string> calls;
        for (const auto& t : world->trace)
            if (t.vessel == "T" || t.vessel.empty()) calls.push_back(t.call + "(" + t.args + ")");
        return calls;
    }

    // The names of those calls, runs of the same call folded into one.
    std::vector<std::string> CallNames() const {
        std::vector<std::string> names;
        for (const auto& c : Calls()) {
            const std::string n = c.substr(0, c.find('('));
            if (names.empty() || names.back() != n) names.push_back(n);
        }
        return names;
    }

    talvek_test::TempRoot root;
    std::unique_ptr<talvek_test::ScopedCwd> cwd;
    std::unique_ptr<sim::World> world;
    sim::VesselRecord* record = nullptr;
};
