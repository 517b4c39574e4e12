// Comparing host vectors in tests.
#pragma once

#include <gtest/gtest.h>

#include "host/hosttypes.h"

inline void ExpectNear(const VECTOR3& actual, const VECTOR3& expected, double tolerance = 1e-9) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}
