// The daily log of tray actions: a file of fixed-width records of 319 bytes, the header
// record first. Support staff and other programs read these files, so the record layout
// must not change.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/files.h"

namespace logging {

// Field widths and offsets of one record (text, NUL-filled to the width), then CR LF.
constexpr std::size_t kDateOffset = 0, kDateWidth = 11;
constexpr std::size_t kTimeOffset = 11, kTimeWidth = 9;
constexpr std::size_t kModuleOffset = 20, kModuleWidth = 21;
constexpr std::size_t kProcedureOffset = 41, kProcedureWidth = 21;
constexpr std::size_t kDescriptionOffset = 62, kDescriptionWidth = 255;
constexpr std::size_t kFieldBytes = 317;
constexpr std::size_t kRecordBytes = 319;

// Fills a fixed text field: at most N - 1 characters of `text`, NUL bytes after them.
template <std::size_t N>
void CopyBounded(char (&field)[N], std::string_view text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

// Most records a log file holds: the header and 9,999,998 entries (3,189,999,681 bytes).
constexpr std::int32_t kRecordCap = 9999999;

class CLogFile {
 public:
  using Clock = std::function<platform::LocalTime()>;

  // `recordCap` (at least 2: the header and one entry) and `clock` are there for tests.
  explicit CLogFile(std::int32_t recordCap = kRecordCap, Clock clock = platform::Now);
  ~CLogFile();
  CLogFile(const CLogFile&) = delete;
  CLogFile& operator=(const CLogFile&) = delete;

  // Appends one entry stamped with the time of the call; a null description is empty.
  // False when nothing was written: logging off (empty path), the file did not open, or
  // a write failed (no torn record is left behind).
  bool WriteLogEntry(const char* description);

  // Copies at most 20 characters of `name` into m_szProcedure (null clears it).
  void SetProcedure(const char* name);

  char m_szLogPath[261];  // empty: logging is off
  char m_szModule[21];
  char m_szProcedure[21];
  char m_szHeader[kFieldBytes];
  std::int32_t m_nRecordCount;  // whole records in the file when it was last opened

 private:
  void InitHeader();
  // Opens the file (not the turn). False when it cannot be opened.
  bool Open(platform::SharedFile::Writes writes);
  // Whether an entry may go at the end of a file of `length` bytes without the turn.
  bool AppendsWithoutATurn(std::uint64_t length) const;
  // Under the turn, holding the open file to rewrite it: places the write position at its
  // end, writing the header into an empty file, realigning a torn tail and dropping the
  // oldest entries of a file at the cap. False (and the file closed) when a step fails.
  bool PlaceAtEnd();
  // Takes the turn, places the write position and appends `record`; without a record it
  // only tidies the file (a torn tail). True when the record was written.
  bool WriteUnderTheTurn(const std::optional<std::string>& record);
  void WriteHeader();
  void DropOldestEntries(std::uint64_t length, std::uint64_t records);
  bool EndsInACutShortEntry(std::uint64_t length, std::uint64_t records);
  void CutBackTo(std::uint64_t length);
  void Close();

  std::int32_t m_recordCap;
  Clock m_clock;
  std::optional<platform::SharedFile> m_file;  // open only while one entry is written
  std::uint64_t m_position = 0;                // where the next write goes
};

// The date and time fields of an entry without their TABs: "%m-%d-%Y" and "%H:%M:%S".
std::string FormatLogDate(const platform::LocalTime& time);
std::string FormatLogTime(const platform::LocalTime& time);

// The 317 field bytes of an entry.
std::string BuildEntryFields(const platform::LocalTime& time, std::string_view module, std::string_view procedure,
                             std::string_view description);

}  // namespace logging

// The program's one log object, built before the program starts.
extern logging::CLogFile g_logFile;
