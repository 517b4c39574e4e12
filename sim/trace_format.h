// Formatting of host-call arguments for the trace: numbers as the shortest text that reads
// back exactly, vectors as (x, y, z), handles as #id or null, strings quoted.
#pragma once

#include <string>
#include <type_traits>

#include "sim/records.h"
#include "sim/text.h"

namespace sim::trace {

inline std::string Fmt(double d) { return FormatDouble(d); }
inline std::string Fmt(bool b) { return b ? "true" : "false"; }
template <class T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>, int> = 0>
std::string Fmt(T i) {
    return std::to_string(i);
}
inline std::string Fmt(const VECTOR3& v) { return "(" + Fmt(v.x) + ", " + Fmt(v.y) + ", " + Fmt(v.z) + ")"; }
inline std::string Fmt(const VECTOR3* v) { return v ? Fmt(*v) : "null"; }
inline std::string Fmt(const void* handle) { return handle ? "#" + std::to_string(IdOf(handle)) : "null"; }
inline std::string Fmt(const char* s) { return s ? "\"" + std::string(s) + "\"" : "null"; }

template <class... A>
std::string Args(const A&... a) {
    std::string out;
    ((out += (out.empty() ? "" : ", ") + Fmt(a)), ...);
    return out;
}

}  // namespace sim::trace
