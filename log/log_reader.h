// Reads log files back: the records of a file in order, each checked against the layout
// that CLogFile writes. Files may hold foreign bytes (the log appends to whatever it
// finds), so every problem is reported, never trusted and never fatal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace logging {

// Where the reader's bytes come from. Read may return fewer bytes than asked for;
// 0 means the end.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::size_t Read(char* buffer, std::size_t n) = 0;
};

class BufferSource : public ByteSource {
 public:
  explicit BufferSource(std::string_view bytes) : m_bytes(bytes) {}
  std::size_t Read(char* buffer, std::size_t n) override;

 private:
  std::string_view m_bytes;
};

// A file read in order, in pieces. Throws platform::FileError (open and read).
class FileSource : public ByteSource {
 public:
  explicit FileSource(const std::string& path) : m_file(path) {}
  std::size_t Read(char* buffer, std::size_t n) override;

 private:
  platform::ReadOnlyFile m_file;
  std::uint64_t m_offset = 0;
};

struct LogRecord {
  std::uint64_t index = 0;  // 0 for the first record (the header)
  // Each cut at its first NUL; the first four without the TAB that ends them.
  std::string date, time, module, procedure, description;
  // Empty for a record laid out as CLogFile writes it; otherwise what is wrong with it.
  std::string problem;
};

class LogReader {
 public:
  explicit LogReader(ByteSource& source) : m_source(source) {}

  // The next whole record, or nothing at the end.
  std::optional<LogRecord> Next();

  // Bytes after the last whole record; known once Next has returned nothing.
  std::size_t TrailingBytes() const { return m_trailing; }

 private:
  ByteSource& m_source;
  std::uint64_t m_index = 0;
  std::size_t m_trailing = 0;
  bool m_ended = false;
};

// Parses one record's 319 bytes (`index` 0 is expected to be the header).
LogRecord ParseRecord(std::string_view bytes, std::uint64_t index);

}  // namespace logging
