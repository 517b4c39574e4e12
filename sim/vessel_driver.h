// How the host reaches one vessel's module. A driver is chosen for each vessel once its module's
// object exists: the current simulator's VESSEL2 callbacks, the eight exported entry points of
// older hosts, or none at all (a class without a module, or a module object that is a plain
// VESSEL). The orders in which the host makes these calls (World, LoadScenario, SaveScenario) are
// written once, against this interface; a driver only says how each call reaches the module, and
// traces it as "> call".
#pragma once

#include "host/orbiter.h"

namespace sim {

class World;
struct VesselRecord;

// How the host calls vessel modules: as the current simulator does (ovcInit and ovcExit, then the
// VESSEL2 callbacks), or through the eight exported entry points of older hosts.
enum class Dispatch { Callbacks, EntryPoints };

class VesselDriver {
public:
    virtual ~VesselDriver() = default;
    virtual void SetClassCaps(World& world, VesselRecord& v, FILEHANDLE cfg) const = 0;
    // False when the module reads no state: the host then reads its own keys from the block.
    virtual bool LoadState(World& world, VesselRecord& v, FILEHANDLE scn, void* status) const = 0;
    virtual void FocusChanged(World& world, VesselRecord& v, bool gotFocus, OBJHANDLE newFocus,
                              OBJHANDLE oldFocus) const = 0;
    virtual void PostCreation(World& world, VesselRecord& v) const = 0;
    virtual void VisualCreated(World& world, VesselRecord& v, VISHANDLE vis) const = 0;
    virtual void VisualDestroyed(World& world, VesselRecord& v, VISHANDLE vis) const = 0;
    // simt and mjd: the step's start for the pre-step, its end for the post-step.
    virtual void PreStep(World& world, VesselRecord& v, double simt, double simdt, double mjd) const = 0;
    virtual void PostStep(World& world, VesselRecord& v, double simt, double simdt, double mjd) const = 0;
    // False when the module writes no state: the host then writes the vessel's default lines.
    virtual bool SaveState(World& world, VesselRecord& v, FILEHANDLE scn) const = 0;
    // What the module answered: non-zero when it used the key.
    virtual int ConsumeBufferedKey(World& world, VesselRecord& v, DWORD key, bool down, char* kstate) const = 0;
};

// The driver of a vessel whose module's object exists (or whose class has no module).
const VesselDriver& DriverFor(Dispatch dispatch, const VesselRecord& v);
// The driver that calls nothing: the host reads and writes the vessel's state itself.
const VesselDriver& PassiveDriver();

}  // namespace sim
