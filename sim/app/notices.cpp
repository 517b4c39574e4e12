// Every program built on the app layer shows the host's notices on standard error as they
// happen, in their place among its other lines. This file is compiled into each such program
// (not only into the app library), so the listener is in place before any world exists.
#include <iostream>

#include "sim/host_notice.h"

namespace sim {
namespace {

void PrintNotice(const HostNotice& notice) { std::cerr << NoticeLine(notice) << "\n"; }

const bool installed = [] {
    DefaultNoticeListener() = PrintNotice;
    return true;
}();

}  // namespace
}  // namespace sim
