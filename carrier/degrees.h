// Degrees to radians for the angles of scenario text and of the module's own tables.
#pragma once

// Fifteen significant digits: the value saved scenarios have always been converted with, kept
// apart from the host's PI so that every angle comes out to the same bits.
constexpr double DEGREES_PI = 3.14159265358979;

constexpr double DegreesToRadians(double degrees) { return degrees * DEGREES_PI / 180; }
