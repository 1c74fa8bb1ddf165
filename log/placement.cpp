#include "log/placement.h"

#include <algorithm>
#include <cstdio>

#include "platform/files.h"
#include "platform/paths.h"

namespace logging {
namespace {

constexpr char kModuleName[] = "Quandor Authenticator";

}  // namespace

std::string LogFileName(const platform::LocalTime& date) {
  char digits[40];
  std::snprintf(digits, sizeof digits, "%2d%2d%4d", date.month, date.day, date.year);
  std::string name = digits;
  std::replace(name.begin(), name.end(), ' ', '0');
  return name + ".log";
}

std::string DayLogPath(const std::string& programDirectory, const platform::LocalTime& day) {
  return programDirectory + "LOG" + platform::PathSeparator() + LogFileName(day);
}

void PlaceLog(CLogFile& log, const std::string& programDirectory, const platform::LocalTime& today) {
  const std::string path = DayLogPath(programDirectory, today);
  const std::string folder = platform::DirectoryOf(path);
  // Not examined: a folder that cannot be made shows later as entries that do not open.
  if (!platform::PathExists(folder)) platform::MakeDirectory(folder);
  CopyBounded(log.m_szLogPath, path.size() < sizeof log.m_szLogPath ? path : std::string());
  CopyBounded(log.m_szModule, kModuleName);
}

}  // namespace logging
