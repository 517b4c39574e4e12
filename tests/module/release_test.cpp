// Releasing payloads and stages as vessels of their own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "carrier/internal/payload_table.h"
#include "carrier/internal/test_access.h"
#include "module_fixture.h"
#include "sim/mathx.h"

using testing::ElementsAre;

namespace {

class Release : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        root.Write("Config/Sat.cfg", "Mass = 100\nPropellantResource1 = 80\n");
        record->pos = {7e6, 0, 0};
        record->vel = {0, 0, 7500};
        t = std::make_unique<TalvekVessel>(record->Handle());
    }
    void TearDown() override {
        t.reset();
        ModuleTest::TearDown();
    }
    void Lines(std::initializer_list<const char*> lines) {
        for (const char* l : lines) t->HandleScenarioLine(l);
        t->PlacePayloadMeshes();
    }
    std::vector<std::string> Attached() const {
        std::vector<std::string> names;
        for (const auto& s : t->PayloadTable())
            if (s.attached) names.push_back(s.vesselName);
        return names;
    }

    std::unique_ptr<TalvekVessel> t;

    // The messages waiting for a vessel, as "NAME|text".
    std::vector<std::string> Waiting(VESSEL* target) {
        std::vector<std::string> out;
        LibraryHandle bus = LoadRuntimeLibrary("Modules\\dravomessage");
        auto check = reinterpret_cast<int (*)(VESSEL*, char*, char*)>(FindLibraryFunction(bus, "CheckCMessage"));
        char name[256], text[2048];
        while (check && check(target, name, text) >= 0) out.push_back(std::string(name) + "|" + text);
        FreeRuntimeLibrary(bus);
        return out;
    }
};

}  // namespace

TEST_F(Release, TopLevelPayloadWithRotationAndFuel) {
    Lines({"PAYLOAD Sat1 tlvdrogue Sat 0 0 -3 100 90 0.5"});
    VESSEL* v = t->ReleaseLastPayload();
    ASSERT_NE(v, nullptr);
    const sim::VesselRecord* sat = world->FindByName("Sat1");
    EXPECT_EQ(sim::Length(sat->pos - VECTOR3{7e6, 0, -3}), 0);
    EXPECT_NEAR(sim::Length(sat->vel - VECTOR3{0, 0, 7500.5}), 0, 1e-9) << "(0, 0, -3) lies on the z axis: 0.5 m/s forward";
    const VECTOR3 arot = sim::AnglesFromRotation(sat->rot);
    EXPECT_NEAR(arot.x, -PI / 2, 1e-9) << "turned 90 degrees about the carrier's x axis";
    EXPECT_NEAR(arot.y, 0, 1e-9);
    EXPECT_NEAR(arot.z, 0, 1e-9);
    EXPECT_EQ(sat->def.tanks[0].mass, 40) << "half the maximum fuel";
    EXPECT_TRUE(Attached().empty());
    EXPECT_TRUE(Waiting(v).empty()) << "a payload carries nothing";
}

TEST_F(Release, NestedStagesAreClimbedAndTheirContentsHandedOver) {
    // Stage A (0), payload p (1, in A), stage B (2, in A), payload q (3, in B).
    Lines({"STAGE A m Talvek 0 0 1 10 30 0", "PAYLOAD p m Sat 0 1 1 1 0 0", "STAGE B m Talvek 0 0 2 10 0 0",
           "PAYLOAD q m Sat 0 1 2 1 45 1"});
    VESSEL* b = t->ReleaseLastPayload();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GetName(), std::string("B")) << "B's parent is slot 0, not slot 1: the climb stops at B";
    EXPECT_THAT(Attached(), ElementsAre("A", "p"));
    EXPECT_THAT(Waiting(b), ElementsAre("PAYLOAD|PAYLOAD q m Sat 0.00 1.00 0.00 1.00 45.00 1.00", "ENDSTAGE|ENDSTAGE"));
    VESSEL* a = t->ReleaseLastPayload();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetName(), std::string("A"));
    EXPECT_THAT(Waiting(a), ElementsAre("PAYLOAD|PAYLOAD p m Sat 0.00 1.00 0.00 1.00 0.00 0.00", "ENDSTAGE|ENDSTAGE"));
    EXPECT_TRUE(Attached().empty());
    const sim::VesselRecord* stage = world->FindByName("A");
    EXPECT_NEAR(sim::Length(sim::AnglesFromRotation(stage->rot)), 0, 1e-12) << "a stage keeps the carrier's orientation";
}

TEST_F(Release, AHandOverCarriesEveryFieldAsASaveWould) {
    // An empty mesh name and numbers that two decimals would round: the stage must receive the
    // line that reads back to the same payload, its position relative to the stage as the author
    // would write it (1.005 - 1 as 0.005, not the 0.004999999999999893 of the doubles).
    Lines({"STAGE A m Talvek 0 0 1 10 0 0", "PAYLOAD q - Sat 0.125 1 1.005 2.5 33.3 0.333"});
    VESSEL* a = t->ReleaseLastPayload();
    ASSERT_NE(a, nullptr);
    EXPECT_THAT(Waiting(a), ElementsAre("PAYLOAD|PAYLOAD q - Sat 0.125 1.00 0.005 2.50 33.30 0.333",
                                        "ENDSTAGE|ENDSTAGE"));
}

namespace {

// A stage at z = stage holding a payload at z = nested, both as written in the carrier's lines,
// and the z that the released stage receives (and so saves) for the payload.
struct HandedOverZ {
    const char* stage;
    const char* nested;
    const char* received;
};

void PrintTo(const HandedOverZ& c, std::ostream* os) { *os << c.nested << " on a stage at " << c.stage; }

class HandedOverNumbers : public Release, public testing::WithParamInterface<HandedOverZ> {};

}  // namespace

TEST_P(HandedOverNumbers, RelativePositionAsTheAuthorWouldWriteIt) {
    const HandedOverZ& c = GetParam();
    const std::string stage = std::string("STAGE A m Talvek 0 0 ") + c.stage + " 10 0 0";
    const std::string nested = std::string("PAYLOAD q m Sat 1.1 -0.7 ") + c.nested + " 1 0 0";
    Lines({stage.c_str(), nested.c_str()});
    VESSEL* a = t->ReleaseLastPayload();
    ASSERT_NE(a, nullptr);
    EXPECT_THAT(Waiting(a), ElementsAre(std::string("PAYLOAD|PAYLOAD q m Sat 1.10 -0.70 ") + c.received + " 1.00 0.00 0.00",
                                        "ENDSTAGE|ENDSTAGE"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HandedOverNumbers,
    testing::Values(HandedOverZ{"7", "9.35", "2.35"}, HandedOverZ{"0", "0.333", "0.333"},
                    HandedOverZ{"7.1", "9.35", "2.25"}, HandedOverZ{"7.00", "9.350", "2.35"},
                    HandedOverZ{"9000", "9999.35", "999.35"}, HandedOverZ{"-9999.99", "9999.99", "19999.98"},
                    HandedOverZ{"-7", "-9.35", "-2.35"}, HandedOverZ{"7", "-2.65", "-9.65"},
                    HandedOverZ{"3.3", "1.1", "-2.20"}, HandedOverZ{"1", "1.005", "0.005"},
                    HandedOverZ{"7", "7", "0.00"}, HandedOverZ{"0.1", "1234.5678", "1234.4678"},
                    HandedOverZ{"0", "1e-7", "1e-07"}, HandedOverZ{"1e-7", "2.5e-7", "1.5e-07"},
                    HandedOverZ{"2.5e3", "2.6E+3", "100.00"}, HandedOverZ{"0.5", "1.25e1", "12.00"},
                    // More digits than two decimals keep, as many as the double holds: exact.
                    HandedOverZ{"0.1", "0.30000000000000004", "0.20000000000000004"},
                    HandedOverZ{"2", "2.000000000000001", "1e-15"}));

// Beyond the carrier's 10 km: the rounding holds wherever the doubles leave the decimals open, and
// never moves a difference further than that.
struct Difference {
    double a, b, expected;
};

void PrintTo(const Difference& c, std::ostream* os) { *os << testing::PrintToString(c.a) << " - " << testing::PrintToString(c.b); }

class DifferencesAsWritten : public testing::TestWithParam<Difference> {};

TEST_P(DifferencesAsWritten, AreTheNearestDoubleToTheDecimalDifference) {
    const Difference& c = GetParam();
    EXPECT_EQ(DifferenceAsWritten(c.a, c.b), c.expected) << c.a << " - " << c.b;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DifferencesAsWritten,
    testing::Values(Difference{1000000.35, 1000000, 0.35}, Difference{-1000000, -1000000.35, 0.35},
                    Difference{123456789.125, 0.1, 123456789.025}, Difference{1e15 + 2, 1e15, 2},
                    Difference{1e-300, 0, 1e-300}, Difference{0.1, 1e-20, 0.1},
                    Difference{5e-324, 0, 5e-324}));

TEST_F(Release, StageInAStageGoesWholeWithOneClosingPerLevel) {
    Lines({"STAGE A m Talvek 0 0 1 10 0 0", "STAGE B m Talvek 0 0 2 10 0 0", "PAYLOAD q m Sat 0 0 3 1 0 0"});
    VESSEL* a = t->ReleaseLastPayload();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetName(), std::string("A"));
    EXPECT_THAT(Waiting(a), ElementsAre("STAGE|STAGE B m Talvek 0.00 0.00 1.00 10.00 0.00 0.00",
                                        "PAYLOAD|PAYLOAD q m Sat 0.00 0.00 2.00 1.00 0.00 0.00", "ENDSTAGE|ENDSTAGE",
                                        "ENDSTAGE|ENDSTAGE"));
    EXPECT_TRUE(Attached().empty());
}

TEST_F(Release, EmptyTopLevelStageGoesAloneWithItsRotation) {
    Lines({"PAYLOAD p m Sat 0 0 1 1 0 0", "STAGE S m Talvek 0 2 0 5 90 0"});
    VESSEL* s = t->ReleaseLastPayload();
    ASSERT_NE(s, nullptr);
    EXPECT_NEAR(sim::AnglesFromRotation(world->FindByName("S")->rot).x, -PI / 2, 1e-9);
    EXPECT_TRUE(Waiting(s).empty());
    EXPECT_THAT(Attached(), ElementsAre("p"));
}

TEST_F(Release, OverrideVelocityIsUsedOnce) {
    Lines({"PAYLOAD p m Sat 1 0 0 1 0 0", "PAYLOAD q m Sat 1 0 0 1 0 0"});
    t->SetReleaseVelocity({0, 3, 0});
    t->ReleaseLastPayload();
    EXPECT_NEAR(world->FindByName("q")->vel.y, 3, 1e-9);
    EXPECT_FALSE(PayloadCarrierTestAccess::OverridePending(*t));
    t->ReleaseLastPayload();
    EXPECT_NEAR(world->FindByName("p")->vel.x, 2, 1e-9) << "the slot's own 2 m/s outward";
    t->SetReleaseVelocity({0, 3, 0});
    EXPECT_EQ(t->ReleaseLastPayload(), nullptr) << "nothing attached";
    EXPECT_TRUE(PayloadCarrierTestAccess::OverridePending(*t)) << "kept when nothing was released";
}

TEST_F(Release, RefusedVesselLeavesTheTableUnchanged) {
    Lines({"STAGE A m NoSuchClass 0 0 1 10 0 0", "PAYLOAD p m Sat 0 0 2 1 0 0"});
    testing::internal::CaptureStderr();
    EXPECT_EQ(t->ReleaseLastPayload(), nullptr);
    testing::internal::GetCapturedStderr();
    EXPECT_THAT(Attached(), ElementsAre("A", "p")) << "the stage and its contents stay on the carrier";
    EXPECT_EQ(t->GetPayloadMass(), 11);
}
