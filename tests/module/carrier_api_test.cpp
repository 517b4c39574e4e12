// What a vessel class built on the carrier sees of it: the read-only view of the table, the one
// line a slot is written as (in a save and in a hand-over alike), and the status a child vessel
// starts from.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "carrier/internal/child_vessel.h"
#include "module_fixture.h"
#include "sim/file_handles.h"
#include "sim/mathx.h"
#include "sim/physics.h"
#include "sim/planet.h"

using testing::ElementsAreArray;

namespace {

const std::string FIELDS = " m tlvorbit 1 2 3 4 5 0.5";

std::vector<std::string> PayloadLines(int count) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) lines.push_back("PAYLOAD p" + std::to_string(i) + FIELDS);
    return lines;
}

struct ViewCase {
    std::string label;
    std::vector<std::string> lines;
    std::vector<std::string> attached;  // names of the attached slots, in table order
};

void PrintTo(const ViewCase& c, std::ostream* os) { *os << c.label; }

class TableView : public ModuleTest, public testing::WithParamInterface<ViewCase> {};

std::vector<std::string> Names(int first, int last) {
    std::vector<std::string> names;
    for (int i = first; i <= last; ++i) names.push_back("p" + std::to_string(i));
    return names;
}

}  // namespace

TEST_P(TableView, ShowsEverySlotAndCountsTheAttachedOnes) {
    testing::internal::CaptureStderr();
    TalvekVessel t(record->Handle());
    for (const auto& line : GetParam().lines) t.HandleScenarioLine(line.c_str());
    testing::internal::GetCapturedStderr();
    const auto table = t.PayloadTable();
    ASSERT_EQ(table.size(), static_cast<size_t>(PAYLOAD_SLOT_COUNT)) << "free slots are in the view too";
    std::vector<std::string> attached;
    for (const PayloadSlot& slot : table)
        if (slot.attached) attached.push_back(slot.vesselName);
    EXPECT_THAT(attached, ElementsAreArray(GetParam().attached));
    EXPECT_EQ(t.AttachedPayloadCount(), static_cast<int>(GetParam().attached.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TableView,
    testing::Values(ViewCase{"empty", {}, {}},
                    ViewCase{"nested", {"STAGE s" + FIELDS, "PAYLOAD p" + FIELDS, "ENDSTAGE", "PAYLOAD q" + FIELDS},
                             {"s", "p", "q"}},
                    ViewCase{"full", PayloadLines(PAYLOAD_SLOT_COUNT), Names(0, PAYLOAD_SLOT_COUNT - 1)},
                    ViewCase{"overfull", PayloadLines(PAYLOAD_SLOT_COUNT + 2), Names(0, PAYLOAD_SLOT_COUNT - 1)}),
    [](const testing::TestParamInfo<ViewCase>& info) { return info.param.label; });

namespace {

struct LineCase {
    std::string label;
    PayloadSlot slot;
    VECTOR3 position;
    std::string text;
};

PayloadSlot Slot(std::uint16_t kind, const char* name, const char* mesh, const char* className, double mass,
                 double rotation, double fuel) {
    PayloadSlot s;
    s.kind = kind;
    std::snprintf(s.vesselName, sizeof s.vesselName, "%s", name);
    s.mesh.meshName = mesh;
    std::snprintf(s.className, sizeof s.className, "%s", className);
    s.mesh.position = VECTOR3{9, 9, 9};  // never written: the line takes the position it is given
    s.mass = mass;
    s.rotation = rotation;
    s.fuelLevel = fuel;
    return s;
}

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.label; }

class LineFormat : public testing::TestWithParam<LineCase> {};

}  // namespace

TEST_P(LineFormat, KeywordThenTheNineFields) {
    const PayloadLine line = FormatPayloadLine(GetParam().slot, GetParam().position);
    EXPECT_EQ(line.text, GetParam().text);
    const std::string keyword = GetParam().text.substr(0, GetParam().text.find(' '));
    EXPECT_EQ(line.keyword, keyword);
    EXPECT_EQ(std::string(line.Fields()), GetParam().text.substr(keyword.size() + 1)) << "the value after the key";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineFormat,
    testing::Values(LineCase{"payload", Slot(PAYLOAD_KIND_PAYLOAD, "Sat1", "tlvdrogue", "tlvorbit", 250.5, 90, 0.25),
                             {1, -2.5, 0}, "PAYLOAD Sat1 tlvdrogue tlvorbit 1.00 -2.50 0.00 250.50 90.00 0.25"},
                    LineCase{"stage", Slot(PAYLOAD_KIND_STAGE, "S", "m", "c", 10, 0, 0), {0, 0, 1},
                             "STAGE S m c 0.00 0.00 1.00 10.00 0.00 0.00"},
                    LineCase{"emptyNames", Slot(PAYLOAD_KIND_PAYLOAD, "", "", "", 0, 0, 0.333), {0, 0, -1.005},
                             "PAYLOAD - - - 0.00 0.00 -1.005 0.00 0.00 0.333"}),
    [](const testing::TestParamInfo<LineCase>& info) { return info.param.label; });

namespace {

class HandOver : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        root.Write("Config/Sat.cfg", "Mass = 100\nPropellantResource1 = 80\n");
        record->pos = {7e6, 0, 0};
        record->vel = {0, 0, 7500};
    }

    // The texts of the messages waiting for a vessel, in order.
    static std::vector<std::string> Waiting(VESSEL* target) {
        std::vector<std::string> out;
        LibraryHandle bus = LoadRuntimeLibrary("Modules\\dravomessage");
        auto check = reinterpret_cast<int (*)(VESSEL*, char*, char*)>(FindLibraryFunction(bus, "CheckCMessage"));
        char name[256], text[2048];
        while (check && check(target, name, text) >= 0) out.push_back(text);
        FreeRuntimeLibrary(bus);
        return out;
    }
};

// The saved lines without the blanks the scenario writer puts around them.
std::vector<std::string> SavedLines(PayloadCarrier& c) {
    sim::ScenarioWriter out;
    c.SavePayloadLines(&out);
    std::vector<std::string> lines;
    std::istringstream in(out.text);
    for (std::string l; std::getline(in, l);) {
        l.erase(0, l.find_first_not_of(' '));
        l.erase(l.find_last_not_of(' ') + 1);
        lines.push_back(l);
    }
    return lines;
}

}  // namespace

// A stage at the carrier's origin: its contents lie where the carrier's save puts them, so the
// stage must receive the carrier's saved lines after its own, closings included.
TEST_F(HandOver, StageReceivesTheLinesASaveWrites) {
    TalvekVessel t(record->Handle());
    for (const char* l : {"STAGE S m Sat 0 0 0 10 0 0", "STAGE T m Sat 0 1.5 3 5 30 0",
                          "PAYLOAD q m Sat 0 0 4 1 0 0.25", "ENDSTAGE", "PAYLOAD p m Sat 1 -0.005 2 1 0 0.333",
                          "ENDSTAGE"})
        t.HandleScenarioLine(l);
    t.PlacePayloadMeshes();
    const std::vector<std::string> saved = SavedLines(t);
    ASSERT_EQ(saved.size(), 6u);
    EXPECT_EQ(saved[0], "STAGE S m Sat 0.00 0.00 0.00 10.00 0.00 0.00");

    VESSEL* stage = t.ReleaseLastPayload();
    ASSERT_NE(stage, nullptr);
    EXPECT_THAT(Waiting(stage), ElementsAreArray(saved.begin() + 1, saved.end()));
    EXPECT_EQ(t.AttachedPayloadCount(), 0) << "the stage took its contents along";
}

namespace {

class ChildStatus : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        record->pos = {6.8e6, 1000, -2000};
        record->vel = {10, -20, 7500};
        record->angVel = {0.01, 0.02, -0.03};
        record->rot = sim::RotationFromAngles({0.3, -1.1, 2.0});
        t = std::make_unique<TalvekVessel>(record->Handle());
        // The parent's main engine runs: a child never inherits it.
        THRUSTER_HANDLE main = t->CreateThruster({0, 0, 0}, {0, 0, 1}, 1000, t->CreatePropellantResource(100), 3000);
        t->CreateThrusterGroup(&main, 1, THGROUP_MAIN);
        t->SetThrusterLevel(main, 0.5);
    }
    void TearDown() override {
        t.reset();
        ModuleTest::TearDown();
    }
    VESSELSTATUS Parent() const {
        VESSELSTATUS s;
        t->GetStatus(s);
        return s;
    }
    std::unique_ptr<TalvekVessel> t;
};

void ExpectNear(const VECTOR3& a, const VECTOR3& b, double tolerance, const char* what) {
    EXPECT_NEAR(a.x, b.x, tolerance) << what;
    EXPECT_NEAR(a.y, b.y, tolerance) << what;
    EXPECT_NEAR(a.z, b.z, tolerance) << what;
}

}  // namespace

TEST_F(ChildStatus, FlyingParentGivesItsMotionMovedAndTurnedIntoItsFrame) {
    const VESSELSTATUS parent = Parent();
    ASSERT_EQ(parent.eng_main, 0.5);
    const VECTOR3 local{1, -2, 3}, dv{0, 0.5, 2};
    const VESSELSTATUS child = ChildVesselStatus(*t, local, dv);
    EXPECT_EQ(child.status, 0);
    ExpectNear(child.rpos, record->pos + record->rot * local, 1e-6, "position");
    ExpectNear(child.rvel, record->vel + record->rot * dv, 1e-9, "velocity");
    ExpectNear(child.arot, parent.arot, 0, "orientation");
    ExpectNear(child.vrot, parent.vrot, 0, "angular velocity");
    EXPECT_EQ(child.fuel, parent.fuel);
    EXPECT_EQ(child.eng_main, 0);
    EXPECT_EQ(child.eng_hovr, 0);
}

TEST_F(ChildStatus, LandedParentGivesALandedChildWhereItStands) {
    // Standing on the ground, as the host lands a vessel: its place and attitude on the planet.
    const sim::Mat3 toPlanet = sim::PlanetRotation(world->Mjd()).Transposed();
    sim::FixToPlanet(*record, toPlanet * VECTOR3{6371010.0 + 2, 0, 0}, toPlanet * record->rot, world->Mjd());
    const VESSELSTATUS parent = Parent();
    ASSERT_EQ(parent.status, sim::STATUS_LANDED);
    const VESSELSTATUS child = ChildVesselStatus(*t, {0, 0, 5}, {0, 0, 1});
    EXPECT_EQ(child.status, sim::STATUS_LANDED);
    ExpectNear(child.vdata[0], parent.vdata[0], 0, "longitude, latitude and heading");
    ExpectNear(child.vrot, parent.vrot, 0, "the height over the ground");
    EXPECT_EQ(child.eng_main, 0);
    const OBJHANDLE made = oapiCreateVessel("Child", "Shell", child);
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(world->FindByName("Child")->landed);
}
