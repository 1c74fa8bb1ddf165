#include "tests/e2e/event_trace.h"

#include <cstdlib>
#include <map>
#include <sstream>

#include "tests/fixtures/driver.h"

namespace e2e {
namespace {

// Wine's debugstr_w form: L"..." with \n \r \t \" \\ and \XXXX (four hex digits) for
// other characters; a long string is cut and followed by "...".
std::string Unescape(const std::string& quoted) {
  std::string out;
  for (std::size_t i = 0; i < quoted.size(); ++i) {
    if (quoted[i] != '\\' || i + 1 >= quoted.size()) {
      out += quoted[i];
      continue;
    }
    const char next = quoted[++i];
    switch (next) {
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case '"':
      case '\\':
        out += next;
        break;
      default:
        out += static_cast<char>(std::strtoul(quoted.substr(i, 4).c_str(), nullptr, 16));
        i += 3;
    }
  }
  return out;
}

// The text between L" and the closing quote of a traced string.
std::string QuotedText(const std::string& line, std::size_t from) {
  const std::size_t open = line.find("L\"", from);
  if (open == std::string::npos) return {};
  const std::size_t start = open + 2;
  std::size_t end = start;
  while (end < line.size() && line[end] != '"') end += line[end] == '\\' ? 2 : 1;
  return Unescape(line.substr(start, end - start));
}

}  // namespace

std::string EventTracePath() {
  const char* path = std::getenv("QUANDOR_EVENT_TRACE");
  return path ? path : "";
}

std::string EventTraceText() { return driver::ReadFileText(EventTracePath()); }

std::vector<TracedEvent> ParseEventTrace(const std::string& trace) {
  std::vector<TracedEvent> events;
  std::map<std::string, std::string> sourceOfThread;
  std::map<std::string, std::pair<std::size_t, unsigned>> pending;  // thread -> event index, strings still to come
  std::istringstream lines(trace);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string thread = line.substr(0, colon);
    if (line.find(":RegisterEventSourceW (") != std::string::npos) {
      const std::size_t comma = line.find("\",L\"");
      if (comma != std::string::npos) sourceOfThread[thread] = QuotedText(line, comma + 2);
    } else if (const std::size_t at = line.find(":ReportEventW (");
               at != std::string::npos && line.find(":advapi:") != std::string::npos) {
      std::vector<std::string> fields;
      std::istringstream in(line.substr(at + 15));
      for (std::string field; std::getline(in, field, ',');) fields.push_back(field);
      if (fields.size() < 6) continue;
      TracedEvent event;
      event.source = sourceOfThread[thread];
      event.type = std::stoul(fields[1], nullptr, 16);
      event.category = std::stoul(fields[2], nullptr, 16);
      event.messageId = static_cast<std::uint32_t>(std::stoul(fields[3], nullptr, 16));
      const unsigned count = std::stoul(fields[5], nullptr, 16);
      events.push_back(event);
      if (count > 0) pending[thread] = {events.size() - 1, count};
    } else if (line.find(":eventlog:ReportEventW L\"") != std::string::npos) {
      const auto waiting = pending.find(thread);
      if (waiting == pending.end()) continue;
      events[waiting->second.first].strings.push_back(QuotedText(line, colon));
      if (--waiting->second.second == 0) pending.erase(waiting);
    }
  }
  return events;
}

}  // namespace e2e
