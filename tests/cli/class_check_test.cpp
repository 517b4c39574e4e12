// The class files checked before the first frame: a mistake in a class that the scenario or
// its payload lines name stops the run at once, one in any other class is a warning.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "test_support.h"

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;

namespace {

// A file under the root with one text replaced (added at the end when the old text is empty).
void Edit(const talvek_test::TempRoot& root, const std::string& relative, const std::string& from,
          const std::string& to) {
    const fs::path path = root.Path() / relative;
    std::string text = fs::exists(path) ? talvek_test::ReadFile(path) : std::string();
    if (from.empty()) text += to;
    else {
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from << " in " << relative;
        text.replace(at, from.size(), to);
    }
    fs::remove(path);
    root.Write(relative, text);
}

struct ClassCase {
    const char* name;
    const char* file;  // under the root
    const char* from;  // "" adds the text at the end (a new file when there is none)
    const char* to;
    const char* scenario;  // in the build root's Scenarios; Talvek-deorbit carries a tlvsat payload
    int status;             // without --strict
    int strictStatus;
    const char* message;  // on standard error; "" when nothing is said
};

const ClassCase CLASS_CASES[] = {
    {"payload_class_key_typo", "Config/Vessels/tlvsat.cfg", "Mass = 200", "Mas = 200", "Talvek-deorbit.scn", 2, 2,
     "tlvsat.cfg:5: 'mas' is not a class key; did you mean 'Mass'?"},
    {"payload_class_negative_mass", "Config/Vessels/tlvsat.cfg", "Mass = 200", "Mass = -200", "Talvek-deorbit.scn", 2,
     2, "tlvsat.cfg:5: 'mass' value -200 is out of range (0..1e9 kg)"},
    {"payload_class_negative_inertia", "Config/Vessels/tlvsat.cfg", "Inertia = 0.5", "Inertia = -0.5",
     "Talvek-deorbit.scn", 2, 2, "'inertia' value -0.5 is out of range"},
    {"scenario_class_key_typo", "Config/Vessels/Talvek.cfg", "Module = Talvek", "Modul = Talvek", "Talvek-orbit.scn",
     2, 2, "Talvek.cfg:3: 'modul' is not a class key; did you mean 'Module'?"},
    {"payload_class_mesh_malformed", "Config/Vessels/tlvsat.cfg", "MeshName = tlvsat", "MeshName = broken",
     "Talvek-deorbit.scn", 2, 2, "broken.msh:2: "},
    {"unnamed_class_mistake_warns", "Config/Vessels/tlvsat.cfg", "Mass = 200", "Mass = 2OO", "Talvek-orbit.scn", 0, 0,
     "tlvsat.cfg:5: 'mass' expects one number: the empty mass in kg (a class this scenario does not name"},
    {"unnamed_nested_class_malformed_line", "Config/Vessels/Other/thing.cfg", "", "ClassName = thing\nBad line\n",
     "Talvek-orbit.scn", 0, 0, "thing.cfg:2: expected 'key = value', found 'Bad line' (a class this scenario does not name"},
    {"other_settings_file_in_config_is_not_a_class", "Config/settings.cfg", "", "[window]\nwidth 800\n",
     "Talvek-orbit.scn", 0, 0, ""},
    {"far_unknown_key_in_named_class", "Config/Vessels/tlvsat.cfg", "", "EnableFocus = true\n", "Talvek-deorbit.scn",
     0, 2, "'enablefocus' is not a key talvek-sim reads; ignored"},
    // What follows END_PARSE is not read: a script part, a mistake in it, keys meant for no one.
    {"script_after_end_parse_in_named_class", "Config/Vessels/tlvsat.cfg", "",
     "END_PARSE\n--[[ the script part\nvprm = { emass = 500 }\nMass = -5\nMas = 200\n--]]\n", "Talvek-deorbit.scn", 0, 0,
     ""},
    {"end_parse_with_a_comment_in_named_class", "Config/Vessels/tlvsat.cfg", "", "END_PARSE ; script below\nvprm = 1\n",
     "Talvek-deorbit.scn", 2, 2, "tlvsat.cfg:15: END_PARSE ends what is read only on a line of its own"},
};

class ClassFiles : public testing::TestWithParam<ClassCase> {};

TEST_P(ClassFiles, AreCheckedBeforeTheFirstFrame) {
    const ClassCase& c = GetParam();
    talvek_test::TempRoot root;
    Edit(root, c.file, c.from, c.to);
    root.Write("Meshes/broken.msh", "MSHX1\nGROUPS one\n");
    talvek_test::ScratchDir scratch("talvek-class-check");
    const std::string scenario = (talvek_test::BuildRoot() / "Scenarios" / c.scenario).string();
    for (const bool strict : {false, true}) {
        std::vector<std::string> args{"run", scenario, "--root", root.Path().string(), "--frames", "1"};
        if (strict) args.push_back("--strict");
        const auto r = talvek_test::RunSim(args, scratch.Path());
        EXPECT_EQ(r.status, strict ? c.strictStatus : c.status) << (strict ? "--strict\n" : "") << r.err;
        if (*c.message) {
            EXPECT_THAT(r.err, HasSubstr(c.message));
        } else {
            EXPECT_EQ(r.err, "");
        }
        if (r.status == 2 && c.status == 2) {
            EXPECT_THAT(r.out, Not(HasSubstr("frames"))) << "no frame is flown on a class mistake";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ClassFiles, testing::ValuesIn(CLASS_CASES),
                         [](const testing::TestParamInfo<ClassCase>& info) { return std::string(info.param.name); });

TEST(ClassFilesNamed, APayloadClassWithoutAFileIsSaidBeforeTheFlightWithItsLine) {
    talvek_test::TempRoot root;
    const std::string shipped = talvek_test::ReadFile(talvek_test::BuildRoot() / "Scenarios" / "Talvek-deorbit.scn");
    const size_t at = shipped.find("Sat1 tlvsat tlvsat");
    ASSERT_NE(at, std::string::npos);
    std::string typo = shipped;
    typo.replace(at, 18, "Sat1 tlvsat tlvsatt");
    const fs::path scenario = root.Write("Scenarios/typo.scn", typo);
    const int line = 1 + static_cast<int>(std::count(shipped.begin(), shipped.begin() + static_cast<long>(at), '\n'));
    talvek_test::ScratchDir scratch("talvek-class-check");
    for (const bool strict : {false, true}) {
        std::vector<std::string> args{"run", scenario.string(), "--root", root.Path().string(), "--frames", "0"};
        if (strict) args.push_back("--strict");
        const auto r = talvek_test::RunSim(args, scratch.Path());
        EXPECT_EQ(r.status, strict ? 2 : 0) << r.err;
        EXPECT_THAT(r.err, HasSubstr("typo.scn:" + std::to_string(line) +
                                     ": a payload line names the class 'tlvsatt', which has no class file"));
    }
}

}  // namespace
