// The released main parachute: the vessel that the spacecraft deletes once both stand on the
// ground, found again by name and class after a state load.
#pragma once

#include <string>

#include "host/orbiter.h"

constexpr const char* CHUTE_CLASS = "tlvchute";  // the class of the released main parachute

class ParachuteLink {
public:
    void Keep(VESSEL* chute);  // the released or found parachute (null: none)
    void Forget();
    // The parachute's interface while that vessel exists, else null, and then it is forgotten.
    VESSEL* Released();
    // Finds the parachute that a save named; every vessel of the scenario exists by then. A saved
    // name is only a claim, and the parachute is deleted on the ground: only a vessel of the
    // parachute's class that is not `self` is taken. Returns what was ignored and why, for the
    // log ("" when the vessel was taken or no name was waiting).
    std::string FindSaved(OBJHANDLE self);
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
