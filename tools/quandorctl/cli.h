// Shared pieces of quandorctl's command groups: exit statuses, errors, argument reading.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace quandorctl {

// Exit statuses, stable for scripts that drive many machines.
enum ExitStatus : int {
  kExitOk = 0,
  kExitUsage = 1,     // wrong usage
  kExitFile = 2,      // a file is missing or cannot be read or written
  kExitDecipher = 3,  // a file does not decipher
};

// Wrong usage: the message is printed with the command's usage hint.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

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
};

// Runs a group on its arguments as the command line does: "--help" prints its usage;
// every failure is one line on stderr and its exit status (wrong usage also prints the
// usage; a file error is status 2; a refused value is status 1 and nothing is written).
int RunGroup(const CommandGroup& group, const Args& args);

// True when args holds "--help" (the group then prints its usage).
bool WantsHelp(const Args& args);

// Removes "--name VALUE" from args and returns VALUE, or `fallback` when absent.
// Throws UsageError when the option has no value.
std::string TakeOption(Args& args, const std::string& name, const std::string& fallback);

// Removes "--name" from args; true when it was there.
bool TakeFlag(Args& args, const std::string& name);

// Standard input whole, without one final line break (LF or CR LF): how secrets are
// taken, never from the command line, where every process and the shell history see it.
std::string ReadStandardInputLine();

}  // namespace quandorctl
