// talvek-sim render as a program: the PNG it writes, that the picture follows the host's state
// (payload slots, released vessels, array deployment), and the errors of its inputs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "test_platform.h"
#include "test_support.h"

namespace fs = std::filesystem;
using talvek_test::ReadFile;
using talvek_test::RunSim;
using testing::HasSubstr;
using testing::StartsWith;

namespace {

constexpr const char* ORBIT = "Talvek-orbit.scn";
constexpr const char* DEORBIT = "Talvek-deorbit.scn";  // with the satellite in its payload slot

class RenderCli : public testing::Test {
protected:
    talvek_test::ScratchDir scratch{"talvek-render"};
    const fs::path& dir = scratch.Path();
};

struct PngHeader {
    bool signature = false;
    std::uint32_t width = 0, height = 0;
};

// The signature, then the IHDR chunk: length, type, width and height (big-endian).
PngHeader ReadPngHeader(const fs::path& file) {
    const std::string bytes = ReadFile(file);
    PngHeader h;
    if (bytes.size() < 24) return h;
    h.signature = bytes.compare(0, 8, std::string("\x89PNG\r\n\x1a\n", 8)) == 0 && bytes.compare(12, 4, "IHDR") == 0;
    auto word = [&](size_t at) {
        std::uint32_t v = 0;
        for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
        return v;
    };
    h.width = word(16);
    h.height = word(20);
    return h;
}

TEST_F(RenderCli, ShippedScenarioGivesAPngOfTheSizeAsked) {
    struct Case {
        std::vector<std::string> extra;
        std::uint32_t width, height;
    };
    for (const Case& c : {Case{{}, 1600, 1200}, Case{{"--size", "800x600"}, 800, 600}}) {
        std::vector<std::string> args = {"render", ORBIT, "--vessel", "Talvek", "--out", "pic.png"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const auto r = RunSim(args, dir);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_THAT(r.out, StartsWith("talvek-sim: drew Talvek at 0.00 s (1 meshes, "));
        EXPECT_THAT(r.out, HasSubstr(" triangles) to pic.png\n"));
        const PngHeader h = ReadPngHeader(dir / "pic.png");
        EXPECT_TRUE(h.signature);
        EXPECT_EQ(h.width, c.width);
        EXPECT_EQ(h.height, c.height);
    }
}

TEST_F(RenderCli, DrawsTheMeshSlotsTheVesselHasAtThatMoment) {
    scratch.Write("release.txt", "at 1 Talvek key J   # release the satellite\n");
    struct Case {
        std::vector<std::string> args;
        std::string said;
    };
    const Case cases[] = {
        {{DEORBIT, "--vessel", "Talvek"}, "drew Talvek at 0.00 s (2 meshes, "},  // the payload is a slot too
        {{DEORBIT, "--vessel", "Talvek", "--script", "release.txt", "--at", "3"}, "drew Talvek at 3.00 s (1 meshes, "},
        {{DEORBIT, "--vessel", "Sat1", "--script", "release.txt", "--at", "3"}, "drew Sat1 at 3.00 s (1 meshes, "},
        {{"Talvek-descent.scn", "--vessel", "Talvek"}, "drew Talvek at 0.00 s (1 meshes, "},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"render"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.insert(args.end(), {"--out", "pic.png"});
        const auto r = RunSim(args, dir);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_THAT(r.out, HasSubstr(c.said));
    }
}

TEST_F(RenderCli, DeployedArraysChangeThePictureAndNothingElseDoes) {
    // The same file name in two folders, so that the caption is the same.
    const std::string orbit = ReadFile(talvek_test::BuildRoot() / "Scenarios" / ORBIT);
    std::string deployed = orbit;
    deployed.replace(deployed.find("PANELS 0.0"), 10, "PANELS 1.0");
    for (const auto& [folder, text] : {std::pair{"stowed", orbit}, {"deployed", deployed}}) {
        fs::create_directories(dir / folder);
        scratch.Write(std::string(folder) + "/orbit.scn", text);
    }
    auto render = [&](const std::string& folder, const std::string& out) {
        const auto r = RunSim({"render", "orbit.scn", "--vessel", "Talvek", "--out", out, "--size", "800x600"},
                              dir / folder);
        EXPECT_EQ(r.status, 0) << r.err;
        return ReadFile(dir / folder / out);
    };
    const std::string stowed = render("stowed", "a.png");
    ASSERT_FALSE(stowed.empty());
    EXPECT_EQ(render("stowed", "b.png"), stowed) << "the same state draws the same picture";
    EXPECT_NE(render("deployed", "a.png"), stowed);
}

struct RenderError {
    std::vector<std::string> args;  // after "render"
    std::string expected;
};

void PrintTo(const RenderError& e, std::ostream* os) {
    for (const auto& a : e.args) *os << a << ' ';
    *os << "-> " << e.expected;
}

class RenderCliErrors : public RenderCli, public testing::WithParamInterface<RenderError> {};

TEST_P(RenderCliErrors, ExitTwoNamingTheInputAndWriteNothing) {
    for (const std::string& a : GetParam().args)
        if (a.rfind("/dev/", 0) == 0 && !talvek_test::HAS_DEVICE_FILES) GTEST_SKIP() << "no " << a << " on this system";
    std::vector<std::string> args = {"render"};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    const auto r = RunSim(args, dir);
    EXPECT_EQ(r.status, 2) << r.out << r.err;
    EXPECT_THAT(r.err, HasSubstr(GetParam().expected));
    EXPECT_FALSE(fs::exists(dir / "pic.png"));
    EXPECT_EQ(r.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenderCliErrors,
    testing::Values(
        RenderError{{ORBIT, "--vessel", "Nobody", "--out", "pic.png"},
                    "--vessel: no vessel 'Nobody' at 0.00 s in "},
        RenderError{{ORBIT, "--vessel", "Nobody", "--out", "pic.png"}, "; the vessels then: Talvek"},
        RenderError{{DEORBIT, "--vessel", "Sat1", "--out", "pic.png"}, "no vessel 'Sat1' at 0.00 s"},
        RenderError{{ORBIT, "--vessel", "Talvek", "--out", "pic.png", "--at", "-1"},
                    "--at: give the simulation time of the picture in seconds, from 0 to 1e8 (about three years)"},
        RenderError{{ORBIT, "--vessel", "Talvek", "--out", "pic.png", "--at", "1e308"},
                    "--at: give the simulation time of the picture in seconds, from 0 to 1e8"},
        RenderError{{ORBIT, "--vessel", "Talvek", "--out", "pic.png", "--at", "nan"}, "--at: give the simulation time"},
        RenderError{{ORBIT, "--vessel", "Talvek", "--out", "pic.png", "--at", "inf"}, "--at: give the simulation time"},
        RenderError{{ORBIT, "--vessel", "Talvek", "--out", "nodir/pic.png"},
                    "nodir/pic.png: cannot be written; its folder "},
        RenderError{{"nope.scn", "--vessel", "Talvek", "--out", "pic.png"}, "nope.scn: no such scenario"},
        RenderError{{ORBIT, "--vessel", "Talvek", "--out", "pic.png", "--root", "/nonexistent"},
                    "/nonexistent: not a host root"},
        RenderError{{ORBIT, "--vessel", "Talvek", "--out", "pic.png", "--script", "missing.txt"},
                    "missing.txt: cannot be read"},
        RenderError{{ORBIT, "--vessel", "Talvek", "--out", "pic.png", "--size", "10x10"},
                    "--size: '10x10' is not a picture size; give WIDTHxHEIGHT"},
        RenderError{{ORBIT, "--vessel", "Talvek", "--out", "pic.png", "--size", "wide"}, "--size: 'wide'"},
        RenderError{{ORBIT, "--vessel", "Talvek", "--out", "/dev/full"}, "/dev/full: cannot be written"},
        RenderError{{ORBIT, "--out", "pic.png"}, "--vessel is required"},
        RenderError{{ORBIT, "--vessel", "Talvek"}, "--out is required"}));

}  // namespace
