// The spacecraft's scenario state: its own keys, then the payload lines.
#include <string>

#include "spacecraft/scenario_keys.h"
#include "spacecraft/talvek_vessel.h"

void TalvekVessel::SaveState(FILEHANDLE scn) {
    SaveDefaultState(scn);
    sequencer.SaveConfiguration(scn);
    arrays.Save(scn);
    chute.Save(scn);
    sequencer.SaveRebuild(scn);
    SavePayloadLines(scn);
}

void TalvekVessel::LoadStateEx(FILEHANDLE scn, void* status) {
    char* line = nullptr;
    while (oapiReadScenario_nextline(scn, line)) {
        std::string repaired;
        if (!sequencer.ParseLine(line) && !arrays.ParseLine(line, &repaired) && !chute.ParseLine(line))
            ReportMistypedKey(line, TALVEK_KEYS, TALVEK_KEY_COUNT);
        if (!repaired.empty()) LogEvent(repaired);
        HandleScenarioLine(line);
        ParseScenarioLineEx(line, status);
    }
    FinishPayloadLines();
    DefineLoadedConfiguration();
}
