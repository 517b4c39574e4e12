// The solar arrays: the deployment animation of the "talvek" mesh, its state and its motion.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/orbiter.h"

constexpr int DEPLOY_COMPONENT_COUNT = 20;
constexpr int DEPLOY_RECORD_COUNT = 16;  // components that the deployment animation has

// The transform records of the deployment animation. The host's record classes have virtual
// functions but no virtual destructor, so each record is owned and destroyed as a final type.
struct DeployRotation final : MGROUP_ROTATE {
    using MGROUP_ROTATE::MGROUP_ROTATE;
};
struct DeployTranslation final : MGROUP_TRANSLATE {
    using MGROUP_TRANSLATE::MGROUP_TRANSLATE;
};
struct DeployRecord {
    std::unique_ptr<DeployRotation> rotation;
    std::unique_ptr<DeployTranslation> translation;
    MGROUP_TRANSFORM* get() const {
        if (rotation) return rotation.get();
        return translation.get();
    }
};

class SolarArrays {
public:
    // The numbers are the ones saved under PANEL_MOTION.
    enum class PanelMotion : std::int16_t { Still = 0, Deploying = 1, Retracting = 2 };

    // Creates the deployment animation on the vessel.
    explicit SolarArrays(VESSEL& vessel);
    SolarArrays(const SolarArrays&) = delete;
    SolarArrays& operator=(const SolarArrays&) = delete;

    // Starts the arrays towards the end they are farther from; returns the motion started.
    PanelMotion Toggle();
    // Moves the arrays by the last simulation step and shows them where they are.
    void Step(double step);  // [s] the simulation step just run
    bool Moving() const { return panelMotion != PanelMotion::Still; }
    // The animation's components on the mesh at meshIndex, replacing any earlier ones.
    void Build(UINT meshIndex);
    // Deletes the components, for a configuration without the "talvek" mesh.
    void Remove();
    void Stow();  // shown stowed, whatever the state
    void Show();  // shown at the state
    // PANELS and PANEL_MOTION; false for any other line. A state that is not read as written
    // (not finite, or beyond 0..1) is repaired, and repaired, when given, says how, with the line.
    bool ParseLine(const char* line, std::string* repaired = nullptr);
    void Save(FILEHANDLE scn) const;

    std::int16_t deployAnim;
    ANIMATIONCOMPONENT_HANDLE deployComponents[DEPLOY_COMPONENT_COUNT] = {};
    // The host keeps pointers to the records, so each lives until the component is replaced by
    // the next build of the animation.
    DeployRecord deployRecords[DEPLOY_RECORD_COUNT];
    float panelState = 0.0f;  // [0..1] 0 stowed, 1 deployed
    PanelMotion panelMotion = PanelMotion::Still;

private:
    VESSEL& vessel;
};
