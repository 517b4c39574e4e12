// A world on a scratch root with a passive "Probe" class.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "sim/world.h"
#include "tests/support/test_support.h"

constexpr const char* PROBE_CLASS =
    "; a small passive vessel\n"
    "ClassName = Probe\n"
    "Size = 2\n"
    "Mass = 100\n"
    "PropellantResource1 = 50 0.9\n"
    "MaxMainThrust = 1000\n"
    "Isp = 3000\n"
    "CW = 0.3 0.4 0.5 0.6\n"
    "CrossSections = 1 2 3\n"
    "Inertia = 4 5 6\n"
    "TouchdownPoints = 0 -1 1  -1 -1 -1  1 -1 -1\n"
    "EnableXPDR = true\n";

class HostTest : public testing::Test {
protected:
    void SetUp() override {
        root.Write("Config/Probe.cfg", PROBE_CLASS);
        cwd = std::make_unique<talvek_test::ScopedCwd>(root.Path());
        world = std::make_unique<sim::World>(root.Path());
        world->tracing = true;
    }
    void TearDown() override {
        world.reset();
        cwd.reset();
    }

    sim::VesselRecord* Probe(const std::string& name = "P") { return world->AddVessel(name, "Probe"); }

    talvek_test::TempRoot root;
    std::unique_ptr<talvek_test::ScopedCwd> cwd;
    std::unique_ptr<sim::World> world;
};
