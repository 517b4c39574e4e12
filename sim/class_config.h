// Vessel class files: ROOT/Config/Vessels/<class>.cfg, else ROOT/Config/<class>.cfg; lines
// "key = value", keys without regard to case, ';' starts a comment.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../host/hosttypes.h"

namespace sim {

struct VesselRecord;
class World;

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

class ClassRegistry {
public:
    explicit ClassRegistry(std::filesystem::path root) : root_(std::move(root)) {}
    // The class, read on first use. Throws InputError when no file exists for it.
    const VesselClass& Get(const std::string& className);

private:
    std::filesystem::path root_;
    std::map<std::string, std::unique_ptr<VesselClass>> classes_;
};

// Applies the class values the host reads (size, mass, tanks, engine, drag, inertia,
// touchdown points, camera, transponder, mesh) to a vessel's definition.
void ApplyClassValues(World& world, const VesselClass& cls, VesselRecord& v);

}  // namespace sim
