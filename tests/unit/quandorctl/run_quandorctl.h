// Starts the quandorctl program of this build (beside the test in bin/) as a user's
// shell would, with files for its standard streams.
#pragma once

#include <string>

namespace quandorctl_test {

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

// A path as one command-line argument, without its final separator: a backslash
// before the closing quote would escape it on Windows.
std::string Arg(std::string path);

// quandorctl with `args` (already quoted as needed) and `input` on standard input.
// `output` names where standard output goes instead of a file of ours (e.g. a full
// disk); `out` is then empty. `inputRedirection`, when given, replaces "< input" (e.g.
// "<&-" for a closed standard input).
Result Quandorctl(const std::string& args, const std::string& input = "", const std::string& output = "",
                  const std::string& inputRedirection = "");

bool Contains(const std::string& text, const std::string& part);

// What a save (`settings set`, `settings apply`) exits with: where the tests run, no
// service of that name is installed on Windows (5: saved, but not told), and there is
// none to tell elsewhere.
#ifdef _WIN32
inline constexpr int kSaved = 5;
#else
inline constexpr int kSaved = 0;
#endif

}  // namespace quandorctl_test
