// What `settings check` prints: one line per key whose stored text differs from the
// wanted one, bounded so that a management system keeps all of it (Intune keeps the
// first 2048 bytes of a detection script's output).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "settings/desired_state.h"

namespace quandorctl {

inline constexpr std::size_t kCheckReportLimit = 2048;
// Longer stored or wanted texts are shown by their first this many bytes.
inline constexpr std::size_t kShownTextBytes = 60;

// `DELAY: "500", wanted "600"` for each difference (texts in JSON's quoting, UTF-8,
// cut after kShownTextBytes with their length named); `LocalPassword: differs` for the
// password, whose texts are never shown. Lines end with LF. When they do not all fit in
// `limit` bytes, as many whole lines as fit are followed by "... and N more".
std::string CheckReport(const std::vector<settings::KeyDifference>& differences,
                        std::size_t limit = kCheckReportLimit);

}  // namespace quandorctl
