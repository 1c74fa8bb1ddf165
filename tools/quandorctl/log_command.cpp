#include "tools/quandorctl/log_command.h"

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "log/log_file.h"
#include "log/placement.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "settings/settings_record.h"
#include "storage/ini.h"
#include "tools/quandorctl/folders.h"
#include "tools/quandorctl/groups.h"

namespace quandorctl {
namespace {

constexpr char kUsage[] =
    "usage: quandorctl log show [--dir DIR] [--date YYYY-MM-DD]\n"
    "       quandorctl log show FILE\n"
    "       quandorctl log enable|disable [--dir DIR]\n"
    "\n"
    "The tray program's daily log: DIR/LOG/MMDDYYYY.log, written while Settings.ini in DIR\n"
    "holds DEBUG other than \"0\". DIR defaults as for 'quandorctl settings'.\n"
    "  show     prints the records of today's log of DIR (or of the day of --date), or of\n"
    "           FILE, one line each, header first; the fields (date, time, module,\n"
    "           procedure, description) are separated by TABs. TAB, CR, LF, backslash and\n"
    "           other control bytes inside a field are shown as \\t, \\r, \\n, \\\\ and\n"
    "           \\xHH. Records that do not follow the log's layout are shown all the same,\n"
    "           with one warning on stderr; bytes after the last whole record are not shown\n"
    "           (one warning).\n"
    "  enable   writes DEBUG=1 into Settings.ini in DIR: the tray program logs its tray\n"
    "           actions from then on (the settings dialog never writes DEBUG).\n"
    "  disable  writes DEBUG=0: no more log entries.\n"
    "exit status: 0 success, 1 wrong usage, 2 the log file, DIR or Settings.ini is missing\n"
    "or cannot be read or written.\n";

// "YYYY-MM-DD" of a real day, or nothing.
std::optional<platform::LocalTime> ParseDate(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  for (const std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  }
  platform::LocalTime date;
  date.year = std::stoi(text.substr(0, 4));
  date.month = std::stoi(text.substr(5, 2));
  date.day = std::stoi(text.substr(8, 2));
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (date.month < 1 || date.month > 12 || date.day < 1) return std::nullopt;
  const bool leap = (date.year % 4 == 0 && date.year % 100 != 0) || date.year % 400 == 0;
  if (date.day > kDays[date.month - 1] + (date.month == 2 && leap ? 1 : 0)) return std::nullopt;
  return date;
}

int Show(const Args& rest) {
  const ParsedArgs args(rest, {"--dir", "--date"}, {});
  args.ExpectAtMostPositional(1);
  if (!args.Positional().empty()) {
    if (args.Value("--dir") || args.Value("--date")) throw UsageError("show takes a FILE or --dir/--date, not both");
    return ShowLog(args.Positional().front(), std::cout, std::cerr);
  }
  platform::LocalTime day = platform::Now();
  if (const std::optional<std::string> text = args.Value("--date")) {
    const std::optional<platform::LocalTime> date = ParseDate(*text);
    if (!date) throw UsageError("--date must be a day as YYYY-MM-DD, not '" + *text + "'");
    day = *date;
  }
  return ShowLog(logging::DayLogPath(SettingsFolder(args), day), std::cout, std::cerr);
}

// The tray program reads DEBUG at every tray action; nothing else is touched.
int Switch(const Args& rest, bool on) {
  const ParsedArgs args(rest, {"--dir"}, {});
  args.ExpectAtMostPositional(0);
  const std::string dir = SettingsFolder(args);
  ExpectReadableSettingsFile(dir);
  storage::CIni ini;
  ini.SetPath((dir + settings::kPlainFileName).c_str());
  ini.WriteString(settings::DebugKey().name, on ? "1" : "0");
  const std::string effect = on ? "logs its tray actions into " + logging::DayLogPath(dir, platform::Now()) +
                                       " (one file a day)"
                                 : "writes no more log entries";
  std::printf("wrote DEBUG=%s in %s%s: the tray program %s\n", on ? "1" : "0", dir.c_str(), settings::kPlainFileName,
              effect.c_str());
  return kExitOk;
}

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
  return RunSubcommand(args, {{"show", Show},
                              {"enable", [](const Args& rest) { return Switch(rest, true); }},
                              {"disable", [](const Args& rest) { return Switch(rest, false); }}});
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

const CommandGroup kLogGroup = {"log", "print the tray program's log, switch it on and off", kUsage, RunLog};

}  // namespace quandorctl
