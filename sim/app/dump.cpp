#include "sim/app/dump.h"

#include "sim/mathx.h"
#include "sim/physics.h"
#include "sim/world.h"

namespace sim {

namespace {

using Json = nlohmann::ordered_json;

Json Vec(const VECTOR3& v) { return Json::array({v.x, v.y, v.z}); }
Json IdOrNull(Id id) { return id ? Json(id) : Json(nullptr); }

Json Spec(const PARTICLESTREAMSPEC& s) {
    Json j;
    j["flags"] = s.flags;
    j["srcsize"] = s.srcsize;
    j["srcrate"] = s.srcrate;
    j["v0"] = s.v0;
    j["srcspread"] = s.srcspread;
    j["lifetime"] = s.lifetime;
    j["growthrate"] = s.growthrate;
    j["atmslowdown"] = s.atmslowdown;
    j["ltype"] = static_cast<int>(s.ltype);
    j["levelmap"] = static_cast<int>(s.levelmap);
    j["lmin"] = s.lmin;
    j["lmax"] = s.lmax;
    j["atmsmap"] = static_cast<int>(s.atmsmap);
    j["amin"] = s.amin;
    j["amax"] = s.amax;
    j["tex"] = s.tex ? Json(IdOf(s.tex)) : Json(nullptr);
    return j;
}

Json Component(const Animation& a, const AnimationComponent& c) {
    Json j;
    j["start"] = c.start;
    j["end"] = c.end;
    Json parent = nullptr;
    for (size_t i = 0; i < a.components.size(); ++i)
        if (c.parent && a.components[i].id == c.parent) parent = i;
    j["parent"] = parent;
    const MGROUP_TRANSFORM* t = c.trans;
    const bool rotation = t->Type() == MGROUP_TRANSFORM::ROTATE;
    j["kind"] = rotation ? "rotation" : "translation";
    j["mesh"] = t->mesh;
    Json groups = Json::array();
    for (UINT i = 0; t->grp && i < t->ngrp; ++i) groups.push_back(t->grp[i]);
    j["groups"] = groups;
    if (rotation) {
        const auto* r = static_cast<const MGROUP_ROTATE*>(t);
        j["ref"] = Vec(r->ref);
        j["axis"] = Vec(r->axis);
        j["angle"] = static_cast<double>(r->angle);
    } else if (t->Type() == MGROUP_TRANSFORM::TRANSLATE) {
        j["shift"] = Vec(static_cast<const MGROUP_TRANSLATE*>(t)->shift);
    }
    return j;
}

Json Vessel(const VesselRecord& v) {
    const VesselDefinition& d = v.def;
    Json j;
    j["name"] = v.name;
    j["class"] = v.ClassName();
    j["module"] = v.module ? Json(v.module->name) : Json(nullptr);
    j["status"] = v.landed ? "landed" : "flying";
    j["altitude"] = Altitude(v);
    j["airspeed"] = Airspeed(v);
    j["groundContact"] = InGroundContact(v);
    j["position"] = Vec(v.pos);
    j["velocity"] = Vec(v.vel);
    j["angularVelocity"] = Vec(HostAngularVelocity(v.angVel));
    j["orientation"] = Vec(AnglesFromRotation(v.rot));
    j["size"] = d.size;
    j["emptyMass"] = d.emptyMass;
    j["mass"] = v.Mass();
    j["pmi"] = Vec(d.pmi);
    j["crossSections"] = Vec(d.crossSections);
    j["rotDrag"] = Vec(d.rotDrag);
    j["cameraOffset"] = Vec(d.cameraOffset);
    j["cw"] = Json::array({d.cw[0], d.cw[1], d.cw[2], d.cw[3]});
    j["pitchMomentScale"] = d.pitchMomentScale;
    j["bankMomentScale"] = d.bankMomentScale;
    j["liftCoeffFunc"] = d.liftCoeffFunc != nullptr;
    j["surfaceFriction"] = Json::array({d.surfaceFriction[0], d.surfaceFriction[1]});
    j["transponder"] = d.transponder;
    j["touchdownPoints"] = Json::array({Vec(d.touchdownPoints[0]), Vec(d.touchdownPoints[1]), Vec(d.touchdownPoints[2])});

    Json meshes = Json::array();
    for (size_t i = 0; i < d.meshes.size(); ++i) {
        const MeshSlot& m = d.meshes[i];
        meshes.push_back(Json{{"index", i},
                              {"file", m.data ? Json(m.file) : Json(nullptr)},
                              {"offset", Vec(m.offset)},
                              {"visibility", m.visibility}});
    }
    j["meshes"] = meshes;

    Json tanks = Json::array();
    for (const Tank& t : d.tanks)
        tanks.push_back(Json{{"id", t.id}, {"maxMass", t.maxMass}, {"mass", t.mass}, {"efficiency", t.efficiency}});
    j["propellant"] = tanks;
    j["defaultPropellant"] = IdOrNull(d.defaultTank);

    Json thrusters = Json::array();
    for (const Thruster& t : d.thrusters)
        thrusters.push_back(Json{{"id", t.id},
                                 {"pos", Vec(t.pos)},
                                 {"dir", Vec(t.dir)},
                                 {"maxThrust", t.maxThrust},
                                 {"isp", t.isp},
                                 {"ispRef", t.ispRef},
                                 {"pRef", t.pRef},
                                 {"tank", IdOrNull(t.tank)},
                                 {"level", t.level}});
    j["thrusters"] = thrusters;

    Json groups = Json::array();
    for (const ThrusterGroup& g : d.groups) groups.push_back(Json{{"type", g.type}, {"thrusters", g.thrusters}});
    j["thrusterGroups"] = groups;

    Json exhaust = Json::array();
    for (const ExhaustStream& e : d.exhaust)
        exhaust.push_back(Json{{"thruster", e.thruster}, {"pos", e.pos ? Vec(*e.pos) : Json(nullptr)}, {"spec", Spec(e.spec)}});
    j["exhaust"] = exhaust;

    Json docks = Json::array();
    for (const Dock& k : d.docks) docks.push_back(Json{{"pos", Vec(k.pos)}, {"dir", Vec(k.dir)}, {"rot", Vec(k.rot)}});
    j["docks"] = docks;

    Json animations = Json::array();
    for (const Animation& a : d.animations) {
        Json comps = Json::array();
        for (const auto& c : a.components) comps.push_back(Component(a, c));
        animations.push_back(Json{{"id", a.id}, {"state", a.state}, {"components", comps}});
    }
    j["animations"] = animations;
    return j;
}

}  // namespace

nlohmann::ordered_json DumpWorld(World& world) {
    Json vessels = Json::array();
    for (const auto& v : world.Vessels()) vessels.push_back(Vessel(*v));
    return Json{{"time", world.SimTime()}, {"vessels", vessels}};
}

}  // namespace sim
