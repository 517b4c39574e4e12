#include "messages/host_log.h"

#include "host/orbiter.h"

namespace {
std::string LogFormatOf(std::string_view text) {
    std::string format;
    format.reserve(text.size());
    for (char c : text) {
        format += c;
        if (c == '%') format += '%';
    }
    return format;
}
}  // namespace

void WriteHostLog(std::string_view text) {
    std::string format = LogFormatOf(text);
    oapiWriteLog(format.data());
}
