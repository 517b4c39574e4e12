#include "sim/mathx.h"

namespace sim {

Mat3 RotationFromAngles(const VECTOR3& arot) {
    const double ca = std::cos(arot.x), sa = std::sin(arot.x);
    const double cb = std::cos(arot.y), sb = std::sin(arot.y);
    const double cg = std::cos(arot.z), sg = std::sin(arot.z);
    Mat3 rx, ry, rz;
    rx.m[1][1] = ca; rx.m[1][2] = sa; rx.m[2][1] = -sa; rx.m[2][2] = ca;
    ry.m[0][0] = cb; ry.m[0][2] = -sb; ry.m[2][0] = sb; ry.m[2][2] = cb;
    rz.m[0][0] = cg; rz.m[0][1] = sg; rz.m[1][0] = -sg; rz.m[1][1] = cg;
    return rx * ry * rz;
}

VECTOR3 AnglesFromRotation(const Mat3& r) {
    double s = -r.m[0][2];
    if (s > 1) s = 1;
    if (s < -1) s = -1;
    return {std::atan2(r.m[1][2], r.m[2][2]), std::asin(s), std::atan2(r.m[0][1], r.m[0][0])};
}

Mat3 AxisRotation(const VECTOR3& axis, double angle) {
    const double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    const double x = axis.x, y = axis.y, z = axis.z;
    Mat3 r;
    r.m[0][0] = t * x * x + c;     r.m[0][1] = t * x * y - s * z; r.m[0][2] = t * x * z + s * y;
    r.m[1][0] = t * x * y + s * z; r.m[1][1] = t * y * y + c;     r.m[1][2] = t * y * z - s * x;
    r.m[2][0] = t * x * z - s * y; r.m[2][1] = t * y * z + s * x; r.m[2][2] = t * z * z + c;
    return r;
}

Mat3 Orthonormalised(const Mat3& r) {
    VECTOR3 x{r.m[0][0], r.m[1][0], r.m[2][0]};
    VECTOR3 y{r.m[0][1], r.m[1][1], r.m[2][1]};
    x = x / Length(x);
    y = y - x * Dot(x, y);
    y = y / Length(y);
    // Keep the third column's orientation (handedness) as it was.
    VECTOR3 z = Cross(x, y);
    const VECTOR3 zOld{r.m[0][2], r.m[1][2], r.m[2][2]};
    if (Dot(z, zOld) < 0) z = -z;
    Mat3 o;
    o.m[0][0] = x.x; o.m[1][0] = x.y; o.m[2][0] = x.z;
    o.m[0][1] = y.x; o.m[1][1] = y.y; o.m[2][1] = y.z;
    o.m[0][2] = z.x; o.m[1][2] = z.y; o.m[2][2] = z.z;
    return o;
}

}  // namespace sim
