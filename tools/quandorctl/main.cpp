// quandorctl: the administrators' and the tests' command-line door into the program's
// files: enciphered INI files, settings, cards and the log.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "audit/report.h"
#include "platform/paths.h"
#include "res/product.h"
#include "res/version.h"
#include "tools/quandorctl/groups.h"

namespace quandorctl {
namespace {

// Each group adds itself here (and in groups.h).
const std::vector<const CommandGroup*> kGroups = {&kLogGroup, &kIniGroup, &kSettingsGroup, &kCardsGroup,
                                                   &kDoctorGroup};

void PrintUsage(std::FILE* out) {
  std::fputs("usage: quandorctl COMMAND ...\n\ncommands:\n", out);
  for (const CommandGroup* g : kGroups) std::fprintf(out, "  %-10s %s\n", g->name, g->summary);
  std::fputs(
      "\n'quandorctl COMMAND --help' shows a command's usage; 'quandorctl --version' the version.\n"
      "Options may stand anywhere before a lone '--'; every argument after it is taken as it\n"
      "is, and so is an option's value, even one that begins with '--'.\n"
      "exit status: 0 success, 1 wrong usage or a refused value, 2 a file or folder is\n"
      "missing or cannot be read or written, 3 a file does not decipher, 4 doctor found a\n"
      "problem, 5 saved, but the service was not told.\n"
      "On Windows every write (settings set, cards set-account/delete/reset, ini set/load)\n"
      "is recorded in the Application event log under the source \"" QUANDOR_PRODUCT_NAME
      "\";\n"
      "elsewhere there is no event log and nothing is recorded.\n",
      out);
}

// A full disk or a closed pipe must not pass for success.
int Flushed() {
  try {
    FinishStandardOutput();
    return kExitOk;
  } catch (const CommandError& e) {
    std::fprintf(stderr, "quandorctl: %s\n", e.what());
    return e.status();
  }
}

int Run(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage(stdout);
    return Flushed();
  }
  if (name == "--version") {
    std::printf("quandorctl %s\n", QUANDOR_VERSION);
    return Flushed();
  }
  for (const CommandGroup* g : kGroups) {
    if (name != g->name) continue;
    return RunGroup(*g, Args(argv + 2, argv + argc));
  }
  std::fprintf(stderr, "quandorctl: unknown command '%s'\nTry 'quandorctl --help' for the usage.\n", name.c_str());
  return kExitUsage;
}

}  // namespace
}  // namespace quandorctl

int main(int argc, char** argv) {
  platform::LoadDllsFromSystemFolderOnly();
  audit::SetProgram(audit::Program::Quandorctl);
#ifdef SIGPIPE
  // A closed pipe is a write error that is reported (exit status 2), not a silent death.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  try {
    return quandorctl::Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quandorctl: %s\n", e.what());
    return quandorctl::kExitFile;
  }
}
