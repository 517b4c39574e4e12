// Reading scenario text: blocks, vessel lines and the host's own vessel keys.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "sim/errors.h"
#include "sim/scenario.h"
#include "sim/text.h"

using sim::ParsedVesselState;

TEST(ScenarioText, BlocksInAnyOrderAndAnyCase) {
    const auto sc = sim::ParseScenario(
        "begin_ships\nA:Probe\n  RPOS 1 2 3\nend\nB\nEND\nend_ships\n"
        "BEGIN_ENVIRONMENT\n  System Sol\n  Date MJD 60000.25\nEND_ENVIRONMENT\n"
        "BEGIN_HUD\n  TYPE Orbit\nEND_HUD\n"
        "BEGIN_FOCUS\n  Ship A\nEND_FOCUS\n",
        "t.scn");
    ASSERT_EQ(sc.vessels.size(), 2u);
    EXPECT_EQ(sc.vessels[0].name, "A");
    EXPECT_EQ(sc.vessels[0].className, "Probe");
    ASSERT_EQ(sc.vessels[0].lines.size(), 1u);
    EXPECT_EQ(sc.vessels[0].lines[0].text, "RPOS 1 2 3");
    EXPECT_EQ(sc.vessels[0].lines[0].number, 3);
    EXPECT_EQ(sc.vessels[1].className, "B") << "a vessel line without a class names its class";
    EXPECT_EQ(*sc.mjd, 60000.25);
    EXPECT_EQ(*sc.focus, "A");
    ASSERT_EQ(sc.otherBlocks.size(), 1u);
    EXPECT_EQ(sc.otherBlocks[0].lines[0], "  TYPE Orbit") << "kept as written";
}

TEST(ScenarioText, VesselLineSplitsAtFirstColon) {
    const auto sc = sim::ParseScenario("BEGIN_SHIPS\nA:Sub:Class\nEND\nEND_SHIPS\n", "t.scn");
    EXPECT_EQ(sc.vessels[0].className, "Sub:Class");
}

struct BadScenario {
    const char* text;
    const char* expected;  // place and message
};

void PrintTo(const BadScenario& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.text)); }

class ScenarioErrors : public testing::TestWithParam<BadScenario> {};

TEST_P(ScenarioErrors, NameFileAndLine) {
    try {
        sim::ParseScenario(GetParam().text, "bad.scn");
        FAIL() << "accepted: " << GetParam().text;
    } catch (const sim::InputError& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam().expected), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScenarioErrors,
    testing::Values(BadScenario{"BEGIN_DESC\nhello\nEND_DESC\n", "bad.scn: has no BEGIN_SHIPS"},
                    BadScenario{"BEGIN_SHIPS\nA:Probe\nEND\n", "bad.scn:1: BEGIN_SHIPS has no END_SHIPS"},
                    BadScenario{"BEGIN_SHIPS\nA:Probe\n  RPOS 0 0 0\nEND_SHIPS\n", "bad.scn:2: vessel 'A' has no END"},
                    BadScenario{"RPOS 1 2 3\nBEGIN_SHIPS\nEND_SHIPS\n", "bad.scn:1: 'RPOS 1 2 3' stands outside a block"},
                    BadScenario{"BEGIN_ENVIRONMENT\n  Date 5\nEND_ENVIRONMENT\nBEGIN_SHIPS\nEND_SHIPS\n",
                                "bad.scn:2: expected 'Date MJD"},
                    BadScenario{"BEGIN_FOCUS\n  Camera A\nEND_FOCUS\nBEGIN_SHIPS\nEND_SHIPS\n",
                                "bad.scn:2: expected 'Ship <vessel name>'"},
                    BadScenario{"BEGIN_SHIPS\n:Probe\nEND\nEND_SHIPS\n", "bad.scn:2: expected a vessel line"},
                    BadScenario{"BEGIN_ENVIRONMENT\n  System Sol\n  Gravity 9\nEND_ENVIRONMENT\nBEGIN_SHIPS\nEND_SHIPS\n",
                                "bad.scn:3: 'Gravity 9' is not an environment line"},
                    BadScenario{"BEGIN_SHIPS\nEND_SHIPS\nBEGIN_CUSTOM\n  x\n", "bad.scn:3: BEGIN_CUSTOM has no END_CUSTOM"},
                    BadScenario{"BEGIN_SHIPS\nA:Probe\nEND\n\nB Two:Probe\nEND\nEND_SHIPS\n",
                                "bad.scn:5: expected a vessel line"},
                    BadScenario{"BEGIN_SHIPS\nA:Probe\nEND\nB:Probe\n  RPOS 0 0 0\nEND_SHIPS\n",
                                "bad.scn:4: vessel 'B' has no END"}));

TEST(HostKeys, ReadWhatTheyName) {
    ParsedVesselState s;
    for (const char* line : {"STATUS Landed Earth", "POS -80.5 28.25", "HEADING 90", "PRPLEVEL 0:1.000000 2:0.5",
                             "THLEVEL 1:0.25", "rpos 1 2 3", "RVEL 4 5 6", "AROT 10 20 30", "VROT 1 0 0", "ALT 3.5",
                             "XPDR 466", "CONFIGURATION 2", "PAYLOAD a b c 0 0 0 1 0 0"})
        EXPECT_EQ(sim::ParseHostKey(line, s), "") << line;
    EXPECT_TRUE(s.landed);
    EXPECT_EQ(*s.lon, -80.5);
    EXPECT_EQ(*s.lat, 28.25);
    EXPECT_EQ(*s.heading, 90);
    ASSERT_TRUE(s.prplevel);
    EXPECT_EQ(s.prplevel->size(), 2u);
    EXPECT_EQ((*s.prplevel)[1], (std::pair<int, double>{2, 0.5}));
    EXPECT_EQ(s.thlevel[0], (std::pair<int, double>{1, 0.25}));
    EXPECT_EQ(s.rpos->z, 3);
    EXPECT_EQ(s.arot->y, 20);
    EXPECT_EQ(*s.alt, 3.5);
}

struct BadKey {
    const char* line;
    const char* expected;
};

void PrintTo(const BadKey& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.line)); }

class HostKeyErrors : public testing::TestWithParam<BadKey> {};

TEST_P(HostKeyErrors, AreRefusedWithAReason) {
    ParsedVesselState s;
    const std::string err = sim::ParseHostKey(GetParam().line, s);
    EXPECT_NE(err.find(GetParam().expected), std::string::npos) << GetParam().line << " -> " << err;
    EXPECT_FALSE(s.rpos) << "a refused line changes nothing";
}

INSTANTIATE_TEST_SUITE_P(Cases, HostKeyErrors,
                         testing::Values(BadKey{"RPOS 1 2", "RPOS expects three numbers"},
                                         BadKey{"RPOS 1 2 3 4", "RPOS expects three numbers"},
                                         BadKey{"RVEL 1 x 3", "RVEL expects three numbers"},
                                         BadKey{"AROT nan 0 0", "AROT expects three numbers"},
                                         BadKey{"STATUS Orbiting Mars", "unknown reference body 'Mars'"},
                                         BadKey{"STATUS Flying Earth", "STATUS expects"},
                                         BadKey{"POS 10 95", "POS expects"},
                                         BadKey{"PRPLEVEL 0=1", "PRPLEVEL expects"},
                                         BadKey{"PRPLEVEL 0:1.5", "PRPLEVEL expects"},
                                         BadKey{"THLEVEL -1:0.5", "THLEVEL expects"},
                                         BadKey{"FUEL 2", "FUEL expects"},
                                         BadKey{"ALT high", "ALT expects"},
                                         BadKey{"XPDR channel", "XPDR expects"}));

struct FloatCase {
    double value;
    const char* text;
};

void PrintTo(const FloatCase& c, std::ostream* os) { *os << c.value << " -> " << c.text; }

class ScenarioFloats : public testing::TestWithParam<FloatCase> {};

TEST_P(ScenarioFloats, SixDecimalsTrailingZerosRemovedOneKept) {
    EXPECT_EQ(sim::ScenarioFloatText(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Cases, ScenarioFloats,
                         testing::Values(FloatCase{2, "2.0"}, FloatCase{0.25, "0.25"}, FloatCase{0, "0.0"},
                                         FloatCase{-0.0, "0.0"}, FloatCase{1.0 / 3, "0.333333"},
                                         FloatCase{-1.5, "-1.5"}, FloatCase{1e-7, "0.0"}, FloatCase{0.1f, "0.1"}));

// Fixed notation as the saves, events and telemetry write it: rounded exactly (a tie between
// two decimals goes to the even one, as printf does), a value that rounds to zero without a sign.
struct FixedCase {
    double value;
    int decimals;
    const char* text;
};

void PrintTo(const FixedCase& c, std::ostream* os) { *os << c.value << " at " << c.decimals << " -> " << c.text; }

class FixedText : public testing::TestWithParam<FixedCase> {};

TEST_P(FixedText, RoundsExactlyAndDropsTheSignOfZero) {
    const FixedCase& c = GetParam();
    EXPECT_EQ(sim::FormatFixed(c.value, c.decimals), c.text);
    std::string appended = "x,";
    sim::AppendFixed(appended, c.value, c.decimals);
    EXPECT_EQ(appended, std::string("x,") + c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FixedText,
    testing::Values(FixedCase{0, 2, "0.00"}, FixedCase{-0.0, 2, "0.00"}, FixedCase{-0.004, 2, "0.00"},
                    FixedCase{-0.005, 2, "-0.01"}, FixedCase{0.125, 2, "0.12"}, FixedCase{0.375, 2, "0.38"},
                    FixedCase{-0.125, 2, "-0.12"}, FixedCase{2.5, 0, "2"}, FixedCase{3.5, 0, "4"},
                    FixedCase{0.1, 3, "0.100"}, FixedCase{1.0 / 3, 6, "0.333333"},
                    FixedCase{6371010.0, 3, "6371010.000"}, FixedCase{1e20, 1, "100000000000000000000.0"},
                    FixedCase{-1234567.8915, 3, "-1234567.891"}, FixedCase{5e-324, 7, "0.0000000"},
                    FixedCase{1e300, 0, "1000000000000000052504760255204420248704468581108159154915854115511802457988908195786371375080447864043704443832883878176942523235360430575644792184786706982848387200926575803737830233794788090059368953234970799945081119038967640880074652742780142494579258788820056842838115669472196386865459400540160"}));

// Every reader takes a number as strtod does: the whole word, exactly rounded, finite; a word
// refused leaves the value as it was.
class DoubleWords : public testing::TestWithParam<const char*> {};

TEST_P(DoubleWords, ReadAsStrtodReadsThem) {
    const std::string word = GetParam();
    char* end = nullptr;
    const double expected = std::strtod(word.c_str(), &end);
    const bool accepted = !word.empty() && end == word.c_str() + word.size() && std::isfinite(expected);
    double value = 12345;
    EXPECT_EQ(sim::ParseDouble(word, value), accepted);
    if (accepted)
        EXPECT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << value << " (bit for bit, the sign of 0 too)";
    else
        EXPECT_EQ(value, 12345);
}

INSTANTIATE_TEST_SUITE_P(Cases, DoubleWords,
                         testing::Values("1.5", "+1.5", "-0", "0", "-2.5e-3", "1.", ".5", "0x1p3", "1e400", "-1e400",
                                         "1e-400", "4.9e-324", "2.2250738585072011e-308",
                                         "0.1000000000000000055511151231257827", "123456789012345678901234567890",
                                         "6771010.000", "inf", "nan", "1e", " 1", "1 ", "", "-", "1,5"));

TEST(ScenarioLines, TwoSpacesKeySpaceValue) {
    EXPECT_EQ(sim::ScenarioLineText("CONFIGURATION", "0"), "  CONFIGURATION 0\n");
}
