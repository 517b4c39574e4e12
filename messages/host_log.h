// The module's one way into the host's log.
#pragma once

#include <string>
#include <string_view>

// Appends the text as one line to the host's log, exactly as written. The simulator's
// oapiWriteLog takes its text as a printf format, so each '%' goes to it as "%%": a "%s" or "%n"
// of a scenario line or a name would otherwise read arguments that are not there.
void WriteHostLog(std::string_view text);
