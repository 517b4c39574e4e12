// The eight entry points through which older hosts drive a vessel class V built on the carrier.
// Each converts the host's VESSEL pointer back to V and forwards to V's operation of the same
// name (SetClassCaps, Timestep, VisualCreated, LoadStateEx, SaveState, ConsumeBufferedKey); an
// event already delivered through the VESSEL2 callbacks is not acted on again. The current
// simulator looks up only ovcInit and ovcExit and reaches the object through its callbacks.
//
// A module's entry-point file only names its class: TALVEK_VESSEL_ENTRY_POINTS(MyVessel); exports
// the eight functions under the host's names (once per module, in one of its sources).
#pragma once

#include <new>
#include <type_traits>

#include "carrier/host_routes.h"
#include "host/orbiter.h"

template <class V>
struct VesselEntryPoints {
    static V* Object(VESSEL* vessel) { return static_cast<V*>(vessel); }

    // The object, when this event is the entry points' to deliver (not already the callbacks').
    static V* Routed(VESSEL* vessel, HostEvent event) {
        V* v = Object(vessel);
        return v->Accepts(event, HostRoute::EntryPoint) ? v : nullptr;
    }

    // Null when the object cannot be allocated: the host then has no vessel to drive.
    static VESSEL* Init(OBJHANDLE hvessel) {
        try {
            return new V(hvessel);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }

    static void Exit(VESSEL* vessel) {
        if (vessel) delete Object(vessel);
    }

    static void SetClassCaps(VESSEL* vessel, FILEHANDLE cfg) { Object(vessel)->SetClassCaps(cfg); }

    static void Timestep(VESSEL* vessel) {
        if (V* v = Routed(vessel, HostEvent::TimeStep)) v->Timestep();
    }

    static void VisualCreated(VESSEL* vessel) {
        if (V* v = Routed(vessel, HostEvent::VisualCreated)) v->VisualCreated();
    }

    static void LoadStateEx(VESSEL* vessel, FILEHANDLE scn, void* status) {
        if (V* v = Routed(vessel, HostEvent::LoadState)) v->LoadStateEx(scn, status);
    }

    static void SaveState(VESSEL* vessel, FILEHANDLE scn) {
        if (V* v = Routed(vessel, HostEvent::SaveState)) v->SaveState(scn);
    }

    // Older hosts pass the key as a DWORD; the callback's own type may be narrower (int in the port).
    static int ConsumeBufferedKey(VESSEL* vessel, DWORD key, bool down, char* kstate) {
        V* v = Routed(vessel, HostEvent::Key);
        return v ? v->ConsumeBufferedKey(static_cast<BufferedKeyCode>(key), down, kstate) : 0;
    }
};

// The eight exported functions of a module whose vessels are all of class V. The flight model
// number is not passed on (the carrier always uses flight model 1), nor are the simulation time of
// the time step (the step's length comes from the host) and the visual's handle.
#define TALVEK_VESSEL_ENTRY_POINTS(V)                                                                    \
    DLLCLBK VESSEL* ovcInit(OBJHANDLE hvessel, int) { return VesselEntryPoints<V>::Init(hvessel); }      \
    DLLCLBK void ovcExit(VESSEL* vessel) { VesselEntryPoints<V>::Exit(vessel); }                         \
    DLLCLBK void ovcSetClassCaps(VESSEL* vessel, FILEHANDLE cfg) {                                       \
        VesselEntryPoints<V>::SetClassCaps(vessel, cfg);                                                 \
    }                                                                                                    \
    DLLCLBK void ovcTimestep(VESSEL* vessel, double) { VesselEntryPoints<V>::Timestep(vessel); }         \
    DLLCLBK void ovcVisualCreated(VESSEL* vessel, VISHANDLE, int) {                                      \
        VesselEntryPoints<V>::VisualCreated(vessel);                                                     \
    }                                                                                                    \
    DLLCLBK void ovcLoadStateEx(VESSEL* vessel, FILEHANDLE scn, void* status) {                          \
        VesselEntryPoints<V>::LoadStateEx(vessel, scn, status);                                          \
    }                                                                                                    \
    DLLCLBK void ovcSaveState(VESSEL* vessel, FILEHANDLE scn) { VesselEntryPoints<V>::SaveState(vessel, scn); } \
    DLLCLBK int ovcConsumeBufferedKey(VESSEL* vessel, DWORD key, bool down, char* kstate) {              \
        return VesselEntryPoints<V>::ConsumeBufferedKey(vessel, key, down, kstate);                      \
    }                                                                                                    \
    static_assert(std::is_base_of_v<VESSEL, V>, "a vessel module's class derives from VESSEL")
