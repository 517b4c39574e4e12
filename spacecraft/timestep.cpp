// The per-frame step of the spacecraft, in the order of its steps: each subsystem gets what the
// vessel measured, and the vessel carries out what it asks.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>

#include "spacecraft/talvek_vessel.h"

namespace {
constexpr const char* CHUTE_NAME = "TalvekChute";
constexpr VECTOR3 NO_CHANGE{0, 0, 0};
constexpr double NO_THRUST = 0;

double Dot(const VECTOR3& a, const VECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
}  // namespace

// Older hosts hand over no step: it is asked for only when something moves by it.
void TalvekVessel::Timestep() { Step(std::nullopt); }

void TalvekVessel::Step(std::optional<double> given) {
    auto step = [&given] { return given ? *given : oapiGetSimStep(); };
    CollectMessages();
    if (arrays.Moving()) arrays.Step(step());
    StepDeferredRebuild();
    // Only the descent looks at the capsule's flight: a stack in orbit asks the host nothing more.
    if (sequencer.Descending()) {
        // After the rebuild: a set-up moves the centre of mass, and with it the heights.
        const StepInputs in = Measure(step());
        const SequencerStep next = sequencer.Step(in, burn.Ready());
        for (int i = 0; i < next.capCount; ++i) CapTimeAcceleration(next.caps[static_cast<size_t>(i)]);
        if (next.transition) Enter(*next.transition);
        if (next.landingBurn) StepLandingBurn(in);
    }
    RemoveLandedChute();
}

void TalvekVessel::PreStep() {
    // The same landing as the burn's at contact, outside the host's state update.
    if (const auto landing = sequencer.LandingAtContact(burn.Ready()); landing && GroundContact()) Enter(*landing);
}

StepInputs TalvekVessel::Measure(double step) {
    StepInputs in;
    in.step = step;
    in.timeAcceleration = oapiGetTimeAcceleration();
    in.groundHeight = GetAltitude(ALTMODE_GROUND);
    in.airspeed = GetAirspeed();
    VESSELSTATUS status;
    GetStatus(status);
    in.position = status.rpos;
    in.velocity = status.rvel;
    const double radius = std::sqrt(Dot(status.rpos, status.rpos));
    in.baseHeight = std::numeric_limits<double>::infinity();
    if (radius > 0) in.descentSpeed = -Dot(status.rvel, VECTOR3{status.rpos.x / radius, status.rpos.y / radius, status.rpos.z / radius});
    if (!sequencer.LandingAtContact(burn.Ready())) return in;
    // Under the main canopy with the landing thruster: the capsule's base, as it stands turned.
    if (radius > 0) {
        const VECTOR3 up{status.rpos.x / radius, status.rpos.y / radius, status.rpos.z / radius};
        double lowest = std::numeric_limits<double>::infinity();
        for (const VECTOR3& design : CAPSULE_TOUCHDOWN) {
            VECTOR3 global;
            GlobalRot(design - cogShift, global);
            lowest = std::min(lowest, Dot(global, up));
        }
        in.baseHeight = in.groundHeight + lowest;
    }
    in.mass = GetMass();
    in.contact = GroundContact();
    return in;
}

void TalvekVessel::StepDeferredRebuild() {
    switch (sequencer.StepRebuild()) {
        case RebuildStep::None:
            break;
        case RebuildStep::StowPanels:
            arrays.Stow();
            break;
        case RebuildStep::SetUp:
            ApplyConfiguration();
            break;
        case RebuildStep::ShowPanels:
            arrays.Show();
            break;
    }
}

void TalvekVessel::StepLandingBurn(const StepInputs& in) {
    const bool live = sequencer.Defines(LandingThruster::Ready);
    const BurnStep step = burn.Step(in, live, RouteOf(HostEvent::TimeStep) == HostRoute::EntryPoint);
    if (step.cutThrust) burn.SetLevel(NO_THRUST);
    if (step.land)
        if (const auto landing = sequencer.LandingAtContact(burn.Ready())) Enter(*landing);
    if (step.cap) CapTimeAcceleration(*step.cap);
    if (step.level) burn.SetLevel(*step.level);
    if (step.started) {
        char height[32];
        std::snprintf(height, sizeof height, "%.2f", in.baseHeight);
        LogEvent(std::string("landing burn started ") + height + " m over the ground");
    }
}

void TalvekVessel::CapTimeAcceleration(const TimeAccelerationCap& cap) {
    if (!(oapiGetTimeAcceleration() > cap.most)) return;
    oapiSetTimeAcceleration(cap.most);
    char factor[32];
    std::snprintf(factor, sizeof factor, "%.0f", cap.most);
    LogEvent(std::string("time acceleration capped at x") + factor + " " + cap.reason);
}

void TalvekVessel::Enter(const Transition& transition) {
    switch (transition.act) {
        case Transition::Act::None:
            break;
        case Transition::Act::SeparateModules:
            SeparateModules();
            break;
        case Transition::Act::ReleaseMainChute:
            if (sequencer.Defines(LandingThruster::Ready)) burn.SetLevel(NO_THRUST);
            ReleaseMainChute();
            break;
    }
    sequencer.SwitchTo(transition.to);
    LogEvent(sequencer.Entered(transition));
}

void TalvekVessel::ReleaseMainChute() {
    chute.Keep(SpawnChildVessel(CHUTE_NAME, CHUTE_CLASS, CANOPY_POSITION - cogShift, NO_CHANGE, NO_CHANGE));
}

void TalvekVessel::RemoveLandedChute() {
    if (const std::string ignored = chute.FindSaved(GetHandle()); !ignored.empty()) LogEvent(ignored);
    if (sequencer.configuration != CONFIG_LANDING) return;
    VESSEL* released = chute.Released();
    if (released && released->GroundContact()) chute.Delete();
}
