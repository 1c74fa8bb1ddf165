// Shared pieces of quandorctl's command groups: exit statuses, errors, argument reading.
#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace quandorctl {

// Exit statuses, stable for scripts that drive many machines.
enum ExitStatus : int {
  kExitOk = 0,
  kExitUsage = 1,     // wrong usage, or a value that is refused
  kExitFile = 2,      // a file or folder is missing or cannot be read or written
  kExitDecipher = 3,  // a file does not decipher
  kExitProblem = 4,   // doctor found a problem
  kExitServiceNotTold = 5,  // the settings were saved, but the service could not be told
};

// Wrong usage: the message is printed with one line pointing at the group's --help.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "--help" given as an option: the group prints its usage on standard output.
struct HelpRequest {};

// A failure with its exit status; the message names the file and the reason.
class CommandError : public std::runtime_error {
 public:
  CommandError(ExitStatus status, const std::string& message) : std::runtime_error(message), m_status(status) {}
  ExitStatus status() const { return m_status; }

 private:
  ExitStatus m_status;
};

using Args = std::vector<std::string>;

// One command group ("ini", "log", ...): its name, one-line summary, full usage text
// and the function that runs it on the arguments after the group name.
struct CommandGroup {
  const char* name;
  const char* summary;
  const char* usage;
  int (*run)(const Args& args);
  bool hasSubcommands = true;  // false: the group runs with no arguments at all (doctor)
};

// A group's subcommand: its name, and what runs it on the arguments after that name.
struct Subcommand {
  const char* name;
  int (*run)(const Args& args);
};

// Runs the subcommand that the first argument names; none, or one the group does not
// have, is wrong usage.
int RunSubcommand(const Args& args, std::initializer_list<Subcommand> subcommands);

// Runs a group on its arguments as the command line does: no arguments print the usage
// on stderr (exit 1) for a group with subcommands, "--help" first or a HelpRequest on stdout (exit 0); every failure
// is its message on stderr and its exit status (wrong usage adds one line pointing at
// --help; a file error is status 2; a refused value is status 1 and nothing is written).
int RunGroup(const CommandGroup& group, const Args& args);

// The arguments of one subcommand, read once from left to right. Up to a lone "--",
// an argument that begins with "--" is an option: one of `valueOptions` takes the next
// argument as its value whatever it is ("--user --help" is the user "--help"), one of
// `flags` stands alone, "--help" is a HelpRequest and any other is wrong usage. Every
// other argument, and all after "--", are positional. An option given twice is wrong usage.
class ParsedArgs {
 public:
  ParsedArgs(const Args& args, std::initializer_list<const char*> valueOptions, std::initializer_list<const char*> flags);

  std::optional<std::string> Value(const std::string& name) const;
  std::string Value(const std::string& name, const std::string& fallback) const;
  bool Flag(const std::string& name) const;
  const Args& Positional() const { return m_positional; }

  // Throws UsageError naming the first positional argument beyond `count`.
  void ExpectAtMostPositional(std::size_t count) const;

 private:
  std::map<std::string, std::string> m_values;
  std::set<std::string> m_flags;
  Args m_positional;
};

// For subcommands whose arguments are all texts of their own (ini's FILE, SECTION, KEY,
// VALUE): "--help" as the only argument is a HelpRequest, one leading "--" is dropped,
// and every other argument is taken as it is, so a VALUE of "--help" is a value.
Args PositionalOnly(const Args& args);

// Flushes standard output; throws CommandError (kExitFile) when any byte printed so far
// did not get through (a full disk, a closed pipe), so that lost output never passes for success.
void FinishStandardOutput();

// How secrets are taken, never from the command line, where every process and the shell
// history see it. From a terminal: one line typed without echo after `prompt` (on
// stderr). Otherwise standard input whole, without one final line break (LF or CR LF);
// an empty input is an empty text. A read error (standard input closed, a folder, a
// failing device) throws CommandError (kExitFile): nothing may be stored for it. No copy
// of the text is left behind in freed memory or in the stream's buffer.
std::string ReadStandardInputLine(const std::string& prompt);

}  // namespace quandorctl
