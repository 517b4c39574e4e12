// Errors of the headless host's inputs: scenario, class and mesh files, flight scripts and
// arguments. The message already names the place ("FILE:LINE: what is wrong; what is accepted").
#pragma once

#include <stdexcept>
#include <string>

namespace sim {

class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The host declines a vessel that a module asks for (its class is unknown, or its name is
// taken): oapiCreateVessel then gives a null handle. Every other input error stops the run.
class VesselRefused : public InputError {
public:
    using InputError::InputError;
};

// "FILE:LINE: message", or "FILE: message" when line is 0.
std::string Where(const std::string& file, int line, const std::string& message);

}  // namespace sim
