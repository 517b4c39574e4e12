// CHUTE_VESSEL names the parachute that a landed Talvek deletes once it is on the ground: only a
// released parachute is taken for it, never the Talvek itself nor any other vessel.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "test_support.h"

using testing::HasSubstr;
using testing::Not;

namespace {

// A Talvek standing on the ground after its landing, with its CHUTE_VESSEL line, beside a satellite.
std::string LandedWithChuteLine(const std::string& chute) {
    return "BEGIN_SHIPS\n"
           "Talvek:Talvek\n  STATUS Landed Earth\n  POS -31.4278932 0.0000006\n  HEADING 359.92\n  ALT 1.000\n"
           "  AROT 180.000 -58.572 -179.918\n  CONFIGURATION 4\n  PANELS 1.0\n  CHUTE_VESSEL " + chute + "\nEND\n"
           "Sat1:tlvsat\n  STATUS Landed Earth\n  POS -31.4 0.0\n  HEADING 0\nEND\n"
           "END_SHIPS\n";
}

struct ChuteCase {
    const char* chute;
    const char* logged;
};

void PrintTo(const ChuteCase& c, std::ostream* os) { *os << "CHUTE_VESSEL " << c.chute; }

class ChuteVesselLine : public testing::TestWithParam<ChuteCase> {};

TEST_P(ChuteVesselLine, NamingAnythingButAReleasedParachuteDeletesNothing) {
    const talvek_test::ScratchDir dir("chute-vessel");
    dir.Write("landed.scn", LandedWithChuteLine(GetParam().chute));
    const auto r = talvek_test::RunSim({"run", "landed.scn", "--frames", "10", "--events", "--save", "end.scn"}, dir.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, Not(HasSubstr(" deleted\n")));
    EXPECT_THAT(r.err, HasSubstr(std::string("talvek-sim: log: Talvek: ") + GetParam().logged + "\n"));
    const std::string saved = dir.Read("end.scn");
    EXPECT_THAT(saved, HasSubstr("\nTalvek:Talvek\n"));
    EXPECT_THAT(saved, HasSubstr("\nSat1:tlvsat\n"));
    EXPECT_THAT(saved, Not(HasSubstr("CHUTE_VESSEL"))) << "a name found to be no parachute is not kept";
}

INSTANTIATE_TEST_SUITE_P(
    Names, ChuteVesselLine,
    testing::Values(ChuteCase{"Talvek", "CHUTE_VESSEL Talvek ignored: it names this vessel, not its released parachute"},
                    ChuteCase{"Sat1", "CHUTE_VESSEL Sat1 ignored: its class is tlvsat, not the parachute's tlvchute"},
                    ChuteCase{"Nobody", "CHUTE_VESSEL Nobody ignored: no vessel has that name"}));

TEST(ChuteVessel, ReleasedParachuteSavedAndReloadedIsDeletedOnTheGround) {
    const talvek_test::ScratchDir dir("chute-vessel");
    // Touchdown and the parachute's release at 349.5 s, the parachute on the ground about 2 s later.
    auto r = talvek_test::RunSim({"run", "Talvek-descent.scn", "--until", "350", "--save", "mid.scn"}, dir.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string mid = dir.Read("mid.scn");
    ASSERT_THAT(mid, HasSubstr("  CHUTE_VESSEL TalvekChute\n"));
    ASSERT_THAT(mid, HasSubstr("\nTalvekChute:tlvchute\n"));
    r = talvek_test::RunSim({"run", "mid.scn", "--until", "10", "--events", "--save", "end.scn"}, dir.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr(" TalvekChute deleted\n"));
    EXPECT_THAT(r.err, Not(HasSubstr("ignored")));
    EXPECT_THAT(dir.Read("end.scn"), Not(HasSubstr("TalvekChute")));
}

}  // namespace
