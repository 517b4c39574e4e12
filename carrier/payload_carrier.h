// A vessel that carries payloads and stages: a table of up to 50 slots read from and
// written to scenario lines, drawn as extra meshes, weighed, and released as vessels of
// their own; and the link to the message module through which released stages hand their
// contents on.
//
// A vessel class built on the carrier reads the table through PayloadTable() and changes it
// only through payload lines and releases.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "carrier/host_routes.h"
#include "carrier/message_receiver.h"
#include "carrier/payload_slot.h"
#include "host/orbiter.h"
#include "messages/library_loader.h"

// Separation velocity [m/s, vessel frame] of a payload at design position p: 0.5 m/s towards
// +z near the origin or the z axis, else 2 m/s outward from the z axis.
VECTOR3 SeparationVelocity(const VECTOR3& p);

// Reaches the carrier's internal state from tests and benchmarks; defined only there.
struct PayloadCarrierTestAccess;
// A payload line's keyword, classified (carrier/internal/payload_table.h).
enum class PayloadKey;

class PayloadCarrier : public VESSEL2, public MessageReceiver {
public:
    explicit PayloadCarrier(OBJHANDLE hVessel);
    // Virtual: the object is destroyed through the carrier's or a derived type, never through
    // the host's VESSEL, which has no virtual destructor.
    virtual ~PayloadCarrier();

    // The payload table
    // Every slot, attached or not, in table order; a stage's contents follow it.
    std::span<const PayloadSlot, PAYLOAD_SLOT_COUNT> PayloadTable() const { return slots; }
    // The number of attached slots.
    int AttachedPayloadCount() const;

    // The host vessel loses every mesh; the mesh list is emptied.
    void ClearVesselMeshes();
    // The next release uses this velocity [m/s, vessel frame] instead of the slot's own.
    void SetReleaseVelocity(const VECTOR3& velocity);

    // Scenario lines and routing
    // A line whose first word is a payload keyword goes to the table, any other to OnMessage.
    void HandleScenarioLine(const char* line);
    // A message named by a payload keyword goes to the table as the line its text holds, any
    // other to OnMessage. Always true: a line or message that fails ends its own handling and no
    // other's.
    bool DispatchMessage(const char* name, const char* text);
    // A payload line, keyword first.
    void ParsePayloadLine(const char* text);
    // Collects the waiting messages first: what a carrier handed over since this vessel's last
    // step (a stage's contents) is part of it in the save.
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
    // Sends the slots after stage s, up to the last attached one, to the stage's new vessel.
    VESSEL* HandOverContents(int s, int last, VESSEL* target);
    VESSEL* SpawnChildVessel(const char* name, const char* className, const VECTOR3& localPosition,
                             const VECTOR3& localVelocityChange, const VECTOR3& rotationChange);

    // Whether an event that arrives by this route acts. The first route to deliver an event of a
    // kind owns that kind for the vessel's life, so a host that delivers an event both ways (an
    // entry point and its callback) makes the vessel act once.
    bool Accepts(HostEvent event, HostRoute route);
    // The route that delivers the event (None before its first delivery).
    HostRoute RouteOf(HostEvent event) const { return eventRoutes[static_cast<int>(event)]; }

    // A line in the host's log about something the vessel did or refused, after its name.
    void LogEvent(const std::string& what) const;
    // For a scenario line that none of the vessel's keys read: says in the log when its first word
    // is a letter or two from one of the keys, or one of them in other capitals, as it most
    // likely meant that key. Returns whether it did.
    bool ReportMistypedKey(const char* line, const char* const* keys, int count) const;

    // Messages: collects what the message module holds for this vessel; true when any arrived.
    bool PollMessages();
    // Polls until nothing more arrives; true when anything did.
    bool CollectMessages();

    int meshVisibilityMode;  // 1 external views, 3 external and cockpit views

private:
    friend struct PayloadCarrierTestAccess;

    // A line whose keyword is known: line as it is read (its first 511 characters; cut when it
    // had more), fields where its fields start after the keyword (nullptr when it has none).
    void ReadPayloadLine(PayloadKey key, const char* line, const char* fields, bool cut);
    VESSEL* ReleaseSlot(int k, bool withRotation);
    // The name for a vessel this carrier creates: one that a scenario can hold and the host read
    // back, where each colon (which ends the name on the vessel's line), ';' (which starts a
    // comment), blank and control character becomes '_', and the log says so; then a free one.
    std::string NewVesselName(const char* name) const;
    // The orientation [rad] of a vessel turned by rotation [deg] about the carrier's x axis.
    VECTOR3 ReleaseOrientation(double rotation) const;
    void SendVesselMessage(VESSEL* target, const char* name, const char* text);

    PayloadSlot slots[PAYLOAD_SLOT_COUNT];
    std::int16_t currentStage;               // open stage while lines are read; -1 none
    // STAGE lines not taken whose ENDSTAGE is still to come: their lines and their ENDSTAGE must
    // not land in or close the stage that is open around them.
    int refusedStageLevels;
    std::vector<PayloadMeshEntry> meshList;  // payload meshes added since the last ClearVesselMeshes
    LibraryHandle messageModule;             // empty when the message module could not be loaded
    VECTOR3 releaseVelocityOverride;         // [m/s], vessel frame
    bool overridePending;
    HostRoute eventRoutes[static_cast<int>(HostEvent::Count)] = {};
};
