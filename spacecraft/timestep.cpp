// The per-frame step of the spacecraft, in the order of its steps.
#include "talvek_vessel.h"

namespace {
constexpr std::int32_t REBUILD_HIDE_PANELS = 2;    // animation held at 0 for the step before the set-up
constexpr std::int32_t REBUILD_SET_UP = 3;         // the configuration's set-up runs
constexpr std::int32_t REBUILD_SHOW_PANELS = 4;    // the panel state is shown again; idle after
}  // namespace

void TalvekVessel::Timestep() {
    DrainMessages();
    StepPanelMotion();
    StepDeferredRebuild();
}

void TalvekVessel::DrainMessages() {
    while (PollMessages()) {
    }
}

void TalvekVessel::StepDeferredRebuild() {
    if (rebuildCounter == 0) return;
    ++rebuildCounter;
    if (rebuildCounter == REBUILD_HIDE_PANELS) {
        SetAnimation(static_cast<UINT>(deployAnim), 0);
    } else if (rebuildCounter == REBUILD_SET_UP) {
        ApplyConfiguration();
    } else if (rebuildCounter == REBUILD_SHOW_PANELS) {
        SetAnimation(static_cast<UINT>(deployAnim), panelState);
        rebuildCounter = 0;
    }
}
