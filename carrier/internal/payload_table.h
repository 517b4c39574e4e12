// Inside the carrier: the payload lines' keywords and the nesting arithmetic of the slot table.
// Not for vessel classes built on the carrier, which see the table through its read-only view.
#pragma once

#include <span>

#include "carrier/payload_slot.h"

constexpr const char* KEY_PAYLOAD = "PAYLOAD";
constexpr const char* KEY_STAGE = "STAGE";
constexpr const char* KEY_ENDSTAGE = "ENDSTAGE";
constexpr const char* KEY_ENDDRV = "ENDDRV";

using PayloadTableView = std::span<const PayloadSlot, PAYLOAD_SLOT_COUNT>;

// The number of stage levels that close after slot i: from the stage open after it to the next
// slot's parent (or, after the last slot, to outermost, -1 for the whole table).
int StageClosingsAfter(PayloadTableView slots, int i, int outermost);
