// The two ways a host reaches a vessel module: the exported entry points that older hosts call,
// and the VESSEL2 callbacks of the current simulator; and the events that both can deliver.
#pragma once

#include <cstdint>

enum class HostRoute : std::uint8_t { None, EntryPoint, Callback };
enum class HostEvent : std::uint8_t { LoadState, VisualCreated, TimeStep, SaveState, Key, Count };
