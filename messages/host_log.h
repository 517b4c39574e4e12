// The module's one way into the host's log.
#pragma once

#include <string>
#include <string_view>

// The text as the host's log prints it: the simulator's oapiWriteLog takes its text as a printf
// format, so each '%' is written "%%" (a scenario line's "%s" or "%n" would otherwise read
// arguments that are not there).
std::string LogFormatOf(std::string_view text);

// Appends the text as one line to the host's log, exactly as written.
void WriteHostLog(std::string_view text);
