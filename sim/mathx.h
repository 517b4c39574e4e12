// Small vector and matrix helpers of the headless host.
#pragma once

#include <cmath>

#include "host/hosttypes.h"

namespace sim {

inline double Dot(const VECTOR3& a, const VECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline double Length(const VECTOR3& a) { return std::sqrt(Dot(a, a)); }
inline VECTOR3 Cross(const VECTOR3& a, const VECTOR3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline bool IsFinite(const VECTOR3& a) { return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z); }

// Row-major 3x3 matrix; m[r][c].
struct Mat3 {
    double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

    VECTOR3 operator*(const VECTOR3& v) const {
        return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z, m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
                m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
    }
    Mat3 operator*(const Mat3& b) const {
        Mat3 r;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) r.m[i][j] = m[i][0] * b.m[0][j] + m[i][1] * b.m[1][j] + m[i][2] * b.m[2][j];
        return r;
    }
    Mat3 Transposed() const {
        Mat3 r;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) r.m[i][j] = m[j][i];
        return r;
    }
};

// The host's orientation convention: R = Rx(alpha) * Ry(beta) * Rz(gamma) turns vessel
// vectors into global ones.
Mat3 RotationFromAngles(const VECTOR3& arot);
VECTOR3 AnglesFromRotation(const Mat3& r);
// Rotation by angle [rad] about a unit axis.
Mat3 AxisRotation(const VECTOR3& axis, double angle);
// Re-orthonormalise a rotation matrix that integration has let drift.
Mat3 Orthonormalised(const Mat3& r);

}  // namespace sim
