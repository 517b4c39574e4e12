// Inside the carrier: the payload lines' keywords and the nesting arithmetic of the slot table.
// Not for vessel classes built on the carrier, which see the table through its read-only view.
#pragma once

#include <span>
#include <string_view>

#include "carrier/payload_slot.h"

constexpr const char* KEY_PAYLOAD = "PAYLOAD";
constexpr const char* KEY_STAGE = "STAGE";
constexpr const char* KEY_ENDSTAGE = "ENDSTAGE";
constexpr const char* KEY_ENDDRV = "ENDDRV";

// What a payload line's keyword asks for.
enum class PayloadKey { None, Payload, Stage, EndStage };

struct PayloadKeyword {
    const char* text;
    PayloadKey key;
};
// In the order a mistyped key is matched against them.
inline constexpr PayloadKeyword PAYLOAD_KEYWORDS[] = {{KEY_PAYLOAD, PayloadKey::Payload},
                                                      {KEY_STAGE, PayloadKey::Stage},
                                                      {KEY_ENDSTAGE, PayloadKey::EndStage},
                                                      {KEY_ENDDRV, PayloadKey::EndStage}};

// The key a word is, compared whole and in capitals; None for any other word.
constexpr PayloadKey KeyOf(std::string_view word) {
    for (const PayloadKeyword& keyword : PAYLOAD_KEYWORDS)
        if (word == keyword.text) return keyword.key;
    return PayloadKey::None;
}

using PayloadTableView = std::span<const PayloadSlot, PAYLOAD_SLOT_COUNT>;

// The number of stage levels that close after slot i: from the stage open after it to the next
// slot's parent (or, after the last slot, to outermost, -1 for the whole table).
int StageClosingsAfter(PayloadTableView slots, int i, int outermost);

// a - b as the author of both would write it: rounded to the finer of the two numbers' decimal
// places (those of the shortest text that reads back as each, so 7 has none, 9.35 two and 1e-07
// seven), where that rounding moves it no further than the doubles a and b leave open; else a - b
// as it comes. A stage receives its contents' positions so: 9.35 - 7 as 2.35, not 2.3499999999999996.
double DifferenceAsWritten(double a, double b);
