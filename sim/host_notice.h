// What the host tells whoever runs it, as it happens: a warning about something it declined or
// dropped, or a line a module wrote to the host's log. The library only hands notices on; the
// program decides where they go.
#pragma once

#include <functional>
#include <string>

namespace sim {

struct HostNotice {
    enum class Kind { Warning, Log } kind;
    std::string text;  // without the line's lead
};

// The line a program shows for a notice: "talvek-sim: warning: <text>" or "talvek-sim: log: <text>".
std::string NoticeLine(const HostNotice& notice);

using NoticeListener = std::function<void(const HostNotice&)>;

// The listener each new World starts with, and the one that hears a notice given while no world
// exists. Empty (notices go nowhere) until the program installs one.
NoticeListener& DefaultNoticeListener();

}  // namespace sim
