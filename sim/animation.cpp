#include "sim/animation.h"

#include <algorithm>
#include <cmath>

#include "sim/mathx.h"
#include "sim/world.h"

namespace sim {

namespace {

double Fraction(double state, double start, double end) {
    if (end == start) return state >= end ? 1.0 : 0.0;
    return std::clamp((state - start) / (end - start), 0.0, 1.0);
}

VECTOR3 Transform(const MGROUP_TRANSFORM& t, double fraction, const VECTOR3& p) {
    if (t.Type() == MGROUP_TRANSFORM::ROTATE) {
        const auto& r = static_cast<const MGROUP_ROTATE&>(t);
        const double length = Length(r.axis);
        if (length == 0) return p;
        return r.ref + AxisRotation(r.axis / length, r.angle * fraction) * (p - r.ref);
    }
    if (t.Type() == MGROUP_TRANSFORM::TRANSLATE) return p + static_cast<const MGROUP_TRANSLATE&>(t).shift * fraction;
    return p;
}

bool Moves(const MGROUP_TRANSFORM& t, UINT mesh, UINT group) {
    if (t.mesh != mesh || !t.grp) return false;
    return std::find(t.grp, t.grp + t.ngrp, group) != t.grp + t.ngrp;
}

const AnimationComponent* FindComponent(const Animation& a, Id id) {
    for (const auto& c : a.components)
        if (c.id == id) return &c;
    return nullptr;
}

}  // namespace

VECTOR3 AnimatedPoint(const VesselRecord& v, UINT meshIndex, UINT group, const VECTOR3& point) {
    VECTOR3 p = point;
    for (const Animation& a : v.def.animations) {
        for (const AnimationComponent& c : a.components) {
            if (!Moves(*c.trans, meshIndex, group)) continue;
            // The component's own motion, then that of each ancestor, innermost first.
            size_t depth = 0;
            for (const AnimationComponent* k = &c; k && depth <= a.components.size(); k = FindComponent(a, k->parent), ++depth)
                p = Transform(*k->trans, Fraction(a.state, k->start, k->end), p);
        }
    }
    return p;
}

}  // namespace sim
