// Payload and stage lines: the grammar, routing to OnMessage, and saving the table back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

#include "carrier/internal/payload_fields.h"
#include "carrier/internal/test_access.h"
#include "module_fixture.h"
#include "sim/file_handles.h"

using testing::ElementsAre;
using testing::HasSubstr;

namespace {


// "kind parent name" of every attached slot, then "open <currentStage>".
std::vector<std::string> Table(const PayloadCarrier& c) {
    std::vector<std::string> rows;
    for (const PayloadSlot& s : c.PayloadTable())
        if (s.attached) rows.push_back(std::to_string(s.kind) + " " + std::to_string(s.parentStage) + " " + s.vesselName);
    rows.push_back("open " + std::to_string(PayloadCarrierTestAccess::OpenStage(c)));
    return rows;
}

struct GrammarCase {
    std::vector<std::string> lines;
    std::vector<std::string> table;
    std::vector<std::string> toOnMessage;  // names that reached OnMessage
};

void PrintTo(const GrammarCase& c, std::ostream* os) { *os << testing::PrintToString(c.lines); }

class PayloadGrammar : public ModuleTest, public testing::WithParamInterface<GrammarCase> {};

const std::string FIELDS = " m tlvorbit 1 2 3 4 5 0.5";

}  // namespace

TEST_P(PayloadGrammar, BuildsTheTable) {
    testing::internal::CaptureStderr();
    Recording t(record->Handle());
    for (const auto& line : GetParam().lines) t.HandleScenarioLine(line.c_str());
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(Table(t), GetParam().table);
    std::vector<std::string> names;
    for (const auto& m : t.messages) names.push_back(m.first);
    EXPECT_EQ(names, GetParam().toOnMessage);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PayloadGrammar,
    testing::Values(
        GrammarCase{{"PAYLOAD a" + FIELDS}, {"0 -1 a", "open -1"}, {}},
        GrammarCase{{"STAGE s" + FIELDS, "PAYLOAD p" + FIELDS, "ENDSTAGE", "PAYLOAD q" + FIELDS},
                    {"1 -1 s", "0 0 p", "0 -1 q", "open -1"}, {}},
        GrammarCase{{"STAGE s" + FIELDS, "STAGE t" + FIELDS, "PAYLOAD p" + FIELDS, "ENDDRV", "ENDSTAGE trailing words",
                     "PAYLOAD q" + FIELDS},
                    {"1 -1 s", "1 0 t", "0 1 p", "0 -1 q", "open -1"}, {}},
        GrammarCase{{"STAGE s" + FIELDS, "PAYLOAD p" + FIELDS}, {"1 -1 s", "0 0 p", "open 0"}, {}},
        GrammarCase{{"ENDSTAGE"}, {"open -1"}, {}},
        GrammarCase{{"PAYLOAD\ta" + FIELDS}, {"open -1"}, {}},
        GrammarCase{{"payload a" + FIELDS}, {"open -1"}, {"payload"}},
        GrammarCase{{"PAYLOADS a" + FIELDS}, {"open -1"}, {"PAYLOADS"}},
        GrammarCase{{"  \tPAYLOAD a" + FIELDS}, {"0 -1 a", "open -1"}, {}},
        GrammarCase{{"CONFIGURATION 1", "", "   "}, {"open -1"}, {"CONFIGURATION"}},
        GrammarCase{{"PAYLOAD a m c nan 0 0 1 0 0", "PAYLOAD b m c 0 0 0 inf 0 0", "PAYLOAD c m c 0 0 0 1 0 1e999"},
                    {"open -1"}, {}},
        // A stage line not taken takes its nested lines and its ENDSTAGE with it: the stage open
        // around it keeps what follows.
        GrammarCase{{"STAGE s" + FIELDS, "STAGE bad m c nan 0 0 1 0 0", "PAYLOAD in" + FIELDS, "ENDSTAGE",
                     "PAYLOAD p" + FIELDS, "ENDSTAGE", "PAYLOAD q" + FIELDS},
                    {"1 -1 s", "0 0 p", "0 -1 q", "open -1"}, {}},
        GrammarCase{{"STAGE s" + FIELDS, "STAGE out m ../c 0 0 1 1 0 0", "STAGE deeper" + FIELDS, "ENDSTAGE", "ENDSTAGE",
                     "PAYLOAD p" + FIELDS, "ENDSTAGE"},
                    {"1 -1 s", "0 0 p", "open -1"}, {}}));

TEST_F(ModuleTest, PayloadLineFieldsAndSeparationVelocity) {
    TalvekVessel t(record->Handle());
    t.HandleScenarioLine("PAYLOAD Sat1 tlvdrogue tlvorbit 1 0 0 250.5 90 0.25");
    const PayloadSlot& s = t.PayloadTable()[0];
    EXPECT_STREQ(s.vesselName, "Sat1");
    EXPECT_STREQ(s.className, "tlvorbit");
    EXPECT_EQ(s.mesh.meshName, "tlvdrogue");
    EXPECT_EQ(s.mesh.meshHandle, oapiLoadMesh("tlvdrogue"));
    EXPECT_EQ(s.mesh.position.x, 1);
    EXPECT_EQ(s.mass, 250.5);
    EXPECT_EQ(s.rotation, 90);
    EXPECT_EQ(s.fuelLevel, 0.25);
    EXPECT_EQ(s.releaseVelocity.x, 2);
    EXPECT_TRUE(record->def.meshes.empty()) << "a line adds no mesh";
}

namespace {
struct SeparationCase {
    VECTOR3 position, velocity;
};
void PrintTo(const SeparationCase& c, std::ostream* os) {
    *os << "(" << c.position.x << ", " << c.position.y << ", " << c.position.z << ")";
}
class Separation : public testing::TestWithParam<SeparationCase> {};
}  // namespace

TEST_P(Separation, VelocityFromPosition) {
    const VECTOR3 v = SeparationVelocity(GetParam().position);
    EXPECT_NEAR(v.x, GetParam().velocity.x, 1e-12);
    EXPECT_NEAR(v.y, GetParam().velocity.y, 1e-12);
    EXPECT_NEAR(v.z, GetParam().velocity.z, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Cases, Separation,
                         testing::Values(SeparationCase{{0, 0, -4}, {0, 0, 0.5}}, SeparationCase{{1, 0, 0}, {2, 0, 0}},
                                         SeparationCase{{0, -3, 0}, {0, -2, 0}},
                                         SeparationCase{{0.005, 0, 0}, {0, 0, 0.5}},
                                         SeparationCase{{0, 0, 0}, {0, 0, 0.5}},
                                         SeparationCase{{0.1, 0, 1}, {0, 0, 0.5}},  // within 8.1 degrees of z
                                         SeparationCase{{0.2, 0, 1}, {2, 0, 0}},
                                         SeparationCase{{3, 4, 10}, {1.2, 1.6, 0}}));

TEST_F(ModuleTest, ShortLineLeavesNoStaleData) {
    TalvekVessel t(record->Handle());
    t.HandleScenarioLine("PAYLOAD old oldmesh oldclass 1 2 3 400 90 1");
    PayloadCarrierTestAccess::Slot(t, 0).attached = false;  // released
    testing::internal::CaptureStderr();
    t.HandleScenarioLine("PAYLOAD new");
    testing::internal::GetCapturedStderr();
    const PayloadSlot& s = t.PayloadTable()[0];
    EXPECT_TRUE(s.attached);
    EXPECT_STREQ(s.vesselName, "new");
    EXPECT_STREQ(s.className, "");
    EXPECT_EQ(s.mesh.meshName, "");
    EXPECT_EQ(s.mesh.meshHandle, nullptr);
    EXPECT_EQ(s.mesh.position.x, 0);
    EXPECT_EQ(s.mass, 0);
    EXPECT_EQ(s.rotation, 0);
    EXPECT_EQ(s.fuelLevel, 0);
}

TEST_F(ModuleTest, OverlongWordsAreCutWithoutShiftingTheFields) {
    TalvekVessel t(record->Handle());
    const std::string longName(300, 'n');
    t.HandleScenarioLine(("PAYLOAD " + longName + " tlvdrogue tlvorbit 0 0 2 10 0 0").c_str());
    const PayloadSlot& s = t.PayloadTable()[0];
    EXPECT_EQ(std::string(s.vesselName), std::string(127, 'n'));
    EXPECT_EQ(s.mesh.meshName, "tlvdrogue");
    EXPECT_STREQ(s.className, "tlvorbit");
    EXPECT_EQ(s.mass, 10);
}

TEST_F(ModuleTest, FiftySlotsAtMost) {
    TalvekVessel t(record->Handle());
    t.HandleScenarioLine(("STAGE s" + FIELDS).c_str());
    for (int i = 1; i < 51; ++i) t.HandleScenarioLine(("PAYLOAD p" + std::to_string(i) + FIELDS).c_str());
    EXPECT_TRUE(t.PayloadTable()[49].attached);
    EXPECT_STREQ(t.PayloadTable()[49].vesselName, "p49");
    t.HandleScenarioLine("ENDSTAGE");
    EXPECT_EQ(PayloadCarrierTestAccess::OpenStage(t), 0) << "with all 50 slots attached even ENDSTAGE is ignored";
    PayloadCarrierTestAccess::Slot(t, 49).attached = false;
    t.HandleScenarioLine(("PAYLOAD again" + FIELDS).c_str());
    EXPECT_STREQ(t.PayloadTable()[49].vesselName, "again") << "a freed last slot is filled again";
}

TEST_F(ModuleTest, DispatchCutsNameAndTextForOnMessageButNotForTheParser) {
    Recording t(record->Handle());
    const std::string name(200, 'x');
    const std::string text(3000, 't');
    EXPECT_TRUE(t.DispatchMessage(name.c_str(), text.c_str()));
    ASSERT_EQ(t.messages.size(), 1u);
    EXPECT_EQ(t.messages[0].first.size(), 127u);
    EXPECT_EQ(t.messages[0].second.size(), 2047u);
    // A payload line longer than 2047 characters still reaches the parser whole (it cuts to 511).
    const std::string line = "PAYLOAD big tlvdrogue tlvorbit 0 0 1 5 0 0 " + std::string(2500, ' ') + "ignored";
    EXPECT_TRUE(t.DispatchMessage("PAYLOAD", line.c_str()));
    EXPECT_STREQ(t.PayloadTable()[0].vesselName, "big");
    EXPECT_EQ(t.messages.size(), 1u);
}

namespace {
std::string Saved(TalvekVessel& t) {
    sim::ScenarioWriter out;
    t.SavePayloadLines(&out);
    return out.text;
}
}  // namespace

TEST_F(ModuleTest, SavedLinesReadBackToTheSameNestedTable) {
    // Several levels close at once, an empty stage with a slot after it at its own level.
    const std::vector<std::string> lines = {
        "STAGE A m c 0 0 1 10 0 0",  "STAGE B m c 0 0 2 10 0 0", "STAGE C m c 0 0 3 10 0 0",
        "PAYLOAD p m c 1 0 0 1 0 0", "ENDSTAGE",                  "ENDSTAGE",
        "ENDSTAGE",                  "STAGE E m c 0 1 0 1 0 0",   "ENDSTAGE",
        "PAYLOAD q m c 0 -1.005 0 2.5 45 0.333",
    };
    testing::internal::CaptureStderr();
    TalvekVessel first(record->Handle());
    for (const auto& l : lines) first.HandleScenarioLine(l.c_str());
    const std::string saved = Saved(first);
    EXPECT_EQ(saved,
              "  STAGE A m c 0.00 0.00 1.00 10.00 0.00 0.00\n"
              "  STAGE B m c 0.00 0.00 2.00 10.00 0.00 0.00\n"
              "  STAGE C m c 0.00 0.00 3.00 10.00 0.00 0.00\n"
              "  PAYLOAD p m c 1.00 0.00 0.00 1.00 0.00 0.00\n"
              "  ENDSTAGE \n  ENDSTAGE \n  ENDSTAGE \n"
              "  STAGE E m c 0.00 1.00 0.00 1.00 0.00 0.00\n"
              "  ENDSTAGE \n"
              "  PAYLOAD q m c 0.00 -1.005 0.00 2.50 45.00 0.333\n")
        << "two decimals where they give the value back, else every digit it needs";

    TalvekVessel second(record->Handle());
    std::istringstream in(saved);
    for (std::string l; std::getline(in, l);) second.HandleScenarioLine(l.c_str());
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(Table(second), Table(first));
    EXPECT_EQ(Saved(second), saved);
    EXPECT_EQ(second.PayloadTable()[5].releaseVelocity.y, -2) << "recomputed from the rounded position";
}

TEST_F(ModuleTest, OldStyleFilesReadAsBefore) {
    testing::internal::CaptureStderr();
    TalvekVessel t(record->Handle());
    for (const char* l : {"STAGE A m c 0 0 1 1 0 0", "STAGE B m c 0 0 2 1 0 0", "PAYLOAD p m c 0 0 3 1 0 0", "ENDSTAGE",
                          "PAYLOAD q m c 0 0 4 1 0 0"})
        t.HandleScenarioLine(l);
    testing::internal::GetCapturedStderr();
    EXPECT_THAT(Table(t), ElementsAre("1 -1 A", "1 0 B", "0 1 p", "0 0 q", "open 0"));
}

// A table saved and read again holds what it held, field for field, whatever the line gave.
class LineRoundTrip : public ModuleTest, public testing::WithParamInterface<const char*> {};

TEST_P(LineRoundTrip, SavedLineReadsBackToTheSameSlot) {
    testing::internal::CaptureStderr();
    TalvekVessel first(record->Handle());
    first.HandleScenarioLine(GetParam());
    ASSERT_TRUE(first.PayloadTable()[0].attached);
    const std::string saved = Saved(first);
    TalvekVessel second(record->Handle());
    std::istringstream in(saved);
    for (std::string l; std::getline(in, l);) second.HandleScenarioLine(l.c_str());
    testing::internal::GetCapturedStderr();
    const PayloadSlot& a = first.PayloadTable()[0];
    const PayloadSlot& b = second.PayloadTable()[0];
    EXPECT_STREQ(b.vesselName, a.vesselName) << saved;
    EXPECT_EQ(b.mesh.meshName, a.mesh.meshName) << saved;
    EXPECT_STREQ(b.className, a.className) << saved;
    EXPECT_EQ(b.mesh.position.x, a.mesh.position.x);
    EXPECT_EQ(b.mesh.position.y, a.mesh.position.y);
    EXPECT_EQ(b.mesh.position.z, a.mesh.position.z);
    EXPECT_EQ(b.mass, a.mass);
    EXPECT_EQ(b.rotation, a.rotation);
    EXPECT_EQ(b.fuelLevel, a.fuelLevel) << saved;
    EXPECT_EQ(Saved(second), saved);
}

INSTANTIATE_TEST_SUITE_P(Lines, LineRoundTrip,
                         testing::Values("PAYLOAD Short", "PAYLOAD NoClass tlvsat", "STAGE S m c 0 0 1 2 3 0.333",
                                         "PAYLOAD Big m c 1e300 -1e300 0 1e300 0 1",
                                         "PAYLOAD Far m c 9999.995 -10000 1e-300 999999999.995 -1e300 0.995",
                                         "PAYLOAD Tiny m c 1e-300 0.1 0.7 3.14159 -0.005 0.999999999"));

// What a payload line loses reaches the host's log, naming the carrier and the line.
struct LostCase {
    std::string line;
    std::string logged;  // expected in the one log line
};

class LostInLine : public ModuleTest, public testing::WithParamInterface<LostCase> {};

TEST_P(LostInLine, IsReportedInTheHostsLog) {
    testing::internal::CaptureStderr();
    TalvekVessel t(record->Handle());
    world->log.clear();
    t.HandleScenarioLine(GetParam().line.c_str());
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(world->log.size(), 1u);
    EXPECT_THAT(world->log[0], testing::StartsWith("T: payload line "));
    EXPECT_THAT(world->log[0], testing::HasSubstr(GetParam().logged));
}

INSTANTIATE_TEST_SUITE_P(
    Losses, LostInLine,
    testing::Values(LostCase{"PAYLOAD n m c nan 0 0 1 0 0", "ignored, a number in it is not finite"},
                    LostCase{"PAYLOAD " + std::string(130, 'N') + " m c 0 0 0 1 0 0", "has a name cut to 127"},
                    LostCase{"PAYLOAD long m c 0 0 0 1 0 0 " + std::string(600, 'x'), "cut to 511 characters"},
                    // Numbers that do not read whole: the line is kept as the scan reads it, and said so.
                    LostCase{"PAYLOAD n m c 0 0 0 3x50 0 1", "has the mass '3x50', read as 3; the fields after it read as 0"},
                    LostCase{"PAYLOAD n m c 0 zero 0 1 0 1",
                             "has 'zero' where the y position belongs; it and the fields after it read as 0"},
                    LostCase{"PAYLOAD n m c 0 0 0 250 0", "has no fuel level; read as 0"},
                    LostCase{"STAGE s m c", "has no x position and later fields; read as 0"},
                    // Numbers no vessel may hold are held to what it may: nothing the carrier
                    // releases or weighs lies beyond what a host reads back.
                    LostCase{"PAYLOAD n m c 1e13 0 0 1 0 1", "has the x position 1e+13, outside -10000..10000 m; read as 10000"},
                    LostCase{"PAYLOAD n m c 0 -1e308 0 1 0 1",
                             "has the y position -1e+308, outside -10000..10000 m; read as -10000"},
                    LostCase{"PAYLOAD n m c 0 0 10000.5 1 0 1", "has the z position 10000.5, outside -10000..10000 m; read as 10000"},
                    LostCase{"PAYLOAD n m c 0 0 0 1e308 0 1", "has the mass 1e+308, outside 0..1e9 kg; read as 1e+09"},
                    LostCase{"PAYLOAD n m c 0 0 0 -250 0 1", "has the mass -250, outside 0..1e9 kg; read as 0"},
                    LostCase{"PAYLOAD n m c 0 0 0 250 0 1.5", "has the fuel level 1.5, outside 0..1; read as 1"},
                    LostCase{"PAYLOAD n m c 0 0 0 250 0 -0.5", "has the fuel level -0.5, outside 0..1; read as 0"}));

// A line's mesh and class name files in the host's Meshes and class folders, sub-folders included:
// a line whose name leads out of them is not taken, nothing is loaded for it, and the log says so.
struct FolderCase {
    std::string line;
    bool taken;
    std::string logged;  // the log line after "T: payload line ", when not taken
};
void PrintTo(const FolderCase& c, std::ostream* os) { *os << testing::PrintToString(c.line); }

class PayloadNames : public ModuleTest, public testing::WithParamInterface<FolderCase> {};

TEST_P(PayloadNames, StayInTheirFolders) {
    testing::internal::CaptureStderr();
    TalvekVessel t(record->Handle());
    world->log.clear();
    world->trace.clear();
    t.HandleScenarioLine(GetParam().line.c_str());
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(t.PayloadTable()[0].attached, GetParam().taken);
    bool loaded = false;
    for (const auto& c : Calls()) loaded |= c.rfind("oapiLoadMesh(", 0) == 0;
    EXPECT_EQ(loaded, GetParam().taken) << "a mesh is loaded only for a line that is taken";
    if (GetParam().taken) {
        EXPECT_TRUE(world->log.empty());
        return;
    }
    ASSERT_EQ(world->log.size(), 1u);
    EXPECT_EQ(world->log[0], "T: payload line " + GetParam().logged);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, PayloadNames,
    testing::Values(
        FolderCase{"PAYLOAD A Sub\\tlvsat Sub/tlvsat 0 0 1 2 0 1", true, ""},
        FolderCase{"PAYLOAD A - - 0 0 1 2 0 1", true, ""},
        FolderCase{"PAYLOAD A ../../x/evil tlvsat 0 0 1 2 0 1", false,
                   "ignored, its mesh name '../../x/evil' is not a name within its folder: A ../../x/evil tlvsat 0 0 1 2 0 1"},
        FolderCase{"STAGE S tlvsat ..\\..\\x\\evil 0 0 1 2 0 1", false,
                   "ignored, its class name '..\\..\\x\\evil' is not a name within its folder: S tlvsat "
                   "..\\..\\x\\evil 0 0 1 2 0 1"},
        FolderCase{"PAYLOAD A /tmp/evil tlvsat", false,
                   "ignored, its mesh name '/tmp/evil' is not a name within its folder: A /tmp/evil tlvsat"},
        FolderCase{"PAYLOAD A \\\\server\\evil tlvsat", false,
                   "ignored, its mesh name '\\\\server\\evil' is not a name within its folder: A \\\\server\\evil tlvsat"},
        FolderCase{"PAYLOAD A tlvsat C:evil 0 0 1", false,
                   "ignored, its class name 'C:evil' is not a name within its folder: A tlvsat C:evil 0 0 1"},
        FolderCase{"PAYLOAD A tlvsat sub/... 0 0 1", false,
                   "ignored, its class name 'sub/...' is not a name within its folder: A tlvsat sub/... 0 0 1"},
        FolderCase{"PAYLOAD A tlv\x01sat tlvsat", false,
                   "ignored, its mesh name 'tlv\x01sat' is not a name within its folder: A tlv\x01sat tlvsat"}));

// The host's log takes its text as a printf format: the carrier writes each '%' as "%%", so that
// a name or line holding '%' is logged as it stands.
TEST_F(ModuleTest, LogTextWithPercentSignsIsLoggedAsItStands) {
    TalvekVessel t(record->Handle());
    world->log.clear();
    testing::internal::CaptureStderr();
    t.HandleScenarioLine("PAYLAOD %s %n 100%");
    t.HandleScenarioLine("PAYLOAD %s%n %d%% 100% 0 0 1 2 0");
    testing::internal::GetCapturedStderr();
    EXPECT_THAT(world->log,
                ElementsAre("T: scenario line ignored, 'PAYLAOD' is not a key; did you mean PAYLOAD?: PAYLAOD %s %n 100%",
                            "T: payload line has no fuel level; read as 0: %s%n %d%% 100% 0 0 1 2 0"));
    EXPECT_EQ(world->ModuleFaults(), 0);
}

TEST_F(ModuleTest, LinesAfterTheFiftiethAreReportedOneByOne) {
    testing::internal::CaptureStderr();
    TalvekVessel t(record->Handle());
    world->log.clear();
    for (int i = 0; i < 52; ++i) t.HandleScenarioLine(("PAYLOAD p" + std::to_string(i) + FIELDS).c_str());
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(world->log.size(), 2u);
    EXPECT_THAT(world->log[0], testing::HasSubstr("dropped, all 50 slots are taken: PAYLOAD p50 "));
    EXPECT_THAT(world->log[1], testing::HasSubstr("PAYLOAD p51 "));
}

// Numbers are read exactly as the C library's scan "%lf" reads them, its partial reads included:
// the slot holds the same fields, bit for bit, whatever the line gives, each number then held to
// the range a line may hold (positions within 10 km, masses within 0..1e9 kg, fuel levels 0..1).
namespace {
constexpr const char* SCAN_FORMAT = "%127s %127s %127s %lf %lf %lf %lf %lf %lf";
constexpr double ANY = std::numeric_limits<double>::infinity();
constexpr double LINE_LO[6] = {-1e4, -1e4, -1e4, 0, -ANY, 0};
constexpr double LINE_HI[6] = {1e4, 1e4, 1e4, 1e9, ANY, 1};

void ExpectReadAsTheScanReads(OBJHANDLE vessel, const std::string& fields) {
    char names[3][128] = {};
    double n[6] = {0, 0, 0, 0, 0, 0};
    std::sscanf(fields.c_str(), SCAN_FORMAT, names[0], names[1], names[2], &n[0], &n[1], &n[2], &n[3], &n[4], &n[5]);
    TalvekVessel t(vessel);
    t.ParsePayloadLine(("PAYLOAD " + fields).c_str());
    const PayloadSlot& s = t.PayloadTable()[0];
    if (!std::all_of(std::begin(n), std::end(n), [](double v) { return std::isfinite(v); })) {
        EXPECT_FALSE(s.attached) << fields;
        return;
    }
    ASSERT_TRUE(s.attached) << fields;
    for (char* name : names)
        if (std::strcmp(name, "-") == 0) name[0] = '\0';
    EXPECT_STREQ(s.vesselName, names[0]) << fields;
    EXPECT_EQ(s.mesh.meshName, names[1]) << fields;
    EXPECT_STREQ(s.className, names[2]) << fields;
    const double read[6] = {s.mesh.position.x, s.mesh.position.y, s.mesh.position.z, s.mass, s.rotation, s.fuelLevel};
    for (int i = 0; i < 6; ++i) {
        const double held = n[i] < LINE_LO[i] ? LINE_LO[i] : n[i] > LINE_HI[i] ? LINE_HI[i] : n[i];
        EXPECT_EQ(std::memcmp(&read[i], &held, sizeof(double)), 0)
            << fields << ": number " << i << " read " << read[i] << ", the scan reads " << n[i];
    }
}

class ReadAsScanned : public ModuleTest, public testing::WithParamInterface<std::string> {};
}  // namespace

TEST_P(ReadAsScanned, SameFieldsAsTheScan) {
    testing::internal::CaptureStderr();
    ExpectReadAsTheScanReads(record->Handle(), GetParam());
    testing::internal::GetCapturedStderr();
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, ReadAsScanned,
    testing::Values(
        // plain forms
        "a m c 1 2 3 4 5 0.5", "a m c +1 -2 .5 5. -.25 +.75", "a m c 1e3 1E-3 -1e+2 2.5e0 .5e1 5.e-1",
        "a m c -0 -0.0 +0 0.000 00012 -00.5", "\ta\tm\tc\t1\t2\t3\t4\t5\t6\t", "a m c 1 2 3 4 5 6 extra words 7",
        // many digits, halfway cases, subnormals and the ends of the range
        "a m c 0.1000000000000000055511151231257827021181583404541015625 123456789012345678901234567890 "
        "9007199254740993 2.2250738585072011e-308 4.9e-324 2.4703282292062328e-324",
        "a m c 1.7976931348623157e308 1.7976931348623158e308 -1e-320 1e-400 1e400 -1e400",
        "a m c 1.00000000000000011102230246251565404236316680908203125 0 0 0 0 0",
        // partial reads, words where numbers belong, other notations
        "a m c 3x50 2 3 4 5 6", "a m c 1 2 3 3x50 5 6", "a m c 1e 2 3 4 5 6", "a m c 1e+ 2 3 4 5 6",
        "a m c 1.5.3 2 3 4 5 6", "a m c - 2 3 4 5 6", "a m c + 2 3 4 5 6", "a m c . 2 3 4 5 6", "a m c --1 2 3 4 5 6",
        "a m c +-1 2 3 4 5 6", "a m c 1,5 2 3 4 5 6", "a m c 0x1p3 0x10 0X1.8P-1 0x 0x.8 0xg",
        "a m c inf 2 3 4 5 6", "a m c 1 2 3 4 5 nan", "a m c INFINITY nan(1) 3 4 5 6", "a m c 1 2 3 4 5 six",
        "a m c 1 2 3 4 5 6e", "a m c 1 2 3 4 5 0.5x", "a m c 1 2 3", "a m c", "a m", "", "- - - 1 2 3 4 5 6",
        "a m c 1 2 3 4 5\v6", "a m c 1 2 3 4 5 6\r"));

TEST_F(ModuleTest, GeneratedNumbersReadAsTheScanReads) {
    testing::internal::CaptureStderr();
    std::mt19937_64 random(20261210);
    std::uniform_real_distribution<double> exponent(-330, 330);
    std::uniform_int_distribution<int> form(0, 5);
    auto text = [&]() {
        const double v = (random() & 1 ? -1 : 1) * std::pow(10.0, exponent(random)) * (1 + (random() % 1000) / 1000.0);
        char s[64];
        switch (form(random)) {
            case 0: std::snprintf(s, sizeof s, "%.17g", v); break;
            case 1: std::snprintf(s, sizeof s, "%.3f", std::fmod(v, 1e9)); break;
            case 2: std::snprintf(s, sizeof s, "%e", v); break;
            case 3: std::snprintf(s, sizeof s, "%.2f", static_cast<double>(random() % 100000) / 100.0); break;
            case 4: std::snprintf(s, sizeof s, "%a", v); break;
            default: std::snprintf(s, sizeof s, "%.25g", v); break;
        }
        return std::string(s);
    };
    for (int line = 0; line < 2000; ++line) {
        std::string fields = "v m c";
        for (int i = 0; i < 6; ++i) fields += " " + text();
        ExpectReadAsTheScanReads(record->Handle(), fields);
    }
    testing::internal::GetCapturedStderr();
}

// Numbers are saved as "%.2f" writes them where that reads back exactly and fits in 24
// characters, else in the shortest form that reads back exactly.
TEST_F(ModuleTest, NumbersSavedAsPrintfWritesThem) {
    auto expected = [](double v) {
        char s[64];
        std::snprintf(s, sizeof s, "%.2f", v);
        if (std::strlen(s) <= 24 && std::strtod(s, nullptr) == v) return std::string(s);
        *std::to_chars(s, s + sizeof s - 1, v).ptr = '\0';
        return std::string(s);
    };
    std::vector<double> values = {0.0, -0.0, 0.005, 0.015, 0.125, 2.675, -0.001, 1.005, 0.1, 1.0 / 3, 100, 1e20,
                                  99999999999999991611392.0, 1e21, 1e22, 123456789012345678.0, 1e300, -1e-300, 4.9e-324,
                                  1.7976931348623157e308, HUGE_VAL, -HUGE_VAL, std::nan(""), -std::nan(""),
                                  9999999999999.99, -9999999999999.99, 1e13, 1e13 + 0.5, 4503599627370495.5, -0.125,
                                  0.285, 1.115, 1e-5, -1e-5, 5e-3, 0.01, -0.01, 1234567.89, 8.0e12 + 0.01};
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> exponent(-30, 30);
    for (int i = 0; i < 3000; ++i) {
        values.push_back(static_cast<double>(static_cast<std::int64_t>(random() % 2000001) - 1000000) / 100.0);
        values.push_back((random() & 1 ? -1 : 1) * std::pow(10.0, exponent(random)));
        values.push_back(static_cast<double>(static_cast<std::int64_t>(random() % 2000000000000000) - 1000000000000000) / 100.0);
    }
    PayloadSlot slot;
    for (double v : values) {
        slot.mass = v;
        const std::string line = FormatPayloadLine(slot, VECTOR3{v, 0, 0}).Fields();
        EXPECT_EQ(line, "- - - " + expected(v) + " 0.00 0.00 " + expected(v) + " 0.00 0.00") << v;
    }
}

// Every field of the line table is written and read back through the slot member it names: a
// slot whose fields all differ reads back from its line with each field where it was.
TEST_F(ModuleTest, EveryFieldOfTheTableRoundTripsThroughALine) {
    PayloadSlot written;
    written.kind = PAYLOAD_KIND_STAGE;
    std::vector<std::string> names;
    for (int f = 0; f < PAYLOAD_FIELD_COUNT; ++f) {
        const PayloadField& field = PAYLOAD_FIELDS[f];
        PayloadFieldValue value;
        names.push_back("field" + std::to_string(f));
        if (field.kind == PayloadFieldKind::Name)
            value.name = names.back();
        else
            value.number = field.range ? field.lo + (field.hi - field.lo) * (f + 1) / (PAYLOAD_FIELD_COUNT + 1) : f + 0.25;
        field.store(written, value);
    }
    const PayloadLine line = FormatPayloadLine(written, written.mesh.position);
    testing::internal::CaptureStderr();
    TalvekVessel t(record->Handle());
    world->log.clear();
    t.ParsePayloadLine(line.text.c_str());
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(world->log.empty()) << line.text;
    const PayloadSlot& read = t.PayloadTable()[0];
    ASSERT_TRUE(read.attached) << line.text;
    EXPECT_EQ(read.kind, PAYLOAD_KIND_STAGE);
    for (int f = 0; f < PAYLOAD_FIELD_COUNT; ++f) {
        const PayloadField& field = PAYLOAD_FIELDS[f];
        const PayloadFieldValue a = field.load(written, written.mesh.position);
        const PayloadFieldValue b = field.load(read, read.mesh.position);
        EXPECT_EQ(b.name, a.name) << field.name << " in " << line.text;
        EXPECT_EQ(b.number, a.number) << field.name << " in " << line.text;
    }
}

// A message named by a payload key is read as the line its text holds: the text's own keyword
// decides, a closing keyword counting by its first letters.
struct MessageCase {
    std::vector<std::pair<std::string, std::string>> messages;  // name, text
    std::vector<std::string> table;
    std::vector<std::string> toOnMessage;
};
void PrintTo(const MessageCase& c, std::ostream* os) { *os << testing::PrintToString(c.messages); }

class PayloadMessages : public ModuleTest, public testing::WithParamInterface<MessageCase> {};

TEST_P(PayloadMessages, ReachTheTableByTheirText) {
    testing::internal::CaptureStderr();
    Recording t(record->Handle());
    for (const auto& [name, text] : GetParam().messages) t.DispatchMessage(name.c_str(), text.c_str());
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(Table(t), GetParam().table);
    std::vector<std::string> names;
    for (const auto& m : t.messages) names.push_back(m.first);
    EXPECT_EQ(names, GetParam().toOnMessage);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PayloadMessages,
    testing::Values(
        MessageCase{{{"STAGE", "STAGE s" + FIELDS}, {"PAYLOAD", "ENDSTAGEX"}, {"ENDSTAGE", "PAYLOAD p" + FIELDS}},
                    {"1 -1 s", "0 -1 p", "open -1"},
                    {}},
        MessageCase{{{"STAGE", "STAGE s" + FIELDS}, {"ENDDRV", "ENDDRVfoo"}, {"PAYLOAD", "PAYLOAD p" + FIELDS}},
                    {"1 -1 s", "0 -1 p", "open -1"},
                    {}},
        MessageCase{{{"PAYLOAD", "PAYLOAD\tp" + FIELDS}, {"PAYLOAD", "PAYLOADS p" + FIELDS}, {"PAYLOAD", ""}},
                    {"open -1"},
                    {}},
        MessageCase{{{"payload", "PAYLOAD p" + FIELDS}, {"PAYLOADX", "PAYLOAD q" + FIELDS}},
                    {"open -1"},
                    {"payload", "PAYLOADX"}}));
