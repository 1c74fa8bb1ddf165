// The command groups of quandorctl, one source file each.
#pragma once

#include "tools/quandorctl/cli.h"

namespace quandorctl {


}  // namespace quandorctl
