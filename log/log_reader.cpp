#include "log/log_reader.h"

#include <algorithm>
#include <cstring>

#include "log/log_file.h"

namespace logging {
namespace {

struct Field {
  const char* name;
  std::size_t offset;
  std::size_t width;
  bool tabbed;  // its text ends with a TAB
  std::string LogRecord::*text;
};

constexpr Field kFields[] = {
    {"date", kDateOffset, kDateWidth, true, &LogRecord::date},
    {"time", kTimeOffset, kTimeWidth, true, &LogRecord::time},
    {"module", kModuleOffset, kModuleWidth, true, &LogRecord::module},
    {"procedure", kProcedureOffset, kProcedureWidth, true, &LogRecord::procedure},
    {"description", kDescriptionOffset, kDescriptionWidth, false, &LogRecord::description},
};

// What is wrong with one field, or an empty text; fills `text` either way.
std::string ReadField(std::string_view bytes, const Field& field, std::string& text) {
  const std::string_view raw = bytes.substr(field.offset, field.width);
  const std::size_t end = std::min(raw.find('\0'), raw.size());
  text.assign(raw.substr(0, end));
  const bool filled = raw.find_first_not_of('\0', end) == std::string_view::npos;
  if (field.tabbed && (text.empty() || text.back() != '\t')) {
    return std::string("the ") + field.name + " field does not end with a TAB";
  }
  if (field.tabbed) text.pop_back();
  if (!filled) return std::string("the ") + field.name + " field holds bytes after its end";
  return {};
}

}  // namespace

std::size_t BufferSource::Read(char* buffer, std::size_t n) {
  const std::size_t count = std::min(n, m_bytes.size());
  std::memcpy(buffer, m_bytes.data(), count);
  m_bytes.remove_prefix(count);
  return count;
}

std::size_t FileSource::Read(char* buffer, std::size_t n) {
  const std::size_t count = m_file.ReadSomeAt(m_offset, buffer, n);
  m_offset += count;
  return count;
}

LogRecord ParseRecord(std::string_view bytes, std::uint64_t index) {
  LogRecord record;
  record.index = index;
  for (const Field& field : kFields) {
    std::string problem = ReadField(bytes, field, record.*field.text);
    if (record.problem.empty()) record.problem = std::move(problem);
  }
  if (record.problem.empty() && bytes.substr(kFieldBytes) != "\r\n")
    record.problem = "the record does not end with CR LF";
  const bool isHeader = record.date == "DATE" && record.time == "TIME" && record.module == "MODULE" &&
                        record.procedure == "PROCEDURE" && record.description == "DESCRIPTION";
  if (record.problem.empty() && index == 0 && !isHeader) record.problem = "the first record is not the header";
  return record;
}

std::optional<LogRecord> LogReader::Next() {
  if (m_ended) return std::nullopt;
  char bytes[kRecordBytes];
  std::size_t have = 0;
  while (have < kRecordBytes) {
    const std::size_t got = m_source.Read(bytes + have, kRecordBytes - have);
    if (got == 0) break;
    have += got;
  }
  if (have < kRecordBytes) {
    m_trailing = have;
    m_ended = true;
    return std::nullopt;
  }
  return ParseRecord(std::string_view(bytes, kRecordBytes), m_index++);
}

}  // namespace logging
