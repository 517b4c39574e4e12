// The world: classes and modules, vessel creation and deletion, time, keys, meshes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/orbiter.h"
#include "sim/errors.h"
#include "sim/mesh.h"
#include "sim/physics.h"
#include "sim/planet.h"
#include "sim/platform.h"
#include "tests/host/host_fixture.h"

using testing::HasSubstr;

namespace {
std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const sim::InputError& e) {
        return e.what();
    }
    return "";
}
}  // namespace

TEST_F(HostTest, PassiveClassIsDefinedByItsConfiguration) {
    sim::VesselRecord* v = Probe();
    EXPECT_EQ(v->module, nullptr);
    EXPECT_EQ(v->def.size, 2);
    EXPECT_EQ(v->def.emptyMass, 100);
    ASSERT_EQ(v->def.tanks.size(), 1u);
    EXPECT_EQ(v->def.tanks[0].maxMass, 50);
    EXPECT_EQ(v->def.tanks[0].mass, 50) << "a class tank is created full";
    EXPECT_EQ(v->def.tanks[0].efficiency, 0.9);
    EXPECT_EQ(v->def.defaultTank, v->def.tanks[0].id);
    ASSERT_EQ(v->def.thrusters.size(), 1u);
    EXPECT_EQ(v->def.thrusters[0].maxThrust, 1000);
    EXPECT_EQ(v->def.thrusters[0].isp, 3000);
    ASSERT_EQ(v->def.groups.size(), 1u);
    EXPECT_EQ(v->def.groups[0].type, THGROUP_MAIN);
    EXPECT_EQ(v->def.cw[1], 0.4);
    EXPECT_EQ(v->def.crossSections.z, 3);
    EXPECT_EQ(v->def.pmi.y, 5);
    EXPECT_EQ(v->def.touchdownPoints[1].x, -1);
    EXPECT_TRUE(v->def.transponder);
    EXPECT_EQ(v->Mass(), 150);
}

struct BadClassFile {
    const char* text;
    const char* expected;
};

void PrintTo(const BadClassFile& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.text)); }

class ClassFileErrors : public HostTest, public testing::WithParamInterface<BadClassFile> {};

TEST_P(ClassFileErrors, NameFileAndLine) {
    root.Write("Config/Bad.cfg", GetParam().text);
    const std::string err = ErrorOf([&] { world->AddVessel("B", "Bad"); });
    EXPECT_THAT(err, HasSubstr("Bad.cfg:" + std::string(GetParam().expected))) << err;
    EXPECT_EQ(world->FindByName("B"), nullptr) << "a refused vessel leaves no record";
}

INSTANTIATE_TEST_SUITE_P(Cases, ClassFileErrors,
                         testing::Values(BadClassFile{"ClassName = Bad\nSize 5\n", "2: expected 'key = value'"},
                                         BadClassFile{"Size = big\n", "1: 'size' expects one number"},
                                         BadClassFile{"; c\nCW = 1 2 3\n", "2: 'cw' expects four numbers"},
                                         BadClassFile{"TouchdownPoints = 1 2 3\n", "1: 'touchdownpoints' expects nine"},
                                         BadClassFile{"EnableXPDR = maybe\n", "1: 'EnableXPDR' expects true or false"},
                                         BadClassFile{" = 4\n", "1: the key before '=' is missing"},
                                         BadClassFile{"Module =\n", "1: 'Module' needs the module's name"},
                                         BadClassFile{"EnableXPDR = true\nXPDR = 640\n",
                                                      "2: 'XPDR' expects the transponder's channel, a whole number 0..639"},
                                         BadClassFile{"Size = 2\nEND_PARSE ; a script follows\nvprm = {}\n",
                                                      "2: END_PARSE ends what is read only on a line of its own: the "
                                                      "simulator reads on past 'END_PARSE ; a script follows'"}));

// As the simulator reads a class file: nothing after a line END_PARSE, whatever it holds.
TEST_F(HostTest, ClassFileEndsAtEndParse) {
    root.Write("Config/Scripted.cfg", "ClassName = Scripted\nSize = 2\n  end_parse  \n--[[ the script part\n"
                                      "Size = 9\nvprm = { emass = 500 }\n--]]\n");
    sim::VesselRecord* v = world->AddVessel("S", "Scripted");
    EXPECT_EQ(v->def.size, 2);
}

TEST_F(HostTest, UnknownClassNamesTheFilesLookedFor) {
    const std::string err = ErrorOf([&] { world->AddVessel("X", "Nowhere"); });
    EXPECT_THAT(err, HasSubstr("unknown vessel class 'Nowhere'"));
    EXPECT_THAT(err, HasSubstr((std::filesystem::path("Config") / "Vessels" / "Nowhere.cfg").string()));
    EXPECT_THAT(err, HasSubstr((std::filesystem::path("Config") / "Nowhere.cfg").string()));
}

TEST_F(HostTest, ClassFileUnderVesselsFolderComesFirst) {
    root.Write("Config/Vessels/Probe.cfg", "Size = 7\n");
    EXPECT_EQ(Probe()->def.size, 7);
}

TEST_F(HostTest, MissingModuleNamesClassAndPath) {
    root.Write("Config/Ghost.cfg", "Module = GhostModule\n");
    const std::string err = ErrorOf([&] { world->AddVessel("G", "Ghost"); });
    EXPECT_THAT(err, HasSubstr("class 'Ghost'"));
    EXPECT_THAT(err, HasSubstr((std::filesystem::path("Modules") / (std::string("GhostModule") + sim::platform::LIBRARY_SUFFIX)).string()));
}

TEST_F(HostTest, LibraryWithoutInitIsNotAModule) {
    root.AddFixtureModule("not_a_module", "Nothing");
    root.Write("Config/Nothing.cfg", "Module = Nothing\n");
    EXPECT_THAT(ErrorOf([&] { world->AddVessel("N", "Nothing"); }), HasSubstr("exports no ovcInit"));
}

TEST_F(HostTest, MissingOptionalEntryPointsAreSkipped) {
    root.AddFixtureModule("partial_module", "Partial");
    root.Write("Config/Partial.cfg", "Module = Partial\nSize = 3\n");
    sim::VesselRecord* v = world->AddVessel("Q", "Partial");
    ASSERT_NE(v->module, nullptr);
    EXPECT_EQ(v->module->timestep, nullptr);
    EXPECT_EQ(v->def.size, 3) << "class values apply after the module's class caps";
    world->CallVisualCreated(*v);
    world->AdvanceFrame(0.1);
    char keys[256] = {};
    EXPECT_EQ(world->DeliverBufferedKey(*v, OAPI_KEY_J, true, keys), 0);
}

TEST_F(HostTest, DuplicateNamesAreRefused) {
    Probe("Same");
    EXPECT_THAT(ErrorOf([&] { Probe("Same"); }), HasSubstr("already taken"));
    VESSELSTATUS st{};
    EXPECT_EQ(oapiCreateVessel("Same", "Probe", st), nullptr);
}

TEST_F(HostTest, CreationAndDeletionDuringTheFrame) {
    root.AddFixtureModule("spawner_module", "Spawner");
    root.Write("Config/Spawner.cfg", "Module = Spawner\n");
    sim::VesselRecord* spawner = world->AddVessel("Spawner", "Spawner");
    spawner->pos = {7e6, 0, 0};
    spawner->vel = {0, 0, 5};
    const OBJHANDLE spawnerHandle = spawner->Handle();
    Probe("Later");
    world->AdvanceFrame(0.1);

    EXPECT_FALSE(oapiIsVessel(spawnerHandle)) << "the deletion took effect at the end of the frame";
    EXPECT_EQ(world->TimeAcceleration(), 1.0) << "the vessel still existed inside the frame";
    sim::VesselRecord* child = world->FindByName("Child");
    ASSERT_NE(child, nullptr);
    EXPECT_NEAR(child->vel.x, 1.0 - 0.1 * sim::EARTH_GM / 49e12, 1e-3) << "the spawner's velocity after the step, plus 1";
    EXPECT_NEAR(child->vel.z, 5.0, 1e-6);
    ASSERT_EQ(world->Vessels().size(), 2u);
    EXPECT_EQ(world->Vessels()[0]->name, "Later");
    EXPECT_EQ(world->Vessels()[1]->name, "Child");
    ASSERT_GE(world->events.size(), 2u);
    EXPECT_EQ(world->events[world->events.size() - 2].what, "created Probe");
    EXPECT_EQ(world->events.back().vessel, "Spawner");
    EXPECT_EQ(world->events.back().what, "deleted");
}

// The simulator places a vessel created in a clbkPostStep, inside its state update, where the
// planet stood at the frame's start: a module fault, said once per creating vessel. The older
// hosts' time step is not marked.
TEST_F(HostTest, CreationInAPostStepIsAModuleFault) {
    root.AddFixtureModule("spawner_module", "Spawner");
    root.Write("Config/Spawner.cfg", "Module = Spawner\n");
    for (const sim::Dispatch dispatch : {sim::Dispatch::Callbacks, sim::Dispatch::EntryPoints}) {
        SCOPED_TRACE(dispatch == sim::Dispatch::Callbacks ? "callbacks" : "entry points");
        world->dispatch = dispatch;
        const long faults = world->ModuleFaults();
        world->warnings.clear();
        sim::VesselRecord* spawner = world->AddVessel(dispatch == sim::Dispatch::Callbacks ? "S1" : "S2", "Spawner");
        spawner->pos = {7e6, 0, 0};
        world->AdvanceFrame(0.1);
        ASSERT_EQ(world->Vessels().back()->name, "Child");
        if (dispatch == sim::Dispatch::Callbacks) {
            EXPECT_EQ(world->ModuleFaults(), faults + 1);
            ASSERT_EQ(world->warnings.size(), 1u);
            EXPECT_THAT(world->warnings[0], HasSubstr("module fault: vessel 'S1' created 'Child' in its clbkPostStep"));
        } else {
            EXPECT_EQ(world->ModuleFaults(), faults);
            EXPECT_THAT(world->warnings, testing::IsEmpty());
        }
        world->RequestDelete(*world->Vessels().back());
        world->ApplyDeletions();
    }
}

TEST_F(HostTest, StaleHandlesNameNothing) {
    sim::VesselRecord* p = Probe();
    const OBJHANDLE h = p->Handle();
    VESSEL* iface = oapiGetVesselInterface(h);
    ASSERT_NE(iface, nullptr);
    EXPECT_TRUE(oapiIsVessel(h));
    EXPECT_TRUE(oapiDeleteVessel(h));
    EXPECT_TRUE(oapiIsVessel(h)) << "deletion waits for the end of the frame";
    world->AdvanceFrame(0.1);
    EXPECT_FALSE(oapiIsVessel(h));
    EXPECT_EQ(oapiGetVesselInterface(h), nullptr);
    EXPECT_FALSE(oapiDeleteVessel(h));
    EXPECT_NE(Probe("Q")->Handle(), h) << "handles are not reused";
}

TEST_F(HostTest, SimulationStepFollowsTimeAcceleration) {
    oapiSetTimeAcceleration(10);
    world->AdvanceFrame(0.05);
    EXPECT_DOUBLE_EQ(oapiGetSimStep(), 0.5);
    EXPECT_DOUBLE_EQ(world->SimTime(), 0.5);
    EXPECT_DOUBLE_EQ(world->RealTime(), 0.05);
    oapiSetTimeAcceleration(1e9);
    EXPECT_EQ(oapiGetTimeAcceleration(), 100000);
    oapiSetTimeAcceleration(0.001);
    EXPECT_EQ(oapiGetTimeAcceleration(), 0.1);
}

TEST_F(HostTest, DelayedKeyRefusesOnlyTheSameKeyWithinItsDelayOfRealTime) {
    EXPECT_TRUE(oapiAcceptDelayedKey(OAPI_KEY_J, 1.0));
    EXPECT_FALSE(oapiAcceptDelayedKey(OAPI_KEY_J, 1.0));
    EXPECT_TRUE(oapiAcceptDelayedKey(OAPI_KEY_K, 0.5)) << "another key is accepted";
    EXPECT_TRUE(oapiAcceptDelayedKey(OAPI_KEY_J, 1.0)) << "the last accepted key is K now";
    oapiSetTimeAcceleration(100);
    for (int i = 0; i < 5; ++i) world->AdvanceFrame(0.1);
    EXPECT_FALSE(oapiAcceptDelayedKey(OAPI_KEY_J, 1.0)) << "0.5 s of real time, whatever the time acceleration";
    for (int i = 0; i < 5; ++i) world->AdvanceFrame(0.1);
    EXPECT_TRUE(oapiAcceptDelayedKey(OAPI_KEY_J, 1.0));
}

TEST_F(HostTest, MissingMeshGivesNullTemplateAndOneWarning) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(oapiLoadMesh("nothing-here"), nullptr);
    EXPECT_EQ(oapiLoadMesh("nothing-here"), nullptr);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_THAT(err, HasSubstr("mesh 'nothing-here' not found"));
    EXPECT_EQ(err.find("nothing-here", err.find('\n')), std::string::npos) << "one warning line: " << err;
    EXPECT_FALSE(world->PendingError());
}

TEST_F(HostTest, MeshIsLoadedOnceByName) {
    root.Write("Meshes/box.msh", "MSHX1\nGROUPS 2\nLABEL empty\nGEOM 0 0\nLABEL tri\nGEOM 3 1\n0 0 0\n1 0 0\n0 1 0\n0 1 2\n");
    MESHHANDLE a = oapiLoadMesh("box");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(oapiLoadMesh("box"), a);
    const auto* tpl = world->FindMeshTemplate(a);
    ASSERT_EQ(tpl->data->groups.size(), 1u) << "a group without geometry does not count";
    EXPECT_EQ(tpl->data->groups[0].label, "tri");
}

struct BadMesh {
    const char* text;
    const char* expected;
};

void PrintTo(const BadMesh& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.text)); }

class MeshErrors : public testing::TestWithParam<BadMesh> {};

TEST_P(MeshErrors, NameFileAndLine) {
    try {
        sim::ParseMesh(GetParam().text, "m.msh");
        FAIL();
    } catch (const sim::InputError& e) {
        EXPECT_THAT(e.what(), HasSubstr(GetParam().expected));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, MeshErrors,
                         testing::Values(BadMesh{"MESH\n", "m.msh:1: a mesh file starts with the line MSHX1"},
                                         BadMesh{"MSHX1\nGROUPS x\n", "m.msh:2: expected 'GROUPS n'"},
                                         BadMesh{"MSHX1\nGROUPS 1\nGEOM 1\n", "m.msh:3: expected 'GEOM nv nt'"},
                                         BadMesh{"MSHX1\nGROUPS 1\nGEOM 1 0\n1 2\n", "m.msh:4: expected a vertex line"},
                                         BadMesh{"MSHX1\nGROUPS 1\nGEOM 1 1\n0 0 0\n0 0 1\n", "m.msh:5: vertex index 1"},
                                         BadMesh{"MSHX1\nGROUPS 2\nGEOM 1 0\n0 0 0\n", "the file ends"}));

TEST_F(HostTest, MalformedMeshIsReportedWhenControlReturns) {
    root.Write("Meshes/broken.msh", "MSHX1\nGROUPS 1\nGEOM 3 1\n0 0 0\n");
    EXPECT_EQ(oapiLoadMesh("broken"), nullptr);
    ASSERT_TRUE(world->PendingError());
    EXPECT_THAT(*world->PendingError(), HasSubstr("broken.msh:"));
    EXPECT_THROW(world->ThrowIfError(), sim::InputError);
}
