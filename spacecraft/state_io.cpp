// The spacecraft's scenario state: its own keys, then the payload lines.
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
        if (!sequencer.ParseLine(line) && !arrays.ParseLine(line) && !chute.ParseLine(line))
            ReportMistypedKey(line, TALVEK_KEYS, TALVEK_KEY_COUNT);
        HandleScenarioLine(line);
        ParseScenarioLineEx(line, status);
    }
    FinishPayloadLines();
    DefineLoadedConfiguration();
}
