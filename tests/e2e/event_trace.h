// The events the programs wrote, as Wine's advapi32 traces them on standard error with
// WINEDEBUG=+eventlog,fixme+advapi (Wine stores no event). The e2e program's standard
// error, shared by every Wine program it starts, goes to the file that
// QUANDOR_EVENT_TRACE names; the event group's ctest entry points it there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

struct TracedEvent {
  std::string source;  // of the writing thread's RegisterEventSource
  unsigned type = 0;   // EVENTLOG_*_TYPE
  unsigned category = 0;
  std::uint32_t messageId = 0;
  std::vector<std::string> strings;  // as given, Wine's escapes undone
};

// The trace file's path, or empty when the environment names none.
std::string EventTracePath();

// The whole trace as written so far.
std::string EventTraceText();

// The events of `trace` (a whole trace or a tail of one starting at a line).
std::vector<TracedEvent> ParseEventTrace(const std::string& trace);

}  // namespace e2e
