// What the host's FILEHANDLE values point to. Each kind starts with a tag, so that a handle
// of the wrong kind is refused instead of misread.
#pragma once

#include <string>
#include <vector>

namespace sim {

enum FileKind : int { CLASS_FILE = 0x434c4153, SCENARIO_BLOCK = 0x53424c4b, SCENARIO_OUT = 0x534f5554 };

struct ScenarioLine {
    std::string text;  // trimmed
    int number;        // line number in the file
};

// The lines of one vessel block, handed out by oapiReadScenario_nextline.
struct ScenarioBlockReader {
    int fileKind = SCENARIO_BLOCK;
    std::string file;
    const std::vector<ScenarioLine>* lines = nullptr;
    size_t next = 0;
    int currentLine = 0;      // number of the line handed out last
    std::vector<char> buffer; // the line handed out last, writable as the host's buffer is
};

// Collects the lines that a vessel writes when it is saved.
struct ScenarioWriter {
    int fileKind = SCENARIO_OUT;
    std::string text;
};

template <class T>
T* FileAs(void* handle, int kind) {
    if (!handle || *static_cast<const int*>(handle) != kind) return nullptr;
    return static_cast<T*>(handle);
}

}  // namespace sim
