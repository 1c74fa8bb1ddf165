// The log reader behind "quandorctl log show": any bytes, handed over in pieces of any
// size, give one record per 319 bytes and the rest as trailing bytes; a record that
// follows the layout holds exactly the bytes it was read from; and every printed line has
// exactly five fields and no control bytes but the four TABs between them (the escaping
// promise of log show).
//
// Input: one byte choosing the largest piece the source hands over (1-256), then the
// log file's bytes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "log/log_file.h"
#include "log/log_reader.h"
#include "tests/fuzz/fuzz_check.h"
#include "tools/quandorctl/log_command.h"

namespace {

// Hands the bytes over in pieces of 1 to `largest` bytes, varying from call to call.
class PieceSource : public logging::ByteSource {
 public:
  PieceSource(std::string_view bytes, std::size_t largest) : m_bytes(bytes), m_largest(largest) {}
  std::size_t Read(char* buffer, std::size_t n) override {
    const std::size_t piece = 1 + (m_calls++ * 7919) % m_largest;
    const std::size_t count = std::min({n, piece, m_bytes.size()});
    std::memcpy(buffer, m_bytes.data(), count);
    m_bytes.remove_prefix(count);
    return count;
  }

 private:
  std::string_view m_bytes;
  std::size_t m_largest;
  std::size_t m_calls = 0;
};

std::string Padded(const std::string& text, std::size_t width) { return text + std::string(width - text.size(), '\0'); }

// A record's 319 bytes rebuilt from what the reader took out of it.
std::string Rebuilt(const logging::LogRecord& r) {
  return Padded(r.date + '\t', logging::kDateWidth) + Padded(r.time + '\t', logging::kTimeWidth) +
         Padded(r.module + '\t', logging::kModuleWidth) + Padded(r.procedure + '\t', logging::kProcedureWidth) +
         Padded(r.description, logging::kDescriptionWidth) + "\r\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t largest = 1 + data[0];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  PieceSource source(bytes, largest);
  logging::LogReader reader(source);
  std::uint64_t count = 0;
  while (const auto record = reader.Next()) {
    FUZZ_CHECK(record->index == count,
               "record " + std::to_string(record->index) + " came as number " + std::to_string(count));
    const std::string_view original = bytes.substr(count * logging::kRecordBytes, logging::kRecordBytes);
    if (record->problem.empty()) {
      FUZZ_CHECK(Rebuilt(*record) == original, "record " + std::to_string(count) + " of " + fuzz::Shown(original));
    }
    const std::string line = quandorctl::FormatLogLine(*record);
    FUZZ_CHECK(std::count(line.begin(), line.end(), '\t') == 4, "line " + fuzz::Shown(line));
    const bool controlBytes = std::any_of(line.begin(), line.end(), [](char c) {
      return c != '\t' && (static_cast<unsigned char>(c) < 0x20 || c == 0x7F);
    });
    FUZZ_CHECK(!controlBytes, "line " + fuzz::Shown(line));
    ++count;
  }
  FUZZ_CHECK(count == bytes.size() / logging::kRecordBytes,
             std::to_string(count) + " records of " + std::to_string(bytes.size()) + " bytes");
  FUZZ_CHECK(reader.TrailingBytes() == bytes.size() % logging::kRecordBytes,
             "trailing " + std::to_string(reader.TrailingBytes()));
  FUZZ_CHECK(!reader.Next().has_value(), "a record after the end");
  return 0;
}
