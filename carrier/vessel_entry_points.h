// The eight entry points through which older hosts drive a vessel class V built on the carrier.
// Each converts the host's VESSEL pointer back to V and forwards to V's operation of the same
// name (SetClassCaps, Timestep, VisualCreated, LoadStateEx, SaveState, ConsumeBufferedKey); an
// event already delivered through the VESSEL2 callbacks is not acted on again. The current
// simulator looks up only ovcInit and ovcExit and reaches the object through its callbacks.
//
// A module's entry-point file states its class and exports each function under the host's
// name, e.g. DLLCLBK void ovcExit(VESSEL* v) { VesselEntryPoints<MyVessel>::Exit(v); }
#pragma once

#include <new>

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

    static int ConsumeBufferedKey(VESSEL* vessel, DWORD key, bool down, char* kstate) {
        V* v = Routed(vessel, HostEvent::Key);
        return v ? v->ConsumeBufferedKey(key, down, kstate) : 0;
    }
};
