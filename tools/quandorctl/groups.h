// The command groups of quandorctl, one source file each.
#pragma once

#include "tools/quandorctl/cli.h"

namespace quandorctl {

extern const CommandGroup kLogGroup;       // log_command.cpp
extern const CommandGroup kIniGroup;       // ini_command.cpp
extern const CommandGroup kSettingsGroup;  // settings_command.cpp
extern const CommandGroup kCardsGroup;     // cards_command.cpp
extern const CommandGroup kDoctorGroup;    // doctor_command.cpp

}  // namespace quandorctl
