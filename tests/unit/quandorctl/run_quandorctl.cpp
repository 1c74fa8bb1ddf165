#include "tests/unit/quandorctl/run_quandorctl.h"

#include <cstdlib>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "platform/paths.h"
#include "tests/unit/test_folder.h"

namespace quandorctl_test {

std::string Arg(std::string path) {
  if (!path.empty() && path.back() == platform::PathSeparator()) path.pop_back();
  return "\"" + path + "\"";
}

namespace {

// Standard output is in text mode on Windows: CR LF there, LF elsewhere.
std::string WithLineFeeds(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  }
  return out;
}

}  // namespace

Result Quandorctl(const std::string& args, const std::string& input, const std::string& output,
                  const std::string& inputRedirection) {
  testing_support::TestFolder io;
  io.Write("in", input);
#ifdef _WIN32
  const std::string program = platform::ProgramDirectory() + "quandorctl.exe";
#else
  const std::string program = platform::ProgramDirectory() + "quandorctl";
#endif
  std::string command = Arg(program) + " " + args + " " +
                        (inputRedirection.empty() ? "< " + Arg(io / "in") : inputRedirection) + " > " +
                        (output.empty() ? Arg(io / "out") : output) + " 2> " + Arg(io / "err");
#ifdef _WIN32
  command = "\"" + command + "\"";  // cmd /c strips one pair of quotes around the whole line
#endif
  const int raw = std::system(command.c_str());
  Result r;
#ifdef _WIN32
  r.status = raw;
#else
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
  if (output.empty()) r.out = WithLineFeeds(io.Read("out"));
  r.err = WithLineFeeds(io.Read("err"));
  return r;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace quandorctl_test
