// Where the day's log file lies: "LOG" in the program's folder, named after the start date.
#pragma once

#include <string>

#include "log/log_file.h"
#include "platform/clock.h"

namespace logging {

// "MMDDYYYY.log": month, day and year of `date`, each padded with zeros.
std::string LogFileName(const platform::LocalTime& date);

// The day's log file of the program in `programDirectory` (ending with the separator):
// "LOG" beside the program, then LogFileName(day).
std::string DayLogPath(const std::string& programDirectory, const platform::LocalTime& day);

// Makes the log folder (one level, when missing) and points `log` at the day's file
// with the module name "Quandor Authenticato" (20 characters of "Quandor Authenticator").
// `programDirectory` ends with the path separator. A path longer than m_szLogPath
// holds leaves logging off: a cut path would name some other file.
void PlaceLog(CLogFile& log, const std::string& programDirectory, const platform::LocalTime& today);

}  // namespace logging
