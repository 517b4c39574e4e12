// A vessel that carries payloads and stages: a table of up to 50 slots read from and
// written to scenario lines, drawn as extra meshes, weighed, and released as vessels of
// their own; and the link to the message module through which released stages hand their
// contents on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/orbiter.h"
#include "host_routes.h"
#include "message_receiver.h"
#include "messages/library_loader.h"
#include "payload_slot.h"

// Separation velocity [m/s, vessel frame] of a payload at design position p: 0.5 m/s towards
// +z near the origin or the z axis, else 2 m/s outward from the z axis.
VECTOR3 SeparationVelocity(const VECTOR3& p);

// The given name while no vessel has it; else the first free "name-2", "name-3", ..., cut to the
// module's name buffers (PAYLOAD_NAME_SIZE - 1 characters) with the suffix kept whole.
std::string FreeVesselName(const char* name);

class PayloadCarrier : public VESSEL2, public MessageReceiver {
public:
    explicit PayloadCarrier(OBJHANDLE hVessel);
    // Virtual: the object is destroyed through the carrier's or a derived type, never through
    // the host's VESSEL, which has no virtual destructor.
    virtual ~PayloadCarrier();

    // The host vessel loses every mesh; the mesh list is emptied.
    void ClearVesselMeshes();
    // The next release uses this velocity [m/s, vessel frame] instead of the slot's own.
    void SetReleaseVelocity(const VECTOR3& velocity);

    // Scenario lines and routing
    void HandleScenarioLine(const char* line);
    bool DispatchMessage(const char* name, const char* text);
    void ParsePayloadLine(const char* text);
    void SavePayloadLines(FILEHANDLE file);
    // After the last line of a state load: a stage still open then took every line after it,
    // which a save never writes, so it is said in the log.
    void FinishPayloadLines();

    // Meshes and mass
    void PlacePayloadMeshes(const VECTOR3& offset);
    void PlacePayloadMeshes();
    double GetPayloadMass(VECTOR3& centre);
    double GetPayloadMass();

    // Release
    VESSEL* ReleaseLastPayload();
    VESSEL* ReleaseSlot(int k, bool withRotation);
    // Sends the slots after stage s, up to the last attached one, to the stage's new vessel.
    VESSEL* HandOverContents(int s, int last, VESSEL* target);
    // The orientation [rad] of a vessel turned by rotation [deg] about the carrier's x axis.
    VECTOR3 ReleaseOrientation(double rotation) const;
    VESSEL* SpawnChildVessel(const char* name, const char* className, const VECTOR3& localPosition,
                             const VECTOR3& localVelocityChange, const VECTOR3& rotationChange);

    // The number of stage levels that close after slot i: from the stage open after it to the
    // next slot's parent (or, after the last slot, to outermost, -1 for the whole table).
    int StageClosingsAfter(int i, int outermost) const;

    // Whether an event that arrives by this route acts. The first route to deliver an event of a
    // kind owns that kind for the vessel's life, so a host that delivers an event both ways (an
    // entry point and its callback) makes the vessel act once.
    bool Accepts(HostEvent event, HostRoute route);

    // A line in the host's log about something the vessel did or refused, after its name.
    void LogEvent(const std::string& what) const;
    // For a scenario line that none of the vessel's keys read: says in the log when its first word
    // is a letter or two from one of the keys, or one of them in other capitals, as it most
    // likely meant that key. Returns whether it did.
    bool ReportMistypedKey(const char* line, const char* const* keys, int count) const;

    // Messages
    void SendVesselMessage(VESSEL* target, const char* name, const char* text);
    bool PollMessages();

    PayloadSlot slots[PAYLOAD_SLOT_COUNT];
    std::int16_t currentStage;               // open stage while lines are read; -1 none
    std::vector<PayloadMeshEntry> meshList;  // payload meshes added since the last ClearVesselMeshes
    LibraryHandle messageModule;             // empty when the message module could not be loaded
    int meshVisibilityMode;                  // 1 external views, 3 external and cockpit views
    VECTOR3 releaseVelocityOverride;         // [m/s], vessel frame
    bool overridePending;
    HostRoute eventRoutes[static_cast<int>(HostEvent::Count)] = {};
};
