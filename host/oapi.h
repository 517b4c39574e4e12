// The host's global functions and the types of a vessel module's entry points.
#pragma once

#include "hosttypes.h"

class VESSEL;

// Vessels
OBJHANDLE oapiCreateVessel(const char* name, const char* classname, const VESSELSTATUS& status);
bool oapiDeleteVessel(OBJHANDLE hVessel, OBJHANDLE hAlternativeCameraTarget = nullptr);
bool oapiIsVessel(OBJHANDLE hVessel);
VESSEL* oapiGetVesselInterface(OBJHANDLE hVessel);
OBJHANDLE oapiGetVesselByName(char* name);

// Simulation
double oapiGetSimTime();
double oapiGetSimStep();
double oapiGetTimeAcceleration();
void oapiSetTimeAcceleration(double warp);

// Meshes
MESHHANDLE oapiLoadMesh(const char* fname);

// Scenario text. oapiReadScenario_nextline returns false at the end of the vessel's block.
// The writers take non-const strings, as the simulator declares them; they do not change them.
bool oapiReadScenario_nextline(FILEHANDLE scn, char*& line);
void oapiWriteScenario_string(FILEHANDLE scn, char* item, char* string);
void oapiWriteScenario_int(FILEHANDLE scn, char* item, int i);
void oapiWriteScenario_float(FILEHANDLE scn, char* item, double d);

// Class files. The value of the first "item = value" line whose key is item (without regard to
// case) of the class file that clbkSetClassCaps was given, blanks around both removed and ';'
// starting a comment, copied into string: at most 511 characters and the terminator, as the
// simulator's reader takes no longer line. False, string untouched, when no line before END_PARSE
// has the key or that line's value is empty. The item is not const, as the simulator declares it.
bool oapiReadItem_string(FILEHANDLE f, char* item, char* string);

// The host's log: one line, which the host does not change.
void oapiWriteLog(char* line);

// Keyboard: true when the key may act now (the same key is refused within interval
// seconds of real time since it was last accepted).
bool oapiAcceptDelayedKey(char key, double interval);

// A vessel module's entry points, looked up by these undecorated names. A current host looks up
// only ovcInit and ovcExit and reaches a VESSEL2 through its callbacks; older hosts call all eight.
using OvcInitFn = VESSEL* (*)(OBJHANDLE hVessel, int flightmodel);
using OvcExitFn = void (*)(VESSEL* vessel);
using OvcSetClassCapsFn = void (*)(VESSEL* vessel, FILEHANDLE cfg);
using OvcTimestepFn = void (*)(VESSEL* vessel, double simt);
using OvcVisualCreatedFn = void (*)(VESSEL* vessel, VISHANDLE vis, int refcount);
using OvcLoadStateExFn = void (*)(VESSEL* vessel, FILEHANDLE scn, void* status);
using OvcSaveStateFn = void (*)(VESSEL* vessel, FILEHANDLE scn);
using OvcConsumeBufferedKeyFn = int (*)(VESSEL* vessel, DWORD key, bool down, char* kstate);
