#include "tools/quandorctl/check_report.h"

#include <nlohmann/json.hpp>

#include "storage/latin1_text.h"

namespace quandorctl {
namespace {

std::string Shown(const std::string& text) {
  const bool cut = text.size() > kShownTextBytes;
  const std::string shown = nlohmann::json(storage::Latin1ToUtf8(cut ? text.substr(0, kShownTextBytes) : text)).dump();
  return cut ? shown + "... (" + std::to_string(text.size()) + " characters)" : shown;
}

std::string MoreLine(std::size_t count) { return "... and " + std::to_string(count) + " more\n"; }

}  // namespace

std::string CheckReport(const std::vector<settings::KeyDifference>& differences, std::size_t limit) {
  std::vector<std::string> lines;
  std::size_t total = 0;
  for (const settings::KeyDifference& d : differences) {
    lines.push_back(d.secret ? d.name + ": differs\n" : d.name + ": " + Shown(d.stored) + ", wanted " + Shown(d.wanted) + "\n");
    total += lines.back().size();
  }
  std::size_t kept = lines.size();
  const auto size = [&] { return total + (kept < lines.size() ? MoreLine(lines.size() - kept).size() : 0); };
  while (kept > 0 && size() > limit) total -= lines[--kept].size();
  std::string report;
  for (std::size_t i = 0; i < kept; ++i) report += lines[i];
  if (kept < lines.size()) report += MoreLine(lines.size() - kept);
  return report;
}

}  // namespace quandorctl
