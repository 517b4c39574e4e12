// The per-frame step of the spacecraft.
#include "talvek_vessel.h"

void TalvekVessel::Timestep() {
    // Drain the message channel before anything else of the step.
    while (PollMessages()) {
    }
}
