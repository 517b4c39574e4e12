#include "sim/errors.h"

namespace sim {

std::string Where(const std::string& file, int line, const std::string& message) {
    if (line > 0) return file + ":" + std::to_string(line) + ": " + message;
    return file + ": " + message;
}

}  // namespace sim
