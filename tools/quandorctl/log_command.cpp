#include "tools/quandorctl/log_command.h"

#include <cstdio>
#include <iostream>

#include "log/log_file.h"
#include "platform/files.h"
#include "tools/quandorctl/groups.h"

namespace quandorctl {
namespace {

constexpr char kUsage[] =
    "usage: quandorctl log show FILE\n"
    "\n"
    "Prints the records of a log file, one line each, header first; the fields (date,\n"
    "time, module, procedure, description) are separated by TABs. TAB, CR, LF, backslash\n"
    "and other control bytes inside a field are shown as \\t, \\r, \\n, \\\\ and \\xHH.\n"
    "Records that do not follow the log's layout are shown all the same, with one warning\n"
    "on stderr; bytes after the last whole record are not shown (one warning).\n"
    "exit status: 0 printed, 1 wrong usage, 2 the file is missing or cannot be read.\n";

void AppendEscaped(std::string& line, const std::string& text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\t':
        line += "\\t";
        break;
      case '\r':
        line += "\\r";
        break;
      case '\n':
        line += "\\n";
        break;
      case '\\':
        line += "\\\\";
        break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          char hex[5];
          std::snprintf(hex, sizeof hex, "\\x%02X", byte);
          line += hex;
        } else {
          line += c;
        }
    }
  }
}

int RunLog(const Args& args) {
  if (args.empty()) throw UsageError("missing subcommand");
  if (args[0] != "show") throw UsageError("unknown subcommand '" + args[0] + "'");
  const ParsedArgs show(Args(args.begin() + 1, args.end()), {}, {});
  if (show.Positional().empty()) throw UsageError("show needs a FILE");
  show.ExpectAtMostPositional(1);
  return ShowLog(show.Positional().front(), std::cout, std::cerr);
}

}  // namespace

std::string FormatLogLine(const logging::LogRecord& record) {
  const std::string* fields[] = {&record.date, &record.time, &record.module, &record.procedure, &record.description};
  std::string line;
  for (const std::string* field : fields) {
    if (field != fields[0]) line += '\t';
    AppendEscaped(line, *field);
  }
  return line;
}

int ShowLog(const std::string& path, std::ostream& out, std::ostream& err) {
  std::uint64_t foreign = 0;
  logging::LogRecord firstForeign;
  std::size_t trailing = 0;
  try {
    logging::FileSource source(path);
    logging::LogReader reader(source);
    while (const auto record = reader.Next()) {
      out << FormatLogLine(*record) << '\n';
      if (!record->problem.empty() && foreign++ == 0) firstForeign = *record;
    }
    trailing = reader.TrailingBytes();
  } catch (const platform::FileError& e) {
    throw CommandError(kExitFile, e.what());
  }
  out.flush();
  if (foreign > 0) {
    err << "quandorctl log: warning: " << path << ": " << foreign << (foreign == 1 ? " record does" : " records do")
        << " not follow the log's layout; the first is record " << firstForeign.index << " (byte "
        << firstForeign.index * logging::kRecordBytes << "): " << firstForeign.problem << "\n";
  }
  if (trailing > 0) {
    err << "quandorctl log: warning: " << path << ": the last " << trailing << " bytes are not a whole record of "
        << logging::kRecordBytes << " bytes and are not shown\n";
  }
  return kExitOk;
}

const CommandGroup kLogGroup = {"log", "print log files", kUsage, RunLog};

}  // namespace quandorctl
