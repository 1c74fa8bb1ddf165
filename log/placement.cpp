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

void PlaceLog(CLogFile& log, const std::string& programDirectory, const platform::LocalTime& today) {
  const std::string folder = programDirectory + "LOG" + platform::PathSeparator();
  // Not examined: a folder that cannot be made shows later as entries that do not open.
  if (!platform::PathExists(folder)) platform::MakeDirectory(folder);
  const std::string path = folder + LogFileName(today);
  CopyBounded(log.m_szLogPath, path.size() < sizeof log.m_szLogPath ? path : std::string());
  CopyBounded(log.m_szModule, kModuleName);
}

}  // namespace logging
