#include "sim/host_notice.h"

namespace sim {

std::string NoticeLine(const HostNotice& notice) {
    return (notice.kind == HostNotice::Kind::Warning ? "talvek-sim: warning: " : "talvek-sim: log: ") + notice.text;
}

NoticeListener& DefaultNoticeListener() {
    static NoticeListener listener;
    return listener;
}

}  // namespace sim
