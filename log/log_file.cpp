#include "log/log_file.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/files.h"

logging::CLogFile g_logFile;

namespace logging {
namespace {

constexpr char kLineEnd[] = "\r\n";

// At the cap the kept entries move forward in pieces, never all at once: the file can
// hold more than 3 GB. A piece is a whole number of records and the move shifts by whole
// records, so a move cut short leaves every record whole: each is either moved or not,
// never made of two entries' bytes (at worst one entry then stands twice).
constexpr std::size_t kMovePiece = (64 * 1024 / kRecordBytes) * kRecordBytes;

// An entry appends without the turn only this many records or more below the cap.
// Appenders at once each read the length before the others' entries land, so together
// they could pass the cap from just below it; the margin keeps the file at most at the
// cap: passing it would take this many entries of other writers within that moment.
constexpr std::uint64_t kRecordsAheadOfTheCap = 1000;

// Copies text into field bytes [offset, offset + width), cut to the width.
void Place(char* record, std::size_t offset, std::size_t width, std::string_view text) {
  std::memcpy(record + offset, text.data(), std::min(text.size(), width));
}

// Places the name followed by a TAB, every space removed, cut to the width: the module
// and procedure fields.
void PlaceTabbedWithoutSpaces(char* record, std::size_t offset, std::size_t width, std::string_view name) {
  std::size_t n = 0;
  for (char c : name)
    if (c != ' ' && n < width) record[offset + n++] = c;
  if (n < width) record[offset + n] = '\t';
}

// Places the text cut to one less than the width, then a TAB: the date and time fields.
void PlaceTabbed(char* record, std::size_t offset, std::size_t width, std::string_view text) {
  const std::size_t n = std::min(text.size(), width - 1);
  std::memcpy(record + offset, text.data(), n);
  record[offset + n] = '\t';
}

std::string_view Bounded(const char* text, std::size_t limit) {
  return text == nullptr ? std::string_view("") : std::string_view(text, strnlen(text, limit));
}

// Room for a date or a time as printed below: three numbers of at most 11 characters
// and two separators.
constexpr std::size_t kStampRoom = 3 * 11 + 2;

// Prints at `out` what "%0<width>d" prints: the sign, zeros up to the width, the
// digits. Returns the end of what it printed.
char* PrintZeroPadded(char* out, int value, int width) {
  char digits[10];
  int n = 0;
  unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) *out++ = '-';
  for (int pad = width - n - (value < 0 ? 1 : 0); pad > 0; --pad) *out++ = '0';
  while (n > 0) *out++ = digits[--n];
  return out;
}

// Three numbers as "%02d<separator>%02d<separator>%0<lastWidth>d" prints them, at `out`
// (kStampRoom characters). Written out digit by digit: an entry is written at every
// step of the program, and printf's format parsing was a tenth of an entry's time.
std::string_view PrintStamp(char* out, int first, int second, int third, int lastWidth, char separator) {
  char* end = PrintZeroPadded(out, first, 2);
  *end++ = separator;
  end = PrintZeroPadded(end, second, 2);
  *end++ = separator;
  end = PrintZeroPadded(end, third, lastWidth);
  return std::string_view(out, static_cast<std::size_t>(end - out));
}

std::string_view PrintDate(char* out, const platform::LocalTime& time) {
  return PrintStamp(out, time.month, time.day, time.year, 4, '-');
}

std::string_view PrintTime(char* out, const platform::LocalTime& time) {
  return PrintStamp(out, time.hour, time.minute, time.second, 2, ':');
}

// Whether `bytes` could begin an entry of ours: its date field, "MM-DD-YYYY" and a TAB,
// as far as the bytes go.
bool BeginsLikeAnEntry(std::string_view bytes) {
  constexpr char kForm[] = "00-00-0000\t";  // 0: a digit
  for (std::size_t i = 0; i < bytes.size() && i < kDateWidth; ++i) {
    const bool digit = bytes[i] >= '0' && bytes[i] <= '9';
    if (kForm[i] == '0' ? !digit : bytes[i] != kForm[i]) return false;
  }
  return true;
}

}  // namespace

std::string FormatLogDate(const platform::LocalTime& time) {
  char text[kStampRoom];
  return std::string(PrintDate(text, time));
}

std::string FormatLogTime(const platform::LocalTime& time) {
  char text[kStampRoom];
  return std::string(PrintTime(text, time));
}

std::string BuildEntryFields(const platform::LocalTime& time, std::string_view module, std::string_view procedure,
                             std::string_view description) {
  std::string record(kRecordBytes, '\0');  // room for the line end the caller adds
  record.resize(kFieldBytes);
  char stamp[kStampRoom];
  // A date or time that does not fit (a clock gone wrong) is cut, so the TAB still ends its field.
  PlaceTabbed(record.data(), kDateOffset, kDateWidth, PrintDate(stamp, time));
  PlaceTabbed(record.data(), kTimeOffset, kTimeWidth, PrintTime(stamp, time));
  PlaceTabbedWithoutSpaces(record.data(), kModuleOffset, kModuleWidth, module);
  PlaceTabbedWithoutSpaces(record.data(), kProcedureOffset, kProcedureWidth, procedure);
  Place(record.data(), kDescriptionOffset, kDescriptionWidth, description);
  return record;
}

CLogFile::CLogFile(std::int32_t recordCap, Clock clock)
    : m_szLogPath{},
      m_szModule{},
      m_szProcedure{},
      m_szHeader{},
      m_nRecordCount(0),
      m_recordCap(std::max<std::int32_t>(recordCap, 2)),
      m_clock(std::move(clock)) {
  InitHeader();
}

CLogFile::~CLogFile() = default;

void CLogFile::SetProcedure(const char* name) { CopyBounded(m_szProcedure, Bounded(name, sizeof m_szProcedure - 1)); }

void CLogFile::InitHeader() {
  std::memset(m_szHeader, 0, sizeof m_szHeader);
  Place(m_szHeader, kDateOffset, kDateWidth, "DATE\t");
  Place(m_szHeader, kTimeOffset, kTimeWidth, "TIME\t");
  Place(m_szHeader, kModuleOffset, kModuleWidth, "MODULE\t");
  Place(m_szHeader, kProcedureOffset, kProcedureWidth, "PROCEDURE\t");
  Place(m_szHeader, kDescriptionOffset, kDescriptionWidth, "DESCRIPTION");
}

void CLogFile::WriteHeader() {
  m_file->WriteAt(m_position, std::string(m_szHeader, sizeof m_szHeader) + kLineEnd);
  m_position += kRecordBytes;
}

void CLogFile::Close() { m_file.reset(); }

// Shortens the file after a failed write so that no torn record stays behind. Quiet:
// the caller already reports the failure by its result.
void CLogFile::CutBackTo(std::uint64_t length) {
  try {
    m_file->Truncate(length);
  } catch (const platform::FileError&) {
  }
}

bool CLogFile::Open(platform::SharedFile::Writes writes) {
  if (m_szLogPath[0] == '\0') return false;
  try {
    m_file.emplace(std::string(Bounded(m_szLogPath, sizeof m_szLogPath - 1)), writes);
  } catch (const platform::FileError&) {
    return false;
  }
  return true;
}

bool CLogFile::AppendsWithoutATurn(std::uint64_t length) const {
  const std::uint64_t records = length / kRecordBytes;
  return records >= 1 && length % kRecordBytes == 0 &&
         records + kRecordsAheadOfTheCap < static_cast<std::uint64_t>(m_recordCap);
}

bool CLogFile::PlaceAtEnd() {
  std::uint64_t length = 0;
  try {
    length = m_file->Size();
    m_position = 0;
    if (length == 0) {
      m_nRecordCount = 0;
      WriteHeader();
      return true;
    }
    const std::uint64_t records = length / kRecordBytes;
    m_nRecordCount = static_cast<std::int32_t>(std::min<std::uint64_t>(records, INT32_MAX));
    if (records >= static_cast<std::uint64_t>(m_recordCap)) {
      DropOldestEntries(length, records);
    } else if (EndsInACutShortEntry(length, records)) {
      // An entry of ours cut short (a crash mid-write): the next entry takes its place,
      // or every later record of the day would be misaligned.
      m_position = records * kRecordBytes;
      m_file->Truncate(m_position);
    } else {
      m_position = length;
    }
    return true;
  } catch (const platform::FileError&) {
    if (length == 0) CutBackTo(0);  // a torn header
    Close();
    return false;
  }
}

// True for a file of ours (our header first) whose whole records are followed by the
// beginning of an entry. A foreign file, or one shorter than a record, is appended to as
// it is: bytes that are not ours are never overwritten.
bool CLogFile::EndsInACutShortEntry(std::uint64_t length, std::uint64_t records) {
  const std::uint64_t tail = length % kRecordBytes;
  if (records == 0 || tail == 0) return false;
  std::string first(kRecordBytes, '\0');
  m_file->ReadAt(0, first.data(), first.size());
  if (first != std::string(m_szHeader, sizeof m_szHeader) + kLineEnd) return false;
  std::string start(static_cast<std::size_t>(std::min<std::uint64_t>(tail, kDateWidth)), '\0');
  m_file->ReadAt(records * kRecordBytes, start.data(), start.size());
  return BeginsLikeAnEntry(start);
}

// Keeps the newest entries so that, with the entry about to be written, the file holds
// exactly the cap. Usually one entry goes; more when another writer sharing the file
// took it past the cap. Any bytes after the last whole record move along.
void CLogFile::DropOldestEntries(std::uint64_t length, std::uint64_t records) {
  const std::uint64_t dropped = records - (static_cast<std::uint64_t>(m_recordCap) - 1);
  const std::uint64_t shift = dropped * kRecordBytes;
  std::vector<char> piece(kMovePiece);
  for (std::uint64_t at = kRecordBytes + shift; at < length; at += kMovePiece) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kMovePiece, length - at));
    m_file->ReadAt(at, piece.data(), n);
    m_file->WriteAt(at - shift, std::string_view(piece.data(), n));
  }
  m_file->Truncate(length - shift);
  // The file may have begun with foreign bytes; once shortened it begins with the header.
  m_position = 0;
  WriteHeader();
  m_position = length - shift;
}

bool CLogFile::WriteLogEntry(const char* description) {
  const platform::LocalTime now = m_clock();
  std::string record =
      BuildEntryFields(now, Bounded(m_szModule, sizeof m_szModule - 1),
                       Bounded(m_szProcedure, sizeof m_szProcedure - 1), Bounded(description, kDescriptionWidth));
  record += kLineEnd;
  if (!Open(platform::SharedFile::Writes::AtTheEndOnly)) return false;
  std::uint64_t length = 0;
  try {
    m_file->HoldToAppend();
    length = m_file->Size();
  } catch (const platform::FileError&) {
    Close();
    return false;
  }
  // Most entries land after whole records of a file well below the cap: an append at the
  // end, as the system places it, cannot meet another writer's entry there, so it needs
  // no turn. Everything else (the header of a new file, a torn tail, the cap) rewrites
  // bytes and takes the turn that our programs (the tray program of every user shares the
  // day's file) take, then looks at the file again under it, holding it against appends:
  // a length that ends inside a record may be an append still in flight, not a torn tail.
  if (AppendsWithoutATurn(length)) {
    m_nRecordCount = static_cast<std::int32_t>(length / kRecordBytes);
    m_position = length;
    try {
      m_file->Append(record);
    } catch (const platform::FileError&) {
      // Another writer may have appended since the length was read, so the file is not
      // cut back to it: a cut-short entry left by this write is realigned under the turn.
      Close();
      WriteUnderTheTurn(std::nullopt);
      return false;
    }
    Close();
    return true;
  }
  Close();
  return WriteUnderTheTurn(record);
}

bool CLogFile::WriteUnderTheTurn(const std::optional<std::string>& record) {
  std::optional<platform::RewriteLock> turn;
  try {
    turn.emplace(std::string(Bounded(m_szLogPath, sizeof m_szLogPath - 1)));
  } catch (const platform::FileError&) {
    return false;
  }
  if (!Open(platform::SharedFile::Writes::AtOffsets)) return false;
  try {
    m_file->HoldToRewrite();
  } catch (const platform::FileError&) {
    Close();
    return false;
  }
  if (!PlaceAtEnd()) return false;
  bool written = record.has_value();
  if (written) {
    try {
      // At the end as the file is at that moment: even a writer that takes neither the
      // turn nor the hold (an older program) never has its record overwritten.
      m_file->Append(*record);
    } catch (const platform::FileError&) {
      written = false;
      CutBackTo(m_position);
    }
  }
  Close();
  return written;
}

}  // namespace logging
