// quandorctl log: prints log files.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "log/log_reader.h"

namespace quandorctl {

// One output line of a record (without the line end): its five fields joined by TABs.
// TAB, CR, LF, backslash and other control bytes inside a field are written as \t, \r,
// \n, \\ and \xHH, so a line always holds exactly five fields.
std::string FormatLogLine(const logging::LogRecord& record);

// "log show FILE": every whole record to `out`, warnings about foreign bytes to `err`.
// Returns the exit status; throws CommandError when the file cannot be read.
int ShowLog(const std::string& path, std::ostream& out, std::ostream& err);

}  // namespace quandorctl
