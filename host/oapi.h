// The host's global functions and the types of a vessel module's entry points.
#pragma once

#include "hosttypes.h"

class VESSEL;

// Vessels
OBJHANDLE oapiCreateVessel(const char* name, const char* classname, const VESSELSTATUS& status);
bool oapiDeleteVessel(OBJHANDLE hVessel, OBJHANDLE hAlternativeCameraTarget = nullptr);
bool oapiIsVessel(OBJHANDLE hVessel);
VESSEL* oapiGetVesselInterface(OBJHANDLE hVessel);
OBJHANDLE oapiGetVesselByName(const char* name);

// Simulation
double oapiGetSimTime();
double oapiGetSimStep();
double oapiGetTimeAcceleration();
void oapiSetTimeAcceleration(double warp);

// Meshes
MESHHANDLE oapiLoadMesh(const char* fname);

// Scenario text. oapiReadScenario_nextline returns false at the end of the vessel's block.
bool oapiReadScenario_nextline(FILEHANDLE scn, char*& line);
void oapiWriteScenario_string(FILEHANDLE scn, const char* item, const char* string);
void oapiWriteScenario_int(FILEHANDLE scn, const char* item, int i);
void oapiWriteScenario_float(FILEHANDLE scn, const char* item, double d);

// Keyboard: true when the key may act now (the same key is refused within interval
// seconds of real time since it was last accepted).
bool oapiAcceptDelayedKey(int key, double interval);

// A vessel module's entry points, looked up by these undecorated names.
using OvcInitFn = VESSEL* (*)(OBJHANDLE hVessel, int flightmodel);
using OvcExitFn = void (*)(VESSEL* vessel);
using OvcSetClassCapsFn = void (*)(VESSEL* vessel, FILEHANDLE cfg);
using OvcTimestepFn = void (*)(VESSEL* vessel, double simt);
using OvcVisualCreatedFn = void (*)(VESSEL* vessel, VISHANDLE vis, int refcount);
using OvcLoadStateExFn = void (*)(VESSEL* vessel, FILEHANDLE scn, void* status);
using OvcSaveStateFn = void (*)(VESSEL* vessel, FILEHANDLE scn);
using OvcConsumeBufferedKeyFn = int (*)(VESSEL* vessel, DWORD key, bool down, char* kstate);
