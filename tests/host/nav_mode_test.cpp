// The autopilot modes and their words: scripts, dumps and event lines use the words, the host
// the modes, and each must give the other back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/app/script.h"
#include "sim/errors.h"
#include "sim/nav_mode.h"

namespace {

struct ModeWord {
    sim::NavMode mode;
    const char* word;
};
constexpr ModeWord MODES[] = {{sim::NavMode::Off, "off"},
                              {sim::NavMode::Prograde, "prograde"},
                              {sim::NavMode::Retrograde, "retrograde"},
                              {sim::NavMode::KillRot, "killrot"}};

}  // namespace

TEST(NavModeWords, EachModeReadsBackFromItsWord) {
    for (const ModeWord& c : MODES) {
        EXPECT_STREQ(sim::NavModeText(c.mode), c.word);
        EXPECT_EQ(sim::NavModeFromText(c.word), c.mode) << c.word;
        EXPECT_EQ(sim::NavModeFromText(sim::NavModeText(c.mode)), c.mode) << c.word;
    }
}

TEST(NavModeWords, OnlyTheExactWordNamesAMode) {
    for (const char* text : {"", "Off", "PROGRADE", "Retrograde", "kill rot", "kill", " off", "off ", "retro", "hold"})
        EXPECT_EQ(sim::NavModeFromText(text), std::nullopt) << "'" << text << "'";
}

TEST(NavModeWords, AScriptLineGivesTheModeItNames) {
    for (const ModeWord& c : MODES) {
        const sim::FlightScript s =
            sim::ParseScript(std::string("at 5 T navmode ") + c.word + "\n", "flight.txt", "/tmp");
        ASSERT_EQ(s.actions.size(), 1u);
        EXPECT_EQ(s.actions[0].kind, sim::ScriptAction::Kind::NAVMODE);
        EXPECT_EQ(s.actions[0].navMode, c.mode) << c.word;
        EXPECT_EQ(s.actions[0].word, c.word);
    }
}

TEST(NavModeWords, AScriptLineWithAnotherWordIsRefusedAtItsLine) {
    try {
        sim::ParseScript("# comment\nat 5 T navmode Prograde\n", "flight.txt", "/tmp");
        FAIL() << "a mode word in capitals was accepted";
    } catch (const sim::InputError& e) {
        EXPECT_STREQ(e.what(), "flight.txt:2: navigation mode 'Prograde' is none of prograde, retrograde, killrot, off");
    }
}
