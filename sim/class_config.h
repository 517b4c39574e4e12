// Vessel class files: ROOT/Config/Vessels/<class>.cfg, else ROOT/Config/<class>.cfg, found without
// regard to case; lines
// "key = value", keys without regard to case, ';' starts a comment, a line END_PARSE ends what
// is read.
#pragma once

#include <array>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/hosttypes.h"
#include "sim/folder_names.h"

namespace sim {


// The longest line of a class file that the simulator's item reader takes (its buffer holds 512
// bytes with the terminator): a module's oapiReadItem_string never gets a longer value.
constexpr size_t CLASS_LINE_MAX = 511;  // [characters]

struct VesselClass {
    int fileKind;  // marks a FILEHANDLE as a class file; see file_handles.h
    std::string name;
    std::filesystem::path path;
    std::optional<std::string> module;  // the "Module" value; none for a passive class

    struct Value {
        std::string text;
        int line;
    };
    std::map<std::string, Value> values;  // lower-case key -> value

    // Every "key = value" line in file order, a key that repeats each time: what a module reads
    // through oapiReadItem_string, which takes the first line of a key, as the simulator's does.
    struct Item {
        std::string lowerKey;
        Value value;
    };
    std::vector<Item> items;
    // The first line longer than the simulator's reader takes (CLASS_LINE_MAX characters), where
    // its oapiReadItem_string stops; 0 when none is.
    int firstOverlongLine = 0;
    mutable bool overlongLineTold = false;  // the host has said so once

    const Value* Find(const std::string& lowerKey) const;
    // Reads a value as n numbers; throws InputError naming file and line when it is not.
    std::optional<std::vector<double>> Numbers(const std::string& lowerKey, size_t minCount, size_t maxCount,
                                               const char* expected) const;
    // The same, each number within lo..hi; 'accepted' states the range in the message.
    std::optional<std::vector<double>> Numbers(const std::string& lowerKey, size_t minCount, size_t maxCount,
                                               const char* expected, double lo, double hi,
                                               const char* accepted) const;
};

// Reads a class file. Throws InputError naming the file and line for a malformed line.
std::unique_ptr<VesselClass> ReadClassFile(const std::filesystem::path& path, const std::string& className);

// The file the host reads for a class (its name free of folder problems), found without regard
// to case: ROOT/Config/Vessels/<class>.cfg, else ROOT/Config/<class>.cfg; none when neither exists.
std::optional<std::filesystem::path> FindClassFile(RootFiles& files, const std::string& className);
// The two places of a class's file as its name is written, for a message that none is there.
std::string ClassFilePlaces(const std::filesystem::path& root, const std::string& className);

class ClassRegistry {
public:
    explicit ClassRegistry(RootFiles& files) : files_(files) {}
    // The class, read on first use. Throws InputError when no file exists for it.
    const VesselClass& Get(const std::string& className);

private:
    RootFiles& files_;
    std::map<std::string, std::unique_ptr<VesselClass>> classes_;
};

// The class values the host reads, each checked against its range; absent keys stay empty.
struct ClassValues {
    std::optional<double> size, emptyMass;
    std::optional<VECTOR3> crossSections, rotDrag, pmi, cameraOffset;
    std::optional<std::array<double, 4>> cw;
    std::optional<std::array<VECTOR3, 3>> touchdownPoints;
    std::optional<bool> transponder;
    std::optional<int> transponderChannel;  // XPDR, read with EnableXPDR = true
    std::optional<double> tankMax;  // [kg], only when above 0
    double tankEfficiency = 1.0;
    std::optional<double> mainThrust;  // [N], only when above 0
    double isp = 0.0;                  // [m/s] with a main engine
    std::optional<std::string> meshName;
};
constexpr double DEFAULT_CLASS_ISP = 5000.0;  // [m/s] of a main engine whose class gives no Isp

// The keys the host reads from a class file (ReadClassValues' and Module), as they are written.
extern const char* const HOST_CLASS_KEYS[17];

// Reads and checks the class values; throws InputError naming the file and line.
ClassValues ReadClassValues(const VesselClass& cls);

}  // namespace sim
