// A module reads items of its class file (oapiReadItem_string) as the simulator hands them over:
// the first line of the key, found without regard to case, blanks and comment removed; nothing,
// and the buffer as it was, for a key that is missing or empty, or lies beyond where the
// simulator's reader stops.
#include <cstring>
#include <string>

#include "host/oapi.h"
#include "host_fixture.h"

using testing::HasSubstr;

namespace {

struct ItemCase {
    const char* what;
    const char* classFile;  // written as Config/Item.cfg
    const char* item;       // asked for
    bool found;
    const char* value;      // what the buffer holds afterwards
};

void PrintTo(const ItemCase& c, std::ostream* os) { *os << c.what; }

constexpr const char* UNTOUCHED = "untouched";

class ClassItems : public HostTest {
protected:
    // The class file handle its module's set-up gets, while the set-up runs.
    FILEHANDLE OpenClassFile(const char* text) {
        root.Write("Config/Item.cfg", text);
        const sim::VesselRecord* v = world->AddVessel("I", "Item");
        world->classSetUp = v->cls;
        return const_cast<sim::VesselClass*>(v->cls);
    }
    bool Read(FILEHANDLE f, const char* item, char (&buffer)[512]) {
        std::strcpy(buffer, UNTOUCHED);
        std::string key = item;
        return oapiReadItem_string(f, key.data(), buffer);
    }
};

class ClassItemCases : public ClassItems, public testing::WithParamInterface<ItemCase> {};

TEST_P(ClassItemCases, ReadAsTheSimulatorReadsThem) {
    const ItemCase& c = GetParam();
    const FILEHANDLE f = OpenClassFile(c.classFile);
    char buffer[512];
    EXPECT_EQ(Read(f, c.item, buffer), c.found);
    EXPECT_STREQ(buffer, c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClassItemCases,
    testing::Values(
        ItemCase{"as written", "ClassName = Item\nMeshName = tlvstage\nMass = 5\n", "MeshName", true, "tlvstage"},
        ItemCase{"key in other capitals in the file", "meshNAME = tlvstage\n", "MeshName", true, "tlvstage"},
        ItemCase{"key asked in other capitals", "MeshName = tlvstage\n", "MESHNAME", true, "tlvstage"},
        ItemCase{"no blanks around '='", "MeshName=tlvstage\n", "MeshName", true, "tlvstage"},
        ItemCase{"blanks kept inside, removed around, comment dropped",
                 "  MeshName \t=\t  my  stage \t; the tank\n", "MeshName", true, "my  stage"},
        ItemCase{"the value in its own capitals", "MeshName = TlvStage\n", "MeshName", true, "TlvStage"},
        ItemCase{"the first line of a key", "MeshName = first\nMeshName = second\n", "MeshName", true, "first"},
        ItemCase{"missing", "ClassName = Item\nMass = 5\n", "MeshName", false, UNTOUCHED},
        ItemCase{"empty value", "MeshName =\n", "MeshName", false, UNTOUCHED},
        ItemCase{"empty before a comment", "MeshName = ; none\n", "MeshName", false, UNTOUCHED},
        ItemCase{"an empty first line decides", "MeshName =\nMeshName = second\n", "MeshName", false, UNTOUCHED},
        ItemCase{"a longer key is another key", "MeshNames = tlvstage\n", "MeshName", false, UNTOUCHED},
        ItemCase{"a shorter key is another key", "Mesh = tlvstage\n", "MeshName", false, UNTOUCHED},
        ItemCase{"after END_PARSE", "Mass = 5\nEND_PARSE\nMeshName = tlvstage\n", "MeshName", false, UNTOUCHED},
        ItemCase{"before END_PARSE", "MeshName = tlvstage\nEND_PARSE\nMeshName = other\n", "MeshName", true,
                 "tlvstage"},
        ItemCase{"a Windows line end", "MeshName = tlvstage\r\nMass = 5\r\n", "MeshName", true, "tlvstage"}));

// The simulator reads a class file's lines into a buffer of 512 bytes and stops at the first line
// that does not fit: what follows it is never found, and the host says so.
TEST_F(ClassItems, ALineTooLongForTheSimulatorEndsTheSearch) {
    const std::string longComment = "; " + std::string(600, 'x') + "\n";
    const FILEHANDLE f = OpenClassFile(("Mass = 5\n" + longComment + "MeshName = tlvstage\n").c_str());
    char buffer[512];
    EXPECT_TRUE(Read(f, "Mass", buffer)) << "a line before it is found";
    EXPECT_STREQ(buffer, "5");
    world->warnings.clear();
    EXPECT_FALSE(Read(f, "MeshName", buffer));
    EXPECT_STREQ(buffer, UNTOUCHED);
    ASSERT_EQ(world->warnings.size(), 1u);
    EXPECT_THAT(world->warnings[0], HasSubstr("Item.cfg:2: line longer than 511 characters"));
    EXPECT_THAT(world->warnings[0], HasSubstr("oapiReadItem_string(\"MeshName\") finds nothing"));
    EXPECT_FALSE(Read(f, "MeshName", buffer));
    EXPECT_EQ(world->warnings.size(), 1u) << "said once";
}

// The longest line the simulator reads gives the longest value: 511 characters and the terminator.
TEST_F(ClassItems, TheLongestValueFitsTheSimulatorsBuffer) {
    const std::string key = "Note = ";
    const std::string value(511 - key.size(), 'v');
    const FILEHANDLE f = OpenClassFile((key + value + "\n").c_str());
    char buffer[512];
    ASSERT_TRUE(Read(f, "Note", buffer));
    EXPECT_EQ(std::string(buffer), value);
}

// The simulator's handle is the open file, closed when the set-up returns: a module that keeps it
// and reads later reads nothing there, and the host counts the fault.
TEST_F(ClassItems, OutsideTheClassSetUpNothingIsRead) {
    const FILEHANDLE f = OpenClassFile("MeshName = tlvstage\n");
    world->classSetUp = nullptr;
    char buffer[512];
    EXPECT_FALSE(Read(f, "MeshName", buffer));
    EXPECT_STREQ(buffer, UNTOUCHED);
    EXPECT_EQ(world->ModuleFaults(), 1);
    ASSERT_FALSE(world->warnings.empty());
    EXPECT_THAT(world->warnings.back(), HasSubstr("outside that class's clbkSetClassCaps"));
}

TEST_F(ClassItems, AHandleThatIsNoClassFileReadsNothing) {
    OpenClassFile("MeshName = tlvstage\n");
    char buffer[512];
    int notAFile = 0;
    EXPECT_FALSE(Read(&notAFile, "MeshName", buffer));
    EXPECT_FALSE(Read(nullptr, "MeshName", buffer));
    EXPECT_STREQ(buffer, UNTOUCHED);
}

}  // namespace
