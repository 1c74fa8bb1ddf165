#include "tools/quandorctl/cli.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <iterator>

#include "platform/files.h"
#include "platform/console.h"
#include "storage/ini_text.h"
#include "storage/secret.h"

namespace quandorctl {

int RunSubcommand(const Args& args, std::initializer_list<Subcommand> subcommands) {
  if (args.empty()) throw UsageError("missing subcommand");
  for (const Subcommand& subcommand : subcommands) {
    if (args[0] == subcommand.name) return subcommand.run(Args(args.begin() + 1, args.end()));
  }
  throw UsageError("unknown subcommand '" + args[0] + "'");
}

int RunGroup(const CommandGroup& group, const Args& args) {
  if (args.empty() && group.hasSubcommands) {
    std::fprintf(stderr, "quandorctl %s: missing subcommand\n", group.name);
    std::fputs(group.usage, stderr);
    return kExitUsage;
  }
  try {
    if (!args.empty() && args.front() == "--help") throw HelpRequest{};
    const int status = group.run(args);
    FinishStandardOutput();
    return status;
  } catch (const HelpRequest&) {
    std::fputs(group.usage, stdout);
    try {
      FinishStandardOutput();
    } catch (const CommandError& e) {
      std::fprintf(stderr, "quandorctl %s: %s\n", group.name, e.what());
      return e.status();
    }
    return kExitOk;
  } catch (const UsageError& e) {
    std::fprintf(stderr, "quandorctl %s: %s\nTry 'quandorctl %s --help' for the usage.\n", group.name, e.what(),
                 group.name);
    return kExitUsage;
  } catch (const CommandError& e) {
    std::fprintf(stderr, "quandorctl %s: %s\n", group.name, e.what());
    return e.status();
  } catch (const platform::FileError& e) {  // names the file and the reason
    std::fprintf(stderr, "quandorctl %s: %s\n", group.name, e.what());
    return kExitFile;
  } catch (const storage::IniValueError& e) {
    std::fprintf(stderr, "quandorctl %s: not written: %s\n", group.name, e.what());
    return kExitUsage;
  }
}

namespace {

bool IsOneOf(const std::string& arg, std::initializer_list<const char*> names) {
  return std::any_of(names.begin(), names.end(), [&](const char* name) { return arg == name; });
}

}  // namespace

ParsedArgs::ParsedArgs(const Args& args, std::initializer_list<const char*> valueOptions,
                       std::initializer_list<const char*> flags) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.compare(0, 2, "--") != 0) {
      m_positional.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help") {
      throw HelpRequest{};
    } else if (IsOneOf(arg, valueOptions)) {
      if (i + 1 == args.size()) throw UsageError(arg + " needs a value");
      if (!m_values.emplace(arg, args[i + 1]).second) throw UsageError(arg + " is given twice");
      ++i;
    } else if (IsOneOf(arg, flags)) {
      if (!m_flags.insert(arg).second) throw UsageError(arg + " is given twice");
    } else {
      throw UsageError("unknown option '" + arg + "' (after -- it is taken as an argument)");
    }
  }
}

std::optional<std::string> ParsedArgs::Value(const std::string& name) const {
  const auto it = m_values.find(name);
  if (it == m_values.end()) return std::nullopt;
  return it->second;
}

std::string ParsedArgs::Value(const std::string& name, const std::string& fallback) const {
  return Value(name).value_or(fallback);
}

bool ParsedArgs::Flag(const std::string& name) const { return m_flags.count(name) != 0; }

void ParsedArgs::ExpectAtMostPositional(std::size_t count) const {
  if (m_positional.size() > count) throw UsageError("unexpected argument '" + m_positional[count] + "'");
}

Args PositionalOnly(const Args& args) {
  if (args.size() == 1 && args.front() == "--help") throw HelpRequest{};
  if (!args.empty() && args.front() == "--") return Args(args.begin() + 1, args.end());
  return args;
}

void FinishStandardOutput() {
  std::cout.flush();
  if (std::fflush(stdout) != 0 || std::ferror(stdout) || !std::cout) {
    throw CommandError(kExitFile, "standard output: cannot write (a full disk or a closed pipe?)");
  }
}

namespace {

// Appends, growing the buffer by hand so that no old buffer is freed unwiped.
void AppendWiping(std::string& text, const char* bytes, std::size_t n) {
  if (text.size() + n > text.capacity()) {
    std::string larger;
    larger.reserve(2 * (text.size() + n));
    larger = text;
    storage::WipeText(text);
    text.swap(larger);
  }
  text.append(bytes, n);
}

}  // namespace

std::string ReadStandardInputLine(const std::string& prompt) {
  const auto unreadable = [] {
    return CommandError(kExitFile, "standard input: cannot read; nothing was written");
  };
  if (platform::StandardInputIsTerminal()) {
    std::optional<std::string> line = platform::ReadTerminalLineWithoutEcho(prompt + ": ");
    if (!line) throw unreadable();
    return std::move(*line);
  }
  platform::MakeStandardInputBinary();
  std::setvbuf(stdin, nullptr, _IONBF, 0);  // no stream buffer holding the secret after us
  std::string text;
  char chunk[256];
  while (std::cin.read(chunk, sizeof chunk) || std::cin.gcount() > 0) {
    AppendWiping(text, chunk, static_cast<std::size_t>(std::cin.gcount()));
  }
  platform::WipeMemory(chunk, sizeof chunk);
  if (std::cin.bad() || std::ferror(stdin)) {
    storage::WipeText(text);
    throw unreadable();
  }
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return text;
}

}  // namespace quandorctl
