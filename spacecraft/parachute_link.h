// The released main parachute: the vessel that the spacecraft deletes once both stand on the
// ground, found again by name after a state load.
#pragma once

#include <string>

#include "host/orbiter.h"

class ParachuteLink {
public:
    void Keep(VESSEL* chute);  // the released or found parachute (null: none)
    void Forget();
    // The parachute's interface while that vessel exists, else null, and then it is forgotten.
    VESSEL* Released();
    // Finds the parachute that a save named; every vessel of the scenario exists by then.
    void FindSaved();
    // Deletes the parachute's vessel and forgets it.
    void Delete();
    // CHUTE_VESSEL; false for any other line.
    bool ParseLine(const char* line);
    // CHUTE_VESSEL while there is a parachute, or a saved one not looked for yet.
    void Save(FILEHANDLE scn);

    VESSEL* chuteVessel = nullptr;
    // The host handle of the parachute, asked about before chuteVessel is used, and the name and
    // class of the vessel on it, which tell it from a later vessel on that handle.
    OBJHANDLE chuteHandle = nullptr;
    std::string chuteName;
    std::string chuteClass;
    // The parachute's name as a save recorded it, until the first time step finds that vessel
    // again; empty when there is none to find.
    std::string savedChuteName;
};
