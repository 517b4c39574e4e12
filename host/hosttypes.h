// Basic types of the host interface: vectors, handles, state records, exhaust and
// animation descriptions, thruster-group types and key codes.
// Declarations only; the host implements everything behind them.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define DLLCLBK extern "C" __declspec(dllexport)
#else
#define DLLCLBK extern "C" __attribute__((visibility("default")))
#endif

#if defined(_WIN32)
// As <windows.h> has it, which a module may include as well: one name, one type.
using DWORD = unsigned long;
#else
using DWORD = std::uint32_t;
#endif
using WORD = std::uint16_t;
using UINT = unsigned int;

// The key code that VESSEL2::clbkConsumeBufferedKey receives: DWORD here and in the simulator's
// SDK, int in its Linux port's. A module's override written with this name fits both.
using BufferedKeyCode = DWORD;

struct VECTOR3 {
    double x, y, z;
};

inline VECTOR3 _V(double x, double y, double z) { return VECTOR3{x, y, z}; }

// Angle constants at global scope, as the simulator's own headers give them.
const double PI = 3.14159265358979323846;
const double PI05 = 1.57079632679489661923;  // pi/2
const double PI2 = 6.28318530717958647693;   // 2 pi
const double RAD = PI / 180.0;               // degrees -> radians
const double DEG = 180.0 / PI;               // radians -> degrees
inline VECTOR3 operator+(const VECTOR3& a, const VECTOR3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline VECTOR3 operator-(const VECTOR3& a, const VECTOR3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline VECTOR3 operator-(const VECTOR3& a) { return {-a.x, -a.y, -a.z}; }
inline VECTOR3 operator*(const VECTOR3& a, double f) { return {a.x * f, a.y * f, a.z * f}; }
inline VECTOR3 operator/(const VECTOR3& a, double f) { return {a.x / f, a.y / f, a.z / f}; }
inline VECTOR3& operator+=(VECTOR3& a, const VECTOR3& b) { a = a + b; return a; }
inline VECTOR3& operator-=(VECTOR3& a, const VECTOR3& b) { a = a - b; return a; }

// Opaque handles. The host owns what they name; a null handle names nothing.
using OBJHANDLE = void*;                 // a vessel or celestial body
using VISHANDLE = void*;                 // a vessel's visual
using MESHHANDLE = void*;                // a mesh template
using FILEHANDLE = void*;                // a scenario or configuration file
using SURFHANDLE = void*;                // a texture
using PROPELLANT_HANDLE = void*;         // a propellant tank
using THRUSTER_HANDLE = void*;           // a thruster
using THGROUP_HANDLE = void*;            // a thruster group
using DOCKHANDLE = void*;                // a docking port
using ANIMATIONCOMPONENT_HANDLE = void*;  // a component of an animation
using PSTREAM_HANDLE = void*;            // an exhaust particle stream

// The host's state record of a vessel, as filled by VESSEL::GetStatus and taken by
// oapiCreateVessel; the simulator's fields in its order. Positions and velocities are relative
// to the reference body, in global axes. A landed vessel (status 1) is placed by vdata[0]
// alone: oapiCreateVessel then ignores rpos, rvel, vrot and arot.
struct VESSELSTATUS {
    VECTOR3 rpos;      // position [m]
    VECTOR3 rvel;      // velocity [m/s]
    VECTOR3 vrot;      // angular velocity [rad/s], vessel axes; landed: x is the height over the ground [m]
    VECTOR3 arot;      // orientation angles [rad]
    double fuel;       // fuel level of the default tank [0..1]
    double eng_main;   // main engine level [-1..1]; negative means retro
    double eng_hovr;   // hover engine level [0..1]
    OBJHANDLE rbody;   // reference body
    OBJHANDLE base;    // surface base, when landed
    int port;          // docking port, when docked
    int status;        // 0 flying, 1 landed
    VECTOR3 vdata[10];  // landed: vdata[0] = longitude, latitude, heading [rad]; the others unused
    double fdata[10];   // unused
    DWORD flag[10];     // bit flags; flag[0]: whether fuel and the engine levels are to be applied
};

// Description of an exhaust particle stream.
struct PARTICLESTREAMSPEC {
    DWORD flags;
    double srcsize;      // particle size at creation [m]
    double srcrate;      // particle creation rate [1/s]
    double v0;           // emission speed [m/s]
    double srcspread;    // emission speed randomisation [-]
    double lifetime;     // particle lifetime [s]
    double growthrate;   // particle growth rate [m/s]
    double atmslowdown;  // slow-down rate in atmosphere [1/s]
    enum LTYPE { EMISSIVE, DIFFUSE } ltype;
    enum LEVELMAP { LVL_FLAT, LVL_LIN, LVL_SQRT, LVL_PLIN, LVL_PSQRT } levelmap;
    double lmin, lmax;   // level bounds
    enum ATMSMAP { ATM_FLAT, ATM_PLIN, ATM_PLOG } atmsmap;
    double amin, amax;   // atmosphere bounds
    SURFHANDLE tex;      // particle texture; null for the host's default
};

// Transform records of animation components. The host keeps the pointer that it is
// given: a record must stay valid and unchanged while its component exists.
class MGROUP_TRANSFORM {
public:
    enum TYPE { NULLTRANSFORM, ROTATE, TRANSLATE, SCALE };
    MGROUP_TRANSFORM() = default;
    MGROUP_TRANSFORM(UINT mesh, UINT* grp, UINT ngrp) : mesh(mesh), grp(grp), ngrp(ngrp) {}
    // No virtual destructor, as in the simulator: a record is destroyed through its own type.
    virtual TYPE Type() const { return NULLTRANSFORM; }

    UINT mesh = 0;         // mesh index
    UINT* grp = nullptr;   // mesh group indices
    UINT ngrp = 0;         // number of groups in grp
};

class MGROUP_ROTATE : public MGROUP_TRANSFORM {
public:
    MGROUP_ROTATE(UINT mesh, UINT* grp, UINT ngrp, const VECTOR3& ref, const VECTOR3& axis, float angle)
        : MGROUP_TRANSFORM(mesh, grp, ngrp), ref(ref), axis(axis), angle(angle) {}
    TYPE Type() const override { return ROTATE; }

    VECTOR3 ref;    // reference point [m], mesh frame
    VECTOR3 axis;   // rotation axis, as given (not normalised by the caller)
    float angle;    // rotation angle [rad]
};

class MGROUP_TRANSLATE : public MGROUP_TRANSFORM {
public:
    MGROUP_TRANSLATE(UINT mesh, UINT* grp, UINT ngrp, const VECTOR3& shift)
        : MGROUP_TRANSFORM(mesh, grp, ngrp), shift(shift) {}
    TYPE Type() const override { return TRANSLATE; }

    VECTOR3 shift;  // translation [m], mesh frame
};

// What GetAltitude measures from: the body's mean radius, or the ground under the vessel.
enum AltitudeMode { ALTMODE_MEANRAD, ALTMODE_GROUND };

// Thruster-group types.
enum THGROUP_TYPE {
    THGROUP_MAIN = 0,
    THGROUP_RETRO = 1,
    THGROUP_HOVER = 2,
    THGROUP_ATT_PITCHUP = 3,
    THGROUP_ATT_PITCHDOWN = 4,
    THGROUP_ATT_YAWLEFT = 5,
    THGROUP_ATT_YAWRIGHT = 6,
    THGROUP_ATT_BANKLEFT = 7,
    THGROUP_ATT_BANKRIGHT = 8,
    THGROUP_ATT_RIGHT = 9,
    THGROUP_ATT_LEFT = 10,
    THGROUP_ATT_UP = 11,
    THGROUP_ATT_DOWN = 12,
    THGROUP_ATT_FORWARD = 13,
    THGROUP_ATT_BACK = 14,
    THGROUP_USER = 0x40,
    THGROUP_USER_LAST = 0xFF
};

// Keyboard scan codes; the keyboard state holds one byte per code.
constexpr int OAPI_KEY_LCONTROL = 29;
constexpr int OAPI_KEY_J = 36;
constexpr int OAPI_KEY_K = 37;
constexpr int OAPI_KEY_LSHIFT = 42;
constexpr int OAPI_KEY_RSHIFT = 54;
constexpr int OAPI_KEY_RCONTROL = 157;
constexpr int KEYBOARD_STATE_SIZE = 256;

// A key is down when bit 128 of its byte is set.
#define KEYDOWN(buf, key) ((buf)[key] & 0x80)

// Lift coefficient callback of the legacy flight model: angle of attack [rad] -> cl.
using LiftCoeffFunc = double (*)(double aoa);
